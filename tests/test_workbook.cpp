// Workbook files and the engine: ours read back here and in xlrd/openpyxl, other writers' read as
// a spreadsheet shows them, damaged or oversized files are refused without touching anything.
#include "exchange/excelengine.h"
#include "exchange/workbook.h"
#include "exchange/xlswriter.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include "workbooktestsupport.h"

using WorkbookFile::Format;
Q_DECLARE_METATYPE(WorkbookFile::Format)
Q_DECLARE_METATYPE(Workbook)

namespace {

using WorkbookTest::Bytes;
using WorkbookTest::Parts;
using WorkbookTest::Relationship;
using WorkbookTest::WorkbookXml;
using WorkbookTest::WriteBytes;
using WorkbookTest::WriteZip;

// Runs a script of the system Python (xlrd, openpyxl: project dependencies); its stdout is JSON.
QJsonObject RunPython(const QString &script, const QStringList &args, QString *error)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), script} + args);
    if (!p.waitForFinished(180000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        *error = QString::fromUtf8(p.readAllStandardError());
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// Sheet names and "sheet:row,column=text" of the non-empty cells as xlrd or openpyxl read them.
const QString kDumpScript = QStringLiteral(R"PY(
import sys, json
path = sys.argv[1]
if path.endswith('.xls'):
    import xlrd
    book = xlrd.open_workbook(path)
    names = book.sheet_names()
    sheets = [[(r, c, sh.cell_value(r, c)) for r in range(sh.nrows) for c in range(sh.ncols)] for sh in book.sheets()]
else:
    import openpyxl
    book = openpyxl.load_workbook(path)
    names = book.sheetnames
    sheets = [[(x.row - 1, x.column - 1, x.value) for row in ws.iter_rows() for x in row] for ws in book.worksheets]
cells = ['%d:%d,%d=%s' % (s, r, c, v) for s, sheet in enumerate(sheets) for r, c, v in sheet if v not in (None, '')]
print(json.dumps({'names': names, 'cells': cells}))
)PY");

// Non-empty cells of a sheet as "row,column=text", row by row.
QStringList Seen(const WorkbookSheet &sheet, const QString &prefix = QString())
{
    QStringList seen;
    for (int r = 0; r < sheet.rows.size(); ++r) {
        for (int c = 0; c < sheet.rows.at(r).size(); ++c) {
            if (!sheet.Text(r, c).isEmpty())
                seen << prefix + QStringLiteral("%1,%2=%3").arg(r).arg(c).arg(sheet.Text(r, c));
        }
    }
    return seen;
}

WorkbookSheet SheetFromRows(const QString &name, const QVector<QStringList> &rows, int rowOffset = 0,
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

// A goods-like table: a header and `count` rows of 19 columns, some cells blank.
QVector<QStringList> GoodsRows(int count)
{
    QVector<QStringList> rows(count + 1);
    for (int r = 0; r <= count; ++r)
        for (int c = 0; c < 19; ++c)
            rows[r] << (r && (r + c) % 7 == 0 ? QString() : QStringLiteral("商品%1+%2 备注").arg(r).arg(c));
    return rows;
}

// A package of one sheet "表一" (absolute target) and two shared strings ("./" target).
bool WriteXlsx(const QString &path, const QByteArray &sheetXml)
{
    Parts parts{
        {"xl/workbook.xml", WorkbookXml({"表一|rId1"})},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
             + Relationship("rId1", "worksheet", "/xl/worksheets/sheet1.xml")
             + Relationship("rId2", "sharedStrings", "./sharedStrings.xml") + "</Relationships>"},
        {"xl/sharedStrings.xml",
         R"(<sst><si><r><t>富</t></r><r><rPr><b/></rPr><t xml:space="preserve"> 文本 </t></r><rPh sb="0" eb="1"><t>ふ</t></rPh></si><si><t>A_x000D_B</t></si></sst>)"}};
    if (!sheetXml.isNull())
        parts.append({"xl/worksheets/sheet1.xml", sheetXml});
    return WriteZip(path, parts);
}

// A package listing `listed` worksheets over `parts` parts (sheet i in part i % parts), each part a
// header row "h"; the second part's XML is `second` when given.
QByteArray Package(const QString &scratch, int listed, int parts, const QByteArray &second = QByteArray())
{
    QStringList sheets;
    for (int i = 0; i < listed; ++i)
        sheets << QStringLiteral("S%1|rId%2").arg(i + 1).arg(i % parts + 1);
    QByteArray rels = "<Relationships>";
    Parts zip{{"xl/workbook.xml", WorkbookXml(sheets)}, {}};
    for (int i = 0; i < parts; ++i) {
        rels += Relationship(QStringLiteral("rId%1").arg(i + 1), "worksheet",
                             QStringLiteral("worksheets/s%1.xml").arg(i + 1));
        zip.append({QStringLiteral("xl/worksheets/s%1.xml").arg(i + 1),
                    i == 1 && !second.isNull()
                        ? second
                        : QByteArray("<worksheet><sheetData><row><c "
                                     "t=\"inlineStr\"><is><t>h</t></is></c></row></sheetData></worksheet>")});
    }
    zip[1] = {"xl/_rels/workbook.xml.rels", rels + "</Relationships>"};
    return WriteZip(scratch, zip) ? Bytes(scratch) : QByteArray();
}

// BIFF8 pieces (little-endian like the host): numbers, records, a cell record's head in row 1.
QByteArray Le(quint64 value, int bytes) { return QByteArray(reinterpret_cast<const char *>(&value), bytes); }
QByteArray Record(int id, const QByteArray &body) { return Le(id, 2) + Le(body.size(), 2) + body; }
QByteArray CellHead(int column, int xf = 15) { return Le(1, 2) + Le(column, 2) + Le(xf, 2); }
QByteArray Double(double d) { return QByteArray(reinterpret_cast<const char *>(&d), sizeof d); }
QByteArray Utf16(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

// Offset of the first record with the id, or -1.
int FindRecord(const QByteArray &stream, int wanted)
{
    for (int at = 0; at + 4 <= stream.size();) {
        const int id = quint8(stream[at]) | quint8(stream[at + 1]) << 8;
        const int length = quint8(stream[at + 2]) | quint8(stream[at + 3]) << 8;
        if (id == wanted)
            return at;
        if (id == 0 && length == 0)
            return -1;
        at += 4 + length;
    }
    return -1;
}

} // namespace

class TestWorkbook : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void xlsCellRecords_data();
    void xlsCellRecords();
    void damagedFilesRefused_data();
    void damagedFilesRefused();
    void xlsxSheets_data();
    void xlsxSheets();
    void filesLeftAlone();
    void exportKeepsOtherCells_data();
    void exportKeepsOtherCells();
    void onlyOneSheetParsed_data();
    void onlyOneSheetParsed();
    void cellCap_data();
    void cellCap();
    void writeTarget_data();
    void writeTarget();

private:
    QString Path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestWorkbook::roundTrip_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<Workbook>("book");
    // A table away from A1, an empty sheet, blank edge cells (still in the used range).
    Workbook mixed;
    mixed.sheets << SheetFromRows("商品",
                                  {{"序号", "名称", "备注", ""},
                                   {"1", "a+b=\"c\" 'd' <e> & f", "  spaced  ", ""},
                                   {"2", "😀 emoji 𠀋", "line1\nline2\ttab", ""}})
                 << SheetFromRows("Other", {{"", ""}, {"", "x"}, {"", "", "y"}}, 2, 3)
                 << SheetFromRows("空", {});
    // Thousands of strings and long ones: shared strings over many CONTINUE records, some split.
    Workbook big;
    big.sheets << SheetFromRows("货物", GoodsRows(3000));
    big.sheets[0].SetText(3002, 0, QString("跨记录").repeated(2600));
    big.sheets[0].SetText(3003, 1, QString("长").repeated(20000));
    for (Format f : {Format::Xls, Format::Xlsx}) {
        QTest::addRow("%s mixed", f == Format::Xls ? "xls" : "xlsx") << f << mixed;
        QTest::addRow("%s big", f == Format::Xls ? "xls" : "xlsx") << f << big;
    }
}

void TestWorkbook::roundTrip()
{
    QFETCH(Format, format);
    QFETCH(Workbook, book);
    const QString path = Path(format == Format::Xls ? "round.xls" : "round.xlsx");
    QString error;
    QVERIFY2(WorkbookFile::Write(path, format, book, &error), qPrintable(error));
    QCOMPARE(WorkbookFile::DetectFormat(path, &error), format);
    Workbook read;
    QVERIFY2(WorkbookFile::Read(path, &read, &error), qPrintable(error));
    QCOMPARE(read.sheets.size(), book.sheets.size());
    QStringList names, cells;
    for (int s = 0; s < book.sheets.size(); ++s) {
        const WorkbookSheet &a = read.sheets.at(s);
        const WorkbookSheet &b = book.sheets.at(s);
        names << b.name;
        cells << Seen(b, QStringLiteral("%1:").arg(s));
        QCOMPARE(a.name, b.name);
        QCOMPARE(QVector<int>({a.firstRow, a.lastRow, a.firstColumn, a.lastColumn}),
                 QVector<int>({b.firstRow, b.lastRow, b.firstColumn, b.lastColumn}));
        QCOMPARE(Seen(a), Seen(b));
    }
    const QJsonObject dump = RunPython(kDumpScript, {path}, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(dump.value("names").toVariant().toStringList(), names);
    QCOMPARE(dump.value("cells").toVariant().toStringList(), cells);
}

void TestWorkbook::xlsCellRecords_data()
{
    // Cell records other writers produce, put into a sheet of ours at row 1.
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<QStringList>("texts"); // columns 0.. of row 1; empty: refused as damaged
    QTest::addColumn<QString>("problem");   // part of why row 1 cannot be read; empty: it can
    const QByteArray formulaTail = Le(0, 2) + Le(0, 4) + Le(0, 2); // flags, chain, no tokens
    QTest::newRow("numbers") << Record(0x0203, CellHead(0) + Double(2.5))
            + Record(0x0203, CellHead(1) + Double(0.1 + 0.2)) + Record(0x0203, CellHead(2) + Double(1e20))
            + Record(0x0203, CellHead(3) + Double(-0.0)) + Record(0x0203, CellHead(4) + Double(0.0000001))
                             << QStringList{"2.5", "0.3", "100000000000000000000", "0", "0.0000001"}
                             << QString();
    QTest::newRow("number as a date") << Record(0x0203, CellHead(0, 16) + Double(45413.5))
                                      << QStringList{"2024-05-01 12:00:00"} << QString();
    QTest::newRow("rk integer and hundredths") << Record(0x027E, CellHead(0) + Le(1234 << 2 | 2, 4))
            + Record(0x027E, CellHead(1) + Le(12345 << 2 | 3, 4))
                                               << QStringList{"1234", "123.45"} << QString();
    QTest::newRow("mulrk") << Record(0x00BD,
                                     Le(1, 2) + Le(0, 2) + Le(15, 2) + Le(7 << 2 | 2, 4) + Le(15, 2)
                                         + Le(quint32(-3) << 2 | 2, 4) + Le(1, 2))
                           << QStringList{"7", "-3"} << QString();
    QTest::newRow("boolean and error") << Record(0x0205, CellHead(0) + Le(1, 1) + Le(0, 1))
            + Record(0x0205, CellHead(1) + Le(7, 1) + Le(1, 1))
                                       << QStringList{"TRUE", "#DIV/0!"} << QString();
    QTest::newRow("error codes, cached formula error")
        << Record(0x0205, CellHead(0) + Le(0x0F, 1) + Le(1, 1))
            + Record(0x0205, CellHead(1) + Le(0x2A, 1) + Le(1, 1))
            + Record(0x0006, CellHead(2) + QByteArray("\x02\x00\x1D\x00\x00\x00\xFF\xFF", 8) + formulaTail)
        << QStringList{"#VALUE!", "#N/A", "#NAME?"} << QString();
    QTest::newRow("largest double") << Record(0x0203, CellHead(0) + Double(1.7976931348623157e308))
                                    << QStringList{QString::number(1.7976931348623157e308, 'f',
                                                                   QLocale::FloatingPointShortest)}
                                    << QString();
    QTest::newRow("label") << Record(0x0204, CellHead(0) + Le(4, 2) + Le(1, 1) + Utf16("旧式文字"))
                           << QStringList{"旧式文字"} << QString();
    QTest::newRow("formula with a number result")
        << Record(0x0006, CellHead(0) + Double(12.5) + formulaTail) << QStringList{"12.5"} << QString();
    QTest::newRow("formula with a text result over a CONTINUE")
        << Record(0x0006, CellHead(0) + QByteArray("\x00\x00\x00\x00\x00\x00\xFF\xFF", 8) + formulaTail)
            + Record(0x0207, Le(4, 2) + Le(1, 1) + Utf16("合计")) + Record(0x003C, Le(0, 1) + "ab")
        << QStringList{"合计ab"} << QString();
    QTest::newRow("label index past the strings")
        << Record(0x00FD, CellHead(0) + Le(999, 4)) << QStringList{""} << QStringLiteral("999");
    QTest::newRow("cell record cut short")
        << Record(0x0203, CellHead(0) + Le(0, 3)) << QStringList{""} << QString();
}

void TestWorkbook::xlsCellRecords()
{
    QFETCH(QByteArray, records);
    QFETCH(QStringList, texts);
    QFETCH(QString, problem);
    Workbook book;
    book.sheets << SheetFromRows("Sheet1", {{"h"}});
    QString error;
    QByteArray stream = XlsWriter::WorkbookStream(book, &error);
    const int sheet = FindRecord(stream, 0x0085);
    const int sheetAt =
        int(quint8(stream[sheet + 4]) | quint8(stream[sheet + 5]) << 8 | quint8(stream[sheet + 6]) << 16);
    const int window2 = FindRecord(stream.mid(sheetAt), 0x023E);
    QVERIFY(sheetAt > 0 && window2 > 0);
    stream.insert(sheetAt + window2, records);
    const QString path = Path("records.xls");
    QVERIFY2(XlsWriter::WriteContainer(path, stream, &error), qPrintable(error));
    Workbook read;
    const bool ok = WorkbookFile::Read(path, &read, &error);
    QCOMPARE(ok, !texts.isEmpty());
    QVERIFY2(ok || error.contains("损坏"), qPrintable(error));
    for (int c = 0; c < texts.size(); ++c)
        QCOMPARE(read.sheets.at(0).Text(1, c), texts.at(c));
    if (ok) {
        const QString reason = read.sheets.at(0).unreadable.value(1);
        QVERIFY2(problem.isEmpty() ? reason.isEmpty() : reason.contains(problem), qPrintable(reason));
    }
}

void TestWorkbook::damagedFilesRefused_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason"); // part of the error
    Workbook good;
    good.sheets << SheetFromRows("Sheet1", GoodsRows(300));
    QString error;
    const QString xls = Path("good.xls"), xlsx = Path("good.xlsx");
    QVERIFY(WorkbookFile::Write(xls, Format::Xls, good, &error)
            && WorkbookFile::Write(xlsx, Format::Xlsx, good, &error));
    QTest::newRow("zero bytes") << QByteArray("") << QString();
    QTest::newRow("truncated xls") << Bytes(xls).left(Bytes(xls).size() / 2) << QString();
    QTest::newRow("truncated xlsx") << Bytes(xlsx).left(Bytes(xlsx).size() / 2) << QString();
    QVERIFY(WriteXlsx(xlsx, "<worksheet><sheetData><row><c><v>1</v></row>"));
    QTest::newRow("broken sheet xml") << Bytes(xlsx) << QString();

    // BIFF8 damaged where a reader without bounds checks overruns (a string spans SST and CONTINUE).
    Workbook book;
    book.sheets << SheetFromRows("Sheet1", {{QString("x").repeated(6000), "名称"}});
    const QByteArray stream = XlsWriter::WorkbookStream(book, &error);
    const int sst = FindRecord(stream, 0x00FC), cont = FindRecord(stream, 0x003C),
              sheet = FindRecord(stream, 0x0085);
    QVERIFY(sst > 0 && cont > sst && sheet > 0 && quint8(stream[cont + 4]) == 0x01);
    QByteArray noFlags = stream, count = stream, offset = stream;
    noFlags.remove(cont + 4, 1);
    qToLittleEndian<quint16>(qFromLittleEndian<quint16>(noFlags.constData() + cont + 2) - 1,
                             noFlags.data() + cont + 2);
    count[sst + 8] = char(quint8(count[sst + 8]) + 5);
    offset[sheet + 7] = char(0x7F);
    const QList<QPair<const char *, QByteArray>> streams{
        {"continued string without its flags", noFlags},
        {"more strings counted than stored", count},
        {"record running past the stream", stream.left(cont + 100)},
        {"sheet offset outside the stream", offset}};
    for (const auto &s : streams) {
        QVERIFY(XlsWriter::WriteContainer(xls, s.second, &error));
        QTest::newRow(s.first) << Bytes(xls) << QStringLiteral("损坏");
    }
}

void TestWorkbook::damagedFilesRefused()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    const QString path = Path("damaged.xls");
    QVERIFY(WriteBytes(path, content));
    Workbook book;
    QString error;
    QVERIFY(!WorkbookFile::Read(path, &book, &error) && book.sheets.isEmpty());
    QVERIFY2(!error.isEmpty() && error.contains(reason), qPrintable(error));
    {
        ExcelEngine engine(path); // refuses it too, and leaves the file as it was
        QVector<QStringList> rows;
        const Result opened = engine.Open(1, false);
        QVERIFY(!opened && !opened.error().isEmpty() && !engine.ReadRows(&rows) && rows.isEmpty());
    }
    QCOMPARE(Bytes(path), content);
}

