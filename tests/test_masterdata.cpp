#include "app/dialoghelp.h"
#include "ledgertestsupport.h"
#include "masterdata/dialoginfotodb.h"
#include "masterdata/dialogstoreset.h"
#include "masterdata/dialogusermge.h"
#include "masterdata/itemlistwidget.h"
#include "storetestsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace {

// The stored text of a master-data list, or "<none>" when no row exists.
QString Stored(int infoType)
{
    InfoList list{infoType, QStringLiteral("<none>")};
    StoreDbAccess::Instance()->ReadInfoList(InfoStore::MasterData, list);
    return list.list;
}

QStringList RowTexts(const QTableWidget *table, int row)
{
    QStringList out;
    for (int c = 0; c < table->columnCount(); ++c)
        out << (table->item(row, c) ? table->item(row, c)->text() : QString());
    return out;
}

// Two accounts typed in as a user would: two added rows, their cells filled.
void TypeUsers(DialogUserMge &dialog)
{
    QTableWidget *users = dialog.Table(ListNo::Users);
    users->setRowCount(0);
    dialog.findChild<QPushButton *>("btn_add")->click();
    dialog.findChild<QPushButton *>("btn_add")->click();
    const QStringList ann{"ann", "13800000001", "pw-a", "超级用户", "boss"};
    const QStringList bob{"bob", "13800000002", "pw.b", "一般用户", ""};
    for (int c = 0; c < ann.size(); ++c) {
        users->item(0, c + 1)->setText(ann.at(c));
        users->item(1, c + 1)->setText(bob.at(c));
    }
}

} // namespace

class TestMasterData : public QObject
{
    Q_OBJECT
private slots:
    void loadAndEdit();
    void deleteRows_data();
    void deleteRows();
    void usersRewriteTheStoresAccounts();
    void deleteAndClear_data();
    void deleteAndClear();
    void warehousePickerByKeys();
    void addNameFromALedgerCell_data();
    void addNameFromALedgerCell();
    void itemListMatchesTextOrPinyinInitials_data();
    void itemListMatchesTextOrPinyinInitials();
    void helpSaysWhySavesAreRefused();
};

void TestMasterData::loadAndEdit()
{
    TempStore db("7");
    REQUIRE_DB(db);
    BoxAnswers boxes("确定");
    // The middle part has the wrong field count: skipped, but it keeps its row.
    QVERIFY(db.store()->SaveInfoList(
        InfoStore::MasterData, InfoList{ListNo::Warehouse, "A&&1-B##2--3-4-5-6;bad-row;W-R-9-2-3-M-P"}));
    QVERIFY(db.store()->SaveInfoList(InfoStore::MasterData, InfoList{ListNo::GoodsColor, "red;blue"}));
    DialogInfoToDb dialog;
    QTableWidget *stores = dialog.Table(ListNo::Warehouse);
    QCOMPARE(stores->rowCount(), 3);
    QCOMPARE(RowTexts(stores, 0), (QStringList{"1", "A.1", "B-2", "", "3", "4", "5", "6"}));
    QVERIFY(!stores->item(1, 1));
    QCOMPARE(dialog.ColumnValues(ListNo::Warehouse, 2), (QStringList{"", "9"}));

    QTableWidget *colors = dialog.Table(ListNo::GoodsColor);
    colors->item(1, 1)->setText("blue-green 2.0");
    QCOMPARE(Stored(ListNo::GoodsColor), QStringLiteral("red;blue##green 2&&0"));
    // A ";" would split the row at the next load: refused, the stored text put back.
    colors->item(0, 1)->setText("red;pink");
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(colors->item(0, 1)->text(), QStringLiteral("red"));
    QCOMPARE(Stored(ListNo::GoodsColor), QStringLiteral("red;blue##green 2&&0"));
    dialog.findChild<QPushButton *>("btn_add_4")->click();
    QCOMPARE(Stored(ListNo::GoodsColor), QStringLiteral("red;blue##green 2&&0;"));
    DialogInfoToDb reopened;
    QCOMPARE(RowTexts(reopened.Table(ListNo::GoodsColor), 1), (QStringList{"2", "blue-green 2.0"}));
}

