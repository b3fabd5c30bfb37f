#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The text form of one information list: rows joined by ";", fields by "-".
// Inside a field "-" is written "##" and "." is written "&&". The row number
// column of the editing tables is never stored.
namespace ListCodec {

QString EncodeField(const QString &field);
QString DecodeField(const QString &field);

// Empty rows list gives the empty text.
QString Encode(const QList<QStringList> &rows);

// Splits the text into rows and fields, keeping empty parts, and decodes every
// field. The empty text is a list without rows.
QList<QStringList> Decode(const QString &text);

// Field number position (0 = first stored field) of every row that has it, decoded.
QStringList ColumnValues(const QString &text, int position);

// The separator that cannot live inside a field: it would split the row.
inline bool IsStorable(const QString &field) { return !field.contains(QLatin1Char(';')); }

} // namespace ListCodec
