#include "app/mainwindow.h"
#include "exchange/excelengine.h"
#include "exchange/ledgerexchange_window.h"
#include "exchange/workbook.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgerrows.h"
#include "resources/resources.h"
#include "storetestsupport.h"
#include "widgets/modalseam.h"

#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace LedgerExchange;

namespace {

GoodsRecord Goods(int tabType, const QString &serial, const QString &remark)
{
    const QStringList texts{serial, "女装", "连衣裙 A+B", "M-1", "红", "6901234567890", "L",
                            "2024-05-01", "一号仓-A区", "3", "12.5", "37.5", "30", "7.5",
                            "供货商甲", "张三", "NO.0001", "李四", remark};
    GoodsRecord r;
    r.tabType = tabType;
    for (int i = 0; i < GoodsRecord::TextCount; ++i)
        r.setText(i, texts.at(i));
    return r;
}

FinanceRecord Finance(int tabType, const QString &serial, const QString &remark)
{
    const QStringList texts{serial, "销售收款", "1200.75", "2024-12-31", "客户乙", "王五", "SK-9",
                            "李四", remark};
    FinanceRecord r;
    r.tabType = tabType;
    for (int i = 0; i < FinanceRecord::TextCount; ++i)
        r.setText(i, texts.at(i));
    return r;
}

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

QStringList StoredTexts(bool goods, int tabType)
{
    return goods ? TextsOf(StoredGoodsOf(tabType)) : TextsOf(StoredFinanceOf(tabType));
}

// A page table as the window builds it, with its cell editors.
QTableWidget *PageTable(const QString &tableName)
{
    const LedgerKinds::PageKind *page = LedgerKinds::FindByTable(tableName);
    auto *table = new QTableWidget(0, page->ColumnCount());
    table->setObjectName(tableName);
    table->setHorizontalHeaderLabels(page->columnTitles);
    return table;
}

// Writes a sheet holding a header and the given rows.
void WriteSheet(const QString &path, int columns, const QVector<QStringList> &rows)
{
    QStringList header;
    for (int c = 0; c < columns; ++c)
        header << QStringLiteral("列%1").arg(c);
    ExcelEngine engine(path);
    QVERIFY(engine.Open(1, false));
    QVERIFY2(engine.WriteRows(header, rows), qPrintable(engine.ErrorString()));
    QVERIFY(engine.Close());
}

QStringList GoodsCells(const QString &serial, int columns)
{
    QStringList cells;
    const GoodsRecord r = Goods(0, serial, QStringLiteral("备注"));
    for (int c = 0; c < columns; ++c)
        cells << (c < GoodsRecord::TextCount ? r.text(c) : QStringLiteral("多余"));
    return cells;
}

// A sheet row as the engine hands it over: "+" inside a cell written "^^".
QString Join(QStringList cells)
{
    for (QString &cell : cells)
        cell.replace(QLatin1Char('+'), QLatin1String("^^"));
    return cells.join(QLatin1Char('+'));
}

} // namespace

class TestLedgerExchange : public QObject
{
    Q_OBJECT
private slots:
    void rowFields_data();
    void rowFields();
    void pageOfTable_data();
    void pageOfTable();

    void roundTrip_data();
    void roundTrip();
    void sheetWidths_data();
    void sheetWidths();
    void headerOnlySheet();
    void unreadableFiles_data();
    void unreadableFiles();
    void refusedRowStoresNothing();
    void exportFailures();
    void importFromPage_data();
    void importFromPage();
    void windowButtons();
};

