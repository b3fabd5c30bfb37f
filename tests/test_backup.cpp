#include "db/backupscript.h"
#include "db/healthcheck.h"
#include "ledgertestsupport.h"
#include "storetestsupport.h"

#include <QDir>
#include <QFile>
#include <QSqlRecord>
#include <QtTest>

namespace {

// Every row of the store in every table, as sorted texts, ids left out.
QStringList Snapshot(const QString &storeNo)
{
    QStringList rows;
    for (const QString &table : DbManager::Instance()->UserTables()) {
        if (!table.startsWith(QLatin1String("tb_sm"))) // the change log records the restore too
            continue;
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

// Seven rows over every table, entered out of date order, with quotes and line breaks.
void Fill(const QString &tag)
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    GoodsRecord g = MakeGoods(GoodsKind::Sale, tag + "-g1", "2024-02-29"), blank;
    g.remark = QStringLiteral("line one\nline 'two'\r\n第三行; drop table tb_sm_user;");
    g.name = QStringLiteral("O'Brien's 商品");
    blank.tabType = GoodsKind::Loss;
    FinanceRecord f = MakeFinance(FinanceKind::Debts, tag + "-f1", "2024-03-01");
    f.remark = QStringLiteral("E'00ff' is text here");
    QVERIFY(store->SaveGoodsRow(g)
            && store->SaveGoodsRow(MakeGoods(GoodsKind::PurchaseIn, tag + "-g2", "2024-01-01"))
            && store->SaveGoodsRow(blank) && store->SaveFinanceRow(f)
            && store->SaveInfoList(InfoStore::MasterData, InfoList{8, QStringLiteral("Main##1-A&&1;it's-x")})
            && store->SaveInfoList(InfoStore::People, InfoList{2, tag + "-customers"})
            && store->AddOrUpdateUser(
                UserRecord{1, 0, "138", tag + "'s admin", "' or '1'='1", QString(), QString()}));
}

QString WriteFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    QFile f(dir.filePath(name));
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size() ? f.fileName() : QString();
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

QStringList SafetyFiles(const QTemporaryDir &dir)
{
    return QDir(dir.path()).entryList({QStringLiteral("*before_restore.sql")});
}

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ModalSeam::SetFileAnswerer({}); }
    void backupThenRestoreGivesIdenticalRows();
    void restoreOfAFile_data();
    void restoreOfAFile();
    void refusedDatesSkipOnlyTheirRows();
    void pagesRestore_data();
    void pagesRestore();
    void pagesBackup();
    void scriptLines_data();
    void scriptLines();
    void damagedStore();
    void fileAloneHoldsTheData_data();
    void fileAloneHoldsTheData();
};

void TestBackup::backupThenRestoreGivesIdenticalRows()
{
    TempStore db;
    REQUIRE_DB(db);
    Fill("one");
    db.store()->SetStoreNo("2");
    Fill("two");
    const QStringList other = Snapshot("2");
    db.store()->SetStoreNo("1");
    const QStringList before = Snapshot("1");
    const QStringList order = SerialsOf(StoredGoodsOf());
    const QString path = db.dir.filePath("backup.sql");
    QVERIFY(db.store()->DumpStoreTables(path));
    const QByteArray written = ReadFile(path);
    // A name in use is never written over.
    QVERIFY(db.store()->DumpStoreTables(path).error().contains("已存在"));
    QCOMPARE(ReadFile(path), written);

    QVERIFY(db.store()->DeleteGoodsKind(GoodsKind::Sale));
    QVERIFY(db.store()->SaveFinanceRow(MakeFinance(0, "later", "2024-05-01")));
    QVERIFY(db.store()->DeleteInfoList(InfoStore::MasterData, 8));
    for (int round = 0; round < 2; ++round) { // a second restore must not duplicate
        const RestoreResult result = Restore(path);
        QVERIFY2(result.ok && result.restored == 7 && result.refused == 0, qPrintable(result.error));
        QCOMPARE(Snapshot("1"), before);
    }
    QCOMPARE(Snapshot("2"), other);
    // Entry order (which the stock follows) and the accounts work as before.
    QCOMPARE(SerialsOf(StoredGoodsOf()), order);
    QVERIFY(PasswordMatches(db.store(), "one's admin", "' or '1'='1"));

    // Into another store: the numbers first, then a safety copy that brings it
    // back. The other store's account is refused: it would log in here.
    db.store()->SetStoreNo("2");
    const RestorePreview preview = db.store()->PreviewRestore(path);
    QVERIFY(preview.RowsInFile() == 6 && preview.RowsOfOtherStores() == 6 && preview.RowsReplaced() == 7);
    QVERIFY(preview.refused == 1 && preview.foreignAccounts == 1);
    QCOMPARE(Snapshot("2"), other);
    const RestoreResult moved = Restore(path);
    QVERIFY2(moved.ok && moved.restored == 6 && moved.refused == 1, qPrintable(moved.error));
    // Four restores in one instant: the first two above, this one and the next, four safety files.
    QVERIFY(SafetyFiles(db.dir).contains("record_20240305_140709_000_before_restore.sql"));
    QCOMPARE(moved.safetyBackup, db.dir.filePath("record_20240305_140709_000_3_before_restore.sql"));
    QVERIFY(ReadFile(path + ".refused.txt").contains("其他店（店号 1）的账户，不还原"));
    QStringList asTwo;
    for (const QString &row : before) // store_no is the last column
        if (!row.startsWith("tb_sm_user|"))
            asTwo << row.chopped(1) + QLatin1Char('2');
    asTwo.sort();
    QCOMPARE(Snapshot("2"), asTwo);
    QCOMPARE(Snapshot("1"), before);
    const RestoreResult back = Restore(moved.safetyBackup);
    QVERIFY(back.ok && back.safetyBackup.endsWith("_000_4_before_restore.sql"));
    QCOMPARE(SafetyFiles(db.dir).size(), 4);
    QCOMPARE(Snapshot("2"), other);

    // An insert failing half-way leaves the store as it was.
    QVERIFY(db.RefuseInserts("tb_sm_finance_info"));
    const RestoreResult failed = Restore(path);
    QVERIFY(!failed.ok && failed.error.contains("refused"));
    QCOMPARE(Snapshot("2"), other);
}

