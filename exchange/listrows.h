#pragma once

#include "db/listtables.h"
#include "db/records.h"

#include <QString>
#include <QStringList>
#include <QVector>

// The list tables as rows of texts, for workbooks: a header of "序号" and the
// stored columns, then one row per list row with its number first. Both the
// list dialogs and the command line read and write lists through these.
namespace ListRows {

// A list by its table name (tableWidgetStore) or its tab title (仓库信息).
struct ListPage
{
    int storeKind = 0; // InfoStore::MasterData or InfoStore::People
    const ListTableDef *def = nullptr;
};
ListPage Find(const QString &name);
QStringList Names(); // every table name, for help texts

QStringList Header(const ListTableDef &def);

// The stored list text as table rows; a part of the wrong shape keeps its
// place as an empty row, as the dialog shows it.
QVector<QStringList> FromText(const QString &text, const ListTableDef &def);
// Table rows back into the list text (the number column is not stored).
InfoList ToList(int infoType, const QVector<QStringList> &rows);

// The sheet's rows put above the table's rows, cut to the table's columns;
// rows holding a ";" in a stored field are left out and counted.
struct Merge
{
    QVector<QStringList> rows;
    int inserted = 0;
    int refused = 0;
};
Merge PutOnTop(const QVector<QStringList> &sheetRows, int columns,
               const QVector<QStringList> &tableRows = {});

// Sheet 1 below its header; false with error when the workbook cannot be read.
bool ReadSheet(const QString &fileName, QVector<QStringList> *rows, QString *error);
// Header and rows into sheet 1; false with error when it could not be written.
bool WriteSheet(const QStringList &header, const QVector<QStringList> &rows, const QString &fileName,
                QString *error);

} // namespace ListRows
