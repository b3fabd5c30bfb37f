// Pages and lists to and from workbooks, pages to PDF: rows come back as they were, refused or
// damaged input stores nothing, every failure is told.
#include "app/mainwindow.h"
#include "db/listcodec.h"
#include "exchange/excelengine.h"
#include "exchange/ledgerexchange_window.h"
#include "exchange/printwidget.h"
#include "exchange/rowspdf.h"
#include "ledger/ledgerkinds.h"
#include "ledgertestsupport.h"
#include "masterdata/dialoginfotodb.h"
#include "resources/resources.h"
#include "storetestsupport.h"
#include "workbooktestsupport.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace LedgerExchange;
using Rows = QList<QStringList>;

namespace {

// A goods or finance row of today with every field filled: Chinese, "+", "-" and "." in fields, numbers.
template <typename Record>
Record Row(int tabType, const QString &serial, const QString &remark)
{
    const QString today = QDate::currentDate().toString("yyyy-MM-dd");
    const QStringList texts = Record::TextCount == GoodsRecord::TextCount
        ? QStringList{"女装", "连衣裙 A+B", "M-1",  "红",      "6901234567890", "L",
                      today,  "一号仓-A区", "3",    "12.5",    "37.5",          "30",
                      "7.5",  "供货商甲",   "张三", "NO.0001", "李四"}
        : QStringList{"销售收款", "1200.75", today, "客户乙", "王五", "SK-9", "李四"};
    Record r;
    r.tabType = tabType;
    for (int i = 0; i < Record::TextCount; ++i)
        r.setText(i, i == 0 ? serial : i == Record::TextCount - 1 ? remark : texts.at(i - 1));
    return r;
}
const auto Goods = Row<GoodsRecord>;
const auto Finance = Row<FinanceRecord>;

// Every stored row of a kind as "text0|text1|...", in serial order.
template <typename List>
QStringList TextsOf(const List &rows)
{
    QStringList out;
    for (const auto &r : rows) {
        QStringList t;
        for (int i = 0; i < r.TextCount; ++i)
            t << r.text(i);
        out << t.join('|');
    }
    return out;
}

// A goods row's cells, with one cell more or cut to `columns`.
QStringList GoodsCells(const QString &serial, int columns)
{
    return (TextsOf(GoodsList{Goods(0, serial, "备注")}).first().split('|') << "多余").mid(0, columns);
}

void WriteSheet(const QString &path, const QStringList &header, const QVector<QStringList> &rows)
{
    ExcelEngine engine(path);
    QVERIFY(engine.Open(1, false));
    const Result written = engine.WriteRows(header, rows);
    QVERIFY2(written, qPrintable(written.error()));
    QVERIFY(engine.Close());
}

// A sheet of inline texts whose row `badRow` (0-based, below the header) has its name cell
// pointing at a shared string the package does not hold.
bool WriteBadSharedString(const QString &path, const QVector<QStringList> &rows, int badRow)
{
    QByteArray sheet = "<worksheet><sheetData>";
    for (int r = 0; r < rows.size(); ++r) {
        sheet += "<row>";
        for (int c = 0; c < rows.at(r).size(); ++c)
            sheet += r == badRow + 1 && c == 2
                ? QByteArray(R"(<c t="s"><v>7</v></c>)")
                : "<c t=\"inlineStr\"><is><t>" + rows.at(r).at(c).toUtf8() + "</t></is></c>";
        sheet += "</row>";
    }
    return WorkbookTest::WriteZip(
        path,
        {{"xl/workbook.xml", WorkbookTest::WorkbookXml({"A|rId1"})},
         {"xl/_rels/workbook.xml.rels",
          "<Relationships>" + WorkbookTest::Relationship("rId1", "worksheet", "worksheets/a.xml")
              + "</Relationships>"},
         {"xl/worksheets/a.xml", sheet + "</sheetData></worksheet>"}});
}

QString StoredList(int infoType)
{
    InfoList list{infoType, "<none>"};
    StoreDbAccess::Instance()->ReadInfoList(InfoStore::MasterData, list);
    return list.list;
}

} // namespace

