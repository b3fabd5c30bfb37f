#include "exchange/xlsxreader.h"

#include "exchange/xlsxpackage.h"

#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

#include <cmath>

namespace {

// Text escapes of the format: _xHHHH_ stands for one UTF-16 unit.
QString DecodeEscapes(const QString &text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    static const QRegularExpression escape(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString out;
    int last = 0;
    auto it = escape.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += text.midRef(last, m.capturedStart() - last);
        out += QChar(ushort(m.captured(1).toUInt(nullptr, 16)));
        last = m.capturedEnd();
    }
    out += text.midRef(last);
    return out;
}

QString TooManyElements()
{
    return QStringLiteral("部件的元素超过 %1 个，不予读取").arg(WorkbookFile::MaxCells * 3);
}

// Collects the text of every <t> below the current element (a shared string
// <si> or an inline <is>), leaving out phonetic runs, until the element ends.
QString ReadRichText(QXmlStreamReader &xml, qint64 *elements)
{
    QString text;
    int phonetic = 0;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (--*elements < 0) {
                xml.raiseError(TooManyElements());
                break;
            }
            if (xml.name() == QLatin1String("rPh")) {
                ++phonetic;
                ++depth;
            } else if (xml.name() == QLatin1String("t")) {
                const QString part = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                if (phonetic == 0)
                    text += part;
            } else {
                ++depth;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (xml.name() == QLatin1String("rPh"))
                --phonetic;
            --depth;
        }
    }
    return DecodeEscapes(text);
}

// "B3" -> column 1, row 2. Either part may be missing (-1).
void ParseCellRef(const QStringRef &ref, int *row, int *column)
{
    int col = 0;
    int i = 0;
    bool letters = false;
    for (; i < ref.size(); ++i) {
        const QChar ch = ref.at(i).toUpper();
        if (ch == QLatin1Char('$'))
            continue;
        if (ch < QLatin1Char('A') || ch > QLatin1Char('Z'))
            break;
        letters = true;
        col = col * 26 + (ch.unicode() - 'A' + 1);
        if (col > WorkbookFile::XlsxMaxColumns)
            break;
    }
    *column = letters ? col - 1 : -1;
    bool ok = false;
    const int r = ref.mid(i).toString().remove(QLatin1Char('$')).toInt(&ok);
    *row = ok ? r - 1 : -1;
}

bool IsDateFormatCode(QString code)
{
    // Drop quoted literals, escaped characters and bracketed sections
    // (colours, conditions, locales) before looking for date letters.
    code.remove(QRegularExpression(QStringLiteral("\"[^\"]*\"")));
    code.remove(QRegularExpression(QStringLiteral("\\\\.")));
    code.remove(QRegularExpression(QStringLiteral("\\[[^\\]]*\\]")));
    code = code.toLower();
    // Only the first section counts: the positive numbers.
    code = code.section(QLatin1Char(';'), 0, 0);
    return code.contains(QLatin1Char('y')) || code.contains(QLatin1Char('d'))
        || code.contains(QLatin1Char('h')) || code.contains(QLatin1Char('s'))
        || code.contains(QLatin1Char('m'));
}

bool IsTimeOnlyCode(QString code)
{
    code.remove(QRegularExpression(QStringLiteral("\"[^\"]*\"")));
    code.remove(QRegularExpression(QStringLiteral("\\[[^\\]]*\\]")));
    code = code.toLower().section(QLatin1Char(';'), 0, 0);
    return !code.contains(QLatin1Char('y')) && !code.contains(QLatin1Char('d'))
        && (code.contains(QLatin1Char('h')) || code.contains(QLatin1Char('s')));
}

enum class DateKind { None, Date, Time };

DateKind BuiltInDateKind(int id)
{
    if ((id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 31) || (id >= 34 && id <= 36)
        || (id >= 50 && id <= 58))
        return DateKind::Date;
    if ((id >= 18 && id <= 21) || (id >= 32 && id <= 33) || (id >= 45 && id <= 47))
        return DateKind::Time;
    return DateKind::None;
}

