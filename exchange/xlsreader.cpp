#include "exchange/xlsreader.h"

#include "exchange/biffrecords.h"
#include "exchange/olecontainer.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <cmath>
#include <cstring>

namespace {

using namespace Biff;

double RkValue(quint32 rk)
{
    double value;
    if (rk & 0x02) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100 : value;
}

bool IsDateCode(QString code)
{
    code.remove(QRegularExpression(QStringLiteral("\"[^\"]*\"")));
    code.remove(QRegularExpression(QStringLiteral("\\\\.")));
    code.remove(QRegularExpression(QStringLiteral("\\[[^\\]]*\\]")));
    code = code.toLower().section(QLatin1Char(';'), 0, 0);
    return code.contains(QLatin1Char('y')) || code.contains(QLatin1Char('d'))
        || code.contains(QLatin1Char('m')) || code.contains(QLatin1Char('h'))
        || code.contains(QLatin1Char('s'));
}

// The text Excel shows for an error value (BoolErr and cached formula results).
QString ErrorText(quint8 code)
{
    switch (code) {
    case 0x00: return QStringLiteral("#NULL!");
    case 0x07: return QStringLiteral("#DIV/0!");
    case 0x0F: return QStringLiteral("#VALUE!");
    case 0x17: return QStringLiteral("#REF!");
    case 0x1D: return QStringLiteral("#NAME?");
    case 0x24: return QStringLiteral("#NUM!");
    case 0x2A: return QStringLiteral("#N/A");
    case 0x2B: return QStringLiteral("#GETTING_DATA");
    default: return QStringLiteral("#N/A");
    }
}

bool IsBuiltInDate(int id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47)
        || (id >= 50 && id <= 58);
}

struct Globals
{
    bool base1904 = false;
    QVector<bool> xfIsDate;
    QStringList strings;
    struct Sheet
    {
        QString name;
        quint32 offset;
    };
    QVector<Sheet> sheets;
};

void PutNumber(WorkbookSheet *sheet, const Globals &g, int row, int column, int xf, double value)
{
    if (!std::isfinite(value))
        return;
    TypedCell cell;
    cell.value = value;
    QString text;
    if (xf >= 0 && xf < g.xfIsDate.size() && g.xfIsDate.at(xf) && value >= 0 && value < 2958466.0) {
        double days = std::floor(value);
        qint64 seconds = qint64(std::llround((value - days) * 86400.0));
        if (seconds >= 86400) {
            days += 1;
            seconds -= 86400;
        }
        QDate date;
        if (g.base1904)
            date = QDate(1904, 1, 1).addDays(qint64(days));
        else if (days < 60)
            date = QDate(1899, 12, 31).addDays(qint64(days));
        else
            date = QDate(1899, 12, 30).addDays(qint64(days));
        text = date.toString(QStringLiteral("yyyy-MM-dd"));
        cell.kind = TypedCell::Date;
        if (seconds != 0) {
            text += QLatin1Char(' ') + QTime(0, 0).addSecs(int(seconds)).toString(QStringLiteral("hh:mm:ss"));
            cell.kind = TypedCell::DateTime;
        }
    } else {
        text = WorkbookFile::NumberToText(value);
        cell.kind = TypedCell::Number;
    }
    sheet->SetTyped(row, column, text, cell);
}

// Cells beyond the readable columns are left out; the sheet is marked.
bool Fits(WorkbookSheet *sheet, int column, bool hasText)
{
    if (column < WorkbookFile::MaxReadColumns)
        return true;
    if (hasText)
        sheet->tooWide = true;
    return false;
}

bool ReadGlobals(Records &records, Globals *g, QString *error)
{
    QHash<int, bool> dateFormats;
    Record r;
    bool damaged = false;
    bool first = true;
    while (records.Next(&r, &damaged)) {
        Cursor c = r.At();
        if (first) {
            first = false;
            const quint16 version = c.U16();
            const quint16 type = c.U16();
            if (r.id != Bof || version != 0x0600 || type != 0x0005) {
                *error = QStringLiteral("只能读取 Excel 97-2003（BIFF8）格式的工作簿");
                return false;
            }
            continue;
        }
        switch (r.id) {
        case Eof: return true;
        case FilePass: *error = QStringLiteral("工作簿有密码保护，无法读取"); return false;
        case DateMode: g->base1904 = c.U16() == 1; break;
        case Format: {
            const int id = c.U16();
            const QString code = UnicodeString(c, false);
            dateFormats.insert(id, IsDateCode(code));
            break;
        }
        case Xf: {
            c.U16(); // font
            const int format = c.U16();
            g->xfIsDate.append(dateFormats.contains(format) ? dateFormats.value(format)
                                                            : IsBuiltInDate(format));
            break;
        }
        case BoundSheet: {
            const quint32 offset = c.U32();
            c.U8(); // visibility
            const quint8 type = c.U8();
            const QString name = UnicodeString(c, true);
            if (c.Failed()) {
                damaged = true;
                break;
            }
            if (type != 0) // worksheets only, as Worksheets(n) counts them
                break;
            if (g->sheets.size() >= WorkbookFile::MaxSheets) {
                *error = QStringLiteral("工作簿列出超过 %1 个工作表，不予读取").arg(WorkbookFile::MaxSheets);
                return false;
            }
            g->sheets.append({name, offset});
            break;
        }
        case Sst: {
            QVector<QByteArray> pieces{QByteArray::fromRawData(r.data, r.size)};
            records.Continues(&pieces, &damaged);
            if (r.size < 8) {
                damaged = true;
                break;
            }
            c.U32();                       // uses
            const quint32 count = c.U32(); // unique strings
            pieces[0] = QByteArray::fromRawData(r.data + 8, r.size - 8);
            PieceReader reader(pieces);
            for (quint32 i = 0; i < count && !reader.Failed(); ++i) {
                // More strings counted than the records hold: damaged.
                if (reader.AtEnd()) {
                    damaged = true;
                    break;
                }
                g->strings.append(reader.String());
            }
            damaged = damaged || reader.Failed();
            break;
        }
        default: break;
        }
        if (c.Failed())
            damaged = true;
        if (damaged)
            break;
    }
    *error = QStringLiteral("工作簿已损坏（工作簿信息不完整），无法读取");
    return false;
}

