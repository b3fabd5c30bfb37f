#include "db/backupscript.h"
#include "ledger/queryprocess.h"
#include "storetestsupport.h"

#include <QDir>
#include <QFile>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

namespace {

const QStringList kTables{"tb_sm_product_info", "tb_sm_prestore_info", "tb_sm_person_info",
                          "tb_sm_finance_info", "tb_sm_user"};

// Every row of the store in every table, as sorted texts, ids left out.
QStringList Snapshot(const QString &storeNo)
{
    QStringList rows;
    for (const QString &table : kTables) {
        QSqlQuery q(DbManager::Instance()->Connection());
        q.prepare(QStringLiteral("select * from %1 where store_no=?").arg(table));
        q.addBindValue(storeNo);
        if (!q.exec())
            return {QStringLiteral("query failed: ") + table};
        while (q.next()) {
            QStringList cells{table};
            for (int i = 1; i < q.record().count(); ++i)
                cells << q.value(i).toString();
            rows << cells.join(QLatin1Char('|'));
        }
    }
    rows.sort();
    return rows;
}

void Fill(StoreDbAccess *store, const QString &tag)
{
    GoodsRecord g = MakeGoods(GoodsKind::Sale, tag + QStringLiteral("-g1"), QStringLiteral("2024-02-29"));
    g.remark = QStringLiteral("line one\nline 'two'\r\n第三行; drop table tb_sm_user;");
    g.name = QStringLiteral("O'Brien's 商品");
    store->SaveGoodsRow(g);
    store->SaveGoodsRow(MakeGoods(GoodsKind::PurchaseIn, tag + QStringLiteral("-g2"), QStringLiteral("2024-01-01")));
    GoodsRecord blank;
    blank.tabType = GoodsKind::Loss;
    store->SaveGoodsRow(blank);
    FinanceRecord f = MakeFinance(FinanceKind::Debts, tag + QStringLiteral("-f1"), QStringLiteral("2024-03-01"));
    f.remark = QStringLiteral("E'00ff' is text here");
    store->SaveFinanceRow(f);
    store->SaveInfoList(InfoStore::MasterData, InfoList{8, QStringLiteral("Main##1-A&&1;it's-x")});
    store->SaveInfoList(InfoStore::People, InfoList{2, tag + QStringLiteral("-customers")});
    UserRecord u;
    u.phone = QStringLiteral("138");
    u.name = tag + QStringLiteral("'s admin");
    u.password = QStringLiteral("' or '1'='1");
    u.userType = 1;
    store->AddOrUpdateUser(u);
}

QString WriteFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write(content);
    return path;
}

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Safety copy and refused list go next to the file, under a fixed stamp.
RestoreResult Restore(const QString &path)
{
    const QString folder = path.isEmpty() ? QDir::tempPath() : QFileInfo(path).path();
    return StoreDbAccess::Instance()->RestoreStoreTables(
        path, RestoreFiles::For(folder, path, QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9))));
}

} // namespace

class TestBackupRestore : public QObject
{
    Q_OBJECT

private slots:
    void dumpWritesOneInsertPerRow();
    void dumpOfEmptyStoreAndUnwritablePath();
    void backupThenRestoreGivesIdenticalRows();
    void restoreKeepsEntryOrderAndEveryResult();
    void restoreRefusesForeignLines_data();
    void restoreRefusesForeignLines();
    void refusedFileDeletesNothing_data();
    void refusedFileDeletesNothing();
    void restoreIntoAnotherStore();
    void failedInsertLeavesStoreAsItWas();
    void refusedDatesSkipOnlyTheirRows();
    void parseLine_data();
    void parseLine();
    void statementsOnePerLine();
};

void TestBackupRestore::dumpWritesOneInsertPerRow()
{
    TempStore db;
    REQUIRE_DB(db);
    QVERIFY(db.Exec(QStringLiteral("create table other_app(id integer, store_no text)")));
    QVERIFY(db.Exec(QStringLiteral("insert into other_app values(1,'1')")));
    QVERIFY(db.store()->SaveInfoList(InfoStore::MasterData, InfoList{8, QStringLiteral("Main##1-A&&1")}));
    QVERIFY(db.store()->SaveInfoList(InfoStore::People, InfoList{1, QStringLiteral("张'三")}));
    db.store()->SetStoreNo(QStringLiteral("2"));
    QVERIFY(db.store()->SaveInfoList(InfoStore::MasterData, InfoList{8, QStringLiteral("not mine")}));
    db.store()->SetStoreNo(QStringLiteral("1"));

    const QString path = db.dir.filePath(QStringLiteral("record_20240305_140709.sql"));
    QVERIFY(db.store()->DumpStoreTables(path));
    const QByteArray expected =
        "insert into tb_sm_prestore_info(info_type,info_list,store_no) values(8,'Main##1-A&&1','1');\n"
        + QStringLiteral("insert into tb_sm_person_info(info_type,info_list,store_no) values(1,'张''三','1');\n").toUtf8();
    QCOMPARE(ReadFile(path), expected);
}

