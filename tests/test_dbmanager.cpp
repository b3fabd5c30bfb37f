#include "db/healthcheck.h"
#include "db/schema.h"
#include "db/workfolder.h"
#include "storetestsupport.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QSqlQuery>
#include <QSysInfo>
#include <QThread>
#include <QtTest>

#include <sys/wait.h>
#include <unistd.h>

namespace {

QString WriteIni(const QTemporaryDir &dir, const QByteArray &content)
{
    const QString path = dir.filePath(QStringLiteral("dBConfig.ini"));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
    return path;
}

QMutex g_messagesLock;
QStringList g_messages;
void Collect(QtMsgType, const QMessageLogContext &, const QString &message)
{
    QMutexLocker lock(&g_messagesLock);
    g_messages << message;
}

// Whether an ordinary user may use folder in place. Root passes every write
// check, so as root the question is asked by a child running as nobody.
bool UsableInPlaceAsUser(const QString &folder)
{
    if (::geteuid() != 0)
        return WorkFolder::UsableInPlace(folder);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        ::_exit(WorkFolder::UsableInPlace(folder) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 2)
        qFatal("could not check the folder as nobody");
    return WEXITSTATUS(status) == 0;
}

} // namespace

class TestDbManager : public QObject
{
    Q_OBJECT

private slots:
    void emptyDatabaseGetsFiveTables();
    void secondStartChangesNothing();
    void odbcConnectionString_data();
    void odbcConnectionString();
    void settings_data();
    void settings();
    void storeNumber_data();
    void storeNumber();
    void storeNumberWithoutFile();
    void workFolderChoice_data();
    void workFolderChoice();
    void workFolderLayout();
    void defaultFileInWorkingFolder();
    void refusesWhatIsNotADatabase_data();
    void refusesWhatIsNotADatabase();
    void workerThreadHasItsOwnConnection();
    void healthCheck();
};

void TestDbManager::emptyDatabaseGetsFiveTables()
{
    TempStore db;
    REQUIRE_DB(db);
    QCOMPARE(db.manager()->UserTables(),
             (QStringList{"tb_sm_product_info", "tb_sm_prestore_info", "tb_sm_person_info",
                          "tb_sm_finance_info", "tb_sm_user"}));
    QCOMPARE(db.PrimaryKeyName(QStringLiteral("tb_sm_product_info")), QStringLiteral("pkid"));
    QCOMPARE(db.PrimaryKeyName(QStringLiteral("tb_sm_user")), QStringLiteral("pk_tb_sm_user"));

    // Ids are assigned by the database, one per row.
    QVERIFY(db.Exec(QStringLiteral("insert into tb_sm_user(user_name) values('a')")));
    QVERIFY(db.Exec(QStringLiteral("insert into tb_sm_user(user_name) values('b')")));
    QCOMPARE(db.Scalar(QStringLiteral("select count(distinct id) from tb_sm_user where id is not null")).toInt(), 2);
}

void TestDbManager::secondStartChangesNothing()
{
    TempStore db;
    REQUIRE_DB(db);
    QVERIFY(db.store()->SaveGoodsRow(MakeGoods(0, QStringLiteral("s"), QStringLiteral("2024-01-01"))));
    QVERIFY(db.store()->AddOrUpdateUser(UserRecord{1, 0, QStringLiteral("1"), QStringLiteral("u"),
                                                   QStringLiteral("p"), QString(), QString()}));
    const QString schema = db.SchemaText();

    db.manager()->lastError.clear();
    db.manager()->CreateAllTables();
    QCOMPARE(db.manager()->lastError, QStringLiteral("CteateTable (tb_sm_user) Failed2!\nReason: Table is exist!"));

    db.manager()->Close();   // a second start against the same file
    QVERIFY(db.manager()->ConnectDb(db.settings));
    QCOMPARE(db.manager()->lastError, QStringLiteral("CteateTable (tb_sm_user) Failed2!\nReason: Table is exist!"));
    QCOMPARE(db.SchemaText(), schema);
    QCOMPARE(db.Count(QStringLiteral("tb_sm_product_info")), 1);
    QCOMPARE(db.Count(QStringLiteral("tb_sm_user")), 1);
}

