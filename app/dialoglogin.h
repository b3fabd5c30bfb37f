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

private slots:
    void on_onok_clicked();

private:
    void ShowLoginMessage(const QString &title, const QString &text);

    UserRecord m_user;
    Ui::DialogLogin *m_ui;
};
