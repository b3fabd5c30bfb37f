#include "widgets/modalseam.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace ModalSeam {
namespace {
BoxAnswerer g_boxAnswerer;
DialogAnswerer g_dialogAnswerer;
FileAnswerer g_fileAnswerer;
} // namespace

int Exec(QMessageBox &box)
{
    if (g_boxAnswerer) {
        g_boxAnswerer(box);
        return box.result();
    }
    return box.exec();
}

int ExecDialog(QDialog &dialog)
{
    if (g_dialogAnswerer) {
        g_dialogAnswerer(dialog);
        return dialog.result();
    }
    return dialog.exec();
}

QString GetOpenFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter)
{
    if (g_fileAnswerer)
        return g_fileAnswerer(caption, dir, filter);
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString GetSaveFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter,
                        QString *selectedFilter)
{
    if (g_fileAnswerer)
        return g_fileAnswerer(caption, dir, filter);
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, selectedFilter);
}

void SetBoxAnswerer(BoxAnswerer answerer) { g_boxAnswerer = std::move(answerer); }
void SetDialogAnswerer(DialogAnswerer answerer) { g_dialogAnswerer = std::move(answerer); }
void SetFileAnswerer(FileAnswerer answerer) { g_fileAnswerer = std::move(answerer); }

} // namespace ModalSeam