void TestLedgerExchange::rowFields_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QStringList>("expected"); // texts of the record when Ok

    const QStringList goods19 = GoodsCells(QStringLiteral("2024-05-01 10:00:00:000"), 19);
    QTest::newRow("goods 19 fields") << 1 << Join(goods19) << int(RowVerdict::Ok) << goods19;

    QStringList kDate = goods19;
    kDate[7] = QStringLiteral("2024K05K01");
    kDate[18] = QStringLiteral("K stays here");
    QStringList kBack = goods19;
    kBack[18] = QStringLiteral("K stays here");
    QTest::newRow("K date back to dashes, only in the date") << 1 << Join(kDate)
                                                             << int(RowVerdict::Ok) << kBack;

    QStringList plus = goods19;
    plus[2] = QStringLiteral("A^^B");
    plus[18] = QStringLiteral("^^");
    QStringList plusBack = goods19;
    plusBack[2] = QStringLiteral("A+B");
    plusBack[18] = QStringLiteral("+");
    QTest::newRow("^^ back to +") << 1 << Join(plus) << int(RowVerdict::Ok) << plusBack;

    QStringList letters = goods19;
    letters[10] = QStringLiteral("12元");
    QTest::newRow("letters in a price") << 1 << Join(letters) << int(RowVerdict::NotANumber)
                                        << QStringList();

    const QStringList fin{"2024-12-31 09:00:00:000", "销售收款", "1200.75", "2024K12K31", "客户乙",
                          "王五", "SK-9", "李四", "备注"};
    QStringList finBack = fin;
    finBack[3] = QStringLiteral("2024-12-31");
    QTest::newRow("finance 9 fields") << 2 << Join(fin) << int(RowVerdict::Ok) << finBack;
    QTest::newRow("finance 8 fields") << 2 << Join(fin.mid(0, 8))
                                      << int(RowVerdict::TooFewFields) << QStringList();
    QStringList finSum = fin;
    finSum[2] = QStringLiteral("abc");
    QTest::newRow("finance sum not a number") << 2 << Join(finSum)
                                              << int(RowVerdict::NotANumber) << QStringList();
}

void TestLedgerExchange::rowFields()
{
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(int, verdict);
    QFETCH(QStringList, expected);

    SerialClock clock;
    QStringList got;
    if (kind == GoodsPage) {
        GoodsRecord r;
        QCOMPARE(int(GoodsFromRow(text, 3, clock, &r)), verdict);
        if (verdict != int(RowVerdict::Ok))
            return;
        QCOMPARE(r.tabType, 3);
        for (int i = 0; i < GoodsRecord::TextCount; ++i)
            got << r.text(i);
    } else {
        FinanceRecord r;
        QCOMPARE(int(FinanceFromRow(text, 6, clock, &r)), verdict);
        if (verdict != int(RowVerdict::Ok))
            return;
        QCOMPARE(r.tabType, 6);
        for (int i = 0; i < FinanceRecord::TextCount; ++i)
            got << r.text(i);
    }
    QCOMPARE(got, expected);
}

void TestLedgerExchange::pageOfTable_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("tabType");

    QTest::newRow("loss") << 1 << "tab_storelose" << 4;
    QTest::newRow("name containing the table") << 1 << "x_tab_saleback.3" << 3;
    QTest::newRow("case matters") << 1 << "tab_Saleout" << -1;
    QTest::newRow("stock is computed") << 1 << "tab_storeCurr" << -1;
    QTest::newRow("finance table on the goods kind") << 1 << "tab_income" << -1;
    QTest::newRow("purchase payments") << 2 << "tab_purpay" << 3;
    QTest::newRow("profit is computed") << 2 << "tab_profit" << -1;
    QTest::newRow("unknown kind") << 3 << "tab_income" << -1;
}

void TestLedgerExchange::pageOfTable()
{
    QFETCH(int, kind);
    QFETCH(QString, table);
    QFETCH(int, tabType);
    QCOMPARE(TabTypeOf(kind, table), tabType);
}

void TestLedgerExchange::roundTrip_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("suffix");
    for (const char *suffix : {".xls", ".xlsx"}) {
        QTest::addRow("goods %s", suffix) << "tab_saleout" << suffix;
        QTest::addRow("finance %s", suffix) << "tab_salary" << suffix;
    }
}