void TestMasterData::deleteRows_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("currentRow");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("storedAfter");
    QTest::addColumn<QString>("lastBox");

    const QString confirm = QStringLiteral("删除告警|删除请慎重,确认删除?");
    QTest::newRow("middle row") << "a;b;c" << 1 << "确认"
                                << "a;c" << confirm;
    QTest::newRow("only row drops the list") << "a" << 0 << "确认"
                                             << "<none>" << confirm;
    QTest::newRow("cancelled") << "a;b" << 0 << "取消"
                               << "a;b" << confirm;
    QTest::newRow("no current row") << "a;b" << -1 << "确认"
                                    << "a;b"
                                    << "warning|请选中相应行";
}

void TestMasterData::deleteRows()
{
    QFETCH(QString, stored);
    QFETCH(int, currentRow);
    QFETCH(QString, answer);
    QFETCH(QString, storedAfter);
    TempStore db("7");
    REQUIRE_DB(db);
    BoxAnswers boxes(answer);
    QVERIFY(db.store()->SaveInfoList(InfoStore::MasterData, InfoList{ListNo::GoodsSize, stored}));
    DialogInfoToDb dialog;
    QTableWidget *sizes = dialog.Table(ListNo::GoodsSize);
    sizes->setCurrentCell(currentRow, currentRow < 0 ? -1 : 1);
    dialog.findChild<QPushButton *>("btn_del_5")->click();
    QCOMPARE(Stored(ListNo::GoodsSize), storedAfter);
    const QString current = storedAfter == QLatin1String("<none>") ? QString() : storedAfter;
    QCOMPARE(sizes->rowCount(), current.isEmpty() ? 0 : current.count(';') + 1);
    QTEST(boxes.seen.value(boxes.seen.size() - 1), "lastBox");
}

void TestMasterData::usersRewriteTheStoresAccounts()
{
    TempStore db("7");
    REQUIRE_DB(db);
    StoreDbAccess *store = db.store();
    // An account the table does not hold goes at the next edit; another store's stays.
    for (const char *storeNo : {"8", "7"}) {
        store->SetStoreNo(QLatin1String(storeNo));
        QVERIFY(store->AddOrUpdateUser(UserRecord{1, 0, QString(), "ghost", "boo", QString(), QString()}));
    }
    BoxAnswers boxes;
    DialogUserMge dialog;
    TypeUsers(dialog);
    dialog.Table(ListNo::Users)->item(1, 3)->setText("new");
    QVERIFY(PasswordMatches(store, "ann", "pw-a"));
    QVERIFY(PasswordMatches(store, "13800000002", "new"));
    QVERIFY(!PasswordMatches(store, "bob", "pw.b"));
    for (const auto &expected : {std::make_pair("ann", 1), std::make_pair("bob", 3)}) {
        UserRecord user;
        user.name = QLatin1String(expected.first);
        QVERIFY(UserFound(store, user));
        QCOMPARE(user.userType, expected.second);
    }
    QCOMPARE(db.Count("tb_sm_user", "user_name='ghost' and store_no='7'"), 0);
    QCOMPARE(db.Count("tb_sm_user", "user_name='ghost' and store_no='8'"), 1);
    InfoList list{ListNo::Users, QString()};
    store->ReadInfoList(InfoStore::People, list);
    QCOMPARE(list.list, QStringLiteral("ann-13800000001-pw##a-超级用户-boss;bob-13800000002-new-一般用户-"));

    // The owner's box switches the built-in account off in the settings, and on again.
    const QString cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(db.dir.path()) && QDir().mkpath("InitParam"));
    DialogUserMge owner;
    auto *box = owner.findChild<QCheckBox *>("checkBox_builtInOff");
    QVERIFY(box && !box->isChecked());
    box->setChecked(true);
    const bool off = StoreDbAccess::BuiltInAccountSwitchedOff();
    QVERIFY(!store->BuiltInAccountAllowed(off)); // ann is a super user of this store
    box->setChecked(false);
    const bool on = !StoreDbAccess::BuiltInAccountSwitchedOff();
    QDir::setCurrent(cwd);
    QVERIFY(off && on);
}