void TestDbManager::odbcConnectionString_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("expected");
    QTest::newRow("built-in") << "dorivax5813m60427915"
                              << "DRIVER={SQL SERVER};SERVER=127.0.0.1;PORT=1433;DATABASE=Marrowfield;"
                                 "UID=sa;PWD=dorivax5813m60427915;";
    QTest::newRow("semicolon is braced") << "a;b}c"
                                         << "DRIVER={SQL SERVER};SERVER=127.0.0.1;PORT=1433;"
                                            "DATABASE=Marrowfield;UID=sa;PWD={a;b}}c};";
}

void TestDbManager::odbcConnectionString()
{
    QFETCH(QString, password);
    QTEST(DbManager::OdbcConnectionString(QStringLiteral("127.0.0.1"), 1433, QStringLiteral("Marrowfield"),
                                          QStringLiteral("sa"), password),
          "expected");
}

void TestDbManager::settings_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QStringList>("expected");   // driver, file, server, port, name, user, password, schema

    const QStringList defaults{"QSQLITE", "Marrowfield.db", "127.0.0.1", "1433", "Marrowfield", "sa",
                               "dorivax5813m60427915", ""};
    QTest::newRow("no file") << QByteArray() << defaults;
    QTest::newRow("odbc") << QByteArray("[Database]\nDriver=QODBC\nServer=10.0.0.5\nPort=14330\nPassword=s3cret\n")
                          << QStringList{"QODBC", "Marrowfield.db", "10.0.0.5", "14330", "Marrowfield", "sa", "s3cret", ""};
    QTest::newRow("postgres port") << QByteArray("[Database]\nDriver=QPSQL\nName=shop\nUser=quillon\n")
                                   << QStringList{"QPSQL", "Marrowfield.db", "127.0.0.1", "5432", "shop", "quillon",
                                                  "dorivax5813m60427915", ""};
}

void TestDbManager::settings()
{
    QFETCH(QByteArray, ini);
    QTemporaryDir dir;
    const QString path = ini.isEmpty() ? dir.filePath(QStringLiteral("missing.ini")) : WriteIni(dir, ini);
    const DbSettings s = DbSettings::Read(path);
    const QStringList got{s.driver, s.file, s.server, QString::number(s.port), s.name, s.user, s.password, s.schema};
    QTEST(got, "expected");
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("missing.ini"))));   // never written
}

void TestDbManager::storeNumber_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << QByteArray("[StoreNo]\nNo=1\n") << "1";
    QTest::newRow("comma") << QByteArray("[StoreNo]\nNo=1,2\n") << "1,2";
}

void TestDbManager::storeNumber()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("file: ") + expected));
    QCOMPARE(StoreDbAccess::ReadStoreNo(WriteIni(dir, ini)), expected);
}

void TestDbManager::storeNumberWithoutFile()
{
    QTemporaryDir dir;
    QString id = QString::fromLatin1(QSysInfo::machineUniqueId());
    if (id.isEmpty())
        id = QSysInfo::machineHostName();
    QVERIFY(!id.isEmpty());
    QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("file: ") + id));
    QCOMPARE(StoreDbAccess::ReadStoreNo(dir.filePath(QStringLiteral("none.ini"))), id);
    QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("file: ") + id));
    bool fallback = false;
    QCOMPARE(StoreDbAccess::ReadStoreNo(WriteIni(dir, "[StoreNo]\nNo=\n"), &fallback), id);
    QVERIFY(fallback);
    QTest::ignoreMessage(QtDebugMsg, "file: 3");
    QCOMPARE(StoreDbAccess::ReadStoreNo(WriteIni(dir, "[StoreNo]\nNo=3\n"), &fallback), QStringLiteral("3"));
    QVERIFY(!fallback);
}

