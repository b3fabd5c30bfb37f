// An import's ledger rows written in bulk (tb_sm_product_info, tb_sm_finance_info).
#include "db/storedbaccess.h"

#include "db/schema.h"
#include "db/sqldialect.h"
#include "db/storedbaccess_p.h"
#include "db/transactionguard.h"

#include <QDate>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

using namespace StoreSql;

namespace {

// The table's columns are tab_type, the record's texts in order (the serial
// first), then store_no; the statements are built from that description so
// they name the same columns as every other ledger statement.
template <typename Record>
Result SaveImported(DbManager *manager, const QString &storeNo, const char *tableName,
                    const QList<Record> &rows, const QVector<bool> &fresh, int *failedAt)
{
    *failedAt = -1;
    // A damaged or read-only database takes no import.
    Call call(manager, storeNo, Call::Writes);
    if (!call.Connected())
        return Result::Fail(Error());
    QSqlDatabase &db = call.db();
    if (TransactionGuard::Depth(db) == 0)
        return Result::Fail(QStringLiteral("导入必须在事务中保存"));
    const Schema::Table *table = Schema::Find(QLatin1String(tableName));
    const QStringList names = table->columnNames();
    QStringList assignments;
    for (int i = 2; i <= Record::TextCount; ++i)
        assignments << names.at(i) + QStringLiteral("=?");
    const QString insertSql = QStringLiteral("insert into %1(%2) values(?%3)")
                                  .arg(QLatin1String(tableName), names.join(QLatin1Char(',')),
                                       QStringLiteral(",?").repeated(names.size() - 1));
    const QString updateSql =
        QStringLiteral("update %1 set %2 where tab_type=? and %3=? and store_no=?")
            .arg(QLatin1String(tableName), assignments.join(QLatin1Char(',')), names.at(1));
    // Prepared once for the whole file: re-preparing per row was most of an import's time.
    QSqlQuery insert(db), update(db);
    if (!Prepare(insert, insertSql) || !Prepare(update, updateSql))
        return Result::Fail(Error());

    const bool typed = call.dialect().typedDates;
    QVector<bool> isDate(Record::TextCount);
    for (int i = 0; i < Record::TextCount; ++i)
        isDate[i] = table->columns.at(i + 1).type == QLatin1String("date");
    const auto value = [&](const Record &r, int i) {
        const QString &text = r.text(i);
        // A null text would be bound as NULL, and "column = NULL" matches nothing.
        if (isDate.at(i))
            return DateValue(text, typed);
        return text.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(text);
    };
    const auto refused = [&](int at, const Record &r, const QSqlQuery &q) {
        *failedAt = at;
        for (int i = 0; i < Record::TextCount; ++i) {
            const QString time = r.text(i).trimmed();
            if (isDate.at(i) && typed && ValueRefused(q.lastError()) && !time.isEmpty()
                && !QDate::fromString(time, QStringLiteral("yyyy-MM-dd")).isValid())
                return Result::Fail(QStringLiteral("日期“%1”无效，应为 yyyy-MM-dd 格式的日期: %2")
                                        .arg(time, q.lastError().databaseText()));
        }
        return Result::Fail(q.lastError().text());
    };

    // The serials already stored, read once: a row of the file is an update
    // only when its serial is among them (or came earlier in the file), so no
    // row costs a look-up or an update that finds nothing.
    QSet<QString> stored;
    QSet<int> kinds;
    for (int at = 0; at < rows.size(); ++at) {
        if (!fresh.value(at))
            kinds.insert(rows.at(at).tabType);
    }
    for (int kind : qAsConst(kinds)) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!Run(q,
                 QStringLiteral("select %1 from %2 where tab_type=? and store_no=?")
                     .arg(names.at(1), QLatin1String(tableName)),
                 {kind, storeNo}))
            return Result::Fail(Error());
        while (q.next())
            stored.insert(QString::number(kind) + QLatin1Char('\n') + q.value(0).toString());
    }

    for (int at = 0; at < rows.size(); ++at) {
        const Record &r = rows.at(at);
        const QString key = QString::number(r.tabType) + QLatin1Char('\n') + r.text(0);
        if (!fresh.value(at) && stored.contains(key)) {
            for (int i = 1; i < Record::TextCount; ++i)
                update.bindValue(i - 1, value(r, i));
            update.bindValue(Record::TextCount - 1, r.tabType);
            update.bindValue(Record::TextCount, value(r, 0));
            update.bindValue(Record::TextCount + 1, storeNo);
            if (!update.exec())
                return refused(at, r, update);
            continue;
        }
        insert.bindValue(0, r.tabType);
        for (int i = 0; i < Record::TextCount; ++i)
            insert.bindValue(i + 1, value(r, i));
        insert.bindValue(Record::TextCount + 1, storeNo);
        if (!insert.exec())
            return refused(at, r, insert);
        if (!fresh.value(at))
            stored.insert(key);
    }
    return Result::Ok();
}

} // namespace

Result StoreDbAccess::SaveImportedGoods(const QList<GoodsRecord> &rows, const QVector<bool> &fresh,
                                        int *failedAt)
{
    return SaveImported(m_dbManager, m_storeNo, Schema::GoodsTable, rows, fresh, failedAt);
}

Result StoreDbAccess::SaveImportedFinance(const QList<FinanceRecord> &rows, const QVector<bool> &fresh,
                                          int *failedAt)
{
    return SaveImported(m_dbManager, m_storeNo, Schema::FinanceTable, rows, fresh, failedAt);
}
