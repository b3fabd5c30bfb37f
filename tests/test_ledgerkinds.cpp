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
    void pagesAndNames();
};

// The window finds its widgets by these names: a name used twice, or found
// under another page, would wire one page's button to another page's work.
void TestLedgerKinds::pagesAndNames()
{
    const QList<PageKind> &pages = LedgerKinds::Pages();
    QCOMPARE(pages.size(), 19);
    QHash<QString, QList<int>> indices;
    QSet<QString> seen;
    int stored = 0;
    for (const PageKind &p : pages) {
        indices[p.stackName] << p.stackIndex;
        const bool goodsLike = p.group != Group::Finance;
        QCOMPARE(p.ColumnCount(), goodsLike ? GoodsRecord::TextCount : FinanceRecord::TextCount);
        // Only a stored page can add, delete, clear or import rows.
        for (const QString *b : {&p.addButton, &p.deleteButton, &p.clearButton, &p.importButton})
            QCOMPARE(b->isEmpty(), !p.IsStored());
        stored += p.IsStored();
        if (p.IsStored())
            QCOMPARE(p.storedTable, QLatin1String(goodsLike ? "tb_sm_product_info" : "tb_sm_finance_info"));

        QCOMPARE(LedgerKinds::FindByTable(p.tableName), &p);
        QCOMPARE(LedgerKinds::Find(p.group, p.kind), &p);
        for (const QString &name : p.ActionButtons() + QStringList{p.totalButton, p.totalEdit, p.chartButton})
            QCOMPARE(name.isEmpty() ? &p : LedgerKinds::FindByWidget(name), &p);
        QStringList names = p.ActionButtons();
        names << p.pageName << p.tableName << p.titleButton << p.totalEdit << p.paidEdit << p.debtEdit << p.totalButton
              << p.chartButton << p.menuAction;
        for (const QString &name : names) {
            QVERIFY2(name.isEmpty() || !seen.contains(name), qPrintable(name));
            seen.insert(name);
        }
    }
    QCOMPARE(stored, GoodsKind::StoredCount + FinanceKind::StoredCount);
    QCOMPARE(indices.value(QStringLiteral("stackedWidget")), (QList<int>{0, 1, 2, 3, 4, 5}));
    QCOMPARE(indices.value(QStringLiteral("stackedWidget_2")), (QList<int>{0, 1, 2, 3, 4}));
    QCOMPARE(indices.value(QStringLiteral("stackedWidget_3")), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    QCOMPARE(LedgerKinds::Find(Group::Goods, 0)->ActionButtons(),
             (QStringList{"btn_puradd", "btn_purdel", "btn_purclr", "btn_purquery", "btn_inport",
                          "btn_export", "btn_purprint"}));
    QCOMPARE(LedgerKinds::FindByWidget(QStringLiteral("btn_fin_4"))->tableName, QStringLiteral("tab_purpay"));
    QVERIFY(!LedgerKinds::FindByTable(QStringLiteral("tab_nothing")));
    QVERIFY(!LedgerKinds::FindByWidget(QString()));
    QVERIFY(!LedgerKinds::Find(Group::Goods, 6));
}

QTEST_GUILESS_MAIN(TestLedgerKinds)
#include "test_ledgerkinds.moc"