class TestExchange : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { InitQuillonResources(); }
    void init();
    void cleanup();

    void listCodec();
    void windowRoundTrip_data();
    void windowRoundTrip();
    void sheetWidths_data();
    void sheetWidths();
    void unreadableAndRefusedStoreNothing();
    void exportFailures();
    void listRoundTrip();
    void listImportsRefused();
    void pdf_data();
    void pdf();
    void importCounts_data();
    void importCounts();
    void exportLeavesOnlyItsRows_data();
    void exportLeavesOnlyItsRows();
    void pdfLongCell();

private:
    QString File(const QString &name) const { return m_db->dir.filePath(name); }

    QScopedPointer<TempStore> m_db;
    QScopedPointer<BoxAnswers> m_boxes;
    QStringList m_questions; // "caption|dir|filter" of every file dialog
    QString m_answer;        // the file the dialogs hand back
};

void TestExchange::init()
{
    m_db.reset(new TempStore);
    REQUIRE_DB(*m_db);
    m_boxes.reset(new BoxAnswers("确定"));
    m_questions.clear();
    m_answer.clear();
    ModalSeam::SetFileAnswerer([this](const QString &caption, const QString &dir, const QString &filter) {
        m_questions << caption + '|' + dir + '|' + filter;
        return m_answer;
    });
}

void TestExchange::cleanup()
{
    ModalSeam::SetFileAnswerer({});
    m_boxes.reset();
    m_db.reset();
}

void TestExchange::listCodec()
{
    // Rows, the stored text, and the rows read back where the text cannot keep them.
    struct Case
    {
        Rows rows;
        QString text;
        Rows readBack;
    };
    const QList<Case> cases{{{{"A-1", "2.5"}}, "A##1-2&&5", {}},
                            {{{"A.1", "B-2", "", "3"}}, "A&&1-B##2--3", {}},
                            {{{"a"}, {"b"}, {""}}, "a;b;", {}},
                            {{{"--", "..."}}, "####-&&&&&&", {}},
                            {{{"x;y", "z"}}, "x;y-z", {{"x"}, {"y", "z"}}},
                            {{}, "", {}}};
    for (const Case &c : cases) {
        QCOMPARE(ListCodec::Encode(c.rows), c.text);
        QCOMPARE(ListCodec::Decode(c.text), c.readBack.isEmpty() ? c.rows : c.readBack);
    }
    QCOMPARE(ListCodec::ColumnValues("Main-Rd 1;c;Back&&Yard-Rd##2-7", 1), (QStringList{"Rd 1", "Rd-2"}));
}

void TestExchange::windowRoundTrip_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("answer");  // the name the file dialog hands back
    QTest::addColumn<QString>("written"); // the file written
    for (const char *row :
         {"goods, typed without extension|tab_saleout|page|page.xls",
          "goods .xlsx|tab_saleout|page.xlsx|page.xlsx", "finance .xls|tab_salary|page.xls|page.xls",
          "finance .xlsx|tab_salary|page.xlsx|page.xlsx"}) {
        const QStringList f = QString::fromLatin1(row).split('|');
        QTest::newRow(qPrintable(f.at(0))) << f.at(1) << f.at(2) << f.at(3);
    }
}