void TestLedgerExchange::roundTrip()
{
    QFETCH(QString, table);
    QFETCH(QString, suffix);
    TempStore db;
    REQUIRE_DB(db);
    StoreDbAccess *store = StoreDbAccess::Instance();
    const LedgerKinds::PageKind *page = LedgerKinds::FindByTable(table);
    const bool goods = page->group == LedgerKinds::Group::Goods;
    const int kind = goods ? GoodsPage : FinancePage;

    // Chinese text, "+" and "^^" in cells, an empty remark at the sheet's edge.
    const QStringList remarks{QStringLiteral("备注 1+1=2"), QStringLiteral("a^^b"), QString()};
    std::unique_ptr<QTableWidget> widget(PageTable(table));
    for (int i = 0; i < remarks.size(); ++i) {
        const QString serial = QStringLiteral("2024-05-0%1 08:00:00:00%1").arg(i + 1);
        if (goods) {
            const GoodsRecord r = Goods(page->kind, serial, remarks.at(i));
            QVERIFY(store->SaveGoodsRow(r));
            LedgerRows::FillGoodsRow(LedgerRows::ShowRecord, i, r, widget.get());
        } else {
            const FinanceRecord r = Finance(page->kind, serial, remarks.at(i));
            QVERIFY(store->SaveFinanceRow(r));
            LedgerRows::FillFinanceRow(LedgerRows::ShowRecord, i, r, widget.get());
        }
    }
    const QStringList before = StoredTexts(goods, page->kind);

    const QString path = db.dir.filePath(QStringLiteral("page") + suffix);
    const ExportResult exported = WriteLedger(kind, widget.get(), path);
    QVERIFY2(exported.ok, qPrintable(exported.error));
    QCOMPARE(exported.rows, 3);
    QVERIFY(ExportStatusText(exported).startsWith(QStringLiteral("导出数据完成")));

    // An edit made after the export is undone by the import: same serial, same row.
    const QString serial = QStringLiteral("2024-05-01 08:00:00:001");
    QVERIFY(goods ? store->SaveGoodsRow(Goods(page->kind, serial, "changed"))
                  : store->SaveFinanceRow(Finance(page->kind, serial, "changed")));

    QStringList rows;
    const ImportResult imported = ReadAndStore(kind, path, &rows, table);
    QVERIFY2(imported.stored, qPrintable(imported.error));
    QCOMPARE(imported.imported, 3);
    QCOMPARE(rows.size(), 3);
    QVERIFY(rows.at(0).contains(QStringLiteral("1^^1=2")));
    QVERIFY(ImportStatusText(imported).startsWith(QStringLiteral("导入数据完成,请通过查询查看记录")));
    // Dates back as yyyy-MM-dd, "+" and "^^" as they were.
    QCOMPARE(StoredTexts(goods, page->kind), before);
    // Nothing reached the other kinds.
    QCOMPARE(TempStore::Count(goods ? "tb_sm_product_info" : "tb_sm_finance_info"), 3);
}

void TestLedgerExchange::sheetWidths_data()
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

void TestLedgerExchange::sheetWidths()
{
    QFETCH(int, columns);
    QFETCH(int, imported);
    QFETCH(int, tooFew);
    QFETCH(int, notNumbers);
    TempStore db;
    REQUIRE_DB(db);
    const QString path = db.dir.filePath(QStringLiteral("wide.xlsx"));
    QStringList empty = GoodsCells(QString(), columns);
    QStringList letters = GoodsCells(QStringLiteral("2024-05-01 02:00:00:000"), columns);
    letters[10] = QStringLiteral("十元");
    QStringList spaces;
    for (int c = 0; c < columns; ++c)
        spaces << QStringLiteral(" ");
    // Blank rows between the rows are skipped and counted; blank cells
    // formatted far below the last row are not rows at all.
    WriteSheet(path, columns, {GoodsCells(QStringLiteral("2024-05-01 01:00:00:000"), columns), {}, letters,
                               spaces, empty, {}, {}});

    const ImportResult result = ReadAndStore(GoodsPage, path, nullptr, QStringLiteral("tab_purchaseIn"));
    QVERIFY(result.stored);
    QCOMPARE(result.imported, imported);
    QCOMPARE(result.tooFewFields, tooFew);
    QCOMPARE(result.notNumbers, notNumbers);
    QCOMPARE(result.blankRows, 2);
    QCOMPARE(TempStore::Count("tb_sm_product_info"), imported);
    const QString status = ImportStatusText(result);
    QVERIFY2(status.contains(QStringLiteral("，跳过2个空行")), qPrintable(status));
    if (tooFew)
        QVERIFY2(status.contains(QStringLiteral("3行字段不足")) && !status.contains(QStringLiteral("不是数字")),
                 qPrintable(status));
    if (imported) {
        const GoodsList stored = StoredGoodsOf(GoodsKind::PurchaseIn);
        QCOMPARE(stored.first().remark, QStringLiteral("备注"));
        // The row without a serial got the import time.
        QVERIFY(stored.last().serial.startsWith(QDate::currentDate().toString("yyyy-MM-dd")));
    }
}