void TestBackup::restoreOfAFile_data()
{
    QTest::addColumn<QString>("name");       // empty: no file name at all
    QTest::addColumn<QByteArray>("content"); // null: the file does not exist
    QTest::addColumn<bool>("restored");      // the line comes before a good backup, refused alone

    const QByteArray insert = "insert into tb_sm_prestore_info(info_type,info_list,store_no) ";
    QTest::newRow("drop") << "b.sql" << QByteArray("drop table tb_sm_user;") << true;
    QTest::newRow("other table") << "b.sql" << QByteArray("insert into other_app(id,store_no) values(2,'1');")
                                 << true;
    QTest::newRow("two statements") << "b.sql" << insert + "values(1,'smuggled','1'); drop table tb_sm_user;"
                                    << true;
    QTest::newRow("id given")
        << "b.sql"
        << QByteArray("insert into tb_sm_prestore_info(id,info_type,info_list,store_no) values(1,1,'x','1');")
        << true;
    QTest::newRow("subselect") << "b.sql" << insert + "values(1,(select user_password from tb_sm_user),'1');"
                               << true;
    QTest::newRow("unclosed quote") << "b.sql" << insert + "values(1,'smuggled,'1');" << true;
    QTest::newRow("comment after") << "b.sql" << insert + "values(1,'smuggled','1'); --" << true;
    QTest::newRow("only foreign lines")
        << "f.sql" << QByteArray("drop table tb_sm_user;\nselect 1;\n") << false;
    QTest::newRow("0-byte file") << "zero.sql" << QByteArray("") << false;
    QTest::newRow("garbage") << "garbage.sql" << QByteArray("\x89PNG\r\n\x1a\n\0\0\xff\xfe", 12) << false;
    QTest::newRow("missing file") << "nowhere.sql" << QByteArray() << false;
    QTest::newRow("no name") << "" << QByteArray() << false;
}

// Nothing but the backup's own rows of this store ever changes; a file without
// one good line changes nothing and keeps no safety copy.
void TestBackup::restoreOfAFile()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, restored);
    TempStore db;
    REQUIRE_DB(db);
    QVERIFY(db.Exec("create table other_app(id integer, store_no text)"));
    Fill("one");
    db.store()->SetStoreNo("2");
    Fill("two");
    db.store()->SetStoreNo("1");
    const QStringList before = Snapshot("1"), other = Snapshot("2");
    const QString path = name.isEmpty() ? QString() : db.dir.filePath(name);
    if (restored) {
        QVERIFY(db.store()->DumpStoreTables(path));
        content += "\n\n" + ReadFile(path);
    }
    if (!content.isNull())
        QCOMPARE(WriteFile(db.dir, name, content), path);
    const RestoreResult result = Restore(path);
    QCOMPARE(result.ok, restored);
    QCOMPARE(result.restored, restored ? 7 : 0);
    QVERIFY(restored || !result.error.isEmpty());
    QVERIFY(!restored || result.refused == 1);
    QVERIFY(!restored || ReadFile(path + ".refused.txt").contains("第 1 行："));
    QCOMPARE(Snapshot("1"), before);
    QCOMPARE(Snapshot("2"), other);
    QCOMPARE(db.Count("other_app"), 0);
    QCOMPARE(SafetyFiles(db.dir).size(), restored ? 1 : 0);
}

