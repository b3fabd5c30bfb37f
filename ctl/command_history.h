#pragma once

#include "db/result.h"

#include <QString>

namespace Ctl {

// quillonctl history: the store's change log as CSV, filtered like 修改记录.
// from and to are "yyyy-MM-dd" or empty; page is a ledger table's object
// name or its title. The caller runs the program's tools and sees every change.
Result HistoryCsv(const QString &from, const QString &to, const QString &user, const QString &page,
                  QString *csv);

} // namespace Ctl
