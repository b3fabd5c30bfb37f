#include "ledgertestsupport.h"
#include "masterdata/dialoginfotodb.h"
#include "storetestsupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

// The stored text of a list, or "<none>" when no row exists.
QString Stored(int infoType)
{
    InfoList list{infoType, QStringLiteral("<none>")};
    StoreDbAccess::Instance()->ReadInfoList(InfoStore::MasterData, list);
    return list.list;
}

void Save(int infoType, const QString &text)
{
    QVERIFY(StoreDbAccess::Instance()->SaveInfoList(InfoStore::MasterData, InfoList{infoType, text}));
}

QStringList RowTexts(const QTableWidget *table, int row)
{
    QStringList out;
    for (int c = 0; c < table->columnCount(); ++c)
        out << (table->item(row, c) ? table->item(row, c)->text() : QString());
    return out;
}

} // namespace

class TestDialogInfoToDb : public QObject
{
    Q_OBJECT
private slots:
    void loadShapes();
    void editsAndAdds();
    void deleteRows_data();
    void deleteRows();
    void clearNeedsBothSteps_data();
    void clearNeedsBothSteps();
};

void TestDialogInfoToDb::loadShapes()
{
    TempStore db(QStringLiteral("7"));
    REQUIRE_DB(db);
    Save(ListTables::GoodsModel, QStringLiteral("A##1;2&&5"));
    // The middle part has the wrong field count: skipped, but it keeps its row.
    Save(ListTables::Warehouse, QStringLiteral("A&&1-B##2--3-4-5-6;bad-row;W-R-9-2-3-M-P"));

    DialogInfoToDb dialog;
    QCOMPARE(RowTexts(dialog.Table(ListTables::GoodsClass), 0), (QStringList{"1", ""}));   // never stored
    QTableWidget *models = dialog.Table(ListTables::GoodsModel);
    QCOMPARE(models->rowCount(), 2);
    QCOMPARE(RowTexts(models, 1), (QStringList{"2", "2.5"}));
    QTableWidget *stores = dialog.Table(ListTables::Warehouse);
    QCOMPARE(stores->rowCount(), 3);
    QCOMPARE(RowTexts(stores, 0), (QStringList{"1", "A.1", "B-2", "", "3", "4", "5", "6"}));
    QVERIFY(!stores->item(1, 1));
    QCOMPARE(dialog.ColumnValues(ListTables::Warehouse, 2), (QStringList{"", "9"}));
}

void TestDialogInfoToDb::editsAndAdds()
{
    TempStore db(QStringLiteral("7"));
    REQUIRE_DB(db);
    BoxAnswers boxes(QStringLiteral("确定"));
    Save(ListTables::GoodsColor, QStringLiteral("red;blue"));
    DialogInfoToDb dialog;
    QSignalSpy refresh(&dialog, &DialogInfoToDb::sendRefresh);
    QTableWidget *colors = dialog.Table(ListTables::GoodsColor);

    colors->item(1, 1)->setText(QStringLiteral("blue-green 2.0"));
    QCOMPARE(Stored(ListTables::GoodsColor), QStringLiteral("red;blue##green 2&&0"));
    QCOMPARE(refresh.count(), 1);

    // The search box hides rows, not list entries: an edit still stores them all.
    auto *search = dialog.findChild<QLineEdit *>("filter_" + colors->objectName());
    search->setText(QStringLiteral("GREEN"));
    QVERIFY(colors->isRowHidden(0) && !colors->isRowHidden(1));
    colors->item(1, 1)->setText(QStringLiteral("blue-green 2.0 "));
    QCOMPARE(Stored(ListTables::GoodsColor), QStringLiteral("red;blue##green 2&&0 "));
    QTest::keyClick(search, Qt::Key_Escape);
    QVERIFY(!colors->isRowHidden(0));
    colors->item(1, 1)->setText(QStringLiteral("blue-green 2.0"));

    // A ";" would split the row at the next load: refused, the stored text put back.
    colors->item(0, 1)->setText(QStringLiteral("red;pink"));
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(colors->item(0, 1)->text(), QStringLiteral("red"));
    QCOMPARE(Stored(ListTables::GoodsColor), QStringLiteral("red;blue##green 2&&0"));
    QCOMPARE(refresh.count(), 3);

    dialog.findChild<QPushButton *>("btn_add_4")->click();
    QCOMPARE(RowTexts(colors, 2), (QStringList{"3", ""}));
    QCOMPARE(Stored(ListTables::GoodsColor), QStringLiteral("red;blue##green 2&&0;"));
    QCOMPARE(refresh.count(), 4);
    DialogInfoToDb reopened;
    QCOMPARE(RowTexts(reopened.Table(ListTables::GoodsColor), 1), (QStringList{"2", "blue-green 2.0"}));
}

