#pragma once

#include "db/records.h"

#include <QDialog>

namespace Ui {
class DialogLogin;
}

// Modal login run before the main window exists. Accepted only with a filled
// user record: a stored account (by name or phone) or the built-in one.
class DialogLogin : public QDialog
{
    Q_OBJECT

public:
    explicit DialogLogin(QWidget *parent = nullptr);
    ~DialogLogin() override;

    const UserRecord &user() const { return m_user; }

    static QString BuiltInAccount() { return QStringLiteral("admin"); }
    static QString BuiltInPassword() { return QStringLiteral("470215"); }

    // The re-login that clearing and restoring ask for: a fresh login dialog
    // that takes accounts of this store only (and the built-in one, where it
    // may log in), true only for type 1 or 2 (the built-in one is type 1).
    // Any other account is told so and refused.
    static bool ConfirmPrivileged();

    // Takes accounts of the current store only: the re-login of a destructive action.
    void SetStoreAccountsOnly(bool only) { m_storeOnly = only; }

private slots:
    void on_onok_clicked();

private:
    void ShowLoginMessage(const QString &title, const QString &text, const QString &detail = QString());

    bool LogInStored(const QString &account, const QString &password, QString *storeError);

    UserRecord m_user;
    bool m_storeOnly = false;
    Ui::DialogLogin *m_ui;
};
