#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// The standard boxes of the dialogs, with red buttons, run through the modal
// seam so tests can answer them.
namespace Boxes {

// A box that only informs: one accepting button (buttonWidth > 0 fixes its
// width), detail as the informative text when given.
void Notice(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
            const QString &detail = QString(), const QString &button = QStringLiteral("确定"),
            int buttonWidth = 0);

// "输入错误" with the text: a typed value the cell refused, and what it wants.
void InputError(QWidget *parent, const QString &text);

// A warning with "确定" and "取消"; either only dismisses it.
void Warning(QWidget *parent, const QString &title, const QString &text);

// "删除告警" with "确认" (the default) and "取消" (Escape): true only for "确认".
bool ConfirmDelete(QWidget *parent, const QString &text);

// A question before something that replaces data: red "确认" and "取消" (Escape
// and, unless okIsDefault, Enter); true only for "确认".
bool ConfirmRed(QMessageBox &box, bool okIsDefault);

} // namespace Boxes
