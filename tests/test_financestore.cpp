#include "storetestsupport.h"

#include <QtTest>

#include <algorithm>

namespace {

QStringList Serials(const FinanceList &rows)
{
    QStringList s;
    for (const FinanceRecord &r : rows)
        s << r.serial;
    std::sort(s.begin(), s.end());
    return s;
}

FinanceList All(int kind = -1)
{
    FinanceList rows;
    TempStore::store()->QueryFinance(5, kind, QString(), QString(), rows);
    return rows;
}

} // namespace

class TestFinanceStore : public QObject
{
    Q_OBJECT

private slots:
    void saveInsertsThenUpdates();
    void deleteRowAndKindStayInStore();
    void periodQueries_data();
    void periodQueries();
    void invalidModeAppendsNothing();
    void quotesRoundTrip();
};

void TestFinanceStore::saveInsertsThenUpdates()
{
    TempStore db;
    QVERIFY(db.connected);
    FinanceRecord fresh;   // a new record: "0" everywhere but the item
    fresh.tabType = FinanceKind::Salaries;
    QVERIFY(db.store()->SaveFinanceRow(fresh));
    QCOMPARE(All(), FinanceList{fresh});

    FinanceRecord edited = fresh;
    edited.item = QStringLiteral("工资");
    edited.sum = QStringLiteral("3000.10");
    edited.remark.clear();
    QVERIFY(db.store()->SaveFinanceRow(edited));
    QCOMPARE(All(), FinanceList{edited});

    FinanceRecord other = edited;
    other.tabType = FinanceKind::OtherExpenses;
    QVERIFY(db.store()->SaveFinanceRow(other));
    QCOMPARE(All().size(), 2);
    QCOMPARE(All(FinanceKind::Salaries), FinanceList{edited});
    QCOMPARE(All(FinanceKind::OtherExpenses), FinanceList{other});
}

void TestFinanceStore::deleteRowAndKindStayInStore()
{
    TempStore db;
    QVERIFY(db.connected);
    for (const char *store : {"2", "1"}) {
        db.store()->SetStoreNo(QLatin1String(store));
        QVERIFY(db.store()->SaveFinanceRow(MakeFinance(0, QStringLiteral("s1"), QStringLiteral("2024-01-01"))));
        QVERIFY(db.store()->SaveFinanceRow(MakeFinance(0, QStringLiteral("s2"), QStringLiteral("2024-01-01"))));
        QVERIFY(db.store()->SaveFinanceRow(MakeFinance(3, QStringLiteral("s1"), QStringLiteral("2024-01-01"))));
    }
    // The row key has no model: kind and serial pick exactly one row here.
    QVERIFY(db.store()->DeleteFinanceRow(MakeFinance(0, QStringLiteral("s1"), QString())));
    QCOMPARE(Serials(All(0)), QStringList{QStringLiteral("s2")});
    QCOMPARE(All(3).size(), 1);
    QVERIFY(db.store()->DeleteFinanceKind(0));
    QVERIFY(All(0).isEmpty());
    QCOMPARE(All(3).size(), 1);
    QCOMPARE(db.Count(QStringLiteral("tb_sm_finance_info"), QStringLiteral("store_no='2'")), 3);
}

void TestFinanceStore::periodQueries_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("tabType");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("day of 29 February") << 1 << -1 << "" << "2024-02-29" << QStringList{"feb29"};
    QTest::newRow("day, kind bare") << 1 << 1 << "" << "2024-02-29" << QStringList{"feb29"};
    QTest::newRow("month holds 29 February") << 2 << -1 << "" << "2024-02-29"
                                            << QStringList{"feb01", "feb29"};
    QTest::newRow("short date text is outside March") << 2 << -1 << "" << "2024-03-20"
                                                      << QStringList{"mar31"};
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
    QVERIFY(db.connected);
    QVERIFY(db.store()->SaveFinanceRow(MakeFinance(0, QStringLiteral("feb01"), QStringLiteral("2024-02-01"))));
    QVERIFY(db.store()->SaveFinanceRow(MakeFinance(1, QStringLiteral("feb29"), QStringLiteral("2024-02-29"))));
    QVERIFY(db.store()->SaveFinanceRow(MakeFinance(0, QStringLiteral("mar5"), QStringLiteral("2024-3-5"))));
    QVERIFY(db.store()->SaveFinanceRow(MakeFinance(0, QStringLiteral("mar31"), QStringLiteral("2024-03-31"))));
    QVERIFY(db.store()->SaveFinanceRow(MakeFinance(0, QStringLiteral("apr30"), QStringLiteral("2024-04-30"))));
    db.store()->SetStoreNo(QStringLiteral("2"));
    QVERIFY(db.store()->SaveFinanceRow(MakeFinance(1, QStringLiteral("x"), QStringLiteral("2024-02-29"))));
    db.store()->SetStoreNo(QStringLiteral("1"));

    FinanceList out;
    QVERIFY(db.store()->QueryFinance(mode, tabType, start, date, out));
    QCOMPARE(Serials(out), expected);
}

void TestFinanceStore::invalidModeAppendsNothing()
{
    TempStore db;
    QVERIFY(db.connected);
    QVERIFY(db.store()->SaveFinanceRow(MakeFinance(0, QStringLiteral("a"), QStringLiteral("2024-01-01"))));
    const FinanceRecord earlier = MakeFinance(2, QStringLiteral("kept"), QStringLiteral("1999-01-01"));
    for (int mode : {0, 6}) {
        FinanceList out{earlier};
        QVERIFY(!db.store()->QueryFinance(mode, -1, QString(), QStringLiteral("2024-01-01"), out));
        QCOMPARE(out, FinanceList{earlier});
    }
    FinanceList out{earlier};
    QVERIFY(db.store()->QueryFinance(2, -1, QString(), QStringLiteral("2024-01-09"), out));
    QCOMPARE(out.size(), 2);
    QCOMPARE(out.first(), earlier);
}

void TestFinanceStore::quotesRoundTrip()
{
    TempStore db;
    QVERIFY(db.connected);
    FinanceRecord r;
    r.tabType = FinanceKind::Income;
    for (int i = 0; i < FinanceRecord::TextCount; ++i)
        r.setText(i, QStringLiteral("it's %1'); drop table tb_sm_finance_info; --").arg(i));
    QVERIFY(db.store()->SaveFinanceRow(r));
    r.sum = QStringLiteral("O''Neil");
    QVERIFY(db.store()->SaveFinanceRow(r));
    QCOMPARE(All(), FinanceList{r});
    FinanceList day;
    QVERIFY(db.store()->QueryFinance(1, FinanceKind::Income, QString(), r.time, day));
    QCOMPARE(day, FinanceList{r});
}

QTEST_GUILESS_MAIN(TestFinanceStore)
#include "test_financestore.moc"
