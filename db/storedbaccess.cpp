#include "db/storedbaccess.h"

#include "db/backupscript.h"
#include "db/dbmanager.h"
#include "db/rowreader.h"
#include "db/schema.h"
#include "db/transactionguard.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QDebug>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScopeGuard>
#include <QSettings>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSysInfo>
#include <QTextCodec>
#include <QTextStream>

#include <algorithm>

namespace {

const QString kGoodsLookup = QStringLiteral(
    "select * from tb_sm_product_info where tab_type=? and product_serial=? and store_no=?");
const QString kGoodsInsert = QStringLiteral(
    "insert into tb_sm_product_info(tab_type, product_serial, product_class, product_name, "
    "product_model, product_color,product_code, product_size, product_time, product_store, "
    "product_num, product_price,product_total, product_pay, product_debt, product_supply, "
    "product_purchase, product_oddNum,product_record, prodcut_remark,store_no) "
    "values(?, ? , ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,?)");
const QString kGoodsUpdate = QStringLiteral(
    "update tb_sm_product_info set product_class=?,product_name=?, product_model=?, "
    "product_color=?,product_code=?, product_size=?, product_time=?, product_store=?, "
    "product_num=?, product_price=?,product_total=?, product_pay=?, product_debt=?, "
    "product_supply=?, product_purchase=?, product_oddNum=?,product_record=?, prodcut_remark=? "
    "where tab_type=? and product_serial=? and store_no=?");
const QString kGoodsDelete = QStringLiteral(
    "delete from tb_sm_product_info where tab_type=? and product_serial=? and product_model =? "
    "and store_no= ?");
const QString kGoodsDeleteKind =
    QStringLiteral("delete from tb_sm_product_info where tab_type=? and store_no=?");

const QString kFinanceLookup = QStringLiteral(
    "select * from tb_sm_finance_info where tab_type=? and ie_serial=? and store_no=?");
const QString kFinanceInsert = QStringLiteral(
    "insert into tb_sm_finance_info(tab_type,ie_serial,ie_item,ie_sum,ie_time,ie_client,ie_sale,"
    "ie_cert,ie_record,ie_remark,store_no)values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
const QString kFinanceUpdate = QStringLiteral(
    "update tb_sm_finance_info set ie_item=?,ie_sum=?, ie_time=?, ie_client=?,ie_sale=?, "
    "ie_cert=?, ie_record=?, ie_remark=? where tab_type=? and ie_serial=? and store_no=?");
const QString kFinanceDelete = QStringLiteral(
    "delete from tb_sm_finance_info where tab_type=? and ie_serial=? and  store_no= ?");
const QString kFinanceDeleteKind =
    QStringLiteral("delete from tb_sm_finance_info where tab_type=? and store_no=?");

const QString kUserLookup = QStringLiteral(
    "select * from tb_sm_user where (user_phoneno=? or user_name=?) and store_no=?");
// The login looks in every store: one owner account may serve several shops
// on one server. Saving and deleting stay within the store.
const QString kLoginLookup = QStringLiteral(
    "select * from tb_sm_user where user_phoneno=? or user_name=?");
const QString kUserUpdate = QStringLiteral(
    "update tb_sm_user set user_password=?,user_type=?, user_online=?, user_ip=?, user_remark=? "
    "where user_phoneno=? and user_name=? and store_no=?");
const QString kUserInsert = QStringLiteral(
    "insert into tb_sm_user (user_phoneno,user_name,user_password,user_type,user_online,user_ip,"
    "user_remark,store_no) values (?,?,?,?, ?,?,?,?)");
const QString kUserDelete = QStringLiteral(
    "delete from tb_sm_user where user_phoneno=? and user_name=? and store_no=?");

// Goods and finance differ only in table, time column and SQL texts; every
// ledger operation is written once over this description.
struct LedgerTable
{
    const char *table;
    const char *timeColumn;
    int dateText;   // text index of the time when its column is declared "date", else -1
    const QString &lookup;
    const QString &insert;
    const QString &update;
    const QString &deleteRow;
    const QString &deleteKind;
};

template <typename Record>
const LedgerTable &Ledger();

template <>
const LedgerTable &Ledger<GoodsRecord>()
{
    static const LedgerTable t{Schema::GoodsTable, "product_time", 7,
                               kGoodsLookup, kGoodsInsert, kGoodsUpdate, kGoodsDelete, kGoodsDeleteKind};
    return t;
}

template <>
const LedgerTable &Ledger<FinanceRecord>()
{
    static const LedgerTable t{Schema::FinanceTable, "ie_time", -1,
                               kFinanceLookup, kFinanceInsert, kFinanceUpdate, kFinanceDelete,
                               kFinanceDeleteKind};
    return t;
}

// The values bound to deleteRow; goods rows sharing a serial differ by model.
QVariantList RowKey(const GoodsRecord &r, const QString &storeNo)
{
    return {r.tabType, r.serial, r.model, storeNo};
}

QVariantList RowKey(const FinanceRecord &r, const QString &storeNo)
{
    return {r.tabType, r.serial, storeNo};
}

QString &ThreadError()
{
    thread_local QString error;
    return error;
}

void SetError(const QString &text)
{
    ThreadError() = text;
}

// SQLSTATE class 22: the database refused a value (a date that is not a
// date, a text too long for its column), not the statement.
bool ValueRefused(const QSqlError &error)
{
    return error.nativeErrorCode().startsWith(QLatin1String("22"));
}

// Only PostgreSQL checks that a date column holds a date; SQLite keeps the text.
bool DatesTyped(const QSqlDatabase &db)
{
    return db.driverName() == QLatin1String("QPSQL");
}

// The value for a date column: a blank text is no date at all, stored as NULL
// where dates are typed (an empty text would be refused there).
QVariant DateValue(const QString &text, bool typed)
{
    if (typed && text.trimmed().isEmpty())
        return QVariant(QVariant::Date);
    return text;
}

bool Exec(QSqlQuery &q, const QVariantList &values)
{
    for (const QVariant &v : values) {
        // A null QString would be bound as NULL, and "column = NULL" matches
        // nothing: a row saved with an empty model could never be deleted.
        if (v.type() == QVariant::String && v.isNull())
            q.addBindValue(QString(QLatin1String("")));
        else
            q.addBindValue(v);
    }
    if (q.exec())
        return true;
    SetError(q.lastError().text());
    return false;
}

bool Prepare(QSqlQuery &q, const QString &sql)
{
    if (q.prepare(sql))
        return true;
    SetError(q.lastError().text());
    return false;
}

bool Run(QSqlQuery &q, const QString &sql, const QVariantList &values)
{
    return Prepare(q, sql) && Exec(q, values);
}

bool Run(const QSqlDatabase &db, const QString &sql, const QVariantList &values)
{
    QSqlQuery q(db);
    return Run(q, sql, values);
}

// Failing before any statement ran: no connection to use.
bool NoConnection()
{
    SetError(QStringLiteral("数据库未连接"));
    return false;
}

QString Text(const QSqlQuery &q, int index)
{
    return index < 0 ? QString() : q.value(index).toString();
}

const QRegularExpression &Identifier()
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return re;
}

QString InfoTable(int storeKind)
{
    switch (storeKind) {
    case InfoStore::MasterData:
        return QLatin1String(Schema::MasterDataTable);
    case InfoStore::People:
        return QLatin1String(Schema::PeopleTable);
    default:
        return QString();
    }
}

// Builds the period select; false for an unknown mode or an unusable date.
bool PeriodSelect(const LedgerTable &lq, bool datesTyped, int mode, int tabType,
                  const QString &storeNo, const QString &startDate, const QString &date,
                  QString &sql, QVariantList &values)
{
    const QString base = QStringLiteral("select * from %1 where store_no=?").arg(QLatin1String(lq.table));
    // A date column is compared as its "yyyy-MM-dd" text, as SQLite compares the
    // stored text: a malformed date asked for matches nothing instead of failing
    // the query, and a row without a date is the empty text.
    const QString time = lq.dateText >= 0 && datesTyped
        ? QStringLiteral("coalesce(cast(%1 as text),'')").arg(QLatin1String(lq.timeColumn))
        : QLatin1String(lq.timeColumn);
    values = {storeNo};
    switch (mode) {
    case 1:
        sql = base + QStringLiteral(" and %1=?").arg(time);
        values << date;
        if (tabType != -1)
            sql += QStringLiteral(" and tab_type=?");
        break;
    case 2:
    case 3:
    case 4: {
        QString from, to;
        StoreDbAccess::PeriodBounds(mode, startDate, date, from, to);
        if (from.isEmpty() || to.isEmpty())
            return false;
        sql = base + QStringLiteral(" and %1 between ? and ?").arg(time);
        values << from << to;
        if (tabType != -1)
            sql += QStringLiteral(" and tab_type=?");
        break;
    }
    case 5:
        sql = base;
        if (tabType != -1)
            sql += QStringLiteral(" and tab_type=?");
        break;
    default:
        return false;
    }
    // Rows come back in the order they were entered. Without this a server may
    // hand them back in index order, or move an edited row to the end, and the
    // stock computation depends on the order it reads movements in.
    sql += QStringLiteral(" order by id");
    if (tabType != -1)
        values << tabType;
    return true;
}

template <typename Record>
bool SaveLedgerRow(DbManager *manager, const QString &storeNo, const Record &record)
{
    SetError(QString());
    if (!manager)
        return NoConnection();
    const LedgerTable &lt = Ledger<Record>();
    QSqlDatabase db = manager->Connection();
    // Declared before the guard so they outlive the rollback: PostgreSQL
    // cannot free a prepared statement inside an aborted transaction.
    QSqlQuery lookup(db), write(db);
    // Inside a caller's transaction (an import) this is a savepoint: a row the
    // database refuses is undone alone and the import goes on.
    TransactionGuard tx(db);
    if (!tx.IsActive()) {
        SetError(QStringLiteral("无法开始事务: %1").arg(db.lastError().text()));
        return false;
    }

    if (!Prepare(lookup, lt.lookup) || !Exec(lookup, {record.tabType, record.serial, storeNo}))
        return false;
    const bool exists = lookup.next();
    lookup.finish();

    const bool typed = DatesTyped(db);
    const auto value = [&](int i) {
        return i == lt.dateText ? DateValue(record.text(i), typed) : QVariant(record.text(i));
    };
    QVariantList values;
    if (!exists) {
        values << record.tabType;
        for (int i = 0; i < Record::TextCount; ++i)
            values << value(i);
        values << storeNo;
    } else {
        for (int i = 1; i < Record::TextCount; ++i)
            values << value(i);
        values << record.tabType << record.serial << storeNo;
    }
    if (!Run(write, exists ? lt.update : lt.insert, values)) {
        const QSqlError error = write.lastError();
        const QString time = lt.dateText >= 0 ? record.text(lt.dateText) : QString();
        if (lt.dateText >= 0 && typed && ValueRefused(error)
            && !QDate::fromString(time.trimmed(), QStringLiteral("yyyy-MM-dd")).isValid()
            && !time.trimmed().isEmpty()) {
            SetError(QStringLiteral("日期“%1”无效，应为 yyyy-MM-dd 格式的日期: %2")
                         .arg(time, error.databaseText()));
        }
        return false;
    }
    if (!tx.Commit()) {
        SetError(QStringLiteral("保存未能提交: %1").arg(db.lastError().text()));
        return false;
    }
    return true;
}

template <typename Record>
bool DeleteLedgerRow(DbManager *manager, const QString &storeNo, const Record &record)
{
    SetError(QString());
    if (!manager)
        return NoConnection();
    return Run(manager->Connection(), Ledger<Record>().deleteRow, RowKey(record, storeNo));
}

template <typename Record>
bool DeleteLedgerKind(DbManager *manager, const QString &storeNo, int tabType)
{
    SetError(QString());
    if (!manager)
        return NoConnection();
    return Run(manager->Connection(), Ledger<Record>().deleteKind, {tabType, storeNo});
}

// The rows a select of a ledger table returned, appended to out; texts the
// select has no column for keep the record's defaults. Out is untouched when
// reading fails.
template <typename Record>
bool ReadLedgerRows(RowReader &q, QList<Record> &out)
{
    const Schema::Table *table = Schema::Find(QLatin1String(Ledger<Record>().table));
    const int typeIndex = q.IndexOf(QStringLiteral("tab_type"));
    int index[Record::TextCount];
    for (int i = 0; i < Record::TextCount; ++i)
        index[i] = q.IndexOf(table->columns.at(i + 1).name);

    QList<Record> rows;
    while (q.Next()) {
        rows.append(Record());
        Record &r = rows.last();
        r.tabType = q.Int(typeIndex);
        for (int i = 0; i < Record::TextCount; ++i) {
            if (index[i] >= 0)
                r.setText(i, q.Text(index[i]));
        }
    }
    if (!q.error().isEmpty()) {
        SetError(q.error());
        return false;
    }
    out.append(rows);
    return true;
}

// The period's rows; texts lists the text indices to read, empty for all.
template <typename Record>
bool QueryLedger(DbManager *manager, const QString &storeNo, int mode, int tabType,
                 const QString &startDate, const QString &date, QList<Record> &out,
                 const QVector<int> &texts = {})
{
    SetError(QString());
    if (!manager)
        return NoConnection();
    const LedgerTable &lt = Ledger<Record>();
    QSqlDatabase db = manager->Connection();
    QString sql;
    QVariantList values;
    if (!PeriodSelect(lt, DatesTyped(db), mode, tabType, storeNo, startDate, date, sql, values)) {
        SetError(QStringLiteral("查询时段无效"));
        return false;
    }
    if (!texts.isEmpty()) {
        const Schema::Table *table = Schema::Find(QLatin1String(lt.table));
        QStringList columns{QStringLiteral("tab_type")};
        for (int i : texts)
            columns << table->columns.at(i + 1).name;
        sql.replace(0, int(qstrlen("select *")), QStringLiteral("select ") + columns.join(QLatin1Char(',')));
    }

    RowReader q(db);
    if (!q.Exec(sql, values)) {
        SetError(q.error());
        return false;
    }
    return ReadLedgerRows(q, out);
}

// Rows of this store whose conditions ("column=?" with the code's own column
// names) hold for the values, in entry order; with `latest` the last alone.
template <typename Record>
bool QueryLedgerWhere(DbManager *manager, const QString &storeNo, const QStringList &conditions,
                      QVariantList values, bool latest, QList<Record> &out)
{
    SetError(QString());
    if (!manager)
        return NoConnection();
    const QString table = QLatin1String(Ledger<Record>().table);
    const QString where = (QStringList{QStringLiteral("store_no=?")} + conditions).join(QStringLiteral(" and "));
    values.prepend(storeNo);
    // max(id) rather than a row limit, which each server spells differently.
    const QString sql = latest
        ? QStringLiteral("select * from %1 where id=(select max(id) from %1 where %2)").arg(table, where)
        : QStringLiteral("select * from %1 where %2 order by id").arg(table, where);
    RowReader q(manager->Connection());
    if (!q.Exec(sql, values)) {
        SetError(q.error());
        return false;
    }
    return ReadLedgerRows(q, out);
}

} // namespace