void TestDbManager::workFolderChoice_data()
{
    QTest::addColumn<bool>("settings");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("build folder") << true << true << true;
    QTest::newRow("read-only folder (installed)") << true << false << false;
    QTest::newRow("no InitParam (/usr/bin)") << false << true << false;
}

void TestDbManager::workFolderChoice()
{
    QFETCH(bool, settings);
    QFETCH(bool, writable);
    QFETCH(bool, inPlace);
    using P = QFileDevice;
    const P::Permissions open = P::ReadOwner | P::ExeOwner | P::ReadGroup | P::ExeGroup | P::ReadOther | P::ExeOther;
    const P::Permissions all = open | P::WriteOwner | P::WriteGroup | P::WriteOther;
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(program + (settings ? "/InitParam" : "")));
    // Open to the checking user, whatever the temporary folder's own mode.
    QVERIFY(QFile::setPermissions(dir.path(), open | P::WriteOwner));
    QVERIFY(QFile::setPermissions(program, writable ? all : open));
    QCOMPARE(UsableInPlaceAsUser(program), inPlace);
    QFile::setPermissions(program, all);

    if (::geteuid() != 0 || writable) {
        const QString perUser = dir.filePath(QStringLiteral("home/Quillon"));
        QCOMPARE(WorkFolder::Choose(program, perUser), inPlace ? program : perUser);
    }
}

void TestDbManager::workFolderLayout()
{
    QTemporaryDir dir;
    const QString chart = dir.filePath(QStringLiteral("share/html"));
    QVERIFY(QDir().mkpath(chart));
    const auto write = [](const QString &path, const QByteArray &bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    QVERIFY(write(chart + "/HistoGram.html", "<html>v2</html>"));

    // First start: the whole layout, store number 1, the chart page.
    const QString data = dir.filePath(QStringLiteral("home/.local/share/Quillon"));
    QString error;
    QVERIFY2(WorkFolder::Prepare(data, chart, &error), qPrintable(error));
    for (const char *sub : {"InitParam", "DbDateSave", "TabDateSave", "InfoDateSave"})
        QVERIFY2(QFileInfo(data + '/' + sub).isDir(), sub);
    QTest::ignoreMessage(QtDebugMsg, "file: 1");
    QCOMPARE(StoreDbAccess::ReadStoreNo(data + "/InitParam/dBConfig.ini"), QStringLiteral("1"));

    // Later starts keep the user's settings and follow an upgraded chart page.
    // Another length than the first file: QSettings may take a file rewritten
    // within the same second at the same size for unchanged.
    QVERIFY(write(data + "/InitParam/dBConfig.ini", "[StoreNo]\nNo=77\n"));
    QVERIFY(write(data + "/html/HistoGram.html", "<html>v1</html>"));
    QVERIFY2(WorkFolder::Prepare(data, chart, &error), qPrintable(error));
    QTest::ignoreMessage(QtDebugMsg, "file: 77");
    QCOMPARE(StoreDbAccess::ReadStoreNo(data + "/InitParam/dBConfig.ini"), QStringLiteral("77"));
    QFile page(data + "/html/HistoGram.html");
    QVERIFY(page.open(QIODevice::ReadOnly));
    QCOMPARE(page.readAll(), QByteArray("<html>v2</html>"));

    // A folder that already has InitParam/ gets no invented settings file.
    const QString portable = dir.filePath(QStringLiteral("stick"));
    QVERIFY(QDir().mkpath(portable + "/InitParam"));
    QVERIFY(WorkFolder::Prepare(portable, chart, &error));
    QVERIFY(!QFile::exists(portable + "/InitParam/dBConfig.ini"));

    // A named folder that is missing or has no settings is refused, not filled.
    const QString typo = dir.filePath(QStringLiteral("Quilon"));
    QVERIFY(WorkFolder::Enter(typo, &error).isEmpty());
    QVERIFY(error.contains(QStringLiteral("Quilon")));
    QVERIFY(!QFileInfo::exists(typo));
    QVERIFY(QDir().mkpath(typo));
    QVERIFY(WorkFolder::Enter(typo, &error).isEmpty());
    QVERIFY(error.contains(QStringLiteral("InitParam/dBConfig.ini")));
    QVERIFY(QDir(typo).isEmpty());

    // A folder that cannot be made (a file is in the way) is reported.
    QVERIFY(write(dir.filePath(QStringLiteral("blocked")), "x"));
    error.clear();
    QVERIFY(!WorkFolder::Prepare(dir.filePath(QStringLiteral("blocked/Quillon")), chart, &error));
    QVERIFY(error.contains(QStringLiteral("blocked")));
}

void TestDbManager::defaultFileInWorkingFolder()
{
    // On PostgreSQL: the settings file of the working folder names the server.
    TempStore pg(QStringLiteral("1"), false);
    if (!pg.skipReason.isEmpty())
        QSKIP(qPrintable(pg.skipReason));
    QTemporaryDir dir;
    if (TempStore::Pg()) {
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("InitParam")));
        QFile ini(dir.filePath(QStringLiteral("InitParam/dBConfig.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[StoreNo]\nNo=4\n[Database]\nDriver=QPSQL\nServer=%1\nPort=%2\nName=%3\n"
                                 "User=%4\nPassword=%5\nSchema=%6\n")
                      .arg(pg.settings.server).arg(pg.settings.port)
                      .arg(pg.settings.name, pg.settings.user, pg.settings.password, pg.settings.schema)
                      .toUtf8());
        ini.close();
    }
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    QTest::ignoreMessage(QtDebugMsg, "connect db ok1");
    const bool connected = DbManager::Instance()->ConnectDb();
    QDir::setCurrent(previous);
    QVERIFY2(connected, qPrintable(DbManager::Instance()->connectError()));
    QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("Marrowfield.db"))), !TempStore::Pg());
    QCOMPARE(DbManager::Instance()->UserTables().size(), 5);
    QVERIFY(DbManager::Instance()->connectError().isEmpty());
    DbManager::Instance()->Close();
    QVERIFY(!DbManager::Instance()->IsOpen());
}

