#include "ledgertestsupport.h"
#include "storetestsupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

GoodsList AllGoods()
{
    GoodsList rows;
    StoreDbAccess::Instance()->QueryGoods(5, -1, QString(), QString(), rows);
    return rows;
}

FinanceList AllFinance()
{
    FinanceList rows;
    StoreDbAccess::Instance()->QueryFinance(5, -1, QString(), QString(), rows);
    return rows;
}

QString Today()
{
    return QDate::currentDate().toString("yyyy-MM-dd");
}

void SeedRows()
{
    StoreDbAccess *s = StoreDbAccess::Instance();
    GoodsRecord g = MakeGoods(GoodsKind::Sale, "g1", Today());
    g.remark = "O'Brien";
    g.total = "1234567.5";
    s->SaveGoodsRow(g);
    s->SaveGoodsRow(MakeGoods(GoodsKind::PurchaseIn, "g2", "2023-02-01"));
    s->SaveFinanceRow(MakeFinance(FinanceKind::Salaries, "f1", Today()));
}

} // namespace

class TestBackupWindow : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { ModalSeam::SetFileAnswerer({}); }
    void backupThenRestoreGivesTheSameRows();
    void restoreStopsWhenRefused_data();
    void restoreStopsWhenRefused();
    void restoreOfAnotherStoresFile();
    void unreadableFileKeepsTheRows();
    void unwrittenBackupIsNotReportedAsDone();
    void waitForBackupOnTheWayOut();
};

void TestBackupWindow::backupThenRestoreGivesTheSameRows()
{
    TempStore store;
    SeedRows();
    const GoodsList goods = AllGoods();
    const FinanceList finance = AllFinance();
    BoxAnswers answers;
    PagesWindow w;
    QStringList status;
    w.pages->SetStatusSink([&](const QString &text) { status << text; });
    w.pages->SetBackupFolder(store.dir.path());

    QSignalSpy done(w.pages, &LedgerPages::BackupFinished);
    w.pages->SaveDbDate();
    QVERIFY(!w.saveAction->isEnabled());
    QVERIFY(done.wait(10000));
    QVERIFY(w.saveAction->isEnabled());
    QCOMPARE(answers.seen, QStringList{"提示|备份完成"});
    const QString path = done.at(0).at(1).toString();
    QVERIFY(done.at(0).at(0).toBool());
    QVERIFY(QFile::exists(path));
    QVERIFY(QFileInfo(path).fileName().startsWith("record_"));

    // Change the store, then put the backup back.
    StoreDbAccess::Instance()->DeleteGoodsKind(GoodsKind::Sale);
    StoreDbAccess::Instance()->SaveFinanceRow(MakeFinance(FinanceKind::Income, "new", Today()));
    QStringList fileQuestions;
    ModalSeam::SetFileAnswerer([&](const QString &caption, const QString &dir, const QString &filter) {
        fileQuestions << caption + "|" + dir + "|" + filter;
        return path;
    });
    answers.seen.clear();
    w.pages->SetRelogin([] { return true; });
    QSignalSpy shown(w.pages, &LedgerPages::TabDataShown);
    w.pages->RestoreDbDate();
    QCOMPARE(answers.seen.size(), 2);
    QCOMPARE(answers.seen.at(0), QString("删除告警|删除或还原数据请慎重,确认?"));
    QVERIFY2(answers.seen.at(1).contains("其中 0 行带有其他店号") && answers.seen.at(1).contains("本店现有 3 行将被替换"),
             qPrintable(answers.seen.at(1)));
    QCOMPARE(fileQuestions, QStringList{"标题|DbDateSave|*.sql;;*.sql"});
    QCOMPARE(AllGoods().size(), goods.size());
    for (const GoodsRecord &g : goods)
        QVERIFY(AllGoods().contains(g));
    QCOMPARE(AllFinance(), finance);
    QVERIFY(!status.isEmpty());
    QVERIFY2(status.last().contains("3") && status.last().contains("0"), qPrintable(status.last()));

    // The pages reload and show today's restored rows.
    QVERIFY(shown.wait(10000));
    QCOMPARE(w.Table("tab_saleout")->rowCount(), 1);
    QCOMPARE(w.Table("tab_saleout")->item(0, 18)->text(), QString("O'Brien"));
    QCOMPARE(w.Table("tab_salary")->rowCount(), 1);
    QCOMPARE(w.Table("tab_income")->rowCount(), 0);
    QCOMPARE(w.Edit("lineEdit_t_3"), QString("1234567.5"));
}

