#include "app/dialoglogin.h"
#include "resources/resources.h"
#include "storetestsupport.h"
#include "widgets/modalseam.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

// Boxes asked for during one case, answered by clicking their first button.
struct BoxLog
{
    QStringList titles;
    QStringList texts;
};

class TestDialogLogin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void login_data();
    void login();
    void databaseUnreachable();
    void reloginNeedsTypeOneOrTwo_data();
    void reloginNeedsTypeOneOrTwo();
    void formAndQuitButton();
    void realBox();

private:
    std::unique_ptr<TempStore> m_store;
    BoxLog m_log;
};

void TestDialogLogin::initTestCase()
{
    InitQuillonResources();
}

void TestDialogLogin::init()
{
    m_store = std::make_unique<TempStore>();
    QVERIFY(m_store->connected);
    // A clerk, a stored account sharing the built-in name, and quotes in name and password.
    const UserRecord users[] = {
        {3, 0, QStringLiteral("13800000001"), QStringLiteral("张三"), QStringLiteral("pw1"), QString(), QStringLiteral("前台")},
        {2, 0, QStringLiteral("13900000002"), QStringLiteral("admin"), QStringLiteral("stored"), QString(), QString()},
        {4, 0, QStringLiteral("13700000003"), QStringLiteral("O'Brien"), QStringLiteral("a'b\"c;--"), QString(), QString()},
    };
    for (const UserRecord &user : users)
        QVERIFY(TempStore::store()->AddOrUpdateUser(user));
    // The owner's account kept by another shop on the same server.
    TempStore::store()->SetStoreNo(QStringLiteral("2"));
    QVERIFY(TempStore::store()->AddOrUpdateUser(
        {1, 0, QStringLiteral("13600000004"), QStringLiteral("老板"), QStringLiteral("boss"), QString(), QString()}));
    TempStore::store()->SetStoreNo(QStringLiteral("1"));

    m_log = BoxLog();
    ModalSeam::SetBoxAnswerer([this](QMessageBox &box) {
        m_log.titles << box.windowTitle();
        m_log.texts << box.text();
        box.buttons().first()->click();
    });
}

void TestDialogLogin::cleanup()
{
    ModalSeam::SetBoxAnswerer({});
    m_store.reset();
}

void TestDialogLogin::login_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");   // empty: logged in
    QTest::addColumn<QString>("nameAfter"); // account field after a refusal
    QTest::addColumn<QString>("passwordAfter");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("phone");

    const QString empty = QStringLiteral("警告:用户名或密码为空!");
    const QString wrong = QStringLiteral("警告:用户名或密码错误!");

    QTest::newRow("account empty") << "" << "pw1" << empty << "" << "pw1" << 0 << "" << "";
    QTest::newRow("password empty keeps account")
        << "张三" << "" << empty << "张三" << "" << 0 << "" << "";
    QTest::newRow("wrong password clears both") << "张三" << "pw2" << wrong << "" << "" << 0 << "" << "";
    QTest::newRow("unknown account") << "李四" << "pw1" << wrong << "" << "" << 0 << "" << "";
    QTest::newRow("stored by name")
        << "张三" << "pw1" << "" << "" << "" << 3 << "张三" << "13800000001";
    QTest::newRow("stored by phone")
        << "13800000001" << "pw1" << "" << "" << "" << 3 << "张三" << "13800000001";
    QTest::newRow("stored admin wins with its own password")
        << "admin" << "stored" << "" << "" << "" << 2 << "admin" << "13900000002";
    QTest::newRow("another store's account")
        << "老板" << "boss" << "" << "" << "" << 1 << "老板" << "13600000004";
    QTest::newRow("built-in password still opens the built-in account")
        << "admin" << "470215" << "" << "" << "" << 1 << "admin" << "";
    QTest::newRow("built-in password with a trailing blank")
        << "admin" << "470215 " << wrong << "" << "" << 0 << "" << "";
    QTest::newRow("built-in account is case-sensitive")
        << "Admin" << "470215" << wrong << "" << "" << 0 << "" << "";
    QTest::newRow("quotes in name and password")
        << "O'Brien" << "a'b\"c;--" << "" << "" << "" << 4 << "O'Brien" << "13700000003";
    QTest::newRow("quotes do not open any account")
        << "' or '1'='1" << "' or '1'='1" << wrong << "" << "" << 0 << "" << "";
}

