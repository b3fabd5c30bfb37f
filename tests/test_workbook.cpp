// The workbook files themselves: what the writers produce must be readable by
// this engine and by independent readers, and what other writers produce
// must be read the way a spreadsheet shows it.
#include "exchange/workbook.h"
#include "exchange/xlswriter.h"
#include "workbooktesthelpers.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using namespace WorkbookTest;
using WorkbookFile::Format;

Q_DECLARE_METATYPE(WorkbookFile::Format)
Q_DECLARE_METATYPE(Workbook)

class TestWorkbook : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void independentReaders_data();
    void independentReaders();
    void bigTableContinuesSst();
    void openpyxlWorkbookRead();
    void handMadeXlsx_data();
    void handMadeXlsx();
    void numberTexts_data();
    void numberTexts();
    void damagedFilesReported_data();
    void damagedFilesReported();
    void damagedXlsStreamsRefused_data();
    void damagedXlsStreamsRefused();
    void failedWriteKeepsExistingFile();
    void xlsCellRecords_data();
    void xlsCellRecords();
    void xlsxOversizeRefused_data();
    void xlsxOversizeRefused();

private:
    QTemporaryDir m_dir;
};

namespace {

Workbook MixedBook()
{
    Workbook book;
    book.sheets.append(SheetFromRows(QStringLiteral("商品"),
        {{QStringLiteral("序号"), QStringLiteral("名称"), QStringLiteral("备注")},
         {QStringLiteral("1"), QStringLiteral("红色 T恤 (XL)"), QString()},
         {QStringLiteral("2"), QStringLiteral("a+b=\"c\" 'd' <e> & f"), QStringLiteral("  leading and trailing  ")},
         {QStringLiteral("3"), QStringLiteral("😀 emoji 𠀋"), QStringLiteral("line1\nline2\ttab")}}));
    // A table that starts away from A1 and a sheet with nothing in it.
    book.sheets.append(SheetFromRows(QStringLiteral("Other"), {{QStringLiteral("x")}, {QString(), QStringLiteral("y")}}, 2, 3));
    WorkbookSheet empty;
    empty.name = QStringLiteral("空");
    book.sheets.append(empty);
    return book;
}

void CompareBooks(const Workbook &read, const Workbook &written)
{
    QCOMPARE(read.sheets.size(), written.sheets.size());
    for (int s = 0; s < written.sheets.size(); ++s) {
        const WorkbookSheet &a = read.sheets.at(s);
        const WorkbookSheet &b = written.sheets.at(s);
        QCOMPARE(a.name, b.name);
        QCOMPARE(a.IsEmpty(), b.IsEmpty());
        if (b.IsEmpty())
            continue;
        // The extent survives, blank edge cells included.
        QCOMPARE(a.firstRow, b.firstRow);
        QCOMPARE(a.lastRow, b.lastRow);
        QCOMPARE(a.firstColumn, b.firstColumn);
        QCOMPARE(a.lastColumn, b.lastColumn);
        for (int r = b.firstRow; r <= b.lastRow; ++r) {
            for (int c = b.firstColumn; c <= b.lastColumn; ++c)
                QCOMPARE(a.Text(r, c), b.Text(r, c));
        }
    }
}

} // namespace

