#include "app/dialoghelp.h"
#include "ui_dialoghelp.h"

#include <QDialogButtonBox>
#include <QDir>

DialogHelp::DialogHelp(QWidget *parent) : QDialog(parent), m_ui(new Ui::DialogHelp)
{
    m_ui->setupUi(this);
    // Start-up made the chosen working folder the current one; the user needs
    // it to find backups and workbooks and to move the data to another machine.
    m_ui->label_folder->setText(
        QStringLiteral("数据文件夹：%1").arg(QDir::toNativeSeparators(QDir::currentPath())));
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

DialogHelp::~DialogHelp() { delete m_ui; }
