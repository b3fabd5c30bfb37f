// Two installations of the program sharing one database, each with its own
// store number: two processes of this binary started in "installation" mode,
// each from a working folder of its own with its own InitParam/dBConfig.ini,
// edit, query, back up and restore at the same time. Neither may ever see,
// change or restore the other's rows, nor those of a third store.
#include "storetestsupport.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

#include <cstdio>

namespace {

const int kRounds = 30;

// One installation's work; false (with the reason on stderr) at the first fault.
bool RunInstallation()
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    const QString no = StoreDbAccess::ReadStoreNo();
    const auto fail = [&](const QString &why) {
        std::fprintf(stderr, "installation %s: %s\n", qPrintable(no), qPrintable(why));
        return false;
    };
    if (!DbManager::Instance()->ConnectDb())
        return fail(DbManager::Instance()->connectError());
    store->SetDbManager(DbManager::Instance());
    store->SetStoreNo(no);
    // Each step either succeeds or says why, with what was being done.
    const auto step = [&](const char *what, const Result &done) {
        return done.ok() || fail(QStringLiteral("%1: %2").arg(QLatin1String(what), done.error()));
    };
    if (!step("account",
              store->AddOrUpdateUser(UserRecord{1, 0, QString(), "owner " + no, no, QString(), QString()}))
        || !step("lists", store->SaveInfoList(InfoStore::MasterData, InfoList{8, "Main-" + no})))
        return false;
    GoodsList saved;
    for (int i = 0; i < kRounds; ++i) {
        GoodsRecord g =
            MakeGoods(i % GoodsKind::StoredCount, no + "-g" + QString::number(i), "2024-01-01", "of " + no);
        if (!step("save", store->SaveGoodsRow(g)))
            return false;
        g.num = QString::number(i); // a cell edit saves the whole row again
        if (!step("save again", store->SaveGoodsRow(g))
            || !step("save finance",
                     store->SaveFinanceRow(MakeFinance(i % FinanceKind::StoredCount, g.serial, g.time))))
            return false;
        saved << g;
        // Every tenth round: back up, add a row, restore; the added row goes.
        const QString path = QDir::current().absoluteFilePath(QStringLiteral("record_%1.sql").arg(i));
        if (i % 10 == 9
            && (!step("backup", store->DumpStoreTables(path))
                || !step("extra row", store->SaveGoodsRow(MakeGoods(0, "extra", "2024-01-02")))
                || !store
                        ->RestoreStoreTables(
                            path, RestoreFiles::For(QDir::currentPath(), path, QDateTime::currentDateTime()))
                        .ok))
            return fail("backup and restore");
    }
    // Every row read back is this installation's, as last saved, in entry order.
    GoodsList rows;
    if (!store->QueryGoods(5, -1, QString(), QString(), rows) || rows != saved)
        return fail(QStringLiteral("%1 goods rows read back, the first %2")
                        .arg(rows.size())
                        .arg(rows.value(0).serial));
    return PasswordMatches(store, "owner " + no, no) || fail("login");
}

} // namespace

class TestTwoInstallations : public QObject
{
    Q_OBJECT

private slots:
    void storesStayApartUnderConcurrentWork()
    {
        TempStore db("7x");
        REQUIRE_DB(db);
        const GoodsRecord third = MakeGoods(0, "third", "2024-01-05");
        QVERIFY(db.store()->SaveGoodsRow(third));
        QVERIFY(db.store()->SaveInfoList(InfoStore::MasterData, InfoList{8, QStringLiteral("third")}));

        // "7" and "77": one number a prefix of the other.
        const QStringList numbers{QStringLiteral("7"), QStringLiteral("77")};
        QList<QProcess *> processes;
        for (const QString &no : numbers) {
            const QString folder = db.dir.filePath("installation" + no);
            QVERIFY(db.WriteSettings(folder, no));
            auto *p = new QProcess(this);
            p->setWorkingDirectory(folder);
            p->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--installation")});
            processes << p;
        }
        for (QProcess *p : processes) {
            QVERIFY(p->waitForFinished(240000));
            QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0,
                     p->readAllStandardError().constData());
        }
        for (const QString &no : numbers) {
            const QString where = QStringLiteral("store_no='%1'").arg(no);
            QCOMPARE(db.Count("tb_sm_product_info", where), kRounds);
            QCOMPARE(db.Count("tb_sm_finance_info", where), kRounds);
            QCOMPARE(db.Count("tb_sm_user", where) + db.Count("tb_sm_prestore_info", where), 2);
        }
        QCOMPARE(StoredGoodsOf(), GoodsList{third});
        InfoList list{8, QString()};
        QVERIFY(db.store()->ReadInfoList(InfoStore::MasterData, list));
        QCOMPARE(list.list, QStringLiteral("third"));
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--installation") == 0) {
        const bool ok = RunInstallation();
        DbManager::Instance()->Close();
        return ok ? 0 : 1;
    }
    TestTwoInstallations test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_twoinstallations.moc"