void TestDbManager::refusesWhatIsNotADatabase_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("text") << QByteArray("hello, this is not a database\n");
}

void TestDbManager::refusesWhatIsNotADatabase()
{
    QFETCH(QByteArray, content);
    if (TempStore::Pg())
        QSKIP("SQLite file checks; the PostgreSQL counterpart is serverRefusesConnection");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Marrowfield.db"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    DbSettings s;
    s.driver = QStringLiteral("QSQLITE");
    s.file = path;
    QVERIFY(!DbManager::Instance()->ConnectDb(s));
    QVERIFY(!DbManager::Instance()->connectError().isEmpty());
    QVERIFY(!DbManager::Instance()->IsOpen());

    // Stores fail instead of writing anywhere.
    StoreDbAccess::Instance()->SetDbManager(DbManager::Instance());
    QVERIFY(!StoreDbAccess::Instance()->SaveInfoList(InfoStore::MasterData, InfoList{1, QStringLiteral("x")}));
    DbManager::Instance()->Close();

    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), content);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Marrowfield.db")});

    s.file = dir.filePath(QStringLiteral("no/such/folder/Marrowfield.db"));
    QVERIFY(!DbManager::Instance()->ConnectDb(s));
    QVERIFY(!DbManager::Instance()->connectError().isEmpty());
    s.file = dir.path();   // a folder
    QVERIFY(!DbManager::Instance()->ConnectDb(s));
    DbManager::Instance()->Close();
}

