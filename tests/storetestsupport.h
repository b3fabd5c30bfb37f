#pragma once

#include "db/dbmanager.h"
#include "db/records.h"
#include "db/storedbaccess.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

// A fresh SQLite database in its own folder, opened through the process-wide
// objects, with the given store number. Closed again when it goes away.
class TempStore
{
public:
    explicit TempStore(const QString &storeNo = QStringLiteral("1"))
    {
        settings.driver = QStringLiteral("QSQLITE");
        settings.file = dir.filePath(QStringLiteral("Marrowfield.db"));
        connected = dir.isValid() && DbManager::Instance()->ConnectDb(settings);
        store()->SetDbManager(DbManager::Instance());
        store()->SetStoreNo(storeNo);
    }
    ~TempStore() { DbManager::Instance()->Close(); }

    static StoreDbAccess *store() { return StoreDbAccess::Instance(); }
    static DbManager *manager() { return DbManager::Instance(); }

    // One value of a query, for checks against the raw table.
    static QVariant Scalar(const QString &sql)
    {
        QSqlQuery q(DbManager::Instance()->Connection());
        if (!q.exec(sql) || !q.next())
            return QVariant();
        return q.value(0);
    }
    static int Count(const QString &table, const QString &where = QString())
    {
        return Scalar(QStringLiteral("select count(*) from %1%2")
                          .arg(table, where.isEmpty() ? QString() : QStringLiteral(" where ") + where))
            .toInt();
    }
    static bool Exec(const QString &sql)
    {
        QSqlQuery q(DbManager::Instance()->Connection());
        return q.exec(sql);
    }

    QTemporaryDir dir;
    DbSettings settings;
    bool connected = false;
};

inline GoodsRecord MakeGoods(int tabType, const QString &serial, const QString &time,
                             const QString &model = QStringLiteral("M1"))
{
    GoodsRecord r;
    r.tabType = tabType;
    for (int i = 0; i < GoodsRecord::TextCount; ++i)
        r.setText(i, QStringLiteral("v%1").arg(i));
    r.serial = serial;
    r.time = time;
    r.model = model;
    return r;
}

inline FinanceRecord MakeFinance(int tabType, const QString &serial, const QString &time)
{
    FinanceRecord r;
    r.tabType = tabType;
    r.serial = serial;
    r.item = QStringLiteral("item ") + serial;
    r.sum = QStringLiteral("12.50");
    r.time = time;
    return r;
}