// A backup written by a SQLite installation may hold goods dates that are no
// dates; PostgreSQL refuses those rows one by one and restores the rest.
void TestBackup::refusedDatesSkipOnlyTheirRows()
{
    TempStore db;
    REQUIRE_DB(db);
    Fill("one");
    const QString path = db.dir.filePath("old.sql");
    QVERIFY(db.store()->DumpStoreTables(path));
    QByteArray dump = ReadFile(path);
    QVERIFY(dump.contains("'2024-01-01'"));
    QVERIFY(!WriteFile(db.dir, "old.sql", dump.replace("'2024-01-01'", "'abc'")).isEmpty());
    QVERIFY(db.store()->SaveGoodsRow(MakeGoods(0, "later", "2024-05-01")));
    const RestoreResult result = Restore(path);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.refused, db.Pg() ? 1 : 0);
    QCOMPARE(SerialsOf(StoredGoodsOf()).join(' '), db.Pg() ? " one-g1" : " one-g1 one-g2");
    if (db.Pg()) { // nothing but refused rows: the store stays as it was
        QByteArray bad;
        for (const QByteArray &line : dump.split('\n'))
            bad += line.contains("'abc'") ? line : QByteArray();
        QVERIFY(!Restore(WriteFile(db.dir, "bad.sql", bad)).ok);
        QCOMPARE(StoredGoodsOf().size(), 2);
    }
}

void TestBackup::pagesRestore_data()
{
    QTest::addColumn<QStringList>("clicks"); // one per box, in order
    QTest::addColumn<bool>("login");
    QTest::addColumn<QString>(
        "file"); // the chosen file; "-": none chosen, "?": missing, "backup": the store's
    QTest::addColumn<QString>("lastBox");

    const QString store7 =
        "insert into tb_sm_prestore_info(info_type,info_list,store_no) values(8,'A','7');\n";
    QTest::newRow("restored") << QStringList{"确认", "确认"} << true << "backup"
                              << "本店现有 8 行将被替换";
    QTest::newRow("confirmation cancelled")
        << QStringList{"取消"} << true << store7 << "删除或还原数据请慎重,确认?";
    QTest::newRow("re-login refused")
        << QStringList{"确认"} << false << store7 << "删除或还原数据请慎重,确认?";
    QTest::newRow("no file chosen") << QStringList{"确认"} << true << "-"
                                    << "删除或还原数据请慎重,确认?";
    QTest::newRow("numbers cancelled")
        << QStringList{"确认", "取消"} << true << store7 << "其中 1 行带有其他店号";
    QTest::newRow("0-byte file") << QStringList{"确认", "确认"} << true << ""
                                 << "文件中没有可还原的数据";
    QTest::newRow("missing file") << QStringList{"确认", "确认"} << true << "?"
                                  << "还原失败";
}

// "数据还原" as the window runs it: confirmation, privileged re-login, file,
// the numbers with the safety copy, the pages reloaded; any refusal changes nothing.
void TestBackup::pagesRestore()
{
    QFETCH(QStringList, clicks);
    QFETCH(bool, login);
    QFETCH(QString, file);
    QFETCH(QString, lastBox);
    TempStore db;
    REQUIRE_DB(db);
    Fill("one");
    const QStringList before = Snapshot("1");
    const QString path =
        file == "?" ? db.dir.filePath("missing.sql") : WriteFile(db.dir, "chosen.sql", file.toUtf8());
    if (file == "backup") {
        QVERIFY(QFile::remove(path));
        QVERIFY(db.store()->DumpStoreTables(path));
        QVERIFY(db.store()->DeleteGoodsKind(GoodsKind::Sale));
        QVERIFY(db.store()->SaveFinanceRow(MakeFinance(FinanceKind::Income, "new", "2024-05-01")));
        QVERIFY(db.store()->SaveFinanceRow(MakeFinance(FinanceKind::Income, "newer", "2024-05-01")));
    }
    BoxAnswers answers;
    PagesWindow w;
    w.pages->SetBackupFolder(db.dir.path());
    w.pages->SetRelogin([login] { return login; });
    ModalSeam::SetFileAnswerer([&](const QString &, const QString &, const QString &) {
        answers.Click(clicks.value(answers.seen.size()));
        return file == "-" ? QString() : path;
    });
    answers.Click(clicks.first());
    QSignalSpy shown(w.pages, &LedgerPages::TabDataShown);
    w.pages->backup()->RestoreDbDate();
    QVERIFY2(answers.seen.last().contains(lastBox), qPrintable(answers.seen.last()));
    QCOMPARE(Snapshot("1"), before);
    QCOMPARE(SafetyFiles(db.dir).size(), file == "backup" ? 1 : 0);
    QVERIFY(file != "backup"
            || (answers.seen.last().contains(SafetyFiles(db.dir).value(0)) && shown.wait(10000)));
}