void TestBackupWindow::restoreStopsWhenRefused_data()
{
    QTest::addColumn<QStringList>("clicks");   // one per box, in order
    QTest::addColumn<bool>("login");
    QTest::addColumn<QString>("file");         // content of the chosen file; "-": none chosen
    QTest::addColumn<QString>("lastBox");

    const QString store7 = "insert into tb_sm_prestore_info(info_type,info_list,store_no) values(8,'A','7');\n";
    QTest::newRow("confirmation cancelled") << QStringList{"取消"} << true << store7 << "删除或还原数据请慎重";
    QTest::newRow("re-login refused") << QStringList{"确认"} << false << store7 << "删除或还原数据请慎重";
    QTest::newRow("no file chosen") << QStringList{"确认"} << true << "-" << "删除或还原数据请慎重";
    QTest::newRow("numbers cancelled") << QStringList{"确认", "取消"} << true << store7 << "其中 1 行带有其他店号";
    QTest::newRow("0-byte file") << QStringList{"确认", "确认"} << true << "" << "文件中没有可还原的数据";
    QTest::newRow("nothing restorable") << QStringList{"确认", "确认"} << true << "drop table tb_sm_user;\n"
                                        << "文件中没有可还原的数据";
}

void TestBackupWindow::restoreStopsWhenRefused()
{
    QFETCH(QStringList, clicks);
    QFETCH(bool, login);
    QFETCH(QString, file);
    QFETCH(QString, lastBox);
    TempStore store;
    const QString path = store.dir.filePath("chosen.sql");
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(file.toUtf8());
    out.close();
    SeedRows();
    QStringList seen;
    ModalSeam::SetBoxAnswerer([&](QMessageBox &box) {
        seen << box.text();
        const QString click = clicks.value(seen.size() - 1);
        for (QAbstractButton *b : box.buttons())
            if (b->text() == click)
                return b->click();
        box.reject();
    });
    PagesWindow w;
    w.pages->SetBackupFolder(store.dir.path());
    w.pages->SetRelogin([login] { return login; });
    ModalSeam::SetFileAnswerer([&](const QString &, const QString &, const QString &) {
        return file == "-" ? QString() : path;
    });
    w.pages->RestoreDbDate();
    ModalSeam::SetBoxAnswerer({});
    QVERIFY2(seen.last().contains(lastBox), qPrintable(seen.last()));
    QCOMPARE(AllGoods().size(), 2);
    QCOMPARE(AllFinance().size(), 1);
    QVERIFY(QDir(store.dir.path()).entryList({"*before_restore.sql"}).isEmpty());
}