void TestMasterData::deleteAndClear_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("loginOk");
    QTest::addColumn<QString>("left"); // the accounts kept
    QTest::newRow("deleted") << "btn_del"
                             << "确认" << true << "bob";
    QTest::newRow("delete cancelled") << "btn_del"
                                      << "取消" << true << "ann bob";
    QTest::newRow("cleared") << "btn_clear"
                             << "确认" << true << "";
    QTest::newRow("clear cancelled") << "btn_clear"
                                     << "取消" << true << "ann bob";
    QTest::newRow("clear without login") << "btn_clear"
                                         << "确认" << false << "ann bob";
}

// Deleting asks first; clearing a whole list also needs a privileged re-login.
void TestMasterData::deleteAndClear()
{
    QFETCH(QString, button);
    QFETCH(QString, answer);
    QFETCH(bool, loginOk);
    TempStore db("7");
    REQUIRE_DB(db);
    BoxAnswers boxes;
    DialogUserMge dialog;
    TypeUsers(dialog);
    dialog.SetRelogin([loginOk] { return loginOk; });
    dialog.Table(ListNo::Users)->setCurrentCell(0, 1);
    boxes.Click(answer);
    dialog.findChild<QPushButton *>(button)->click();
    QStringList kept;
    for (const char *name : {"ann", "bob"})
        if (PasswordMatches(db.store(), name, name == QByteArray("ann") ? "pw-a" : "pw.b"))
            kept << name;
    QCOMPARE(dialog.Table(ListNo::Users)->rowCount(), kept.size());
    QTEST(kept.join(' '), "left");
}

// A session whose saves are all refused says so in the help box too, not only at start-up.
void TestMasterData::helpSaysWhySavesAreRefused()
{
    TempStore db;
    REQUIRE_DB(db);
    const auto label = [] {
        DialogHelp help;
        return help.findChild<QLabel *>("label_folder")->text();
    };
    QVERIFY(label().startsWith("数据文件夹：") && !label().contains("未保存"));
    db.manager()->MarkDamaged("Page 40: btreeInitPage() returns error code 11");
    QVERIFY2(label().contains("数据库文件已损坏，未保存：Page 40") && label().contains("还原最近的备份"),
             qPrintable(label()));
}

void TestMasterData::addNameFromALedgerCell_data()
{
    QTest::addColumn<int>("infoType");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("error"); // empty: added (or already there)
    QTest::addColumn<QString>("stored");
    const QString before = "温州鞋业--------";
    QTest::newRow("new name, its dash encoded")
        << int(ListNo::Suppliers) << "宁波-鞋厂" << false << "" << before + ";宁波##鞋厂--------";
    QTest::newRow("already listed") << int(ListNo::Suppliers) << "温州鞋业" << false << "" << before;
    QTest::newRow("a part of a listed name")
        << int(ListNo::Suppliers) << "温州" << false << "" << before + ";温州--------";
    QTest::newRow("empty") << int(ListNo::Suppliers) << "" << false << "名字是空的" << before;
    QTest::newRow("blank") << int(ListNo::Suppliers) << " " << false << "名字是空的" << before;
    QTest::newRow("semicolon") << int(ListNo::Suppliers) << "a;b" << false << "内容不能包含分号\";\""
                               << before;
    QTest::newRow("no such list") << 19 << "x" << false << "没有这个名单" << before;
    QTest::newRow("store refuses") << int(ListNo::Suppliers) << "x" << true << "保存失败：" << before;
}

