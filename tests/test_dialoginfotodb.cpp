#include "app/modalseam.h"
#include "db/dbmanager.h"
#include "db/storedbaccess.h"
#include "masterdata/dialoginfotodb.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

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

    void loadShapes();
    void cellEdits();
    void addRow();
    void deleteRows_data();
    void deleteRows();
    void clearNeedsBothSteps_data();
    void clearNeedsBothSteps();

private:
    QTemporaryDir *m_dir = nullptr;
    QStringList m_boxes;          // "title|text" of every box shown
    QString m_click;              // caption of the button the boxes are answered with
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
    m_boxes.clear();
    m_click = QStringLiteral("确认");
    ModalSeam::SetBoxAnswerer([this](QMessageBox &box) {
        m_boxes << box.windowTitle() + QLatin1Char('|') + box.text();
        for (QAbstractButton *b : box.buttons()) {
            if (b->text() == m_click)
                return b->click();
        }
        box.reject();
    });
}

void TestDialogInfoToDb::cleanup()
{
    ModalSeam::SetBoxAnswerer({});
    DbManager::Instance()->Close();
    delete m_dir;
}

void TestDialogInfoToDb::loadShapes()
{
    Save(ListTables::GoodsModel, QStringLiteral("A##1;2&&5"));
    // The middle part has the wrong field count: skipped, but it keeps its row.
    Save(ListTables::Warehouse, QStringLiteral("A&&1-B##2--3-4-5-6;bad-row;W-R-9-2-3-M-P"));
    Save(11, QStringLiteral("carried through"));

    DialogInfoToDb dialog;
    // A list never stored is one empty row in a one-field table.
    QCOMPARE(dialog.Table(ListTables::GoodsClass)->rowCount(), 1);
    QCOMPARE(RowTexts(dialog.Table(ListTables::GoodsClass), 0), (QStringList{ "1", "" }));

    QTableWidget *models = dialog.Table(ListTables::GoodsModel);
    QCOMPARE(models->rowCount(), 2);
    QCOMPARE(RowTexts(models, 0), (QStringList{ "1", "A-1" }));
    QCOMPARE(RowTexts(models, 1), (QStringList{ "2", "2.5" }));

    QTableWidget *stores = dialog.Table(ListTables::Warehouse);
    QCOMPARE(stores->rowCount(), 3);
    QCOMPARE(RowTexts(stores, 0), (QStringList{ "1", "A.1", "B-2", "", "3", "4", "5", "6" }));
    QVERIFY(!stores->item(1, 1));
    QCOMPARE(dialog.ColumnValues(ListTables::Warehouse, 2), (QStringList{ "", "9" }));
    QCOMPARE(dialog.CurrentList(11).list, QStringLiteral("carried through"));
    QVERIFY(m_boxes.isEmpty());

    // Nothing stored: no row at all in the seven-field warehouse table.
    QVERIFY(StoreDbAccess::Instance()->DeleteInfoList(InfoStore::MasterData, ListTables::Warehouse));
    DialogInfoToDb fresh;
    QCOMPARE(fresh.Table(ListTables::Warehouse)->rowCount(), 0);
}

void TestDialogInfoToDb::cellEdits()
{
    Save(ListTables::GoodsColor, QStringLiteral("red;blue"));
    DialogInfoToDb dialog;
    QSignalSpy refresh(&dialog, &DialogInfoToDb::sendRefresh);
    QTableWidget *colors = dialog.Table(ListTables::GoodsColor);

    colors->item(1, 1)->setText(QStringLiteral("blue-green 2.0"));
    QCOMPARE(Stored(ListTables::GoodsColor), QStringLiteral("red;blue##green 2&&0"));
    QCOMPARE(dialog.ColumnValues(ListTables::GoodsColor, 0), (QStringList{ "red", "blue-green 2.0" }));
    QCOMPARE(refresh.count(), 1);
    QCOMPARE(Stored(ListTables::GoodsName), QStringLiteral("<none>"));

    // A ";" would split the row at the next load: refused, the stored text put back.
    m_click = QStringLiteral("确定");
    colors->item(0, 1)->setText(QStringLiteral("red;pink"));
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(colors->item(0, 1)->text(), QStringLiteral("red"));
    colors->setItem(1, 1, new QTableWidgetItem(QStringLiteral("a;b")));
    QCOMPARE(colors->item(1, 1)->text(), QStringLiteral("blue-green 2.0"));
    QCOMPARE(Stored(ListTables::GoodsColor), QStringLiteral("red;blue##green 2&&0"));
    QCOMPARE(refresh.count(), 1);

    DialogInfoToDb reopened;
    QCOMPARE(RowTexts(reopened.Table(ListTables::GoodsColor), 1), (QStringList{ "2", "blue-green 2.0" }));
}

void TestDialogInfoToDb::addRow()
{
    Save(ListTables::GoodsClass, QStringLiteral("a;b;c"));
    DialogInfoToDb dialog;
    QSignalSpy refresh(&dialog, &DialogInfoToDb::sendRefresh);
    dialog.findChild<QPushButton *>("btn_add")->click();

    QTableWidget *classes = dialog.Table(ListTables::GoodsClass);
    QCOMPARE(RowTexts(classes, 3), (QStringList{ "4", "" }));
    QCOMPARE(Stored(ListTables::GoodsClass), QStringLiteral("a;b;c;"));
    QCOMPARE(dialog.CurrentList(ListTables::GoodsClass).list, QStringLiteral("a;b;c;"));
    QCOMPARE(refresh.count(), 1);

    dialog.findChild<QPushButton *>("btn_add_6")->click();
    QCOMPARE(Stored(ListTables::Warehouse), QStringLiteral("------"));
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

    Save(ListTables::GoodsSize, stored);
    DialogInfoToDb dialog;
    QSignalSpy refresh(&dialog, &DialogInfoToDb::sendRefresh);
    QTableWidget *sizes = dialog.Table(ListTables::GoodsSize);
    sizes->setCurrentCell(currentRow, currentRow < 0 ? -1 : 1);
    m_click = answer;

    dialog.findChild<QPushButton *>("btn_del_5")->click();
    QCOMPARE(Stored(ListTables::GoodsSize), storedAfter);
    const QString current = storedAfter == QLatin1String("<none>") ? QString() : storedAfter;
    QCOMPARE(dialog.CurrentList(ListTables::GoodsSize).list, current);
    QCOMPARE(sizes->rowCount(), current.isEmpty() ? 0 : current.count(';') + 1);
    QCOMPARE(m_boxes.last(), lastBox);
    QCOMPARE(refresh.count(), 1);
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

    Save(ListTables::GoodsName, QStringLiteral("tea;coffee"));
    DialogInfoToDb dialog;
    dialog.SetRelogin([loginOk] { return loginOk; });
    m_click = answer;
    QSignalSpy refresh(&dialog, &DialogInfoToDb::sendRefresh);

    dialog.findChild<QPushButton *>("btn_clear_2")->click();
    QCOMPARE(dialog.Table(ListTables::GoodsName)->rowCount(), cleared ? 0 : 2);
    QCOMPARE(Stored(ListTables::GoodsName), cleared ? QStringLiteral("<none>") : QStringLiteral("tea;coffee"));
    QCOMPARE(dialog.CurrentList(ListTables::GoodsName).list, cleared ? QString() : QStringLiteral("tea;coffee"));
    QCOMPARE(refresh.count(), cleared ? 1 : 0);
}

QTEST_MAIN(TestDialogInfoToDb)
#include "test_dialoginfotodb.moc"