void TestExchange::windowRoundTrip()
{
    // Exported through the button, a row changed, imported: the change is undone (same serial,
    // same row), nothing else moves. "+" and "^^" in cells, an empty remark at the sheet's edge.
    QFETCH(QString, table);
    QFETCH(QString, answer);
    QFETCH(QString, written);
    StoreDbAccess *store = StoreDbAccess::Instance();
    const LedgerKinds::PageKind *page = LedgerKinds::FindByTable(table);
    const bool goods = page->group == LedgerKinds::Group::Goods;
    auto save = [&](const QString &serial, const QString &remark) {
        return goods ? store->SaveGoodsRow(Goods(page->kind, serial, remark))
                     : store->SaveFinanceRow(Finance(page->kind, serial, remark));
    };
    auto stored = [&] {
        return goods ? TextsOf(StoredGoodsOf(page->kind)) : TextsOf(StoredFinanceOf(page->kind));
    };
    const QStringList remarks{"备注 1+1=2", "a^^b", ""};
    for (int i = 0; i < remarks.size(); ++i)
        QVERIFY(save(QStringLiteral("2024-05-0%1 08:00:00:00%1").arg(i + 1), remarks.at(i)));
    const QStringList before = stored();
    MainWindow w;
    UserRecord user;
    user.userType = 1; // may export and import
    w.SetUser(user);
    w.Initialise();
    QTRY_COMPARE(w.Table(table)->model()->rowCount(), 3);

    m_answer = File(answer);
    w.findChild<QPushButton *>(page->exportButton)->click();
    QVERIFY2(w.StatusLabel()->text().contains("导出数据完成"), qPrintable(w.StatusLabel()->text()));
    // The file holds the dates as other installations read them, "+" as it is.
    Workbook book;
    QString error;
    QVERIFY2(WorkbookFile::Read(File(written), &book, &error), qPrintable(error));
    QCOMPARE(WorkbookFile::DetectFormat(File(written), &error),
             written.endsWith("x") ? WorkbookFile::Format::Xlsx : WorkbookFile::Format::Xls);
    const WorkbookSheet &sheet = book.sheets.at(0);
    QCOMPARE(sheet.Text(1, goods ? 7 : 3), QDate::currentDate().toString("yyyyKMMKdd"));
    QCOMPARE(sheet.Text(1, sheet.lastColumn), remarks.first());
    QVERIFY(save("2024-05-01 08:00:00:001", "changed"));
    // A cancelled import leaves the page; an import stores the file's rows.
    m_answer.clear();
    w.findChild<QPushButton *>(page->importButton)->click();
    QCOMPARE(w.Table(table)->model()->rowCount(), 3);
    m_answer = File(written);
    w.findChild<QPushButton *>(page->importButton)->click();
    QTRY_VERIFY_WITH_TIMEOUT(w.StatusLabel()->text().contains("导入数据完成,请通过查询查看记录 (导入3行)"),
                             10000);
    QCOMPARE(stored(), before);
    QCOMPARE(TempStore::Count(goods ? "tb_sm_product_info" : "tb_sm_finance_info"), 3);
}

void TestExchange::sheetWidths_data()
{
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("imported");
    QTest::addColumn<int>("tooFew");
    QTest::addColumn<int>("notNumbers");
    // A row with letters in a price lacks fields first when the sheet is narrow.
    QTest::newRow("18 columns") << 18 << 0 << 3 << 0;
    QTest::newRow("19 columns") << 19 << 2 << 0 << 1;
    QTest::newRow("20 columns") << 20 << 2 << 0 << 1;
}

void TestExchange::sheetWidths()
{
    QFETCH(int, columns);
    QFETCH(int, imported);
    QFETCH(int, tooFew);
    QFETCH(int, notNumbers);
    const QString path = File("wide.xlsx");
    QStringList letters = GoodsCells("2024-05-01 02:00:00:000", columns);
    letters[10] = "十元";
    const QStringList spaces = QVector<QString>(columns, " ").toList();
    // Blank rows between rows are skipped and counted; blank cells far below are no rows at all.
    WriteSheet(path, GoodsCells("", columns),
               {GoodsCells("2024-05-01 01:00:00:000", columns),
                {},
                letters,
                spaces,
                GoodsCells("", columns),
                {},
                {}});
    const ImportResult result = ReadAndStore(GoodsPage, path, nullptr, "tab_purchaseIn");
    QVERIFY(result.stored);
    QCOMPARE(QVector<int>({result.imported, result.tooFewFields, result.notNumbers, result.blankRows}),
             QVector<int>({imported, tooFew, notNumbers, 2}));
    QCOMPARE(TempStore::Count("tb_sm_product_info"), imported);
    const QString status = ImportStatusText(result);
    QVERIFY2(status.contains("，跳过2个空行"), qPrintable(status));
    QVERIFY2(status.contains("3行字段不足") == (tooFew > 0), qPrintable(status));
    if (imported) {
        // The row without a serial got the import time.
        const GoodsList stored = StoredGoodsOf(GoodsKind::PurchaseIn);
        QCOMPARE(stored.first().remark, QStringLiteral("备注"));
        QVERIFY(stored.last().serial.startsWith(QDate::currentDate().toString("yyyy-MM-dd")));
    }
}

