#include "app/modalseam.h"
#include "ledger/ledgerdelegate.h"
#include "ledger/ledgerrows.h"
#include "ledger/listsource.h"
#include "masterdata/comboxboxspec.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

namespace {

RowChoices SampleChoices()
{
    RowChoices c;
    c.classes = QStringList{"衣服", "鞋"};
    c.names = QStringList{"N1"};
    c.models = QStringList{"M-1", "M-2"};
    c.colours = QStringList{"红"};
    c.sizes = QStringList{"XL"};
    c.employees = QStringList{"张三", "李四"};
    c.customers = QStringList{"客户甲"};
    c.distributors = QStringList{"分销乙"};
    c.suppliers = QStringList{"供应丙"};
    return c;
}

QStringList Items(QComboBox *box)
{
    QStringList items;
    for (int i = 0; box && i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

GoodsRecord SampleGoods()
{
    GoodsRecord r;
    for (int i = 0; i < GoodsRecord::TextCount; ++i)
        r.setText(i, QStringLiteral("t%1").arg(i));
    r.serial = QStringLiteral("2024-03-05 10:00:00:123");
    r.model = QStringLiteral("M-2");
    r.time = QStringLiteral("2024-03-05");
    r.num = QStringLiteral("3");
    r.price = QStringLiteral("2.5");
    r.total = QStringLiteral("7.5");
    r.pay = QStringLiteral("0");
    r.debt = QStringLiteral("7.5");
    return r;
}

void SetCell(QTableWidget &t, int row, int column, const QString &text)
{
    t.setItem(row, column, new QTableWidgetItem(text));
}

} // namespace

class TestLedgerRows : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { ModalSeam::SetBoxAnswerer({}); }
    void peopleChoicesByTable_data();
    void peopleChoicesByTable();
    void showRecordPutsEveryField();
    void newRowStartsEmpty();
    void storedDates_data();
    void storedDates();
    void emptySerialGetsTheCurrentTime();
    void financeRow_data();
    void financeRow();
    void readDerivesAndWritesBack();
    void refusedCellIsEmptiedAndTheRowDerivedFromTheRest();
    void readOfMissingRow();
    void pressOpensTheCellsEditorOnly();
    void listTextsDecoded_data();
    void listTextsDecoded();
    void checkNumberWarnsOnlyForTypedText();
};

void TestLedgerRows::peopleChoicesByTable_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("column14");
    QTest::addColumn<QStringList>("column15");
    const QStringList employees{"张三", "李四"};
    QTest::newRow("purchase-in") << "tab_purchaseIn" << QStringList{"供应丙"} << employees;
    QTest::newRow("purchase-return") << "tab_purchaseBack" << QStringList{"供应丙"} << employees;
    QTest::newRow("sale") << "tab_saleout" << QStringList{"客户甲"} << employees + QStringList{"分销乙"};
    QTest::newRow("sale-return") << "tab_saleback" << QStringList{"客户甲"} << employees + QStringList{"分销乙"};
    QTest::newRow("loss") << "tab_storelose" << employees << employees;
    QTest::newRow("stock") << "tab_storeCurr" << employees << employees;
}

void TestLedgerRows::peopleChoicesByTable()
{
    QFETCH(QString, table);
    QFETCH(QStringList, column14);
    QFETCH(QStringList, column15);
    QTableWidget t(0, 19);
    t.setObjectName(table);
    LedgerRows::FillGoodsRow(LedgerRows::ShowRecord, 0, GoodsRecord(), &t);
    QCOMPARE(LedgerRows::ChoicesAt(&t, 0, 14, SampleChoices()), column14);
    QCOMPARE(LedgerRows::ChoicesAt(&t, 0, 15, SampleChoices()), column15);
    QCOMPARE(LedgerRows::ChoicesAt(&t, 0, 17, SampleChoices()), (QStringList{"张三", "李四"}));
}

