#include "app/modalseam.h"
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
    for (int i = 0; i < box->count(); ++i)
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
    void editorFindsItsRowAfterRowsAboveAreRemoved();
    void listTextsDecoded_data();
    void listTextsDecoded();
    void checkNumberWarnsOnlyForTypedText();
    void waitingRowReadsLikeABuiltOne_data();
    void waitingRowReadsLikeABuiltOne();
    void releasedEditorsLeaveTheirTexts();
    void onlyRowsInViewHoldEditors();
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
    LedgerRows::FillGoodsRow(LedgerRows::ShowRecord, 0, GoodsRecord(), &t, SampleChoices());
    QCOMPARE(Items(qobject_cast<QComboBox *>(t.cellWidget(0, 14))), column14);
    QCOMPARE(Items(qobject_cast<QComboBox *>(t.cellWidget(0, 15))), column15);
    QCOMPARE(Items(qobject_cast<QComboBox *>(t.cellWidget(0, 17))), (QStringList{"张三", "李四"}));
}

void TestLedgerRows::showRecordPutsEveryField()
{
    QTableWidget t(0, 19);
    t.setObjectName("tab_saleout");
    QList<QWidget *> wired;
    const GoodsRecord r = SampleGoods();
    LedgerRows::FillGoodsRow(LedgerRows::ShowRecord, 2, r, &t, SampleChoices(),
                             [&](QWidget *w) { wired << w; });
    QCOMPARE(t.rowCount(), 3);

    const QList<int> comboColumns{1, 2, 3, 4, 6, 14, 15, 17};
    for (int c = 0; c < 19; ++c) {
        QCOMPARE(LedgerRows::CellText(&t, 2, c), r.text(c));
        QWidget *w = t.cellWidget(2, c);
        if (comboColumns.contains(c)) {
            auto *box = qobject_cast<ComboxBoxSpec *>(w);
            QVERIFY2(box, qPrintable(QString("column %1").arg(c)));
            QVERIFY(box->isEditable());
            QCOMPARE(box->objectName(), QString("tab_saleout.2"));
            QVERIFY(box->parentWidget()->styleSheet().contains(LedgerRows::ComboStyle()));
        } else if (c == 7) {
            auto *edit = qobject_cast<QDateEdit *>(w);
            QVERIFY(edit);
            QVERIFY(edit->calendarPopup());
            QCOMPARE(edit->objectName(), QString("tab_saleout.2"));
            QVERIFY(edit->parentWidget()->styleSheet().contains(LedgerRows::DateEditStyle()));
        } else {
            QVERIFY2(!w, qPrintable(QString("column %1").arg(c)));
            const bool editable = t.item(2, c)->flags() & Qt::ItemIsEditable;
            QCOMPARE(editable, c != 0 && c != 8);
        }
    }
    // A model among the choices is chosen, not just typed.
    QCOMPARE(qobject_cast<QComboBox *>(t.cellWidget(2, 3))->currentIndex(), 1);
    QCOMPARE(wired.size(), 9);
}

void TestLedgerRows::newRowStartsEmpty()
{
    QTableWidget t(1, 19);
    t.setObjectName("tab_purchaseIn");
    LedgerRows::FillGoodsRow(LedgerRows::NewRow, 0, SampleGoods(), &t, SampleChoices());
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
    LedgerRows::FillGoodsRow(LedgerRows::ShowRecord, 0, r, &t, SampleChoices());
    QCOMPARE(LedgerRows::CellText(&t, 0, 7), shown);

    QTableWidget f(0, 9);
    f.setObjectName("tab_income");
    FinanceRecord fr;
    fr.time = stored;
    LedgerRows::FillFinanceRow(LedgerRows::ShowRecord, 0, fr, &f, SampleChoices());
    QCOMPARE(LedgerRows::CellText(&f, 0, 3), shown);
}

