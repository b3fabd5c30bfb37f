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
    QSignalSpy shown(w.pages, &LedgerPages::TabDataShown);
    w.pages->RestoreDbDate();
    QCOMPARE(answers.seen, QStringList{"删除告警|删除或还原数据请慎重,确认?"});
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
    QTest::addColumn<QString>("click");
    QTest::addColumn<bool>("chooseFile");
    QTest::newRow("confirmation cancelled") << "取消" << true;
    QTest::newRow("no file chosen") << "确认" << false;
}

void TestBackupWindow::restoreStopsWhenRefused()
{
    QFETCH(QString, click);
    QFETCH(bool, chooseFile);
    TempStore store;
    const QString path = store.dir.filePath("empty.sql");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    SeedRows();
    BoxAnswers answers(click);
    PagesWindow w;
    int asked = 0;
    ModalSeam::SetFileAnswerer([&](const QString &, const QString &, const QString &) {
        ++asked;
        return chooseFile ? path : QString();
    });
    w.pages->RestoreDbDate();
    QCOMPARE(asked, click == "确认" ? 1 : 0);
    QCOMPARE(AllGoods().size(), 2);
    QCOMPARE(AllFinance().size(), 1);
}

void TestBackupWindow::unreadableFileKeepsTheRows()
{
    TempStore store;
    SeedRows();
    BoxAnswers answers;
    PagesWindow w;
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