void TestWorkbook::xlsxSheets_data()
{
    QTest::addColumn<QByteArray>("sheetData"); // null: a part inflating past the cap
    QTest::addColumn<QStringList>("cells");    // read, or the refusal
    QTest::addColumn<int>("dataRows");
    // Other writers' forms: prefixes, rich and phonetic runs, escapes, rows and cells without
    // references or out of order, truth values, errors, formulas with their results.
    QTest::newRow("other writers' forms") << QByteArray(
        R"(<x:row><x:c t="inlineStr"><x:is><x:t>名称</x:t></x:is></x:c><x:c t="inlineStr"><x:is><x:r><x:t>数</x:t></x:r><x:r><x:t>量</x:t></x:r></x:is></x:c></x:row>
<x:row><x:c t="s"><x:v>0</x:v></x:c><x:c><x:v>2.50</x:v></x:c><x:c t="b"><x:v>0</x:v></x:c></x:row>
<x:row r="5"><x:c r="C5" t="s"><x:v>1</x:v></x:c><x:c t="str"><x:f>A1</x:f><x:v>公式</x:v></x:c><x:c t="e"><x:v>#DIV/0!</x:v></x:c></x:row>
<x:row r="4"><x:c r="B4"><x:v>7</x:v></x:c></x:row>)")
                                          << QStringList{"0,0=名称", "0,1=数量",  "1,0=富 文本 ",
                                                         "1,1=2.5",  "1,2=FALSE", "3,1=7",
                                                         "4,2=A\rB", "4,3=公式",  "4,4=#DIV/0!"}
                                          << 5;
    // Numbers read as typed: up to 15 digits exactly, beyond rounded to 15 like a spreadsheet.
    QTest::newRow("numbers") << QByteArray(
        R"(<x:row><x:c><x:v>-007.50</x:v></x:c><x:c><x:v>-0</x:v></x:c><x:c><x:v>123456789012345</x:v></x:c><x:c><x:v>1234567890123456</x:v></x:c><x:c><x:v>0.1000</x:v></x:c><x:c><x:v>1E3</x:v></x:c></x:row>)")
                             << QString("0,0=-7.5|0,1=0|0,2=123456789012345|0,3=1234567890123460|0,4=0.1|0,5="
                                        "1000")
                                    .split('|')
                             << 1;
    // Rows take memory only up to the last one with text; far columns are refused.
    QTest::newRow("one cell at the last row") << QByteArray(
        R"(<x:row r="1048576"><x:c r="A1048576" t="inlineStr"><x:is><x:t>x</x:t></x:is></x:c></x:row>)")
                                              << QStringList{"1048575,0=x"} << 1048576;
    QTest::newRow("blank cell at the last row") << QByteArray(
        R"(<x:row r="1"><x:c r="A1"><x:v>1</x:v></x:c></x:row><x:row r="1048576"><x:c r="A1048576" s="1"/></x:row>)")
                                                << QStringList{"0,0=1"} << 1;
    QTest::newRow("one cell at the last column")
        << QByteArray(R"(<x:row r="1048576"><x:c r="XFD1048576"><x:v>1</x:v></x:c></x:row>)")
        << QStringList{"超过 64 列"} << 0;
    QTest::newRow("part inflating past 200 MB") << QByteArray() << QStringList{"超过 200 MB"} << 0;
}

