// The engine as import and export use it: construct, Open(1, false), one read
// or write, Close.
#include "exchange/excelengine.h"
#include "workbooktesthelpers.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace WorkbookTest;

namespace xlrd {
enum CellType { Number = 2, Date = 3, Boolean = 4 };
}
using WorkbookFile::Format;

Q_DECLARE_METATYPE(WorkbookFile::Format)
Q_DECLARE_METATYPE(WorkbookSheet)

class TestExcelEngine : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void openFailuresLeaveFileAlone_data();
    void openFailuresLeaveFileAlone();
    void rowsAsText_data();
    void rowsAsText();
    void missingFileIsNotRead();
    void exportKeepsOtherCells_data();
    void exportKeepsOtherCells();
    void newFileFormatFollowsName_data();
    void newFileFormatFollowsName();
    void readingLeavesWorkbookUntouched();
    void engineReusedSavesEachWorkbook();
    void backslashesAreSeparators();
    void saveFailureReported();
    void cellValues_data();
    void cellValues();
    void cellLimits();

private:
    QString Path(const QString &name) const { return m_dir->filePath(name); }
    QByteArray Bytes(const QString &path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void WriteBook(const QString &path, Format format, const QVector<WorkbookSheet> &sheets)
    {
        Workbook book;
        book.sheets = sheets;
        QString error;
        QVERIFY2(WorkbookFile::Write(path, format, book, &error), qPrintable(error));
    }

    QScopedPointer<QTemporaryDir> m_dir;
};

void TestExcelEngine::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void TestExcelEngine::openFailuresLeaveFileAlone_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // written first unless null
    QTest::addColumn<int>("sheet");
    QTest::newRow("no name") << QString() << QByteArray() << 1;
    QTest::newRow("zero bytes") << QStringLiteral("empty.xls") << QByteArray("") << 1;
    QTest::newRow("text file named xlsx") << QStringLiteral("notes.xlsx") << QByteArray("序号,名称\n1,苹果\n") << 1;
    QTest::newRow("zip that is no workbook") << QStringLiteral("other.xlsx") << QByteArray("PK\x03\x04 broken", 13) << 1;
    QTest::newRow("ole2 header only") << QStringLiteral("bad.xls") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << 1;
    QTest::newRow("sheet beyond the workbook") << QStringLiteral("one.xlsx") << QByteArray() << 2;
    QTest::newRow("sheet zero") << QStringLiteral("one.xlsx") << QByteArray() << 0;
}

void TestExcelEngine::openFailuresLeaveFileAlone()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, sheet);
    const QString path = name.isEmpty() ? QString() : Path(name);
    if (name == QLatin1String("one.xlsx"))
        WriteBook(path, Format::Xlsx, {SheetFromRows(QStringLiteral("S"), {{QStringLiteral("h")}, {QStringLiteral("v")}})});
    else if (!content.isNull()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    const QByteArray before = path.isEmpty() ? QByteArray() : Bytes(path);
    {
        ExcelEngine engine(path);
        QVERIFY(!engine.Open(sheet, false));
        QVERIFY(!engine.ErrorString().isEmpty());
        QVERIFY(!engine.IsOpen());
        QStringList rows;
        QVERIFY(!engine.ReadRowsAsText(&rows));
        QVERIFY(rows.isEmpty());
        QVERIFY(!engine.SetCellData(1, 1, QStringLiteral("x")));
        engine.Close();
    }
    if (!path.isEmpty())
        QCOMPARE(Bytes(path), before);
}

void TestExcelEngine::rowsAsText_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<WorkbookSheet>("sheet");
    QTest::addColumn<QStringList>("expected");

    const WorkbookSheet headerOnly = SheetFromRows(QStringLiteral("S"), {{QStringLiteral("序号"), QStringLiteral("名称")}});
    // Header in row 3, table from column B: row 3 is skipped, B is field 0.
    const WorkbookSheet offset = SheetFromRows(QStringLiteral("S"),
        {{QStringLiteral("h1"), QStringLiteral("h2")}, {QStringLiteral("a"), QStringLiteral("b")}}, 2, 1);
    // "+" inside a cell, blanks in the middle and at the end keep their places.
    const WorkbookSheet plus = SheetFromRows(QStringLiteral("S"),
        {{QStringLiteral("h1"), QStringLiteral("h2"), QStringLiteral("h3"), QStringLiteral("h4")},
         {QStringLiteral("1+1"), QString(), QStringLiteral("c"), QString()},
         {QStringLiteral("++"), QStringLiteral("^^"), QString(), QString()}});

    for (Format f : {Format::Xls, Format::Xlsx}) {
        const char *tag = f == Format::Xls ? "xls" : "xlsx";
        QTest::newRow(qPrintable(QStringLiteral("%1 header only").arg(tag))) << f << headerOnly << QStringList();
        QTest::newRow(qPrintable(QStringLiteral("%1 range from row 3").arg(tag))) << f << offset << QStringList{QStringLiteral("a+b")};
        QTest::newRow(qPrintable(QStringLiteral("%1 plus and blanks").arg(tag))) << f << plus
            << QStringList{QStringLiteral("1^^1++c+"), QStringLiteral("^^^^+^^++")};
    }
}