StoreDbAccess *StoreDbAccess::Instance()
{
    static StoreDbAccess *instance = new StoreDbAccess;
    return instance;
}

bool StoreDbAccess::ConnectFromSettings(QString *reason, bool *storeNoFallback)
{
    DbManager *manager = DbManager::Instance();
    const bool connected = manager->ConnectDb();
    if (!connected && reason)
        *reason = manager->connectError();
    StoreDbAccess *store = Instance();
    store->SetDbManager(manager);
    store->SetStoreNo(ReadStoreNo(QStringLiteral("InitParam/dBConfig.ini"), storeNoFallback));
    return connected;
}

QString StoreDbAccess::ReadStoreNo(const QString &iniPath, bool *fallback)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    const QVariant raw = ini.value(QStringLiteral("StoreNo/No"));
    // QSettings turns an unquoted value with commas into a list.
    QString value = raw.type() == QVariant::StringList ? raw.toStringList().join(QLatin1Char(','))
                                                       : raw.toString();
    if (fallback)
        *fallback = value.isEmpty();
    if (value.isEmpty()) {
        value = QString::fromLatin1(QSysInfo::machineUniqueId());
        if (value.isEmpty())
            value = QSysInfo::machineHostName();
    }
    qDebug().noquote() << "file:" << value;
    return value;
}

