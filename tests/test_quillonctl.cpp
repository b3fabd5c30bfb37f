// quillonctl run as a user would: a working folder whose settings name the
// test database, the executable started with QProcess.
#include "storetestsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

struct CtlRun
{
    int code = -1;
    QString out, err;
};

CtlRun Ctl(const TempStore &db, const QStringList &args)
{
    QProcess p;
    p.start(qEnvironmentVariable("QUILLON_BINARY_DIR") + "/quillonctl",
            QStringList{"--dir", db.dir.path()} + args);
    const bool ran = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit;
    return {ran ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// Success is exit code 0 and nothing on stderr, where a scheduled run reports
// failures (a server's notices included).
#define CTL_OK(run)                                                                                          \
    do {                                                                                                     \
        const CtlRun once = (run);                                                                           \
        QVERIFY2(once.code == 0 && once.err.isEmpty(), qPrintable(once.err));                                \
    } while (false)

// A purchase of 10 and a sale of 4 pieces at 5, two receipts and a payment, a warehouse.
void Fill(StoreDbAccess *store)
{
    GoodsRecord row = MakeGoods(GoodsKind::PurchaseIn, "s1", "2024-05-01", "A");
    for (const auto &g :
         {std::make_pair(GoodsKind::PurchaseIn, "10"), std::make_pair(GoodsKind::Sale, "4")}) {
        row.tabType = g.first;
        row.num = QLatin1String(g.second);
        row.price = "5";
        row.total = "50";
        QVERIFY(store->SaveGoodsRow(row));
        row.serial = "s2";
        row.time = "2024-06-01";
    }
    const struct
    {
        int kind;
        const char *serial, *time, *sum;
    } finance[] = {{FinanceKind::Income, "f1", "2024-05-02", "100"},
                   {FinanceKind::Income, "f2", "2024-05-03", "50.5"},
                   {FinanceKind::PurchasePayments, "f3", "2024-05-04", "30"}};
    for (const auto &f : finance) {
        FinanceRecord r = MakeFinance(f.kind, f.serial, f.time);
        r.sum = QLatin1String(f.sum);
        QVERIFY(store->SaveFinanceRow(r));
    }
    QVERIFY(
        store->SaveInfoList(InfoStore::MasterData, InfoList{8, QStringLiteral("Main-Addr-1-2-3-Bob-555")}));
}

} // namespace

class TestQuillonCtl : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_db.reset(new TempStore);
        REQUIRE_DB(*m_db);
        QVERIFY(m_db->WriteSettings(m_db->dir.path(), "1"));
        Fill(m_db->store());
    }
    void cleanup() { m_db.reset(); }

    void backupRestoreRoundTrip()
    {
        const GoodsList goods = StoredGoodsOf();
        const QString file = m_db->dir.filePath("nightly.sql");
        const CtlRun backup = Ctl(*m_db, {QStringLiteral("backup"), file});
        CTL_OK(backup);
        QVERIFY2(backup.out.contains(file) && backup.out.contains("(6 行)"), qPrintable(backup.out));

        QVERIFY(m_db->store()->DeleteGoodsKind(GoodsKind::Sale));
        QVERIFY(m_db->store()->SaveGoodsRow(MakeGoods(GoodsKind::Loss, "later", "2024-07-01")));
        QFile script(file); // a line of no use to a restore is named with its number
        QVERIFY(script.open(QIODevice::Append) && script.write("drop table tb_sm_user;\n") > 0);
        script.close();

        // Without --yes only the numbers.
        const CtlRun preview = Ctl(*m_db, {QStringLiteral("restore"), file});
        CTL_OK(preview);
        QVERIFY2(
            preview.out.contains("tb_sm_product_info: 文件中 2 行 (其中 0 行带其他店号)，替换本店现有 2 行")
                && preview.out.contains("拒绝 第7行"),
            qPrintable(preview.out));
        QCOMPARE(SerialsOf(StoredGoodsOf()).join(' '), QStringLiteral("later s1"));

        const CtlRun restore = Ctl(*m_db, {QStringLiteral("restore"), file, QStringLiteral("--yes")});
        CTL_OK(restore);
        QVERIFY2(restore.out.contains("还原 6 行，拒绝 1 行"), qPrintable(restore.out));
        const QStringList safety =
            QDir(m_db->dir.filePath("DbDateSave")).entryList({"record_*_before_restore.sql"});
        QVERIFY(safety.size() == 1 && restore.out.contains(safety.first()));
        // At once again: a second safety file, the first one kept.
        CTL_OK(Ctl(*m_db, {QStringLiteral("restore"), file, QStringLiteral("--yes")}));
        QCOMPARE(QDir(m_db->dir.filePath("DbDateSave")).entryList({"record_*_before_restore.sql"}).size(), 2);
        QVERIFY(QFile::exists(m_db->dir.filePath("DbDateSave/nightly.sql.refused.txt")));
        QCOMPARE(StoredGoodsOf(), goods);
        QCOMPARE(m_db->Count("tb_sm_finance_info"), 3);
    }

    // Failing commands say why on one line, exit 1 (failed) or 2 (misused), and change nothing.
    void refusedCommandsChangeNothing_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("foreign file") << "restore foreign.sql --yes" << 1;
        QTest::newRow("missing file") << "restore none.sql --yes" << 1;
        QTest::newRow("missing workbook") << "import tab_income none.xlsx" << 1;
        QTest::newRow("bad date") << "report profit --from 2024-02-30" << 1;
        QTest::newRow("no command") << "" << 2;
        QTest::newRow("restore without file") << "restore" << 2;
        QTest::newRow("unknown option") << "check --force" << 2;
        QTest::newRow("computed page import") << "import tab_storeCurr foreign.sql" << 2;
    }
    void refusedCommandsChangeNothing()
    {
        QFETCH(QString, args);
        QFile foreign(m_db->dir.filePath("foreign.sql"));
        QVERIFY(foreign.open(QIODevice::WriteOnly) && foreign.write("delete from tb_sm_product_info;\n") > 0);
        foreign.close();
        const GoodsList goods = StoredGoodsOf();
        const CtlRun run = Ctl(*m_db,
                               args.replace(QRegularExpression("(\\S+\\.\\w+)"), m_db->dir.path() + "/\\1")
                                   .split(' ', Qt::SkipEmptyParts));
        QTEST(run.code, "code");
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.count('\n') == 1 && run.err.startsWith("quillonctl: "), qPrintable(run.err));
        QCOMPARE(StoredGoodsOf(), goods);
        QCOMPARE(m_db->Count("tb_sm_finance_info"), 3);
    }

    void importExportRoundTrip()
    {
        const FinanceList income = StoredFinanceOf(FinanceKind::Income);
        const QString book = m_db->dir.filePath("income.xlsx");
        // The period holds the first of the two receipts only.
        CTL_OK(Ctl(*m_db, {"export", "tab_income", book, "--from", "2024-05-01", "--to", "2024-05-02"}));
        QVERIFY(m_db->store()->DeleteFinanceKind(FinanceKind::Income));
        const CtlRun in = Ctl(*m_db, {QStringLiteral("import"), "tab_income", book});
        CTL_OK(in);
        QVERIFY2(in.out.contains("导入1行"), qPrintable(in.out));
        QCOMPARE(StoredFinanceOf(FinanceKind::Income), FinanceList{income.first()});

        const QString lists = m_db->dir.filePath("store.xls");
        CTL_OK(Ctl(*m_db, {QStringLiteral("export"), "仓库信息", lists}));
        CTL_OK(Ctl(*m_db, {QStringLiteral("import"), "tableWidgetStore", lists}));
        InfoList store{8, QString()};
        QVERIFY(m_db->store()->ReadInfoList(InfoStore::MasterData, store));
        QCOMPARE(store.list, QStringLiteral("Main-Addr-1-2-3-Bob-555;Main-Addr-1-2-3-Bob-555"));
    }

    void reportsOfKnownRows()
    {
        const CtlRun check = Ctl(*m_db, {QStringLiteral("check")});
        CTL_OK(check);
        QVERIFY2(check.out.contains("tb_sm_product_info: 2\n") && check.out.endsWith("ok\n"),
                 qPrintable(check.out));
        // Before the sale the stock is the purchase: the date limits the report.
        QCOMPARE(
            Ctl(*m_db, {"report", "stock", "--to", "2024-05-31"}).out.section('\n', 1, 1).section(',', 9, 11),
            QStringLiteral("10,5,50"));
        // The sale of 4 at the purchase's 5 a piece; 6 left at 5; no minimums; no chain.
        QCOMPARE(Ctl(*m_db, {"report", "margin"}).out.section('\n', 1, 2),
                 QStringLiteral("v2,A,v4,4,50,20,30,60,0,0,\n,合计,,4,50,20,30,60,0,0,"));
        QCOMPARE(Ctl(*m_db, {"report", "value", "--to", "2024-12-31"}).out.section('\n', 1, 1),
                 QStringLiteral("A,v4,v2,6,5,30"));
        QCOMPARE(Ctl(*m_db, {"report", "alerts"}).out.count('\n'), 1);
        const CtlRun stores = Ctl(*m_db, {"report", "stores"});
        QVERIFY2(stores.code == 1 && stores.err.contains("[Chain] Stores"), qPrintable(stores.err));
    }

    // A damaged file: nothing is written into it, a backup keeps what can be
    // read, a restore keeps the damaged file and brings the store back.
    void damagedDatabase()
    {
        if (m_db->Pg())
            QSKIP("damage on disk is a SQLite file's");
        GoodsRecord row = MakeGoods(GoodsKind::Loss, "r", "2024-01-01");
        row.remark = QString(600, QLatin1Char('z'));
        for (int i = 0; i < 300; ++i) {
            row.serial = QStringLiteral("r%1").arg(i, 4, 10, QLatin1Char('0'));
            QVERIFY(m_db->store()->SaveGoodsRow(row));
        }
        const QString good = m_db->dir.filePath("good.sql"), book = m_db->dir.filePath("income.xlsx");
        CTL_OK(Ctl(*m_db, {"backup", good}));
        CTL_OK(Ctl(*m_db, {"export", "tab_income", book}));
        m_db->manager()->Close();
        QFile file(m_db->settings.file);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.size() > 40 * 4096);
        QVERIFY(file.seek(file.size() / 4096 / 2 * 4096) && file.write(QByteArray(4096, '\x5a')) == 4096);
        file.close();

        const QString partial = m_db->dir.filePath("partial.sql");
        const struct
        {
            QStringList args;
            const char *says;
        } refused[] = {{{"check"}, "数据库文件已损坏"},
                       {{"import", "tab_income", book}, "数据库文件已损坏，未保存："},
                       {{"backup", partial}, "无法读取的表: tb_sm_product_info"}};
        for (const auto &r : refused) {
            const CtlRun run = Ctl(*m_db, r.args);
            QVERIFY2(run.code == 1 && run.err.count('\n') == 1 && run.err.contains(QString::fromUtf8(r.says)),
                     qPrintable(r.args.join(' ') + ": " + run.err));
        }
        QVERIFY(QFileInfo(partial).size() > 0);
        const CtlRun restore = Ctl(*m_db, {"restore", good, "--yes"});
        CTL_OK(restore);
        QVERIFY2(restore.out.contains("损坏的数据库文件保留为 " + m_db->settings.file + ".damaged-"),
                 qPrintable(restore.out));
        CTL_OK(Ctl(*m_db, {"check"}));
        QVERIFY(m_db->manager()->ConnectDb(m_db->settings));
        QCOMPARE(m_db->Count("tb_sm_product_info"), 302);
    }

private:
    QScopedPointer<TempStore> m_db;
};

QTEST_GUILESS_MAIN(TestQuillonCtl)
#include "test_quillonctl.moc"
