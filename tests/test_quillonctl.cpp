// quillonctl run as a user would: a working folder whose settings name the
// test database, the executable started with QProcess.
#include "exchange/ledgerexchange.h"
#include "storetestsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

namespace {

struct CtlRun
{
    int code = -1;
    QString out;
    QString err;
};

// A working folder for the TempStore's database, store number 1.
bool WriteSettings(const TempStore &db)
{
    QDir(db.dir.path()).mkpath(QStringLiteral("InitParam"));
    QFile ini(db.dir.filePath(QStringLiteral("InitParam/dBConfig.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    const DbSettings &s = db.settings;
    QString text = QStringLiteral("[StoreNo]\nNo=1\n[Database]\nDriver=%1\n").arg(s.driver);
    if (TempStore::Pg())
        text += QStringLiteral("Server=%1\nPort=%2\nName=%3\nUser=%4\nPassword=%5\nSchema=%6\n")
                    .arg(s.server).arg(s.port).arg(s.name, s.user, s.password, s.schema);
    else
        text += QStringLiteral("File=%1\n").arg(s.file);
    return ini.write(text.toUtf8()) == text.toUtf8().size();
}

CtlRun Ctl(const TempStore &db, const QStringList &args)
{
    QProcess p;
    p.setProgram(qEnvironmentVariable("QUILLON_BINARY_DIR") + QStringLiteral("/quillonctl"));
    p.setArguments(QStringList{QStringLiteral("--dir"), db.dir.path()} + args);
    p.start();
    CtlRun run;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return run;
    run.code = p.exitCode();
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

#define REQUIRE_CTL_DB(db)                                                                     \
    REQUIRE_DB(db);                                                                            \
    QVERIFY(WriteSettings(db))

void Fill(StoreDbAccess *store)
{
    GoodsRecord in = MakeGoods(GoodsKind::PurchaseIn, QStringLiteral("s1"), QStringLiteral("2024-05-01"), QStringLiteral("A"));
    in.color = QStringLiteral("red");
    in.store = QStringLiteral("W1");
    in.num = QStringLiteral("10");
    in.price = QStringLiteral("5");
    in.total = QStringLiteral("50");
    in.remark.clear();
    GoodsRecord sale = in;
    sale.tabType = GoodsKind::Sale;
    sale.serial = QStringLiteral("s2");
    sale.time = QStringLiteral("2024-06-01");
    sale.num = QStringLiteral("4");
    QVERIFY(store->SaveGoodsRow(in) && store->SaveGoodsRow(sale));
    FinanceRecord income = MakeFinance(FinanceKind::Income, QStringLiteral("f1"), QStringLiteral("2024-05-02"));
    income.sum = QStringLiteral("100");
    FinanceRecord more = MakeFinance(FinanceKind::Income, QStringLiteral("f2"), QStringLiteral("2024-05-03"));
    more.sum = QStringLiteral("50.5");
    FinanceRecord paid = MakeFinance(FinanceKind::PurchasePayments, QStringLiteral("f3"), QStringLiteral("2024-05-04"));
    paid.sum = QStringLiteral("30");
    QVERIFY(store->SaveFinanceRow(income) && store->SaveFinanceRow(more) && store->SaveFinanceRow(paid));
    QVERIFY(store->SaveInfoList(InfoStore::MasterData, InfoList{8, QStringLiteral("Main-Addr-1-2-3-Bob-555")}));
}

int RowsOf(const QString &table)
{
    return TempStore::Count(table, QStringLiteral("store_no='1'"));
}

} // namespace

class TestQuillonCtl : public QObject
{
    Q_OBJECT

private slots:
    void backupRestoreRoundTrip()
    {
        TempStore db;
        REQUIRE_CTL_DB(db);
        Fill(db.store());
        const GoodsList goods = StoredGoodsOf();
        const QString file = db.dir.filePath(QStringLiteral("nightly.sql"));

        const CtlRun backup = Ctl(db, {QStringLiteral("backup"), file});
        QCOMPARE(backup.code, 0);
        QVERIFY2(backup.out.contains(file) && backup.out.contains(QStringLiteral("(6 行)")), qPrintable(backup.out));

        QVERIFY(db.store()->DeleteGoodsKind(GoodsKind::Sale));
        QVERIFY(db.store()->SaveGoodsRow(MakeGoods(GoodsKind::Loss, QStringLiteral("later"), QStringLiteral("2024-07-01"))));
        // A line of no use to a restore is named with its line number.
        QFile script(file);
        QVERIFY(script.open(QIODevice::Append));
        script.write("drop table tb_sm_user;\n");
        script.close();

        const CtlRun preview = Ctl(db, {QStringLiteral("restore"), file});
        QCOMPARE(preview.code, 0);
        QVERIFY2(preview.out.contains(QStringLiteral("tb_sm_product_info: 文件中 2 行 (其中 0 行带其他店号)，替换本店现有 2 行"))
                     && preview.out.contains(QStringLiteral("拒绝 第7行")), qPrintable(preview.out));
        QCOMPARE(SerialsOf(StoredGoodsOf()), (QStringList{QStringLiteral("later"), QStringLiteral("s1")}));

        const CtlRun restore = Ctl(db, {QStringLiteral("restore"), file, QStringLiteral("--yes")});
        QCOMPARE(restore.code, 0);
        QVERIFY2(restore.out.contains(QStringLiteral("还原 6 行，拒绝 1 行")), qPrintable(restore.out));
        // The window's safety net: the store as it was, and the refused line listed.
        const QStringList safety = QDir(db.dir.filePath(QStringLiteral("DbDateSave")))
                                       .entryList({QStringLiteral("record_*_before_restore.sql")});
        QCOMPARE(safety.size(), 1);
        QVERIFY2(restore.out.contains(safety.first()), qPrintable(restore.out));
        QVERIFY(QFile::exists(db.dir.filePath(QStringLiteral("DbDateSave/nightly.sql.refused.txt"))));
        QCOMPARE(StoredGoodsOf(), goods);
        QCOMPARE(RowsOf(QStringLiteral("tb_sm_finance_info")), 3);
    }

    // Failing commands say why on one line and change nothing.
    void refusedCommandsChangeNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("foreign file") << QStringList{QStringLiteral("restore"), QStringLiteral("foreign.sql"), QStringLiteral("--yes")} << 1;
        QTest::newRow("missing file") << QStringList{QStringLiteral("restore"), QStringLiteral("none.sql"), QStringLiteral("--yes")} << 1;
        QTest::newRow("missing workbook") << QStringList{QStringLiteral("import"), QStringLiteral("tab_income"), QStringLiteral("none.xlsx")} << 1;
        QTest::newRow("bad date") << QStringList{QStringLiteral("report"), QStringLiteral("profit"), QStringLiteral("--from"), QStringLiteral("2024-02-30")} << 1;
        QTest::newRow("no command") << QStringList{} << 2;
        QTest::newRow("unknown command") << QStringList{QStringLiteral("frobnicate")} << 2;
        QTest::newRow("restore without file") << QStringList{QStringLiteral("restore")} << 2;
        QTest::newRow("unknown option") << QStringList{QStringLiteral("check"), QStringLiteral("--force")} << 2;
        QTest::newRow("unknown page") << QStringList{QStringLiteral("export"), QStringLiteral("tab_nothing"), QStringLiteral("x.xlsx")} << 2;
        QTest::newRow("computed page import") << QStringList{QStringLiteral("import"), QStringLiteral("tab_storeCurr"), QStringLiteral("foreign.sql")} << 2;
        QTest::newRow("unknown report") << QStringList{QStringLiteral("report"), QStringLiteral("weekly")} << 2;
    }
    void refusedCommandsChangeNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        TempStore db;
        REQUIRE_CTL_DB(db);
        Fill(db.store());
        QFile foreign(db.dir.filePath(QStringLiteral("foreign.sql")));
        QVERIFY(foreign.open(QIODevice::WriteOnly));
        foreign.write("delete from tb_sm_product_info;\n");
        foreign.close();
        for (QString &a : args) {
            if (a.contains(QLatin1Char('.')))
                a = db.dir.filePath(a);
        }
        const GoodsList goods = StoredGoodsOf();

        const CtlRun run = Ctl(db, args);
        QCOMPARE(run.code, code);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.count(QLatin1Char('\n')) == 1 && run.err.startsWith(QStringLiteral("quillonctl: ")),
                 qPrintable(run.err));
        QCOMPARE(StoredGoodsOf(), goods);
        QCOMPARE(RowsOf(QStringLiteral("tb_sm_finance_info")), 3);
    }

    void importExportRoundTrip()
    {
        TempStore db;
        REQUIRE_CTL_DB(db);
        Fill(db.store());
        const FinanceList income = StoredFinanceOf(FinanceKind::Income);
        const QString book = db.dir.filePath(QStringLiteral("income.xlsx"));

        // The period holds the first of the two receipts only.
        const CtlRun out = Ctl(db, {QStringLiteral("export"), QStringLiteral("tab_income"), book,
                                    QStringLiteral("--from"), QStringLiteral("2024-05-01"),
                                    QStringLiteral("--to"), QStringLiteral("2024-05-02")});
        QCOMPARE(out.code, 0);
        QVERIFY(db.store()->DeleteFinanceKind(FinanceKind::Income));
        const CtlRun in = Ctl(db, {QStringLiteral("import"), QStringLiteral("tab_income"), book});
        QCOMPARE(in.code, 0);
        QVERIFY2(in.out.contains(QStringLiteral("导入1行")), qPrintable(in.out));
        QCOMPARE(StoredFinanceOf(FinanceKind::Income), FinanceList{income.first()});

        // The same period as the page's PDF, its text searchable.
        const QString pdf = db.dir.filePath(QStringLiteral("income.pdf"));
        QCOMPARE(Ctl(db, {QStringLiteral("export"), QStringLiteral("tab_income"), pdf, QStringLiteral("--from"),
                          QStringLiteral("2024-05-01"), QStringLiteral("--to"), QStringLiteral("2024-05-02")}).code, 0);
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QString shown = QString::fromUtf8(text.readAllStandardOutput());
        for (const QString &wanted : {LedgerExchange::PageTitle(QStringLiteral("tab_income")), income.first().text(0),
                                      income.first().text(2), QStringLiteral("第 1 页，共 1 页")})
            QVERIFY2(shown.contains(wanted), qPrintable(wanted + QLatin1Char('|') + shown));
        QVERIFY(!shown.contains(income.last().text(0)));

        const QString lists = db.dir.filePath(QStringLiteral("store.xls"));
        QCOMPARE(Ctl(db, {QStringLiteral("export"), QStringLiteral("仓库信息"), lists}).code, 0);
        QCOMPARE(Ctl(db, {QStringLiteral("import"), QStringLiteral("tableWidgetStore"), lists}).code, 0);
        InfoList store{8, QString()};
        QVERIFY(db.store()->ReadInfoList(InfoStore::MasterData, store));
        QCOMPARE(store.list, QStringLiteral("Main-Addr-1-2-3-Bob-555;Main-Addr-1-2-3-Bob-555"));
    }

    void reportsOfKnownRows()
    {
        TempStore db;
        REQUIRE_CTL_DB(db);
        Fill(db.store());

        const CtlRun check = Ctl(db, {QStringLiteral("check")});
        QCOMPARE(check.code, 0);
        QVERIFY2(check.out.contains(QStringLiteral("tb_sm_product_info: 2\n")) && check.out.endsWith(QStringLiteral("ok\n")),
                 qPrintable(check.out));

        const QStringList profit = Ctl(db, {QStringLiteral("report"), QStringLiteral("profit")}).out.split(QLatin1Char('\n'));
        QCOMPARE(profit.value(0), QStringLiteral("录入时间,款项,总计(元）,--,--,--,--,--,备注"));
        QCOMPARE(profit.value(1), QStringLiteral("0,收款总额,150.5,0,0,0,0,0,0"));
        QCOMPARE(profit.value(8), QStringLiteral("0,经营利润,120.5,0,0,0,0,0,0"));

        // Before the sale the stock is the purchase; with it, 6 pieces worth 30.
        const QStringList before = Ctl(db, {QStringLiteral("report"), QStringLiteral("stock"),
                                            QStringLiteral("--to"), QStringLiteral("2024-05-31")}).out.split(QLatin1Char('\n'));
        QCOMPARE(before.value(1).section(QLatin1Char(','), 9, 11), QStringLiteral("10,5,50"));
        const QStringList stock = Ctl(db, {QStringLiteral("report"), QStringLiteral("stock")}).out.split(QLatin1Char('\n'));
        QVERIFY(stock.value(0).startsWith(QStringLiteral("入库时间,商品类目")));
        QCOMPARE(stock.value(1).section(QLatin1Char(','), 9, 11), QStringLiteral("6,5,30"));

        // The summary pages print only the columns they show.
        const QStringList daily = Ctl(db, {QStringLiteral("report"), QStringLiteral("daily")}).out.split(QLatin1Char('\n'));
        QCOMPARE(daily.value(0), QStringLiteral("销售日期,出售数目,合计金额,已付款项,尚欠余款,销售笔数"));
        QVERIFY2(daily.value(1).startsWith(QStringLiteral("2024-06-01,4,50,")) && daily.value(1).endsWith(QStringLiteral(",1")),
                 qPrintable(daily.value(1)));
        const QStringList debts = Ctl(db, {QStringLiteral("report"), QStringLiteral("debts")}).out.split(QLatin1Char('\n'));
        QCOMPARE(debts.value(0), QStringLiteral("客户/供货商,类别,合计金额,已付款项,欠款余额,笔数,最早欠款日期"));
        QCOMPARE(debts.size(), 4); // a receivable, a payable and the last line's end
    }
};

QTEST_GUILESS_MAIN(TestQuillonCtl)
#include "test_quillonctl.moc"
