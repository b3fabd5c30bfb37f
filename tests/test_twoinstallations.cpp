// Two installations of the program sharing one database, each with its own
// store number: two processes of this binary started in "installation" mode,
// each from a working folder of its own with its own InitParam/dBConfig.ini,
// edit, query, back up and restore at the same time. Neither may ever see,
// change or restore the other's rows, nor those of a third store.
#include "storetestsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <cstdio>

namespace {

const int kRounds = 30;   // a multiple of 10: every tenth round deletes a row and restores
const int kGoods = kRounds - kRounds / 10;

class Installation
{
public:
    bool Run()
    {
        if (!DbManager::Instance()->ConnectDb())
            return Fail(QStringLiteral("connect: ") + DbManager::Instance()->connectError());
        m_store->SetDbManager(DbManager::Instance());
        m_no = StoreDbAccess::ReadStoreNo();
        m_store->SetStoreNo(m_no);
        if (!m_store->AddOrUpdateUser(UserRecord{1, 0, QString(), "owner " + m_no, m_no, QString(), QString()})
            || !m_store->SaveInfoList(InfoStore::MasterData, InfoList{8, QStringLiteral("Main-") + m_no}))
            return Fail(QStringLiteral("lists: ") + m_store->lastError());
        for (int i = 0; i < kRounds; ++i) {
            GoodsRecord g = Goods(i);
            g.num = QStringLiteral("1");
            bool ok = m_store->SaveGoodsRow(g);
            g.num = QString::number(i + 1);   // a cell edit saves the whole row again
            ok = ok && m_store->SaveGoodsRow(g)
                 && m_store->SaveFinanceRow(MakeFinance(i % FinanceKind::StoredCount, Serial("f", i), Date(i)));
            if (!ok)
                return Fail(QStringLiteral("save: ") + m_store->lastError());
            // Every tenth round: delete a row, back up, add a row, restore; the
            // added row goes, the deleted one stays deleted.
            if (i % 10 == 9) {
                const QString path = QDir::current().absoluteFilePath(QStringLiteral("record_%1.sql").arg(i));
                if (!m_store->DeleteGoodsRow(Goods(i - 1)) || !m_store->DumpStoreTables(path)
                    || !m_store->SaveGoodsRow(Goods(1000 + i)))
                    return Fail(QStringLiteral("before restore: ") + m_store->lastError());
                const RestoreResult result = m_store->RestoreStoreTables(
                    path, RestoreFiles::For(QDir::currentPath(), path, QDateTime::currentDateTime()));
                if (!result.ok || result.refused != 0)
                    return Fail(QStringLiteral("restore: %1 (%2 refused)").arg(result.error).arg(result.refused));
                if (!CheckQueries(i + 1 - (i + 1) / 10))
                    return false;
            }
        }
        return CheckQueries(kGoods) && m_store->CheckUserPassword("owner " + m_no, m_no);
    }

private:
    QString Serial(const char *kind, int i) const { return QStringLiteral("%1-%2%3").arg(m_no, QLatin1String(kind)).arg(i); }
    static QString Date(int i) { return QDate(2024, 1, 1).addDays(i * 3).toString(QStringLiteral("yyyy-MM-dd")); }
    GoodsRecord Goods(int i) const
    {
        GoodsRecord g = MakeGoods(i % GoodsKind::StoredCount, Serial("g", i), Date(i));
        g.name = QStringLiteral("goods of ") + m_no;
        return g;
    }
    bool Fail(const QString &why)
    {
        std::fprintf(stderr, "installation %s: %s\n", qPrintable(m_no), qPrintable(why));
        return false;
    }

    // Every row read back is this installation's, as last saved, and all of them are there.
    bool CheckQueries(int goodsCount)
    {
        GoodsList goods;
        if (!m_store->QueryGoods(5, -1, QString(), QString(), goods))
            return Fail(QStringLiteral("query: ") + m_store->lastError());
        for (const GoodsRecord &g : goods) {
            if (g.name != QStringLiteral("goods of ") + m_no
                || g.num != QString::number(g.serial.mid(m_no.size() + 2).toInt() + 1))
                return Fail(QStringLiteral("goods row %1 reads back as %2 %3").arg(g.serial, g.name, g.num));
        }
        return goods.size() == goodsCount
            || Fail(QStringLiteral("%1 goods rows, expected %2").arg(goods.size()).arg(goodsCount));
    }

    StoreDbAccess *m_store = StoreDbAccess::Instance();
    QString m_no;
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
    const GoodsRecord third = MakeGoods(0, QStringLiteral("third"), QStringLiteral("2024-01-05"));
    QVERIFY(db.store()->SaveGoodsRow(third));
    QVERIFY(db.store()->SaveInfoList(InfoStore::MasterData, InfoList{8, QStringLiteral("third")}));

    // "7" and "77": one number a prefix of the other.
    const QStringList numbers{QStringLiteral("7"), QStringLiteral("77")};
    QList<QProcess *> processes;
    for (const QString &no : numbers) {
        const QString folder = db.dir.filePath(QStringLiteral("installation") + no);
        QVERIFY(db.WriteSettings(folder, no));
        auto *p = new QProcess(this);
        p->setWorkingDirectory(folder);
        p->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--installation")});
        processes << p;
    }
    for (QProcess *p : processes) {
        QVERIFY(p->waitForFinished(240000));
        QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0, p->readAllStandardError().constData());
    }
    for (const QString &no : numbers) {
        const QString where = QStringLiteral("store_no='%1'").arg(no);
        QCOMPARE(db.Count(QStringLiteral("tb_sm_product_info"), where), kGoods);
        QCOMPARE(db.Count(QStringLiteral("tb_sm_finance_info"), where), kRounds);
        QCOMPARE(db.Count(QStringLiteral("tb_sm_user"), where), 1);
        QCOMPARE(db.Count(QStringLiteral("tb_sm_prestore_info"), where), 1);
    }
    QCOMPARE(StoredGoodsOf(), GoodsList{third});
    InfoList list{8, QString()};
    QVERIFY(db.store()->ReadInfoList(InfoStore::MasterData, list));
    QCOMPARE(list.list, QStringLiteral("third"));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--installation") == 0) {
        const bool ok = Installation().Run();
        DbManager::Instance()->Close();
        return ok ? 0 : 1;
    }
    TestTwoInstallations test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_twoinstallations.moc"
