#include "db/records.h"
#include "ledger/ledgerkinds.h"

#include <QSet>
#include <QtTest>

using LedgerKinds::Group;
using LedgerKinds::PageKind;

class TestLedgerKinds : public QObject
{
    Q_OBJECT

private slots:
    void columnTitles_data();
    void columnTitles();
    void pagesAndStacks();
    void objectNamesAreUnique();
    void lookups();
};

Q_DECLARE_METATYPE(LedgerKinds::Group)

// Spot checks where the pages differ from one another.
void TestLedgerKinds::columnTitles_data()
{
    QTest::addColumn<Group>("group");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("title");

    QTest::newRow("stock entry time") << Group::Goods << 5 << 0 << "入库时间";
    QTest::newRow("sale entry time") << Group::Goods << 2 << 0 << "录入时间";
    QTest::newRow("loss keeps the return date") << Group::Goods << 4 << 7 << "退货日期";
    QTest::newRow("loss paid") << Group::Goods << 4 << 12 << "----";
    QTest::newRow("purchase-return quantity") << Group::Goods << 1 << 9 << "退货数目";
    QTest::newRow("sale-return quantity") << Group::Goods << 3 << 9 << "退回数量";
    QTest::newRow("purchase-in supplier") << Group::Goods << 0 << 14 << "供货商";
    QTest::newRow("sale customer") << Group::Goods << 2 << 14 << "客户信息";
    QTest::newRow("loss checker") << Group::Goods << 4 << 15 << "核实人员";
    QTest::newRow("purchase-return clerk") << Group::Goods << 1 << 15 << "退货人员";
    QTest::newRow("sales totals date") << Group::Sales << 0 << 7 << "出售日期";
    QTest::newRow("sales totals unpaid") << Group::Sales << 0 << 13 << "尚欠余款";
    QTest::newRow("purchase payments item") << Group::Finance << 3 << 1 << "支出项目";
    QTest::newRow("income remark") << Group::Finance << 0 << 8 << "备注(关联、备忘等)";
    QTest::newRow("debts remark") << Group::Finance << 1 << 8 << "备注";
    QTest::newRow("salaries client") << Group::Finance << 4 << 4 << "员工信息";
    QTest::newRow("profit sum") << Group::Finance << 7 << 2 << "总计(元）";
    QTest::newRow("profit entered by") << Group::Finance << 7 << 7 << "--";
}

void TestLedgerKinds::columnTitles()
{
    QFETCH(Group, group);
    QFETCH(int, kind);
    QFETCH(int, column);
    QFETCH(QString, title);
    const PageKind *page = LedgerKinds::Find(group, kind);
    QVERIFY(page);
    QCOMPARE(page->columnTitles.value(column), title);
}

