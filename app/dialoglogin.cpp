#include "app/dialoglogin.h"
#include "ui_dialoglogin.h"

#include "db/storedbaccess.h"
#include "widgets/looks.h"
#include "widgets/modalseam.h"
#include "widgets/reloginreason.h"

#include <QMessageBox>
#include <QPushButton>

DialogLogin::DialogLogin(QWidget *parent) : QDialog(parent), m_ui(new Ui::DialogLogin)
{
    m_ui->setupUi(this);
    m_ui->input_password->setEchoMode(QLineEdit::Password);
    connect(m_ui->oncancel, &QPushButton::clicked, this, &QDialog::close);
    m_ui->input_name->setFocus();
}

DialogLogin::~DialogLogin() { delete m_ui; }

bool DialogLogin::LogInStored(const QString &account, const QString &password, QString *storeError)
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    UserRecord user;
    if (m_storeOnly) {
        // Another store's account has no say over this store's rows.
        const Result found = store->FindStoreAccount(account, password, &user);
        if (!found)
            return false;
    } else {
        bool matches = false;
        const Result asked = store->CheckUserPassword(account, password, &matches);
        if (!asked || !matches) {
            *storeError = asked.error();
            return false;
        }
        user.phone = account;
        user.name = account;
        user.password = password;
        // An account that cannot be read has no known type: no login with it,
        // rather than a half-filled record whose type 0 would open everything.
        bool found = false;
        const Result read = store->ReadUser(user, &found);
        if (!read || !found) {
            *storeError = read.error();
            return false;
        }
    }
    m_user = user;
    return true;
}

void DialogLogin::on_onok_clicked()
{
    // Taken as typed: a password with a trailing blank is a different password.
    const QString account = m_ui->input_name->text();
    const QString password = m_ui->input_password->text();
    if (account.isEmpty() || password.isEmpty()) {
        ShowLoginMessage(QStringLiteral("警告"), QStringLiteral("警告:用户名或密码为空!"));
        return;
    }

    // A stored account wins over the built-in one, even when it is called "admin".
    QString storeError;
    if (LogInStored(account, password, &storeError)) {
        accept();
        return;
    }

    QString detail = storeError.isEmpty() ? QString() : QStringLiteral("数据库：%1").arg(storeError);
    if (account == BuiltInAccount() && password == BuiltInPassword()) {
        StoreDbAccess *store = StoreDbAccess::Instance();
        const Result allowed = store->BuiltInAccountAllowed(StoreDbAccess::BuiltInAccountSwitchedOff());
        if (allowed) {
            m_user = UserRecord();
            m_user.userType = 1;
            m_user.name = BuiltInAccount();
            m_user.password = BuiltInPassword();
            accept();
            return;
        }
        detail = allowed.error();
    }

    // A database that could not be asked is said so; the built-in account still works.
    ShowLoginMessage(QStringLiteral("警告"), QStringLiteral("警告:用户名或密码错误!"), detail);
    m_ui->input_name->clear();
    m_ui->input_password->clear();
    m_ui->input_name->setFocus();
}

void DialogLogin::ShowLoginMessage(const QString &title, const QString &text, const QString &detail)
{
    QMessageBox box;
    box.setWindowTitle(title);
    box.setText(text);
    box.setInformativeText(detail);
    box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    Looks::PaintRed(box);
    // One button, nothing to decide: the result only tells the box was closed.
    ModalSeam::Exec(box);
}

bool DialogLogin::ConfirmPrivileged()
{
    DialogLogin login;
    login.SetStoreAccountsOnly(true);
    // A login in the middle of work says what it is for.
    const QString why = ReloginReason::Current();
    if (!why.isEmpty()) {
        login.setWindowTitle(QStringLiteral("身份确认"));
        login.m_ui->label_reason->setText(why);
    }
    if (ModalSeam::ExecDialog(login) != QDialog::Accepted)
        return false;
    const int type = login.user().userType;
    if (type == 1 || type == 2)
        return true;
    login.ShowLoginMessage(QStringLiteral("警告"), QStringLiteral("权限不足：需要超级用户或授权用户确认"));
    return false;
}
