#include "widgets/boxes.h"

#include "widgets/looks.h"
#include "widgets/modalseam.h"

#include <QPixmap>
#include <QPushButton>

namespace Boxes {

void Notice(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
            const QString &detail, const QString &button, int buttonWidth)
{
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    if (!detail.isEmpty())
        box.setInformativeText(detail);
    QPushButton *ok = box.addButton(button, QMessageBox::AcceptRole);
    if (buttonWidth > 0)
        ok->setFixedWidth(buttonWidth);
    Looks::PaintRed(box);
    // One button, nothing to decide: the result only tells the box was closed.
    ModalSeam::Exec(box);
}

void InputError(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("输入错误"), text, QMessageBox::Ok, parent);
    ModalSeam::Exec(box);
}

void Warning(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, parent);
    box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    Looks::PaintRed(box);
    ModalSeam::Exec(box);
}

bool ConfirmRed(QMessageBox &box, bool okIsDefault)
{
    QPushButton *ok = box.addButton(QStringLiteral("确认"), QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    for (QPushButton *b : {ok, cancel})
        b->setFixedWidth(100);
    box.setDefaultButton(okIsDefault ? ok : cancel);
    box.setEscapeButton(cancel);
    Looks::PaintRed(box);
    ModalSeam::Exec(box);
    return box.clickedButton() == ok;
}

bool ConfirmDelete(QWidget *parent, const QString &text)
{
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("删除告警"));
    box.setText(text);
    const QPixmap icon(QStringLiteral(":/icons/icons/littleIcon1/Error.png"));
    if (!icon.isNull())
        box.setIconPixmap(icon.scaled(36, 36, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    return ConfirmRed(box, true);
}

} // namespace Boxes
