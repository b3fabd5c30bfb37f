// Two installations of the program sharing one database, each with its own
// store number: two processes of this binary started in "installation" mode,
// each from a working folder of its own with its own InitParam/dBConfig.ini,
// edit, query, back up and restore at the same time. Neither may ever see,
// change or restore the other's rows, nor those of a third store.
#include "db/numbertext.h"
#include "storetestsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <cstdio>

namespace {

const int kRounds = 60;   // a multiple of 10: every tenth round deletes a row and restores

// Rows each installation holds at the end.
int ExpectedGoods() { return kRounds - kRounds / 10; }
int ExpectedFinance() { return kRounds; }

// ---- one installation -------------------------------------------------------

class Installation
{
public:
    bool Run()
    {
        if (!DbManager::Instance()->ConnectDb())
            return Fail(QStringLiteral("connect: ") + DbManager::Instance()->connectError());
        m_store = StoreDbAccess::Instance();
        m_store->SetDbManager(DbManager::Instance());
        m_no = StoreDbAccess::ReadStoreNo();
        m_store->SetStoreNo(m_no);

        UserRecord user;
        user.phone = m_no;
        user.name = QStringLiteral("owner ") + m_no;
        user.password = QStringLiteral("pw ") + m_no;
        user.userType = 1;
        if (!m_store->AddOrUpdateUser(user)
            || !m_store->SaveInfoList(InfoStore::MasterData, InfoList{8, QStringLiteral("Main-") + m_no})
            || !m_store->SaveInfoList(InfoStore::People, InfoList{2, QStringLiteral("client-") + m_no}))
            return Fail(QStringLiteral("lists: ") + m_store->lastError());

        for (int i = 0; i < kRounds; ++i) {
            GoodsRecord g = Goods(i);
            if (!m_store->SaveGoodsRow(g))
                return Fail(QStringLiteral("save goods: ") + m_store->lastError());
            g.num = QString::number(i + 1);   // a cell edit saves the whole row again
            g.total = NumberText::ToText((i + 1) * 2.5);
            if (!m_store->SaveGoodsRow(g))
                return Fail(QStringLiteral("edit goods: ") + m_store->lastError());
            FinanceRecord f;
            f.tabType = i % FinanceKind::StoredCount;
            f.serial = Serial(QStringLiteral("f"), i);
            f.item = m_no;
            f.sum = QString::number(i);
            f.time = Date(i);
            if (!m_store->SaveFinanceRow(f))
                return Fail(QStringLiteral("save finance: ") + m_store->lastError());
            ++m_finance;
            ++m_goods;

            if (i % 5 == 4 && !CheckQueries())
                return false;
            if (i % 10 == 9 && !BackupAndRestore(i))
                return false;
        }
        if (!CheckQueries())
            return false;
        if (!m_store->CheckUserPassword(QStringLiteral("owner ") + m_no, QStringLiteral("pw ") + m_no))
            return Fail(QStringLiteral("own account lost"));
        std::printf("goods=%d finance=%d\n", m_goods, m_finance);
        return true;
    }

private:
    QString Serial(const QString &kind, int i) const
    {
        return QStringLiteral("%1-%2%3").arg(m_no, kind).arg(i);
    }
    static QString Date(int i)
    {
        return QDate(2024, 1, 1).addDays(i * 3).toString(QStringLiteral("yyyy-MM-dd"));
    }
    GoodsRecord Goods(int i) const
    {
        GoodsRecord g;
        g.tabType = i % GoodsKind::StoredCount;
        g.serial = Serial(QStringLiteral("g"), i);
        g.name = QStringLiteral("goods of ") + m_no;
        g.model = QStringLiteral("M%1").arg(i % 3);
        g.time = Date(i);
        g.num = QStringLiteral("1");
        g.price = QStringLiteral("2.5");
        return g;
    }

    bool Fail(const QString &why)
    {
        std::fprintf(stderr, "installation %s: %s\n", qPrintable(m_no), qPrintable(why));
        return false;
    }

    // Every row read back is this installation's, and all of them are there.
    bool CheckQueries()
    {
        GoodsList goods;
        FinanceList finance;
        if (!m_store->QueryGoods(5, -1, QString(), QString(), goods)
            || !m_store->QueryFinance(5, -1, QString(), QString(), finance))
            return Fail(QStringLiteral("query: ") + m_store->lastError());
        for (const GoodsRecord &g : goods) {
            if (!g.serial.startsWith(m_no + QLatin1Char('-')) || g.name != QStringLiteral("goods of ") + m_no)
                return Fail(QStringLiteral("foreign goods row ") + g.serial);
            const int i = g.serial.mid(m_no.size() + 2).toInt();
            if (g.num != QString::number(i + 1) || g.time != Date(i))
                return Fail(QStringLiteral("goods row %1 reads back as %2 %3").arg(g.serial, g.num, g.time));
        }
        for (const FinanceRecord &f : finance)
            if (f.item != m_no)
                return Fail(QStringLiteral("foreign finance row ") + f.serial);
        if (goods.size() != m_goods || finance.size() != m_finance)
            return Fail(QStringLiteral("counts %1/%2, expected %3/%4")
                            .arg(goods.size()).arg(finance.size()).arg(m_goods).arg(m_finance));
        GoodsList month;
        if (!m_store->QueryGoods(2, -1, QString(), QStringLiteral("2024-02-15"), month))
            return Fail(QStringLiteral("month query: ") + m_store->lastError());
        for (const GoodsRecord &g : month)
            if (!g.time.startsWith(QLatin1String("2024-02")) || !g.serial.startsWith(m_no + QLatin1Char('-')))
                return Fail(QStringLiteral("month query row ") + g.serial);
        return true;
    }