void TestLedgerRows::showRecordPutsEveryField()
{
    QTableWidget t(0, 19);
    t.setObjectName("tab_saleout");
    const GoodsRecord r = SampleGoods();
    LedgerRows::FillGoodsRow(LedgerRows::ShowRecord, 2, r, &t);
    QCOMPARE(t.rowCount(), 3);

    const QList<int> comboColumns{1, 2, 3, 4, 6, 14, 15, 17};
    for (int c = 0; c < 19; ++c) {
        QCOMPARE(LedgerRows::CellText(&t, 2, c), r.text(c));
        QVERIFY2(!t.cellWidget(2, c), qPrintable(QString("column %1").arg(c)));
        const LedgerRows::Editor expected = comboColumns.contains(c) ? LedgerRows::Editor::Combo
            : c == 7 ? LedgerRows::Editor::Date : LedgerRows::Editor::None;
        QVERIFY2(LedgerRows::EditorAt(&t, 2, c) == expected, qPrintable(QString("column %1").arg(c)));
        const bool editable = t.item(2, c)->flags() & Qt::ItemIsEditable;
        QCOMPARE(editable, c != 0 && c != 8);
    }
    QVERIFY(t.viewport()->styleSheet().contains(LedgerRows::ComboStyle()));
    QVERIFY(t.viewport()->styleSheet().contains(LedgerRows::DateEditStyle()));
}

void TestLedgerRows::newRowStartsEmpty()
{
    QTableWidget t(1, 19);
    t.setObjectName("tab_purchaseIn");
    LedgerRows::FillGoodsRow(LedgerRows::NewRow, 0, SampleGoods(), &t);
    QVERIFY(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d:\\d{3}$")
                .match(LedgerRows::CellText(&t, 0, 0)).hasMatch());
    QCOMPARE(LedgerRows::CellText(&t, 0, 7), QDate::currentDate().toString("yyyy-MM-dd"));
    for (int c = 1; c < 19; ++c) {
        if (c != 7)
            QVERIFY2(LedgerRows::CellText(&t, 0, c).isEmpty(), qPrintable(QString("column %1").arg(c)));
    }
}

void TestLedgerRows::storedDates_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << "2024-03-05" << "2024-03-05";
    QTest::newRow("no leading zeros") << "2024-3-5" << "2024-03-05";
    QTest::newRow("slashes") << "2024/03/05" << "2000-01-01";
    QTest::newRow("two parts") << "2024-03" << "2000-01-01";
    QTest::newRow("empty") << "" << "2000-01-01";
    QTest::newRow("no such day") << "2024-02-30" << "2000-01-01";
    QTest::newRow("letters") << "abc-d-e" << "2000-01-01";
}

void TestLedgerRows::storedDates()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QTableWidget t(0, 19);
    t.setObjectName("tab_saleout");
    GoodsRecord r = SampleGoods();
    r.time = stored;
    LedgerRows::FillGoodsRow(LedgerRows::ShowRecord, 0, r, &t);
    QCOMPARE(LedgerRows::CellText(&t, 0, 7), shown);

    QTableWidget f(0, 9);
    f.setObjectName("tab_income");
    FinanceRecord fr;
    fr.time = stored;
    LedgerRows::FillFinanceRow(LedgerRows::ShowRecord, 0, fr, &f);
    QCOMPARE(LedgerRows::CellText(&f, 0, 3), shown);
}

void TestLedgerRows::emptySerialGetsTheCurrentTime()
{
    QTableWidget t(0, 19);
    t.setObjectName("tab_saleout");
    GoodsRecord r = SampleGoods();
    r.serial.clear();
    const QString before = QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss:zzz");
    LedgerRows::FillGoodsRow(LedgerRows::ShowRecord, 0, r, &t);
    const QString serial = LedgerRows::CellText(&t, 0, 0);
    QVERIFY(serial >= before);
    QCOMPARE(serial.size(), before.size());
}

void TestLedgerRows::financeRow_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("clients");
    QTest::newRow("salaries list employees") << "tab_salary" << QStringList{"张三", "李四"};
    QTest::newRow("income lists customers") << "tab_income" << QStringList{"客户甲"};
    QTest::newRow("payments list customers") << "tab_purpay" << QStringList{"客户甲"};
}

