#include "db/healthcheck.h"
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

QTEST_GUILESS_MAIN(TestDbManager)
#include "test_dbmanager.moc"