// A backup that cannot be written is not reported as done; leaving the
// program waits for a running backup, without a box.
void TestBackup::pagesBackup()
{
    TempStore db;
    REQUIRE_DB(db);
    Fill("one");
    BoxAnswers answers;
    {
        PagesWindow w;
        QSignalSpy done(w.pages->backup(), &BackupRestore::BackupFinished);
        const QString folder = db.dir.filePath("gone");
        w.pages->SetBackupFolder(folder);
        w.pages->backup()->SaveDbDate();
        QVERIFY(!w.saveAction->isEnabled());
        QVERIFY(done.wait(10000));
        QVERIFY(w.saveAction->isEnabled() && !done.at(0).at(0).toBool());
        QVERIFY2(answers.seen.size() == 1 && answers.seen.at(0).contains(folder + "/record_")
                     && answers.seen.at(0).contains("未能写入"),
                 qPrintable(answers.seen.join('\n')));
        w.pages->SetBackupFolder(db.dir.path());
        w.pages->backup()->SaveDbDate();
        QVERIFY(done.wait(10000) && done.at(1).at(0).toBool());
        // The box names the file and the folder it is in.
        QVERIFY2(
            answers.seen.last().startsWith("提示|备份完成：文件 record_")
                && answers.seen.last().endsWith(".sql\n保存在 " + QDir::toNativeSeparators(db.dir.path())),
            qPrintable(answers.seen.last()));

        answers.seen.clear();
        w.pages->backup()->SaveDbDate();
        w.pages->backup()->SaveDbDate(); // one at a time
        w.pages->backup()->WaitForBackup();
        QVERIFY(!w.pages->backup()->IsBackingUp());
        QCoreApplication::processEvents();
        QVERIFY(answers.seen.isEmpty());
    }
    for (const QString &file : QDir(db.dir.path()).entryList({"record_*.sql"}))
        if (!file.endsWith("_history.sql")) // the change log beside each backup
            QCOMPARE(ReadFile(db.dir.filePath(file)).count('\n'), 7);
}

void TestBackup::scriptLines_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("starts"); // the line each statement starts on
    QTest::addColumn<int>("inserts");    // statements that are one whole insert
    const QString head = "insert into tb_sm_prestore_info(info_type,info_list,store_no) values(";
    const QString good = head + "1,'x','1');\n", bad = head + "1,'smuggled,'1');\n";
    QTest::newRow("break in a text of an older backup")
        << head + "1,'a\r\nb\n''c''','1');\n" + good << "1 4" << 2;
    QTest::newRow("bad lines each alone") << bad + bad + bad + good << "1 2 3 4" << 1;
    QTest::newRow("an open quote never takes an insert") << head + "1,'open\n" + good << "1 2" << 1;
    QTest::newRow("nor a line after the quote closed") << head + "1,'a\nb', 2\n" + good << "1 2 3" << 1;
    QTest::newRow("bad line in the middle") << good + bad + good << "1 2 3" << 2;
}

// An open quote takes the following lines only while they can still make one insert.
void TestBackup::scriptLines()
{
    QFETCH(QString, script);
    QStringList starts;
    int inserts = 0;
    BackupScript::Insert insert;
    for (const BackupScript::ScriptLine &line : BackupScript::Statements(script)) {
        starts << QString::number(line.number);
        inserts += BackupScript::ParseInsert(line.text, insert) ? 1 : 0;
    }
    QTEST(starts.join(' '), "starts");
    QTEST(inserts, "inserts");
}