void StoreDbAccess::PeriodBounds(int mode, const QString &startDate, const QString &date,
                                 QString &from, QString &to)
{
    from.clear();
    to.clear();
    const QStringList parts = date.split(QLatin1Char('-'), Qt::KeepEmptyParts);
    bool yearOk = false, monthOk = false;
    const int year = parts.value(0).trimmed().toInt(&yearOk);
    const int month = parts.value(1).trimmed().toInt(&monthOk);
    switch (mode) {
    case 1:
        from = to = date;
        break;
    case 2: {
        const QDate first(year, month, 1);
        if (!yearOk || !monthOk || !first.isValid())
            return;
        from = first.toString(QStringLiteral("yyyy-MM-dd"));
        to = QDate(year, month, first.daysInMonth()).toString(QStringLiteral("yyyy-MM-dd"));
        break;
    }
    case 3: {
        const QDate first(year, 1, 1);
        if (!yearOk || !first.isValid())
            return;
        from = first.toString(QStringLiteral("yyyy-MM-dd"));
        to = QDate(year, 12, 31).toString(QStringLiteral("yyyy-MM-dd"));
        break;
    }
    case 4:
        from = startDate;
        to = date;
        break;
    default:
        break;
    }
}

QString StoreDbAccess::lastError() const
{
    return ThreadError();
}

