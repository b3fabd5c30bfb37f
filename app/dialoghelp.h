#pragma once

#include <QDialog>

namespace Ui {
class DialogHelp;
}

// Contact details and the data folder, opened from "帮助".
class DialogHelp : public QDialog
{
    Q_OBJECT

public:
    explicit DialogHelp(QWidget *parent = nullptr);
    ~DialogHelp() override;

private:
    Ui::DialogHelp *m_ui;
};
