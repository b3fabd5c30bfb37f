#include "app/modalseam.h"
#include "db/dbmanager.h"
#include "db/storedbaccess.h"
#include "masterdata/dialoginfotodb.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Answers every box by clicking the button with the given caption and keeps
// "title|text" of each box seen.
struct BoxRecorder
{
    QStringList seen;
    QString click = QStringLiteral("确认");

    void Install()
    {
        ModalSeam::SetBoxAnswerer([this](QMessageBox &box) {
            seen << box.windowTitle() + QLatin1Char('|') + box.text();
            for (QAbstractButton *b : box.buttons()) {
                if (b->text() == click) {
                    b->click();
                    return;
                }
            }
            box.reject();
        });
    }
};

// The stored text of a list, or "<none>" when no row exists.
QString Stored(int infoType)
{
    InfoList list{ infoType, QStringLiteral("<none>") };
    StoreDbAccess::Instance()->ReadInfoList(InfoStore::MasterData, list);
    return list.list;
}

void Save(int infoType, const QString &text)
{
    QVERIFY(StoreDbAccess::Instance()->SaveInfoList(InfoStore::MasterData, InfoList{ infoType, text }));
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
    void init();
    void cleanup();

    void newDatabaseShapes();
    void storedListsLoad();
    void cellEditSavesWholeTable();
    void semicolonRefused();
    void addRow();
    void deleteRows_data();
    void deleteRows();
    void clearNeedsBothSteps_data();
    void clearNeedsBothSteps();
    void warehouseTabOnRequest();

private:
    QTemporaryDir *m_dir = nullptr;
    BoxRecorder m_boxes;
};

void TestDialogInfoToDb::init()
{
    m_dir = new QTemporaryDir;
    DbSettings settings;
    settings.driver = QStringLiteral("QSQLITE");
    settings.file = m_dir->filePath(QStringLiteral("quillon.db"));
    QVERIFY(DbManager::Instance()->ConnectDb(settings));
    StoreDbAccess::Instance()->SetDbManager(DbManager::Instance());
    StoreDbAccess::Instance()->SetStoreNo(QStringLiteral("7"));
    m_boxes = BoxRecorder();
    m_boxes.Install();
}

void TestDialogInfoToDb::cleanup()
{
    ModalSeam::SetBoxAnswerer({});
    DbManager::Instance()->Close();
    delete m_dir;
    m_dir = nullptr;
}

void TestDialogInfoToDb::newDatabaseShapes()
{
    DialogInfoToDb dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("信息管理"));
    for (const ListTableSpec &spec : dialog.tables()) {
        QTableWidget *table = dialog.findChild<QTableWidget *>(spec.tableName);
        QVERIFY(table);
        // One empty field matches a one-field table, never the seven-field warehouse table.
        const int expectedRows = spec.columns.size() == 1 ? 1 : 0;
        QCOMPARE(table->rowCount(), expectedRows);
        if (expectedRows)
            QCOMPARE(RowTexts(table, 0), (QStringList{ "1", "" }));
        QCOMPARE(dialog.CurrentList(spec.infoType).list, QString());
    }
    QCOMPARE(dialog.findChild<QTabWidget *>("tabWidget")->currentIndex(), 5);
    QVERIFY(m_boxes.seen.isEmpty());
}

void TestDialogInfoToDb::storedListsLoad()
{
    Save(ListTables::GoodsModel, QStringLiteral("A##1;2&&5"));
    // The middle part has the wrong field count: skipped, but it keeps its row.
    Save(ListTables::Warehouse, QStringLiteral("A&&1-B##2--3-4-5-6;bad-row;W-R-9-2-3-M-P"));
    Save(11, QStringLiteral("carried through"));

    DialogInfoToDb dialog;
    QTableWidget *models = dialog.Table(ListTables::GoodsModel);
    QCOMPARE(models->rowCount(), 2);
    QCOMPARE(RowTexts(models, 0), (QStringList{ "1", "A-1" }));
    QCOMPARE(RowTexts(models, 1), (QStringList{ "2", "2.5" }));

    QTableWidget *stores = dialog.Table(ListTables::Warehouse);
    QCOMPARE(stores->rowCount(), 3);
    QCOMPARE(RowTexts(stores, 0), (QStringList{ "1", "A.1", "B-2", "", "3", "4", "5", "6" }));
    QVERIFY(!stores->item(1, 1));
    QCOMPARE(RowTexts(stores, 2).at(3), QStringLiteral("9"));

    QCOMPARE(dialog.ColumnValues(ListTables::Warehouse, 2), (QStringList{ "", "9" }));
    QCOMPARE(dialog.ColumnValues(ListTables::GoodsModel, 0), (QStringList{ "A-1", "2.5" }));
    QCOMPARE(dialog.CurrentList(11).list, QStringLiteral("carried through"));
    QCOMPARE(dialog.CurrentList(11).infoType, 11);
    QCOMPARE(dialog.LoadedList(ListTables::GoodsModel).list, QStringLiteral("A##1;2&&5"));
}