void TestExchange::unreadableAndRefusedStoreNothing()
{
    const GoodsRecord existing = Goods(1, "2024-01-01 00:00:00:001", "old");
    QVERIFY(StoreDbAccess::Instance()->SaveGoodsRow(existing));
    // A damaged or missing file: told with its name, the store untouched.
    QVERIFY(WorkbookTest::WriteBytes(File("bad.xls"), "this is not a workbook"));
    for (const QString name : {"bad.xls", "missing.xlsx"}) {
        const ImportResult result = ReadAndStore(GoodsPage, File(name), nullptr, "tab_purchaseIn");
        QVERIFY(!result.read && !result.stored && !result.error.isEmpty());
        QVERIFY2(ImportStatusText(result).startsWith("导入失败") && ImportStatusText(result).contains(name),
                 qPrintable(ImportStatusText(result)));
    }
    // A row the store refuses: none of the file's rows stay, later imports still work.
    QVERIFY(TempStore::RefuseInserts("tb_sm_product_info", "new.prodcut_remark = 'refuse me'"));
    QStringList update = GoodsCells(existing.serial, 19), refused = GoodsCells("2024-01-01 00:00:00:002", 19);
    update[18] = "new";
    refused[18] = "refuse me";
    const ImportResult result =
        ImportCellsToStore(GoodsPage, {update, GoodsCells("x", 19), refused}, "tab_purchaseBack");
    QVERIFY2(!result.stored && result.imported == 0 && result.error.contains("第3行"),
             qPrintable(result.error));
    QCOMPARE(TextsOf(StoredGoodsOf()), TextsOf(GoodsList{existing}));
    QVERIFY(ImportCellsToStore(GoodsPage, {update}, "tab_purchaseBack").stored);
    QCOMPARE(StoredGoodsOf(GoodsKind::PurchaseReturn).first().remark, QStringLiteral("new"));
}

void TestExchange::exportFailures()
{
    QTableWidget widget(1, 19);
    widget.setItem(0, 1, new QTableWidgetItem("库存"));
    const QString nowhere = File("no/such/folder/x.xls");
    const ExportResult failed = WriteLedger(GoodsPage, widget.model(), nowhere);
    QVERIFY2(!failed.ok && ExportStatusText(failed).startsWith("导出失败")
                 && ExportStatusText(failed).contains(nowhere),
             qPrintable(ExportStatusText(failed)));
    // A damaged or empty file the user chose to replace is replaced.
    for (const QByteArray &content : {QByteArray("not a zip"), QByteArray()}) {
        QVERIFY(WorkbookTest::WriteBytes(File("damaged.xlsx"), content));
        const ExportResult replaced = WriteLedger(GoodsPage, widget.model(), File("damaged.xlsx"));
        QVERIFY2(replaced.ok, qPrintable(replaced.error));
        Workbook book;
        QString error;
        QVERIFY2(WorkbookFile::Read(File("damaged.xlsx"), &book, &error), qPrintable(error));
        QCOMPARE(book.sheets.at(0).Text(1, 1), QStringLiteral("库存"));
    }
    // A workbook that cannot be read may still hold the user's data: refused, kept as it was.
    const QByteArray broken("PK\x03\x04 a damaged package");
    QVERIFY(WorkbookTest::WriteBytes(File("broken.xlsx"), broken));
    const ExportResult refused = WriteLedger(GoodsPage, widget.model(), File("broken.xlsx"));
    QVERIFY2(!refused.ok && !refused.error.isEmpty(), qPrintable(refused.error));
    QCOMPARE(WorkbookTest::Bytes(File("broken.xlsx")), broken);
}

