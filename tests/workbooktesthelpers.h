#pragma once

// Helpers shared by the workbook tests: independent readers run through the
// system Python, and hand-made .xlsx packages.

#include "exchange/workbook.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QVariantMap>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

namespace WorkbookTest {

inline const QString &Python()
{
    static const QString path = QStringLiteral("/usr/bin/python3");
    return path;
}

// Empty when the module can be imported, else why not.
inline QString MissingModule(const QString &module)
{
    if (!QFile::exists(Python()))
        return QStringLiteral("%1 is not installed").arg(Python());
    QProcess p;
    p.start(Python(), {QStringLiteral("-c"), QStringLiteral("import ") + module});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("%1 lacks the module %2").arg(Python(), module);
    return QString();
}

// Runs a script with arguments; its stdout is JSON.
inline QJsonObject RunPython(const QString &script, const QStringList &args, QString *error)
{
    QProcess p;
    p.start(Python(), QStringList{QStringLiteral("-c"), script} + args);
    if (!p.waitForFinished(180000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = QString::fromUtf8(p.readAllStandardError());
        return QJsonObject();
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// Non-empty cells as {"sheet|row|column": text}, 0-based, for comparing
// readers that disagree about blank cells.
inline QVariantMap CellMap(const Workbook &book)
{
    QVariantMap cells;
    for (int s = 0; s < book.sheets.size(); ++s) {
        const WorkbookSheet &sheet = book.sheets.at(s);
        for (int r = 0; r < sheet.rows.size(); ++r) {
            for (int c = 0; c < sheet.rows.at(r).size(); ++c) {
                const QString text = sheet.rows.at(r).at(c);
                if (!text.isEmpty())
                    cells.insert(QStringLiteral("%1|%2|%3").arg(s).arg(r).arg(c), text);
            }
        }
    }
    return cells;
}

// The same map and the sheet names, read by xlrd (.xls) or openpyxl (.xlsx).
inline const char *XlrdDump = R"PY(
import sys, json, xlrd
book = xlrd.open_workbook(sys.argv[1])
cells = {}
for s in range(book.nsheets):
    sh = book.sheet_by_index(s)
    for r in range(sh.nrows):
        for c in range(sh.ncols):
            v = sh.cell_value(r, c)
            if v != '':
                cells['%d|%d|%d' % (s, r, c)] = v if isinstance(v, str) else repr(v)
print(json.dumps({'names': book.sheet_names(), 'cells': cells}))
)PY";

inline const char *OpenpyxlDump = R"PY(
import sys, json, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
cells = {}
for s, ws in enumerate(book.worksheets):
    for row in ws.iter_rows():
        for cell in row:
            if cell.value is not None and cell.value != '':
                v = cell.value
                cells['%d|%d|%d' % (s, cell.row - 1, cell.column - 1)] = v if isinstance(v, str) else repr(v)
print(json.dumps({'names': book.sheetnames, 'cells': cells}))
)PY";

// Writes a zip package entry by entry.
inline bool WriteZip(const QString &path, const QList<QPair<QString, QByteArray>> &entries)
{
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    for (const auto &entry : entries) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(entry.first)))
            return false;
        file.write(entry.second);
        file.close();
        if (file.getZipError() != 0)
            return false;
    }
    zip.close();
    return zip.getZipError() == 0;
}

inline WorkbookSheet SheetFromRows(const QString &name, const QVector<QStringList> &rows, int rowOffset = 0,
                                   int columnOffset = 0)
{
    WorkbookSheet sheet;
    sheet.name = name;
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows.at(r).size(); ++c)
            sheet.SetText(r + rowOffset, c + columnOffset, rows.at(r).at(c));
    }
    return sheet;
}

// A goods-like table: a header of `columns` titles and `count` rows.
inline QVector<QStringList> GoodsRows(int count, int columns)
{
    QVector<QStringList> rows;
    QStringList header;
    for (int c = 0; c < columns; ++c)
        header << QStringLiteral("列%1").arg(c + 1);
    rows.append(header);
    for (int r = 0; r < count; ++r) {
        QStringList row;
        for (int c = 0; c < columns; ++c) {
            switch (c % 4) {
            case 0: row << QStringLiteral("2024-05-01 10:00:00:%1").arg(r, 3, 10, QLatin1Char('0')); break;
            case 1: row << QStringLiteral("商品%1号").arg(r); break;
            case 2: row << QString::number(r * 2.5); break;
            default: row << (r % 7 == 0 ? QString() : QStringLiteral("备注 %1+%2").arg(r).arg(c)); break;
            }
        }
        rows.append(row);
    }
    return rows;
}

} // namespace WorkbookTest
