#pragma once

#include <QString>

class QAbstractScrollArea;

// The looks the windows share, kept in one place so the boxes and tables of
// every dialog stay alike.
namespace Looks {

// The red buttons of the warning and confirmation boxes.
QString RedButtons();

// Thin rounded scroll bars on a transparent track, as the tables have them.
void ApplyThinScrollBars(QAbstractScrollArea *area);

} // namespace Looks