    // Deletes one row, backs up, adds a row, restores: the added row goes, the
    // deleted one stays deleted.
    bool BackupAndRestore(int i)
    {
        if (!m_store->DeleteGoodsRow(Goods(i - 1)))
            return Fail(QStringLiteral("delete: ") + m_store->lastError());
        --m_goods;
        const QString path = QDir::current().absoluteFilePath(QStringLiteral("record_%1.sql").arg(i));
        if (!m_store->DumpStoreTables(path))
            return Fail(QStringLiteral("backup: ") + m_store->lastError());
        if (!m_store->SaveGoodsRow(Goods(1000 + i)))
            return Fail(QStringLiteral("save before restore: ") + m_store->lastError());
        const RestoreResult result = m_store->RestoreStoreTables(
            path, RestoreFiles::For(QDir::currentPath(), path, QDateTime::currentDateTime()));
        if (!result.ok || result.refused != 0)
            return Fail(QStringLiteral("restore: %1 (%2 refused)").arg(result.error).arg(result.refused));
        if (result.restored != m_goods + m_finance + 3)
            return Fail(QStringLiteral("restored %1 rows").arg(result.restored));
        return CheckQueries();
    }

    StoreDbAccess *m_store = nullptr;
    QString m_no;
    int m_goods = 0;
    int m_finance = 0;
};

} // namespace

class TestTwoInstallations : public QObject
{
    Q_OBJECT

private slots:
    void storesStayApartUnderConcurrentWork();
};

void TestTwoInstallations::storesStayApartUnderConcurrentWork()
{
    TempStore db(QStringLiteral("7x"));
    REQUIRE_DB(db);
    // A third store that both installations must leave alone.
    QVERIFY(db.store()->SaveGoodsRow(MakeGoods(0, QStringLiteral("third"), QStringLiteral("2024-01-05"))));
    QVERIFY(db.store()->SaveFinanceRow(MakeFinance(0, QStringLiteral("third"), QStringLiteral("2024-01-05"))));
    QVERIFY(db.store()->SaveInfoList(InfoStore::MasterData, InfoList{8, QStringLiteral("third")}));

    // "7" and "77": one number a prefix of the other.
    const QStringList numbers{QStringLiteral("7"), QStringLiteral("77")};
    QList<QProcess *> processes;
    for (const QString &no : numbers) {
        const QString folder = db.dir.filePath(QStringLiteral("installation") + no);
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/InitParam")));
        QFile ini(folder + QStringLiteral("/InitParam/dBConfig.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        QString text = QStringLiteral("[StoreNo]\nNo=%1\n[Database]\nDriver=%2\n").arg(no, db.settings.driver);
        if (db.Pg())
            text += QStringLiteral("Server=%1\nPort=%2\nName=%3\nUser=%4\nPassword=%5\nSchema=%6\n")
                        .arg(db.settings.server).arg(db.settings.port)
                        .arg(db.settings.name, db.settings.user, db.settings.password, db.settings.schema);
        else
            text += QStringLiteral("File=%1\n").arg(db.settings.file);
        ini.write(text.toUtf8());
        ini.close();

        auto *p = new QProcess(this);
        p->setWorkingDirectory(folder);
        p->setProgram(QCoreApplication::applicationFilePath());
        p->setArguments({QStringLiteral("--installation")});
        processes << p;
    }
    QElapsedTimer timer;
    timer.start();
    for (QProcess *p : processes)
        p->start();
    for (int i = 0; i < processes.size(); ++i) {
        QProcess *p = processes.at(i);
        QVERIFY(p->waitForFinished(240000));
        const QByteArray out = p->readAllStandardOutput();
        const QByteArray err = p->readAllStandardError();
        QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0, err.constData());
        QCOMPARE(out.trimmed(), QStringLiteral("goods=%1 finance=%2").arg(ExpectedGoods()).arg(ExpectedFinance()).toUtf8());
    }
    qDebug("two installations, %d rounds each: %lld ms", kRounds, timer.elapsed());

    for (const QString &no : numbers) {
        const QString where = QStringLiteral("store_no='%1'").arg(no);
        QCOMPARE(db.Count(QStringLiteral("tb_sm_product_info"), where), ExpectedGoods());
        QCOMPARE(db.Count(QStringLiteral("tb_sm_finance_info"), where), ExpectedFinance());
        QCOMPARE(db.Count(QStringLiteral("tb_sm_user"), where), 1);
        QCOMPARE(db.Count(QStringLiteral("tb_sm_prestore_info"), where), 1);
        QCOMPARE(db.Count(QStringLiteral("tb_sm_person_info"), where), 1);
        QCOMPARE(db.Count(QStringLiteral("tb_sm_product_info"),
                          where + QStringLiteral(" and product_name <> 'goods of %1'").arg(no)), 0);
    }
    QCOMPARE(db.Count(QStringLiteral("tb_sm_product_info")), 2 * ExpectedGoods() + 1);
    QCOMPARE(db.Count(QStringLiteral("tb_sm_finance_info")), 2 * ExpectedFinance() + 1);
    GoodsList third;
    QVERIFY(db.store()->QueryGoods(5, -1, QString(), QString(), third));
    QCOMPARE(third, GoodsList{MakeGoods(0, QStringLiteral("third"), QStringLiteral("2024-01-05"))});
    InfoList list{8, QString()};
    QVERIFY(db.store()->ReadInfoList(InfoStore::MasterData, list));
    QCOMPARE(list.list, QStringLiteral("third"));
}

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--installation") == 0) {
        QCoreApplication app(argc, argv);
        Installation installation;
        const bool ok = installation.Run();
        DbManager::Instance()->Close();
        return ok ? 0 : 1;
    }
    QCoreApplication app(argc, argv);
    TestTwoInstallations test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_twoinstallations.moc"