void TestExchange::listRoundTrip()
{
    // Exported, a row changed, imported: the sheet's rows go on top, the table is stored.
    for (const QString suffix : {".xls", ".xlsx"}) {
        const QString stored = "一号仓-北京&&朝阳-W1-2-3-张三-139;B##2-x-W2-1-1-李四-";
        QVERIFY(StoreDbAccess::Instance()->SaveInfoList(InfoStore::MasterData,
                                                        InfoList{ListNo::Warehouse, stored}));
        DialogInfoToDb dialog;
        QTableWidget *table = dialog.Table(ListNo::Warehouse);
        m_answer = File("stores" + suffix);
        m_questions.clear();
        dialog.findChild<QPushButton *>("btn_export_6")->click();
        table->item(1, 1)->setText("C-3");
        QSignalSpy refreshed(&dialog, &InfoListDialog::sendRefresh);
        dialog.findChild<QPushButton *>("btn_import_6")->click();
        QCOMPARE(m_questions,
                 (QStringList{"保存文档|InfoDateSave|*.xls;; *.xlsx;; ", "标题|InfoDateSave|*.xls;;*.xlsx"}));
        QVERIFY2(m_boxes->seen.isEmpty(), qPrintable(m_boxes->seen.join('\n')));
        QCOMPARE(table->rowCount(), 4);
        QCOMPARE(StoredList(ListNo::Warehouse),
                 stored + ";一号仓-北京&&朝阳-W1-2-3-张三-139;C##3-x-W2-1-1-李四-");
        QCOMPARE(refreshed.count(), 1);
    }
}

void TestExchange::listImportsRefused()
{
    // Rows holding ";" would split the stored row: left out and counted; a third column is dropped.
    m_answer = File("names.xlsx");
    WriteSheet(m_answer, {"序号", "a", "b"}, {{"7", "甲;乙", ""}, {"8", "丙", "a;b"}, {"9", "丁", ""}});
    DialogInfoToDb dialog;
    dialog.findChild<QPushButton *>("btn_import_2")->click();
    QCOMPARE(m_boxes->seen.size(), 1);
    QVERIFY2(m_boxes->seen.first().contains("已导入2行；1行"), qPrintable(m_boxes->seen.first()));
    QCOMPARE(StoredList(ListNo::GoodsName), QStringLiteral("丙;丁"));
    // A damaged file changes nothing.
    QVERIFY(StoreDbAccess::Instance()->SaveInfoList(InfoStore::MasterData,
                                                    InfoList{ListNo::GoodsColor, "红;蓝"}));
    DialogInfoToDb colours;
    m_answer = File("colours.xls");
    QVERIFY(WorkbookTest::WriteBytes(m_answer, "\xd0\xcf\x11\xe0 broken compound file"));
    colours.findChild<QPushButton *>("btn_import_4")->click();
    QVERIFY2(m_boxes->seen.value(1).startsWith("导入失败|无法读取工作簿 colours.xls"),
             qPrintable(m_boxes->seen.join('\n')));
    QCOMPARE(colours.Table(ListNo::GoodsColor)->rowCount(), 2);
    QCOMPARE(StoredList(ListNo::GoodsColor), QStringLiteral("红;蓝"));
    // An export that cannot be written is told.
    m_answer = File("missing/folder/list.xls");
    colours.findChild<QPushButton *>("btn_export_1")->click();
    QVERIFY2(m_boxes->seen.value(2).startsWith("导出失败|无法写入工作簿 list.xls"),
             qPrintable(m_boxes->seen.join('\n')));
}

void TestExchange::pdf_data()
{
    QTest::addColumn<QString>("answer"); // the file dialog's; empty: cancelled
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("written");
    // Far more rows than a page (and the screen) can hold, or a few.
    QTest::newRow("typed without suffix") << "stock" << 1005 << int(PrintOutcome::PdfWritten) << "stock.pdf";
    QTest::newRow("dot in the folder only")
        << "a.b/stock" << 5 << int(PrintOutcome::PdfWritten) << "a.b/stock.pdf";
    QTest::newRow("file dialog cancelled") << "" << 3 << int(PrintOutcome::Cancelled) << "";
    QTest::newRow("folder missing") << "no/such/stock" << 3 << int(PrintOutcome::Failed) << "";
}

