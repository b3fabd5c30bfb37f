#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The tables of the program: names, columns (without the id column) and
// their declared types. Table creation, backup and restore all read this list.
namespace Schema {

struct Column
{
    QString name;
    QString type;
    bool isInteger() const { return type == QLatin1String("int"); }
    bool isDate() const { return type == QLatin1String("date"); }
};

struct Table
{
    QString name;
    QList<Column> columns;

    QStringList columnNames() const;
    QStringList columnTypes() const;
    int columnIndex(const QString &column) const;
};

// In creation order.
const QList<Table> &Tables();
// Null when the name is not one of ours (case-sensitive).
const Table *Find(const QString &tableName);

extern const char *const GoodsTable;
extern const char *const FinanceTable;
extern const char *const MasterDataTable;
extern const char *const PeopleTable;
extern const char *const UserTable;
extern const char *const StockRuleTable;

} // namespace Schema
