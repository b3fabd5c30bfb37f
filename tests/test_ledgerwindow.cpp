#include "app/mainwindow.h"
#include "ledger/ledgerrows.h"
#include "ledgertestsupport.h"
#include "resources/resources.h"
#include "storetestsupport.h"

#include <QDir>
#include <QHeaderView>
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
    void filterAndSortTheShownRows();
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

void TestLedgerWindow::filterAndSortTheShownRows()
{
    TempStore store;
    const QStringList names = {"衬衫", "T恤", "长裤"};
    const QStringList quantities = {"9", "10", "2"};
    QStringList serials;
    for (int i = 0; i < names.size(); ++i) {
        GoodsRecord r = MakeGoods(GoodsKind::Sale, QString("2026-01-01 08:00:00:00%1").arg(i), Today());
        r.name = names.at(i);
        r.num = r.total = r.debt = quantities.at(i);
        r.price = "1";
        r.pay = "0";
        QVERIFY(StoreDbAccess::Instance()->SaveGoodsRow(r));
        serials << r.serial;
    }
    BoxAnswers answers;
    auto w = MakeWindow(1);
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    w->findChild<QAction *>("action_saleout")->trigger();
    QTableWidget *sale = w->Table("tab_saleout");
    QTRY_COMPARE(sale->rowCount(), 3);
    auto total = [&w](const char *edit) { return w->findChild<QLineEdit *>(edit)->text(); };
    auto shown = [](const QTableWidget *t) {
        QStringList out;
        for (int r = 0; r < t->rowCount(); ++r) {
            if (!t->isRowHidden(r))
                out << LedgerRows::CellText(t, r, 2);
        }
        return out;
    };
    QLabel *filtered = w->findChild<QLabel *>("filtered_tab_saleout");
    QCOMPARE(total("lineEdit_t_3"), QString("21"));
    QVERIFY(filtered->isHidden());

    // Ctrl+F goes to the page's search box; any case matches; Escape clears.
    QTest::keyClick(w.get(), Qt::Key_F, Qt::ControlModifier);
    auto *box = w->findChild<QLineEdit *>("filter_tab_saleout");
    QTRY_VERIFY(box->hasFocus());
    QTest::keyClicks(box, "t");
    box->insert("恤");
    QCOMPARE(shown(sale), QStringList{"T恤"});
    QCOMPARE(total("lineEdit_t_3"), QString("10"));
    QVERIFY(!filtered->isHidden());
    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(shown(sale), names);
    QCOMPARE(total("lineEdit_t_3"), QString("21"));
    QVERIFY(filtered->isHidden());

    // A title click sorts numbers by value, the next reverses; edits still
    // save their own row, and filtered rows stay hidden through a sort.
    QHeaderView *header = sale->horizontalHeader();
    auto clickTitle = [header](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 4, 4));
    };
    clickTitle(9);
    QCOMPARE(shown(sale), (QStringList{"长裤", "衬衫", "T恤"}));
    clickTitle(9);
    QCOMPARE(shown(sale), (QStringList{"T恤", "衬衫", "长裤"}));
    sale->item(2, 18)->setText("改");
    QCOMPARE(StoredGoodsOf(GoodsKind::Sale).at(2).remark, QString("改"));
    box->setText("衬");
    clickTitle(9);
    QCOMPARE(shown(sale), QStringList{"衬衫"});
    QCOMPARE(total("lineEdit_t_3"), QString("9"));

    // The store keeps entry order, and a new load shows it again.
    QCOMPARE(SerialsOf(AllGoods()), serials);
    box->clear();
    w->Ledger()->RefreshTab();
    QTRY_COMPARE(shown(sale), names);
    QVERIFY(!header->isSortIndicatorShown());

    // Computed pages filter too, their totals with them.
    QTableWidget *stock = w->GoodsTable(GoodsKind::CurrentStock);
    w->Ledger()->ShowGoodsRows(stock, AllGoods());
    w->findChild<QLineEdit *>("filter_tab_storeCurr")->setText("长裤");
    QCOMPARE(shown(stock), QStringList{"长裤"});
    QCOMPARE(total("lineEdit_t_6"), QString("2"));
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