void TestExchange::pdf()
{
    QFETCH(QString, answer);
    QFETCH(int, rows);
    QFETCH(int, outcome);
    QFETCH(QString, written);
    QTableWidget table(rows, 19);
    table.setObjectName("tab_purchaseIn");
    for (int c = 0; c < 19; ++c) {
        table.setHorizontalHeaderItem(c, new QTableWidgetItem(QStringLiteral("标题%1").arg(c)));
        for (int r = 0; r < rows; ++r)
            table.setItem(r, c, new QTableWidgetItem(QStringLiteral("行%1 列%2").arg(r).arg(c)));
    }
    table.resize(900, 400);
    table.show();
    QVERIFY(QDir(m_db->dir.path()).mkpath("a.b"));
    m_answer = answer.isEmpty() ? QString() : File(answer);
    m_boxes->Click("输出到文档");
    const PrintResult result = PrintWidget(&table, nullptr);
    QCOMPARE(int(result.outcome), outcome);
    if (outcome == int(PrintOutcome::Failed))
        QVERIFY2(m_boxes->seen.value(1).startsWith("导出PDF文件|无法写入PDF文件 " + m_answer + ".pdf"),
                 qPrintable(m_boxes->seen.join('\n')));
    QCOMPARE(m_boxes->seen.size(), outcome == int(PrintOutcome::Failed) ? 2 : 1);
    if (written.isEmpty())
        return;
    QCOMPARE(result.fileName, File(written));
    // The text layer holds every row and column, the titles and page numbers on every page.
    QProcess p;
    p.start("pdftotext", {result.fileName, "-"});
    QVERIFY2(p.waitForFinished(30000) && p.exitCode() == 0,
             "pdftotext (poppler-utils) could not read the PDF");
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    const int pages = text.count("采购进货表");
    QVERIFY2(rows < 1000 ? pages == 1 : pages > 10, qPrintable(QString::number(pages)));
    for (const QString &wanted :
         {QStringLiteral("行0 列0"), QStringLiteral("行%1 列18").arg(rows / 2),
          QStringLiteral("行%1 列9").arg(rows - 1), QStringLiteral("第 %1 页，共 %1 页").arg(pages)})
        QVERIFY2(text.contains(wanted), qPrintable(wanted));
    QCOMPARE(text.count("标题18"), pages);
    QCOMPARE(text.count("打印日期："), pages);
}

void TestExchange::importCounts_data()
{
    QTest::addColumn<QString>("content"); // which rows the sheet holds
    QTest::addColumn<int>("imported");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QString>("status"); // part of the status line
    QTest::newRow("an unreadable cell in the middle row")
        << "unreadable" << 2 << false
        << "1行有无法读取的单元格未导入（第2行：单元格 C3 的共享字符串序号“7”无效";
    QTest::newRow("every row refused")
        << "letters" << 0 << true << "的数据行都没有导入 (3行数量或金额不是数字未导入)";
    QTest::newRow("header only") << "header" << 0 << false << "中没有数据行，没有导入任何记录";
    QTest::newRow("blank rows only") << "blank" << 0 << false << "中没有数据行，没有导入任何记录";
}

void TestExchange::importCounts()
{
    QFETCH(QString, content);
    QFETCH(int, imported);
    QFETCH(bool, failed);
    QFETCH(QString, status);
    const QString path = File(content + ".xlsx");
    QVector<QStringList> rows{GoodsCells("", 19), GoodsCells("", 19), GoodsCells("", 19)};
    if (content == "unreadable") {
        QVERIFY(WriteBadSharedString(path, QVector<QStringList>{GoodsCells("", 19)} + rows, 1));
    } else {
        if (content == "letters")
            for (QStringList &row : rows)
                row[9] = "三";
        WriteSheet(path, GoodsCells("", 19),
                   content == "header"      ? QVector<QStringList>()
                       : content == "blank" ? QVector<QStringList>{{" "}, {}, {" ", " "}}
                                            : rows);
    }
    const ImportResult result = ReadAndStore(GoodsPage, path, nullptr, "tab_purchaseIn");
    QCOMPARE(result.imported, imported);
    QCOMPARE(result.Failed(), failed);
    QCOMPARE(TempStore::Count("tb_sm_product_info"), imported);
    QVERIFY2(ImportStatusText(result).contains(status), qPrintable(ImportStatusText(result)));
    QCOMPARE(ImportStatusText(result).startsWith("导入失败"), failed);
    // No row is stored with a blank name in place of the unreadable one.
    for (const GoodsRecord &r : StoredGoodsOf())
        QVERIFY(!r.name.isEmpty());
}