// Reads one sheet's substream into sheet. Every cell record counts against
// cellBudget, blank ones included.
bool ReadSheet(Records &records, const Globals &g, WorkbookSheet *sheet, qint64 *cellBudget, QString *error)
{
    Record r;
    bool damaged = false;
    if (!records.Next(&r, &damaged) || r.id != Bof || r.size < 4) {
        *error = QStringLiteral("工作表“%1”的位置不对，工作簿已损坏").arg(sheet->name);
        return false;
    }
    // A FORMULA whose result is text is followed by a STRING with the text.
    int pendingRow = -1;
    int pendingColumn = -1;
    while (records.Next(&r, &damaged)) {
        Cursor c = r.At();
        switch (r.id) {
        case Blank:
        case LabelSst:
        case Label:
        case Number:
        case Rk:
        case BoolErr:
        case Formula: *cellBudget -= 1; break;
        case MulRk:
        case MulBlank: *cellBudget -= qMax(1, r.size / 2); break;
        default: break;
        }
        if (*cellBudget < 0) {
            *error = QStringLiteral("工作表“%1”超过 %2 个单元格，不予读取")
                         .arg(sheet->name)
                         .arg(WorkbookFile::MaxCells);
            return false;
        }
        switch (r.id) {
        case Eof: return true;
        case Bof: // an embedded substream (chart): skip to its end
            while (records.Next(&r, &damaged) && r.id != Eof) {}
            break;
        case Dimensions: {
            const quint32 firstRow = c.U32();
            const quint32 lastRow = c.U32();
            const int firstColumn = c.U16();
            const int lastColumn = c.U16();
            // The declared box counts for the extent (blank cells included),
            // within the format's limits.
            if (!c.Failed() && lastRow > firstRow && lastColumn > firstColumn
                && lastRow <= quint32(WorkbookFile::XlsMaxRows)
                && lastColumn <= WorkbookFile::XlsMaxColumns) {
                const int lc = qMin(lastColumn, WorkbookFile::MaxReadColumns);
                if (firstColumn < lc) {
                    sheet->SetText(int(firstRow), firstColumn, QString());
                    sheet->SetText(int(lastRow) - 1, lc - 1, QString());
                }
            }
            break;
        }
        case Blank: {
            const int row = c.U16();
            const int column = c.U16();
            if (!c.Failed() && Fits(sheet, column, false))
                sheet->SetText(row, column, QString());
            break;
        }
        case MulBlank: {
            const int row = c.U16();
            const int first = c.U16();
            const int count = (r.size - 6) / 2;
            if (!c.Failed() && count > 0 && Fits(sheet, first, false))
                sheet->SetText(row, qMin(first + count - 1, WorkbookFile::MaxReadColumns - 1), QString());
            break;
        }
        case LabelSst: {
            const int row = c.U16();
            const int column = c.U16();
            c.U16();
            const quint32 index = c.U32();
            if (c.Failed())
                break;
            if (index >= quint32(g.strings.size())) {
                if (Fits(sheet, column, true))
                    sheet->SetUnreadable(row, column,
                                         QStringLiteral("第%1列的共享字符串序号 %2 超出范围（共 %3 个）")
                                             .arg(column + 1)
                                             .arg(index)
                                             .arg(g.strings.size()));
                break;
            }
            const QString &text = g.strings.at(int(index));
            if (Fits(sheet, column, !text.isEmpty()))
                sheet->SetText(row, column, text);
            break;
        }
        case Label: {
            const int row = c.U16();
            const int column = c.U16();
            c.U16();
            const QString text = UnicodeString(c, false);
            if (!c.Failed() && Fits(sheet, column, !text.isEmpty()))
                sheet->SetText(row, column, text);
            break;
        }
        case Number: {
            const int row = c.U16();
            const int column = c.U16();
            const int xf = c.U16();
            const double value = c.F64();
            if (!c.Failed() && Fits(sheet, column, true))
                PutNumber(sheet, g, row, column, xf, value);
            break;
        }
        case Rk: {
            const int row = c.U16();
            const int column = c.U16();
            const int xf = c.U16();
            const quint32 rk = c.U32();
            if (!c.Failed() && Fits(sheet, column, true))
                PutNumber(sheet, g, row, column, xf, RkValue(rk));
            break;
        }
        case MulRk: {
            const int row = c.U16();
            const int first = c.U16();
            const int count = (r.size - 6) / 6;
            for (int i = 0; i < count && !c.Failed(); ++i) {
                const int xf = c.U16();
                const quint32 rk = c.U32();
                if (!c.Failed() && Fits(sheet, first + i, true))
                    PutNumber(sheet, g, row, first + i, xf, RkValue(rk));
            }
            break;
        }
        case BoolErr: {
            const int row = c.U16();
            const int column = c.U16();
            c.U16();
            const quint8 value = c.U8();
            const quint8 isError = c.U8();
            if (c.Failed() || !Fits(sheet, column, true))
                break;
            if (isError) {
                sheet->SetText(row, column, ErrorText(value));
            } else {
                TypedCell cell;
                cell.kind = TypedCell::Boolean;
                cell.value = value ? 1 : 0;
                sheet->SetTyped(row, column, value ? QStringLiteral("TRUE") : QStringLiteral("FALSE"), cell);
            }
            break;
        }
        case Formula: {
            pendingRow = pendingColumn = -1;
            const int row = c.U16();
            const int column = c.U16();
            const int xf = c.U16();
            if (!c.Has(8) || c.Failed())
                break;
            // The cached result: a number, or a marker (0xFFFF in the top bytes).
            Cursor result(r.data + 6, 8);
            const quint8 kind = result.U8();
            result.Skip(1);
            const quint8 value = result.U8();
            result.Skip(3);
            const quint16 marker = result.U16();
            if (!Fits(sheet, column, true))
                break;
            ++sheet->formulaCells;
            if (marker != 0xFFFF) {
                PutNumber(sheet, g, row, column, xf, c.F64());
            } else if (kind == 0) {
                pendingRow = row;
                pendingColumn = column;
            } else if (kind == 1) {
                TypedCell cell;
                cell.kind = TypedCell::Boolean;
                cell.value = value ? 1 : 0;
                sheet->SetTyped(row, column, value ? QStringLiteral("TRUE") : QStringLiteral("FALSE"), cell);
            } else if (kind == 2) {
                sheet->SetText(row, column, ErrorText(value));
            } else {
                sheet->SetText(row, column, QString());
            }
            continue; // keeps the pending cell for its STRING
        }
        case String: {
            if (pendingRow < 0)
                break;
            QVector<QByteArray> pieces{QByteArray::fromRawData(r.data, r.size)};
            records.Continues(&pieces, &damaged);
            PieceReader reader(pieces);
            const QString text = reader.String();
            if (reader.Failed())
                damaged = true;
            else
                sheet->SetText(pendingRow, pendingColumn, text);
            break;
        }
        default: break;
        }
        pendingRow = pendingColumn = -1;
        if (damaged)
            break;
    }
    *error = QStringLiteral("工作表“%1”已损坏（记录不完整），无法读取").arg(sheet->name);
    return false;
}

} // namespace