void TestLedgerExchange::headerOnlySheet()
{
    TempStore db;
    REQUIRE_DB(db);
    std::unique_ptr<QTableWidget> widget(PageTable(QStringLiteral("tab_income")));
    const QString path = db.dir.filePath(QStringLiteral("header.xls"));
    QVERIFY(WriteLedger(FinancePage, widget.get(), path).ok);

    QStringList rows{QStringLiteral("left over")};
    const ImportResult result = ReadAndStore(FinancePage, path, &rows, QStringLiteral("tab_income"));
    QVERIFY(result.stored);
    QCOMPARE(result.imported, 0);
    QVERIFY(rows.isEmpty());
    QCOMPARE(TempStore::Count("tb_sm_finance_info"), 0);
}

void TestLedgerExchange::unreadableFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("name");
    QTest::newRow("garbage") << QByteArray("this is not a workbook at all") << "bad.xls";
    QTest::newRow("empty") << QByteArray() << "empty.xlsx";
    QTest::newRow("zip without a workbook") << QByteArray("PK\x03\x04garbage", 12) << "zip.xlsx";
    QTest::newRow("missing") << QByteArray() << "";
}

void TestLedgerExchange::unreadableFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, name);
    TempStore db;
    REQUIRE_DB(db);
    QVERIFY(StoreDbAccess::Instance()->SaveGoodsRow(Goods(0, QStringLiteral("kept"), QStringLiteral("r"))));
    QString path = db.dir.filePath(QStringLiteral("missing.xls"));
    if (!name.isEmpty()) {
        path = db.dir.filePath(name);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const ImportResult result = ReadAndStore(GoodsPage, path, nullptr, QStringLiteral("tab_purchaseIn"));
    QVERIFY(!result.read);
    QVERIFY(!result.stored);
    QVERIFY(!result.error.isEmpty());
    const QString status = ImportStatusText(result);
    QVERIFY2(status.startsWith(QStringLiteral("导入失败")), qPrintable(status));
    QVERIFY(status.contains(QFileInfo(path).fileName()));
    QCOMPARE(TempStore::Count("tb_sm_product_info"), 1);
    if (!name.isEmpty())
        QCOMPARE(QFileInfo(path).size(), qint64(content.size()));
}

void TestLedgerExchange::refusedRowStoresNothing()
{
    TempStore db;
    REQUIRE_DB(db);
    StoreDbAccess *store = StoreDbAccess::Instance();
    const GoodsRecord existing = Goods(1, QStringLiteral("2024-01-01 00:00:00:001"), QStringLiteral("old"));
    QVERIFY(store->SaveGoodsRow(existing));
    QVERIFY(TempStore::RefuseInserts(QStringLiteral("tb_sm_product_info"),
                                     QStringLiteral("new.prodcut_remark = 'refuse me'")));

    QStringList update = GoodsCells(existing.serial, 19);
    update[18] = QStringLiteral("new");
    QStringList refused = GoodsCells(QStringLiteral("2024-01-01 00:00:00:002"), 19);
    refused[18] = QStringLiteral("refuse me");
    const QStringList rows{Join(update), Join(GoodsCells(QStringLiteral("x"), 19)),
                           Join(refused)};
    const ImportResult result = ImportRowsToStore(GoodsPage, rows, QStringLiteral("tab_purchaseBack"));
    QVERIFY(!result.stored);
    QCOMPARE(result.imported, 0);
    QVERIFY2(result.error.contains(QStringLiteral("第3行")), qPrintable(result.error));
    QVERIFY(ImportStatusText(result).startsWith(QStringLiteral("导入失败")));

    const GoodsList stored = StoredGoodsOf(GoodsKind::PurchaseReturn);
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.first().remark, QStringLiteral("old"));

    // Later imports on the same connection still work.
    QVERIFY(ImportRowsToStore(GoodsPage, {Join(update)}, "tab_purchaseBack").stored);
    QCOMPARE(StoredGoodsOf(GoodsKind::PurchaseReturn).first().remark, QStringLiteral("new"));
}

