#pragma once

#include "db/records.h"
#include "db/result.h"

#include <QString>
#include <QStringList>

// A chain's stores on one database: the stores this installation may sum
// side by side, and reads of another store's rows for that summary only.
namespace ChainStore {

// "[Chain] Stores=1,2,3" of the settings file: the store numbers in the order
// given, blanks and repeats left out; empty when the key is absent.
QStringList Stores(const QString &iniPath = QStringLiteral("InitParam/dBConfig.ini"));

// Every goods row of one store, entry order, with the texts a summary reads
// (kind, serial, name, model, colour, date, quantity, price, total, unpaid,
// customer or supplier, salesperson).
Result ReadGoods(const QString &storeNo, GoodsList *rows);
// The finance rows of one store dated from .. to (empty: no bound), counted.
Result CountFinance(const QString &storeNo, const QString &from, const QString &to, int *count);

} // namespace ChainStore