void TestWorkbook::roundTrip_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<Workbook>("book");

    const QString longText = QString(QStringLiteral("长文本")).repeated(2000) + QStringLiteral("end");
    Workbook longBook;
    longBook.sheets.append(SheetFromRows(QStringLiteral("Sheet1"), {{longText, QStringLiteral("b")},
                                                                  {QStringLiteral("x").repeated(8000)},
                                                                  // over three SST records
                                                                  {QStringLiteral("长").repeated(20000), QStringLiteral("after")}}));
    Workbook longestBook;
    longestBook.sheets.append(SheetFromRows(QStringLiteral("Sheet1"), {{QStringLiteral("x").repeated(32767)}, {QStringLiteral("after")}}));
    // The last column blank in every row still belongs to the used range.
    Workbook blankEdge;
    blankEdge.sheets.append(SheetFromRows(QStringLiteral("Sheet1"),
        {{QStringLiteral("h1"), QStringLiteral("h2"), QString()}, {QStringLiteral("v"), QString(), QString()}}));
    // So does a blank first column below a blank first row.
    blankEdge.sheets.append(SheetFromRows(QStringLiteral("Sheet2"),
        {{QString(), QString()}, {QString(), QStringLiteral("h")}, {QString(), QStringLiteral("v")}}, 1, 1));

    for (const auto &f : {qMakePair(Format::Xls, QStringLiteral("xls")), qMakePair(Format::Xlsx, QStringLiteral("xlsx"))}) {
        QTest::newRow(qPrintable(f.second + " mixed")) << f.first << f.second << MixedBook();
        QTest::newRow(qPrintable(f.second + " long texts")) << f.first << f.second << longBook;
        QTest::newRow(qPrintable(f.second + " blank edge")) << f.first << f.second << blankEdge;
    }
    QTest::newRow("xlsx longest cell") << Format::Xlsx << QStringLiteral("xlsx") << longestBook;
}

void TestWorkbook::roundTrip()
{
    QFETCH(Format, format);
    QFETCH(QString, suffix);
    QFETCH(Workbook, book);
    const QString path = m_dir.filePath(QStringLiteral("round.") + suffix);
    QString error;
    QVERIFY2(WorkbookFile::Write(path, format, book, &error), qPrintable(error));
    QCOMPARE(WorkbookFile::DetectFormat(path, &error), format);
    Workbook read;
    QVERIFY2(WorkbookFile::Read(path, &read, &error), qPrintable(error));
    CompareBooks(read, book);
}

void TestWorkbook::independentReaders_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QString>("module");
    QTest::addColumn<int>("rows");
    QTest::newRow("xls by xlrd") << Format::Xls << QStringLiteral("xlrd") << 40;
    QTest::newRow("xlsx by openpyxl") << Format::Xlsx << QStringLiteral("openpyxl") << 40;
}

void TestWorkbook::independentReaders()
{
    QFETCH(Format, format);
    QFETCH(QString, module);
    QFETCH(int, rows);
    const QString missing = MissingModule(module);
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));

    Workbook book = MixedBook();
    book.sheets.append(SheetFromRows(QStringLiteral("货物"), GoodsRows(rows, 19)));
    const QString path = m_dir.filePath(format == Format::Xls ? QStringLiteral("independent.xls") : QStringLiteral("independent.xlsx"));
    QString error;
    QVERIFY2(WorkbookFile::Write(path, format, book, &error), qPrintable(error));
    const QJsonObject dump = RunPython(QString::fromUtf8(format == Format::Xls ? XlrdDump : OpenpyxlDump),
                                       {path}, &error);
    QVERIFY2(!dump.isEmpty(), qPrintable(error));
    QCOMPARE(dump.value(QStringLiteral("names")).toVariant().toStringList(),
             QStringList({QStringLiteral("商品"), QStringLiteral("Other"), QStringLiteral("空"), QStringLiteral("货物")}));
    QVariantMap expected = CellMap(book);
    QVariantMap seen = dump.value(QStringLiteral("cells")).toObject().toVariantMap();
    QCOMPARE(seen.size(), expected.size());
    QCOMPARE(seen, expected);
}

