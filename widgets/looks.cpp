#include "widgets/looks.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QMessageBox>
#include <QScrollBar>

namespace Looks {
namespace {

const char kHorizontalScrollStyle[] =
    "QScrollBar{background:transparent; height:10px;}"
    "QScrollBar::handle{background:lightgray; border:2px solid transparent; border-radius:5px;}"
    "QScrollBar::handle:hover{background:gray;}"
    "QScrollBar::sub-line{background:transparent;}"
    "QScrollBar::add-line{background:transparent;}";
const char kVerticalScrollStyle[] =
    "QScrollBar{background:transparent; width: 10px;}"
    "QScrollBar::handle{background:lightgray; border:2px solid transparent; border-radius:5px;}"
    "QScrollBar::handle:hover{background:gray;}"
    "QScrollBar::sub-line{background:transparent;}"
    "QScrollBar::add-line{background:transparent;}";

} // namespace

QString RedButtons()
{
    // A style paints a button's background itself unless the sheet also gives
    // it a border, and the main window's background picture would cover the
    // red: both are set aside here.
    return QStringLiteral("QPushButton{background-color:rgb(255, 0, 0); color:rgb(0, 0, 0);}"
                          "QPushButton{background-image:url(); border:1px solid rgb(150, 0, 0);"
                          " border-radius:3px; padding:4px 10px;}"
                          "QPushButton:pressed{background-color:rgb(200, 0, 0);}"
                          "QPushButton:default{border:2px solid rgb(110, 0, 0);}");
}

void PaintRed(QMessageBox &box)
{
    box.setStyleSheet(RedButtons());
    // Buttons added before the box got its sheet keep their old look under a
    // parent with a sheet of its own (the main window): each is given the
    // rules itself.
    for (QAbstractButton *button : box.buttons())
        button->setStyleSheet(RedButtons());
}

void ApplyThinScrollBars(QAbstractScrollArea *area)
{
    area->horizontalScrollBar()->setStyleSheet(QString::fromLatin1(kHorizontalScrollStyle));
    area->verticalScrollBar()->setStyleSheet(QString::fromLatin1(kVerticalScrollStyle));
}

QString CellEditors()
{
    // The combo text leaves its drop-down without a look of its own, which the
    // Fusion style paints black; this rule has to come first, since the stray
    // ";" in the combo text ends what the parser reads of it.
    return QStringLiteral("QDateTimeEdit{border:1px solid gray; height:24px; }"
                          "QDateTimeEdit::down-arrow{image:url(:/backg/backg/calendar.png);}"
                          "QDateTimeEdit::drop-down{width:30px; border:0px solid red;                   "
                          "subcontrol-origin: padding;subcontrol-position: top right;}"
                          "QDateTimeEdit{background:transparent;}"
                          "QComboBox::drop-down{subcontrol-origin:padding; subcontrol-position:top right; "
                          "width:16px; border:0px; background:white;}"
                          "QComboBox::down-arrow{image:url(:/backg/backg/combo_arrow.png);}"
                          "QComboBox{background:transparent;};QComboBox::drop-down{}");
}

} // namespace Looks