void TestWorkbook::xlsxSheets()
{
    QFETCH(QByteArray, sheetData);
    QFETCH(QStringList, cells);
    QFETCH(int, dataRows);
    const QString path = Path("sheets.xlsx");
    QVERIFY(WriteXlsx(
        path,
        sheetData.isNull()
            ? QByteArray()
            : R"(<x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><x:sheetData>)"
                + sheetData + "</x:sheetData></x:worksheet>"));
    if (sheetData.isNull()) {
        // 210 MB of spaces streamed into the sheet part at the fastest level.
        QuaZip zip(path);
        QVERIFY(zip.open(QuaZip::mdAdd));
        QuaZipFile file(&zip);
        QVERIFY(file.open(QIODevice::WriteOnly, QuaZipNewInfo("xl/worksheets/sheet1.xml"), nullptr, 0,
                          Z_DEFLATED, 1));
        const QByteArray spaces(1 << 20, ' ');
        for (int i = 0; i < 210; ++i)
            QVERIFY(file.write(spaces) == spaces.size());
        file.close();
        zip.close();
    }
    Workbook book;
    QString error;
    const bool read = WorkbookFile::Read(path, &book, &error);
    QCOMPARE(read, !cells.first().contains("MB"));
    QVERIFY2(read || error.contains(cells.first()), qPrintable(error));
    if (read) {
        const WorkbookSheet &sheet = book.sheets.at(0);
        QCOMPARE(sheet.name, QStringLiteral("表一"));
        const bool tooWide = WorkbookFile::SheetProblem(sheet).contains("超过 64 列");
        QCOMPARE(tooWide, cells.first() == "超过 64 列");
        QCOMPARE(tooWide ? cells : Seen(sheet), cells);
        QCOMPARE(sheet.rows.size(), dataRows);
    }
}