void TestExcelEngine::rowsAsText()
{
    QFETCH(Format, format);
    QFETCH(WorkbookSheet, sheet);
    QFETCH(QStringList, expected);
    const QString path = Path(format == Format::Xls ? QStringLiteral("in.xls") : QStringLiteral("in.xlsx"));
    WriteBook(path, format, {sheet});
    ExcelEngine engine(path);
    QVERIFY2(engine.Open(1, false), qPrintable(engine.ErrorString()));
    QStringList rows{QStringLiteral("kept")};
    QVERIFY(engine.ReadRowsAsText(&rows));
    QCOMPARE(rows, QStringList{QStringLiteral("kept")} + expected);
    QVERIFY(engine.Close());
}

void TestExcelEngine::missingFileIsNotRead()
{
    const QString path = Path(QStringLiteral("missing.xls"));
    ExcelEngine engine(path);
    QVERIFY(engine.Open(1, false));
    QVERIFY(engine.IsNewFile());
    QCOMPARE(engine.StartRow(), 1);
    QCOMPARE(engine.RowCount(), 1);
    QStringList rows;
    QVERIFY(!engine.ReadRowsAsText(&rows));
    QVERIFY(engine.ErrorString().contains(QStringLiteral("不存在")));
    // Nothing written, nothing created.
    QVERIFY(engine.Close());
    QVERIFY(!QFile::exists(path));
}

void TestExcelEngine::exportKeepsOtherCells_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<bool>("byOpenpyxl");
    QTest::newRow("xls") << Format::Xls << false;
    QTest::newRow("xlsx") << Format::Xlsx << false;
    QTest::newRow("xlsx made by openpyxl") << Format::Xlsx << true;
}