QString DateText(double serial, DateKind kind, bool base1904)
{
    if (serial < 0 || serial > 2958465.0)
        return WorkbookFile::NumberToText(serial);
    double days = std::floor(serial);
    qint64 seconds = qint64(std::llround((serial - days) * 86400.0));
    if (seconds >= 86400) {
        days += 1;
        seconds -= 86400;
    }
    const QTime time = QTime(0, 0).addSecs(int(seconds));
    if (kind == DateKind::Time && days == 0)
        return time.toString(QStringLiteral("hh:mm:ss"));
    QDate date;
    if (base1904)
        date = QDate(1904, 1, 1).addDays(qint64(days));
    else if (days < 60)
        date = QDate(1899, 12, 31).addDays(qint64(days)); // before the phantom 1900-02-29
    else
        date = QDate(1899, 12, 30).addDays(qint64(days));
    if (kind == DateKind::Time)
        return WorkbookFile::NumberToText(serial);
    if (seconds == 0)
        return date.toString(QStringLiteral("yyyy-MM-dd"));
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ')
        + time.toString(QStringLiteral("hh:mm:ss"));
}

struct SheetEntry
{
    QString name;
    QString relId;
};

struct Styles
{
    QVector<DateKind> xfDateKind; // per cell format index
};

// Most cell formats read: Excel keeps at most 64,000; a part listing more
// is read only that far (a cell naming a later one reads as a plain number).
constexpr int kMaxStyles = 65536;

// Reads the cell formats' date kinds; stops early, keeping what it read, at
// kMaxStyles formats or three million elements.
QString ReadStyles(QXmlStreamReader &xml, Styles *styles)
{
    QHash<int, DateKind> custom; // numFmtId -> kind, worked out once per format
    bool inCellXfs = false;
    qint64 elements = WorkbookFile::MaxCells * 3;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (--elements < 0)
                break;
            if (xml.name() == QLatin1String("numFmt")) {
                if (custom.size() >= kMaxStyles)
                    continue;
                const QString code = xml.attributes().value(QLatin1String("formatCode")).toString();
                custom.insert(xml.attributes().value(QLatin1String("numFmtId")).toInt(),
                              !IsDateFormatCode(code)    ? DateKind::None
                                  : IsTimeOnlyCode(code) ? DateKind::Time
                                                         : DateKind::Date);
            } else if (xml.name() == QLatin1String("cellXfs")) {
                inCellXfs = true;
            } else if (inCellXfs && xml.name() == QLatin1String("xf")) {
                const int id = xml.attributes().value(QLatin1String("numFmtId")).toInt();
                styles->xfDateKind.append(custom.value(id, BuiltInDateKind(id)));
                if (styles->xfDateKind.size() >= kMaxStyles)
                    break;
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("cellXfs")) {
            inCellXfs = false;
        }
    }
    return QString();
}

// A plain decimal of at most 15 significant digits as a spreadsheet shows
// it ("007.50" -> "7.5"), without going through a double; empty for any
// other form, which takes the general way.
QString PlainDecimal(const QString &value)
{
    const int size = value.size();
    int i = value.startsWith(QLatin1Char('-')) ? 1 : 0;
    int dot = -1;
    int digits = 0;
    for (int k = i; k < size; ++k) {
        const QChar ch = value.at(k);
        if (ch == QLatin1Char('.') && dot < 0)
            dot = k;
        else if (ch.unicode() >= '0' && ch.unicode() <= '9')
            digits += digits > 0 || ch != QLatin1Char('0') ? 1 : 0;
        else
            return QString();
    }
    if (digits > 15 || size == i || dot == i || dot == size - 1)
        return QString();
    int end = size;
    if (dot >= 0) {
        while (value.at(end - 1) == QLatin1Char('0'))
            --end;
        if (end - 1 == dot)
            end = dot;
    }
    int start = i;
    while (start < (dot >= 0 ? dot : end) - 1 && value.at(start) == QLatin1Char('0'))
        ++start;
    const QString magnitude = value.mid(start, end - start);
    if (magnitude == QLatin1String("0"))
        return magnitude;
    return i ? QLatin1Char('-') + magnitude : magnitude;
}

