#pragma once

#include "db/result.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <functional>

// One recorded change of the store's ledger rows: who changed which cell of
// which row from what to what. Row-level entries (add, delete, and undoing
// them) leave the column empty and carry the row's texts joined by " | ".
struct ChangeEntry
{
    qint64 id = 0;
    QString time;    // "yyyy-MM-dd hh:mm:ss:zzz", local time of the change
    QString account; // who was logged in
    QString page;    // the page's table name (tab_purchaseIn, tab_income, ...)
    QString serial;  // the row's serial; empty for page-level actions
    QString column;  // the column's title; empty for row- and page-level entries
    QString oldText;
    QString newText;
    QString action; // add, edit, delete, undo, clear, import, restore
    int rows = 0;   // rows a page-level action touched
};

// The audit trail of every change to the ledger rows, kept in its own table
// beside the program's five. It is additive: the table's name does not start
// with "tb_sm", so no backup, restore or older installation touches it.
namespace ChangeLog {

extern const char *const Table;

// Who is working in this process; written into every entry.
void SetAccount(const QString &account);
QString Account();

// Creates the table and its indexes when missing, in the connection's dialect.
Result CreateTable(QSqlDatabase db);

// Runs write, then stores the entries, in one transaction on the calling
// thread's connection: either both are in the database or neither is. The
// entries take the time and account now when theirs are empty.
Result Record(const std::function<Result()> &write, QList<ChangeEntry> entries);
// True inside Record: the whole transaction is one change, so a store may
// send its single-statement update without a savepoint of its own.
bool InOneChange();

struct Filter
{
    QString from; // "yyyy-MM-dd", inclusive; empty: from the start
    QString to;   // "yyyy-MM-dd", inclusive; empty: to now
    QString account;
    QString page;
    QString serial;
};

// The store's entries matching the filter, oldest first.
Result Read(const Filter &filter, QList<ChangeEntry> *out);
// User types 3 and 4 see only their own changes; 1 and 2 see every change.
Filter VisibleTo(Filter filter, const QString &account, int userType);

// Entries as CSV with a header line; fields quoted where needed.
QString Csv(const QList<ChangeEntry> &entries);

// The backup's companion: the store's entries as insert lines in
// HistoryFileFor(backupPath), a new file that overwrites nothing.
Result Dump(const QString &backupPath);
// Inside a restore's transaction on db: adds the entries of the backup's
// companion file (when there is one) that the store does not hold yet, as
// the store's, then records the restore itself with its row count.
Result RestoreWithin(QSqlDatabase db, const QString &backupPath, int restoredRows);
// record_<stamp>.sql -> record_<stamp>_history.sql
QString HistoryFileFor(const QString &backupPath);

} // namespace ChangeLog
