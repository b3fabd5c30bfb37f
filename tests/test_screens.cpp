// What the screens say and remember: the restore box and backup message in
// the shop's words, the re-login's reason, where exports go, the main
// window's layout per user, the text viewer's size and Qt's texts in Chinese.
#include "analytics/dialogshowgraph.h"
#include "app/dialoghelp.h"
#include "app/dialoglogin.h"
#include "app/mainwindow.h"
#include "db/exportfolder.h"
#include "db/tablewords.h"
#include "exchange/ledgerexchange.h"
#include "ledger/dialogquery.h"
#include "ledgertestsupport.h"
#include "masterdata/dialoginfotodb.h"
#include "masterdata/dialogstoreset.h"
#include "masterdata/dialogusermge.h"
#include "resources/resources.h"
#include "storetestsupport.h"
#include "widgets/dialogshowtext.h"
#include "widgets/looks.h"
#include "widgets/qtchinese.h"
#include "widgets/reloginreason.h"
#include "widgets/windowmemory.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

namespace {
QString AppSheet()
{
    QFile sheet(":/qss/qss/styleSheet.qss");
    return sheet.open(QIODevice::ReadOnly) ? QString::fromLatin1(sheet.readAll()) : QString();
}

template <typename T>
QString Text(const T &value)
{
    QString out;
    QDebug(&out) << value;
    return out;
}
} // namespace

class TestScreens : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { InitQuillonResources(); }
    void kindTitles_data();
    void kindTitles();
    void restorePreviewNamesPagesAndLists();
    void backupMessageNamesFileAndFolder();
    void reloginSaysWhy();
    void exportFolder_data();
    void exportFolder();
    void exportMessageNamesItsFolder_data();
    void exportMessageNamesItsFolder();
    void windowMemoryPerAccount();
    void mainWindowReopensAsLeft_data();
    void mainWindowReopensAsLeft();
    void qtTextsInChinese();
    void redButtonsUnderTheStyleSheet_data();
    void redButtonsUnderTheStyleSheet();
    void everyWindowFits_data();
    void everyWindowFits();
};

void TestScreens::kindTitles_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::newRow("last goods page") << "tb_sm_product_info" << 4 << "损耗表";
    QTest::newRow("past the goods pages") << "tb_sm_product_info" << 5 << "类别 5";
    QTest::newRow("past the finance pages") << "tb_sm_finance_info" << 7 << "类别 7";
    QTest::newRow("no list 5") << "tb_sm_prestore_info" << 5 << "类别 5";
    QTest::newRow("negative") << "tb_sm_person_info" << -1 << "类别 -1";
}

void TestScreens::kindTitles()
{
    QFETCH(QString, table);
    QFETCH(int, kind);
    QTEST(TableWords::KindTitle(table, kind), "title");
}

// A real backup read back by the preview: every table and page in words, none by its database name.
void TestScreens::restorePreviewNamesPagesAndLists()
{
    TempStore db;
    REQUIRE_DB(db);
    StoreDbAccess *store = StoreDbAccess::Instance();
    QVERIFY(store->SaveGoodsRow(MakeGoods(GoodsKind::PurchaseIn, "g1", "2026-12-01"))
            && store->SaveGoodsRow(MakeGoods(GoodsKind::PurchaseIn, "g2", "2026-12-02"))
            && store->SaveGoodsRow(MakeGoods(GoodsKind::Loss, "g3", "2026-12-03"))
            && store->SaveInfoList(InfoStore::MasterData, InfoList{2, QStringLiteral("伞;灯")})
            && store->AddOrUpdateUser(UserRecord{2, 0, "139", "店员", "pw", QString(), QString()}));
    const QString file = db.dir.filePath("b.sql");
    QVERIFY(store->DumpStoreTables(file));
    const RestorePreview preview = store->PreviewRestore(file);
    QVERIFY2(preview.ok, qPrintable(preview.error));
    const QString text = TableWords::PreviewLines(preview).join('\n');
    QVERIFY2(!text.contains("tb_sm"), qPrintable(text));
    QVERIFY2(text.contains("商品台账：3 行（本店现有 3 行）\n      采购进货表 2 行，损耗表 1 行\n"),
             qPrintable(text));
    QVERIFY2(text.contains("商品与仓库列表：1 行（本店现有 1 行）\n      商品名称列表 1 行"),
             qPrintable(text));
    QVERIFY2(text.contains("人员与单位列表：0 行（本店现有 0 行）\n  财务台账"), qPrintable(text));
    QVERIFY2(text.endsWith("用户账号：1 行（本店现有 1 行）\n  库存预警数量：0 行（本店现有 0 行）"),
             qPrintable(text));
}