void TestExchange::exportLeavesOnlyItsRows_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("xls") << ".xls";
    QTest::newRow("xlsx") << ".xlsx";
}

void TestExchange::exportLeavesOnlyItsRows()
{
    // An earlier export of 1,005 rows, then one of 50 into the same file: 50 rows come back.
    QFETCH(QString, suffix);
    const QString path = File("page" + suffix);
    const QStringList header = LedgerKinds::FindByTable("tab_purchaseIn")->columnTitles;
    QVector<QStringList> rows;
    for (int i = 0; i < 1005; ++i)
        rows << GoodsCells(QStringLiteral("2024-01-01 00:00:00:%1").arg(i, 3, 10, QLatin1Char('0')), 19);
    QVERIFY(WriteLedgerRows(header, rows, path).ok);
    const ExportResult fifty = WriteLedgerRows(header, rows.mid(0, 50), path);
    QVERIFY2(fifty.ok && fifty.rows == 50, qPrintable(fifty.error));
    const ImportResult result = ReadAndStore(GoodsPage, path, nullptr, "tab_purchaseIn");
    QCOMPARE(result.imported, 50);
    QCOMPARE(TempStore::Count("tb_sm_product_info"), 50);
    // A sheet wider than the columns read cannot be rewritten without losing cells: refused, file kept.
    Workbook wide;
    wide.sheets << WorkbookSheet();
    wide.sheets[0].SetText(0, WorkbookFile::MaxReadColumns, "far");
    QString error;
    QVERIFY(WorkbookFile::Write(
        path, suffix == ".xls" ? WorkbookFile::Format::Xls : WorkbookFile::Format::Xlsx, wide, &error));
    const QByteArray before = WorkbookTest::Bytes(path);
    QVERIFY(!before.isEmpty());
    const ExportResult refused = WriteLedgerRows(header, rows.mid(0, 1), path);
    QVERIFY2(!refused.ok && refused.error.contains("超过 64 列"), qPrintable(refused.error));
    QCOMPARE(WorkbookTest::Bytes(path), before);
}

void TestExchange::pdfLongCell()
{
    // A 30,000-character cell wraps in its column over several pages; titles stay whole.
    RowsPdf::Table table;
    table.title = "长单元格";
    for (int c = 0; c < 19; ++c)
        table.headers << QStringLiteral("标题%1").arg(c);
    const QString cell = "起" + QString("字").repeated(29998) + "终";
    table.rows << QStringList{"前一行"} << (QStringList{"长"} << cell) << QStringList{"后一行"};
    const QString path = File("long.pdf");
    QString error;
    QVERIFY2(RowsPdf::WritePdf(path, table, &error), qPrintable(error));
    QProcess p;
    p.start("pdftotext", {path, "-"});
    QVERIFY(p.waitForFinished(60000) && p.exitCode() == 0);
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    const int pages = text.count("长单元格");
    QVERIFY2(pages > 1, qPrintable(QString::number(pages)));
    QCOMPARE(text.count("字"), 29998);
    for (const QString wanted : {"起", "终", "前一行", "后一行"})
        QVERIFY2(text.contains(wanted), qPrintable(wanted));
    // A title split over lines would not be found whole on every page.
    for (const QString title : {"标题0", "标题9", "标题18"})
        QCOMPARE(text.count(title), pages);
}

QTEST_MAIN(TestExchange)
#include "test_exchange.moc"
