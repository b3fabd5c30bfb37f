#include "storetestsupport.h"

#include <QtTest>

class TestFinanceStore : public QObject
{
    Q_OBJECT

private slots:
    void saveUpdateDeleteWithinStore();
    void periodQueries_data();
    void periodQueries();
};

void TestFinanceStore::saveUpdateDeleteWithinStore()
{
    TempStore db;
    REQUIRE_DB(db);
    db.store()->SetStoreNo(QStringLiteral("2"));
    QVERIFY(db.store()->SaveFinanceRow(MakeFinance(0, QStringLiteral("0"), QStringLiteral("2024-01-01"))));
    db.store()->SetStoreNo(QStringLiteral("1"));

    FinanceRecord fresh;   // a new record: "0" everywhere but the item
    fresh.tabType = FinanceKind::Income;
    QVERIFY(db.store()->SaveFinanceRow(fresh));
    FinanceRecord edited = fresh;
    for (int i = 1; i < FinanceRecord::TextCount; ++i)
        edited.setText(i, QStringLiteral("it's %1'); drop table tb_sm_finance_info; --").arg(i));
    edited.remark.clear();
    QVERIFY(db.store()->SaveFinanceRow(edited));
    QCOMPARE(StoredFinanceOf(), FinanceList{edited});

    FinanceRecord other = edited;
    other.tabType = FinanceKind::OtherExpenses;
    QVERIFY(db.store()->SaveFinanceRow(other));
    QCOMPARE(StoredFinanceOf(FinanceKind::Income), FinanceList{edited});
    QCOMPARE(StoredFinanceOf(FinanceKind::OtherExpenses), FinanceList{other});

    // The row key has no model: kind and serial pick exactly one row.
    QVERIFY(db.store()->DeleteFinanceRow(edited));
    QCOMPARE(StoredFinanceOf(), FinanceList{other});
    QVERIFY(db.store()->DeleteFinanceKind(FinanceKind::OtherExpenses));
    QVERIFY(StoredFinanceOf().isEmpty());
    QCOMPARE(db.Count(QStringLiteral("tb_sm_finance_info"), QStringLiteral("store_no='2'")), 1);
}

void TestFinanceStore::periodQueries_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("tabType");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("day of 29 February") << 1 << -1 << "" << "2024-02-29" << QStringList{"feb29"};
    QTest::newRow("day, one kind") << 1 << 1 << "" << "2024-02-29" << QStringList{"feb29"};
    QTest::newRow("month holds 29 February") << 2 << -1 << "" << "2024-02-29" << QStringList{"feb01", "feb29"};
    QTest::newRow("short date text is outside March") << 2 << -1 << "" << "2024-03-20" << QStringList{"mar31"};
    QTest::newRow("April ends on the 30th") << 2 << -1 << "" << "2024-04-02" << QStringList{"apr30"};
    QTest::newRow("year, short text sorts after December") << 3 << 0 << "" << "2024-01-01"
                                                           << QStringList{"apr30", "feb01", "mar31"};
    QTest::newRow("range") << 4 << -1 << "2024-02-02" << "2024-03-31" << QStringList{"feb29", "mar31"};
    QTest::newRow("everything of one kind") << 5 << 1 << "" << "" << QStringList{"feb29"};
}

void TestFinanceStore::periodQueries()
{
    QFETCH(int, mode);
    QFETCH(int, tabType);
    QFETCH(QString, start);
    QFETCH(QString, date);
    QFETCH(QStringList, expected);

    TempStore db;
    REQUIRE_DB(db);
    const QList<QPair<const char *, const char *>> rows{{"feb01", "2024-02-01"}, {"feb29", "2024-02-29"},
                                                        {"mar5", "2024-3-5"},    {"mar31", "2024-03-31"},
                                                        {"apr30", "2024-04-30"}};
    for (const auto &row : rows)
        QVERIFY(db.store()->SaveFinanceRow(MakeFinance(QLatin1String(row.first) == "feb29" ? 1 : 0,
                                                       QLatin1String(row.first), QLatin1String(row.second))));
    db.store()->SetStoreNo(QStringLiteral("2"));
    QVERIFY(db.store()->SaveFinanceRow(MakeFinance(1, QStringLiteral("x"), QStringLiteral("2024-02-29"))));
    db.store()->SetStoreNo(QStringLiteral("1"));

    const FinanceRecord earlier = MakeFinance(2, QStringLiteral("kept"), QStringLiteral("1999-01-01"));
    FinanceList out{earlier};
    QVERIFY(db.store()->QueryFinance(mode, tabType, start, date, out));
    QCOMPARE(out.takeFirst(), earlier);   // appended, never cleared
    QCOMPARE(SortedSerials(out), expected);
}

QTEST_GUILESS_MAIN(TestFinanceStore)
#include "test_financestore.moc"
