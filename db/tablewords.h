#pragma once

#include <QString>
#include <QStringList>

struct RestorePreview;

// The program's tables, pages and lists in the shop's words, for the boxes
// that would otherwise name database tables ("tb_sm_prestore_info").
namespace TableWords {

// "商品台账", "用户账号", …; a table that is not ours keeps its own name.
QString TableTitle(const QString &table);
// The page or list one tab_type / info_type of a table holds: "采购进货表",
// "商品名称列表"; an unknown number reads "类别 n".
QString KindTitle(const QString &table, int kind);
// Whether the table's rows are told apart by a kind number at all.
bool HasKinds(const QString &table);

// What a restore would do, one line per table with its pages or lists below.
QStringList PreviewLines(const RestorePreview &preview);

// The box after a backup: the file's name and the folder it went to, or why
// it was not written.
QString BackupDoneText(bool written, const QString &path, const QString &reason = QString());

// Why the re-login is asked, shown in the login dialog it opens.
QString ClearReason();
QString RestoreReason();

} // namespace TableWords