void TestWorkbook::bigTableContinuesSst()
{
    // 10,000 rows x 19 columns: the shared strings run over many CONTINUE
    // records, some strings split across them.
    Workbook book;
    book.sheets.append(SheetFromRows(QStringLiteral("Sheet1"), GoodsRows(10000, 19)));
    book.sheets[0].SetText(10001, 0, QStringLiteral("跨记录").repeated(2600));
    QString streamError;
    const QByteArray stream = XlsWriter::WorkbookStream(book, &streamError);
    QVERIFY2(!stream.isEmpty(), qPrintable(streamError));
    int continues = 0;
    for (int at = 0; at + 4 <= stream.size();) {
        const int id = quint8(stream[at]) | quint8(stream[at + 1]) << 8;
        const int length = quint8(stream[at + 2]) | quint8(stream[at + 3]) << 8;
        QVERIFY(length <= 8224);
        if (id == 0x003C)
            ++continues;
        if (id == 0 && length == 0)
            break; // padding
        at += 4 + length;
    }
    QVERIFY(continues > 100);

    for (Format format : {Format::Xls, Format::Xlsx}) {
        const QString path = m_dir.filePath(format == Format::Xls ? QStringLiteral("big.xls") : QStringLiteral("big.xlsx"));
        QString error;
        QVERIFY2(WorkbookFile::Write(path, format, book, &error), qPrintable(error));
        Workbook read;
        QVERIFY2(WorkbookFile::Read(path, &read, &error), qPrintable(error));
        CompareBooks(read, book);
        if (format != Format::Xls)
            continue;
        if (!MissingModule(QStringLiteral("xlrd")).isEmpty()) {
            qWarning("%s: not checked, %s", qPrintable(path), qPrintable(MissingModule(QStringLiteral("xlrd"))));
            continue;
        }
        const QJsonObject dump = RunPython(QString::fromUtf8(XlrdDump), {path}, &error);
        QVERIFY2(!dump.isEmpty(), qPrintable(error));
        QCOMPARE(dump.value(QStringLiteral("cells")).toObject().toVariantMap(), CellMap(book));
    }
}

void TestWorkbook::openpyxlWorkbookRead()
{
    const QString missing = MissingModule(QStringLiteral("openpyxl"));
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    const QString path = m_dir.filePath(QStringLiteral("byopenpyxl.xlsx"));
    const char *script = R"PY(
import sys, datetime, openpyxl
wb = openpyxl.Workbook()
ws = wb.active
ws.title = '数据'
ws['C3'] = '名称'; ws['D3'] = '数量'; ws['E3'] = '日期'; ws['F3'] = '真'
ws['C4'] = '红色 T恤'; ws['D4'] = 3; ws['E4'] = datetime.date(2024, 5, 1); ws['F4'] = True
ws['C5'] = 'x+y'; ws['D5'] = 2.5; ws['E5'] = datetime.datetime(2024, 5, 1, 13, 30, 5)
ws['D6'] = 0.1 + 0.2; ws['E6'] = 1234567890123
ws['E6'].number_format = '0'
other = wb.create_sheet('其他')
other['A1'] = 'kept'
wb.save(sys.argv[1])
print('{}')
)PY";
    QString error;
    RunPython(QString::fromUtf8(script), {path}, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    Workbook book;
    QVERIFY2(WorkbookFile::Read(path, &book, &error), qPrintable(error));
    QCOMPARE(book.sheets.size(), 2);
    const WorkbookSheet &s = book.sheets.at(0);
    QCOMPARE(s.name, QStringLiteral("数据"));
    QCOMPARE(s.firstRow, 2);
    QCOMPARE(s.firstColumn, 2);
    QCOMPARE(s.Text(3, 2), QStringLiteral("红色 T恤"));
    QCOMPARE(s.Text(3, 3), QStringLiteral("3"));
    QCOMPARE(s.Text(3, 4), QStringLiteral("2024-05-01"));
    QCOMPARE(s.Text(3, 5), QStringLiteral("TRUE"));
    QCOMPARE(s.Text(4, 2), QStringLiteral("x+y"));
    QCOMPARE(s.Text(4, 3), QStringLiteral("2.5"));
    QCOMPARE(s.Text(4, 4), QStringLiteral("2024-05-01 13:30:05"));
    QCOMPARE(s.Text(5, 3), QStringLiteral("0.3"));
    QCOMPARE(s.Text(5, 4), QStringLiteral("1234567890123"));
    QCOMPARE(book.sheets.at(1).Text(0, 0), QStringLiteral("kept"));
}

namespace {

const QByteArray ContentTypes = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/></Types>)";

