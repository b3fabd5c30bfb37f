#include "db/dberror.h"
#include "db/healthcheck.h"
#include "db/workfolder.h"
#include "storetestsupport.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QtTest>

namespace {

QString WriteIni(const QTemporaryDir &dir, const QByteArray &content)
{
    QFile f(dir.filePath("dBConfig.ini"));
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size() ? f.fileName() : QString();
}

} // namespace

class TestDbManager : public QObject
{
    Q_OBJECT

private slots:
    void odbcConnectionString_data();
    void odbcConnectionString();
    void settings_data();
    void settings();
    void refusesWhatIsNotADatabase();
    void healthCheck();
    void failureReasons_data();
    void failureReasons();
    void unwritableFolder();
};

void TestDbManager::odbcConnectionString_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("pwd");
    QTest::newRow("plain") << "dorivax5813m60427915"
                           << "PWD=dorivax5813m60427915;";
    QTest::newRow("semicolon and brace") << "a;b}c"
                                         << "PWD={a;b}}c};";
    QTest::newRow("percent sign") << "%1%2"
                                  << "PWD=%1%2;";
}

void TestDbManager::odbcConnectionString()
{
    QFETCH(QString, password);
    QFETCH(QString, pwd);
    QCOMPARE(DbManager::OdbcConnectionString(QStringLiteral("127.0.0.1"), 1433, QStringLiteral("Marrowfield"),
                                             QStringLiteral("sa"), password),
             "DRIVER={SQL SERVER};SERVER=127.0.0.1;PORT=1433;DATABASE=Marrowfield;UID=sa;" + pwd);
}

void TestDbManager::settings_data()
{
    QTest::addColumn<QByteArray>("ini"); // null: no file
    QTest::addColumn<QStringList>(
        "expected"); // driver, file, server, port, name, user, password, schema, store number

    QTest::newRow("no file") << QByteArray()
                             << QStringList{
                                    "QSQLITE", "Marrowfield.db",       "127.0.0.1", "1433", "Marrowfield",
                                    "sa",      "dorivax5813m60427915", "",          ""};
    QTest::newRow("odbc") << QByteArray(
        "[StoreNo]\nNo=3\n[Database]\nDriver=QODBC\nServer=10.0.0.5\nPort=14330\n"
        "Password=\" s3;cret \"\n")
                          << QStringList{"QODBC", "Marrowfield.db", "10.0.0.5", "14330", "Marrowfield",
                                         "sa",    " s3;cret ",      "",         "3"};
    QTest::newRow("postgres port")
        << QByteArray("[StoreNo]\nNo=1,2\n[Database]\nDriver=qpsql\nName=shop\nPort=x\nSchema=s1\n")
        << QStringList{"QPSQL", "Marrowfield.db",       "127.0.0.1", "5432", "shop",
                       "sa",    "dorivax5813m60427915", "s1",        "1,2"};
    QTest::newRow("empty store number")
        << QByteArray("[StoreNo]\nNo=\n")
        << QStringList{"QSQLITE", "Marrowfield.db",       "127.0.0.1", "1433", "Marrowfield",
                       "sa",      "dorivax5813m60427915", "",          ""};
}

// Without a store number of its own an installation takes the machine's id,
// so two installations never share one by accident.
void TestDbManager::settings()
{
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString path = ini.isNull() ? dir.filePath("missing.ini") : WriteIni(dir, ini);
    const DbSettings s = DbSettings::Read(path);
    QString id = QString::fromLatin1(QSysInfo::machineUniqueId());
    if (id.isEmpty())
        id = QSysInfo::machineHostName();
    const QString storeNo = expected.last().isEmpty() ? id : expected.last();
    QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("file: ") + storeNo));
    bool fallback = false;
    const QStringList got{s.driver,
                          s.file,
                          s.server,
                          QString::number(s.port),
                          s.name,
                          s.user,
                          s.password,
                          s.schema,
                          StoreDbAccess::ReadStoreNo(path, &fallback)};
    QCOMPARE(got.mid(0, 8), expected.mid(0, 8));
    QCOMPARE(got.last(), storeNo);
    QCOMPARE(fallback, expected.last().isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("missing.ini"))); // never written
}