bool StoreDbAccess::DeleteStoreRows(const QString &tableName)
{
    SetError(QString());
    // The table name cannot be bound; accept plain identifiers only.
    if (!m_dbManager)
        return NoConnection();
    if (!Identifier().match(tableName).hasMatch()) {
        SetError(QStringLiteral("表名无效: %1").arg(tableName));
        return false;
    }
    return Run(m_dbManager->Connection(),
               QStringLiteral("delete from %1 where store_no=?").arg(tableName), {m_storeNo});
}

// ---- goods ----------------------------------------------------------------

bool StoreDbAccess::SaveGoodsRow(const GoodsRecord &record)
{
    return SaveLedgerRow(m_dbManager, m_storeNo, record);
}

bool StoreDbAccess::DeleteGoodsRow(const GoodsRecord &record)
{
    return DeleteLedgerRow(m_dbManager, m_storeNo, record);
}

bool StoreDbAccess::DeleteGoodsKind(int tabType)
{
    return DeleteLedgerKind<GoodsRecord>(m_dbManager, m_storeNo, tabType);
}

bool StoreDbAccess::QueryGoods(int mode, int tabType, const QString &startDate, const QString &date,
                               GoodsList &out)
{
    return QueryLedger(m_dbManager, m_storeNo, mode, tabType, startDate, date, out);
}

bool StoreDbAccess::QueryGoodsTexts(int mode, int tabType, const QString &startDate, const QString &date,
                                    const QVector<int> &texts, GoodsList &out)
{
    return QueryLedger(m_dbManager, m_storeNo, mode, tabType, startDate, date, out, texts);
}

bool StoreDbAccess::LatestGoodsWithCode(const QString &code, int tabType, const QString &exceptSerial,
                                        GoodsList &out)
{
    QStringList conditions{QStringLiteral("product_code=?"), QStringLiteral("product_serial<>?")};
    QVariantList values{code, exceptSerial};
    if (tabType >= 0) {
        conditions << QStringLiteral("tab_type=?");
        values << tabType;
    }
    return QueryLedgerWhere(m_dbManager, m_storeNo, conditions, values, true, out);
}

bool StoreDbAccess::QueryArticleGoods(const QString &model, const QString &color, const QString &store,
                                      GoodsList &out)
{
    return QueryLedgerWhere(m_dbManager, m_storeNo,
                            {QStringLiteral("product_model=?"), QStringLiteral("product_color=?"),
                             QStringLiteral("product_store=?")},
                            {model, color, store}, false, out);
}

// ---- finance --------------------------------------------------------------

bool StoreDbAccess::SaveFinanceRow(const FinanceRecord &record)
{
    return SaveLedgerRow(m_dbManager, m_storeNo, record);
}

bool StoreDbAccess::DeleteFinanceRow(const FinanceRecord &record)
{
    return DeleteLedgerRow(m_dbManager, m_storeNo, record);
}

bool StoreDbAccess::DeleteFinanceKind(int tabType)
{
    return DeleteLedgerKind<FinanceRecord>(m_dbManager, m_storeNo, tabType);
}

bool StoreDbAccess::QueryFinance(int mode, int tabType, const QString &startDate,
                                 const QString &date, FinanceList &out)
{
    return QueryLedger(m_dbManager, m_storeNo, mode, tabType, startDate, date, out);
}

bool StoreDbAccess::QueryFinanceTexts(int mode, int tabType, const QString &startDate, const QString &date,
                                      const QVector<int> &texts, FinanceList &out)
{
    return QueryLedger(m_dbManager, m_storeNo, mode, tabType, startDate, date, out, texts);
}

// ---- information lists ----------------------------------------------------

