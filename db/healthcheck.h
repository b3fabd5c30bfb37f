#pragma once

#include <QList>
#include <QPair>
#include <QString>

class DbManager;

// Whether the database can be used: it is open, the program's tables can be
// read and written (a write that is rolled back) and, on SQLite, the file
// passes its quick integrity check.
struct HealthReport
{
    bool ok = false;
    QString reason; // why not, when ok is false
    QString driver;
    QString storeNo;
    QList<QPair<QString, int>> rowCounts; // rows of this store per table, creation order
};

namespace DbHealth {

// Changes nothing in the database.
HealthReport Check(DbManager *manager, const QString &storeNo);

} // namespace DbHealth
