#include "exchange/xlsxfilewriter.h"

#include <QRegularExpression>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <zlib.h>

namespace {

QString ColumnName(int column)
{
    QString name;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        name.prepend(QChar('A' + (c - 1) % 26));
    return name;
}

QString CellRef(int row, int column) { return ColumnName(column) + QString::number(row + 1); }

// XML text; characters XML cannot carry go in the format's _xHHHH_ escape,
// and a literal "_xHHHH_" has its underscore escaped so it reads back as is.
QByteArray Escaped(const QString &text)
{
    static const QRegularExpression literal(QStringLiteral("_(x[0-9A-Fa-f]{4}_)"));
    QString in = text;
    if (in.contains(QLatin1String("_x")))
        in.replace(literal, QStringLiteral("_x005F_\\1"));
    QString out;
    out.reserve(in.size() + 16);
    for (int i = 0; i < in.size(); ++i) {
        const QChar ch = in.at(i);
        const ushort u = ch.unicode();
        if (ch.isHighSurrogate() && i + 1 < in.size() && in.at(i + 1).isLowSurrogate()) {
            out += ch;
            out += in.at(++i);
        } else if (u == '&') {
            out += QLatin1String("&amp;");
        } else if (u == '<') {
            out += QLatin1String("&lt;");
        } else if (u == '>') {
            out += QLatin1String("&gt;");
        } else if (u == '"') {
            out += QLatin1String("&quot;");
        } else if ((u < 0x20 && u != '\t' && u != '\n') || u == '\r' || ch.isSurrogate() || u == 0xFFFE
                   || u == 0xFFFF) {
            out += QLatin1String("_x") + QString::number(u, 16).toUpper().rightJustified(4, QLatin1Char('0'))
                + QLatin1Char('_');
        } else {
            out += ch;
        }
    }
    return out.toUtf8();
}

const char kSheetHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                          "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">";

bool AddEntry(QuaZip &zip, const QString &name, const QByteArray &data, QString *error)
{
    QuaZipFile file(&zip);
    QuaZipNewInfo info(name);
    info.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    if (!file.open(QIODevice::WriteOnly, info, nullptr, 0, Z_DEFLATED, Z_DEFAULT_COMPRESSION)
        || file.write(data) != data.size()) {
        *error = QStringLiteral("无法写入部件 %1").arg(name);
        return false;
    }
    file.close();
    if (file.getZipError() != UNZ_OK) {
        *error = QStringLiteral("无法写入部件 %1").arg(name);
        return false;
    }
    return true;
}

QString PartKey(QString name)
{
    while (name.startsWith(QLatin1Char('/')))
        name.remove(0, 1);
    return name.toLower();
}

} // namespace

QByteArray XlsxFileWriter::SheetXml(const WorkbookSheet &sheet, bool keepTypes)
{
    QByteArray xml(kSheetHead);
    if (!sheet.IsEmpty()) {
        xml += "<dimension ref=\"" + CellRef(sheet.firstRow, sheet.firstColumn).toLatin1() + ':'
            + CellRef(sheet.lastRow, sheet.lastColumn).toLatin1() + "\"/>";
    }
    xml += "<sheetData>";
    if (!sheet.IsEmpty()) {
        // Blank cells only where the extent needs them: its two corners, and
        // in rows that hold text (so a blank edge column survives).
        const int lastData = qMin(sheet.LastDataRow(), sheet.lastRow);
        QVector<int> rows;
        for (int r = sheet.firstRow; r <= lastData; ++r) {
            if (!sheet.rows.at(r).isEmpty() || r == sheet.firstRow)
                rows.append(r);
        }
        if (rows.isEmpty() || rows.last() != sheet.lastRow)
            rows.append(sheet.lastRow);
        if (rows.first() != sheet.firstRow)
            rows.prepend(sheet.firstRow);
        for (int r : qAsConst(rows)) {
            const bool hasData = r < sheet.rows.size() && !sheet.rows.at(r).isEmpty();
            xml += "<row r=\"" + QByteArray::number(r + 1) + "\">";
            for (int c = sheet.firstColumn; c <= sheet.lastColumn; ++c) {
                const QString text = sheet.Text(r, c);
                const QByteArray ref = CellRef(r, c).toLatin1();
                const TypedCell *typed = keepTypes ? sheet.Typed(r, c) : nullptr;
                if (typed) {
                    const QByteArray style = typed->xlsxStyle >= 0
                        ? " s=\"" + QByteArray::number(typed->xlsxStyle) + '"'
                        : QByteArray();
                    if (typed->kind == TypedCell::Boolean)
                        xml += "<c r=\"" + ref + '"' + style + " t=\"b\"><v>"
                            + (typed->value != 0 ? "1" : "0") + "</v></c>";
                    else
                        xml += "<c r=\"" + ref + '"' + style + "><v>"
                            + QByteArray::number(typed->value, 'g', 17) + "</v></c>";
                } else if (!text.isEmpty()) {
                    xml += "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">"
                        + Escaped(text) + "</t></is></c>";
                } else if (hasData || (r == sheet.firstRow && c == sheet.firstColumn)
                           || (r == sheet.lastRow && c == sheet.lastColumn)) {
                    xml += "<c r=\"" + ref + "\"/>";
                }
            }
            xml += "</row>";
        }
    }
    xml += "</sheetData></worksheet>";
    return xml;
}