QByteArray Rels(const QList<QPair<QString, QString>> &typeTargets)
{
    QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
    int id = 1;
    for (const auto &t : typeTargets)
        xml += QStringLiteral(R"(<Relationship Id="rId%1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/%2" Target="%3"/>)")
                   .arg(id++).arg(t.first, t.second).toUtf8();
    return xml + "</Relationships>";
}

const QByteArray WorkbookXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="表一" sheetId="1" r:id="rId1"/></sheets></workbook>)";

const QByteArray SharedStrings = R"(<?xml version="1.0" encoding="UTF-8"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="2" uniqueCount="2"><si><r><t>富</t></r><r><rPr><b/></rPr><t xml:space="preserve"> 文本 </t></r><rPh sb="0" eb="1"><t>ふ</t></rPh></si><si><t>A_x000D_B</t></si></sst>)";

} // namespace

void TestWorkbook::handMadeXlsx_data()
{
    QTest::addColumn<bool>("absoluteTargets");
    QTest::addColumn<QByteArray>("sheetXml");
    QTest::addColumn<QStringList>("expected"); // "row,column=text", 0-based

    const QByteArray plain = R"(<?xml version="1.0" encoding="UTF-8"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>
<row><c t="inlineStr"><is><t>名称</t></is></c><c t="inlineStr"><is><r><t>数</t></r><r><t>量</t></r></is></c></row>
<row><c t="s"><v>0</v></c><c><v>2.50</v></c><c t="b"><v>0</v></c></row>
<row r="5"><c r="C5" t="s"><v>1</v></c><c t="str"><f>A1</f><v>公式</v></c><c t="e"><v>#DIV/0!</v></c></row>
</sheetData></worksheet>)";
    const QStringList expected = {QStringLiteral("0,0=名称"), QStringLiteral("0,1=数量"),
                                  QStringLiteral("1,0=富 文本 "), QStringLiteral("1,1=2.5"), QStringLiteral("1,2=FALSE"),
                                  QStringLiteral("4,2=A\rB"), QStringLiteral("4,3=公式"), QStringLiteral("4,4=#DIV/0!")};
    QTest::newRow("relative targets") << false << plain << expected;
    QTest::newRow("absolute targets") << true << plain << expected;

    QByteArray prefixed = plain;
    prefixed.replace("<worksheet xmlns=", "<x:worksheet xmlns:x=");
    prefixed.replace("</worksheet>", "</x:worksheet>");
    for (const char *tag : {"sheetData", "row", "c", "v", "is", "t", "r", "f"}) {
        prefixed.replace(QByteArray("<") + tag + ">", QByteArray("<x:") + tag + ">");
        prefixed.replace(QByteArray("<") + tag + " ", QByteArray("<x:") + tag + " ");
        prefixed.replace(QByteArray("</") + tag + ">", QByteArray("</x:") + tag + ">");
    }
    QTest::newRow("prefixed elements") << true << prefixed << expected;

    // A cell written out of order still lands where its reference says.
    QTest::newRow("references win") << false << QByteArray(R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>
<row r="2"><c r="B2" t="inlineStr"><is><t>b</t></is></c><c t="inlineStr"><is><t>c</t></is></c></row>
<row><c r="A3" t="inlineStr"><is><t>a</t></is></c></row></sheetData></worksheet>)")
        << QStringList({QStringLiteral("1,1=b"), QStringLiteral("1,2=c"), QStringLiteral("2,0=a")});
}