void TestLedgerRows::financeRow()
{
    QFETCH(QString, table);
    QFETCH(QStringList, clients);
    QTableWidget t(0, 9);
    t.setObjectName(table);
    FinanceRecord r;
    r.serial = "2024-03-05 10:00:00:000";
    r.item = "自定项目";
    r.sum = "12.5";
    r.time = "2024-03-05";
    r.client = "某人";
    LedgerRows::FillFinanceRow(LedgerRows::ShowRecord, 0, r, &t);
    QCOMPARE(LedgerRows::ChoicesAt(&t, 0, 1, SampleChoices()), LedgerRows::FinanceItems());
    QCOMPARE(LedgerRows::FinanceItems().size(), 11);
    QCOMPARE(LedgerRows::ChoicesAt(&t, 0, 4, SampleChoices()), clients);
    QVERIFY(LedgerRows::EditorAt(&t, 0, 3) == LedgerRows::Editor::Date);
    QVERIFY(LedgerRows::EditorAt(&t, 0, 2) == LedgerRows::Editor::None);
    for (int c = 0; c < 9; ++c)
        QCOMPARE(LedgerRows::CellText(&t, 0, c), r.text(c));
    QVERIFY(!(t.item(0, 0)->flags() & Qt::ItemIsEditable));
}

void TestLedgerRows::readDerivesAndWritesBack()
{
    QTableWidget t(0, 19);
    t.setObjectName("tab_saleout");
    GoodsRecord r = SampleGoods();
    r.total.clear();
    r.pay.clear();
    r.debt.clear();
    LedgerRows::FillGoodsRow(LedgerRows::ShowRecord, 0, r, &t);
    QSignalSpy changed(&t, &QTableWidget::cellChanged);
    GoodsRecord read;
    const LedgerRows::ReadOutcome outcome = LedgerRows::ReadGoodsRow(0, 2, read, &t);
    QVERIFY(outcome.read);
    QVERIFY(!outcome.refused);
    QCOMPARE(read.tabType, 2);
    QCOMPARE(read.total, QString("7.5"));
    QCOMPARE(read.pay, QString("0"));
    QCOMPARE(read.debt, QString("7.5"));
    QCOMPARE(t.item(0, 11)->text(), QString("7.5"));
    QCOMPARE(t.item(0, 12)->text(), QString("0"));
    QCOMPARE(t.item(0, 13)->text(), QString("7.5"));
    // Written back quietly: the caller saves once, no echo of its own writes.
    QCOMPARE(changed.count(), 0);
    QCOMPARE(read.model, QString("M-2"));
    QCOMPARE(read.time, QString("2024-03-05"));
}

void TestLedgerRows::refusedCellIsEmptiedAndTheRowDerivedFromTheRest()
{
    QTableWidget t(1, 19);
    t.setObjectName("tab_purchaseIn");
    LedgerRows::FillGoodsRow(LedgerRows::NewRow, 0, GoodsRecord(), &t);
    SetCell(t, 0, 11, "100");
    SetCell(t, 0, 13, "70");
    SetCell(t, 0, 12, "xyz");
    GoodsRecord read;
    // Refused where it was typed: emptied, and the row derived from what is left.
    const LedgerRows::ReadOutcome outcome = LedgerRows::ReadGoodsRow(0, 0, read, &t, 12);
    QVERIFY(outcome.refused);
    QCOMPARE(read.pay, QString("30"));
    QCOMPARE(t.item(0, 12)->text(), QString("30"));
    QCOMPARE(read.debt, QString("70"));
    QCOMPARE(read.total, QString("100"));

    FinanceRecord fr;
    QTableWidget f(1, 9);
    f.setObjectName("tab_income");
    LedgerRows::FillFinanceRow(LedgerRows::NewRow, 0, FinanceRecord(), &f);
    SetCell(f, 0, 2, "12元");
    QVERIFY(LedgerRows::ReadFinanceRow(0, 0, fr, &f).refused);
    QCOMPARE(fr.sum, QString());
    QCOMPARE(f.item(0, 2)->text(), QString());
}

void TestLedgerRows::readOfMissingRow()
{
    QTableWidget t(1, 19);
    GoodsRecord r;
    QVERIFY(!LedgerRows::ReadGoodsRow(-1, 0, r, &t).read);
    QVERIFY(!LedgerRows::ReadGoodsRow(1, 0, r, &t).read);
    QVERIFY(!LedgerRows::ReadGoodsRow(0, 0, r, nullptr).read);
}