void TestBackupRestore::dumpOfEmptyStoreAndUnwritablePath()
{
    TempStore db;
    REQUIRE_DB(db);
    db.store()->SetStoreNo(QStringLiteral("2"));
    Fill(db.store(), QStringLiteral("two"));
    QVERIFY(!db.store()->DumpStoreTables(db.dir.filePath(QStringLiteral("missing/record.sql"))));
    db.store()->SetStoreNo(QStringLiteral("1"));
    const QString path = db.dir.filePath(QStringLiteral("empty.sql"));
    QVERIFY(db.store()->DumpStoreTables(path));
    QVERIFY(QFile::exists(path));
    QCOMPARE(ReadFile(path), QByteArray());
}

void TestBackupRestore::backupThenRestoreGivesIdenticalRows()
{
    TempStore db;
    REQUIRE_DB(db);
    Fill(db.store(), QStringLiteral("one"));
    db.store()->SetStoreNo(QStringLiteral("2"));
    Fill(db.store(), QStringLiteral("two"));
    const QStringList other = Snapshot(QStringLiteral("2"));
    db.store()->SetStoreNo(QStringLiteral("1"));
    const QStringList before = Snapshot(QStringLiteral("1"));
    QCOMPARE(before.size(), 7);

    const QString path = db.dir.filePath(QStringLiteral("backup.sql"));
    QVERIFY(db.store()->DumpStoreTables(path));

    // Change the store after the backup, then go back to it.
    QVERIFY(db.store()->DeleteGoodsKind(GoodsKind::Sale));
    QVERIFY(db.store()->SaveFinanceRow(MakeFinance(0, QStringLiteral("later"), QStringLiteral("2024-05-01"))));
    QVERIFY(db.store()->DeleteInfoList(InfoStore::MasterData, 8));

    for (int round = 0; round < 2; ++round) {   // a second restore must not duplicate
        const RestoreResult result = Restore(path);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.restored, 7);
        QCOMPARE(result.refused, 0);
        QCOMPARE(Snapshot(QStringLiteral("1")), before);
    }
    QCOMPARE(Snapshot(QStringLiteral("2")), other);

    // The restored rows work as before through the stores.
    QVERIFY(db.store()->CheckUserPassword(QStringLiteral("one's admin"), QStringLiteral("' or '1'='1")));
}