bool XlsxFileWriter::Write(const QString &path, const Workbook &book, QString *error)
{
    if (book.sheets.isEmpty()) {
        *error = QStringLiteral("工作簿中没有工作表");
        return false;
    }
    const QStringList names = WorkbookFile::SafeSheetNames(book);
    for (int s = 0; s < book.sheets.size(); ++s) {
        const WorkbookSheet &sheet = book.sheets.at(s);
        if (!sheet.IsEmpty()
            && (sheet.lastRow >= WorkbookFile::XlsxMaxRows
                || sheet.lastColumn >= WorkbookFile::XlsxMaxColumns)) {
            *error = QStringLiteral("工作表“%1”超出 .xlsx 的行列上限").arg(names.at(s));
            return false;
        }
        for (const QStringList &row : sheet.rows) {
            for (const QString &text : row) {
                if (text.size() > WorkbookFile::MaxCellLength) {
                    *error = QStringLiteral("工作表“%1”中有超过 32767 个字符的单元格").arg(names.at(s));
                    return false;
                }
            }
        }
    }

    QByteArray types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/styles.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
    QByteArray workbook =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>";
    QByteArray rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (int s = 0; s < book.sheets.size(); ++s) {
        const QByteArray n = QByteArray::number(s + 1);
        types += "<Override PartName=\"/xl/worksheets/sheet" + n
            + ".xml\" "
              "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
        workbook +=
            "<sheet name=\"" + Escaped(names.at(s)) + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
        rels += "<Relationship Id=\"rId" + n
            + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
              "Target=\"worksheets/sheet"
            + n + ".xml\"/>";
    }
    types += "</Types>";
    workbook += "</sheets></workbook>";
    rels += "<Relationship Id=\"rId" + QByteArray::number(book.sheets.size() + 1)
        + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
          "Target=\"styles.xml\"/>"
          "</Relationships>";
    const QByteArray rootRels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
        "Target=\"xl/workbook.xml\"/>"
        "</Relationships>";
    const QByteArray styles =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
        "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill "
        "patternType=\"gray125\"/></fill></fills>"
        "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
        "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" "
        "borderId=\"0\"/></cellStyleXfs>"
        "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" "
        "xfId=\"0\"/></cellXfs>"
        "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
        "</styleSheet>";

    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate)) {
        *error = QStringLiteral("无法创建文件（错误 %1）").arg(zip.getZipError());
        return false;
    }
    bool ok = AddEntry(zip, QStringLiteral("[Content_Types].xml"), types, error)
        && AddEntry(zip, QStringLiteral("_rels/.rels"), rootRels, error)
        && AddEntry(zip, QStringLiteral("xl/workbook.xml"), workbook, error)
        && AddEntry(zip, QStringLiteral("xl/_rels/workbook.xml.rels"), rels, error)
        && AddEntry(zip, QStringLiteral("xl/styles.xml"), styles, error);
    for (int s = 0; ok && s < book.sheets.size(); ++s)
        ok = AddEntry(zip, QStringLiteral("xl/worksheets/sheet%1.xml").arg(s + 1),
                      SheetXml(book.sheets.at(s), false), error);
    zip.close();
    if (ok && zip.getZipError() != UNZ_OK) {
        *error = QStringLiteral("无法完成压缩包（错误 %1）").arg(zip.getZipError());
        ok = false;
    }
    return ok;
}

bool XlsxFileWriter::ReplaceSheet(const QString &source, const QString &target, const WorkbookSheet &sheet,
                                  QString *error)
{
    if (sheet.part.isEmpty()) {
        *error = QStringLiteral("不知道工作表“%1”在工作簿中的位置").arg(sheet.name);
        return false;
    }
    QuaZip in(source);
    if (!in.open(QuaZip::mdUnzip)) {
        *error = QStringLiteral("无法读取原工作簿（错误 %1）").arg(in.getZipError());
        return false;
    }
    QuaZip out(target);
    if (!out.open(QuaZip::mdCreate)) {
        *error = QStringLiteral("无法创建文件（错误 %1）").arg(out.getZipError());
        return false;
    }
    bool ok = true;
    bool replaced = false;
    for (bool more = in.goToFirstFile(); ok && more; more = in.goToNextFile()) {
        QuaZipFileInfo64 info;
        if (!in.getCurrentFileInfo(&info)) {
            ok = false;
            break;
        }
        if (!replaced && PartKey(info.name) == PartKey(sheet.part)) {
            replaced = true;
            ok = AddEntry(out, info.name, SheetXml(sheet, true), error);
            continue;
        }
        // Copied as stored: the compressed bytes, their CRC and sizes unchanged.
        int method = 0;
        int level = 0;
        QuaZipFile from(&in);
        if (!from.open(QIODevice::ReadOnly, &method, &level, true)) {
            ok = false;
            break;
        }
        const QByteArray raw = from.readAll();
        from.close();
        QuaZipFile to(&out);
        QuaZipNewInfo copy(info);
        if (!to.open(QIODevice::WriteOnly, copy, nullptr, info.crc, method, level, true)
            || to.write(raw) != raw.size()) {
            ok = false;
            break;
        }
        to.close();
        ok = to.getZipError() == UNZ_OK;
    }
    out.close();
    if (ok && !replaced) {
        *error = QStringLiteral("工作簿中没有部件 %1").arg(sheet.part);
        return false;
    }
    if (!ok || out.getZipError() != UNZ_OK || in.getZipError() != UNZ_OK) {
        if (error->isEmpty())
            *error = QStringLiteral("无法复制原工作簿的部件");
        return false;
    }
    return true;
}
