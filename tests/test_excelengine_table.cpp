// A ledger page's export takes the texts its cell widgets show.
#include "exchange/excelengine.h"

#include <QComboBox>
#include <QDateEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

class TestExcelEngineTable : public QObject
{
    Q_OBJECT

private slots:
    void ledgerPagesTakeWidgetTexts_data();
    void ledgerPagesTakeWidgetTexts();
};

void TestExcelEngineTable::ledgerPagesTakeWidgetTexts_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QList<int>>("comboColumns");
    QTest::addColumn<int>("dateColumn");
    QTest::newRow("goods") << 1 << 19 << QList<int>{1, 2, 3, 4, 6, 14, 15, 17} << 7;
    QTest::newRow("finance") << 2 << 9 << QList<int>{1, 4, 5, 7} << 3;
}

void TestExcelEngineTable::ledgerPagesTakeWidgetTexts()
{
    QFETCH(int, kind);
    QFETCH(int, columns);
    QFETCH(QList<int>, comboColumns);
    QFETCH(int, dateColumn);
    QTableWidget table(2, columns);
    // Row 0 holds the page's cell widgets; row 1 plain items, as on the
    // computed pages, and one cell with nothing at all.
    for (int c = 0; c < columns; ++c) {
        if (c == dateColumn) {
            table.setCellWidget(0, c, new QDateEdit(QDate(2024, 5, 1)));
        } else if (comboColumns.contains(c)) {
            auto *combo = new QComboBox;
            combo->addItems({QStringLiteral("甲"), QStringLiteral("乙+丙")});
            combo->setCurrentIndex(1);
            table.setCellWidget(0, c, combo);
        } else {
            table.setItem(0, c, new QTableWidgetItem(QStringLiteral("t%1").arg(c)));
        }
        if (c != columns - 1)
            table.setItem(1, c, new QTableWidgetItem(QStringLiteral("p%1").arg(c)));
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ledger.xls"));
    {
        ExcelEngine engine(path);
        QVERIFY(engine.Open(1, false));
        QVERIFY(engine.WriteLedgerTable(kind, &table));
        QVERIFY(engine.Close());
    }
    ExcelEngine engine(path);
    QVERIFY(engine.Open(1, false));
    QStringList rows;
    QVERIFY(engine.ReadRowsAsText(&rows));
    QCOMPARE(rows.size(), 2);
    const QStringList first = rows.at(0).split(QLatin1Char('+'));
    QCOMPARE(first.size(), columns);
    QCOMPARE(first.at(dateColumn), QStringLiteral("2024K05K01"));
    for (int c : comboColumns)
        QCOMPARE(first.at(c), QStringLiteral("乙^^丙"));
    QCOMPARE(first.at(0), QStringLiteral("t0"));
    // The blank last cell is still part of the row: the field count holds.
    const QStringList second = rows.at(1).split(QLatin1Char('+'));
    QCOMPARE(second.size(), columns);
    QCOMPARE(second.at(dateColumn), QStringLiteral("p%1").arg(dateColumn));
}

QTEST_MAIN(TestExcelEngineTable)
#include "test_excelengine_table.moc"
