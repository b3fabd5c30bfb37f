#include "exchange/rowspdf.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextLayout>

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

// A cell broken into the lines its column shows: at word boundaries, or
// between characters for a word wider than the column.
QStringList WrapLines(const QString &text, const QFont &font, const QFontMetricsF &fm, QPaintDevice *device,
                      qreal width)
{
    if (text.isEmpty())
        return {};
    if (fm.horizontalAdvance(text) <= width && !text.contains(QLatin1Char('\n')))
        return {text};
    QStringList lines;
    for (const QString &paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font, device);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(qMax<qreal>(1, width));
            lines.append(paragraph.mid(line.textStart(), line.textLength()));
        }
        layout.endLayout();
        if (paragraph.isEmpty())
            lines.append(QString());
    }
    return lines;
}

// The lines of every cell of a row; the row is as tall as its longest cell.
struct WrappedRow
{
    QVector<QStringList> cells;
    int lines = 1;
};

WrappedRow Wrap(const QStringList &cells, const QVector<qreal> &widths, const QFont &font,
                QPaintDevice *device, qreal padding)
{
    WrappedRow row;
    row.cells.resize(widths.size());
    const QFontMetricsF fm(font, device);
    for (int c = 0; c < widths.size() && c < cells.size(); ++c) {
        row.cells[c] = WrapLines(cells.at(c), font, fm, device, widths.at(c) - 2 * padding);
        row.lines = qMax(row.lines, row.cells.at(c).size());
    }
    return row;
}

// A run of a row's lines on one page: a row taller than a page goes on over
// the next pages.
struct Piece
{
    int row;
    int firstLine;
    int lineCount;
};

struct Layout
{
    QFont font;
    qreal padding = 0;
    QVector<qreal> widths;
};

// A title's width in the bold title font, with a unit spare so rounding
// cannot break it.
qreal TitleWidth(const QFontMetricsF &titleFm, const QString &title, qreal padding)
{
    return titleFm.horizontalAdvance(title) + 2 * padding + 1;
}

QVector<qreal> NaturalWidths(const Table &table, int columns, const QFontMetricsF &fm,
                             const QFontMetricsF &titleFm, qreal padding)
{
    QVector<qreal> widths(columns, 0);
    auto measure = [&](int c, const QString &text) {
        const QString shown = text.size() > kMeasuredChars ? text.left(kMeasuredChars) : text;
        widths[c] = qMax(widths[c], fm.horizontalAdvance(shown) + 2 * padding);
    };
    for (int c = 0; c < columns; ++c)
        widths[c] = TitleWidth(titleFm, table.headers.value(c), padding);
    for (const QStringList &row : table.rows) {
        for (int c = 0; c < columns && c < row.size(); ++c)
            measure(c, row.at(c));
    }
    for (qreal &w : widths)
        w = qMax(w, fm.horizontalAdvance(QStringLiteral("00")) + 2 * padding);
    return widths;
}

qreal Sum(const QVector<qreal> &v) { return std::accumulate(v.begin(), v.end(), qreal(0)); }

