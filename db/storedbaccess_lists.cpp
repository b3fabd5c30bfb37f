// Information lists (tb_sm_info_*): one list text per list number and store.
#include "db/storedbaccess.h"

#include "db/schema.h"
#include "db/storedbaccess_p.h"
#include "db/transactionguard.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace StoreSql;

namespace {

// The table of a store kind; false, with the reason, when the call cannot go on.
bool InfoTable(Call &call, int storeKind, QString &table)
{
    if (!call.Connected())
        return false;
    switch (storeKind) {
    case InfoStore::MasterData: table = QLatin1String(Schema::MasterDataTable); return true;
    case InfoStore::People: table = QLatin1String(Schema::PeopleTable); return true;
    default: return call.Fail(QStringLiteral("未知的列表类别: %1").arg(storeKind));
    }
}

} // namespace

Result StoreDbAccess::SaveInfoList(int storeKind, const InfoList &list)
{
    Call call(m_dbManager, m_storeNo, Call::Writes);
    QString table;
    if (!InfoTable(call, storeKind, table))
        return Outcome(false);
    QSqlDatabase &db = call.db();
    QSqlQuery lookup(db), write(db);
    TransactionGuard tx(db);
    if (!tx.IsActive())
        return Result::Fail(QStringLiteral("无法开始事务: %1").arg(tx.error()));

    if (!Run(lookup, QStringLiteral("select * from %1 where info_type=? and store_no=?").arg(table),
             {list.infoType, m_storeNo}))
        return Outcome(false);
    const bool exists = lookup.next();
    lookup.finish();

    const bool ok = exists
        ? Run(write, QStringLiteral("update %1 set info_list=? where info_type=? and store_no=?").arg(table),
              {list.list, list.infoType, m_storeNo})
        : Run(write,
              QStringLiteral("insert into %1(info_type, info_list, store_no) values(?, ? , ?)").arg(table),
              {list.infoType, list.list, m_storeNo});
    return Outcome(ok && call.Commit(tx));
}

Result StoreDbAccess::ReadInfoList(int storeKind, InfoList &list)
{
    Call call(m_dbManager, m_storeNo);
    QString table;
    if (!InfoTable(call, storeKind, table))
        return Outcome(false);
    QSqlQuery q(call.db());
    if (!call.Select(q, QStringLiteral("select * from %1 where info_type=? and store_no=?").arg(table),
                     {list.infoType, m_storeNo}))
        return Outcome(false);
    const QSqlRecord rec = q.record();
    const int typeIndex = rec.indexOf(QStringLiteral("info_type"));
    const int listIndex = rec.indexOf(QStringLiteral("info_list"));
    while (q.next()) {
        list.infoType = q.value(typeIndex).toInt();
        list.list = Text(q, listIndex);
    }
    return Result::Ok();
}

Result StoreDbAccess::DeleteInfoList(int storeKind, int infoType)
{
    Call call(m_dbManager, m_storeNo, Call::Writes);
    QString table;
    if (!InfoTable(call, storeKind, table))
        return Outcome(false);
    return Outcome(call.Run(QStringLiteral("delete from %1 where info_type=? and store_no=?").arg(table),
                            {infoType, m_storeNo}));
}