void TestExcelEngine::exportKeepsOtherCells()
{
    QFETCH(Format, format);
    QFETCH(bool, byOpenpyxl);
    const QString path = Path(format == Format::Xls ? QStringLiteral("old.xls") : QStringLiteral("old.xlsx"));
    if (byOpenpyxl) {
        const QString missing = MissingModule(QStringLiteral("openpyxl"));
        if (!missing.isEmpty())
            QSKIP(qPrintable(missing));
        QString error;
        RunPython(QStringLiteral(R"PY(
import sys, datetime, openpyxl
wb = openpyxl.Workbook()
ws = wb.active
ws.title = '台账'
for r in range(1, 6):
    for c in range(1, 5):
        ws.cell(r, c, 'old%d%d' % (r, c))
ws['H10'] = 42
ws['J1'] = '注'
ws['K2'] = '=H10*2'
other = wb.create_sheet('备份')
other['B2'] = '别动'
other['C3'] = 1234.5
other['D4'] = datetime.date(2024, 5, 1)
other['E5'] = 123456789012345678
other['F6'] = True
other['G7'] = '=C3*2'
wb.save(sys.argv[1])
print('{}')
)PY"), {path}, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    } else {
        WorkbookSheet first;
        first.name = QStringLiteral("台账");
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 4; ++c)
                first.SetText(r, c, QStringLiteral("old%1%2").arg(r + 1).arg(c + 1));
        first.SetText(9, 7, QStringLiteral("42"));
        first.SetText(0, 9, QStringLiteral("注"));
        WorkbookSheet other = SheetFromRows(QStringLiteral("备份"), {{}, {QString(), QStringLiteral("别动")}});
        auto typed = [&other](int r, int c, TypedCell::Kind kind, double value, const QString &text) {
            TypedCell cell;
            cell.kind = kind;
            cell.value = value;
            other.SetTyped(r, c, text, cell);
        };
        typed(2, 2, TypedCell::Number, 1234.5, QStringLiteral("1234.5"));
        typed(3, 3, TypedCell::Date, 45413, QStringLiteral("2024-05-01"));
        typed(4, 4, TypedCell::Number, 123456789012345678.0, QStringLiteral("123456789012346000"));
        typed(5, 5, TypedCell::Boolean, 1, QStringLiteral("TRUE"));
        WriteBook(path, format, {first, other});
    }
    const QByteArray before = Bytes(path);

    {
        ExcelEngine engine(path);
        QVERIFY2(engine.Open(1, false), qPrintable(engine.ErrorString()));
        QVERIFY2(engine.WriteRows({QStringLiteral("序号"), QStringLiteral("名称"), QStringLiteral("数量")},
                                  {{QStringLiteral("1"), QStringLiteral("苹果"), QString()},
                                   {QStringLiteral("2"), QStringLiteral("梨"), QStringLiteral("5")}}),
                 qPrintable(engine.ErrorString()));
        // Only the openpyxl sheet holds a formula on the sheet written.
        QCOMPARE(engine.FormulasAsValues(), byOpenpyxl ? 1 : 0);
        QVERIFY(engine.Close());
    }
    QString error;
    QCOMPARE(WorkbookFile::DetectFormat(path, &error), format);
    Workbook book;
    QVERIFY2(WorkbookFile::Read(path, &book, &error), qPrintable(error));
    QCOMPARE(book.sheets.size(), 2);
    const WorkbookSheet &s = book.sheets.at(0);
    QCOMPARE(s.name, QStringLiteral("台账"));
    // The table's extent is overwritten, empty texts included...
    QCOMPARE(s.Text(0, 0), QStringLiteral("序号"));
    QCOMPARE(s.Text(1, 1), QStringLiteral("苹果"));
    QCOMPARE(s.Text(1, 2), QString());
    QCOMPARE(s.Text(2, 2), QStringLiteral("5"));
    // ...everything beyond it stays.
    QCOMPARE(s.Text(0, 3), QStringLiteral("old14"));
    QCOMPARE(s.Text(3, 0), QStringLiteral("old41"));
    QCOMPARE(s.Text(4, 3), QStringLiteral("old54"));
    QCOMPARE(s.Text(9, 7), QStringLiteral("42"));
    QCOMPARE(s.Text(0, 9), QStringLiteral("注"));
    QCOMPARE(book.sheets.at(1).name, QStringLiteral("备份"));
    QCOMPARE(book.sheets.at(1).Text(1, 1), QStringLiteral("别动"));

    // The other sheet keeps its cells' types: in an .xlsx every part but the
    // written sheet's is the same bytes; an .xls is read back by xlrd.
    if (format == Format::Xlsx) {
        const QString old = Path(QStringLiteral("before.xlsx"));
        QFile f(old);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(before) == before.size());
        f.close();
        auto raw = [](const QString &zipPath) {
            QMap<QString, QByteArray> parts;
            QuaZip zip(zipPath);
            if (!zip.open(QuaZip::mdUnzip))
                return parts;
            for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
                int method = 0, level = 0;
                QuaZipFile file(&zip);
                if (file.open(QIODevice::ReadOnly, &method, &level, true))
                    parts.insert(zip.getCurrentFileName(), file.readAll());
            }
            return parts;
        };
        QMap<QString, QByteArray> was = raw(old);
        QMap<QString, QByteArray> now = raw(path);
        QCOMPARE(now.keys(), was.keys());
        QVERIFY(now.take(QStringLiteral("xl/worksheets/sheet1.xml")) != was.take(QStringLiteral("xl/worksheets/sheet1.xml")));
        QVERIFY(now == was);
        return;
    }
    const QString missing = MissingModule(QStringLiteral("xlrd"));
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    const QJsonObject types = RunPython(QStringLiteral(R"PY(
import sys, json, xlrd
sh = xlrd.open_workbook(sys.argv[1]).sheet_by_index(1)
print(json.dumps({'%d,%d' % (r, c): [sh.cell_type(r, c), sh.cell_value(r, c)] for r, c in [(2, 2), (3, 3), (4, 4), (5, 5)]}))
)PY"), {path}, &error);
    QCOMPARE(types.value("2,2").toArray(), QJsonArray({xlrd::Number, 1234.5}));
    QCOMPARE(types.value("3,3").toArray(), QJsonArray({xlrd::Date, 45413}));
    QCOMPARE(types.value("4,4").toArray(), QJsonArray({xlrd::Number, 123456789012345678.0}));
    QCOMPARE(types.value("5,5").toArray(), QJsonArray({xlrd::Boolean, 1}));
}