void TestWorkbook::filesLeftAlone()
{
    const QString path = Path("keep.xls");
    Workbook book;
    book.sheets << SheetFromRows("Sheet1", {{"h1", "h2"}, {"a", "b"}, {"", "c"}}, 2, 1);
    QString error;
    QVERIFY(WorkbookFile::Write(path, Format::Xls, book, &error));
    const QByteArray before = Bytes(path);
    const QDateTime modified = QFileInfo(path).lastModified();
    QTest::qWait(20);
    {
        // The range's first row is the header, its first column field 0. Reading
        // only does not save: that would strip the user's formatting and formulas.
        ExcelEngine engine(path);
        QVector<QStringList> rows;
        QVERIFY(engine.Open(1, false) && engine.ReadRows(&rows) && engine.Close());
        QCOMPARE(rows, (QVector<QStringList>{{"a", "b"}, {"", "c"}}));
    }
    QCOMPARE(QFileInfo(path).lastModified(), modified);
    // Too many rows for the format: refused, the old file stays, no stray temporary file.
    book.sheets[0].SetText(WorkbookFile::XlsMaxRows, 0, "x");
    QVERIFY(!WorkbookFile::Write(path, Format::Xls, book, &error));
    QVERIFY(error.contains("65536"));
    QCOMPARE(Bytes(path), before);
    QCOMPARE(QDir(m_dir.path()).entryList({".quillon-*"}, QDir::Files | QDir::Hidden), QStringList());
}