void TestLedgerRows::emptySerialGetsTheCurrentTime()
{
    QTableWidget t(0, 19);
    t.setObjectName("tab_saleout");
    GoodsRecord r = SampleGoods();
    r.serial.clear();
    const QString before = QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss:zzz");
    LedgerRows::FillGoodsRow(LedgerRows::ShowRecord, 0, r, &t, SampleChoices());
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
    LedgerRows::FillFinanceRow(LedgerRows::ShowRecord, 0, r, &t, SampleChoices());
    auto *items = qobject_cast<QComboBox *>(t.cellWidget(0, 1));
    QVERIFY(items && items->isEditable());
    QCOMPARE(Items(items), LedgerRows::FinanceItems());
    QCOMPARE(items->count(), 11);
    QCOMPARE(Items(qobject_cast<QComboBox *>(t.cellWidget(0, 4))), clients);
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
    LedgerRows::FillGoodsRow(LedgerRows::ShowRecord, 0, r, &t, SampleChoices());
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
    LedgerRows::FillGoodsRow(LedgerRows::NewRow, 0, GoodsRecord(), &t, SampleChoices());
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
    LedgerRows::FillFinanceRow(LedgerRows::NewRow, 0, FinanceRecord(), &f, SampleChoices());
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

void TestLedgerRows::editorFindsItsRowAfterRowsAboveAreRemoved()
{
    QTableWidget t(0, 19);
    t.setObjectName("tab_saleout");
    for (int i = 0; i < 4; ++i)
        LedgerRows::FillGoodsRow(LedgerRows::ShowRecord, i, SampleGoods(), &t, SampleChoices());
    QWidget *box = t.cellWidget(3, 2);
    QWidget *date = t.cellWidget(3, 7);
    t.removeRow(0);
    t.removeRow(1);

    QTableWidget *table = nullptr;
    int row = -1, column = -1;
    QVERIFY(LedgerRows::EditorCell(box, &table, &row, &column));
    QCOMPARE(table, &t);
    QCOMPARE(row, 1);
    QCOMPARE(column, 2);
    QVERIFY(LedgerRows::EditorCell(date, nullptr, &row, &column));
    QCOMPARE(row, 1);
    QCOMPARE(column, 7);
    // Its name still tells the row it was built in; that is not where it is.
    QCOMPARE(box->objectName(), QString("tab_saleout.3"));

    QComboBox loose;
    QVERIFY(!LedgerRows::EditorCell(&loose, &table, &row, &column));
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

void TestLedgerRows::waitingRowReadsLikeABuiltOne_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<bool>("goods");
    QTest::newRow("goods") << "2024-3-5" << true;
    QTest::newRow("goods, bad date") << "05.03.2024" << true;
    QTest::newRow("finance") << "2024-03-05" << false;
    QTest::newRow("finance, bad date") << "" << false;
}

void TestLedgerRows::waitingRowReadsLikeABuiltOne()
{
    QFETCH(QString, date);
    QFETCH(bool, goods);
    const int columns = goods ? 19 : 9;
    QTableWidget lazy(0, columns), eager(0, columns);
    lazy.setObjectName(goods ? "tab_saleout" : "tab_salary");
    eager.setObjectName(lazy.objectName());
    GoodsRecord g = SampleGoods();
    g.time = date;
    g.total.clear();  // derived on read
    FinanceRecord f;
    f.serial = g.serial;
    f.item = "工资款";
    f.sum = "12.5";
    f.time = date;
    f.client = "张三";
    if (goods) {
        LedgerRows::FillGoodsItems(LedgerRows::ShowRecord, 1, g, &lazy);
        LedgerRows::FillGoodsRow(LedgerRows::ShowRecord, 1, g, &eager, SampleChoices());
    } else {
        LedgerRows::FillFinanceItems(LedgerRows::ShowRecord, 1, f, &lazy);
        LedgerRows::FillFinanceRow(LedgerRows::ShowRecord, 1, f, &eager, SampleChoices());
    }
    QVERIFY(LedgerRows::EditorsWaiting(&lazy, 1));
    QVERIFY(!LedgerRows::EditorsWaiting(&eager, 1));
    for (int c = 0; c < columns; ++c) {
        QVERIFY(!lazy.cellWidget(1, c));
        QCOMPARE(LedgerRows::CellText(&lazy, 1, c), LedgerRows::CellText(&eager, 1, c));
    }
    if (goods) {
        GoodsRecord a, b;
        LedgerRows::ReadGoodsRow(1, 2, a, &lazy);
        LedgerRows::ReadGoodsRow(1, 2, b, &eager);
        QCOMPARE(a, b);
        QCOMPARE(a.total, QString("7.5"));
    } else {
        FinanceRecord a, b;
        LedgerRows::ReadFinanceRow(1, 4, a, &lazy);
        LedgerRows::ReadFinanceRow(1, 4, b, &eager);
        QCOMPARE(a, b);
    }

    // Built later, after a row above went away: same editors, same texts,
    // named after the row they were filled as, no change reported.
    lazy.removeRow(0);
    QSignalSpy changed(&lazy, &QTableWidget::cellChanged);
    QList<QWidget *> wired;
    QVERIFY(LedgerRows::BuildRowEditors(&lazy, 0, SampleChoices(), [&](QWidget *w) { wired << w; }));
    QVERIFY(!LedgerRows::BuildRowEditors(&lazy, 0, SampleChoices()));
    QCOMPARE(wired.size(), goods ? 9 : 5);
    QCOMPARE(changed.count(), 0);
    for (int c = 0; c < columns; ++c) {
        QCOMPARE(LedgerRows::CellText(&lazy, 0, c), LedgerRows::CellText(&eager, 1, c));
        QCOMPARE(bool(lazy.cellWidget(0, c)), bool(eager.cellWidget(1, c)));
        if (lazy.cellWidget(0, c)) {
            QVERIFY(!lazy.item(0, c));
            QCOMPARE(lazy.cellWidget(0, c)->objectName(), lazy.objectName() + ".1");
        }
    }
    auto *people = qobject_cast<QComboBox *>(lazy.cellWidget(0, goods ? 15 : 4));
    const QStringList employees{"张三", "李四"};
    QCOMPARE(Items(people), goods ? employees + QStringList{"分销乙"} : employees);
}

void TestLedgerRows::releasedEditorsLeaveTheirTexts()
{
    QTableWidget t(0, 19);
    t.setObjectName("tab_purchaseIn");
    LedgerRows::FillGoodsRow(LedgerRows::ShowRecord, 0, SampleGoods(), &t, SampleChoices());
    qobject_cast<QComboBox *>(t.cellWidget(0, 2))->setEditText("新名");
    qobject_cast<QComboBox *>(t.cellWidget(0, 3))->setCurrentIndex(0);
    qobject_cast<QDateEdit *>(t.cellWidget(0, 7))->setDate(QDate(2023, 7, 9));
    GoodsRecord before;
    QVERIFY(LedgerRows::PeekGoodsRow(0, 0, before, &t));

    QSignalSpy changed(&t, &QTableWidget::cellChanged);
    QVERIFY(LedgerRows::ReleaseRowEditors(&t, 0));
    QVERIFY(!LedgerRows::ReleaseRowEditors(&t, 0));
    QCOMPARE(changed.count(), 0);
    QVERIFY(LedgerRows::EditorsWaiting(&t, 0));
    GoodsRecord after;
    QVERIFY(LedgerRows::PeekGoodsRow(0, 0, after, &t));
    QCOMPARE(after, before);
    for (int c = 0; c < 19; ++c)
        QVERIFY(!t.cellWidget(0, c));
    // Typed into through editors only, never as plain cells.
    QVERIFY(!(t.item(0, 2)->flags() & Qt::ItemIsEditable));

    QVERIFY(LedgerRows::BuildRowEditors(&t, 0, SampleChoices()));
    QCOMPARE(qobject_cast<QComboBox *>(t.cellWidget(0, 3))->currentIndex(), 0);
    QVERIFY(LedgerRows::PeekGoodsRow(0, 0, after, &t));
    QCOMPARE(after, before);

    // Rows someone else filled with plain items are left alone.
    QTableWidget plain(1, 19);
    SetCell(plain, 0, 0, "x");
    QVERIFY(!LedgerRows::BuildRowEditors(&plain, 0, SampleChoices()));
    QVERIFY(!LedgerRows::ReleaseRowEditors(&plain, 0));
}

void TestLedgerRows::onlyRowsInViewHoldEditors()
{
    auto rowsWithEditors = [](const QTableWidget &t) {
        QList<int> rows;
        for (int r = 0; r < t.rowCount(); ++r) {
            if (t.cellWidget(r, 7))
                rows << r;
        }
        return rows;
    };
    QTableWidget t(0, 19);
    t.setObjectName("tab_saleout");
    t.resize(900, 400);
    const int count = 300;
    t.setRowCount(count);
    for (int i = 0; i < count; ++i)
        LedgerRows::FillGoodsItems(LedgerRows::ShowRecord, i, SampleGoods(), &t);
    InViewEditors inView;
    int wired = 0;
    inView.Watch(&t, SampleChoices(), [&](QWidget *) { ++wired; });
    QCOMPARE(inView.BuildInView(&t), 0);  // hidden: nothing is in view
    QCOMPARE(wired, 0);

    t.show();
    QVERIFY(QTest::qWaitForWindowExposed(&t));
    QApplication::processEvents();
    const QList<int> top = rowsWithEditors(t);
    QVERIFY(!top.isEmpty());
    QCOMPARE(top.first(), 0);
    QVERIFY(top.size() < 30);
    QCOMPARE(wired, top.size() * 9);
    QCOMPARE(t.rowAt(t.viewport()->height() - 1), top.last());

    t.setFocus();  // not in an editor of the first row
    t.scrollToBottom();
    QApplication::processEvents();
    const QList<int> bottom = rowsWithEditors(t);
    QCOMPARE(bottom.last(), count - 1);
    QVERIFY(bottom.size() <= top.size());
    QVERIFY(LedgerRows::EditorsWaiting(&t, 0));

    // The row holding the focus keeps its editors wherever it is scrolled to.
    t.scrollToTop();
    QApplication::processEvents();
    t.cellWidget(1, 2)->setFocus();
    QWidget *focused = t.cellWidget(1, 2);
    t.scrollToBottom();
    QApplication::processEvents();
    QCOMPARE(t.cellWidget(1, 2), focused);
}

QTEST_MAIN(TestLedgerRows)
#include "test_ledgerrows.moc"
