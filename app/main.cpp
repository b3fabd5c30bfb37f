#include "app/dialoglogin.h"
#include "app/mainwindow.h"
#include "db/dbmanager.h"
#include "db/healthcheck.h"
#include "db/storedbaccess.h"
#include "db/workfolder.h"
#include "resources/resources.h"
#include "widgets/modalseam.h"
#include "widgets/qtchinese.h"

#include <QApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <QSplashScreen>
#include <QThread>

namespace {

void ShowConnectionWarning(const QString &text, const QString &reason)
{
    qDebug() << "connect db failed:" << reason;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("数据库连接"), text, QMessageBox::Close);
    box.setDetailedText(reason);
    box.setDefaultButton(QMessageBox::Close);
    // One button: start-up goes on whatever closes the box.
    ModalSeam::Exec(box);
}

QString ReadStyleSheet()
{
    QFile file(QStringLiteral(":/qss/qss/styleSheet.qss"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll());
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    InitQuillonResources();
    if (!QtChinese::Install(&app))
        qDebug() << "Qt translations zh_CN not found: Qt's own texts stay English";

    // Everything below reads and writes relative to the working folder.
    QString folderError, readOnly;
    if (WorkFolder::Enter(QString(), &folderError, &readOnly).isEmpty()) {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("数据文件夹"), folderError, QMessageBox::Close);
        ModalSeam::Exec(box);
        return 1;
    }

    const QPixmap splashPicture(QStringLiteral(":/backg/backg/1_backg.png"));
    QSplashScreen splash(splashPicture);
    splash.setDisabled(true);
    splash.show();
    splash.showMessage(QStringLiteral("[初始登录名:admin 密码：470215]库存财务管理软件启动中...."),
                       Qt::AlignRight | Qt::AlignTop, Qt::green);
    app.processEvents();
    // The message names the built-in account: readable before the login covers it.
    QElapsedTimer shown;
    shown.start();

    DialogLogin login;

    // The shop's data in a folder that cannot be written is shown, not replaced.
    DbManager::Instance()->SetReadOnly(readOnly);
    if (!readOnly.isEmpty())
        ShowConnectionWarning(QStringLiteral("注意：数据只能查看，不能保存。\n%1").arg(readOnly), readOnly);

    bool storeNoFallback = false;
    const Result connected = StoreDbAccess::ConnectFromSettings(&storeNoFallback);
    if (!connected) {
        ShowConnectionWarning(QStringLiteral("警告：数据库连接失败"), connected.error());
    } else {
        // Connected, but edits would not be kept: said now, not at the first lost edit.
        const HealthReport health =
            DbHealth::Check(DbManager::Instance(), StoreDbAccess::Instance()->storeNo());
        // A damaged file: what happened and how to get the data back.
        const QString refusal = DbManager::Instance()->WriteRefusal();
        if (!health.ok && readOnly.isEmpty())
            ShowConnectionWarning(QStringLiteral("警告：数据库无法保存数据"),
                                  refusal.isEmpty() ? health.reason : refusal);
    }

    while (shown.elapsed() < 1500) {
        app.processEvents();
        QThread::msleep(20);
    }
    if (ModalSeam::ExecDialog(login) != QDialog::Accepted)
        return 0;

    // Only now: the login dialog is drawn with its own styles alone.
    app.setStyleSheet(ReadStyleSheet());

    int exitCode = 0;
    {
        MainWindow window;
        window.SetUser(login.user());
        window.Initialise(true);
        // The shop's rows are those of its configured number; say when it is not.
        if (storeNoFallback)
            window.ShowStatusMessage(
                QStringLiteral("店号未配置，使用本机编号 %1").arg(StoreDbAccess::Instance()->storeNo()));
        window.ShowRemembered();
        app.setWindowIcon(QIcon(QStringLiteral(":/icons/icons/1_green.png")));
        splash.finish(&window);

        exitCode = app.exec();
        // A backup started on the way out must be complete before the window
        // and the connection go away.
        window.WaitForBackup();
    }
    // Closing moves SQLite's log into Marrowfield.db: the file alone is the data.
    DbManager::Instance()->Close();
    return exitCode;
}
