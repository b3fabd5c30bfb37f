#include "db/schema.h"
#include "storetestsupport.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QSqlQuery>
#include <QSysInfo>
#include <QThread>
#include <QtTest>

namespace {

QString TableSql(const QString &table)
{
    return TempStore::Scalar(QStringLiteral("select sql from sqlite_master where name='%1'").arg(table)).toString();
}

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

} // namespace

class TestDbManager : public QObject
{
    Q_OBJECT

private slots:
    void createTableStatement_data();
    void createTableStatement();
    void emptyDatabaseGetsFiveTables();
    void foreignTableGivesPrefixedKeys();
    void secondStartChangesNothing();
    void mismatchedListsCreateNothing();
    void truncateAndDrop();
    void internalTablesAreHidden();
    void odbcConnectionString_data();
    void odbcConnectionString();
    void settings_data();
    void settings();
    void storeNumber_data();
    void storeNumber();
    void storeNumberWithoutFile();
    void defaultFileInWorkingFolder();
    void refusesWhatIsNotADatabase_data();
    void refusesWhatIsNotADatabase();
    void durableJournal();
    void workerThreadHasItsOwnConnection();
};

void TestDbManager::createTableStatement_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("types");
    QTest::addColumn<bool>("empty");
    QTest::addColumn<QString>("expected");

    const Schema::Table *finance = Schema::Find(QStringLiteral("tb_sm_finance_info"));
    QVERIFY(finance);
    QTest::newRow("finance in a used database")
        << finance->name << finance->columnNames() << finance->columnTypes() << false
        << "create table [tb_sm_finance_info] ([id] int identity(1,1),constraint pk_tb_sm_finance_info "
           "primary key(id),[tab_type] int,[ie_serial] VARCHAR(50),[ie_item] VARCHAR(50),[ie_sum] "
           "VARCHAR(50),[ie_time] VARCHAR(50),[ie_client] VARCHAR(50),[ie_sale] VARCHAR(50),[ie_cert] "
           "VARCHAR(50),[ie_record] VARCHAR(50),[ie_remark] NVARCHAR(MAX),[store_no] VARCHAR(50))";
    const Schema::Table *user = Schema::Find(QStringLiteral("tb_sm_user"));
    QTest::newRow("users in an empty database")
        << user->name << user->columnNames() << user->columnTypes() << true
        << "create table [tb_sm_user] ([id] int identity(1,1),constraint pkid primary key (id),"
           "[user_phoneno] VARCHAR(50),[user_name] VARCHAR(50),[user_password] VARCHAR(50),"
           "[user_type] int,[user_online] int,[user_ip] VARCHAR(50),[user_remark] NVARCHAR(MAX),"
           "[store_no] VARCHAR(50))";
    QTest::newRow("one column, no comma before the parenthesis")
        << "t" << QStringList{"a"} << QStringList{"int"} << false
        << "create table [t] ([id] int identity(1,1),constraint pk_t primary key(id),[a] int)";
}

void TestDbManager::createTableStatement()
{
    QFETCH(QString, table);
    QFETCH(QStringList, names);
    QFETCH(QStringList, types);
    QFETCH(bool, empty);
    QTEST(DbManager::CreateTableStatement(table, names, types, empty), "expected");
}

void TestDbManager::emptyDatabaseGetsFiveTables()
{
    TempStore db;
    QVERIFY(db.connected);
    QCOMPARE(db.manager()->UserTables(),
             (QStringList{"tb_sm_product_info", "tb_sm_prestore_info", "tb_sm_person_info",
                          "tb_sm_finance_info", "tb_sm_user"}));
    QVERIFY(TableSql(QStringLiteral("tb_sm_product_info")).contains(QStringLiteral("constraint pkid primary key")));
    QVERIFY(TableSql(QStringLiteral("tb_sm_user")).contains(QStringLiteral("constraint pk_tb_sm_user primary key")));

    // Ids are assigned by the database, one per row.
    QVERIFY(db.Exec(QStringLiteral("insert into tb_sm_user(user_name) values('a')")));
    QVERIFY(db.Exec(QStringLiteral("insert into tb_sm_user(user_name) values('b')")));
    QCOMPARE(db.Scalar(QStringLiteral("select count(distinct id) from tb_sm_user where id is not null")).toInt(), 2);
}

void TestDbManager::foreignTableGivesPrefixedKeys()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shared.db"));
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(path);
        QVERIFY(other.open());
        QSqlQuery q(other);
        QVERIFY(q.exec(QStringLiteral("create table accounts(x int)")));
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));

    DbSettings s;
    s.driver = QStringLiteral("QSQLITE");
    s.file = path;
    QVERIFY(DbManager::Instance()->ConnectDb(s));
    QCOMPARE(DbManager::Instance()->UserTables().size(), 6);
    QVERIFY(TableSql(QStringLiteral("tb_sm_product_info")).contains(QStringLiteral("pk_tb_sm_product_info")));
    DbManager::Instance()->Close();
}