// Rows entered out of date order: the stock and the sales deduction follow the
// order of entry, which a restore must give back.
void TestBackupRestore::restoreKeepsEntryOrderAndEveryResult()
{
    TempStore db;
    REQUIRE_DB(db);
    StoreDbAccess *s = db.store();
    const auto goods = [s](int kind, const char *serial, const char *date, const char *num) {
        GoodsRecord g = MakeGoods(kind, QLatin1String(serial), QLatin1String(date));
        g.num = QLatin1String(num);
        g.price = QStringLiteral("2");
        g.total = QString::number(2 * g.num.toInt());
        QVERIFY(s->SaveGoodsRow(g));
    };
    goods(GoodsKind::PurchaseIn, "p", "2024-05-01", "10");
    goods(GoodsKind::Sale, "s", "2024-05-20", "8");
    goods(GoodsKind::PurchaseReturn, "b", "2024-05-10", "5");
    goods(GoodsKind::SaleReturn, "r", "2024-05-03", "1");
    const char *const days[] = {"2024-06-09", "2024-06-02", "2024-06-05"};
    for (int i = 0; i < 3; ++i) {
        FinanceRecord f = MakeFinance(i == 1 ? FinanceKind::OtherExpenses : FinanceKind::Income,
                                      QStringLiteral("f%1").arg(i), QLatin1String(days[i]));
        f.sum = QString::number(100 + i);
        QVERIFY(s->SaveFinanceRow(f));
    }
    const auto results = [] {
        QStringList out;
        for (const auto &page : {std::make_pair(int(QueryGroup::Goods), int(GoodsKind::CurrentStock)),
                                 std::make_pair(int(QueryGroup::Sales), 0),
                                 std::make_pair(int(QueryGroup::Finance), int(FinanceKind::Profit))}) {
            QueryRequest r;
            r.pageGroup = page.first;
            r.pageKind = page.second;
            r.dateMode = QueryDateMode::AllTime;
            r.noContentFilter = true;
            LedgerLists lists;
            const QueryOutcome outcome = QueryRun::Execute(r, lists);
            for (const GoodsRecord &g : QueryRun::GoodsRowsToShow(outcome.code, lists))
                out << QStringList{g.serial, g.num, g.total, g.remark}.join('|');
            for (const FinanceRecord &f : QueryRun::FinanceRowsToShow(outcome.code, lists))
                out << f.item + '|' + f.sum;
        }
        GoodsList all;
        StoreDbAccess::Instance()->QueryGoods(QueryDateMode::AllTime, -1, QString(), QString(), all);
        out << SerialsOf(all).join(',');
        return out;
    };
    const QStringList before = results();
    QVERIFY(before.first().startsWith(QStringLiteral("p|3|6|")));
    QVERIFY(before.contains(QStringLiteral("经营利润|101")));
    QVERIFY(before.contains(QStringLiteral("p,s,b,r")));

    const QString path = db.dir.filePath(QStringLiteral("order.sql"));
    QVERIFY(s->DumpStoreTables(path));
    const RestoreResult restored = Restore(path);
    QVERIFY2(restored.ok, qPrintable(restored.error));
    QCOMPARE(results(), before);
}

void TestBackupRestore::restoreRefusesForeignLines_data()
{
    QTest::addColumn<QString>("line");

    QTest::newRow("drop") << "drop table tb_sm_user;";
    QTest::newRow("other table") << "insert into other_app(id,store_no) values(2,'1');";
    QTest::newRow("sqlite_master") << "insert into sqlite_master(type,name,tbl_name,rootpage,sql) "
                                      "values('table','x','x',0,'create table x(a)');";
    QTest::newRow("two statements") << "insert into tb_sm_prestore_info(info_type,info_list,store_no) "
                                       "values(1,'smuggled','1'); drop table tb_sm_user;";
    QTest::newRow("two inserts") << "insert into tb_sm_prestore_info(info_type,info_list,store_no) values(1,'a','1');"
                                    "insert into tb_sm_prestore_info(info_type,info_list,store_no) values(2,'smuggled','1');";
    QTest::newRow("column missing") << "insert into tb_sm_prestore_info(info_type,info_list) values(1,'smuggled');";
    QTest::newRow("id given") << "insert into tb_sm_prestore_info(id,info_type,info_list,store_no) values(1,1,'smuggled','1');";
    QTest::newRow("text in int column") << "insert into tb_sm_prestore_info(info_type,info_list,store_no) values('1','smuggled','1');";
    QTest::newRow("subselect") << "insert into tb_sm_prestore_info(info_type,info_list,store_no) "
                                  "values(1,(select user_password from tb_sm_user),'1');";
    QTest::newRow("unclosed quote") << "insert into tb_sm_prestore_info(info_type,info_list,store_no) values(1,'smuggled,'1');";
    QTest::newRow("comment after") << "insert into tb_sm_prestore_info(info_type,info_list,store_no) values(1,'smuggled','1'); --";
    QTest::newRow("bracketed name") << "insert into [tb_sm_prestore_info](info_type,info_list,store_no) values(1,'smuggled','1');";
}

