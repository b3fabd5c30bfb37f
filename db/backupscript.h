#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSqlField>
#include <QString>
#include <QStringList>

// The line form of a backup file:
//   insert into tb_sm_prestore_info(info_type,info_list,store_no) values(8,'Main##1-A&&1','1');
// Writing builds such lines; reading accepts exactly this form and nothing
// else, so a restore never runs a statement it did not recognise.
namespace BackupScript {

struct Value
{
    enum Kind { Text, Number, Null, Bytes };
    Kind kind = Null;
    QString text;     // Text and Number
    QByteArray bytes; // Bytes
};

struct Insert
{
    QString table;
    QStringList columns;
    QList<Value> values;
};

// Where a backup goes unless told otherwise: DbDateSave under the current
// folder, named record_yyyyMMdd_hhmmss_zzz.sql after the time it was taken.
QString DefaultFolder();
QString FileName(const QDateTime &when);
// record_yyyyMMdd_hhmmss_zzz<suffix> in folder, with _2, _3, ... before the
// suffix while that name is taken: two backups in one millisecond still get
// two files.
QString FreePath(const QString &folder, const QDateTime &when, const QString &suffix);

// A field's value as it appears in the values part.
QString FormatValue(const QSqlField &field);
QString InsertLine(const QString &table, const QStringList &columns, const QStringList &values);

// False for anything but one well-formed insert (keywords in any case,
// blanks allowed between the parts, nothing after the semicolon).
bool ParseInsert(const QString &line, Insert &out);

struct ScriptLine
{
    int number = 0; // line of the file where the statement starts, from 1
    QString text;
};

// The statements of a script, one per line as the backup writes them (line
// breaks inside texts escaped). A line that is not an insert stays a line of
// its own, so it is refused alone and the lines after it still count. A
// trailing "\r" of a line is dropped.
QList<ScriptLine> Statements(const QString &script);

} // namespace BackupScript
