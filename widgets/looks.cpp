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

} // namespace Looks