void TestWorkbook::exportKeepsOtherCells_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<bool>("byOpenpyxl");
    QTest::newRow("xls") << Format::Xls << false;
    QTest::newRow("xlsx") << Format::Xlsx << false;
    QTest::newRow("xlsx made by openpyxl") << Format::Xlsx << true;
}

void TestWorkbook::exportKeepsOtherCells()
{
    // Sheet 1: an old table larger than the export, a formula; sheet 2: typed cells.
    QFETCH(Format, format);
    QFETCH(bool, byOpenpyxl);
    const QString path = Path(format == Format::Xls ? "old.xls" : "old.xlsx");
    const QStringList typedTexts{
        "2,2=x+y", "2,3=2.5", "2,4=2024-05-01", "2,5=TRUE", "3,2=2024-05-01 13:30:05", "3,3=1234567890123"};
    const QList<TypedCell::Kind> kinds{TypedCell::Number, TypedCell::Date, TypedCell::Boolean,
                                       TypedCell::DateTime, TypedCell::Number};
    QString error;
    if (byOpenpyxl) {
        RunPython(QStringLiteral(R"PY(
import sys, datetime, openpyxl
wb = openpyxl.Workbook()
ws = wb.active
ws.title = '台账'
for r in range(1, 6):
    for c in range(1, 5):
        ws.cell(r, c, 'old%d%d' % (r, c))
ws['H5'] = '=A1'
o = wb.create_sheet('数据')
o['C3'] = 'x+y'; o['D3'] = 2.5; o['E3'] = datetime.date(2024, 5, 1); o['F3'] = True
o['C4'] = datetime.datetime(2024, 5, 1, 13, 30, 5); o['D4'] = 1234567890123
o['D4'].number_format = '0'
wb.save(sys.argv[1])
)PY"),
                  {path}, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    } else {
        Workbook book;
        book.sheets << SheetFromRows("台账", {}) << SheetFromRows("数据", {{"x+y"}}, 2, 2);
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 4; ++c)
                book.sheets[0].SetText(r, c, QStringLiteral("old%1%2").arg(r + 1).arg(c + 1));
        const double values[] = {2.5, 45413, 1, 45413 + 48605 / 86400.0, 1234567890123.0};
        for (int i = 0; i < kinds.size(); ++i) {
            const TypedCell cell{kinds.at(i), values[i]};
            book.sheets[1].SetTyped(2 + (i + 1) / 4, 2 + (i + 1) % 4, typedTexts.at(i + 1).section('=', 1),
                                    cell);
        }
        QVERIFY2(WorkbookFile::Write(path, format, book, &error), qPrintable(error));
    }
    const QByteArray before = Bytes(path);
    {
        ExcelEngine engine(path);
        QVERIFY(engine.Open(1, false));
        const Result written =
            engine.WriteRows({"序号", "名称", "数量"}, {{"1", "苹果", ""}, {"2", "梨", "5"}});
        QVERIFY2(written, qPrintable(written.error()));
        QCOMPARE(engine.FormulasAsValues(), 0); // the formula was in the replaced table
        QVERIFY(engine.Close());
    }
    QCOMPARE(WorkbookFile::DetectFormat(path, &error), format); // the file keeps its format
    Workbook read;
    QVERIFY2(WorkbookFile::Read(path, &read, &error), qPrintable(error));
    // The sheet holds exactly the written rows: the older, longer and wider
    // table is gone. The other sheet stays, types too.
    QCOMPARE(
        Seen(read.sheets.value(0)),
        (QStringList{"0,0=序号", "0,1=名称", "0,2=数量", "1,0=1", "1,1=苹果", "2,0=2", "2,1=梨", "2,2=5"}));
    QCOMPARE(read.sheets.value(0).lastRow, 2);
    QCOMPARE(read.sheets.value(0).lastColumn, 2);
    QCOMPARE(Seen(read.sheets.value(1)), typedTexts);
    for (int i = 0; i < kinds.size() && (format == Format::Xls || byOpenpyxl);
         ++i) { // ours writes .xlsx cells as text
        const TypedCell *cell = read.sheets.at(1).Typed(2 + (i + 1) / 4, 2 + (i + 1) % 4);
        QVERIFY2(cell && cell->kind == kinds.at(i), qPrintable(typedTexts.at(i + 1)));
    }
    if (format == Format::Xls)
        return;
    // In an .xlsx every part but the written sheet's is the same bytes, compressed or not.
    auto raw = [](const QString &zipPath) {
        QMap<QString, QByteArray> parts;
        QuaZip zip(zipPath);
        for (bool more = zip.open(QuaZip::mdUnzip) && zip.goToFirstFile(); more; more = zip.goToNextFile()) {
            int method = 0, level = 0;
            QuaZipFile file(&zip);
            if (file.open(QIODevice::ReadOnly, &method, &level, true))
                parts.insert(zip.getCurrentFileName(), file.readAll());
        }
        return parts;
    };
    QVERIFY(WriteBytes(Path("before.xlsx"), before));
    QMap<QString, QByteArray> was = raw(Path("before.xlsx")), now = raw(path);
    QCOMPARE(now.keys(), was.keys());
    QVERIFY(now.take("xl/worksheets/sheet1.xml") != was.take("xl/worksheets/sheet1.xml"));
    QVERIFY(now == was);
}