// Another store's file with a damaged line in the middle: the numbers first,
// then a safety copy of this store, every good line, and the bad one listed.
void TestBackupWindow::restoreOfAnotherStoresFile()
{
    TempStore store;
    SeedRows();
    const QString line = "insert into tb_sm_finance_info(tab_type,ie_serial,ie_item,ie_sum,ie_time,ie_client,"
                         "ie_sale,ie_cert,ie_record,ie_remark,store_no) values(4,'%1','','5','%2','','','','','','7');\n";
    const QString path = store.dir.filePath("shop7.sql");
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write((line.arg("a", Today()) + "insert into tb_sm_user(user_phoneno) values('unclosed);\n"
               + line.arg("b", Today())).toUtf8());
    out.close();
    BoxAnswers answers;
    PagesWindow w;
    QStringList status;
    w.pages->SetStatusSink([&](const QString &text) { status << text; });
    w.pages->SetBackupFolder(store.dir.path());
    w.pages->SetRelogin([] { return true; });
    ModalSeam::SetFileAnswerer([&](const QString &, const QString &, const QString &) { return path; });
    w.pages->RestoreDbDate();

    QCOMPARE(answers.seen.size(), 2);
    const QString numbers = answers.seen.at(1);
    for (const char *part : {"tb_sm_finance_info：2 行（本店现有 1 行）", "其中 2 行带有其他店号",
                             "本店现有 3 行将被替换", "1 行无法识别", "_before_restore.sql"})
        QVERIFY2(numbers.contains(QString::fromUtf8(part)), qPrintable(numbers));
    QCOMPARE(AllGoods().size(), 0);
    QCOMPARE(AllFinance().size(), 2);

    const QStringList safety = QDir(store.dir.path()).entryList({"record_*_before_restore.sql"});
    QCOMPARE(safety.size(), 1);
    QVERIFY(numbers.contains(safety.first()));
    QFile kept(store.dir.filePath(safety.first()));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll().count('\n'), 3);

    const QString refused = store.dir.filePath("shop7.sql.refused.txt");
    QVERIFY2(status.last().contains(refused), qPrintable(status.last()));
    QFile list(refused);
    QVERIFY(list.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(list.readAll()).contains("第 2 行："));
}

void TestBackupWindow::unreadableFileKeepsTheRows()
{
    TempStore store;
    SeedRows();
    BoxAnswers answers;
    PagesWindow w;
    w.pages->SetRelogin([] { return true; });
    ModalSeam::SetFileAnswerer([&](const QString &, const QString &, const QString &) {
        return store.dir.filePath("missing.sql");
    });
    w.pages->RestoreDbDate();
    QCOMPARE(answers.seen.size(), 2);
    QVERIFY2(answers.seen.last().contains("还原失败"), qPrintable(answers.seen.last()));
    QCOMPARE(AllGoods().size(), 2);
    QCOMPARE(AllFinance().size(), 1);
}

void TestBackupWindow::unwrittenBackupIsNotReportedAsDone()
{
    TempStore store;
    BoxAnswers answers;
    PagesWindow w;
    const QString folder = store.dir.filePath("gone");
    w.pages->SetBackupFolder(folder);
    QSignalSpy done(w.pages, &LedgerPages::BackupFinished);
    w.pages->SaveDbDate();
    QVERIFY(done.wait(10000));
    QVERIFY(!done.at(0).at(0).toBool());
    QVERIFY(w.saveAction->isEnabled());
    QCOMPARE(answers.seen.size(), 1);
    QVERIFY(!answers.seen.at(0).contains("备份完成"));
    QVERIFY2(answers.seen.at(0).contains(folder + "/record_"), qPrintable(answers.seen.at(0)));
    QVERIFY(answers.seen.at(0).contains("未能写入"));
}

void TestBackupWindow::waitForBackupOnTheWayOut()
{
    TempStore store;
    SeedRows();
    BoxAnswers answers;
    QString path;
    {
        PagesWindow w;
        w.pages->SetBackupFolder(store.dir.path());
        w.pages->SaveDbDate();
        w.pages->SaveDbDate();  // one at a time
        w.pages->WaitForBackup();
        QVERIFY(!w.pages->IsBackingUp());
        const QStringList files = QDir(store.dir.path()).entryList({"record_*.sql"});
        QCOMPARE(files.size(), 1);
        path = store.dir.filePath(files.first());
        QCoreApplication::processEvents();
        // Closing: no box over a window that is going away.
        QVERIFY(answers.seen.isEmpty());
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count('\n'), 3);
}

QTEST_MAIN(TestBackupWindow)
#include "test_backupwindow.moc"