// A damaged database takes no write and says how to get the data back; a
// backup keeps what can be read; a restore keeps the damaged file aside and
// brings the store back in a new one.
void TestBackup::damagedStore()
{
    TempStore db;
    REQUIRE_DB(db);
    Fill("one");
    GoodsRecord row = MakeGoods(GoodsKind::PurchaseIn, "r", "2024-01-01");
    row.remark = QString(600, QLatin1Char('z'));
    for (int i = 0; i < 300; ++i) {
        row.serial = QStringLiteral("r%1").arg(i, 4, 10, QLatin1Char('0'));
        QVERIFY(db.store()->SaveGoodsRow(row));
    }
    const QString path = db.dir.filePath("before.sql");
    QVERIFY(db.store()->DumpStoreTables(path));
    const QStringList before = Snapshot("1");
    if (db.Pg()) {
        db.manager()->MarkDamaged("page checksum failed");
    } else { // bytes of the goods rows overwritten on disk
        db.manager()->Close();
        QFile file(db.settings.file);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.size() > 40 * 4096);
        QVERIFY(file.seek(file.size() / 4096 / 2 * 4096) && file.write(QByteArray(4096, '\x5a')) == 4096);
        file.close();
        QVERIFY(db.manager()->ConnectDb(db.settings));
    }
    QVERIFY(!db.manager()->damage().isEmpty());
    QVERIFY(!DbHealth::Check(db.manager(), "1").ok);
    const auto refused = [&](const Result &saved) {
        const QString &why = saved.error();
        return !saved && why.startsWith(QStringLiteral("数据库文件已损坏，未保存："))
            && why.contains("还原最近的备份");
    };
    QVERIFY(refused(db.store()->SaveGoodsRow(MakeGoods(0, "new", "2024-02-02"))));
    QVERIFY(refused(db.store()->SaveFinanceRow(MakeFinance(0, "new", "2024-02-02"))));
    QVERIFY(refused(db.store()->SaveInfoList(InfoStore::MasterData, InfoList{3, "x"})));
    QVERIFY(refused(db.store()->ReplaceUsers({})));
    QVERIFY(refused(db.store()->DeleteGoodsKind(GoodsKind::Sale)));
    if (db.Pg()) {
        const RestoreResult restored = Restore(path);
        QVERIFY2(!restored.ok && restored.error.contains("数据库文件已损坏，未保存："),
                 qPrintable(restored.error));
        return;
    }
    // What can be read is written, and the failure names what could not be.
    const QString partial = db.dir.filePath("partial.sql");
    const Result dumped = db.store()->DumpStoreTables(partial);
    QVERIFY2(!dumped && dumped.error().contains("tb_sm_product_info"), qPrintable(dumped.error()));
    QVERIFY(ReadFile(partial).contains("insert into tb_sm_finance_info("));

    const RestoreResult result = Restore(path);
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY(result.damagedFile.startsWith(db.settings.file + ".damaged-")
            && QFile::exists(result.damagedFile));
    QVERIFY(db.manager()->damage().isEmpty());
    QCOMPARE(Snapshot("1"), before);
    QVERIFY(db.store()->SaveGoodsRow(MakeGoods(0, "new", "2024-02-02")));
}

void TestBackup::fileAloneHoldsTheData_data()
{
    QTest::addColumn<QString>("step");
    QTest::newRow("after a backup") << "backup";
    QTest::newRow("after a restore") << "restore";
    QTest::newRow("on quit") << "quit";
}

// "Send me the .db": after each step the database file alone holds every row.
void TestBackup::fileAloneHoldsTheData()
{
    QFETCH(QString, step);
    TempStore db;
    REQUIRE_DB(db);
    if (db.Pg())
        QSKIP("the server keeps its own files");
    Fill("one");
    const QString path = db.dir.filePath("b.sql");
    if (step == "restore") {
        QVERIFY(db.store()->DumpStoreTables(path));
        QVERIFY(db.store()->SaveGoodsRow(MakeGoods(0, "extra", "2024-02-02")));
    }
    const QString wal = db.settings.file + "-wal";
    QVERIFY(QFileInfo(wal).size() > 0);
    if (step == "backup")
        QVERIFY(db.store()->DumpStoreTables(path));
    else if (step == "restore")
        QVERIFY(Restore(path).ok);
    else
        db.manager()->Close();
    QCOMPARE(QFileInfo(wal).size(), 0);
    const QString copy = db.dir.filePath("copy.db");
    QVERIFY(QFile::copy(db.settings.file, copy));
    {
        QSqlDatabase alone = QSqlDatabase::addDatabase("QSQLITE", "alone");
        alone.setDatabaseName(copy);
        QVERIFY(alone.open());
        QSqlQuery q(alone);
        QVERIFY(q.exec("select count(*) from tb_sm_product_info") && q.next());
        QCOMPARE(q.value(0).toInt(), 3);
    }
    QSqlDatabase::removeDatabase("alone");
}

QTEST_MAIN(TestBackup)
#include "test_backup.moc"