void TestLedgerRows::pressOpensTheCellsEditorOnly()
{
    QTableWidget t(0, 19);
    t.setObjectName("tab_saleout");
    t.resize(1600, 400);
    for (int i = 0; i < 4; ++i)
        LedgerRows::FillGoodsRow(LedgerRows::ShowRecord, i, SampleGoods(), &t);
    QList<QWidget *> wired;
    t.setItemDelegate(new LedgerDelegate(&t, SampleChoices, [&](QWidget *w) { wired << w; }));
    t.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t));
    auto press = [&](int row, int column, int fromRight) {
        const QRect cell = t.visualRect(t.model()->index(row, column));
        QTest::mouseClick(t.viewport(), Qt::LeftButton, {}, QPoint(cell.right() - fromRight, cell.center().y()));
        return t.indexWidget(t.model()->index(row, column));
    };

    // A press on the arrow opens the cell's combo with its choices.
    auto *box = qobject_cast<ComboxBoxSpec *>(press(3, 15, 4));
    QVERIFY(box && box->isEditable());
    QCOMPARE(Items(box), (QStringList{"张三", "李四", "分销乙"}));
    QCOMPARE(box->currentText(), QString("t15"));
    QTRY_VERIFY(QApplication::activePopupWidget());
    QApplication::activePopupWidget()->close();
    // The row found from the editor follows when rows above go.
    t.removeRow(0);
    QTableWidget *table = nullptr;
    int row = -1, column = -1;
    QVERIFY(LedgerDelegate::EditedCell(box, &table, &row, &column));
    QCOMPARE(table, &t);
    QCOMPARE(row, 2);
    QCOMPARE(column, 15);
    box->setEditText("王五");
    LedgerDelegate::WriteToItem(box);
    QCOMPARE(t.item(2, 15)->text(), QString("王五"));
    QComboBox loose;
    QVERIFY(!LedgerDelegate::EditedCell(&loose, &table, &row, &column));

    // A date cell gets a date editor; the wheel over it changes nothing.
    auto *date = qobject_cast<QDateEdit *>(press(1, 7, 60));
    QVERIFY(date && date->calendarPopup());
    QCOMPARE(date->date(), QDate(2024, 3, 5));
    QCOMPARE(t.item(1, 7)->text(), QString("2024-03-05"));
    QWheelEvent wheel(QPointF(5, 5), date->mapToGlobal(QPoint(5, 5)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(date->childAt(5, 5) ? date->childAt(5, 5) : date, &wheel);
    QCOMPARE(date->date(), QDate(2024, 3, 5));
    // The editor of the cell left behind is gone: one editor at a time.
    QTRY_COMPARE(t.viewport()->findChildren<ComboxBoxSpec *>().size(), 0);
    QCOMPARE(wired.size(), 2);
    // A single press on a text cell opens nothing.
    QVERIFY(!press(0, 9, 20));
}

void TestLedgerRows::listTextsDecoded_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("choices");
    QTest::newRow("one field per row") << "a;b" << QStringList{"a", "b"};
    QTest::newRow("first field of people rows") << "张三-男-30;李四-女-25" << QStringList{"张三", "李四"};
    QTest::newRow("escaped dash and dot") << "A##1-x;B&&2" << QStringList{"A-1", "B.2"};
    QTest::newRow("empty rows give no choice") << "a;;-x;b" << QStringList{"a", "b"};
    QTest::newRow("empty list") << "" << QStringList{};
}

void TestLedgerRows::listTextsDecoded()
{
    QFETCH(QString, text);
    QFETCH(QStringList, choices);
    QCOMPARE(ListSource::FirstFields(text), choices);
}

void TestLedgerRows::checkNumberWarnsOnlyForTypedText()
{
    QStringList seen;
    ModalSeam::SetBoxAnswerer([&](QMessageBox &box) {
        seen << box.windowTitle() + "|" + box.text();
        box.done(QMessageBox::Ok);
    });
    QVERIFY(LedgerRows::CheckNumber("2.5", false, nullptr));
    QVERIFY(!LedgerRows::CheckNumber("", false, nullptr));
    QVERIFY(!LedgerRows::CheckNumber("abc", true, nullptr));
    QVERIFY(seen.isEmpty());
    QVERIFY(!LedgerRows::CheckNumber("abc", false, nullptr));
    QCOMPARE(seen, QStringList{"输入错误|请输入数字"});
}

QTEST_MAIN(TestLedgerRows)
#include "test_ledgerrows.moc"
