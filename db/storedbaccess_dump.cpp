// Backup: the store's rows written as a script of insert lines (read back by
// storedbaccess_backup.cpp).
#include "db/storedbaccess.h"

#include "db/backupscript.h"
#include "db/changelog.h"
#include "db/dberror.h"
#include "db/dbmanager.h"
#include "db/schema.h"
#include "db/storedbaccess_p.h"

#include <QDebug>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStorageInfo>
#include <QTemporaryFile>
#include <QTextCodec>
#include <QTextStream>

#include <unistd.h>

using namespace StoreSql;

namespace {

// Why a file could not be written: a full disk says so.
QString FileReason(const QString &path, const QString &systemText)
{
    const QStorageInfo disk(QFileInfo(path).absolutePath());
    if (systemText.contains(QLatin1String("No space left"), Qt::CaseInsensitive)
        || (disk.isValid() && disk.bytesAvailable() == 0))
        return QStringLiteral("磁盘空间不足 (%1)").arg(systemText);
    return systemText.isEmpty() ? QStringLiteral("系统没有给出原因") : systemText;
}

// Writes lines into a new file at path, never over an existing one: written
// aside, synced and then renamed in, so a failed write leaves no truncated
// backup under the real name and two backups never share one.
bool WriteNewFile(const QString &path, const QStringList &lines, QString &error)
{
    if (QFileInfo::exists(path)) {
        error = QStringLiteral("文件 %1 已存在，未覆盖").arg(path);
        return false;
    }
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open()) {
        error = QStringLiteral("无法写入备份文件 %1: %2").arg(path, FileReason(path, file.errorString()));
        return false;
    }
    QTextStream out(&file);
    out.setCodec(QTextCodec::codecForName("UTF-8"));
    for (const QString &line : lines)
        out << line << '\n';
    out.flush();
    if (out.status() != QTextStream::Ok || !file.flush() || ::fsync(file.handle()) != 0) {
        error = QStringLiteral("无法写入备份文件 %1: %2").arg(path, FileReason(path, file.errorString()));
        return false;
    }
    // A backup is an ordinary file of the user's, not a private temporary one.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                        | QFileDevice::ReadOther);
    // The rename refuses an existing name (another backup in the same instant).
    if (!file.rename(path)) {
        error = QStringLiteral("无法写入备份文件 %1: %2").arg(path, FileReason(path, file.errorString()));
        return false;
    }
    file.setAutoRemove(false);
    return true;
}

} // namespace

Result StoreDbAccess::DumpStoreTables(const QString &filePath)
{
    Call call(m_dbManager, m_storeNo);
    if (!call.Connected())
        return Outcome(false);

    QStringList lines;
    QStringList unreadable; // a damaged file: the rest is still worth keeping
    QString unreadableWhy;
    for (const QString &table : m_dbManager->UserTables()) {
        if (!table.startsWith(QLatin1String("tb_sm"))) {
            qDebug().noquote() << "Hello 1";
            continue;
        }
        if (!PlainName(table))
            return Result::Fail(QStringLiteral("表名无效: %1").arg(table));
        QSqlQuery q(call.db());
        // Entry order: a restore numbers the rows in file order, and the stock
        // and sales deductions depend on it; without an order a database may
        // answer through an index in date order.
        if (!call.Select(q, QStringLiteral("select * from %1 where store_no=? order by id").arg(table),
                         {m_storeNo})) {
            unreadable << table;
            unreadableWhy = Error();
            continue;
        }
        // PostgreSQL reports names folded to lower case (product_oddnum); our
        // own tables are written with their declared names so a backup reads
        // the same whichever database it came from.
        const Schema::Table *known = Schema::Find(table);
        QStringList columns;
        const QSqlRecord header = q.record();
        for (int i = 1; i < header.count(); ++i) {
            QString name = header.fieldName(i);
            if (known) {
                for (const Schema::Column &c : known->columns)
                    if (c.name.compare(name, Qt::CaseInsensitive) == 0)
                        name = c.name;
            }
            columns << name;
        }
        while (q.next()) {
            const QSqlRecord rec = q.record();
            QStringList values;
            for (int i = 1; i < rec.count(); ++i)
                values << BackupScript::FormatValue(rec.field(i));
            lines << BackupScript::InsertLine(table, columns, values);
        }
        // A read that broke off keeps the rows before the break.
        if (q.lastError().isValid()) {
            unreadable << table;
            unreadableWhy = DbError::Reason(q.lastError());
        }
    }

    QString error;
    if (!WriteNewFile(filePath, lines, error))
        return Result::Fail(error);
    if (!unreadable.isEmpty())
        return Result::Fail(QStringLiteral("备份 %1 不完整：已写入能读出的 %2 行，无法读取的表: %3 (%4)")
                                .arg(filePath)
                                .arg(lines.size())
                                .arg(unreadable.join(QStringLiteral(", ")), unreadableWhy));
    // The change log goes beside it, so the backup file stays as it always was.
    const Result history = ChangeLog::Dump(filePath);
    if (!history)
        return history.Prefixed(QStringLiteral("备份 %1 已写入，但修改记录未能写入: ").arg(filePath));
    // A backup means the data is safe: the database file is brought up to date too.
    (void)m_dbManager->Checkpoint();
    return Result::Ok();
}
