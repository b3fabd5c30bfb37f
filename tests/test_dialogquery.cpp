#include "app/modalseam.h"
#include "ledger/dialogquery.h"
#include "masterdata/dialoginfotodb.h"
#include "masterdata/dialogstoreset.h"
#include "masterdata/dialogusermge.h"
#include "storetestsupport.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTableWidget>
#include <QtTest>

namespace {

QStringList Items(const DialogQuery &dialog, const char *combo)
{
    QStringList out;
    const auto *box = dialog.findChild<QComboBox *>(QLatin1String(combo));
    for (int i = 0; box && i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

template <typename T>
T *Child(const QObject &parent, const char *name)
{
    T *w = parent.findChild<T *>(QLatin1String(name));
    if (!w)
        qWarning("missing widget %s", name);
    return w;
}

void Click(const QObject &dialog, const char *name)
{
    Child<QAbstractButton>(dialog, name)->click();
}

void SaveList(int kind, int type, const QString &text)
{
    QVERIFY(StoreDbAccess::Instance()->SaveInfoList(kind, InfoList{ type, text }));
}

} // namespace

class TestDialogQuery : public QObject
{
    Q_OBJECT
private slots:
    void combosOfferTheLists();
    void dateModes_data();
    void dateModes();
    void buttonsAndKeptState();
    void clearButtonsEmptyOnlyTheirPage_data();
    void clearButtonsEmptyOnlyTheirPage();
    void pageFromQueryButton_data();
    void pageFromQueryButton();
    void warehouseConditionFromPicker();
};

void TestDialogQuery::combosOfferTheLists()
{
    TempStore db;
    QVERIFY(db.connected);
    SaveList(InfoStore::MasterData, 3, QStringLiteral("AB##1;;CD&&2"));  // an empty row offers nothing
    SaveList(InfoStore::People, 1, QStringLiteral("小王-男-30;小李-女-25"));
    SaveList(InfoStore::People, 2, QStringLiteral("客户甲-x"));
    SaveList(InfoStore::People, 3, QStringLiteral("分销乙-y"));
    SaveList(InfoStore::People, 4, QStringLiteral("供应丙-z"));

    DialogInfoToDb master;
    DialogUserMge people;
    DialogQuery dialog;
    dialog.SetCondition(QStringLiteral("comboBox_3"), QStringLiteral("typed before"));
    dialog.SetSources(&master, &people, nullptr);

    QCOMPARE(Items(dialog, "comboBox_3"), (QStringList{ "AB-1", "CD.2" }));
    QVERIFY(Items(dialog, "comboBox_2").isEmpty());
    QCOMPARE(Items(dialog, "comboBox_6"), (QStringList{ "供应丙", "客户甲", "分销乙" }));
    QCOMPARE(Items(dialog, "comboBox_10"), (QStringList{ "分销乙", "小王", "小李" }));
    for (const char *employees : { "comboBox_7", "comboBox_8", "comboBox_33", "comboBox_34" })
        QCOMPARE(Items(dialog, employees), (QStringList{ "小王", "小李" }));
    QVERIFY(Items(dialog, "comboBox_31").isEmpty());

    // Handing over the sources leaves every condition empty, so the first query filters nothing.
    const QueryRequest r = dialog.Request();
    for (const QStringList &c : { r.goodsConditions, r.salesConditions, r.financeConditions }) {
        QVERIFY(!c.isEmpty());
        for (const QString &text : c)
            QVERIFY2(text.isEmpty(), qPrintable(text));
    }

    // A refresh reads the dialogs' current lists and keeps what the user typed.
    dialog.SetCondition(QStringLiteral("comboBox_3"), QStringLiteral("CD"));
    master.Table(3)->item(0, 1)->setText(QStringLiteral("EF"));  // saved at once
    dialog.RefreshLists();
    QCOMPARE(Items(dialog, "comboBox_3"), (QStringList{ "EF", "CD.2" }));
    QCOMPARE(dialog.Request().goodsConditions.at(2), QStringLiteral("CD"));
}

void TestDialogQuery::dateModes_data()
{
    QTest::addColumn<QString>("radio");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("fromShown");

    QTest::newRow("date") << "radioButton" << 1 << false;
    QTest::newRow("month") << "radioButton_2" << 2 << false;
    QTest::newRow("period") << "radioButton_4" << 4 << true;
    QTest::newRow("all time") << "radioButton_5" << 5 << false;
}

void TestDialogQuery::dateModes()
{
    QFETCH(QString, radio);
    QFETCH(int, mode);
    QFETCH(bool, fromShown);

    DialogQuery dialog;
    QCOMPARE(dialog.dateMode(), 1);
    QVERIFY(Child<QDateEdit>(dialog, "dateEdit")->isHidden());
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(dialog.Request().dateTo, today);
    QCOMPARE(dialog.Request().dateFrom, today);

    // From the period first, so every mode has to hide the from-date again.
    Click(dialog, "radioButton_4");
    dialog.findChild<QRadioButton *>(radio)->click();
    QCOMPARE(dialog.dateMode(), mode);
    QCOMPARE(dialog.Request().dateMode, mode);
    QCOMPARE(!Child<QDateEdit>(dialog, "dateEdit")->isHidden(), fromShown);

    Child<QDateEdit>(dialog, "dateEdit")->setDate(QDate(2023, 12, 31));
    Child<QDateEdit>(dialog, "dateEdit_2")->setDate(QDate(2024, 2, 29));
    QCOMPARE(dialog.Request().dateFrom, QStringLiteral("2023-12-31"));
    QCOMPARE(dialog.Request().dateTo, QStringLiteral("2024-02-29"));
}

void TestDialogQuery::buttonsAndKeptState()
{
    DialogQuery dialog;
    QSignalSpy asked(&dialog, &DialogQuery::sendQueryCmd);
    dialog.show();
    Click(dialog, "radioButton_2");

    Click(dialog, "btn_query");
    QCOMPARE(asked.size(), 1);
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.noContentFilter());
    QCOMPARE(dialog.dateMode(), 2);

    // "全部记录": all time, no conditions; the request is read while the signal runs.
    QueryRequest seen;
    connect(&dialog, &DialogQuery::sendQueryCmd, this, [&] { seen = dialog.Request(); });
    Click(dialog, "btn_all");
    QCOMPARE(asked.size(), 2);
    QVERIFY(seen.noContentFilter);
    QCOMPARE(seen.dateMode, 5);
    QVERIFY(Child<QRadioButton>(dialog, "radioButton_5")->isChecked());
    QVERIFY(dialog.isHidden());

    // The next query keeps all time but uses the conditions again.
    dialog.show();
    Click(dialog, "btn_query");
    QCOMPARE(seen.dateMode, 5);
    QVERIFY(!seen.noContentFilter);

    Click(dialog, "btn_cancel");
    QVERIFY(dialog.isHidden());
    QCOMPARE(asked.size(), 3);
}

void TestDialogQuery::clearButtonsEmptyOnlyTheirPage_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("group");

