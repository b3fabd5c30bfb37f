#include "app/mainwindow.h"
#include "ledgertestsupport.h"
#include "resources/resources.h"
#include "storetestsupport.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {

QString Today()
{
    return QDate::currentDate().toString("yyyy-MM-dd");
}

std::unique_ptr<MainWindow> MakeWindow(int userType)
{
    auto window = std::make_unique<MainWindow>();
    UserRecord user;
    user.userType = userType;
    user.name = QStringLiteral("测试员");
    window->SetUser(user);
    window->Initialise();
    return window;
}

GoodsList AllGoods()
{
    GoodsList rows;
    StoreDbAccess::Instance()->QueryGoods(5, -1, QString(), QString(), rows);
    return rows;
}

} // namespace

class TestLedgerWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { InitQuillonResources(); }
    void cleanup() { ModalSeam::SetFileAnswerer({}); }
    void startUpLoadAndEditsThroughTheButtons();
    void backupThenRestoreThroughTheActions();
    void exitBackupFinishesBeforeTheProgramEnds();
};

void TestLedgerWindow::startUpLoadAndEditsThroughTheButtons()
{
    TempStore store;
    GoodsRecord today = MakeGoods(GoodsKind::Sale, "s1", Today());
    today.num = "2"; today.price = "3"; today.total = "6"; today.pay = "1"; today.debt = "5";
    QVERIFY(StoreDbAccess::Instance()->SaveGoodsRow(today));
    BoxAnswers answers;
    auto w = MakeWindow(1);
    QTableWidget *sale = w->Table("tab_saleout");
    QTRY_COMPARE(sale->rowCount(), 1);
    QCOMPARE(w->findChild<QLineEdit *>("lineEdit_t_3")->text(), QString("6"));

    w->findChild<QPushButton *>("btn_puradd_3")->click();
    QCOMPARE(sale->rowCount(), 2);
    sale->item(1, 9)->setText("3");
    sale->item(1, 10)->setText("2.5");
    QCOMPARE(sale->item(1, 13)->text(), QString("7.5"));
    QCOMPARE(w->findChild<QLineEdit *>("lineEdit_t_3")->text(), QString("13.5"));
    QCOMPARE(AllGoods().size(), 2);

    sale->setCurrentCell(0, 5);
    w->findChild<QPushButton *>("btn_purdel_3")->click();
    QCOMPARE(sale->rowCount(), 1);
    QCOMPARE(AllGoods().size(), 1);
    QCOMPARE(AllGoods().at(0).total, QString("7.5"));
    QCOMPARE(w->findChild<QLineEdit *>("lineEdit_t_3")->text(), QString("7.5"));
}

void TestLedgerWindow::backupThenRestoreThroughTheActions()
{
    TempStore store;
    StoreDbAccess::Instance()->SaveGoodsRow(MakeGoods(GoodsKind::PurchaseIn, "a", Today()));
    StoreDbAccess::Instance()->SaveFinanceRow(MakeFinance(FinanceKind::Income, "b", Today()));
    const GoodsList before = AllGoods();
    BoxAnswers answers;
    auto w = MakeWindow(1);
    w->Ledger()->SetBackupFolder(store.dir.path());
    QAction *save = w->findChild<QAction *>("action_datasave");
    QSignalSpy done(w->Ledger(), &LedgerPages::BackupFinished);
    save->trigger();
    QVERIFY(!save->isEnabled());
    QVERIFY(done.wait(10000));
    QVERIFY(save->isEnabled());
    QVERIFY(answers.seen.contains("提示|备份完成"));
    const QString path = done.at(0).at(1).toString();

    StoreDbAccess::Instance()->DeleteGoodsKind(GoodsKind::PurchaseIn);
    ModalSeam::SetFileAnswerer([&](const QString &, const QString &, const QString &) { return path; });
    // Restoring asks for the login of a type 1 or 2 account again.
    ModalSeam::SetDialogAnswerer([](QDialog &login) {
        login.findChild<QLineEdit *>("input_name")->setText("admin");
        login.findChild<QLineEdit *>("input_password")->setText("470215");
        login.findChild<QPushButton *>("onok")->click();
    });
    w->findChild<QAction *>("action_datarestore")->trigger();
    ModalSeam::SetDialogAnswerer({});
    QCOMPARE(AllGoods(), before);
    QVERIFY(w->StatusLabel()->text().contains("还原"));
    QTRY_COMPARE(w->Table("tab_purchaseIn")->rowCount(), 1);
    QCOMPARE(w->Table("tab_income")->rowCount(), 1);
}

void TestLedgerWindow::exitBackupFinishesBeforeTheProgramEnds()
{
    TempStore store;
    for (int i = 0; i < 200; ++i)
        StoreDbAccess::Instance()->SaveGoodsRow(MakeGoods(GoodsKind::Loss, QString::number(i), Today()));
    BoxAnswers answers("直接退出");
    const QString folder = store.dir.filePath("out");
    QVERIFY(QDir().mkpath(folder));
    {
        auto w = MakeWindow(2);
        QTRY_COMPARE(w->Table("tab_storelose")->rowCount(), 200);
        w->Ledger()->SetBackupFolder(folder);
        w->show();
        w->close();
        w->WaitForBackup();
        const QStringList files = QDir(folder).entryList({"record_*.sql"});
        QCOMPARE(files.size(), 1);
        QFile file(QDir(folder).filePath(files.first()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().count('\n'), 200);
    }
    QVERIFY(!answers.seen.contains("提示|备份完成"));
}

QTEST_MAIN(TestLedgerWindow)
#include "test_ledgerwindow.moc"
