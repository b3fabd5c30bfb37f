#pragma once

#include "db/result.h"

#include <QString>
#include <QStringList>

// One ledger row as the store holds it now, read inside the caller's
// transaction: an undo compares it with what it expects before it writes.
namespace StoredRow {

// The texts (serial to remark) of this store's row of the kind and serial;
// empty when there is none.
Result Read(bool goods, int tabType, const QString &serial, QStringList *texts);
// Rows of this store of one kind.
Result Count(bool goods, int tabType, int *count);

} // namespace StoredRow