bool XlsReader::ReadStream(const QByteArray &stream, Workbook *book, QString *error, int onlySheet)
{
    Records records(stream);
    Globals g;
    if (!ReadGlobals(records, &g, error))
        return false;
    qint64 cellBudget = WorkbookFile::MaxCells;
    QSet<quint32> parsed;
    for (int i = 0; i < g.sheets.size(); ++i) {
        const Globals::Sheet &entry = g.sheets.at(i);
        WorkbookSheet sheet;
        sheet.name = entry.name;
        if (onlySheet > 0 && i + 1 != onlySheet) {
            // Only the name: a damaged or huge other sheet costs nothing.
            sheet.unread = true;
            book->sheets.append(sheet);
            continue;
        }
        if (entry.offset >= quint32(stream.size())) {
            *error = QStringLiteral("工作表“%1”的位置在文件之外，工作簿已损坏").arg(entry.name);
            return false;
        }
        // Each substream once: sheets sharing one are a damaged book.
        if (parsed.contains(entry.offset)) {
            *error = QStringLiteral("工作表“%1”与另一个工作表位置相同，工作簿已损坏").arg(entry.name);
            return false;
        }
        parsed.insert(entry.offset);
        records.Seek(int(entry.offset));
        if (!ReadSheet(records, g, &sheet, &cellBudget, error))
            return false;
        // A row's place costs memory even when the row is blank.
        cellBudget -= sheet.rows.size();
        book->sheets.append(sheet);
    }
    return true;
}

bool XlsReader::Read(const QString &path, Workbook *book, QString *error, int onlySheet)
{
    QString reason;
    const QByteArray stream = OleContainer::WorkbookStream(path, &reason);
    if (stream.isEmpty() || !ReadStream(stream, book, &reason, onlySheet)) {
        *error = QStringLiteral("无法读取 Excel 97-2003 工作簿 %1：%2").arg(path, reason);
        return false;
    }
    return true;
}