void TestWorkbook::handMadeXlsx()
{
    QFETCH(bool, absoluteTargets);
    QFETCH(QByteArray, sheetXml);
    QFETCH(QStringList, expected);
    const QString root = absoluteTargets ? QStringLiteral("/") : QString();
    const QString path = m_dir.filePath(QStringLiteral("hand.xlsx"));
    QFile::remove(path);
    QVERIFY(WriteZip(path, {
        {QStringLiteral("[Content_Types].xml"), ContentTypes},
        {QStringLiteral("_rels/.rels"), Rels({{QStringLiteral("officeDocument"), root + QStringLiteral("xl/workbook.xml")}})},
        {QStringLiteral("xl/workbook.xml"), WorkbookXml},
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         Rels({{QStringLiteral("worksheet"), absoluteTargets ? QStringLiteral("/xl/worksheets/sheet1.xml") : QStringLiteral("worksheets/sheet1.xml")},
               {QStringLiteral("sharedStrings"), absoluteTargets ? QStringLiteral("/xl/sharedStrings.xml") : QStringLiteral("./sharedStrings.xml")}})},
        {QStringLiteral("xl/sharedStrings.xml"), SharedStrings},
        {QStringLiteral("xl/worksheets/sheet1.xml"), sheetXml},
    }));
    Workbook book;
    QString error;
    QVERIFY2(WorkbookFile::Read(path, &book, &error), qPrintable(error));
    QCOMPARE(book.sheets.size(), 1);
    QCOMPARE(book.sheets.at(0).name, QStringLiteral("表一"));
    QStringList seen;
    const WorkbookSheet &sheet = book.sheets.at(0);
    for (int r = 0; r < sheet.rows.size(); ++r) {
        for (int c = 0; c < sheet.rows.at(r).size(); ++c) {
            if (!sheet.Text(r, c).isEmpty())
                seen << QStringLiteral("%1,%2=%3").arg(r).arg(c).arg(sheet.Text(r, c));
        }
    }
    QCOMPARE(seen, expected);
}

void TestWorkbook::numberTexts_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("integer") << 3.0 << QStringLiteral("3");
    QTest::newRow("half") << 2.5 << QStringLiteral("2.5");
    QTest::newRow("binary noise") << 0.1 + 0.2 << QStringLiteral("0.3");
    QTest::newRow("13 digits") << 1234567890123.0 << QStringLiteral("1234567890123");
    QTest::newRow("big, no exponent") << 1e20 << QStringLiteral("100000000000000000000");
    QTest::newRow("small, no exponent") << 0.0000001 << QStringLiteral("0.0000001");
    QTest::newRow("many decimals kept") << 0.1234567 << QStringLiteral("0.1234567");
    QTest::newRow("negative") << -45.75 << QStringLiteral("-45.75");
    QTest::newRow("negative zero") << -0.0 << QStringLiteral("0");
}

void TestWorkbook::numberTexts()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(WorkbookFile::NumberToText(value), text);
}

void TestWorkbook::damagedFilesReported_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("zero bytes") << QStringLiteral("empty");
    QTest::newRow("text file") << QStringLiteral("text");
    QTest::newRow("truncated xls") << QStringLiteral("xls-half");
    QTest::newRow("xls magic only") << QStringLiteral("xls-magic");
    QTest::newRow("truncated xlsx") << QStringLiteral("xlsx-half");
    QTest::newRow("xlsx without workbook") << QStringLiteral("zip-other");
    QTest::newRow("xlsx with broken sheet xml") << QStringLiteral("xlsx-badxml");
    QTest::newRow("folder") << QStringLiteral("folder");
    QTest::newRow("missing") << QStringLiteral("missing");
}

