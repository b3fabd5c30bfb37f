#include "masterdata/dialogusermge.h"
#include "ui_dialogusermge.h"

#include "db/storedbaccess.h"
#include "widgets/modalseam.h"

#include <QAbstractSocket>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHostAddress>
#include <QHostInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const char *const kUserTypeHelp = "<html><head/><body><p>1.超级用户:所有权限均可见（老板、管理员等）</p>"
                                  "<p>2.允许用户:除采购和财务信息均可见（骨干员工、一般合伙人等）</p>"
                                  "<p>3.一般用户:除销售统计和库存信息外,均不可见（店员、销售人员等）</p>"
                                  "<p>4.浏览用户:除库存信息外,均不可见(仓库管理等岗位)</p></body></html>";

const char *const kUserTable = "tb_sm_user";

// Columns of the user table.
enum UserColumn : int { NameColumn = 1, PhoneColumn = 2, PasswordColumn = 3, RemarkColumn = 5 };

QTableWidget *UserTable(const InfoListDialog *dialog) { return dialog->Table(ListNo::Users); }

} // namespace

DialogUserMge::DialogUserMge(QWidget *parent)
    : InfoListDialog(InfoStore::People, ListTables::People(), parent), m_ui(new Ui::DialogUserMge)
{
    m_ui->setupUi(this);
    Setup(m_ui->tabWidget);

    QWidget *usersPage = tabWidget()->widget(0);
    if (auto *layout = qobject_cast<QVBoxLayout *>(usersPage->layout())) {
        auto *help = new QLabel(usersPage);
        help->setTextFormat(Qt::RichText);
        help->setText(QString::fromUtf8(kUserTypeHelp));
        layout->insertWidget(1, help);
        // The owner closes the published admin/470215 once the shop has a
        // super user of its own; kept in InitParam/dBConfig.ini ([Login] BuiltInAccount).
        m_builtInOff = new QCheckBox(QStringLiteral("本店有超级用户后停用内置账户 admin"), usersPage);
        m_builtInOff->setObjectName(QStringLiteral("checkBox_builtInOff"));
        m_builtInOff->setChecked(StoreDbAccess::BuiltInAccountSwitchedOff());
        layout->insertWidget(2, m_builtInOff);
        connect(m_builtInOff, &QCheckBox::toggled, this, &DialogUserMge::SwitchBuiltInAccount);
    }
    connect(UserTable(this), &QTableWidget::cellClicked, this, &DialogUserMge::ChoseProcess);

    m_localIp = LocalIpv4Addresses().value(0);
}

DialogUserMge::~DialogUserMge() { delete m_ui; }

int DialogUserMge::UserTypeFromText(const QString &text)
{
    // Tested in this order, so a text holding "1" anywhere is a super user.
    static const struct
    {
        const char *word;
        const char *digit;
        int type;
    } kTypes[] = {
        {"超级", "1", 1},
        {"授权", "2", 2},
        {"普通", "3", 3},
        {"浏览", "4", 4},
    };
    for (const auto &t : kTypes) {
        if (text.contains(QString::fromUtf8(t.word)) || text.contains(QLatin1String(t.digit)))
            return t.type;
    }
    return 3;
}

QStringList DialogUserMge::LocalIpv4Addresses()
{
    QStringList addresses;
    const QHostInfo info = QHostInfo::fromName(QHostInfo::localHostName());
    for (const QHostAddress &address : info.addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            addresses << address.toString();
    }
    return addresses;
}

void DialogUserMge::SaveTableByName(const QString &objectName)
{
    InfoListDialog::SaveTableByName(objectName);
    if (objectName == ListTables::People().at(0).tableName)
        SaveUserAccounts();
}

UserRecord DialogUserMge::AccountOfRow(int row) const
{
    const QTableWidget *table = UserTable(this);
    auto text = [table, row](int column) {
        const QTableWidgetItem *item = table->item(row, column);
        return item ? item->text() : QString();
    };
    UserRecord user;
    user.name = text(NameColumn);
    user.phone = text(PhoneColumn);
    user.password = text(PasswordColumn);
    user.remark = text(RemarkColumn);
    user.ip = m_localIp;
    user.online = 1;
    user.userType = UserTypeFromText(text(TypeColumn));
    return user;
}

void DialogUserMge::SaveUserAccounts()
{
    // All accounts of the store are replaced in one transaction, so a failure
    // half-way cannot leave the store without the accounts it had.
    QList<UserRecord> users;
    const QTableWidget *table = UserTable(this);
    for (int row = 0; row < table->rowCount(); ++row)
        users << AccountOfRow(row);
    const Result saved = StoreDbAccess::Instance()->ReplaceUsers(users);
    if (!saved)
        ReportStoreFailure(saved);
}

void DialogUserMge::SwitchBuiltInAccount(bool off)
{
    const Result written = StoreDbAccess::SwitchBuiltInAccount(!off);
    if (written)
        return;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("内置账户"), written.error(), QMessageBox::Ok, this);
    ModalSeam::Exec(box);
    const QSignalBlocker quiet(m_builtInOff);
    m_builtInOff->setChecked(!off);
}

bool DialogUserMge::RowAboutToBeRemoved(int tabIndex, int row)
{
    if (tables().at(tabIndex).infoType != ListNo::Users)
        return true;
    const Result deleted = StoreDbAccess::Instance()->DeleteUser(AccountOfRow(row));
    if (!deleted)
        ReportStoreFailure(deleted);
    return deleted.ok();
}

bool DialogUserMge::TableCleared(int tabIndex)
{
    if (tables().at(tabIndex).infoType != ListNo::Users)
        return true;
    const Result cleared = StoreDbAccess::Instance()->DeleteStoreRows(QString::fromLatin1(kUserTable));
    if (!cleared)
        ReportStoreFailure(cleared);
    return cleared.ok();
}

void DialogUserMge::ChoseProcess(int row, int column)
{
    if (column != TypeColumn)
        return;

    QDialog chooser(this);
    chooser.setWindowTitle(QStringLiteral("设置用户权限"));
    auto *layout = new QHBoxLayout(&chooser);
    auto *types = new QComboBox(&chooser);
    types->setEditable(false);
    types->addItems({QStringLiteral("超级用户"), QStringLiteral("授权用户"), QStringLiteral("一般用户"),
                     QStringLiteral("浏览用户")});
    types->setObjectName(QStringLiteral("%1-%2").arg(row).arg(TypeColumn));
    auto *quit = new QPushButton(QStringLiteral("退出"), &chooser);
    layout->addWidget(types);
    layout->addWidget(quit);
    connect(quit, &QPushButton::clicked, &chooser, &QDialog::close);
    connect(types, &QComboBox::textActivated, this, &DialogUserMge::SetUserInfo);
    // Each activation has already written its choice; how the chooser closes changes nothing.
    ModalSeam::ExecDialog(chooser);
}

void DialogUserMge::SetUserInfo(const QString &text)
{
    const QObject *from = sender();
    if (!from)
        return;
    const QStringList cell = from->objectName().split(QLatin1Char('-'));
    bool rowOk = false;
    bool columnOk = false;
    const int row = cell.value(0).toInt(&rowOk);
    const int column = cell.value(1).toInt(&columnOk);
    QTableWidget *table = UserTable(this);
    if (cell.size() != 2 || !rowOk || !columnOk || row < 0 || row >= table->rowCount() || column < 0
        || column >= table->columnCount())
        return;
    table->setItem(row, column, new QTableWidgetItem(text));
}