void TestScreens::backupMessageNamesFileAndFolder()
{
    QCOMPARE(TableWords::BackupDoneText(true, "/srv/shop/DbDateSave/record_20261206_230000.sql"),
             QStringLiteral("备份完成：文件 record_20261206_230000.sql\n保存在 /srv/shop/DbDateSave"));
    QCOMPARE(TableWords::BackupDoneText(false, "/gone/record_1.sql"),
             QStringLiteral("备份失败：文件 /gone/record_1.sql 未能写入"));
}

// The login that clearing a page asks for carries the reason; a start-up login carries none.
void TestScreens::reloginSaysWhy()
{
    QStringList seen;
    ModalSeam::SetDialogAnswerer([&](QDialog &dialog) {
        seen << dialog.windowTitle() + '|' + dialog.findChild<QLabel *>("label_reason")->text();
        dialog.reject();
    });
    QVERIFY(!DialogLogin::ConfirmPrivileged());
    {
        const ReloginReason why(TableWords::ClearReason());
        QVERIFY(!DialogLogin::ConfirmPrivileged());
        {
            const ReloginReason inner(TableWords::RestoreReason());
            QVERIFY(!DialogLogin::ConfirmPrivileged());
        }
        QVERIFY(!DialogLogin::ConfirmPrivileged());
    }
    QVERIFY(!DialogLogin::ConfirmPrivileged());
    ModalSeam::SetDialogAnswerer({});
    QCOMPARE(seen,
             (QStringList{"登录界面|", "身份确认|清空需要超级用户或授权用户确认",
                          "身份确认|还原需要超级用户或授权用户确认",
                          "身份确认|清空需要超级用户或授权用户确认", "登录界面|"}));
}

void TestScreens::exportFolder_data()
{
    QTest::addColumn<QStringList>("folders"); // working, program, documents, the one proposed
    QTest::newRow("working in its own folder") << QStringList{"/opt/q", "/opt/q", "/d", "TabDateSave"};
    QTest::newRow("same folder written otherwise")
        << QStringList{"/opt/q/./", "/opt/x/../q", "/d", "TabDateSave"};
    QTest::newRow("installed") << QStringList{"/home/a/.local/share/Quillon", "/usr/bin", "/d/文档",
                                              "/d/文档/Quillon"};
    QTest::newRow("program below the work folder")
        << QStringList{"/home/a", "/home/a/bin", "/d", "/d/Quillon"};
    QTest::newRow("installed, no documents folder") << QStringList{"/home/a", "/usr/bin", "", "TabDateSave"};
}

void TestScreens::exportFolder()
{
    QFETCH(QStringList, folders);
    QCOMPARE(ExportFolder::Choose(folders.at(0), folders.at(1), folders.at(2), "TabDateSave"), folders.at(3));
}

void TestScreens::exportMessageNamesItsFolder_data()
{
    QTest::addColumn<QStringList>("fileAndFolder");
    QTest::newRow("beside the program") << QStringList{"/opt/q/TabDateSave/采购.xls", "TabDateSave"};
    QTest::newRow("documents") << QStringList{"/d/文档/Quillon/采购.xls", "/d/文档/Quillon"};
    QTest::newRow("a folder named like it") << QStringList{"/d/TabDateSave2/x.xls", "/d/TabDateSave2"};
}

void TestScreens::exportMessageNamesItsFolder()
{
    QFETCH(QStringList, fileAndFolder);
    LedgerExchange::ExportResult result;
    result.ok = true;
    result.rows = 3;
    result.fileName = fileAndFolder.at(0);
    QCOMPARE(LedgerExchange::ExportStatusText(result),
             QStringLiteral("导出数据完成,请进入相应%2目录查看 (3行，%1)")
                 .arg(fileAndFolder.at(0), fileAndFolder.at(1)));
}

