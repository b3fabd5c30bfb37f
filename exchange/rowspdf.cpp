#include "exchange/rowspdf.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <numeric>

namespace RowsPdf {
namespace {

// Latin text and figures in DejaVu Sans, Chinese in Droid Sans Fallback:
// Noto CJK shares glyphs between common characters and Kangxi radicals (入
// and ⼊), so a PDF's text layer would give the radical back when the text is
// copied or searched; and figures taken from the Chinese font beside Latin
// letters from another drop out of the text layer.
QFont TableFont(qreal points, bool bold = false)
{
    QFont font;
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Droid Sans Fallback"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

constexpr qreal kBasePoints = 9;
constexpr qreal kSmallestPoints = 6;
// A cell's measured width is capped so one long remark cannot take the page.
constexpr int kMeasuredChars = 40;
constexpr int kCellFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWrapAnywhere;

struct Layout
{
    QFont font;
    qreal padding = 0;
    QVector<qreal> widths;
    qreal headerHeight = 0;
    QVector<qreal> rowHeights;
    QVector<int> pageStarts; // first row of each page
};

QVector<qreal> NaturalWidths(const Table &table, int columns, const QFontMetricsF &fm, qreal padding)
{
    QVector<qreal> widths(columns, 0);
    auto measure = [&](int c, const QString &text) {
        const QString shown = text.size() > kMeasuredChars ? text.left(kMeasuredChars) : text;
        widths[c] = qMax(widths[c], fm.horizontalAdvance(shown) + 2 * padding);
    };
    for (int c = 0; c < columns; ++c)
        measure(c, table.headers.value(c));
    for (const QStringList &row : table.rows) {
        for (int c = 0; c < columns && c < row.size(); ++c)
            measure(c, row.at(c));
    }
    for (qreal &w : widths)
        w = qMax(w, fm.horizontalAdvance(QStringLiteral("00")) + 2 * padding);
    return widths;
}

qreal Sum(const QVector<qreal> &v) { return std::accumulate(v.begin(), v.end(), qreal(0)); }

qreal LineHeight(const QFontMetricsF &fm, const QVector<qreal> &widths, const QStringList &cells,
                 qreal padding)
{
    qreal height = fm.height();
    for (int c = 0; c < widths.size() && c < cells.size(); ++c) {
        if (cells.at(c).isEmpty())
            continue;
        // Only a cell too long for its column wraps; most rows stay one line.
        if (fm.horizontalAdvance(cells.at(c)) + 2 * padding <= widths.at(c))
            continue;
        const QRectF box =
            fm.boundingRect(QRectF(0, 0, widths.at(c) - 2 * padding, 1e9), kCellFlags, cells.at(c));
        height = qMax(height, box.height());
    }
    return height + padding;
}

// Font size and column widths for the page width: the natural widths when
// they fit, else a smaller font, and at the smallest font the columns share
// the width in proportion and long texts wrap.
Layout Fit(const Table &table, int columns, QPaintDevice *device, qreal width)
{
    Layout layout;
    qreal points = kBasePoints;
    while (true) {
        layout.font = TableFont(points);
        const QFontMetricsF fm(layout.font, device);
        layout.padding = fm.height() * 0.25;
        layout.widths = NaturalWidths(table, columns, fm, layout.padding);
        const qreal total = Sum(layout.widths);
        if (total <= width || points <= kSmallestPoints) {
            if (total > width) {
                for (qreal &w : layout.widths)
                    w *= width / total;
            }
            break;
        }
        points = qMax(kSmallestPoints, points * qMax(0.8, width / total));
    }
    return layout;
}

} // namespace

int Render(QPagedPaintDevice *device, const Table &table, QString *error)
{
    if (!device) {
        *error = QStringLiteral("没有输出设备");
        return 0;
    }
    const int columns = std::max<int>(table.headers.size(), [&] {
        int n = 0;
        for (const QStringList &row : table.rows)
            n = qMax(n, row.size());
        return n;
    }());

    // Landscape when the columns at their natural width would not fit upright.
    {
        device->setPageOrientation(QPageLayout::Portrait);
        const QFontMetricsF fm(TableFont(kBasePoints), device);
        const qreal natural = Sum(NaturalWidths(table, columns, fm, fm.height() * 0.25));
        if (natural > device->width())
            device->setPageOrientation(QPageLayout::Landscape);
    }

    QPainter painter;
    if (!painter.begin(device)) {
        *error = QStringLiteral("无法开始输出");
        return 0;
    }
    const qreal pageWidth = device->width();
    const qreal pageHeight = device->height();
    Layout layout = Fit(table, columns, device, pageWidth);
    const QFontMetricsF fm(layout.font, device);
    const QFont titleFont = TableFont(kBasePoints * 1.4, true);
    const QFontMetricsF titleFm(titleFont, device);
    const QFont headerFont = TableFont(layout.font.pointSizeF(), true);
    const qreal top = titleFm.height() * 1.6;
    const qreal footer = fm.height() * 1.8;
    layout.headerHeight =
        LineHeight(QFontMetricsF(headerFont, device), layout.widths, table.headers, layout.padding);
    const qreal body = qMax(fm.height() * 2, pageHeight - top - footer - layout.headerHeight);

    layout.rowHeights.reserve(table.rows.size());
    layout.pageStarts.append(0);
    qreal used = 0;
    for (int r = 0; r < table.rows.size(); ++r) {
        const qreal h = qMin(body, LineHeight(fm, layout.widths, table.rows.at(r), layout.padding));
        layout.rowHeights.append(h);
        if (used + h > body && used > 0) {
            layout.pageStarts.append(r);
            used = 0;
        }
        used += h;
    }
    const int pages = layout.pageStarts.size();
    const QString printed =
        QStringLiteral("打印日期：%1").arg(table.printedAt.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    const QPen grid(Qt::gray, qMax<qreal>(1, device->logicalDpiX() / 150.0));

    auto drawRow = [&](qreal y, qreal h, const QStringList &cells, bool header) {
        qreal x = 0;
        if (header)
            painter.fillRect(QRectF(0, y, Sum(layout.widths), h), QColor(230, 230, 230));
        for (int c = 0; c < columns; ++c) {
            const QRectF cell(x, y, layout.widths.at(c), h);
            painter.setPen(grid);
            painter.drawRect(cell);
            painter.setPen(Qt::black);
            const QString text = cells.value(c);
            if (!text.isEmpty())
                painter.drawText(cell.adjusted(layout.padding, 0, -layout.padding, 0), kCellFlags, text);
            x += layout.widths.at(c);
        }
    };

    for (int p = 0; p < pages; ++p) {
        if (p > 0 && !device->newPage()) {
            painter.end();
            *error = QStringLiteral("无法开始新的一页");
            return 0;
        }
        painter.setFont(titleFont);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(0, 0, pageWidth, top), Qt::AlignLeft | Qt::AlignTop, table.title);
        painter.setFont(layout.font);
        painter.drawText(QRectF(0, 0, pageWidth, top), Qt::AlignRight | Qt::AlignTop, printed);

        painter.setFont(headerFont);
        drawRow(top, layout.headerHeight, table.headers, true);
        painter.setFont(layout.font);
        qreal y = top + layout.headerHeight;
        const int end = p + 1 < pages ? layout.pageStarts.at(p + 1) : table.rows.size();
        for (int r = layout.pageStarts.at(p); r < end; ++r) {
            drawRow(y, layout.rowHeights.at(r), table.rows.at(r), false);
            y += layout.rowHeights.at(r);
        }
        painter.drawText(QRectF(0, pageHeight - footer, pageWidth, footer),
                         Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("第 %1 页，共 %2 页").arg(p + 1).arg(pages));
    }
    if (!painter.end()) {
        *error = QStringLiteral("输出没有完成");
        return 0;
    }
    return pages;
}

bool WritePdf(const QString &path, const Table &table, QString *error)
{
    const QFileInfo target(path);
    if (!QFileInfo(target.absolutePath()).isDir()) {
        *error = QStringLiteral("文件夹不存在：%1").arg(target.absolutePath());
        return false;
    }
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
    writer.setTitle(table.title);
    writer.setCreator(QStringLiteral("Quillon"));
    const int pages = Render(&writer, table, error);
    if (pages == 0) {
        if (error->isEmpty())
            *error = QStringLiteral("文件无法创建");
        return false;
    }
    return true;
}

} // namespace RowsPdf