void TestLedgerKinds::pagesAndStacks()
{
    const QList<PageKind> &pages = LedgerKinds::Pages();
    QCOMPARE(pages.size(), 19);

    QHash<QString, QList<int>> indices;
    int storedGoods = 0, storedFinance = 0;
    for (const PageKind &p : pages) {
        indices[p.stackName] << p.stackIndex;
        const bool goodsLike = p.group != Group::Finance;
        QCOMPARE(p.ColumnCount(),
                 goodsLike ? GoodsRecord::TextCount : FinanceRecord::TextCount);
        QCOMPARE(p.paidEdit.isEmpty(), !goodsLike);
        // A stored page is the only one that can add, delete, clear or import rows.
        for (const QString *b : {&p.addButton, &p.deleteButton, &p.clearButton, &p.importButton})
            QCOMPARE(b->isEmpty(), !p.IsStored());
        QVERIFY(!p.queryButton.isEmpty() && !p.exportButton.isEmpty() && !p.printButton.isEmpty());
        if (p.IsStored()) {
            if (p.group == Group::Goods) {
                QCOMPARE(p.storedTable, QStringLiteral("tb_sm_product_info"));
                QVERIFY(p.kind < GoodsKind::StoredCount);
                ++storedGoods;
            } else {
                QCOMPARE(p.storedTable, QStringLiteral("tb_sm_finance_info"));
                QVERIFY(p.kind < FinanceKind::StoredCount);
                ++storedFinance;
            }
        }
    }
    QCOMPARE(storedGoods, GoodsKind::StoredCount);
    QCOMPARE(storedFinance, FinanceKind::StoredCount);
    QCOMPARE(indices.value(QStringLiteral("stackedWidget")), (QList<int>{0, 1, 2, 3, 4, 5}));
    QCOMPARE(indices.value(QStringLiteral("stackedWidget_2")), (QList<int>{0, 1, 2, 3, 4}));
    QCOMPARE(indices.value(QStringLiteral("stackedWidget_3")), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));

    QVERIFY(!LedgerKinds::Find(Group::Goods, GoodsKind::CurrentStock)->IsStored());
    QVERIFY(!LedgerKinds::Find(Group::Finance, FinanceKind::Profit)->IsStored());
    QCOMPARE(LedgerKinds::Find(Group::Goods, 0)->ActionButtons(),
             (QStringList{"btn_puradd", "btn_purdel", "btn_purclr", "btn_purquery", "btn_inport",
                          "btn_export", "btn_purprint"}));
    QCOMPARE(LedgerKinds::Find(Group::Sales, 0)->ActionButtons(),
             (QStringList{"btn_salequery_1", "btn_export_7", "btn_purprint_7"}));
}

// The window finds its widgets by name: a name used twice would wire a button
// of one page to another page's work.
void TestLedgerKinds::objectNamesAreUnique()
{
    QSet<QString> seen;
    for (const PageKind &p : LedgerKinds::Pages()) {
        QStringList names = p.ActionButtons();
        names << p.pageName << p.tableName << p.titleButton << p.totalEdit << p.paidEdit
              << p.debtEdit << p.totalButton << p.chartButton << p.menuAction;
        for (const QString &name : names) {
            if (name.isEmpty())
                continue;
            QVERIFY2(!seen.contains(name), qPrintable(name));
            seen.insert(name);
        }
    }
    const int pagesAndTables = 19 * 2, titles = 14;
    const int pageButtons = 5 * 7 + 3 + 5 * 3 + 7 * 7 + 3;
    const int totals = 11 * (3 + 1) + 8 * (1 + 1);
    const int charts = 5 + 1, menuEntries = 5;
    QCOMPARE(seen.size(), pagesAndTables + titles + pageButtons + totals + charts + menuEntries);
}

void TestLedgerKinds::lookups()
{
    for (const PageKind &p : LedgerKinds::Pages()) {
        QCOMPARE(LedgerKinds::FindByTable(p.tableName), &p);
        QCOMPARE(LedgerKinds::Find(p.group, p.kind), &p);
        for (const QString &name : p.ActionButtons() + QStringList{p.totalButton, p.totalEdit})
            QCOMPARE(LedgerKinds::FindByWidget(name), &p);
        if (!p.chartButton.isEmpty())
            QCOMPARE(LedgerKinds::FindByWidget(p.chartButton), &p);
    }
    QCOMPARE(LedgerKinds::FindByWidget(QStringLiteral("btn_fin_4"))->tableName,
             QStringLiteral("tab_purpay"));
    QCOMPARE(LedgerKinds::FindByWidget(QStringLiteral("lineEdit_d_6"))->tableName,
             QStringLiteral("tab_storeCurr"));
    QVERIFY(!LedgerKinds::FindByTable(QStringLiteral("tab_nothing")));
    QVERIFY(!LedgerKinds::FindByWidget(QString()));
    QVERIFY(!LedgerKinds::Find(Group::Goods, 6));
    QVERIFY(!LedgerKinds::Find(Group::Finance, -1));
}

QTEST_GUILESS_MAIN(TestLedgerKinds)
#include "test_ledgerkinds.moc"
