// Restore of the store's rows from a backup script (written by storedbaccess_dump.cpp).
#include "db/storedbaccess.h"

#include "db/backupscript.h"
#include "db/changelog.h"
#include "db/dberror.h"
#include "db/dbmanager.h"
#include "db/schema.h"
#include "db/sqldialect.h"
#include "db/storedbaccess_p.h"
#include "db/transactionguard.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextCodec>
#include <QTextStream>

#include <algorithm>

using namespace StoreSql;

namespace {

// A backup file read and checked, before anything is changed.
struct ParsedBackup
{
    struct Row
    {
        const Schema::Table *table;
        QVariantList values;
        int line;
        bool otherStore; // the file gave another store number
    };
    QList<Row> rows;
    QList<RestoreLine> refused;
    int statements = 0;
    int foreignAccounts = 0; // refused rows of tb_sm_user with another store number
};

// Reads the file; false with error when it cannot be read or holds nothing of
// ours. Every row is put into storeNo whatever store number it carries.
bool ParseBackup(const QString &filePath, const QString &storeNo, bool typed, ParsedBackup &out,
                 QString &error)
{
    QFile file(filePath);
    if (filePath.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("无法打开备份文件: %1").arg(filePath);
        return false;
    }
    QTextStream in(&file);
    in.setCodec(QTextCodec::codecForName("UTF-8"));
    const QList<BackupScript::ScriptLine> lines = BackupScript::Statements(in.readAll());
    file.close();

    for (const BackupScript::ScriptLine &statement : lines) {
        const int at = statement.number;
        const QString &line = statement.text;
        if (line.trimmed().isEmpty())
            continue;
        ++out.statements;
        const auto refuse = [&](const QString &reason) { out.refused.append({at, reason}); };
        BackupScript::Insert insert;
        if (!BackupScript::ParseInsert(line, insert)) {
            refuse(line.count(QLatin1Char('\'')) % 2 != 0
                       ? QStringLiteral("引号不成对，不是一条完整的 insert 语句")
                       : QStringLiteral("不是一条完整的 insert 语句"));
            continue;
        }
        const Schema::Table *table = Schema::Find(insert.table);
        if (!table) {
            refuse(QStringLiteral("不是本程序的表: %1").arg(insert.table));
            continue;
        }
        bool good =
            insert.values.size() == insert.columns.size() && insert.columns.size() == table->columns.size();
        // Column names compare without case: PostgreSQL folds them.
        for (int i = 0; good && i < insert.columns.size(); ++i)
            good = insert.columns.at(i).compare(table->columns.at(i).name, Qt::CaseInsensitive) == 0;
        if (!good) {
            refuse(QStringLiteral("列与表 %1 的列不符").arg(table->name));
            continue;
        }
        ParsedBackup::Row row{table, {}, at, false};
        QString badColumn, foreignStore;
        bool foreignAccount = false;
        for (int i = 0; badColumn.isEmpty() && i < insert.values.size(); ++i) {
            const Schema::Column &column = table->columns.at(i);
            const BackupScript::Value &v = insert.values.at(i);
            if (column.name == QLatin1String("store_no")) {
                row.otherStore = v.text != storeNo;
                if (row.otherStore && table->name == QLatin1String(Schema::UserTable)) {
                    foreignAccount = true;
                    foreignStore = v.text;
                }
                row.values << storeNo; // rows always come back into this store
            } else if (v.kind == BackupScript::Value::Null) {
                row.values << QVariant(column.isInteger() ? QVariant::LongLong : QVariant::String);
            } else if (column.isInteger()) {
                bool ok = false;
                const qlonglong n = v.text.toLongLong(&ok);
                if (v.kind != BackupScript::Value::Number || !ok)
                    badColumn = column.name;
                row.values << n;
            } else if (v.kind == BackupScript::Value::Text) {
                row.values << (column.isDate() ? DateValue(v.text, typed) : QVariant(v.text));
            } else if (v.kind == BackupScript::Value::Bytes) {
                row.values << v.bytes;
            } else {
                badColumn = column.name;
            }
        }
        if (!badColumn.isEmpty()) {
            refuse(QStringLiteral("列 %1 的值无效").arg(badColumn));
            continue;
        }
        // Another store's account would log in here with its rights.
        if (foreignAccount) {
            refuse(QStringLiteral("其他店（店号 %1）的账户，不还原").arg(foreignStore));
            ++out.foreignAccounts;
            continue;
        }
        out.rows.append(row);
    }

    // A file without one row of ours (empty, or nothing but foreign lines)
    // would only wipe the store; an empty store is had by clearing pages.
    if (out.rows.isEmpty()) {
        error = QStringLiteral("文件中没有可还原的数据");
        return false;
    }
    return true;
}

} // namespace