void TestWorkbook::onlyOneSheetParsed_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("firstRefused"); // part of the error reading sheet 1 alone; empty: read
    QTest::addColumn<QString>("wholeRefused"); // the same reading every sheet
    const QString scratch = Path("package.xlsx");
    QTest::newRow("1024 sheets") << Package(scratch, 1024, 1024) << ".xlsx" << QString() << QString();
    QTest::newRow("1025 sheets") << Package(scratch, 1025, 1025) << ".xlsx" << QString("超过 1024")
                                 << "超过 1024";
    QTest::newRow("one part listed twice") << Package(scratch, 2, 1) << ".xlsx" << QString() << "同一部件";
    QTest::newRow("damaged second sheet")
        << Package(scratch, 2, 2, "<worksheet><sheetData><row><c>") << ".xlsx" << QString() << "已损坏";
    // .xls: the second sheet's BOUNDSHEET offset moved outside the stream, or onto the first sheet.
    Workbook two;
    two.sheets << SheetFromRows("A", {{"h"}}) << SheetFromRows("B", {{"x"}});
    QString error;
    const QByteArray stream = XlsWriter::WorkbookStream(two, &error);
    const int first = FindRecord(stream, 0x0085);
    const int second = first + 4 + (quint8(stream[first + 2]) | quint8(stream[first + 3]) << 8);
    for (const bool outside : {true, false}) {
        QByteArray moved = stream;
        moved.replace(second + 4, 4, outside ? Le(0x7FFFFFF, 4) : stream.mid(first + 4, 4));
        QVERIFY(XlsWriter::WriteContainer(Path("moved.xls"), moved, &error));
        QTest::newRow(outside ? "xls second sheet outside the stream" : "xls one substream listed twice")
            << Bytes(Path("moved.xls")) << ".xls" << QString() << (outside ? "文件之外" : "位置相同");
    }
    // Past the sheet cap in BOUNDSHEET records.
    Workbook many;
    for (int i = 0; i <= WorkbookFile::MaxSheets; ++i)
        many.sheets << SheetFromRows(QStringLiteral("S%1").arg(i), {});
    QVERIFY(WorkbookFile::Write(Path("many.xls"), Format::Xls, many, &error));
    QTest::newRow("xls 1025 sheets") << Bytes(Path("many.xls")) << ".xls" << QString("超过 1024")
                                     << "超过 1024";
}