void TestWorkbook::damagedFilesReported()
{
    QFETCH(QString, kind);
    const QString path = m_dir.filePath(QStringLiteral("damaged-") + kind);
    Workbook good;
    good.sheets.append(SheetFromRows(QStringLiteral("Sheet1"), GoodsRows(300, 19)));
    QString error;
    auto truncated = [&](Format format, int keep) {
        const QString full = path + QStringLiteral(".full");
        QVERIFY(WorkbookFile::Write(full, format, good, &error));
        QFile in(full);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QByteArray data = in.readAll();
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(data.left(keep < 0 ? data.size() / 2 : keep));
    };
    auto writeFile = [&](const QByteArray &data) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(data);
    };
    if (kind == QLatin1String("empty"))
        writeFile(QByteArray());
    else if (kind == QLatin1String("text"))
        writeFile("名称,数量\n苹果,3\n");
    else if (kind == QLatin1String("xls-half"))
        truncated(Format::Xls, -1);
    else if (kind == QLatin1String("xls-magic"))
        truncated(Format::Xls, 8);
    else if (kind == QLatin1String("xlsx-half"))
        truncated(Format::Xlsx, -1);
    else if (kind == QLatin1String("zip-other"))
        QVERIFY(WriteZip(path, {{QStringLiteral("readme.txt"), "hello"}}));
    else if (kind == QLatin1String("xlsx-badxml"))
        QVERIFY(WriteZip(path, {{QStringLiteral("xl/workbook.xml"), WorkbookXml},
                                {QStringLiteral("xl/_rels/workbook.xml.rels"), Rels({{QStringLiteral("worksheet"), QStringLiteral("worksheets/sheet1.xml")}})},
                                {QStringLiteral("xl/worksheets/sheet1.xml"), "<worksheet><sheetData><row><c><v>1</v></row>"}}));
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(path));

    Workbook book;
    error.clear();
    QVERIFY(!WorkbookFile::Read(path, &book, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(book.sheets.isEmpty());
}

namespace {

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

void TestWorkbook::damagedXlsStreamsRefused_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("continued string without its flags") << QStringLiteral("flags");
    QTest::newRow("more strings counted than stored") << QStringLiteral("count");
    QTest::newRow("record running past the stream") << QStringLiteral("cut");
    QTest::newRow("sheet offset outside the stream") << QStringLiteral("sheet");
}

void TestWorkbook::damagedXlsStreamsRefused()
{
    QFETCH(QString, damage);
    Workbook book;
    // One string long enough to start in the SST and end in a CONTINUE.
    book.sheets.append(SheetFromRows(QStringLiteral("Sheet1"),
        {{QStringLiteral("x").repeated(6000), QStringLiteral("名称")}, {QStringLiteral("a"), QStringLiteral("b")}}));
    QString error;
    QByteArray stream = XlsWriter::WorkbookStream(book, &error);
    QVERIFY2(!stream.isEmpty(), qPrintable(error));
    const int sst = FindRecord(stream, 0x00FC);
    const int cont = FindRecord(stream, 0x003C);
    const int sheet = FindRecord(stream, 0x0085);
    QVERIFY(sst > 0 && cont > sst && sheet > 0);
    QCOMPARE(int(quint8(stream[cont + 4])), 0x01);
    if (damage == QLatin1String("flags")) {
        stream.remove(cont + 4, 1);
        const int length = (quint8(stream[cont + 2]) | quint8(stream[cont + 3]) << 8) - 1;
        stream[cont + 2] = char(length & 0xFF);
        stream[cont + 3] = char(length >> 8);
    } else if (damage == QLatin1String("count")) {
        stream[sst + 8] = char(quint8(stream[sst + 8]) + 5);
    } else if (damage == QLatin1String("cut")) {
        stream.truncate(cont + 100);
    } else {
        stream[sheet + 7] = char(0x7F);
    }
    const QString path = m_dir.filePath(QStringLiteral("damaged-") + damage + QStringLiteral(".xls"));
    QVERIFY2(XlsWriter::WriteContainer(path, stream, &error), qPrintable(error));
    Workbook read;
    QVERIFY(!WorkbookFile::Read(path, &read, &error));
    QVERIFY2(error.contains(QStringLiteral("损坏")), qPrintable(error));
}

void TestWorkbook::failedWriteKeepsExistingFile()
{
    const QString path = m_dir.filePath(QStringLiteral("keep.xls"));
    Workbook book;
    book.sheets.append(SheetFromRows(QStringLiteral("Sheet1"), {{QStringLiteral("原来的")}}));
    QString error;
    QVERIFY(WorkbookFile::Write(path, Format::Xls, book, &error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    // Too many rows for the format: refused, the old file stays.
    Workbook tooBig = book;
    tooBig.sheets[0].SetText(WorkbookFile::XlsMaxRows, 0, QStringLiteral("x"));
    QVERIFY(!WorkbookFile::Write(path, Format::Xls, tooBig, &error));
    QVERIFY(error.contains(QStringLiteral("65536")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    file.close();
    // No stray temporary files beside it.
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral(".quillon-*")}, QDir::Files | QDir::Hidden), QStringList());

    error.clear();
    QVERIFY(!WorkbookFile::Write(m_dir.filePath(QStringLiteral("no/such/folder/a.xls")), Format::Xls, book, &error));
    QVERIFY(!error.isEmpty());
}

namespace {

QByteArray Le(quint64 value, int bytes)
{
    QByteArray b;
    for (int i = 0; i < bytes; ++i)
        b.append(char((value >> (8 * i)) & 0xFF));
    return b;
}

QByteArray Record(int id, const QByteArray &body)
{
    return Le(id, 2) + Le(body.size(), 2) + body;
}

// Row 1 (0-based), column c, format f: the start of every cell record.
QByteArray CellHead(int column, int xf = 15)
{
    return Le(1, 2) + Le(column, 2) + Le(xf, 2);
}

QByteArray Double(double d)
{
    quint64 bits;
    std::memcpy(&bits, &d, sizeof bits);
    return Le(bits, 8);
}

QByteArray Utf16(const QString &text)
{
    QByteArray b;
    for (QChar ch : text)
        b += Le(ch.unicode(), 2);
    return b;
}

} // namespace

void TestWorkbook::xlsCellRecords_data()
{
    // Cell records other writers produce, put into a sheet of ours; row 1.
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<QStringList>("texts"); // columns 0.. of row 1
    const QByteArray formulaTail = Le(0, 2) + Le(0, 4) + Le(0, 2); // flags, chain, no tokens
    QTest::newRow("number") << Record(0x0203, CellHead(0) + Double(2.5)) << QStringList{"2.5"};
    QTest::newRow("number as a date") << Record(0x0203, CellHead(0, 16) + Double(45413.5))
                                      << QStringList{"2024-05-01 12:00:00"};
    QTest::newRow("rk integer and hundredths")
        << Record(0x027E, CellHead(0) + Le(1234 << 2 | 2, 4)) + Record(0x027E, CellHead(1) + Le(12345 << 2 | 3, 4))
        << QStringList{"1234", "123.45"};
    QTest::newRow("mulrk") << Record(0x00BD, Le(1, 2) + Le(0, 2) + Le(15, 2) + Le(7 << 2 | 2, 4) + Le(15, 2)
                                                 + Le(quint32(-3) << 2 | 2, 4) + Le(1, 2))
                           << QStringList{"7", "-3"};
    QTest::newRow("boolean and error") << Record(0x0205, CellHead(0) + Le(1, 1) + Le(0, 1))
                                                  + Record(0x0205, CellHead(1) + Le(7, 1) + Le(1, 1))
                                       << QStringList{"TRUE", "#错误"};
    QTest::newRow("label") << Record(0x0204, CellHead(0) + Le(4, 2) + Le(1, 1) + Utf16(QStringLiteral("旧式文字")))
                           << QStringList{"旧式文字"};
    QTest::newRow("formula with a number result") << Record(0x0006, CellHead(0) + Double(12.5) + formulaTail)
                                                  << QStringList{"12.5"};
    QTest::newRow("formula with a text result over a CONTINUE")
        << Record(0x0006, CellHead(0) + QByteArray("\x00\x00\x00\x00\x00\x00\xFF\xFF", 8) + formulaTail)
               + Record(0x0207, Le(4, 2) + Le(1, 1) + Utf16(QStringLiteral("合计")))
               + Record(0x003C, Le(0, 1) + "ab")
        << QStringList{"合计ab"};
    QTest::newRow("label index past the strings") << Record(0x00FD, CellHead(0) + Le(999, 4)) << QStringList();
    QTest::newRow("cell record cut short") << Record(0x0203, CellHead(0) + Le(0, 3)) << QStringList{""};
}

void TestWorkbook::xlsCellRecords()
{
    QFETCH(QByteArray, records);
    QFETCH(QStringList, texts);
    Workbook book;
    book.sheets.append(SheetFromRows(QStringLiteral("Sheet1"), {{QStringLiteral("h")}}));
    QString error;
    QByteArray stream = XlsWriter::WorkbookStream(book, &error);
    const int sheet = FindRecord(stream, 0x0085);
    const int sheetAt = int(quint8(stream[sheet + 4]) | quint8(stream[sheet + 5]) << 8 | quint8(stream[sheet + 6]) << 16);
    const int window2 = FindRecord(stream.mid(sheetAt), 0x023E);
    QVERIFY(sheetAt > 0 && window2 > 0);
    stream.insert(sheetAt + window2, records);
    const QString path = m_dir.filePath(QStringLiteral("records.xls"));
    QVERIFY2(XlsWriter::WriteContainer(path, stream, &error), qPrintable(error));
    Workbook read;
    const bool ok = WorkbookFile::Read(path, &read, &error);
    if (texts.isEmpty()) {
        QVERIFY(!ok);
        QVERIFY2(error.contains(QStringLiteral("损坏")), qPrintable(error));
        return;
    }
    QVERIFY2(ok, qPrintable(error));
    for (int c = 0; c < texts.size(); ++c)
        QCOMPARE(read.sheets.at(0).Text(1, c), texts.at(c));
}

void TestWorkbook::xlsxOversizeRefused_data()
{
    QTest::addColumn<QByteArray>("sheetData");
    QTest::addColumn<QString>("refusal"); // empty: read
    QTest::addColumn<int>("dataRows");
    QTest::newRow("one cell at the last row") << QByteArray(R"(<row r="1048576"><c r="A1048576" t="inlineStr"><is><t>x</t></is></c></row>)")
                                              << QString() << 1048576;
    QTest::newRow("blank cell at the last row") << QByteArray(R"(<row r="1"><c r="A1" t="inlineStr"><is><t>x</t></is></c></row><row r="1048576"><c r="A1048576" s="1"/></row>)")
                                                << QString() << 1;
    QTest::newRow("one cell at the last column") << QByteArray(R"(<row r="1048576"><c r="XFD1048576"><v>1</v></c></row>)")
                                                 << QStringLiteral("超过 64 列") << 0;
    // A small file whose sheet inflates past the part cap (written below).
    QTest::newRow("part inflating past 200 MB") << QByteArray() << QStringLiteral("超过 200 MB") << 0;
}

void TestWorkbook::xlsxOversizeRefused()
{
    QFETCH(QByteArray, sheetData);
    QFETCH(QString, refusal);
    QFETCH(int, dataRows);
    const QString path = m_dir.filePath(QStringLiteral("oversize.xlsx"));
    QList<QPair<QString, QByteArray>> parts{
        {QStringLiteral("xl/workbook.xml"), WorkbookXml},
        {QStringLiteral("xl/_rels/workbook.xml.rels"), Rels({{QStringLiteral("worksheet"), QStringLiteral("worksheets/sheet1.xml")}})}};
    if (!sheetData.isEmpty())
        parts.append({QStringLiteral("xl/worksheets/sheet1.xml"), "<worksheet><sheetData>" + sheetData + "</sheetData></worksheet>"});
    QVERIFY(WriteZip(path, parts));
    if (sheetData.isEmpty()) {
        // 210 MB of spaces streamed into the sheet part at the fastest level.
        QuaZip zip(path);
        QVERIFY(zip.open(QuaZip::mdAdd));
        QuaZipFile file(&zip);
        QVERIFY(file.open(QIODevice::WriteOnly, QuaZipNewInfo(QStringLiteral("xl/worksheets/sheet1.xml")), nullptr, 0,
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
    if (refusal.contains(QLatin1String("MB"))) {
        QVERIFY(!read);
        QVERIFY2(error.contains(refusal), qPrintable(error));
        return;
    }
    QVERIFY2(read, qPrintable(error));
    const WorkbookSheet &sheet = book.sheets.at(0);
    QCOMPARE(WorkbookFile::SheetProblem(sheet).contains(QStringLiteral("超过 64 列")), !refusal.isEmpty());
    // Rows take memory only up to the last one with text.
    QCOMPARE(sheet.rows.size(), dataRows);
}

QTEST_GUILESS_MAIN(TestWorkbook)
#include "test_workbook.moc"