void TestBackupRestore::restoreRefusesForeignLines()
{
    QFETCH(QString, line);
    TempStore db;
    REQUIRE_DB(db);
    QVERIFY(db.Exec(QStringLiteral("create table other_app(id integer, store_no text)")));
    Fill(db.store(), QStringLiteral("one"));
    db.store()->SetStoreNo(QStringLiteral("2"));
    Fill(db.store(), QStringLiteral("two"));
    db.store()->SetStoreNo(QStringLiteral("1"));
    const QStringList before = Snapshot(QStringLiteral("1"));
    const QStringList other = Snapshot(QStringLiteral("2"));
    const QString schema = db.SchemaText();

    // The bad line comes first: every well-formed line after it still counts.
    const QString path = db.dir.filePath(QStringLiteral("backup.sql"));
    QVERIFY(db.store()->DumpStoreTables(path));
    const QByteArray dump = ReadFile(path);
    QVERIFY(WriteFile(db.dir, QStringLiteral("backup.sql"), line.toUtf8() + "\n\n" + dump) == path);

    const RestoreResult result = Restore(path);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.refused, 1);
    QCOMPARE(result.restored, 7);
    QCOMPARE(result.refusedLines.at(0).line, 1);
    QCOMPARE(result.refusedList, db.dir.filePath(QStringLiteral("backup.sql.refused.txt")));
    QVERIFY(QString::fromUtf8(ReadFile(result.refusedList)).contains(QStringLiteral("第 1 行：")));
    QCOMPARE(Snapshot(QStringLiteral("1")), before);
    QCOMPARE(Snapshot(QStringLiteral("2")), other);
    QCOMPARE(db.SchemaText(), schema);
    QCOMPARE(db.Count(QStringLiteral("other_app")), 0);
}

void TestBackupRestore::refusedFileDeletesNothing_data()
{
    QTest::addColumn<QString>("name");   // empty: no file name at all
    QTest::addColumn<QByteArray>("content");   // null: the file does not exist
    QTest::addColumn<int>("refused");
    QTest::newRow("only foreign lines") << "foreign.sql" << QByteArray("drop table tb_sm_user;\nselect 1;\n") << 2;
    QTest::newRow("0-byte file") << "zero.sql" << QByteArray("") << 0;
    QTest::newRow("blank lines") << "blank.sql" << QByteArray("\n\r\n  \n") << 0;
    QTest::newRow("missing file") << "nowhere.sql" << QByteArray() << 0;
    QTest::newRow("no name") << "" << QByteArray() << 0;
}

void TestBackupRestore::refusedFileDeletesNothing()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    TempStore db;
    REQUIRE_DB(db);
    Fill(db.store(), QStringLiteral("one"));
    const QStringList before = Snapshot(QStringLiteral("1"));
    const QString path = content.isNull() ? (name.isEmpty() ? QString() : db.dir.filePath(name))
                                          : WriteFile(db.dir, name, content);
    const RestoreResult result = Restore(path);
    QVERIFY(!result.ok);
    if (!content.isNull())
        QCOMPARE(result.error, QStringLiteral("文件中没有可还原的数据"));
    QCOMPARE(result.restored, 0);
    QTEST(result.refused, "refused");
    QCOMPARE(Snapshot(QStringLiteral("1")), before);
    QVERIFY(result.safetyBackup.isEmpty());
    QVERIFY(QDir(db.dir.path()).entryList({QStringLiteral("*before_restore.sql")}).isEmpty());
}

void TestBackupRestore::restoreIntoAnotherStore()
{
    TempStore db;
    REQUIRE_DB(db);
    Fill(db.store(), QStringLiteral("one"));
    const QStringList storeOne = Snapshot(QStringLiteral("1"));
    const QString path = db.dir.filePath(QStringLiteral("store1.sql"));
    QVERIFY(db.store()->DumpStoreTables(path));

    db.store()->SetStoreNo(QStringLiteral("2"));
    Fill(db.store(), QStringLiteral("two"));
    QVERIFY(db.store()->SaveFinanceRow(MakeFinance(0, QStringLiteral("two-more"), QStringLiteral("2024-05-01"))));
    const QStringList storeTwo = Snapshot(QStringLiteral("2"));

    // The numbers come before anything changes.
    const RestorePreview preview = db.store()->PreviewRestore(path);
    QVERIFY2(preview.ok, qPrintable(preview.error));
    QCOMPARE(preview.RowsInFile(), 7);
    QCOMPARE(preview.RowsOfOtherStores(), 7);
    QCOMPARE(preview.RowsReplaced(), 8);
    QStringList perTable;
    for (const RestorePreview::Table &t : preview.tables)
        perTable << QStringLiteral("%1 %2/%3").arg(t.name).arg(t.inFile).arg(t.replaced);
    QCOMPARE(perTable, (QStringList{"tb_sm_product_info 3/3", "tb_sm_prestore_info 1/1",
                                    "tb_sm_person_info 1/1", "tb_sm_finance_info 1/2", "tb_sm_user 1/1"}));
    QCOMPARE(Snapshot(QStringLiteral("2")), storeTwo);

    const RestoreResult result = Restore(path);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.restored, storeOne.size());
    QCOMPARE(result.safetyBackup, db.dir.filePath(QStringLiteral("record_20240305_140709_before_restore.sql")));
    QVERIFY(result.refusedList.isEmpty());
    const QString safety = result.safetyBackup;

    QCOMPARE(Snapshot(QStringLiteral("1")), storeOne);
    QStringList moved = storeOne;
    for (QString &row : moved)
        row.replace(QRegularExpression(QStringLiteral("\\|1$")), QStringLiteral("|2"));
    moved.sort();
    QCOMPARE(Snapshot(QStringLiteral("2")), moved);

    // The safety copy brings store 2 back as it was.
    db.store()->SetStoreNo(QStringLiteral("2"));
    QVERIFY(Restore(safety).ok);
    QCOMPARE(Snapshot(QStringLiteral("2")), storeTwo);
    db.store()->SetStoreNo(QStringLiteral("1"));
}