void TestWorkbook::onlyOneSheetParsed()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, suffix);
    QFETCH(QString, firstRefused);
    QFETCH(QString, wholeRefused);
    const QString path = Path("book" + suffix);
    QVERIFY(!content.isEmpty() && WriteBytes(path, content));
    Workbook book;
    QString error;
    QCOMPARE(WorkbookFile::Read(path, &book, &error, 1), firstRefused.isEmpty());
    QVERIFY2(firstRefused.isEmpty() ? book.sheets.at(0).Text(0, 0) == "h" : error.contains(firstRefused),
             qPrintable(error));
    // Sheet 1 alone: the others come as names, never parsed.
    for (int i = 1; i < book.sheets.size(); ++i)
        QVERIFY(book.sheets.at(i).unread && book.sheets.at(i).IsEmpty());
    QCOMPARE(WorkbookFile::Read(path, &book, &error), wholeRefused.isEmpty());
    QVERIFY2(wholeRefused.isEmpty() || error.contains(wholeRefused), qPrintable(error));
}

void TestWorkbook::cellCap_data()
{
    // Blank cells count too: they widen the extent and cost the parse; so does every element.
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("refusal"); // empty: read
    const QByteArray row = "<row>" + QByteArray("<c/>").repeated(1000) + "</row>";
    const QByteArray cells = row.repeated(int(WorkbookFile::MaxCells / 1000));
    const QString tooMany = QStringLiteral("超过 %1 个单元格").arg(WorkbookFile::MaxCells);
    QTest::newRow("cells at the cap") << cells << "";
    QTest::newRow("cells one past") << cells + "<row><c/></row>" << tooMany;
    // worksheet and sheetData are two of the elements.
    const QByteArray rows = QByteArray("<row/>").repeated(int(WorkbookFile::MaxCells * 3 - 2));
    QTest::newRow("elements at the cap") << rows << "";
    QTest::newRow("elements one past")
        << rows + "<row/>" << QStringLiteral("元素超过 %1 个").arg(WorkbookFile::MaxCells * 3);
}

