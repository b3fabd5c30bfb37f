#pragma once

#include "masterdata/infolistdialog.h"

namespace Ui {
class DialogUserMge;
}

// "人员信息管理": the user accounts and the people lists. The user table is
// also the source of the store's login accounts.
class QCheckBox;

class DialogUserMge : public InfoListDialog
{
    Q_OBJECT
public:
    explicit DialogUserMge(QWidget *parent = nullptr);
    ~DialogUserMge() override;

    const QString &localIp() const { return m_localIp; }

    // The stored user type of a "用户权限" text; anything unrecognised is 3.
    static int UserTypeFromText(const QString &text);
    // This computer's IPv4 addresses, in the resolver's order.
    static QStringList LocalIpv4Addresses();

    // Column of the user table that holds the user type text.
    static constexpr int TypeColumn = 4;

public slots:
    void ChoseProcess(int row, int column);
    void SetUserInfo(const QString &text);

protected:
    void SaveTableByName(const QString &objectName) override;
    bool RowAboutToBeRemoved(int tabIndex, int row) override;
    bool TableCleared(int tabIndex) override;

private:
    void SaveUserAccounts();
    void SwitchBuiltInAccount(bool off);
    UserRecord AccountOfRow(int row) const;

    Ui::DialogUserMge *m_ui;
    QString m_localIp;
    QCheckBox *m_builtInOff = nullptr;
};