// "加入名单": a row as one typed into the dialog, or a reason and nothing changed.
void TestMasterData::addNameFromALedgerCell()
{
    QFETCH(int, infoType);
    QFETCH(QString, name);
    QFETCH(bool, readOnly);
    QFETCH(QString, error);
    QFETCH(QString, stored);
    TempStore db;
    REQUIRE_DB(db);
    QVERIFY(db.store()->SaveInfoList(InfoStore::People, InfoList{ListNo::Suppliers, "温州鞋业--------"}));
    BoxAnswers boxes;
    DialogUserMge dialog;
    QSignalSpy refreshed(&dialog, &InfoListDialog::sendRefresh);
    if (readOnly)
        QVERIFY(
            TempStore::Exec(db.Pg() ? "set default_transaction_read_only = on" : "pragma query_only = 1"));
    const Result added = dialog.AddName(infoType, name);
    if (readOnly)
        QVERIFY(
            TempStore::Exec(db.Pg() ? "set default_transaction_read_only = off" : "pragma query_only = 0"));
    QCOMPARE(added.ok(), error.isEmpty());
    QVERIFY2(added.error().left(error.size()) == error, qPrintable(added.error()));
    InfoList list{ListNo::Suppliers, QString()};
    QVERIFY(db.store()->ReadInfoList(InfoStore::People, list));
    QCOMPARE(list.list, stored);
    QCOMPARE(dialog.CurrentList(ListNo::Suppliers).list, stored);
    QCOMPARE(dialog.Table(ListNo::Suppliers)->rowCount(), stored.count(';') + 1);
    QCOMPARE(refreshed.size(), stored != "温州鞋业--------" ? 1 : 0);
    QVERIFY(boxes.seen.isEmpty());
}

void TestMasterData::itemListMatchesTextOrPinyinInitials_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("initials") << "ydx"
                              << "运动鞋 男士运动鞋";
    QTest::newRow("initials in capitals") << "YDX"
                                          << "运动鞋 男士运动鞋";
    QTest::newRow("initials in the middle") << "dx"
                                            << "运动鞋 男士运动鞋";
    QTest::newRow("one letter") << "x"
                                << "运动鞋 男士运动鞋 T恤 鞋";
    QTest::newRow("text matches first") << "b"
                                        << "Abc 白色";
    QTest::newRow("latin kept beside han") << "tx"
                                           << "T恤";
    QTest::newRow("text still matches") << "运动"
                                        << "运动鞋 男士运动鞋";
    QTest::newRow("text in any case") << "ab"
                                      << "Abc";
    QTest::newRow("not only letters") << "yd1"
                                      << "";
    QTest::newRow("initials not in order") << "xdy"
                                           << "";
    QTest::newRow("empty shows all") << ""
                                     << "运动鞋 黑色 白色 男士运动鞋 T恤 Abc 鞋";
}

// "ydx" finds 运动鞋 without a Chinese input method; the text itself still matches.
void TestMasterData::itemListMatchesTextOrPinyinInitials()
{
    QFETCH(QString, typed);
    QComboBox box;
    box.setEditable(true);
    box.addItems({"运动鞋", "黑色", "白色", "男士运动鞋", "T恤", "Abc", "鞋"});
    box.lineEdit()->setText(typed);
    ItemListWidget list;
    list.ComboChangeProcess(&box, nullptr);
    QStringList shown;
    for (int i = 0; i < list.count(); ++i)
        shown << list.item(i)->text();
    QTEST(shown.join(' '), "shown");
    QCOMPARE(list.isVisible(), !shown.isEmpty());
}

QTEST_MAIN(TestMasterData)
// The picker by keys: the cursor starts in the first box, Return writes the
// location, Escape leaves the cell as it was.
void TestMasterData::warehousePickerByKeys()
{
    QStringList written;
    const auto writer = [&written](const QString &location) { written << location; };
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        DialogStoreSet picker;
        picker.ShowWarehouseList("1-仓1-2-3;2-仓2-1-1");
        picker.SetTarget("1-A-1", writer);
        picker.show();
        QVERIFY(QTest::qWaitForWindowActive(&picker));
        QTRY_VERIFY(qobject_cast<QComboBox *>(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), key);
        QVERIFY(!picker.isVisible());
    }
    QCOMPARE(written.size(), 1);
    QVERIFY(!written.at(0).isEmpty());
}

#include "test_masterdata.moc"
