#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

class QWidget;

// How a user left the main window: where it stood, whether it was maximised
// and which page each stack showed. Kept per account in a small settings file
// of the working folder, so each user of a shared computer gets their own.
struct WindowLayout
{
    QByteArray geometry; // QWidget::saveGeometry(); empty when never saved
    bool maximised = false;
    QList<int> stackPages;             // per stack: the page shown, -1 when the stack was hidden
    QMap<QString, QList<int>> columns; // per page table: its columns' widths

    bool IsEmpty() const { return geometry.isEmpty(); }
};

namespace WindowMemory {

// <folder>/InitParam/window.ini: beside the store's settings, outside them.
QString FileIn(const QString &folder);

// False with the reason when the file could not be written.
bool Save(const QString &file, const QString &account, const WindowLayout &layout, QString *error = nullptr);
// An empty layout for an account never saved or an unreadable entry. Stack
// pages below -1 read as -1 (hidden).
WindowLayout Load(const QString &file, const QString &account);

// The window's own part of a layout, and putting it back (before show()).
WindowLayout Take(const QWidget &window);
// Restores position and size; false when the layout holds none it can use.
bool Apply(QWidget &window, const WindowLayout &layout);

} // namespace WindowMemory