void TestDialogLogin::login()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(QString, message);
    QFETCH(QString, nameAfter);
    QFETCH(QString, passwordAfter);
    QFETCH(int, type);
    QFETCH(QString, name);
    QFETCH(QString, phone);

    DialogLogin dialog;
    dialog.show();
    auto *nameEdit = dialog.findChild<QLineEdit *>(QStringLiteral("input_name"));
    auto *passwordEdit = dialog.findChild<QLineEdit *>(QStringLiteral("input_password"));
    nameEdit->setText(account);
    passwordEdit->setText(password);
    passwordEdit->setFocus();

    dialog.findChild<QPushButton *>(QStringLiteral("onok"))->click();

    if (message.isEmpty()) {
        QVERIFY2(m_log.texts.isEmpty(), qPrintable(m_log.texts.join(QLatin1Char(','))));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.user().userType, type);
        QCOMPARE(dialog.user().name, name);
        QCOMPARE(dialog.user().phone, phone);
        QCOMPARE(dialog.user().password, password);
        return;
    }
    QCOMPARE(m_log.texts, QStringList{message});
    QCOMPARE(m_log.titles, QStringList{QStringLiteral("警告")});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(dialog.user().userType, 0);
    QVERIFY(dialog.user().name.isEmpty());
    QCOMPARE(nameEdit->text(), nameAfter);
    QCOMPARE(passwordEdit->text(), passwordAfter);
    if (message.contains(QStringLiteral("错误")))
        QCOMPARE(dialog.focusWidget(), nameEdit);
}

void TestDialogLogin::databaseUnreachable()
{
    DbManager::Instance()->Close();
    DialogLogin dialog;
    auto *nameEdit = dialog.findChild<QLineEdit *>(QStringLiteral("input_name"));
    auto *passwordEdit = dialog.findChild<QLineEdit *>(QStringLiteral("input_password"));
    auto *ok = dialog.findChild<QPushButton *>(QStringLiteral("onok"));

    nameEdit->setText(QStringLiteral("张三"));
    passwordEdit->setText(QStringLiteral("pw1"));
    ok->click();
    QCOMPARE(m_log.texts, QStringList{QStringLiteral("警告:用户名或密码错误!")});

    nameEdit->setText(QStringLiteral("admin"));
    passwordEdit->setText(QStringLiteral("470215"));
    ok->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.user().userType, 1);
}

void TestDialogLogin::reloginNeedsTypeOneOrTwo_data()
{
    QTest::addColumn<QString>("account");   // empty: the dialog is closed
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("confirmed");

    QTest::newRow("built-in account") << "admin" << "470215" << true;
    QTest::newRow("type 2") << "admin" << "stored" << true;
    QTest::newRow("type 1 of another store") << "老板" << "boss" << true;
    QTest::newRow("type 3") << "张三" << "pw1" << false;
    QTest::newRow("type 4") << "O'Brien" << "a'b\"c;--" << false;
    QTest::newRow("closed") << "" << "" << false;
}

void TestDialogLogin::reloginNeedsTypeOneOrTwo()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(bool, confirmed);
    ModalSeam::SetDialogAnswerer([&](QDialog &dialog) {
        if (account.isEmpty())
            return dialog.reject();
        dialog.findChild<QLineEdit *>(QStringLiteral("input_name"))->setText(account);
        dialog.findChild<QLineEdit *>(QStringLiteral("input_password"))->setText(password);
        dialog.findChild<QPushButton *>(QStringLiteral("onok"))->click();
    });
    QCOMPARE(DialogLogin::ConfirmPrivileged(), confirmed);
    ModalSeam::SetDialogAnswerer({});
    const bool refused = !confirmed && !account.isEmpty();
    QCOMPARE(m_log.texts, refused ? QStringList{QStringLiteral("权限不足：需要超级用户或授权用户确认")} : QStringList{});
}

void TestDialogLogin::formAndQuitButton()
{
    DialogLogin dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("登录界面"));
    QCOMPARE(dialog.size(), QSize(800, 500));
    QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("input_password"))->echoMode(), QLineEdit::Password);
    dialog.show();
    dialog.findChild<QLineEdit *>(QStringLiteral("input_name"))->setText(QStringLiteral("admin"));
    dialog.findChild<QPushButton *>(QStringLiteral("oncancel"))->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(m_log.texts.isEmpty());
    QCOMPARE(dialog.user().userType, 0);
}

// The real box, not the answerer: its texts, its single button and its style.
void TestDialogLogin::realBox()
{
    ModalSeam::SetBoxAnswerer({});
    DialogLogin dialog;
    dialog.show();

    QString title, text, style;
    QStringList buttons;
    auto *poll = new QTimer(&dialog);
    connect(poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll->stop();
        title = box->windowTitle();
        text = box->text();
        style = box->styleSheet();
        for (QAbstractButton *b : box->buttons())
            buttons << b->text();
        QCOMPARE(box->buttonRole(box->buttons().first()), QMessageBox::AcceptRole);
        box->buttons().first()->click();
    });
    poll->start(20);
    dialog.findChild<QPushButton *>(QStringLiteral("onok"))->click();

    QCOMPARE(title, QStringLiteral("警告"));
    QCOMPARE(text, QStringLiteral("警告:用户名或密码为空!"));
    QCOMPARE(buttons, QStringList{QStringLiteral("确定")});
    QCOMPARE(style, QStringLiteral("QPushButton{background-color:rgb(255, 0, 0); color:rgb(0, 0, 0);}"));
}

QTEST_MAIN(TestDialogLogin)
#include "test_dialoglogin.moc"