void TestBackupRestore::failedInsertLeavesStoreAsItWas()
{
    TempStore db;
    REQUIRE_DB(db);
    Fill(db.store(), QStringLiteral("one"));
    const QString path = db.dir.filePath(QStringLiteral("backup.sql"));
    QVERIFY(db.store()->DumpStoreTables(path));
    QVERIFY(db.store()->SaveFinanceRow(MakeFinance(0, QStringLiteral("later"), QStringLiteral("2024-05-01"))));
    const QStringList before = Snapshot(QStringLiteral("1"));

    QVERIFY(db.RefuseInserts(QStringLiteral("tb_sm_user")));
    const RestoreResult result = Restore(path);
    QVERIFY(!result.ok);
    QVERIFY(result.error.contains(QStringLiteral("refused")));
    QCOMPARE(Snapshot(QStringLiteral("1")), before);
}

// A backup written by a SQLite installation may hold goods dates that are no
// dates; PostgreSQL refuses those rows one by one and restores the rest.
void TestBackupRestore::refusedDatesSkipOnlyTheirRows()
{
    TempStore db;
    REQUIRE_DB(db);
    Fill(db.store(), QStringLiteral("one"));
    const QString columns = QStringLiteral(
        "tab_type,product_serial,product_class,product_name,product_model,product_color,product_code,"
        "product_size,product_time,product_store,product_num,product_price,product_total,product_pay,"
        "product_debt,product_supply,product_purchase,product_oddNum,product_record,prodcut_remark,store_no");
    const auto line = [&](const char *serial, const char *time) {
        return QStringLiteral("insert into tb_sm_product_info(%1) values(0,'%2','','','','','','','%3',"
                              "'','','','','','','','','','','','1');\n")
            .arg(columns, QLatin1String(serial), QLatin1String(time))
            .toUtf8();
    };
    const QString path = WriteFile(db.dir, QStringLiteral("old.sql"),
                                   line("good", "2024-05-06") + line("letters", "abc")
                                       + line("blank", "") + line("month13", "2024-13-45"));
    const RestoreResult result = Restore(path);
    QVERIFY2(result.ok, qPrintable(result.error));
    GoodsList rows;
    QVERIFY(db.store()->QueryGoods(5, -1, QString(), QString(), rows));
    QStringList serials;
    for (const GoodsRecord &r : rows)
        serials << r.serial + QLatin1Char('=') + r.time;
    serials.sort();
    if (db.Pg()) {
        QCOMPARE(result.restored, 2);
        QCOMPARE(result.refused, 2);
        QCOMPARE(serials, (QStringList{"blank=", "good=2024-05-06"}));
    } else {
        QCOMPARE(result.restored, 4);
        QCOMPARE(result.refused, 0);
        QCOMPARE(serials, (QStringList{"blank=", "good=2024-05-06", "letters=abc", "month13=2024-13-45"}));
    }
    QCOMPARE(db.Count(QStringLiteral("tb_sm_user")), 0);   // the rest of the store was replaced too

    // Nothing but refused rows: the store stays as it was.
    if (db.Pg()) {
        const QString bad = WriteFile(db.dir, QStringLiteral("bad.sql"), line("x", "abc"));
        const RestoreResult none = Restore(bad);
        QVERIFY(!none.ok);
        QVERIFY(!none.error.isEmpty());
        QCOMPARE(db.Count(QStringLiteral("tb_sm_product_info")), 2);
    }
}