void TestExcelEngine::newFileFormatFollowsName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Format>("format");
    QTest::newRow(".xls") << QStringLiteral("a.xls") << Format::Xls;
    QTest::newRow(".xlsx") << QStringLiteral("a.xlsx") << Format::Xlsx;
    QTest::newRow(".XLSX") << QStringLiteral("b.XLSX") << Format::Xlsx;
    QTest::newRow("no suffix") << QStringLiteral("plain") << Format::Xls;
    QTest::newRow(".xlsx.bak") << QStringLiteral("c.xlsx.bak") << Format::Xls;
}

void TestExcelEngine::newFileFormatFollowsName()
{
    QFETCH(QString, name);
    QFETCH(Format, format);
    const QString path = Path(name);
    const QVector<QStringList> rows = GoodsRows(3, 19);
    {
        ExcelEngine engine(path);
        QVERIFY(engine.Open(1, false));
        QVERIFY2(engine.WriteRows(rows.first(), rows.mid(1)), qPrintable(engine.ErrorString()));
    } // the destructor closes
    QString error;
    QCOMPARE(WorkbookFile::DetectFormat(path, &error), format);
    ExcelEngine engine(path);
    QVERIFY2(engine.Open(1, false), qPrintable(engine.ErrorString()));
    QCOMPARE(engine.ColumnCount(), 19);
    QVector<QStringList> read;
    QVERIFY(engine.ReadRows(&read));
    QCOMPARE(read, rows.mid(1));
}

void TestExcelEngine::readingLeavesWorkbookUntouched()
{
    // Saving what was only read would strip the user's formatting and formulas.
    const QString path = Path(QStringLiteral("mine.xlsx"));
    WriteBook(path, Format::Xlsx, {SheetFromRows(QStringLiteral("S"), {{QStringLiteral("h")}, {QStringLiteral("v")}})});
    const QByteArray before = Bytes(path);
    const QDateTime modified = QFileInfo(path).lastModified();
    QTest::qWait(20);
    ExcelEngine engine(path);
    QVERIFY(engine.Open(1, false));
    QStringList rows;
    QVERIFY(engine.ReadRowsAsText(&rows));
    QCOMPARE(rows, QStringList{QStringLiteral("v")});
    QVERIFY(engine.Close());
    QCOMPARE(Bytes(path), before);
    QCOMPARE(QFileInfo(path).lastModified(), modified);
}

void TestExcelEngine::engineReusedSavesEachWorkbook()
{
    const QString first = Path(QStringLiteral("first.xlsx"));
    const QString second = Path(QStringLiteral("second.xls"));
    WriteBook(second, Format::Xls, {SheetFromRows(QStringLiteral("S"), {{QStringLiteral("old")}})});
    ExcelEngine engine(first);
    QVERIFY(engine.Open(1, false));
    QVERIFY(engine.SetCellData(1, 1, QStringLiteral("one")));
    QVERIFY(engine.Save());
    // A workbook saves once: later changes wait for the next Open.
    QVERIFY(engine.SetCellData(1, 1, QStringLiteral("changed")));
    QVERIFY(engine.Save());
    QVERIFY(engine.Close());

    ExcelEngine check(first);
    QVERIFY(check.Open(1, false));
    QCOMPARE(check.CellText(1, 1), QStringLiteral("one"));
    check.Close();

    // Open on an open engine closes the first workbook; the second still saves.
    ExcelEngine reused(first);
    QVERIFY(reused.Open(1, false));
    QVERIFY(reused.SetCellData(2, 1, QStringLiteral("two")));
    QVERIFY(reused.Open(1, false)); // saves first.xlsx
    QVERIFY(reused.SetCellData(3, 1, QStringLiteral("three")));
    QVERIFY(reused.Close());
    Workbook book;
    QString error;
    QVERIFY(WorkbookFile::Read(first, &book, &error));
    QCOMPARE(book.sheets.at(0).Text(1, 0), QStringLiteral("two"));
    QCOMPARE(book.sheets.at(0).Text(2, 0), QStringLiteral("three"));
}

void TestExcelEngine::backslashesAreSeparators()
{
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("TabDateSave")));
    QString name = Path(QStringLiteral("TabDateSave/page.xls"));
    name.replace(QLatin1Char('/'), QLatin1Char('\\'));
    ExcelEngine engine(name);
    QCOMPARE(engine.FileName(), name);
    QVERIFY(engine.Open(1, false));
    QVERIFY(engine.WriteRows({QStringLiteral("h")}, {{QStringLiteral("v")}}));
    QVERIFY(engine.Close());
    QVERIFY(QFile::exists(Path(QStringLiteral("TabDateSave/page.xls"))));
}