QString CellValueText(const QString &type, const QString &value, const QString &inlineText,
                      const QStringList &shared, DateKind dateKind, bool base1904)
{
    if (type == QLatin1String("s")) {
        bool ok = false;
        const int index = value.trimmed().toInt(&ok);
        return (ok && index >= 0 && index < shared.size()) ? shared.at(index) : QString();
    }
    if (type == QLatin1String("inlineStr"))
        return inlineText.isNull() ? DecodeEscapes(value) : inlineText;
    if (type == QLatin1String("str") || type == QLatin1String("e"))
        return DecodeEscapes(value);
    if (type == QLatin1String("b"))
        return value.trimmed() == QLatin1String("1") || value.trimmed() == QLatin1String("true")
            ? QStringLiteral("TRUE")
            : QStringLiteral("FALSE");
    if (type == QLatin1String("d")) {
        const QDateTime when = QDateTime::fromString(value.trimmed(), Qt::ISODate);
        if (!when.isValid())
            return value;
        return when.time() == QTime(0, 0) ? when.date().toString(QStringLiteral("yyyy-MM-dd"))
                                          : when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    }
    if (value.isEmpty())
        return QString();
    if (dateKind == DateKind::None) {
        const QString plain = PlainDecimal(value);
        if (!plain.isEmpty())
            return plain;
    }
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    if (!ok)
        return value;
    if (dateKind != DateKind::None)
        return DateText(number, dateKind, base1904);
    return WorkbookFile::NumberToText(number);
}

QString TooMuchText()
{
    return QStringLiteral("工作簿的文字超过 %1 个字符，不予读取").arg(WorkbookFile::MaxTextChars);
}

QString CellName(int row, int column)
{
    QString name;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        name.prepend(QChar('A' + (c - 1) % 26));
    return name + QString::number(row + 1);
}

