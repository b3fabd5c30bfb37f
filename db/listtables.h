#pragma once

#include "db/records.h"

#include <QString>
#include <QStringList>
#include <QVector>

// One editable list of a list dialog: its tab, its table and the titles of the
// stored columns (column 0, "序号", is the row number and is not stored).
struct ListTableDef
{
    int infoType = 0;
    QString tabTitle;
    QString tableName;
    QStringList columns;
};

namespace ListTables {

// Both list dialogs cache info types 0 .. ListCount-1 of their store.
constexpr int ListCount = 19;

// Field positions within a warehouse row.
enum WarehouseField : int { WarehouseNumber = 2, WarehouseAreas = 3, WarehousePositions = 4 };

// The tables of each dialog in tab order.
const QVector<ListTableDef> &MasterData();
const QVector<ListTableDef> &People();

// Button families of a tab; the name of a tab's button is derived from its index.
enum class Button { Add, Del, Clear, Ok, Import, Export };
QString ButtonName(Button family, int tabIndex);

QString RowNumberTitle();

} // namespace ListTables