void TestDialogInfoToDb::cellEditSavesWholeTable()
{
    Save(ListTables::GoodsColor, QStringLiteral("red;blue"));
    DialogInfoToDb dialog;
    QSignalSpy refresh(&dialog, &DialogInfoToDb::sendRefresh);
    QTableWidget *colors = dialog.Table(ListTables::GoodsColor);

    colors->item(1, 1)->setText(QStringLiteral("blue-green 2.0"));
    QCOMPARE(Stored(ListTables::GoodsColor), QStringLiteral("red;blue##green 2&&0"));
    QCOMPARE(dialog.ColumnValues(ListTables::GoodsColor, 0), (QStringList{ "red", "blue-green 2.0" }));
    QCOMPARE(refresh.count(), 1);
    // Other lists are not touched by the edit.
    QCOMPARE(Stored(ListTables::GoodsName), QStringLiteral("<none>"));

    // Reopened, the dialog shows what was typed.
    DialogInfoToDb reopened;
    QCOMPARE(RowTexts(reopened.Table(ListTables::GoodsColor), 1), (QStringList{ "2", "blue-green 2.0" }));
}

void TestDialogInfoToDb::semicolonRefused()
{
    Save(ListTables::Warehouse, QStringLiteral("Main-Rd-3-2-5-Li-138"));
    DialogInfoToDb dialog;
    QSignalSpy refresh(&dialog, &DialogInfoToDb::sendRefresh);
    m_boxes.click = QStringLiteral("确定");
    QTableWidget *stores = dialog.Table(ListTables::Warehouse);

    stores->item(0, 2)->setText(QStringLiteral("Rd 1;Rd 2"));
    QCOMPARE(m_boxes.seen.size(), 1);
    QVERIFY(m_boxes.seen.first().contains(QLatin1Char(';')));
    QCOMPARE(stores->item(0, 2)->text(), QStringLiteral("Rd"));
    QCOMPARE(Stored(ListTables::Warehouse), QStringLiteral("Main-Rd-3-2-5-Li-138"));
    QCOMPARE(refresh.count(), 0);

    // A new cell of a just-added row falls back to empty.
    dialog.findChild<QPushButton *>("btn_add_6")->click();
    stores->setItem(1, 7, new QTableWidgetItem(QStringLiteral("a;b")));
    QCOMPARE(stores->item(1, 7)->text(), QString());
    QCOMPARE(Stored(ListTables::Warehouse), QStringLiteral("Main-Rd-3-2-5-Li-138;------"));
}

void TestDialogInfoToDb::addRow()
{
    Save(ListTables::GoodsClass, QStringLiteral("a;b;c"));
    DialogInfoToDb dialog;
    QSignalSpy refresh(&dialog, &DialogInfoToDb::sendRefresh);
    dialog.findChild<QPushButton *>("btn_add")->click();

    QTableWidget *classes = dialog.Table(ListTables::GoodsClass);
    QCOMPARE(classes->rowCount(), 4);
    QCOMPARE(RowTexts(classes, 3), (QStringList{ "4", "" }));
    QCOMPARE(Stored(ListTables::GoodsClass), QStringLiteral("a;b;c;"));
    QCOMPARE(dialog.CurrentList(ListTables::GoodsClass).list, QStringLiteral("a;b;c;"));
    QCOMPARE(refresh.count(), 1);

    // The warehouse table gets seven empty fields.
    dialog.findChild<QPushButton *>("btn_add_6")->click();
    QCOMPARE(Stored(ListTables::Warehouse), QStringLiteral("------"));
}