void TestBackupRestore::parseLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("values");   // kind letter + text: T text, N number, 0 null, B hex

    QTest::newRow("backup form") << "insert into tb_sm_prestore_info(info_type,info_list,store_no) values(8,'Main##1-A&&1','1');"
                                 << true << "tb_sm_prestore_info" << QStringList{"N8", "TMain##1-A&&1", "T1"};
    QTest::newRow("doubled quotes, semicolon inside") << "insert into t(a,b) values('it''s; ok','''');"
                                                      << true << "t" << QStringList{"Tit's; ok", "T'"};
    QTest::newRow("null, negative, decimal, bytes") << "INSERT  INTO t ( a , b , c , d ) VALUES ( NULL , -12 , 3.5 , E'00ff' ) ;  "
                                                    << true << "t" << QStringList{"0", "N-12", "N3.5", "B00ff"};
    QTest::newRow("empty text") << "insert into t(a) values('');" << true << "t" << QStringList{"T"};
    QTest::newRow("escaped line breaks") << "insert into t(a,b) values(E'a\\r\\nb''c\\\\d',E'');"
                                         << true << "t" << QStringList{"Ta\r\nb'c\\d", "B"};
    QTest::newRow("unknown escape") << "insert into t(a) values(E'a\\tb');" << false << "" << QStringList{};
    QTest::newRow("upper-case hex") << "insert into t(a) values(E'00FF');" << false << "" << QStringList{};
    QTest::newRow("odd hex") << "insert into t(a) values(E'0ff');" << false << "" << QStringList{};
    QTest::newRow("bare word") << "insert into t(a) values(abc);" << false << "" << QStringList{};
    QTest::newRow("expression") << "insert into t(a) values(1+1);" << false << "" << QStringList{};
    QTest::newRow("keyword run-on") << "insertinto t(a) values(1);" << false << "" << QStringList{};
    QTest::newRow("trailing statement") << "insert into t(a) values(1);select 1;" << false << "" << QStringList{};
}

void TestBackupRestore::parseLine()
{
    QFETCH(QString, line);
    QFETCH(bool, accepted);
    BackupScript::Insert insert;
    QCOMPARE(BackupScript::ParseInsert(line, insert), accepted);
    if (!accepted)
        return;
    QTEST(insert.table, "table");
    QStringList values;
    for (const BackupScript::Value &v : insert.values) {
        switch (v.kind) {
        case BackupScript::Value::Text: values << QStringLiteral("T") + v.text; break;
        case BackupScript::Value::Number: values << QStringLiteral("N") + v.text; break;
        case BackupScript::Value::Null: values << QStringLiteral("0"); break;
        case BackupScript::Value::Bytes: values << QStringLiteral("B") + QString::fromLatin1(v.bytes.toHex()); break;
        }
    }
    QTEST(values, "values");
    QCOMPARE(insert.columns.size(), insert.values.size());
}

void TestBackupRestore::statementsOnePerLine()
{
    // Older backups wrote line breaks inside texts as they were: such a line
    // takes its continuation, an unclosed quote takes nothing.
    const QString good = QStringLiteral("insert into t(a) values('ok');");
    const QString script = QStringLiteral("insert into t(a) values('x\r\ny');\r\n\r\n") + good
        + QStringLiteral("\ninsert into t(a) values('unclosed);\n") + good + QStringLiteral("\nd');\n");
    QStringList got;
    for (const BackupScript::ScriptLine &line : BackupScript::Statements(script))
        got << QStringLiteral("%1:%2").arg(line.number).arg(line.text);
    QCOMPARE(got, (QStringList{"1:insert into t(a) values('x\r\ny');", "3:", "4:" + good,
                               "5:insert into t(a) values('unclosed);", "6:" + good, "7:d');"}));

    // What the backup writes now stays on one line and reads back the same.
    QSqlField field(QStringLiteral("a"), QVariant::String);
    field.setValue(QStringLiteral("one\r\ntwo\\n 'three'"));
    const QString line = BackupScript::InsertLine(QStringLiteral("t"), {QStringLiteral("a")},
                                                  {BackupScript::FormatValue(field)});
    QVERIFY(!line.contains(QLatin1Char('\n')));
    BackupScript::Insert insert;
    QVERIFY(BackupScript::ParseInsert(line, insert));
    QCOMPARE(insert.values.at(0).text, field.value().toString());
}

QTEST_GUILESS_MAIN(TestBackupRestore)
#include "test_backuprestore.moc"