void TestLedgerExchange::exportFailures()
{
    QTemporaryDir dir;
    std::unique_ptr<QTableWidget> widget(PageTable(QStringLiteral("tab_storeCurr")));
    widget->setRowCount(1);
    widget->setItem(0, 1, new QTableWidgetItem(QStringLiteral("库存")));

    // Forward slashes are handed on as backslashes and still land in the folder.
    const QString path = dir.filePath(QStringLiteral("stock.xls"));
    QVERIFY(EngineFileName(path).contains('\\'));
    QVERIFY(!EngineFileName(path).contains('/'));
    const ExportResult ok = WriteLedger(GoodsPage, widget.get(), path);
    QVERIFY2(ok.ok, qPrintable(ok.error));
    QVERIFY(QFileInfo::exists(path));

    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/x.xls"));
    const ExportResult failed = WriteLedger(GoodsPage, widget.get(), nowhere);
    QVERIFY(!failed.ok);
    const QString status = ExportStatusText(failed);
    QVERIFY2(status.startsWith(QStringLiteral("导出失败")), qPrintable(status));
    QVERIFY(status.contains(nowhere));

    // A damaged or empty file the user chose to replace is replaced.
    for (const QByteArray &content : {QByteArray("not a zip"), QByteArray()}) {
        const QString damaged = dir.filePath(QStringLiteral("damaged.xlsx"));
        QFile file(damaged);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        const ExportResult replaced = WriteLedger(GoodsPage, widget.get(), damaged);
        QVERIFY2(replaced.ok, qPrintable(replaced.error));
        Workbook book;
        QString error;
        QVERIFY2(WorkbookFile::Read(damaged, &book, &error), qPrintable(error));
        QCOMPARE(book.sheets.at(0).Text(1, 1), QStringLiteral("库存"));
    }
}

void TestLedgerExchange::importFromPage_data()
{
    QTest::addColumn<QString>("answer"); // "" cancels, "good" a readable sheet, "bad" a damaged one
    QTest::addColumn<QStringList>("statuses");
    QTest::addColumn<int>("rowsLeft");
    QTest::addColumn<int>("stored");
    QTest::newRow("imported") << "good"
                              << QStringList{"数据导入开始...", "导入数据完成,请通过查询查看记录 (导入2行)"}
                              << 0 << 3;
    QTest::newRow("cancelled") << "" << QStringList() << 2 << 1;
    QTest::newRow("damaged file") << "bad"
                                  << QStringList{"数据导入开始...",
                                                 "导入失败: 无法读取工作簿 bad.xls"}
                                  << 0 << 1;
}