void TestDialogInfoToDb::deleteRows_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("currentRow");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("storedAfter");
    QTest::addColumn<int>("rowsAfter");
    QTest::addColumn<QString>("lastBox");

    const QString confirm = QStringLiteral("删除告警|删除请慎重,确认删除?");
    const QString noRow = QStringLiteral("warning|请选中相应行");
    QTest::newRow("middle row") << "a;b;c" << 1 << "确认" << "a;c" << 2 << confirm;
    QTest::newRow("only row drops the list") << "a" << 0 << "确认" << "<none>" << 0 << confirm;
    QTest::newRow("cancelled") << "a;b" << 0 << "取消" << "a;b" << 2 << confirm;
    QTest::newRow("no current row") << "a;b" << -1 << "确认" << "a;b" << 2 << noRow;
}

void TestDialogInfoToDb::deleteRows()
{
    QFETCH(QString, stored);
    QFETCH(int, currentRow);
    QFETCH(QString, answer);
    QFETCH(QString, storedAfter);
    QFETCH(int, rowsAfter);
    QFETCH(QString, lastBox);

    Save(ListTables::GoodsSize, stored);
    DialogInfoToDb dialog;
    QSignalSpy refresh(&dialog, &DialogInfoToDb::sendRefresh);
    QTableWidget *sizes = dialog.Table(ListTables::GoodsSize);
    sizes->setCurrentCell(currentRow, currentRow < 0 ? -1 : 1);
    m_boxes.click = answer;

    dialog.findChild<QPushButton *>("btn_del_5")->click();
    QCOMPARE(sizes->rowCount(), rowsAfter);
    QCOMPARE(Stored(ListTables::GoodsSize), storedAfter);
    QCOMPARE(dialog.CurrentList(ListTables::GoodsSize).list,
             storedAfter == QLatin1String("<none>") ? QString() : storedAfter);
    QCOMPARE(m_boxes.seen.last(), lastBox);
    QCOMPARE(refresh.count(), 1);
}

void TestDialogInfoToDb::clearNeedsBothSteps_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("loginOk");
    QTest::addColumn<bool>("cleared");
    QTest::addColumn<int>("logins");
    QTest::newRow("confirmed and logged in") << "确认" << true << true << 1;
    QTest::newRow("confirmation cancelled") << "取消" << true << false << 0;
    QTest::newRow("re-login failed") << "确认" << false << false << 1;
}

void TestDialogInfoToDb::clearNeedsBothSteps()
{
    QFETCH(QString, answer);
    QFETCH(bool, loginOk);
    QFETCH(bool, cleared);
    QFETCH(int, logins);

    Save(ListTables::GoodsName, QStringLiteral("tea;coffee"));
    DialogInfoToDb dialog;
    int loginCalls = 0;
    dialog.SetRelogin([&] {
        ++loginCalls;
        return loginOk;
    });
    m_boxes.click = answer;
    QSignalSpy refresh(&dialog, &DialogInfoToDb::sendRefresh);

    dialog.findChild<QPushButton *>("btn_clear_2")->click();
    QCOMPARE(loginCalls, logins);
    QTableWidget *names = dialog.Table(ListTables::GoodsName);
    QCOMPARE(names->rowCount(), cleared ? 0 : 2);
    QCOMPARE(Stored(ListTables::GoodsName), cleared ? QStringLiteral("<none>") : QStringLiteral("tea;coffee"));
    QCOMPARE(dialog.CurrentList(ListTables::GoodsName).list, cleared ? QString() : QStringLiteral("tea;coffee"));
    QCOMPARE(refresh.count(), cleared ? 1 : 0);
}

void TestDialogInfoToDb::warehouseTabOnRequest()
{
    DialogInfoToDb dialog;
    auto *tabs = dialog.findChild<QTabWidget *>("tabWidget");
    tabs->setCurrentIndex(0);
    dialog.SetCurrentTab(5, true);
    QCOMPARE(tabs->currentIndex(), 5);
    QCOMPARE(tabs->tabText(5), QStringLiteral("仓库信息"));
    // The confirm button only hides; the contents stay.
    dialog.show();
    dialog.findChild<QPushButton *>("btn_ok_6")->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.Table(ListTables::GoodsClass)->rowCount(), 1);
}

QTEST_MAIN(TestDialogInfoToDb)
#include "test_dialoginfotodb.moc"