void TestExcelEngine::saveFailureReported()
{
    ExcelEngine engine(Path(QStringLiteral("no/such/folder/x.xlsx")));
    QVERIFY(engine.Open(1, false));
    QVERIFY(engine.SetCellData(1, 1, QStringLiteral("x")));
    QVERIFY(!engine.Close());
    QVERIFY(engine.ErrorString().contains(QStringLiteral("no/such/folder")));

    if (::geteuid() == 0)
        QSKIP("running as root: a read-only folder cannot be tested");
    const QString folder = Path(QStringLiteral("locked"));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/keep.xls");
    WriteBook(path, Format::Xls, {SheetFromRows(QStringLiteral("S"), {{QStringLiteral("old")}})});
    const QByteArray before = Bytes(path);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    ExcelEngine locked(path);
    QVERIFY(locked.Open(1, false));
    QVERIFY(!locked.WriteRows({QStringLiteral("new")}, {}));
    QVERIFY(!locked.ErrorString().isEmpty());
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(Bytes(path), before);
}

void TestExcelEngine::cellValues_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("double") << QVariant(2.5) << QStringLiteral("2.5");
    QTest::newRow("large double without exponent") << QVariant(12345678901.0) << QStringLiteral("12345678901");
    QTest::newRow("date") << QVariant(QDate(2024, 5, 1)) << QStringLiteral("2024-05-01");
    QTest::newRow("null") << QVariant() << QString();
}

void TestExcelEngine::cellValues()
{
    QFETCH(QVariant, value);
    QFETCH(QString, text);
    const QString path = Path(QStringLiteral("values.xls"));
    {
        ExcelEngine engine(path);
        QVERIFY(engine.Open(1, false));
        QVERIFY(engine.SetCellData(1, 1, QStringLiteral("head")));
        QVERIFY(engine.SetCellData(2, 1, value));
        QVERIFY(engine.SetCellData(2, 2, QStringLiteral("end")));
        QVERIFY(engine.Close());
    }
    ExcelEngine engine(path);
    QVERIFY(engine.Open(1, false));
    QStringList rows;
    QVERIFY(engine.ReadRowsAsText(&rows));
    QCOMPARE(rows, QStringList{text + QStringLiteral("+end")});
}

void TestExcelEngine::cellLimits()
{
    ExcelEngine xls(Path(QStringLiteral("limits.xls")));
    QVERIFY(xls.Open(1, false));
    QVERIFY(!xls.SetCellData(0, 1, QStringLiteral("x")));
    QVERIFY(!xls.SetCellData(1, 0, QStringLiteral("x")));
    QVERIFY(!xls.SetCellData(WorkbookFile::XlsMaxRows + 1, 1, QStringLiteral("x")));
    QVERIFY(!xls.SetCellData(1, WorkbookFile::XlsMaxColumns + 1, QStringLiteral("x")));
    QVERIFY(!xls.SetCellData(1, 1, QString(WorkbookFile::MaxCellLength + 1, QLatin1Char('x'))));
    QVERIFY(!xls.ErrorString().isEmpty());
    QVERIFY(xls.SetCellData(WorkbookFile::XlsMaxRows, WorkbookFile::XlsMaxColumns, QStringLiteral("corner")));
    QVERIFY(xls.Close());
    // Written, but far wider than any page or list: refused on reading.
    ExcelEngine corner(Path(QStringLiteral("limits.xls")));
    QVERIFY2(corner.Open(1, false), qPrintable(corner.ErrorString()));
    QVector<QStringList> rows;
    QVERIFY(!corner.ReadRows(&rows));
    QVERIFY2(corner.ErrorString().contains(QStringLiteral("超过 64 列")), qPrintable(corner.ErrorString()));

    ExcelEngine xlsx(Path(QStringLiteral("limits.xlsx")));
    QVERIFY(xlsx.Open(1, false));
    QVERIFY(xlsx.SetCellData(WorkbookFile::XlsMaxRows + 1, WorkbookFile::XlsMaxColumns + 1, QStringLiteral("beyond xls")));
    QVERIFY(xlsx.Close());
}

QTEST_GUILESS_MAIN(TestExcelEngine)
#include "test_excelengine.moc"