bool StoreDbAccess::SaveInfoList(int storeKind, const InfoList &list)
{
    SetError(QString());
    const QString table = InfoTable(storeKind);
    if (!m_dbManager)
        return NoConnection();
    if (table.isEmpty()) {
        SetError(QStringLiteral("未知的列表类别: %1").arg(storeKind));
        return false;
    }
    QSqlDatabase db = m_dbManager->Connection();
    QSqlQuery lookup(db), write(db);
    TransactionGuard tx(db);
    if (!tx.IsActive()) {
        SetError(QStringLiteral("无法开始事务: %1").arg(db.lastError().text()));
        return false;
    }

    if (!Prepare(lookup, QStringLiteral("select * from %1 where info_type=? and store_no=?").arg(table))
        || !Exec(lookup, {list.infoType, m_storeNo}))
        return false;
    const bool exists = lookup.next();
    lookup.finish();

    const bool ok = exists
        ? Run(write, QStringLiteral("update %1 set info_list=? where info_type=? and store_no=?").arg(table),
              {list.list, list.infoType, m_storeNo})
        : Run(write, QStringLiteral("insert into %1(info_type, info_list, store_no) values(?, ? , ?)").arg(table),
              {list.infoType, list.list, m_storeNo});
    return ok && tx.Commit();
}

bool StoreDbAccess::ReadInfoList(int storeKind, InfoList &list)
{
    SetError(QString());
    const QString table = InfoTable(storeKind);
    if (!m_dbManager)
        return NoConnection();
    if (table.isEmpty()) {
        SetError(QStringLiteral("未知的列表类别: %1").arg(storeKind));
        return false;
    }
    QSqlQuery q(m_dbManager->Connection());
    q.setForwardOnly(true);
    if (!Prepare(q, QStringLiteral("select * from %1 where info_type=? and store_no=?").arg(table))
        || !Exec(q, {list.infoType, m_storeNo}))
        return false;
    const QSqlRecord rec = q.record();
    const int typeIndex = rec.indexOf(QStringLiteral("info_type"));
    const int listIndex = rec.indexOf(QStringLiteral("info_list"));
    while (q.next()) {
        list.infoType = q.value(typeIndex).toInt();
        list.list = Text(q, listIndex);
    }
    return true;
}

bool StoreDbAccess::DeleteInfoList(int storeKind, int infoType)
{
    SetError(QString());
    const QString table = InfoTable(storeKind);
    if (!m_dbManager)
        return NoConnection();
    if (table.isEmpty()) {
        SetError(QStringLiteral("未知的列表类别: %1").arg(storeKind));
        return false;
    }
    return Run(m_dbManager->Connection(),
               QStringLiteral("delete from %1 where info_type=? and store_no=?").arg(table),
               {infoType, m_storeNo});
}

// ---- users ----------------------------------------------------------------

bool StoreDbAccess::AddOrUpdateUser(const UserRecord &user)
{
    SetError(QString());
    if (!m_dbManager)
        return NoConnection();
    // Without a phone or a name there is nothing to tell this account from another.
    if (user.phone.isEmpty() && user.name.isEmpty()) {
        SetError(QStringLiteral("账户没有电话也没有名称"));
        return false;
    }
    QSqlDatabase db = m_dbManager->Connection();
    QSqlQuery lookup(db), write(db);
    TransactionGuard tx(db);
    if (!tx.IsActive()) {
        SetError(QStringLiteral("无法开始事务: %1").arg(db.lastError().text()));
        return false;
    }

    lookup.setForwardOnly(true);
    if (!Prepare(lookup, kUserLookup) || !Exec(lookup, {user.phone, user.name, m_storeNo}))
        return false;
    // Prefer the row matching both; an empty phone or name matches nothing,
    // otherwise two accounts without a phone would overwrite each other.
    bool found = false, exact = false;
    QString foundPhone, foundName;
    const int phoneIndex = lookup.record().indexOf(QStringLiteral("user_phoneno"));
    const int nameIndex = lookup.record().indexOf(QStringLiteral("user_name"));
    while (lookup.next() && !exact) {
        const QString phone = Text(lookup, phoneIndex);
        const QString name = Text(lookup, nameIndex);
        const bool phoneMatch = !user.phone.isEmpty() && phone == user.phone;
        const bool nameMatch = !user.name.isEmpty() && name == user.name;
        if ((phoneMatch && nameMatch) || (!found && (phoneMatch || nameMatch))) {
            found = true;
            exact = phoneMatch && nameMatch;
            foundPhone = phone;
            foundName = name;
        }
    }
    lookup.finish();

    const bool ok = found
        ? Run(write, kUserUpdate, {user.password, user.userType, user.online, user.ip, user.remark,
                                foundPhone, foundName, m_storeNo})
        : Run(write, kUserInsert, {user.phone, user.name, user.password, user.userType, user.online,
                                user.ip, user.remark, m_storeNo});
    return ok && tx.Commit();
}

bool StoreDbAccess::DeleteUser(const UserRecord &user)
{
    SetError(QString());
    if (!m_dbManager)
        return false;
    return Run(m_dbManager->Connection(), kUserDelete, {user.phone, user.name, m_storeNo});
}

bool StoreDbAccess::ReplaceUsers(const QList<UserRecord> &users)
{
    SetError(QString());
    if (!m_dbManager)
        return false;
    QSqlDatabase db = m_dbManager->Connection();
    QSqlQuery del(db), insert(db);
    TransactionGuard tx(db);
    if (!tx.IsActive())
        return false;
    if (!Run(del, QStringLiteral("delete from tb_sm_user where store_no=?"), {m_storeNo}))
        return false;
    if (!Prepare(insert, kUserInsert))
        return false;
    for (const UserRecord &u : users) {
        if (!Exec(insert, {u.phone, u.name, u.password, u.userType, u.online, u.ip, u.remark, m_storeNo}))
            return false;
    }
    return tx.Commit();
}

