// The engine's table operations as the list dialogs and ledger pages use them.
#include "exchange/excelengine.h"
#include "workbooktesthelpers.h"

#include <QComboBox>
#include <QDateEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace WorkbookTest;

class TestExcelEngineTable : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void readIntoTablePutsRowsOnTop();
    void writeTableSkipsMissingItems();
    void ledgerPagesTakeWidgetTexts_data();
    void ledgerPagesTakeWidgetTexts();
    void noTableOrNotOpen();

private:
    QString Path(const QString &name) const { return m_dir->filePath(name); }
    static QTableWidget *Table(int rows, const QStringList &headers)
    {
        auto *table = new QTableWidget(rows, headers.size());
        table->setHorizontalHeaderLabels(headers);
        return table;
    }
    static Workbook ReadBack(const QString &path)
    {
        Workbook book;
        QString error;
        if (!WorkbookFile::Read(path, &book, &error))
            qWarning("%s", qPrintable(error));
        return book;
    }

    QScopedPointer<QTemporaryDir> m_dir;
};

void TestExcelEngineTable::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void TestExcelEngineTable::readIntoTablePutsRowsOnTop()
{
    const QString path = Path(QStringLiteral("list.xlsx"));
    Workbook book;
    // Header in row 2 from column B; the sheet has one column more than the table.
    book.sheets.append(SheetFromRows(QStringLiteral("S"),
        {{QStringLiteral("序号"), QStringLiteral("仓库"), QStringLiteral("多余")},
         {QStringLiteral("7"), QStringLiteral("一号库"), QStringLiteral("x")},
         {QStringLiteral("8"), QStringLiteral("二号库"), QString()}}, 1, 1));
    QString error;
    QVERIFY(WorkbookFile::Write(path, WorkbookFile::Format::Xlsx, book, &error));

    QScopedPointer<QTableWidget> table(Table(1, {QStringLiteral("序号"), QStringLiteral("仓库")}));
    table->setItem(0, 0, new QTableWidgetItem(QStringLiteral("1")));
    table->setItem(0, 1, new QTableWidgetItem(QStringLiteral("旧库")));
    ExcelEngine engine(path);
    QVERIFY(engine.Open(1, false));
    QVERIFY(engine.ReadIntoTable(table.data()));
    QVERIFY(engine.Close());
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->columnCount(), 2);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("7"));
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("一号库"));
    QCOMPARE(table->item(1, 1)->text(), QStringLiteral("二号库"));
    QCOMPARE(table->item(2, 1)->text(), QStringLiteral("旧库"));
}

void TestExcelEngineTable::writeTableSkipsMissingItems()
{
    const QString path = Path(QStringLiteral("people.xls"));
    QScopedPointer<QTableWidget> table(Table(2, {QStringLiteral("序号"), QStringLiteral("姓名"), QStringLiteral("电话")}));
    delete table->takeHorizontalHeaderItem(2);
    table->setItem(0, 0, new QTableWidgetItem(QStringLiteral("1")));
    table->setItem(0, 1, new QTableWidgetItem(QStringLiteral("张三")));
    table->setItem(1, 2, new QTableWidgetItem(QStringLiteral("139")));
    ExcelEngine engine(path);
    QVERIFY(engine.Open(1, false));
    QVERIFY(engine.WriteTable(table.data()));
    QVERIFY(engine.Close());

    const Workbook book = ReadBack(path);
    QCOMPARE(book.sheets.size(), 1);
    const WorkbookSheet &s = book.sheets.at(0);
    QCOMPARE(s.Text(0, 0), QStringLiteral("序号"));
    QCOMPARE(s.Text(0, 2), QString());
    QCOMPARE(s.Text(1, 1), QStringLiteral("张三"));
    QCOMPARE(s.Text(2, 0), QString());
    QCOMPARE(s.Text(2, 2), QStringLiteral("139"));
}

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
    QStringList headers;
    for (int c = 0; c < columns; ++c)
        headers << QStringLiteral("列%1").arg(c);
    QScopedPointer<QTableWidget> table(Table(2, headers));
    // Row 0 holds the page's cell widgets; row 1 plain items, as on the
    // computed pages, and one cell with nothing at all.
    for (int c = 0; c < columns; ++c) {
        if (c == dateColumn) {
            table->setCellWidget(0, c, new QDateEdit(QDate(2024, 5, 1)));
        } else if (comboColumns.contains(c)) {
            auto *combo = new QComboBox;
            combo->addItems({QStringLiteral("甲"), QStringLiteral("乙+丙")});
            combo->setCurrentIndex(1);
            table->setCellWidget(0, c, combo);
        } else {
            table->setItem(0, c, new QTableWidgetItem(QStringLiteral("t%1").arg(c)));
        }
        if (c != columns - 1)
            table->setItem(1, c, new QTableWidgetItem(QStringLiteral("p%1").arg(c)));
    }
    const QString path = Path(QStringLiteral("ledger.xls"));
    {
        ExcelEngine engine(path);
        QVERIFY(engine.Open(1, false));
        QVERIFY(engine.WriteLedgerTable(kind, table.data()));
        QVERIFY(engine.Close());
    }
    ExcelEngine engine(path);
    QVERIFY(engine.Open(1, false));
    QCOMPARE(engine.ColumnCount(), columns);
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
    QCOMPARE(second.last(), QString());

    // Any other kind writes the header and empty cells.
    const QString other = Path(QStringLiteral("other.xlsx"));
    ExcelEngine blank(other);
    QVERIFY(blank.Open(1, false));
    QVERIFY(blank.WriteLedgerTable(3, table.data()));
    QVERIFY(blank.Close());
    const Workbook book = ReadBack(other);
    QCOMPARE(book.sheets.at(0).Text(0, 1), QStringLiteral("列1"));
    QCOMPARE(book.sheets.at(0).lastRow, 2);
    QCOMPARE(book.sheets.at(0).Text(1, 0), QString());
}

void TestExcelEngineTable::noTableOrNotOpen()
{
    ExcelEngine engine(Path(QStringLiteral("x.xls")));
    QScopedPointer<QTableWidget> table(Table(1, {QStringLiteral("h")}));
    QVERIFY(!engine.WriteTable(table.data()));
    QVERIFY(!engine.WriteLedgerTable(1, table.data()));
    QVERIFY(!engine.ReadIntoTable(table.data()));
    QVERIFY(engine.Open(1, false));
    QVERIFY(!engine.WriteTable(nullptr));
    QVERIFY(!engine.WriteLedgerTable(1, nullptr));
    QVERIFY(!engine.ReadIntoTable(nullptr));
    QCOMPARE(table->rowCount(), 1);
    QVERIFY(engine.Close());
    QVERIFY(!QFile::exists(Path(QStringLiteral("x.xls"))));
}

QTEST_MAIN(TestExcelEngineTable)
#include "test_excelengine_table.moc"