// Narrows columns to the width: first those wider than their title, so a
// title keeps its line while a long cell wraps; only when the titles alone do
// not fit does every column shrink in proportion (and titles wrap).
void Squeeze(const Table &table, int columns, const QFontMetricsF &titleFm, qreal padding, qreal width,
             QVector<qreal> *widths)
{
    QVector<qreal> floor(columns);
    for (int c = 0; c < columns; ++c)
        floor[c] = qMin(widths->at(c), TitleWidth(titleFm, table.headers.value(c), padding));
    const qreal floors = Sum(floor);
    const qreal total = Sum(*widths);
    if (floors < width && total > floors) {
        const qreal share = (width - floors) / (total - floors);
        for (int c = 0; c < columns; ++c)
            (*widths)[c] = floor.at(c) + (widths->at(c) - floor.at(c)) * share;
        return;
    }
    for (qreal &w : *widths)
        w *= width / total;
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
        const QFontMetricsF titleFm(TableFont(points, true), device);
        layout.padding = fm.height() * 0.25;
        layout.widths = NaturalWidths(table, columns, fm, titleFm, layout.padding);
        const qreal total = Sum(layout.widths);
        if (total <= width || points <= kSmallestPoints) {
            if (total > width)
                Squeeze(table, columns, titleFm, layout.padding, width, &layout.widths);
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
        const QFontMetricsF titleFm(TableFont(kBasePoints, true), device);
        const qreal natural = Sum(NaturalWidths(table, columns, fm, titleFm, fm.height() * 0.25));
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
    const Layout layout = Fit(table, columns, device, pageWidth);
    const QFontMetricsF fm(layout.font, device);
    const QFont titleFont = TableFont(kBasePoints * 1.4, true);
    const QFontMetricsF titleFm(titleFont, device);
    const QFont headerFont = TableFont(layout.font.pointSizeF(), true);
    const qreal top = titleFm.height() * 1.6;
    const qreal footer = fm.height() * 1.8;
    const qreal line = fm.lineSpacing();
    const WrappedRow header = Wrap(table.headers, layout.widths, headerFont, device, layout.padding);
    const qreal headerHeight =
        header.lines * QFontMetricsF(headerFont, device).lineSpacing() + layout.padding;
    const qreal body = pageHeight - top - footer - headerHeight;
    const int linesPerPage = qMax(1, int((body - layout.padding) / line));

    // Pages as runs of row lines: a row starts on a new page when it does not
    // fit the rest of this one, and one taller than a page runs on.
    QVector<WrappedRow> wrapped;
    wrapped.reserve(table.rows.size());
    QVector<QVector<Piece>> pages(1);
    int left = linesPerPage;
    for (int r = 0; r < table.rows.size(); ++r) {
        wrapped.append(Wrap(table.rows.at(r), layout.widths, layout.font, device, layout.padding));
        int first = 0;
        int rest = wrapped.last().lines;
        if (rest > left && left < linesPerPage && rest <= linesPerPage) {
            pages.append(QVector<Piece>());
            left = linesPerPage;
        }
        while (rest > 0) {
            if (left == 0) {
                pages.append(QVector<Piece>());
                left = linesPerPage;
            }
            const int n = qMin(rest, left);
            pages.last().append({r, first, n});
            first += n;
            rest -= n;
            left -= n;
        }
    }
    const QString printed =
        QStringLiteral("打印日期：%1").arg(table.printedAt.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    const QPen grid(Qt::gray, qMax<qreal>(1, device->logicalDpiX() / 150.0));

    auto drawRow = [&](qreal y, qreal h, const WrappedRow &row, int firstLine, int count, bool shaded) {
        qreal x = 0;
        if (shaded)
            painter.fillRect(QRectF(0, y, Sum(layout.widths), h), QColor(230, 230, 230));
        for (int c = 0; c < columns; ++c) {
            const QRectF cell(x, y, layout.widths.at(c), h);
            painter.setPen(grid);
            painter.drawRect(cell);
            painter.setPen(Qt::black);
            // Line by line at the layout's spacing: a fallback font's taller
            // lines would otherwise push the last ones out of the cell.
            const QStringList shown = row.cells.at(c).mid(firstLine, count);
            const QRectF inner = cell.adjusted(layout.padding, 0, -layout.padding, 0);
            if (row.lines == 1 && !shown.isEmpty())
                painter.drawText(inner, Qt::AlignLeft | Qt::AlignVCenter, shown.first());
            else
                for (int i = 0; i < shown.size(); ++i)
                    painter.drawText(
                        QRectF(inner.left(), y + layout.padding / 2 + i * line, inner.width(), line),
                        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, shown.at(i));
            x += layout.widths.at(c);
        }
    };

    for (int p = 0; p < pages.size(); ++p) {
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
        drawRow(top, headerHeight, header, 0, header.lines, true);
        painter.setFont(layout.font);
        qreal y = top + headerHeight;
        for (const Piece &piece : qAsConst(pages.at(p))) {
            const qreal h = piece.lineCount * line + layout.padding;
            drawRow(y, h, wrapped.at(piece.row), piece.firstLine, piece.lineCount, false);
            y += h;
        }
        painter.drawText(QRectF(0, pageHeight - footer, pageWidth, footer),
                         Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("第 %1 页，共 %2 页").arg(p + 1).arg(pages.size()));
    }
    if (!painter.end()) {
        *error = QStringLiteral("输出没有完成");
        return 0;
    }
    return pages.size();
}

bool WritePdf(const QString &path, const Table &table, QString *error)
{
    const QFileInfo target(path);
    if (!QFileInfo(target.absolutePath()).isDir()) {
        *error = QStringLiteral("文件夹不存在：%1").arg(target.absolutePath());
        return false;
    }
    // Written beside the target and moved over it when complete, so the
    // reason a file cannot be made (a read-only folder) is the system's own.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("无法创建文件：%1").arg(file.errorString());
        return false;
    }
    int pages = 0;
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
        writer.setTitle(table.title);
        writer.setCreator(QStringLiteral("Quillon"));
        pages = Render(&writer, table, error);
    }
    if (pages == 0) {
        file.cancelWriting();
        if (error->isEmpty())
            *error = QStringLiteral("文件无法创建");
        return false;
    }
    if (!file.commit()) {
        *error = QStringLiteral("无法写入文件：%1").arg(file.errorString());
        return false;
    }
    return true;
}

} // namespace RowsPdf