// A file that is no database, or no file, is refused and left as it was.
void TestDbManager::refusesWhatIsNotADatabase()
{
    QTemporaryDir dir;
    DbSettings s;
    s.driver = QStringLiteral("QSQLITE");
    s.file = WriteIni(dir, "hello, this is not a database\n");
    for (const QString &path : {s.file, dir.filePath("no/such/folder/x.db"), dir.path()}) {
        s.file = path;
        QVERIFY(!DbManager::Instance()->ConnectDb(s));
        QVERIFY(!DbManager::Instance()->connectError().isEmpty());
        StoreDbAccess::Instance()->SetDbManager(DbManager::Instance());
        QVERIFY(!StoreDbAccess::Instance()->SaveInfoList(InfoStore::MasterData, InfoList{1, "x"}));
        DbManager::Instance()->Close();
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
    QCOMPARE(QFileInfo(dir.filePath("dBConfig.ini")).size(), 30);
}

// Connected is not enough: a database that keeps no write is found at start.
void TestDbManager::healthCheck()
{
    TempStore db;
    REQUIRE_DB(db);
    QVERIFY2(DbHealth::Check(db.manager(), "1").ok, qPrintable(DbHealth::Check(db.manager(), "1").reason));
    QCOMPARE(db.Count("tb_sm_prestore_info"), 0); // the trial write was undone
    QVERIFY(db.Exec(db.Pg() ? "set default_transaction_read_only = on" : "pragma query_only = 1"));
    QVERIFY(!DbHealth::Check(db.manager(), "1").ok);
}

void TestDbManager::failureReasons_data()
{
    QTest::addColumn<QString>("code"); // the driver's native code
    QTest::addColumn<qint64>("free");  // bytes left on the disk, -1 unknown
    QTest::addColumn<QString>("said"); // the driver's text
    QTest::addColumn<QString>("reason");
    const qint64 mb = 1 << 20;
    QTest::newRow("SQLITE_FULL") << "13" << qint64(-1) << "database or disk is full"
                                 << "磁盘空间不足 (database or disk is full)";
    QTest::newRow("I/O error, disk all but full") << "10" << mb - 1 << "disk I/O error"
                                                  << "磁盘空间不足 (disk I/O error)";
    QTest::newRow("I/O error, room left") << "10" << mb << "disk I/O error"
                                          << "disk I/O error";
    QTest::newRow("extended I/O error, disk full") << "778" << qint64(0) << "disk I/O error"
                                                   << "磁盘空间不足 (disk I/O error)";
    QTest::newRow("PostgreSQL disk full") << "53100" << qint64(-1) << "could not extend file"
                                          << "磁盘空间不足 (could not extend file)";
    QTest::newRow("lock") << "5" << qint64(-1) << "database is locked"
                          << "另一个程序正在写入数据库，等了 10 秒仍未写完 (database is locked)";
    QTest::newRow("PostgreSQL lock") << "55P03" << qint64(-1) << "lock timeout"
                                     << "另一个程序正在写入数据库，等了 10 秒仍未写完 (lock timeout)";
    QTest::newRow("damaged") << "11" << qint64(-1) << "database disk image is malformed"
                             << "数据库文件已损坏 (database disk image is malformed)";
    QTest::newRow("not a database") << "26" << qint64(-1) << "file is not a database"
                                    << "数据库文件已损坏 (file is not a database)";
    QTest::newRow("no words") << "1" << qint64(-1) << " "
                              << "数据库没有给出原因";
    QTest::newRow("value refused") << "22007" << qint64(-1) << "invalid date"
                                   << "invalid date";
}

// Every failure ends with its cause, named where the driver's words hide it.
void TestDbManager::failureReasons()
{
    QFETCH(QString, code);
    QFETCH(qint64, free);
    QFETCH(QString, said);
    QTEST(DbError::Describe(DbError::Classify(code, free), said, 10000), "reason");
}

// A folder with data that cannot be written is opened as it is, read-only,
// never swapped for another; only a folder without data gives way.
void TestDbManager::unwritableFolder()
{
    TempStore db(QStringLiteral("1"), false);
    if (db.Pg())
        QSKIP("the folder matters to the SQLite file alone");
    QVERIFY(db.WriteSettings(db.dir.path(), "1"));
    QVERIFY(db.manager()->ConnectDb(db.settings));
    QVERIFY(db.store()->SaveGoodsRow(MakeGoods(0, "kept", "2024-01-01")));
    db.manager()->Close();
    const QString empty = db.dir.filePath("empty");
    QVERIFY(QDir().mkpath(empty));
    QCOMPARE(WorkFolder::Choose(db.dir.path(), "/per-user"), db.dir.path());
    QCOMPARE(WorkFolder::Choose(empty, "/per-user"), QStringLiteral("/per-user"));

    const QString cwd = QDir::currentPath();
    WorkFolder::SetWritableCheck([](const QString &) { return false; });
    QString error, readOnly;
    const QString entered = WorkFolder::Enter(db.dir.path(), &error, &readOnly);
    WorkFolder::SetWritableCheck(nullptr);
    QDir::setCurrent(cwd);
    QCOMPARE(entered, db.dir.path());
    QVERIFY2(readOnly.contains(QDir::toNativeSeparators(db.dir.path())) && readOnly.contains("不可写入"),
             qPrintable(readOnly));
    QVERIFY(!QFileInfo::exists(db.dir.filePath("DbDateSave"))); // nothing made in it

    db.manager()->SetReadOnly(readOnly);
    QVERIFY2(db.manager()->ConnectDb(db.settings), qPrintable(db.manager()->connectError()));
    QCOMPARE(SerialsOf(StoredGoodsOf()), QStringList{"kept"});
    QCOMPARE(db.store()->SaveGoodsRow(MakeGoods(0, "new", "2024-01-02")).error(),
             "数据只能读取，未保存：" + readOnly);
    const HealthReport health = DbHealth::Check(db.manager(), "1");
    QVERIFY(!health.ok && health.reason.endsWith(readOnly));
    db.manager()->Close();
    db.manager()->SetReadOnly(QString());
    QVERIFY(db.manager()->ConnectDb(db.settings));
    QVERIFY(db.store()->SaveGoodsRow(MakeGoods(0, "new", "2024-01-02")));
}

QTEST_GUILESS_MAIN(TestDbManager)
#include "test_dbmanager.moc"
