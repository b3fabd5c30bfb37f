// Goods and finance ledger rows (tb_sm_product_info, tb_sm_finance_info).
#include "db/storedbaccess.h"

#include "db/changelog.h"
#include "db/rowreader.h"
#include "db/schema.h"
#include "db/sqldialect.h"
#include "db/storedbaccess_p.h"
#include "db/transactionguard.h"

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace StoreSql;

namespace {

const QString kGoodsLookup =
    QStringLiteral("select * from tb_sm_product_info where tab_type=? and product_serial=? and store_no=?");
const QString kGoodsInsert =
    QStringLiteral("insert into tb_sm_product_info(tab_type, product_serial, product_class, product_name, "
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

const QString kFinanceLookup =
    QStringLiteral("select * from tb_sm_finance_info where tab_type=? and ie_serial=? and store_no=?");
const QString kFinanceInsert = QStringLiteral(
    "insert into tb_sm_finance_info(tab_type,ie_serial,ie_item,ie_sum,ie_time,ie_client,ie_sale,"
    "ie_cert,ie_record,ie_remark,store_no)values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
const QString kFinanceUpdate =
    QStringLiteral("update tb_sm_finance_info set ie_item=?,ie_sum=?, ie_time=?, ie_client=?,ie_sale=?, "
                   "ie_cert=?, ie_record=?, ie_remark=? where tab_type=? and ie_serial=? and store_no=?");
const QString kFinanceDelete =
    QStringLiteral("delete from tb_sm_finance_info where tab_type=? and ie_serial=? and  store_no= ?");
const QString kFinanceDeleteKind =
    QStringLiteral("delete from tb_sm_finance_info where tab_type=? and store_no=?");

// Goods and finance differ only in table, time column and SQL texts; every
// ledger operation is written once over this description.
struct LedgerTable
{
    const char *table;
    const char *timeColumn;
    int dateText; // text index of the time when its column is declared "date", else -1
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
    static const LedgerTable t{Schema::GoodsTable, "product_time",  7,
                               kGoodsLookup,       kGoodsInsert,    kGoodsUpdate,
                               kGoodsDelete,       kGoodsDeleteKind};
    return t;
}

template <>
const LedgerTable &Ledger<FinanceRecord>()
{
    static const LedgerTable t{Schema::FinanceTable, "ie_time",         -1,
                               kFinanceLookup,       kFinanceInsert,    kFinanceUpdate,
                               kFinanceDelete,       kFinanceDeleteKind};
    return t;
}

// The values bound to deleteRow; goods rows sharing a serial differ by model.
QVariantList RowKey(const GoodsRecord &r, const QString &storeNo)
{
    return {r.tabType, r.serial, r.model, storeNo};
}

QVariantList RowKey(const FinanceRecord &r, const QString &storeNo) { return {r.tabType, r.serial, storeNo}; }

// Builds the period select; false for an unknown mode or an unusable date.
bool PeriodSelect(const LedgerTable &lq, bool datesTyped, int mode, int tabType, const QString &storeNo,
                  const QString &startDate, const QString &date, QString &sql, QVariantList &values)
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
    default: return false;
    }
    // Rows come back in the order they were entered. Without this a server may
    // hand them back in index order, or move an edited row to the end, and the
    // stock computation depends on the order it reads movements in.
    sql += QStringLiteral(" order by id");
    if (tabType != -1)
        values << tabType;
    return true;
}

// The values bound to a ledger table's update (exists) or insert.
template <typename Record>
QVariantList RowValues(Call &call, const Record &record, bool exists)
{
    const LedgerTable &lt = Ledger<Record>();
    const bool typed = call.dialect().typedDates;
    const auto value = [&](int i) {
        return i == lt.dateText ? DateValue(record.text(i), typed) : QVariant(record.text(i));
    };
    QVariantList values;
    if (!exists) {
        values << record.tabType;
        for (int i = 0; i < Record::TextCount; ++i)
            values << value(i);
        values << call.storeNo();
    } else {
        for (int i = 1; i < Record::TextCount; ++i)
            values << value(i);
        values << record.tabType << record.serial << call.storeNo();
    }
    return values;
}

// After a refused write: a date the server would not take gets a message
// that names it instead of the server's text alone.
template <typename Record>
void ExplainRefusal(Call &call, const Record &record, const QSqlError &error)
{
    const LedgerTable &lt = Ledger<Record>();
    if (lt.dateText < 0 || !call.dialect().typedDates || !ValueRefused(error))
        return;
    const QString time = record.text(lt.dateText).trimmed();
    if (!time.isEmpty() && !QDate::fromString(time, QStringLiteral("yyyy-MM-dd")).isValid())
        SetError(QStringLiteral("日期“%1”无效，应为 yyyy-MM-dd 格式的日期: %2")
                     .arg(record.text(lt.dateText), error.databaseText()));
}

template <typename Record>
bool SaveLedgerRow(Call &call, const Record &record)
{
    if (!call.Connected())
        return false;
    const LedgerTable &lt = Ledger<Record>();
    QSqlDatabase &db = call.db();
    // A cell edit of a stored row is one update, atomic and durable on its
    // own: no transaction and no look-up first. Inside a caller's transaction
    // (an import) a refused statement must stay on its savepoint below, and
    // a new row goes through the look-up too. A logged change is a
    // transaction of its own: a refused update undoes all of it.
    if (TransactionGuard::Depth(db) == 0 || ChangeLog::InOneChange()) {
        QSqlQuery *update = call.Statement(lt.update);
        if (!update)
            return false;
        if (!Exec(*update, RowValues(call, record, true))) {
            ExplainRefusal(call, record, update->lastError());
            return false;
        }
        if (update->numRowsAffected() > 0)
            return true;
    }
    // Declared before the guard so they outlive the rollback: PostgreSQL
    // cannot free a prepared statement inside an aborted transaction.
    QSqlQuery lookup(db), write(db);
    // Inside a caller's transaction this is a savepoint: a row the database
    // refuses is undone alone and the import goes on.
    TransactionGuard tx(db);
    if (!tx.IsActive())
        return call.Fail(QStringLiteral("无法开始事务: %1").arg(tx.error()));

    if (!Prepare(lookup, lt.lookup) || !Exec(lookup, {record.tabType, record.serial, call.storeNo()}))
        return false;
    const bool exists = lookup.next();
    lookup.finish();
    if (!Run(write, exists ? lt.update : lt.insert, RowValues(call, record, exists))) {
        ExplainRefusal(call, record, write.lastError());
        return false;
    }
    return call.Commit(tx);
}

template <typename Record>
bool DeleteLedgerRow(Call &call, const Record &record)
{
    return call.Connected() && call.Run(Ledger<Record>().deleteRow, RowKey(record, call.storeNo()));
}

template <typename Record>
bool DeleteLedgerKind(Call &call, int tabType)
{
    return call.Connected() && call.Run(Ledger<Record>().deleteKind, {tabType, call.storeNo()});
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
bool QueryLedger(Call &call, int mode, int tabType, const QString &startDate, const QString &date,
                 QList<Record> &out, const QVector<int> &texts = {})
{
    if (!call.Connected())
        return false;
    QString sql;
    QVariantList values;
    if (!PeriodSelect(Ledger<Record>(), call.dialect().typedDates, mode, tabType, call.storeNo(), startDate,
                      date, sql, values))
        return call.Fail(QStringLiteral("查询时段无效"));
    if (!texts.isEmpty()) {
        const Schema::Table *table = Schema::Find(QLatin1String(Ledger<Record>().table));
        QStringList columns{QStringLiteral("tab_type")};
        for (int i : texts)
            columns << table->columns.at(i + 1).name;
        sql.replace(0, int(qstrlen("select *")), QStringLiteral("select ") + columns.join(QLatin1Char(',')));
    }

    RowReader q(call.db());
    if (!q.Exec(sql, values))
        return call.Fail(q.error());
    return ReadLedgerRows(q, out);
}

// Rows of this store whose conditions ("column=?" with the code's own column
// names) hold for the values, in entry order; with `latest` the last alone.
template <typename Record>
bool QueryLedgerWhere(Call &call, const QStringList &conditions, QVariantList values, bool latest,
                      QList<Record> &out)
{
    if (!call.Connected())
        return false;
    const QString table = QLatin1String(Ledger<Record>().table);
    const QString where =
        (QStringList{QStringLiteral("store_no=?")} + conditions).join(QStringLiteral(" and "));
    values.prepend(call.storeNo());
    // max(id) rather than a row limit, which each server spells differently.
    const QString sql = latest
        ? QStringLiteral("select * from %1 where id=(select max(id) from %1 where %2)").arg(table, where)
        : QStringLiteral("select * from %1 where %2 order by id").arg(table, where);
    RowReader q(call.db());
    if (!q.Exec(sql, values))
        return call.Fail(q.error());
    return ReadLedgerRows(q, out);
}

} // namespace

void StoreDbAccess::PeriodBounds(int mode, const QString &startDate, const QString &date, QString &from,
                                 QString &to)
{
    from.clear();
    to.clear();
    const QStringList parts = date.split(QLatin1Char('-'), Qt::KeepEmptyParts);
    bool yearOk = false, monthOk = false;
    const int year = parts.value(0).trimmed().toInt(&yearOk);
    const int month = parts.value(1).trimmed().toInt(&monthOk);
    switch (mode) {
    case 1: from = to = date; break;
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
    default: break;
    }
}

Result StoreDbAccess::SaveGoodsRow(const GoodsRecord &record)
{
    Call call(m_dbManager, m_storeNo, Call::Writes);
    return Outcome(SaveLedgerRow(call, record));
}

Result StoreDbAccess::DeleteGoodsRow(const GoodsRecord &record)
{
    Call call(m_dbManager, m_storeNo, Call::Writes);
    return Outcome(DeleteLedgerRow(call, record));
}

Result StoreDbAccess::DeleteGoodsKind(int tabType)
{
    Call call(m_dbManager, m_storeNo, Call::Writes);
    return Outcome(DeleteLedgerKind<GoodsRecord>(call, tabType));
}

Result StoreDbAccess::QueryGoods(int mode, int tabType, const QString &startDate, const QString &date,
                                 GoodsList &out)
{
    Call call(m_dbManager, m_storeNo);
    return Outcome(QueryLedger(call, mode, tabType, startDate, date, out));
}

Result StoreDbAccess::QueryGoodsTexts(int mode, int tabType, const QString &startDate, const QString &date,
                                      const QVector<int> &texts, GoodsList &out)
{
    Call call(m_dbManager, m_storeNo);
    return Outcome(QueryLedger(call, mode, tabType, startDate, date, out, texts));
}

Result StoreDbAccess::LatestGoodsWithCode(const QString &code, int tabType, const QString &exceptSerial,
                                          GoodsList &out)
{
    Call call(m_dbManager, m_storeNo);
    QStringList conditions{QStringLiteral("product_code=?"), QStringLiteral("product_serial<>?")};
    QVariantList values{code, exceptSerial};
    if (tabType >= 0) {
        conditions << QStringLiteral("tab_type=?");
        values << tabType;
    }
    return Outcome(QueryLedgerWhere(call, conditions, values, true, out));
}

Result StoreDbAccess::QueryArticleGoods(const QString &model, const QString &color, const QString &store,
                                        GoodsList &out)
{
    Call call(m_dbManager, m_storeNo);
    return Outcome(QueryLedgerWhere(call,
                                    {QStringLiteral("product_model=?"), QStringLiteral("product_color=?"),
                                     QStringLiteral("product_store=?")},
                                    {model, color, store}, false, out));
}

Result StoreDbAccess::SaveFinanceRow(const FinanceRecord &record)
{
    Call call(m_dbManager, m_storeNo, Call::Writes);
    return Outcome(SaveLedgerRow(call, record));
}

Result StoreDbAccess::DeleteFinanceRow(const FinanceRecord &record)
{
    Call call(m_dbManager, m_storeNo, Call::Writes);
    return Outcome(DeleteLedgerRow(call, record));
}

Result StoreDbAccess::DeleteFinanceKind(int tabType)
{
    Call call(m_dbManager, m_storeNo, Call::Writes);
    return Outcome(DeleteLedgerKind<FinanceRecord>(call, tabType));
}

Result StoreDbAccess::QueryFinance(int mode, int tabType, const QString &startDate, const QString &date,
                                   FinanceList &out)
{
    Call call(m_dbManager, m_storeNo);
    return Outcome(QueryLedger(call, mode, tabType, startDate, date, out));
}

Result StoreDbAccess::QueryFinanceTexts(int mode, int tabType, const QString &startDate, const QString &date,
                                        const QVector<int> &texts, FinanceList &out)
{
    Call call(m_dbManager, m_storeNo);
    return Outcome(QueryLedger(call, mode, tabType, startDate, date, out, texts));
}
