// User accounts (tb_sm_user).
#include "db/storedbaccess.h"

#include "db/storedbaccess_p.h"
#include "db/transactionguard.h"

#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace StoreSql;

namespace {

const QString kUserLookup =
    QStringLiteral("select * from tb_sm_user where (user_phoneno=? or user_name=?) and store_no=?");
// The login looks in every store: one owner account may serve several shops
// on one server. Saving and deleting stay within the store.
const QString kLoginLookup = QStringLiteral("select * from tb_sm_user where user_phoneno=? or user_name=?");
const QString kUserUpdate = QStringLiteral(
    "update tb_sm_user set user_password=?,user_type=?, user_online=?, user_ip=?, user_remark=? "
    "where user_phoneno=? and user_name=? and store_no=?");
const QString kUserInsert = QStringLiteral(
    "insert into tb_sm_user (user_phoneno,user_name,user_password,user_type,user_online,user_ip,"
    "user_remark,store_no) values (?,?,?,?, ?,?,?,?)");
const QString kUserDelete =
    QStringLiteral("delete from tb_sm_user where user_phoneno=? and user_name=? and store_no=?");

} // namespace

Result StoreDbAccess::AddOrUpdateUser(const UserRecord &user)
{
    Call call(m_dbManager, m_storeNo, Call::Writes);
    if (!call.Connected())
        return Outcome(false);
    // Without a phone or a name there is nothing to tell this account from another.
    if (user.phone.isEmpty() && user.name.isEmpty())
        return Result::Fail(QStringLiteral("账户没有电话也没有名称"));
    QSqlDatabase &db = call.db();
    QSqlQuery lookup(db), write(db);
    TransactionGuard tx(db);
    if (!tx.IsActive())
        return Result::Fail(QStringLiteral("无法开始事务: %1").arg(tx.error()));

    if (!call.Select(lookup, kUserLookup, {user.phone, user.name, m_storeNo}))
        return Outcome(false);
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

    const bool ok = found ? Run(write, kUserUpdate,
                                {user.password, user.userType, user.online, user.ip, user.remark, foundPhone,
                                 foundName, m_storeNo})
                          : Run(write, kUserInsert,
                                {user.phone, user.name, user.password, user.userType, user.online, user.ip,
                                 user.remark, m_storeNo});
    return Outcome(ok && call.Commit(tx));
}

Result StoreDbAccess::DeleteUser(const UserRecord &user)
{
    Call call(m_dbManager, m_storeNo, Call::Writes);
    return Outcome(call.Connected() && call.Run(kUserDelete, {user.phone, user.name, m_storeNo}));
}

Result StoreDbAccess::ReplaceUsers(const QList<UserRecord> &users)
{
    Call call(m_dbManager, m_storeNo, Call::Writes);
    if (!call.Connected())
        return Outcome(false);
    QSqlDatabase &db = call.db();
    QSqlQuery del(db), insert(db);
    TransactionGuard tx(db);
    if (!tx.IsActive())
        return Result::Fail(QStringLiteral("无法开始事务: %1").arg(tx.error()));
    if (!Run(del, QStringLiteral("delete from tb_sm_user where store_no=?"), {m_storeNo}))
        return Outcome(false);
    if (!Prepare(insert, kUserInsert))
        return Outcome(false);
    for (const UserRecord &u : users) {
        if (!Exec(insert, {u.phone, u.name, u.password, u.userType, u.online, u.ip, u.remark, m_storeNo}))
            return Outcome(false);
    }
    return Outcome(call.Commit(tx));
}

Result StoreDbAccess::CheckUserPassword(const QString &account, const QString &password, bool *matches)
{
    *matches = false;
    if (account.isEmpty())
        return Result::Ok();
    Call call(m_dbManager, m_storeNo);
    QSqlQuery q(call.db());
    if (!call.Connected() || !call.Select(q, kLoginLookup, {account, account}))
        return Outcome(false);
    const int passwordIndex = q.record().indexOf(QStringLiteral("user_password"));
    while (q.next() && !*matches)
        *matches = Text(q, passwordIndex) == password;
    return Result::Ok();
}

