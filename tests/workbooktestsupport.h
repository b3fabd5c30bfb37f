#pragma once
// What the workbook tests share: files as bytes, and .xlsx packages put
// together by hand from their parts.
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QPair>
#include <QString>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

namespace WorkbookTest {

using Parts = QList<QPair<QString, QByteArray>>; // name in the zip, content

inline QByteArray Bytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteBytes(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// A zip of the parts, in order, replacing any file at path.
inline bool WriteZip(const QString &path, const Parts &parts)
{
    QFile::remove(path);
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    for (const auto &part : parts) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(part.first))
            || file.write(part.second) != part.second.size())
            return false;
    }
    zip.close();
    return zip.getZipError() == 0;
}

// <sheet> elements of xl/workbook.xml, one per "name|rId".
inline QByteArray WorkbookXml(const QStringList &sheets)
{
    QByteArray xml = "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                     "relationships\"><sheets>";
    for (int i = 0; i < sheets.size(); ++i)
        xml += QStringLiteral("<sheet name=\"%1\" sheetId=\"%2\" r:id=\"%3\"/>")
                   .arg(sheets.at(i).section('|', 0, 0))
                   .arg(i + 1)
                   .arg(sheets.at(i).section('|', 1))
                   .toUtf8();
    return xml + "</sheets></workbook>";
}

// A relationship of xl/workbook.xml: type as the last word of its URI.
inline QByteArray Relationship(const QString &id, const QString &type, const QString &target)
{
    return QStringLiteral("<Relationship Id=\"%1\" Type=\"http://schemas.openxmlformats.org/"
                          "officeDocument/2006/relationships/%2\" Target=\"%3\"/>")
        .arg(id, type, target)
        .toUtf8();
}

} // namespace WorkbookTest