bool StoreDbAccess::CheckUserPassword(const QString &account, const QString &password)
{
    SetError(QString());
    if (!m_dbManager || account.isEmpty())
        return false;
    QSqlQuery q(m_dbManager->Connection());
    q.setForwardOnly(true);
    if (!Prepare(q, kLoginLookup) || !Exec(q, {account, account}))
        return false;
    const int passwordIndex = q.record().indexOf(QStringLiteral("user_password"));
    while (q.next()) {
        if (Text(q, passwordIndex) == password)
            return true;
    }
    return false;
}

bool StoreDbAccess::ReadUser(UserRecord &user)
{
    SetError(QString());
    if (!m_dbManager)
        return false;
    QSqlQuery q(m_dbManager->Connection());
    q.setForwardOnly(true);
    if (!Prepare(q, kLoginLookup) || !Exec(q, {user.phone, user.name}))
        return false;
    const QSqlRecord rec = q.record();
    const auto at = [&](const char *column) { return rec.indexOf(QLatin1String(column)); };
    const int type = at("user_type"), online = at("user_online"), phone = at("user_phoneno"),
              name = at("user_name"), password = at("user_password"), ip = at("user_ip"),
              remark = at("user_remark");
    const QString wantedPhone = user.phone, wantedName = user.name, wantedPassword = user.password;
    bool found = false;
    while (q.next()) {
        // An empty phone or name in the request matches nothing.
        if (!(!wantedPhone.isEmpty() && Text(q, phone) == wantedPhone)
            && !(!wantedName.isEmpty() && Text(q, name) == wantedName))
            continue;
        // A login reads the account whose password was given, so two accounts
        // sharing a name cannot hand one user the other's rights.
        if (!wantedPassword.isEmpty() && Text(q, password) != wantedPassword)
            continue;
        user.userType = q.value(type).toInt();
        user.online = q.value(online).toInt();
        user.phone = Text(q, phone);
        user.name = Text(q, name);
        user.password = Text(q, password);
        user.ip = Text(q, ip);
        user.remark = Text(q, remark);
        found = true;
    }
    return found;
}

// ---- backup and restore ---------------------------------------------------

bool StoreDbAccess::DumpStoreTables(const QString &filePath)
{
    SetError(QString());
    if (!m_dbManager)
        return NoConnection();
    QSqlDatabase db = m_dbManager->Connection();
    if (!db.isOpen())
        return NoConnection();

    QStringList lines;
    for (const QString &table : m_dbManager->UserTables()) {
        if (!table.startsWith(QLatin1String("tb_sm"))) {
            qDebug().noquote() << "Hello 1";
            continue;
        }
        if (!Identifier().match(table).hasMatch()) {
            SetError(QStringLiteral("表名无效: %1").arg(table));
            return false;
        }
        QSqlQuery q(db);
        q.setForwardOnly(true);
        // Entry order: a restore numbers the rows in file order, and the stock
        // and sales deductions depend on it; without an order a database may
        // answer through an index in date order.
        if (!Prepare(q, QStringLiteral("select * from %1 where store_no=? order by id").arg(table))
            || !Exec(q, {m_storeNo}))
            return false;   // a backup missing a table is no backup
        // PostgreSQL reports names folded to lower case (product_oddnum); our
        // own tables are written with their declared names so a backup reads
        // the same whichever database it came from.
        const Schema::Table *known = Schema::Find(table);
        QStringList columns;
        const QSqlRecord header = q.record();
        for (int i = 1; i < header.count(); ++i) {
            QString name = header.fieldName(i);
            if (known) {
                for (const Schema::Column &c : known->columns)
                    if (c.name.compare(name, Qt::CaseInsensitive) == 0)
                        name = c.name;
            }
            columns << name;
        }
        while (q.next()) {
            const QSqlRecord rec = q.record();
            QStringList values;
            for (int i = 1; i < rec.count(); ++i)
                values << BackupScript::FormatValue(rec.field(i));
            lines << BackupScript::InsertLine(table, columns, values);
        }
    }

    // Written aside and renamed into place, so a failed write never leaves a
    // truncated backup under the real name.
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly)) {
        SetError(QStringLiteral("无法写入备份文件 %1: %2").arg(filePath, file.errorString()));
        return false;
    }
    QTextStream out(&file);
    out.setCodec(QTextCodec::codecForName("UTF-8"));
    for (const QString &line : lines)
        out << line << '\n';
    out.flush();
    if (out.status() != QTextStream::Ok) {
        file.cancelWriting();
        SetError(QStringLiteral("无法写入备份文件 %1").arg(filePath));
        return false;
    }
    if (!file.commit()) {
        SetError(QStringLiteral("无法写入备份文件 %1: %2").arg(filePath, file.errorString()));
        return false;
    }
    return true;
}