void TestScreens::windowMemoryPerAccount()
{
    QTemporaryDir dir;
    const QString file = WindowMemory::FileIn(dir.path());
    QCOMPARE(file, dir.filePath("InitParam/window.ini"));
    QVERIFY(QDir().mkpath(dir.filePath("InitParam")));
    QWidget window;
    window.setGeometry(40, 60, 700, 500);
    WindowLayout first = WindowMemory::Take(window);
    first.stackPages = {3, -1, 7};
    WindowLayout second;
    second.geometry = "g2";
    second.maximised = true;
    second.stackPages = {-1, 0, -1};
    // Accounts are names or phone numbers, written as the user typed them.
    QVERIFY(WindowMemory::Save(file, "张三", first));
    QVERIFY(WindowMemory::Save(file, "a/b=c;[x]", second));

    const WindowLayout back = WindowMemory::Load(file, "张三");
    QCOMPARE(back.geometry, first.geometry);
    QVERIFY(!back.maximised);
    QCOMPARE(back.stackPages, first.stackPages);
    const WindowLayout other = WindowMemory::Load(file, "a/b=c;[x]");
    QCOMPARE(other.geometry, QByteArray("g2"));
    QVERIFY(other.maximised);
    QCOMPARE(other.stackPages, second.stackPages);
    QVERIFY(WindowMemory::Load(file, "张").IsEmpty());

    QWidget again;
    QVERIFY(WindowMemory::Apply(again, back));
    QCOMPARE(again.geometry(), window.geometry());
    QVERIFY(!WindowMemory::Apply(again, other)); // not a geometry of Qt's

    // A hand-edited file: pages that are no numbers, or below -1, show nothing.
    QSettings edit(file, QSettings::IniFormat);
    edit.setValue("user_张三/stackPages", "x, -5,2,-1");
    edit.sync();
    QCOMPARE(WindowMemory::Load(file, "张三").stackPages, (QList<int>{-1, -1, 2, -1}));
}

void TestScreens::mainWindowReopensAsLeft_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QList<int>>("left");  // goods, sales, finance pages; -1 hidden
    QTest::addColumn<QList<int>>("shown"); // what the next start shows
    QTest::newRow("owner on a finance page") << 1 << QList<int>{-1, -1, 6} << QList<int>{-1, -1, 6};
    QTest::newRow("owner on stock and profit") << 1 << QList<int>{5, -1, 7} << QList<int>{5, -1, 7};
    QTest::newRow("owner, sales summaries") << 1 << QList<int>{0, 4, -1} << QList<int>{0, 4, -1};
    // A clerk never gets a finance page back, even from an edited file.
    QTest::newRow("clerk, finance refused") << 3 << QList<int>{4, -1, 2} << QList<int>{4, -1, -1};
    QTest::newRow("viewer, hidden sales page refused") << 4 << QList<int>{0, -1, -1} << QList<int>{5, -1, -1};
}

void TestScreens::mainWindowReopensAsLeft()
{
    QFETCH(int, type);
    QFETCH(QList<int>, left);
    QFETCH(QList<int>, shown);
    TempStore db;
    REQUIRE_DB(db);
    const QString old = QDir::currentPath();
    QVERIFY(QDir::setCurrent(db.dir.path()));
    QVERIFY(QDir().mkpath("InitParam"));
    const UserRecord user{type, 0, "13800000009", "测试员", QString(), QString(), QString()};
    {
        MainWindow window;
        window.SetUser(user);
        window.Initialise();
        window.setGeometry(30, 50, 900, 600);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QList<QStackedWidget *> stacks = {window.GoodsStack(), window.SalesStack(),
                                                window.FinanceStack()};
        for (int i = 0; i < 3; ++i) {
            stacks.at(i)->setVisible(left.at(i) >= 0);
            if (left.at(i) >= 0)
                stacks.at(i)->setCurrentIndex(left.at(i));
        }
        // A column widened by hand comes back as wide; the others are fitted again.
        window.Table("tab_income")->horizontalHeader()->resizeSection(8, 333);
        window.RememberLayout();
        // Another user of the same computer leaves it elsewhere.
        MainWindow stranger;
        stranger.SetUser(UserRecord{1, 0, "1", "别人", QString(), QString(), QString()});
        stranger.setGeometry(0, 0, 400, 300);
        stranger.RememberLayout();
        window.hide();
    }
    MainWindow window;
    window.SetUser(user);
    window.Initialise();
    window.ShowRemembered();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.isMaximized(), false);
    QCOMPARE(window.size(), QSize(900, 600));
    const QList<QStackedWidget *> stacks = {window.GoodsStack(), window.SalesStack(), window.FinanceStack()};
    QList<int> now;
    for (QStackedWidget *stack : stacks)
        now << (stack->isVisibleTo(&window) ? stack->currentIndex() : -1);
    QCOMPARE(now, shown);
    QCOMPARE(window.Table("tab_income")->horizontalHeader()->sectionSize(8), 333);
    window.hide();
    QDir::setCurrent(old);
}

