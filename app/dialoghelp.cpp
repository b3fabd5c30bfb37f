#include "app/dialoghelp.h"
#include "ui_dialoghelp.h"

#include <QDialogButtonBox>

DialogHelp::DialogHelp(QWidget *parent)
    : QDialog(parent), m_ui(new Ui::DialogHelp)
{
    m_ui->setupUi(this);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

DialogHelp::~DialogHelp()
{
    delete m_ui;
}