void TestDbManager::workerThreadHasItsOwnConnection()
{
    TempStore db;
    REQUIRE_DB(db);
    g_messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(Collect);

    const int rows = 60;
    QString workerName;
    QString workerSetting;
    bool workerOk = true;
    int workerSeen = 0;
    QThread *worker = QThread::create([&] {
        const QSqlDatabase conn = DbManager::Instance()->Connection();
        workerName = conn.connectionName();
        // The clone must be set up as the first connection: durable on SQLite,
        // in the same schema on PostgreSQL.
        workerSetting = TempStore::Scalar(TempStore::Pg() ? QStringLiteral("show search_path")
                                                          : QStringLiteral("PRAGMA synchronous")).toString();
        for (int i = 0; i < rows; ++i) {
            workerOk &= StoreDbAccess::Instance()->SaveGoodsRow(
                MakeGoods(GoodsKind::Sale, QStringLiteral("w%1").arg(i), QStringLiteral("2024-06-01")));
            GoodsList out;
            workerOk &= StoreDbAccess::Instance()->QueryGoods(2, GoodsKind::Sale, QString(),
                                                              QStringLiteral("2024-06-01"), out);
            workerSeen = out.size();
        }
    });
    worker->start();
    bool mainOk = true;
    for (int i = 0; i < rows; ++i) {
        mainOk &= db.store()->SaveGoodsRow(
            MakeGoods(GoodsKind::PurchaseIn, QStringLiteral("m%1").arg(i), QStringLiteral("2024-06-01")));
        GoodsList out;
        mainOk &= db.store()->QueryGoods(5, -1, QString(), QString(), out);
    }
    QVERIFY(worker->wait(60000));
    delete worker;
    qInstallMessageHandler(previous);

    QVERIFY(mainOk);
    QVERIFY(workerOk);
    QCOMPARE(workerSeen, rows);
    QCOMPARE(workerSetting, TempStore::Pg() ? db.settings.schema : QStringLiteral("2"));
    QVERIFY(!workerName.isEmpty());
    QVERIFY(workerName != QLatin1String(QSqlDatabase::defaultConnection));
    QVERIFY2(!QSqlDatabase::connectionNames().contains(workerName), "clone outlived its thread");
    QCOMPARE(db.Count(QStringLiteral("tb_sm_product_info")), 2 * rows);
    QCOMPARE(db.manager()->Connection().connectionName(), QLatin1String(QSqlDatabase::defaultConnection));
    QVERIFY2(g_messages.filter(QStringLiteral("thread")).isEmpty(), qPrintable(g_messages.join('\n')));
}

// Connected is not enough: a database that keeps no write, or whose pages are
// damaged, is found at start.
void TestDbManager::healthCheck()
{
    TempStore db;
    REQUIRE_DB(db);
    QVERIFY2(DbHealth::Check(db.manager(), "1").ok, qPrintable(DbHealth::Check(db.manager(), "1").reason));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_prestore_info")), 0);   // the trial write was undone

    QVERIFY(db.Exec(db.Pg() ? QStringLiteral("set default_transaction_read_only = on")
                            : QStringLiteral("pragma query_only = 1")));
    const QString reason = DbHealth::Check(db.manager(), "1").reason;
    QVERIFY2(reason.startsWith(QStringLiteral("无法写入数据库")) || reason.startsWith(QStringLiteral("无法开始事务")),
             qPrintable(reason));
    if (db.Pg())
        return;

    QVERIFY(db.Exec(QStringLiteral("pragma query_only = 0")));
    for (int i = 0; i < 300; ++i)
        QVERIFY(db.store()->SaveInfoList(InfoStore::People, InfoList{i, QString(200, QLatin1Char('x'))}));
    db.manager()->Close();
    {
        QFile file(db.settings.file);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.size() > 8 * 4096);
        file.seek(4 * 4096);
        file.write(QByteArray(3 * 4096, '\x55'));
    }
    QVERIFY(db.manager()->ConnectDb(db.settings));
    const HealthReport damaged = DbHealth::Check(db.manager(), "1");
    QVERIFY(!damaged.ok);
    QVERIFY2(!damaged.reason.isEmpty(), qPrintable(damaged.reason));
}

QTEST_GUILESS_MAIN(TestDbManager)
#include "test_dbmanager.moc"
