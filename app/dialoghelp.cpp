#include "app/dialoghelp.h"
#include "ui_dialoghelp.h"

#include "db/dbmanager.h"

#include <QDialogButtonBox>
#include <QDir>

DialogHelp::DialogHelp(QWidget *parent) : QDialog(parent), m_ui(new Ui::DialogHelp)
{
    m_ui->setupUi(this);
    // Start-up made the chosen working folder the current one; the user needs
    // it to find backups and workbooks and to move the data to another machine.
    QString text = QStringLiteral("数据文件夹：%1").arg(QDir::toNativeSeparators(QDir::currentPath()));
    // Saves refused for the whole session are said here too, not only in the start-up box.
    const QString refusal = DbManager::Instance()->WriteRefusal();
    if (!refusal.isEmpty())
        text += QLatin1Char('\n') + refusal;
    m_ui->label_folder->setText(text);
    m_ui->label_folder->setWordWrap(true);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

DialogHelp::~DialogHelp() { delete m_ui; }