int RestorePreview::RowsInFile() const
{
    int n = 0;
    for (const Table &t : tables)
        n += t.inFile;
    return n;
}

int RestorePreview::RowsOfOtherStores() const
{
    int n = 0;
    for (const Table &t : tables)
        n += t.otherStore;
    return n;
}

int RestorePreview::RowsReplaced() const
{
    int n = 0;
    for (const Table &t : tables)
        n += t.replaced;
    return n;
}

RestoreFiles RestoreFiles::For(const QString &folder, const QString &filePath, const QDateTime &now)
{
    RestoreFiles files;
    files.safetyBackup = BackupScript::FreePath(folder, now, QStringLiteral("_before_restore.sql"));
    files.refusedList =
        QDir(folder).filePath(QFileInfo(filePath).fileName() + QStringLiteral(".refused.txt"));
    return files;
}

namespace {

bool WriteRefusedList(const QString &filePath, const QString &listPath, const QList<RestoreLine> &refused)
{
    QSaveFile file(listPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out.setCodec(QTextCodec::codecForName("UTF-8"));
    out << QStringLiteral("%1 中未还原的行：").arg(filePath) << '\n';
    for (const RestoreLine &r : refused)
        out << QStringLiteral("第 %1 行：%2").arg(r.line).arg(r.reason) << '\n';
    out.flush();
    return out.status() == QTextStream::Ok && file.commit();
}

} // namespace

RestorePreview StoreDbAccess::PreviewRestore(const QString &filePath)
{
    Call call(m_dbManager, m_storeNo);
    RestorePreview preview;
    const auto fail = [&](const QString &text) {
        preview.ok = false;
        preview.error = text;
        SetError(text);
        return preview;
    };
    if (!call.Connected())
        return fail(Error());

    ParsedBackup parsed;
    QString error;
    const bool readable = ParseBackup(filePath, m_storeNo, call.dialect().typedDates, parsed, error);
    preview.refused = parsed.refused.size();
    preview.refusedLines = parsed.refused;
    preview.foreignAccounts = parsed.foreignAccounts;
    for (const Schema::Table &table : Schema::Tables()) {
        RestorePreview::Table t;
        t.name = table.name;
        // The first column of the ledgers and lists says which page or list a row is of.
        const bool kinded = table.columnIndex(QStringLiteral("tab_type")) == 0
            || table.columnIndex(QStringLiteral("info_type")) == 0;
        for (const ParsedBackup::Row &row : qAsConst(parsed.rows)) {
            if (row.table != &table)
                continue;
            ++t.inFile;
            if (kinded)
                ++t.kinds[row.values.value(0).toInt()];
            if (row.otherStore)
                ++t.otherStore;
        }
        QSqlQuery q(call.db());
        if (!Run(q, QStringLiteral("select count(*) from %1 where store_no=?").arg(table.name), {m_storeNo})
            || !q.next())
            return fail(QStringLiteral("无法读取表 %1: %2").arg(table.name, Error()));
        t.replaced = q.value(0).toInt();
        preview.tables.append(t);
    }
    if (!readable)
        return fail(error);
    preview.ok = true;
    return preview;
}

RestoreResult StoreDbAccess::RestoreStoreTables(const QString &filePath, const RestoreFiles &files)
{
    RestoreResult result;
    // The refused lines are listed where the user can read them, whatever the outcome.
    const auto listRefused = [&] {
        if (!result.refusedLines.isEmpty() && !files.refusedList.isEmpty()
            && WriteRefusedList(filePath, files.refusedList, result.refusedLines))
            result.refusedList = files.refusedList;
    };
    const auto fail = [&](const QString &text) {
        listRefused();
        result.ok = false;
        result.restored = 0;
        result.error = text;
        SetError(text);
        return result;
    };
    // A damaged file takes no writes: it is kept aside whole and the store
    // comes back into a new file. The file to restore is checked first.
    QString keptDamaged;
    if (m_dbManager && !m_dbManager->damage().isEmpty() && m_dbManager->dialect().fileDatabase) {
        ParsedBackup probe;
        QString probeError;
        if (!ParseBackup(filePath, m_storeNo, false, probe, probeError)) {
            result.refused = probe.refused.size();
            result.refusedLines = probe.refused;
            return fail(probeError);
        }
        // What can still be read is kept beside the damaged file, for the record.
        if (!files.safetyBackup.isEmpty()
            && (DumpStoreTables(files.safetyBackup) || QFileInfo::exists(files.safetyBackup)))
            result.safetyBackup = files.safetyBackup;
        const Result replaced = m_dbManager->ReplaceDamagedFile(&keptDamaged);
        if (!replaced)
            return fail(replaced.error());
        result.damagedFile = keptDamaged;
    }
    Call call(m_dbManager, m_storeNo, Call::Writes);
    if (!call.Connected())
        return fail(Error());

    // Read and check everything before touching the store.
    QSqlDatabase &db = call.db();
    const bool typed = call.dialect().typedDates;
    ParsedBackup parsed;
    QString parseError;
    const bool readable = ParseBackup(filePath, m_storeNo, typed, parsed, parseError);
    result.refused = parsed.refused.size();
    result.refusedLines = parsed.refused;
    if (!readable)
        return fail(parseError);
    const QList<ParsedBackup::Row> &rows = parsed.rows;

    // The rows about to be replaced are kept first; no safety copy, no restore.
    if (keptDamaged.isEmpty()) {
        const Result kept = files.safetyBackup.isEmpty() ? Result::Fail(QStringLiteral("没有文件名"))
                                                         : DumpStoreTables(files.safetyBackup);
        if (!kept)
            return fail(
                QStringLiteral("安全备份 %1 未能写入，未还原: %2").arg(files.safetyBackup, kept.error()));
        result.safetyBackup = files.safetyBackup;
    }

    // The statements outlive the transaction guard: PostgreSQL cannot free a
    // prepared statement while a failed transaction waits for its rollback.
    QSqlQuery del(db);
    QHash<const Schema::Table *, QSqlQuery *> inserts;
    const auto cleanup = qScopeGuard([&] { qDeleteAll(inserts); });
    TransactionGuard tx(db);
    if (!tx.IsActive())
        return fail(QStringLiteral("还原失败: %1").arg(tx.error()));
    for (const Schema::Table &table : Schema::Tables()) {
        if (!Prepare(del, QStringLiteral("delete from %1 where store_no=?").arg(table.name))
            || !Exec(del, {m_storeNo}))
            return fail(QStringLiteral("还原失败: %1").arg(Error()));
    }
    for (const ParsedBackup::Row &row : rows) {
        QSqlQuery *q = inserts.value(row.table);
        if (!q) {
            q = new QSqlQuery(db);
            inserts.insert(row.table, q);
            QStringList marks;
            for (int i = 0; i < row.table->columns.size(); ++i)
                marks << QStringLiteral("?");
            if (!Prepare(*q, BackupScript::InsertLine(row.table->name, row.table->columnNames(), marks)))
                return fail(QStringLiteral("还原失败: %1").arg(Error()));
        }
        if (!typed) {
            if (!Exec(*q, row.values))
                return fail(QStringLiteral("还原失败: %1").arg(Error()));
            ++result.restored;
            continue;
        }
        // PostgreSQL checks values (a date written by a SQLite installation may
        // not be one) and a failed statement would abort the whole transaction:
        // each row gets a savepoint, a refused value skips just that row.
        TransactionGuard savepoint(db);
        if (!savepoint.IsActive())
            return fail(QStringLiteral("还原失败: %1").arg(savepoint.error()));
        if (!Exec(*q, row.values)) {
            const QSqlError error = q->lastError();
            if (!ValueRefused(error))
                return fail(QStringLiteral("还原失败: %1").arg(Error()));
            savepoint.Rollback();
            ++result.refused;
            result.refusedLines.append(
                {row.line, QStringLiteral("数据库拒绝了这一行: %1").arg(error.databaseText().trimmed())});
            continue;
        }
        if (!savepoint.Commit())
            return fail(QStringLiteral("还原失败: %1").arg(savepoint.error()));
        ++result.restored;
    }
    if (result.restored == 0 && !rows.isEmpty())
        return fail(QStringLiteral("备份文件中的数据都被数据库拒绝: %1").arg(filePath));
    qDeleteAll(inserts);
    inserts.clear();
    std::stable_sort(result.refusedLines.begin(), result.refusedLines.end(),
                     [](const RestoreLine &a, const RestoreLine &b) { return a.line < b.line; });
    // The log of the backup comes back with its rows, and the restore joins it.
    const Result history = ChangeLog::RestoreWithin(db, filePath, result.restored);
    if (!history)
        return fail(QStringLiteral("还原失败: %1").arg(history.error()));
    if (!tx.Commit())
        return fail(QStringLiteral("还原失败: %1").arg(tx.error()));
    listRefused();
    // The restored rows belong in the database file itself, not in its log.
    (void)m_dbManager->Checkpoint();
    result.ok = true;
    SetError(QString());
    return result;
}
