#pragma once

#include <QString>

class QAbstractScrollArea;
class QMessageBox;

// The looks the windows share, kept in one place so the boxes and tables of
// every dialog stay alike.
namespace Looks {

// The red buttons of the warning and confirmation boxes.
QString RedButtons();
// Gives the box and each of its buttons the red style; call it once the
// buttons are added.
void PaintRed(QMessageBox &box);

// The cell editors of a page (date and combo boxes); it cascades from the
// view's viewport, set once per view.
QString CellEditors();

// Thin rounded scroll bars on a transparent track, as the tables have them.
void ApplyThinScrollBars(QAbstractScrollArea *area);

} // namespace Looks