void TestScreens::qtTextsInChinese()
{
    QDialogButtonBox english(QDialogButtonBox::Cancel);
    QCOMPARE(english.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
    QVERIFY2(QtChinese::Install(qApp), "qttranslations5-l10n is not installed");
    QDialogButtonBox chinese(QDialogButtonBox::Cancel | QDialogButtonBox::Close);
    QVERIFY2(chinese.button(QDialogButtonBox::Cancel)->text().contains(QStringLiteral("取消")),
             qPrintable(chinese.button(QDialogButtonBox::Cancel)->text()));
    QVERIFY(chinese.button(QDialogButtonBox::Close)->text().contains(QStringLiteral("关闭")));
}

void TestScreens::redButtonsUnderTheStyleSheet_data()
{
    QTest::addColumn<bool>("appSheet");
    QTest::newRow("window's picture only") << false;
    QTest::newRow("and the application sheet") << true;
}

// The confirmation boxes' buttons are painted red, whatever else styles the application.
void TestScreens::redButtonsUnderTheStyleSheet()
{
    QFETCH(bool, appSheet);
    qApp->setStyleSheet(appSheet ? AppSheet() : QString());
    TempStore db;
    REQUIRE_DB(db);
    // The boxes are the main window's children, under its background picture.
    MainWindow window;
    QMessageBox box(&window);
    box.setText("删除请慎重,确认删除?");
    QPushButton *ok = box.addButton(QStringLiteral("确认"), QMessageBox::AcceptRole);
    ok->setFixedWidth(100);
    Looks::PaintRed(box);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QImage image = ok->grab().toImage();
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 60 && c.blue() < 60;
        }
    qApp->setStyleSheet(QString());
    QVERIFY2(red > image.width() * image.height() / 2, qPrintable(QString::number(red)));
}

void TestScreens::everyWindowFits_data()
{
    QTest::addColumn<QString>("window");
    for (const char *name : {"MainWindow", "DialogInfoToDb", "DialogUserMge", "DialogQuery", "DialogStoreSet",
                             "DialogLogin", "DialogHelp", "DialogShowGraph", "DialogShowText"})
        QTest::newRow(name) << name;
}

// At the default font and under the application style sheet, each window
// opens no larger than a 1280 × 720 screen less its title bar and a panel,
// and every button it shows lies inside it.
void TestScreens::everyWindowFits()
{
    QFETCH(QString, window);
    TempStore db;
    REQUIRE_DB(db);
    const QString old = QDir::currentPath();
    QVERIFY(QDir::setCurrent(db.dir.path()));
    qApp->setStyleSheet(AppSheet());
    const QHash<QString, std::function<QWidget *()>> make = {
        {"MainWindow",
         [] {
             auto *main = new MainWindow;
             main->SetUser(UserRecord{1, 0, "1", "店主", QString(), QString(), QString()});
             main->Initialise();
             return main;
         }},
        {"DialogInfoToDb", [] { return new DialogInfoToDb; }},
        {"DialogUserMge", [] { return new DialogUserMge; }},
        {"DialogQuery", [] { return new DialogQuery; }},
        {"DialogStoreSet", [] { return new DialogStoreSet; }},
        {"DialogLogin", [] { return new DialogLogin; }},
        {"DialogHelp", [] { return new DialogHelp; }},
        {"DialogShowGraph", [] { return new DialogShowGraph; }},
        {"DialogShowText",
         [] {
             auto *viewer = new DialogShowText;
             viewer->SetText(QString(30000, QChar(0x4f1e)));
             return viewer;
         }},
    };
    std::unique_ptr<QWidget> widget(make.value(window)());
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
    const QSize room(1280, 720 - 30 - 40);
    const QSize size = widget->size();
    const QString got = Text(size) + " at least " + Text(widget->minimumSize());
    QVERIFY2(size.width() <= room.width() && size.height() <= room.height(), qPrintable(got));
    QVERIFY2(widget->minimumSize().boundedTo(room) == widget->minimumSize(), qPrintable(got));
    for (QPushButton *button : widget->findChildren<QPushButton *>()) {
        const QRect at(button->mapTo(widget.get(), QPoint(0, 0)), button->size());
        if (button->isVisibleTo(widget.get()) && button->window() == widget.get())
            QVERIFY2(widget->rect().contains(at), qPrintable(button->objectName() + Text(at) + got));
    }
    // A new store's lists start without rows: no blank row "1" to pick from.
    if (window.startsWith("DialogInfo") || window.startsWith("DialogUser"))
        for (const QTableWidget *table : widget->findChildren<QTableWidget *>())
            QVERIFY2(table->rowCount() == 0, qPrintable(table->objectName()));
    widget.reset();
    qApp->setStyleSheet(QString());
    QDir::setCurrent(old);
}

QTEST_MAIN(TestScreens)
#include "test_screens.moc"