// Reads the cells of a worksheet part into sheet; an empty text when the
// part was read to its end, else why reading stopped. Every cell element
// counts against cellBudget, blank ones included; every element of the part
// against three times that, as parsing takes its time per element.
QString ReadSheet(QXmlStreamReader &xml, const QStringList &shared, const Styles &styles, bool base1904,
                  WorkbookSheet *sheet, qint64 *cellBudget, qint64 *textBudget)
{
    qint64 elements = WorkbookFile::MaxCells * 3;
    int row = -1;
    int column = -1;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (--elements < 0)
            return TooManyElements();
        if (xml.name() == QLatin1String("row")) {
            const QStringRef r = xml.attributes().value(QLatin1String("r"));
            bool ok = false;
            const int number = r.toInt(&ok);
            row = ok && number > 0 ? number - 1 : row + 1;
            column = -1;
        } else if (xml.name() == QLatin1String("c")) {
            const QXmlStreamAttributes a = xml.attributes();
            int refRow = -1;
            int refColumn = -1;
            if (a.hasAttribute(QLatin1String("r")))
                ParseCellRef(a.value(QLatin1String("r")), &refRow, &refColumn);
            if (row < 0)
                row = 0;
            if (refRow >= 0)
                row = refRow;
            column = refColumn >= 0 ? refColumn : column + 1;
            if (--*cellBudget < 0)
                return QStringLiteral("工作表“%1”超过 %2 个单元格，不予读取")
                    .arg(sheet->name)
                    .arg(WorkbookFile::MaxCells);
            const QString type = a.value(QLatin1String("t")).toString();
            bool styleOk = false;
            const int style = a.value(QLatin1String("s")).toInt(&styleOk);
            const DateKind dateKind = styleOk && style >= 0 && style < styles.xfDateKind.size()
                ? styles.xfDateKind.at(style)
                : DateKind::None;
            QString value;
            QString inlineText;
            bool formula = false;
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isEndElement() && xml.name() == QLatin1String("c"))
                    break;
                if (!xml.isStartElement())
                    continue;
                if (--elements < 0)
                    return TooManyElements();
                if (xml.name() == QLatin1String("v"))
                    value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                else if (xml.name() == QLatin1String("is"))
                    inlineText = ReadRichText(xml, &elements);
                else {
                    formula = formula || xml.name() == QLatin1String("f");
                    xml.skipCurrentElement();
                }
            }
            if (row >= WorkbookFile::XlsxMaxRows || column >= WorkbookFile::XlsxMaxColumns)
                continue;
            if (type == QLatin1String("s")) {
                bool ok = false;
                const int index = value.trimmed().toInt(&ok);
                if (!ok || index < 0 || index >= shared.size()) {
                    if (column < WorkbookFile::MaxReadColumns)
                        sheet->SetUnreadable(row, column,
                                             QStringLiteral("单元格 %1 的共享字符串序号“%2”无效（共 %3 个）")
                                                 .arg(CellName(row, column), value.trimmed().left(20))
                                                 .arg(shared.size()));
                    else
                        sheet->tooWide = true;
                    continue;
                }
            }
            const QString text = CellValueText(type, value, inlineText, shared, dateKind, base1904);
            // Shared strings were counted once when read; a cell's own text counts here.
            if (type != QLatin1String("s") && (*textBudget -= text.size()) < 0)
                return TooMuchText();
            if (column >= WorkbookFile::MaxReadColumns) {
                // Kept out: a far cell must not make every row that wide.
                if (!text.isEmpty())
                    sheet->tooWide = true;
                continue;
            }
            if (formula)
                ++sheet->formulaCells;
            TypedCell cell;
            cell.xlsxStyle = styleOk && style >= 0 ? style : -1;
            bool number = false;
            cell.value = value.trimmed().toDouble(&number);
            if (type == QLatin1String("b")) {
                cell.kind = TypedCell::Boolean;
                cell.value = text == QLatin1String("TRUE") ? 1 : 0;
            } else if ((type.isEmpty() || type == QLatin1String("n")) && number && !text.isEmpty()) {
                cell.kind = dateKind == DateKind::Date
                    ? (text.contains(QLatin1Char(' ')) ? TypedCell::DateTime : TypedCell::Date)
                    : TypedCell::Number;
            } else {
                sheet->SetText(row, column, text);
                continue;
            }
            sheet->SetTyped(row, column, text, cell);
        }
    }
    return QString();
}

} // namespace