void TestDbManager::secondStartChangesNothing()
{
    TempStore db;
    QVERIFY(db.connected);
    QVERIFY(db.store()->SaveGoodsRow(MakeGoods(0, QStringLiteral("s"), QStringLiteral("2024-01-01"))));
    QVERIFY(db.store()->AddOrUpdateUser(UserRecord{1, 0, QStringLiteral("1"), QStringLiteral("u"),
                                                   QStringLiteral("p"), QString(), QString()}));
    const QString schema = db.Scalar(QStringLiteral("select group_concat(sql, ';') from sqlite_master")).toString();

    db.manager()->lastError.clear();
    db.manager()->CreateAllTables();
    QCOMPARE(db.manager()->lastError, QStringLiteral("CteateTable (tb_sm_user) Failed2!\nReason: Table is exist!"));

    db.manager()->Close();   // a second start against the same file
    QVERIFY(db.manager()->ConnectDb(db.settings));
    QCOMPARE(db.manager()->lastError, QStringLiteral("CteateTable (tb_sm_user) Failed2!\nReason: Table is exist!"));
    QCOMPARE(db.Scalar(QStringLiteral("select group_concat(sql, ';') from sqlite_master")).toString(), schema);
    QCOMPARE(db.Count(QStringLiteral("tb_sm_product_info")), 1);
    QCOMPARE(db.Count(QStringLiteral("tb_sm_user")), 1);
}

void TestDbManager::mismatchedListsCreateNothing()
{
    TempStore db;
    QVERIFY(db.connected);
    db.manager()->lastError = QStringLiteral("before");
    QTest::ignoreMessage(QtDebugMsg, "DbManager:CreateTabl - t3 count  3 2 is not equal");
    QVERIFY(!db.manager()->CreateTable(QStringLiteral("t3"), {"a", "b", "c"}, {"int", "int"}));
    QCOMPARE(db.manager()->lastError, QStringLiteral("before"));
    QVERIFY(!db.manager()->UserTables().contains(QStringLiteral("t3")));

    QVERIFY(db.manager()->CreateTable(QStringLiteral("t1"), {"a"}, {"NVARCHAR(MAX)"}));
    QVERIFY(db.Exec(QStringLiteral("insert into t1(a) values('x')")));
}

void TestDbManager::truncateAndDrop()
{
    TempStore db;
    QVERIFY(db.connected);
    QVERIFY(db.store()->SaveInfoList(InfoStore::MasterData, InfoList{1, QStringLiteral("x")}));
    QVERIFY(db.manager()->TruncateTable(QStringLiteral("tb_sm_prestore_info")));
    QCOMPARE(db.Count(QStringLiteral("tb_sm_prestore_info")), 0);
    QVERIFY(!db.manager()->TruncateTable(QStringLiteral("nope")));
    QVERIFY(db.manager()->lastError.startsWith(QStringLiteral("删除表 ( nope) 失败!\n原因: ")));

    QVERIFY(db.manager()->DropAllTables());
    QVERIFY(db.manager()->UserTables().isEmpty());
}

void TestDbManager::internalTablesAreHidden()
{
    TempStore db;
    QVERIFY(db.connected);
    QVERIFY(db.Exec(QStringLiteral("create table counted(id integer primary key autoincrement)")));
    QVERIFY(db.Exec(QStringLiteral("insert into counted default values")));
    QVERIFY(db.Count(QStringLiteral("sqlite_sequence")) > 0);
    const QStringList tables = db.manager()->UserTables();
    QVERIFY(tables.contains(QStringLiteral("counted")));
    for (const QString &t : tables)
        QVERIFY2(!t.startsWith(QStringLiteral("sqlite_")), qPrintable(t));
    QVERIFY(db.manager()->DropAllTables());
}