void TestLedgerExchange::importFromPage()
{
    QFETCH(QString, answer);
    QFETCH(QStringList, statuses);
    QFETCH(int, rowsLeft);
    QFETCH(int, stored);
    TempStore db;
    REQUIRE_DB(db);
    QVERIFY(StoreDbAccess::Instance()->SaveFinanceRow(Finance(2, "2020-01-01 00:00:00:000", "old")));

    QString path;
    if (answer == QLatin1String("good")) {
        path = db.dir.filePath(QStringLiteral("good.xls"));
        const QStringList row{"", "其它款项", "99.5", "2024K02K29", "客户", "员工", "凭证", "录入", "备注"};
        WriteSheet(path, 9, {row, row});
    } else if (answer == QLatin1String("bad")) {
        path = db.dir.filePath(QStringLiteral("bad.xls"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("broken");
    }
    QStringList questions;
    ModalSeam::SetFileAnswerer([&](const QString &caption, const QString &dir, const QString &filter) {
        questions << caption + '|' + dir + '|' + filter;
        return path;
    });

    std::unique_ptr<QTableWidget> widget(PageTable(QStringLiteral("tab_inother")));
    widget->setRowCount(2);
    QObject context;
    QStringList seen;
    QList<bool> filling;
    bool done = false;
    ImportHooks hooks;
    hooks.status = [&](const QString &text) { seen << text; };
    hooks.setFilling = [&](bool on) { filling << on; };
    hooks.finished = [&](const ImportResult &) { done = true; };
    const bool started = ImportLedger(FinancePage, widget.get(), &context, hooks);
    ModalSeam::SetFileAnswerer({});
    QCOMPARE(questions, QStringList{"标题|TabDateSave|*.xls;;*.xlsx"});
    QCOMPARE(started, !answer.isEmpty());
    if (started)
        QTRY_VERIFY_WITH_TIMEOUT(done, 10000);
    QCOMPARE(seen.size(), statuses.size());
    for (int i = 0; i < seen.size(); ++i)
        QVERIFY2(seen.at(i).startsWith(statuses.at(i)), qPrintable(seen.at(i)));
    QCOMPARE(widget->rowCount(), rowsLeft);
    if (started)
        QCOMPARE(filling, (QList<bool>{true, false}));
    QCOMPARE(TempStore::Count("tb_sm_finance_info"), stored);
    if (answer == QLatin1String("good")) {
        const FinanceList rows = StoredFinanceOf(FinanceKind::OtherIncome);
        QCOMPARE(rows.last().time, QStringLiteral("2024-02-29"));
        QVERIFY(rows.at(1).serial != rows.at(2).serial);
    }
}

void TestLedgerExchange::windowButtons()
{
    InitQuillonResources();
    TempStore db;
    REQUIRE_DB(db);
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    GoodsRecord sale = Goods(GoodsKind::Sale, QStringLiteral("2024-05-01 08:00:00:001"), "原样");
    sale.time = today;
    QVERIFY(StoreDbAccess::Instance()->SaveGoodsRow(sale));
    MainWindow w;
    UserRecord user;
    user.userType = 1;
    w.SetUser(user);
    w.Initialise();
    QTableWidget *page = w.Table(QStringLiteral("tab_saleout"));
    QTRY_COMPARE(page->rowCount(), 1);

    // A name typed without an extension is saved as a workbook the import dialog lists.
    QString answer = db.dir.filePath(QStringLiteral("sale"));
    ModalSeam::SetFileAnswerer([&](const QString &, const QString &, const QString &) { return answer; });
    ModalSeam::SetBoxAnswerer([](QMessageBox &box) { box.buttons().first()->click(); });
    w.findChild<QPushButton *>(QStringLiteral("btn_export_3"))->click();
    QVERIFY2(w.StatusLabel()->text().contains(QStringLiteral("导出数据完成")), qPrintable(w.StatusLabel()->text()));
    QVERIFY(!QFileInfo::exists(answer));
    answer += QStringLiteral(".xls");

    QVERIFY(StoreDbAccess::Instance()->SaveGoodsRow(Goods(GoodsKind::Sale, sale.serial, "改过")));
    w.findChild<QPushButton *>(QStringLiteral("btn_inport_3"))->click();
    QCOMPARE(page->rowCount(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(w.StatusLabel()->text().contains(QStringLiteral("导入数据完成")), 10000);
    QCOMPARE(StoredGoodsOf(GoodsKind::Sale), GoodsList{sale});

    // The first button of the choice box is the PDF.
    answer = db.dir.filePath(QStringLiteral("sale"));
    QCOMPARE(WithWorkbookExtension(answer, QStringLiteral(" *.xlsx")), answer + QStringLiteral(".xlsx"));
    QCOMPARE(WithWorkbookExtension(answer + QStringLiteral(".XLSX"), QStringLiteral("*.xls")),
             answer + QStringLiteral(".XLSX"));
    QCOMPARE(WithWorkbookExtension(QStringLiteral("v1.2"), QString()), QStringLiteral("v1.2.xls"));
    w.findChild<QPushButton *>(QStringLiteral("btn_purprint_3"))->click();
    QVERIFY(QFileInfo(answer + QStringLiteral(".pdf")).size() > 0);
    ModalSeam::SetFileAnswerer({});
    ModalSeam::SetBoxAnswerer({});
}

QTEST_MAIN(TestLedgerExchange)
#include "test_ledgerexchange.moc"