namespace {

// A backup file read and checked, before anything is changed.
struct ParsedBackup
{
    struct Row
    {
        const Schema::Table *table;
        QVariantList values;
        int line;
        bool otherStore;   // the file gave another store number
    };
    QList<Row> rows;
    QList<RestoreLine> refused;
    int statements = 0;
};

// Reads the file; false with error when it cannot be read or holds nothing of
// ours. Every row is put into storeNo whatever store number it carries.
bool ParseBackup(const QString &filePath, const QString &storeNo, bool typed, ParsedBackup &out,
                 QString &error)
{
    QFile file(filePath);
    if (filePath.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("无法打开备份文件: %1").arg(filePath);
        return false;
    }
    QTextStream in(&file);
    in.setCodec(QTextCodec::codecForName("UTF-8"));
    const QList<BackupScript::ScriptLine> lines = BackupScript::Statements(in.readAll());
    file.close();

    for (const BackupScript::ScriptLine &statement : lines) {
        const int at = statement.number;
        const QString &line = statement.text;
        if (line.trimmed().isEmpty())
            continue;
        ++out.statements;
        const auto refuse = [&](const QString &reason) { out.refused.append({at, reason}); };
        BackupScript::Insert insert;
        if (!BackupScript::ParseInsert(line, insert)) {
            refuse(line.count(QLatin1Char('\'')) % 2 != 0 ? QStringLiteral("引号不成对，不是一条完整的 insert 语句")
                                                         : QStringLiteral("不是一条完整的 insert 语句"));
            continue;
        }
        const Schema::Table *table = Schema::Find(insert.table);
        if (!table) {
            refuse(QStringLiteral("不是本程序的表: %1").arg(insert.table));
            continue;
        }
        bool good = insert.values.size() == insert.columns.size()
            && insert.columns.size() == table->columns.size();
        // Column names compare without case: PostgreSQL folds them.
        for (int i = 0; good && i < insert.columns.size(); ++i)
            good = insert.columns.at(i).compare(table->columns.at(i).name, Qt::CaseInsensitive) == 0;
        if (!good) {
            refuse(QStringLiteral("列与表 %1 的列不符").arg(table->name));
            continue;
        }
        ParsedBackup::Row row{table, {}, at, false};
        QString badColumn;
        for (int i = 0; badColumn.isEmpty() && i < insert.values.size(); ++i) {
            const Schema::Column &column = table->columns.at(i);
            const BackupScript::Value &v = insert.values.at(i);
            if (column.name == QLatin1String("store_no")) {
                row.otherStore = v.text != storeNo;
                row.values << storeNo;   // rows always come back into this store
            } else if (v.kind == BackupScript::Value::Null) {
                row.values << QVariant(column.isInteger() ? QVariant::LongLong : QVariant::String);
            } else if (column.isInteger()) {
                bool ok = false;
                const qlonglong n = v.text.toLongLong(&ok);
                if (v.kind != BackupScript::Value::Number || !ok)
                    badColumn = column.name;
                row.values << n;
            } else if (v.kind == BackupScript::Value::Text) {
                row.values << (column.isDate() ? DateValue(v.text, typed) : QVariant(v.text));
            } else if (v.kind == BackupScript::Value::Bytes) {
                row.values << v.bytes;
            } else {
                badColumn = column.name;
            }
        }
        if (!badColumn.isEmpty()) {
            refuse(QStringLiteral("列 %1 的值无效").arg(badColumn));
            continue;
        }
        out.rows.append(row);
    }

    // A file without one row of ours (empty, or nothing but foreign lines)
    // would only wipe the store; an empty store is had by clearing pages.
    if (out.rows.isEmpty()) {
        error = QStringLiteral("文件中没有可还原的数据");
        return false;
    }
    return true;
}

} // namespace

int RestorePreview::RowsInFile() const
{
    int n = 0;
    for (const Table &t : tables)
        n += t.inFile;
    return n;
}

int RestorePreview::RowsOfOtherStores() const
{
    int n = 0;
    for (const Table &t : tables)
        n += t.otherStore;
    return n;
}

RestoreFiles RestoreFiles::For(const QString &folder, const QString &filePath, const QDateTime &now)
{
    RestoreFiles files;
    files.safetyBackup = QDir(folder).filePath(
        QStringLiteral("record%1_before_restore.sql").arg(now.toString(QStringLiteral("_yyyyMMdd_hhmmss"))));
    files.refusedList = QDir(folder).filePath(QFileInfo(filePath).fileName() + QStringLiteral(".refused.txt"));
    return files;
}