bool XlsxReader::Read(const QString &path, Workbook *book, QString *error, int onlySheet)
{
    XlsxPackage package(path);
    QString reason;
    if (!package.Open(&reason)) {
        *error = QStringLiteral("无法读取工作簿 %1：%2").arg(path, reason);
        return false;
    }
    QString workbookPart =
        XlsxPackage::FindTarget(package.RelationshipsOf(QString()), QStringLiteral("/officeDocument"));
    if (workbookPart.isEmpty() || !package.Has(workbookPart))
        workbookPart = QStringLiteral("xl/workbook.xml");

    QVector<SheetEntry> entries;
    bool base1904 = false;
    const bool listed = package.ParsePart(
        workbookPart,
        [&](QXmlStreamReader &xml) {
            qint64 elements = WorkbookFile::MaxCells * 3;
            while (!xml.atEnd()) {
                xml.readNext();
                if (!xml.isStartElement())
                    continue;
                if (--elements < 0)
                    return TooManyElements();
                if (xml.name() == QLatin1String("workbookPr")) {
                    const QStringRef d = xml.attributes().value(QLatin1String("date1904"));
                    base1904 = d == QLatin1String("1") || d == QLatin1String("true");
                } else if (xml.name() == QLatin1String("sheet")) {
                    if (entries.size() >= WorkbookFile::MaxSheets)
                        return QStringLiteral("工作簿列出超过 %1 个工作表，不予读取")
                            .arg(WorkbookFile::MaxSheets);
                    SheetEntry entry;
                    for (const QXmlStreamAttribute &attr : xml.attributes()) {
                        if (attr.name() == QLatin1String("name") && attr.prefix().isEmpty())
                            entry.name = attr.value().toString();
                        else if (attr.name() == QLatin1String("id") && !attr.prefix().isEmpty())
                            entry.relId = attr.value().toString();
                    }
                    entries.append(entry);
                }
            }
            return QString();
        },
        &reason);
    if (!listed) {
        *error = QStringLiteral("不是可以读取的 Excel 工作簿 %1：%2").arg(path, reason);
        return false;
    }

    const auto rels = package.RelationshipsOf(workbookPart);
    // The worksheets in order with their parts; chart and dialog sheets are
    // not worksheets (Worksheets(n) skips them).
    QVector<WorkbookSheet> sheets;
    for (const SheetEntry &entry : qAsConst(entries)) {
        for (const auto &rel : rels) {
            if (rel.first == entry.relId) {
                if (rel.second.type.endsWith(QLatin1String("/worksheet"), Qt::CaseInsensitive)) {
                    WorkbookSheet sheet;
                    sheet.name = entry.name;
                    sheet.part = rel.second.target;
                    sheet.unread = true;
                    sheets.append(sheet);
                }
                break;
            }
        }
    }
    if (onlySheet > sheets.size() || sheets.isEmpty()) {
        book->sheets = sheets; // the caller tells how many there are
        return true;
    }

    QStringList shared;
    qint64 textBudget = WorkbookFile::MaxTextChars;
    const QString sharedPart = XlsxPackage::FindTarget(rels, QStringLiteral("/sharedStrings"));
    if (!sharedPart.isEmpty() && package.Has(sharedPart)) {
        const bool ok = package.ParsePart(
            sharedPart,
            [&](QXmlStreamReader &xml) {
                qint64 elements = WorkbookFile::MaxCells * 3;
                while (!xml.atEnd()) {
                    xml.readNext();
                    if (xml.isStartElement() && --elements < 0)
                        return TooManyElements();
                    if (xml.isStartElement() && xml.name() == QLatin1String("si")) {
                        if (shared.size() >= WorkbookFile::MaxCells)
                            return QStringLiteral("共享字符串超过 %1 个，不予读取")
                                .arg(WorkbookFile::MaxCells);
                        shared.append(ReadRichText(xml, &elements));
                        if ((textBudget -= shared.last().size()) < 0)
                            return TooMuchText();
                    }
                }
                return QString();
            },
            &reason);
        if (!ok) {
            *error = QStringLiteral("无法读取工作簿 %1 的共享字符串：%2").arg(path, reason);
            return false;
        }
    }
    // Formats only tell dates from numbers: a damaged styles part is no reason to refuse the book.
    Styles styles;
    const QString stylesPart = XlsxPackage::FindTarget(rels, QStringLiteral("/styles"));
    if (!stylesPart.isEmpty() && package.Has(stylesPart))
        (void)package.ParsePart(
            stylesPart, [&](QXmlStreamReader &xml) { return ReadStyles(xml, &styles); }, &reason);

    qint64 cellBudget = WorkbookFile::MaxCells;
    QSet<QString> parsed;
    for (int i = 0; i < sheets.size(); ++i) {
        WorkbookSheet &sheet = sheets[i];
        if (onlySheet > 0 && i + 1 != onlySheet)
            continue;
        // Each part once: a book listing one part many times is damaged.
        if (parsed.contains(XlsxPackage::NormalisedName(sheet.part))) {
            *error = QStringLiteral("工作簿 %1 的工作表“%2”与另一个工作表是同一部件，工作簿已损坏")
                         .arg(path, sheet.name);
            return false;
        }
        parsed.insert(XlsxPackage::NormalisedName(sheet.part));
        sheet.unread = false;
        const bool ok = package.ParsePart(
            sheet.part,
            [&](QXmlStreamReader &xml) {
                return ReadSheet(xml, shared, styles, base1904, &sheet, &cellBudget, &textBudget);
            },
            &reason);
        if (!ok) {
            *error = QStringLiteral("无法读取工作簿 %1 的工作表“%2”：%3").arg(path, sheet.name, reason);
            return false;
        }
        // A row's place costs memory even when the row is blank.
        cellBudget -= sheet.rows.size();
    }
    book->sheets = sheets;
    return true;
}