void TestDialogInfoToDb::deleteRows_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("currentRow");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("storedAfter");
    QTest::addColumn<QString>("lastBox");

    const QString confirm = QStringLiteral("删除告警|删除请慎重,确认删除?");
    QTest::newRow("middle row") << "a;b;c" << 1 << "确认" << "a;c" << confirm;
    QTest::newRow("only row drops the list") << "a" << 0 << "确认" << "<none>" << confirm;
    QTest::newRow("cancelled") << "a;b" << 0 << "取消" << "a;b" << confirm;
    QTest::newRow("no current row") << "a;b" << -1 << "确认" << "a;b" << "warning|请选中相应行";
}

void TestDialogInfoToDb::deleteRows()
{
    QFETCH(QString, stored);
    QFETCH(int, currentRow);
    QFETCH(QString, answer);
    QFETCH(QString, storedAfter);
    QFETCH(QString, lastBox);

    TempStore db(QStringLiteral("7"));
    REQUIRE_DB(db);
    BoxAnswers boxes(answer);
    Save(ListTables::GoodsSize, stored);
    DialogInfoToDb dialog;
    QTableWidget *sizes = dialog.Table(ListTables::GoodsSize);
    sizes->setCurrentCell(currentRow, currentRow < 0 ? -1 : 1);

    dialog.findChild<QPushButton *>("btn_del_5")->click();
    QCOMPARE(Stored(ListTables::GoodsSize), storedAfter);
    const QString current = storedAfter == QLatin1String("<none>") ? QString() : storedAfter;
    QCOMPARE(dialog.CurrentList(ListTables::GoodsSize).list, current);
    QCOMPARE(sizes->rowCount(), current.isEmpty() ? 0 : current.count(';') + 1);
    QCOMPARE(boxes.seen.value(boxes.seen.size() - 1), lastBox);
}

void TestDialogInfoToDb::clearNeedsBothSteps_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("loginOk");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("confirmed and logged in") << "确认" << true << true;
    QTest::newRow("confirmation cancelled") << "取消" << true << false;
    QTest::newRow("re-login failed") << "确认" << false << false;
}

void TestDialogInfoToDb::clearNeedsBothSteps()
{
    QFETCH(QString, answer);
    QFETCH(bool, loginOk);
    QFETCH(bool, cleared);

    TempStore db(QStringLiteral("7"));
    REQUIRE_DB(db);
    BoxAnswers boxes(answer);
    Save(ListTables::GoodsName, QStringLiteral("tea;coffee"));
    DialogInfoToDb dialog;
    dialog.SetRelogin([loginOk] { return loginOk; });
    dialog.findChild<QPushButton *>("btn_clear_2")->click();
    QCOMPARE(dialog.Table(ListTables::GoodsName)->rowCount(), cleared ? 0 : 2);
    QCOMPARE(Stored(ListTables::GoodsName), cleared ? QStringLiteral("<none>") : QStringLiteral("tea;coffee"));
}

QTEST_MAIN(TestDialogInfoToDb)
#include "test_dialoginfotodb.moc"