namespace {

bool WriteRefusedList(const QString &filePath, const QString &listPath, const QList<RestoreLine> &refused)
{
    QSaveFile file(listPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out.setCodec(QTextCodec::codecForName("UTF-8"));
    out << QStringLiteral("%1 中未还原的行：").arg(filePath) << '\n';
    for (const RestoreLine &r : refused)
        out << QStringLiteral("第 %1 行：%2").arg(r.line).arg(r.reason) << '\n';
    out.flush();
    return out.status() == QTextStream::Ok && file.commit();
}

} // namespace

int RestorePreview::RowsReplaced() const
{
    int n = 0;
    for (const Table &t : tables)
        n += t.replaced;
    return n;
}

RestorePreview StoreDbAccess::PreviewRestore(const QString &filePath)
{
    SetError(QString());
    RestorePreview preview;
    const auto fail = [&](const QString &text) {
        preview.ok = false;
        preview.error = text;
        SetError(text);
        return preview;
    };
    if (!m_dbManager)
        return fail(QStringLiteral("数据库未连接"));
    QSqlDatabase db = m_dbManager->Connection();
    if (!db.isOpen())
        return fail(QStringLiteral("数据库未连接"));

    ParsedBackup parsed;
    QString error;
    const bool readable = ParseBackup(filePath, m_storeNo, DatesTyped(db), parsed, error);
    preview.refused = parsed.refused.size();
    preview.refusedLines = parsed.refused;
    for (const Schema::Table &table : Schema::Tables()) {
        RestorePreview::Table t;
        t.name = table.name;
        for (const ParsedBackup::Row &row : qAsConst(parsed.rows)) {
            if (row.table != &table)
                continue;
            ++t.inFile;
            if (row.otherStore)
                ++t.otherStore;
        }
        QSqlQuery q(db);
        if (!Run(q, QStringLiteral("select count(*) from %1 where store_no=?").arg(table.name), {m_storeNo})
            || !q.next())
            return fail(QStringLiteral("无法读取表 %1: %2").arg(table.name, lastError()));
        t.replaced = q.value(0).toInt();
        preview.tables.append(t);
    }
    if (!readable)
        return fail(error);
    preview.ok = true;
    return preview;
}

RestoreResult StoreDbAccess::RestoreStoreTables(const QString &filePath, const RestoreFiles &files)
{
    SetError(QString());
    RestoreResult result;
    // The refused lines are listed where the user can read them, whatever the outcome.
    const auto listRefused = [&] {
        if (!result.refusedLines.isEmpty() && !files.refusedList.isEmpty()
            && WriteRefusedList(filePath, files.refusedList, result.refusedLines))
            result.refusedList = files.refusedList;
    };
    const auto fail = [&](const QString &text) {
        listRefused();
        result.ok = false;
        result.restored = 0;
        result.error = text;
        SetError(text);
        return result;
    };
    if (!m_dbManager)
        return fail(QStringLiteral("数据库未连接"));

    // Read and check everything before touching the store.
    QSqlDatabase db = m_dbManager->Connection();
    const bool typed = DatesTyped(db);
    ParsedBackup parsed;
    QString parseError;
    const bool readable = ParseBackup(filePath, m_storeNo, typed, parsed, parseError);
    result.refused = parsed.refused.size();
    result.refusedLines = parsed.refused;
    if (!readable)
        return fail(parseError);
    const QList<ParsedBackup::Row> &rows = parsed.rows;

    // The rows about to be replaced are kept first; no safety copy, no restore.
    if (files.safetyBackup.isEmpty() || !DumpStoreTables(files.safetyBackup))
        return fail(QStringLiteral("安全备份 %1 未能写入，未还原: %2").arg(files.safetyBackup, lastError()));
    result.safetyBackup = files.safetyBackup;

    // The statements outlive the transaction guard: PostgreSQL cannot free a
    // prepared statement while a failed transaction waits for its rollback.
    QSqlQuery del(db);
    QHash<const Schema::Table *, QSqlQuery *> inserts;
    const auto cleanup = qScopeGuard([&] { qDeleteAll(inserts); });
    TransactionGuard tx(db);
    if (!tx.IsActive())
        return fail(QStringLiteral("还原失败: %1").arg(db.lastError().text()));
    for (const Schema::Table &table : Schema::Tables()) {
        if (!Prepare(del, QStringLiteral("delete from %1 where store_no=?").arg(table.name))
            || !Exec(del, {m_storeNo}))
            return fail(QStringLiteral("还原失败: %1").arg(del.lastError().text()));
    }
    for (const ParsedBackup::Row &row : rows) {
        QSqlQuery *q = inserts.value(row.table);
        if (!q) {
            q = new QSqlQuery(db);
            inserts.insert(row.table, q);
            QStringList marks;
            for (int i = 0; i < row.table->columns.size(); ++i)
                marks << QStringLiteral("?");
            if (!Prepare(*q, BackupScript::InsertLine(row.table->name, row.table->columnNames(), marks)))
                return fail(QStringLiteral("还原失败: %1").arg(q->lastError().text()));
        }
        if (!typed) {
            if (!Exec(*q, row.values))
                return fail(QStringLiteral("还原失败: %1").arg(q->lastError().text()));
            ++result.restored;
            continue;
        }
        // PostgreSQL checks values (a date written by a SQLite installation may
        // not be one) and a failed statement would abort the whole transaction:
        // each row gets a savepoint, a refused value skips just that row.
        TransactionGuard savepoint(db);
        if (!savepoint.IsActive())
            return fail(QStringLiteral("还原失败: %1").arg(db.lastError().text()));
        if (!Exec(*q, row.values)) {
            const QSqlError error = q->lastError();
            if (!ValueRefused(error))
                return fail(QStringLiteral("还原失败: %1").arg(error.text()));
            savepoint.Rollback();
            ++result.refused;
            result.refusedLines.append({row.line, QStringLiteral("数据库拒绝了这一行: %1")
                                                      .arg(error.databaseText().trimmed())});
            continue;
        }
        if (!savepoint.Commit())
            return fail(QStringLiteral("还原失败: %1").arg(db.lastError().text()));
        ++result.restored;
    }
    if (result.restored == 0 && !rows.isEmpty())
        return fail(QStringLiteral("备份文件中的数据都被数据库拒绝: %1").arg(filePath));
    qDeleteAll(inserts);
    inserts.clear();
    std::stable_sort(result.refusedLines.begin(), result.refusedLines.end(),
                     [](const RestoreLine &a, const RestoreLine &b) { return a.line < b.line; });
    if (!tx.Commit())
        return fail(QStringLiteral("还原失败: %1").arg(db.lastError().text()));
    listRefused();
    result.ok = true;
    SetError(QString());
    return result;
}