Result StoreDbAccess::ReadUser(UserRecord &user, bool *found)
{
    Call call(m_dbManager, m_storeNo);
    *found = false;
    QSqlQuery q(call.db());
    if (!call.Connected() || !call.Select(q, kLoginLookup, {user.phone, user.name}))
        return Outcome(false);
    const QSqlRecord rec = q.record();
    const auto at = [&](const char *column) { return rec.indexOf(QLatin1String(column)); };
    const int type = at("user_type"), online = at("user_online"), phone = at("user_phoneno"),
              name = at("user_name"), password = at("user_password"), ip = at("user_ip"),
              remark = at("user_remark");
    const QString wantedPhone = user.phone, wantedName = user.name, wantedPassword = user.password;
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
        *found = true;
    }
    return Result::Ok();
}

Result StoreDbAccess::FindStoreAccount(const QString &account, const QString &password, UserRecord *user)
{
    Call call(m_dbManager, m_storeNo);
    if (!call.Connected())
        return Result::Fail(Error());
    QSqlQuery q(call.db());
    if (account.isEmpty() || !call.Select(q, kUserLookup, {account, account, m_storeNo}))
        return Result::Fail(account.isEmpty() ? QStringLiteral("账户为空") : Error());
    const QSqlRecord rec = q.record();
    const auto at = [&](const char *column) { return rec.indexOf(QLatin1String(column)); };
    while (q.next()) {
        if (Text(q, at("user_password")) != password)
            continue;
        if (user) {
            user->userType = q.value(at("user_type")).toInt();
            user->online = q.value(at("user_online")).toInt();
            user->phone = Text(q, at("user_phoneno"));
            user->name = Text(q, at("user_name"));
            user->password = Text(q, at("user_password"));
            user->ip = Text(q, at("user_ip"));
            user->remark = Text(q, at("user_remark"));
        }
        return Result::Ok();
    }
    return Result::Fail(QStringLiteral("本店（店号 %1）没有这个账户，或密码不对").arg(m_storeNo));
}

Result StoreDbAccess::BuiltInAccountAllowed(bool switchedOff)
{
    Call call(m_dbManager, m_storeNo);
    if (!call.Connected())
        return Result::Ok();
    const auto count = [&](const QString &where, const QVariantList &values) {
        QSqlQuery q(call.db());
        const bool read =
            call.Select(q, QStringLiteral("select count(*) from tb_sm_user where store_no=? and ") + where,
                        QVariantList{m_storeNo} + values)
            && q.next();
        return read ? q.value(0).toInt() : 0;
    };
    const QString builtIn = QStringLiteral("admin");
    if (count(QStringLiteral("(user_name=? or user_phoneno=?)"), {builtIn, builtIn}) > 0)
        return Result::Fail(QStringLiteral("本店已有名为 admin 的账户，请用它自己的密码登录"));
    if (switchedOff && count(QStringLiteral("user_type=?"), {1}) > 0)
        return Result::Fail(QStringLiteral("内置账户已停用（dBConfig.ini 中 [Login] BuiltInAccount=false），"
                                           "请用本店的超级用户账户登录"));
    return Result::Ok();
}

bool StoreDbAccess::BuiltInAccountSwitchedOff(const QString &iniPath)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    const QString value = ini.value(QStringLiteral("Login/BuiltInAccount")).toString().trimmed().toLower();
    return value == QLatin1String("false") || value == QLatin1String("0") || value == QLatin1String("no")
        || value == QLatin1String("off");
}

Result StoreDbAccess::SwitchBuiltInAccount(bool on, const QString &iniPath)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.setValue(QStringLiteral("Login/BuiltInAccount"),
                 on ? QStringLiteral("true") : QStringLiteral("false"));
    ini.sync();
    if (ini.status() != QSettings::NoError)
        return Result::Fail(QStringLiteral("无法写入 %1").arg(iniPath));
    return Result::Ok();
}