void TestWorkbook::cellCap()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, refusal);
    const QString path = Path("cells.xlsx");
    QVERIFY(WriteXlsx(path, "<worksheet><sheetData>" + xml + "</sheetData></worksheet>"));
    Workbook book;
    QString error;
    QCOMPARE(WorkbookFile::Read(path, &book, &error), refusal.isEmpty());
    QVERIFY2(refusal.isEmpty() || error.contains(refusal), qPrintable(error));
}

void TestWorkbook::writeTarget_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("refusal"); // the exact error; empty: written
    for (Format f : {Format::Xls, Format::Xlsx}) {
        const char *name = f == Format::Xls ? "xls" : "xlsx";
        QTest::addRow("%s read-only", name) << f << "read-only"
                                            << "文件只读，没有保存";
        QTest::addRow("%s mode 640 kept", name) << f << "mode 640"
                                                << "";
        QTest::addRow("%s symbolic link", name) << f << "link"
                                                << "";
        QTest::addRow("%s Excel's lock", name) << f << "~$%1"
                                               << "文件正被其他程序打开";
        QTest::addRow("%s LibreOffice's lock", name) << f << ".~lock.%1#"
                                                     << "文件正被其他程序打开";
    }
}

void TestWorkbook::writeTarget()
{
    QFETCH(Format, format);
    QFETCH(QString, setup);
    QFETCH(QString, refusal);
    const QString name = format == Format::Xls ? "target.xls" : "target.xlsx";
    const QString real = Path("real-" + name);
    Workbook book;
    book.sheets << SheetFromRows("S", {{"old"}, {"row"}});
    QString error;
    QVERIFY(WorkbookFile::Write(real, format, book, &error));
    QString path = real;
    QString lock;
    if (setup == "read-only")
        QVERIFY(QFile::setPermissions(
            real, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    else if (setup == "mode 640")
        QVERIFY(QFile::setPermissions(
            real, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
    else if (setup == "link")
        QVERIFY(QFile::link(real, path = Path(name)));
    else
        QVERIFY(WriteBytes(lock = Path(setup.arg("real-" + name)), "owner"));
    const QFileDevice::Permissions mode = QFile::permissions(real);
    const QByteArray before = Bytes(real);
    {
        ExcelEngine engine(path);
        QVERIFY(engine.Open(1, false));
        const Result written = engine.WriteRows({"new"}, {});
        QCOMPARE(written.ok(), refusal.isEmpty());
        QCOMPARE(written.error(), refusal);
    }
    QCOMPARE(Bytes(real) == before, !refusal.isEmpty());
    QCOMPARE(QFile::permissions(real), mode);
    QCOMPARE(QFileInfo(path).isSymLink(), setup == "link");
    if (refusal.isEmpty()) {
        Workbook read;
        QVERIFY(WorkbookFile::Read(path, &read, &error));
        QCOMPARE(Seen(read.sheets.at(0)), QStringList{"0,0=new"});
    }
    QFile::setPermissions(real, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QVERIFY(QFile::remove(real) && (path == real || QFile::remove(path))
            && (lock.isEmpty() || QFile::remove(lock)));
    QCOMPARE(QDir(m_dir.path()).entryList({".quillon-*"}, QDir::Hidden | QDir::Files), QStringList());
}

QTEST_GUILESS_MAIN(TestWorkbook)
#include "test_workbook.moc"
