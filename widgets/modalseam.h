#pragma once

#include <QString>
#include <functional>

class QDialog;
class QMessageBox;
class QWidget;

// Every modal box and file dialog of the windows runs through here. In the
// program they are the real boxes; a test installs answerers that look at the
// box (texts, buttons) and click a button, or hand back a file name, without
// anything being shown.
namespace ModalSeam {

// Runs the box modally (or lets the test answerer click one of its buttons).
// Returns the box's result; callers look at box.clickedButton().
int Exec(QMessageBox &box);

// Runs any other modal dialog (the answerer calls accept() or reject()).
int ExecDialog(QDialog &dialog);

QString GetOpenFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter);
// selectedFilter, when given, receives the filter the user chose (left as it
// is when a test answers).
QString GetSaveFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter,
                        QString *selectedFilter = nullptr);

// Test hooks. Pass an empty function to restore the real boxes.
using BoxAnswerer = std::function<void(QMessageBox &)>;
using DialogAnswerer = std::function<void(QDialog &)>;
using FileAnswerer =
    std::function<QString(const QString &caption, const QString &dir, const QString &filter)>;
void SetBoxAnswerer(BoxAnswerer answerer);
void SetDialogAnswerer(DialogAnswerer answerer);
void SetFileAnswerer(FileAnswerer answerer);

} // namespace ModalSeam