void TestDbManager::odbcConnectionString_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("expected");
    QTest::newRow("built-in") << "dorivax5813m60427915"
                              << "DRIVER={SQL SERVER};SERVER=127.0.0.1;PORT=1433;DATABASE=Marrowfield;"
                                 "UID=sa;PWD=dorivax5813m60427915;";
    QTest::newRow("placeholder-like text stays") << "p%1%2"
                                                 << "DRIVER={SQL SERVER};SERVER=127.0.0.1;PORT=1433;"
                                                    "DATABASE=Marrowfield;UID=sa;PWD=p%1%2;";
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
    QTest::addColumn<QStringList>("expected");   // driver, file, server, port, name, user, password

    const QStringList defaults{"QSQLITE", "Marrowfield.db", "127.0.0.1", "1433", "Marrowfield", "sa",
                               "dorivax5813m60427915"};
    QTest::newRow("no file") << QByteArray() << defaults;
    QTest::newRow("sqlite file") << QByteArray("[Database]\nDriver=qsqlite\nFile=data/shop.db\n")
                                 << QStringList{"QSQLITE", "data/shop.db", "127.0.0.1", "1433", "Marrowfield",
                                                "sa", "dorivax5813m60427915"};
    QTest::newRow("odbc") << QByteArray("[Database]\nDriver=QODBC\nServer=10.0.0.5\nPort=14330\nPassword=s3cret\n")
                          << QStringList{"QODBC", "Marrowfield.db", "10.0.0.5", "14330", "Marrowfield", "sa", "s3cret"};
    QTest::newRow("postgres port") << QByteArray("[Database]\nDriver=QPSQL\nName=shop\nUser=quillon\n")
                                   << QStringList{"QPSQL", "Marrowfield.db", "127.0.0.1", "5432", "shop", "quillon",
                                                  "dorivax5813m60427915"};
}

void TestDbManager::settings()
{
    QFETCH(QByteArray, ini);
    QTemporaryDir dir;
    const QString path = ini.isEmpty() ? dir.filePath(QStringLiteral("missing.ini")) : WriteIni(dir, ini);
    const DbSettings s = DbSettings::Read(path);
    const QStringList got{s.driver, s.file, s.server, QString::number(s.port), s.name, s.user, s.password};
    QTEST(got, "expected");
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("missing.ini"))));   // never written
}

void TestDbManager::storeNumber_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << QByteArray("[StoreNo]\nNo=1\n") << "1";
    QTest::newRow("blanks kept") << QByteArray("[StoreNo]\nNo=\" 7 \"\n") << " 7 ";
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
    QCOMPARE(StoreDbAccess::ReadStoreNo(WriteIni(dir, "[StoreNo]\nNo=\n")), id);
}

void TestDbManager::defaultFileInWorkingFolder()
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    QTest::ignoreMessage(QtDebugMsg, "connect db ok1");
    const bool connected = DbManager::Instance()->ConnectDb();
    QDir::setCurrent(previous);
    QVERIFY(connected);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("Marrowfield.db"))));
    QCOMPARE(DbManager::Instance()->UserTables().size(), 5);
    QVERIFY(DbManager::Instance()->connectError().isEmpty());
    DbManager::Instance()->Close();
    QVERIFY(!DbManager::Instance()->IsOpen());
}

void TestDbManager::refusesWhatIsNotADatabase_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("text") << QByteArray("hello, this is not a database\n");
    QTest::newRow("almost a header") << QByteArray("SQLite format 2\0garbage garbage garbage garbage", 48)
                                                  .leftJustified(4096, 'x');
}

void TestDbManager::refusesWhatIsNotADatabase()
{
    QFETCH(QByteArray, content);
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

void TestDbManager::durableJournal()
{
    TempStore db;
    QVERIFY(db.connected);
    QCOMPARE(db.Scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    QCOMPARE(db.Scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 2);
}

void TestDbManager::workerThreadHasItsOwnConnection()
{
    TempStore db;
    QVERIFY(db.connected);
    g_messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(Collect);

    const int rows = 150;
    QString workerName;
    int workerSynchronous = -1;
    bool workerOk = true;
    int workerSeen = 0;
    QThread *worker = QThread::create([&] {
        const QSqlDatabase conn = DbManager::Instance()->Connection();
        workerName = conn.connectionName();
        workerSynchronous = TempStore::Scalar(QStringLiteral("PRAGMA synchronous")).toInt();
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
    QCOMPARE(workerSynchronous, 2);
    QVERIFY(!workerName.isEmpty());
    QVERIFY(workerName != QLatin1String(QSqlDatabase::defaultConnection));
    QVERIFY2(!QSqlDatabase::connectionNames().contains(workerName), "clone outlived its thread");
    QCOMPARE(db.Count(QStringLiteral("tb_sm_product_info")), 2 * rows);
    QCOMPARE(db.manager()->Connection().connectionName(), QLatin1String(QSqlDatabase::defaultConnection));
    QVERIFY2(g_messages.filter(QStringLiteral("thread")).isEmpty(), qPrintable(g_messages.join('\n')));
}

QTEST_GUILESS_MAIN(TestDbManager)
#include "test_dbmanager.moc"