    QTest::newRow("goods") << "btn_clrcont" << 0;
    QTest::newRow("sales") << "btn_clrcont_2" << 1;
    QTest::newRow("finance") << "btn_clrcont_3" << 2;
}

void TestDialogQuery::clearButtonsEmptyOnlyTheirPage()
{
    QFETCH(QString, button);
    QFETCH(int, group);

    DialogQuery dialog;
    const QVector<QueryFilter::ConditionField> *tables[] = {
        &QueryFilter::GoodsFields(), &QueryFilter::SalesFields(), &QueryFilter::FinanceFields() };
    for (const auto *fields : tables)
        for (const QueryFilter::ConditionField &f : *fields)
            QVERIFY(dialog.SetCondition(f.widget, QStringLiteral("x")));
    dialog.findChild<QPushButton *>(button)->click();

    for (int g = 0; g < 3; ++g) {
        const QStringList texts = dialog.Conditions(*tables[g]);
        for (const QString &t : texts)
            QCOMPARE(t, g == group ? QString() : QStringLiteral("x"));
    }
}

void TestDialogQuery::pageFromQueryButton_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("known");
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("page");

    QTest::newRow("purchase-in") << "btn_purquery" << true << 1 << 0 << "page";
    QTest::newRow("stock") << "btn_purquery_6" << true << 1 << 5 << "page";
    QTest::newRow("sales") << "btn_salequery_1" << true << 2 << 0 << "page_2";
    QTest::newRow("profit") << "btn_finquery_8" << true << 3 << 7 << "page_3";
    QTest::newRow("not a query button") << "btn_purdel_2" << false << 3 << 7 << "page_3";
}

void TestDialogQuery::pageFromQueryButton()
{
    QFETCH(QString, button);
    QFETCH(bool, known);
    QFETCH(int, group);
    QFETCH(int, kind);
    QFETCH(QString, page);

    DialogQuery dialog;
    dialog.SetPage(QueryGroup::Finance, FinanceKind::Profit);  // what a refused name must leave alone
    QCOMPARE(dialog.SetPageFromButton(button), known);
    QCOMPARE(dialog.pageGroup(), group);
    QCOMPARE(dialog.pageKind(), kind);
    QCOMPARE(Child<QStackedWidget>(dialog, "stackedWidget")->currentWidget()->objectName(), page);
    QCOMPARE(dialog.Request().pageKind, kind);
}

void TestDialogQuery::warehouseConditionFromPicker()
{
    TempStore db;
    QVERIFY(db.connected);
    SaveList(InfoStore::MasterData, 8, QStringLiteral("总仓-城东-3-2-4-老张-123"));
    DialogStoreSet picker;
    picker.RefreshLists();
    DialogQuery dialog;
    dialog.SetSources(nullptr, nullptr, &picker);
    auto *warehouse = Child<QLineEdit>(dialog, "lineEdit_2");

    // "确定" in the picker: its composed location becomes the condition.
    int runs = 0;
    ModalSeam::SetDialogAnswerer([&](QDialog &d) {
        ++runs;
        QCOMPARE(&d, static_cast<QDialog *>(&picker));
        Child<QComboBox>(d, "comboBox_2")->setCurrentIndex(1);
        Child<QPushButton>(d, "pushButton")->click();
    });
    QTest::keyClicks(warehouse, QStringLiteral("3"));
    QCOMPARE(runs, 1);
    QCOMPARE(warehouse->text(), QStringLiteral("3-B-1"));

    // Closing the picker keeps what was typed, even when the picker still
    // shows the location chosen last time.
    warehouse->clear();
    ModalSeam::SetDialogAnswerer([&](QDialog &d) { ++runs; d.reject(); });
    QTest::keyClicks(warehouse, QStringLiteral("Z"));
    QCOMPARE(runs, 2);
    QCOMPARE(warehouse->text(), QStringLiteral("Z"));

    // A program-set text is no typing: no picker.
    dialog.SetCondition(QStringLiteral("lineEdit_2"), QStringLiteral("W9"));
    QCOMPARE(runs, 2);
    ModalSeam::SetDialogAnswerer({});
}

QTEST_MAIN(TestDialogQuery)
#include "test_dialogquery.moc"
