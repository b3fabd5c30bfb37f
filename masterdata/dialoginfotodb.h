#pragma once

#include "masterdata/infolistdialog.h"

namespace Ui {
class DialogInfoToDb;
}

// "信息管理": goods categories, names, models, colours, sizes and warehouses.
class DialogInfoToDb : public InfoListDialog
{
    Q_OBJECT
public:
    explicit DialogInfoToDb(QWidget *parent = nullptr);
    ~DialogInfoToDb() override;

private:
    Ui::DialogInfoToDb *m_ui;
};
