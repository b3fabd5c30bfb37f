#include "app/modalseam.h"
#include "db/dbmanager.h"
#include "db/storedbaccess.h"
#include "exchange/excelengine.h"
#include "exchange/listexchange.h"
#include "masterdata/dialoginfotodb.h"
#include "masterdata/dialogusermge.h"
#include "resources/resources.h"

#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString Stored(int storeKind, int infoType)
{
    InfoList list{infoType, QStringLiteral("<none>")};
    StoreDbAccess::Instance()->ReadInfoList(storeKind, list);
    return list.list;
}

QStringList RowTexts(const QTableWidget *table, int row)
{
    QStringList out;
    for (int c = 0; c < table->columnCount(); ++c)
        out << (table->item(row, c) ? table->item(row, c)->text() : QString());
    return out;
}

void WriteSheet(const QString &path, const QVector<QStringList> &rows)
{
    ExcelEngine engine(path);
    QVERIFY(engine.Open(1, false));
    QVERIFY(engine.WriteRows(QStringList{"序号", "a", "b"}, rows));
    QVERIFY(engine.Close());
}

int UserCount()
{
    QSqlQuery q(DbManager::Instance()->Connection());
    q.exec(QStringLiteral("select count(*) from tb_sm_user"));
    return q.next() ? q.value(0).toInt() : -1;
}

} // namespace

class TestListExchange : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { InitQuillonResources(); }
    void init();
    void cleanup();

    void warehouseRoundTrip_data();
    void warehouseRoundTrip();
    void unreadableFileChangesNothing_data();
    void unreadableFileChangesNothing();
    void semicolonRowsLeftOut();
    void userImportRewritesAccounts();
    void exportFailureTold();

private:
    void Click(QWidget *dialog, const QString &button);

    QTemporaryDir *m_dir = nullptr;
    QStringList m_boxes;       // "title|text" of every box
    QStringList m_questions;   // "caption|dir|filter" of every file dialog
    QString m_answer;          // the file the dialogs hand back
};

void TestListExchange::init()
{
    m_dir = new QTemporaryDir;
    DbSettings settings;
    settings.driver = QStringLiteral("QSQLITE");
    settings.file = m_dir->filePath(QStringLiteral("quillon.db"));
    QVERIFY(DbManager::Instance()->ConnectDb(settings));
    StoreDbAccess::Instance()->SetDbManager(DbManager::Instance());
    StoreDbAccess::Instance()->SetStoreNo(QStringLiteral("3"));
    m_boxes.clear();
    m_questions.clear();
    m_answer.clear();
    ModalSeam::SetBoxAnswerer([this](QMessageBox &box) {
        m_boxes << box.windowTitle() + QLatin1Char('|') + box.text();
        box.accept();
    });
    ModalSeam::SetFileAnswerer([this](const QString &caption, const QString &dir, const QString &filter) {
        m_questions << caption + QLatin1Char('|') + dir + QLatin1Char('|') + filter;
        return m_answer;
    });
}

void TestListExchange::cleanup()
{
    ModalSeam::SetBoxAnswerer({});
    ModalSeam::SetFileAnswerer({});
    DbManager::Instance()->Close();
    delete m_dir;
}

void TestListExchange::Click(QWidget *dialog, const QString &button)
{
    auto *b = dialog->findChild<QPushButton *>(button);
    QVERIFY2(b, qPrintable(button));
    b->click();
}

void TestListExchange::warehouseRoundTrip_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::newRow("xls") << ".xls";
    QTest::newRow("xlsx") << ".xlsx";
}

void TestListExchange::warehouseRoundTrip()
{
    QFETCH(QString, suffix);
    QVERIFY(StoreDbAccess::Instance()->SaveInfoList(
        InfoStore::MasterData, InfoList{ListTables::Warehouse, "一号仓-北京&&朝阳-W1-2-3-张三-139;B##2-x-W2-1-1-李四-"}));
    DialogInfoToDb dialog;
    QTableWidget *table = dialog.Table(ListTables::Warehouse);
    QCOMPARE(table->rowCount(), 2);

    m_answer = m_dir->filePath(QStringLiteral("stores") + suffix);
    Click(&dialog, QStringLiteral("btn_export_6"));
    QCOMPARE(m_questions.value(0), QStringLiteral("保存文档|InfoDateSave|*.xls;; *.xlsx;; "));
    QVERIFY(QFileInfo::exists(m_answer));
    QVERIFY(m_boxes.isEmpty());

    // A changed row, then the import: the sheet's rows go on top with their old numbers.
    table->item(1, 1)->setText(QStringLiteral("C-3"));
    QSignalSpy refreshed(&dialog, &InfoListDialog::sendRefresh);
    Click(&dialog, QStringLiteral("btn_import_6"));
    QCOMPARE(m_questions.value(1), QStringLiteral("标题|InfoDateSave|*.xls;;*.xlsx"));
    QVERIFY2(m_boxes.isEmpty(), qPrintable(m_boxes.join('\n')));
    QCOMPARE(table->rowCount(), 4);
    QCOMPARE(RowTexts(table, 0), (QStringList{"1", "一号仓", "北京.朝阳", "W1", "2", "3", "张三", "139"}));
    QCOMPARE(RowTexts(table, 1), (QStringList{"2", "B-2", "x", "W2", "1", "1", "李四", ""}));
    QCOMPARE(RowTexts(table, 2).at(1), QStringLiteral("一号仓"));
    QCOMPARE(RowTexts(table, 3).at(1), QStringLiteral("C-3"));
    const QString expected = QStringLiteral("一号仓-北京&&朝阳-W1-2-3-张三-139;B##2-x-W2-1-1-李四-;"
                                            "一号仓-北京&&朝阳-W1-2-3-张三-139;C##3-x-W2-1-1-李四-");
    QCOMPARE(Stored(InfoStore::MasterData, ListTables::Warehouse), expected);
    QCOMPARE(dialog.CurrentList(ListTables::Warehouse).list, expected);
    QCOMPARE(refreshed.count(), 1);
}

void TestListExchange::unreadableFileChangesNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("garbage") << QByteArray("\xd0\xcf\x11\xe0 broken compound file", 25);
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("missing file") << QByteArray("-");
}

void TestListExchange::unreadableFileChangesNothing()
{
    QFETCH(QByteArray, content);
    QVERIFY(StoreDbAccess::Instance()->SaveInfoList(InfoStore::MasterData,
                                                    InfoList{ListTables::GoodsColor, "红;蓝"}));
    DialogInfoToDb dialog;
    m_answer = m_dir->filePath(QStringLiteral("colours.xls"));
    if (content != "-") {
        QFile file(m_answer);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    Click(&dialog, QStringLiteral("btn_import_4"));
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY2(m_boxes.first().startsWith(QStringLiteral("导入失败|无法读取工作簿 colours.xls")),
             qPrintable(m_boxes.first()));
    QCOMPARE(dialog.Table(ListTables::GoodsColor)->rowCount(), 2);
    QCOMPARE(Stored(InfoStore::MasterData, ListTables::GoodsColor), QStringLiteral("红;蓝"));
}

void TestListExchange::semicolonRowsLeftOut()
{
    const QString path = m_dir->filePath(QStringLiteral("names.xlsx"));
    // The two-column table keeps the number and the first field; the third column is dropped.
    WriteSheet(path, {{"7", "甲;乙", ""}, {"8", "丙", "a;b"}, {"9", "丁", ""}});
    DialogInfoToDb dialog;
    m_answer = path;
    Click(&dialog, QStringLiteral("btn_import_2"));
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY2(m_boxes.first().contains(QStringLiteral("已导入2行；1行")), qPrintable(m_boxes.first()));
    QTableWidget *table = dialog.Table(ListTables::GoodsName);
    QCOMPARE(RowTexts(table, 0), (QStringList{"8", "丙"}));
    QCOMPARE(RowTexts(table, 1), (QStringList{"9", "丁"}));
    // The empty row a new database shows comes last.
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(Stored(InfoStore::MasterData, ListTables::GoodsName), QStringLiteral("丙;丁;"));
}

void TestListExchange::userImportRewritesAccounts()
{
    const QString path = m_dir->filePath(QStringLiteral("users.xls"));
    ExcelEngine engine(path);
    QVERIFY(engine.Open(1, false));
    QVERIFY(engine.WriteRows({"序号", "用户名", "手机号", "密码", "用户权限", "备注"},
                             {{"1", "王", "13800000001", "pw", "超级用户", ""},
                              {"2", "赵", "13800000002", "pw2", "浏览用户", "夜班"}}));
    QVERIFY(engine.Close());

    DialogUserMge dialog;
    m_answer = path;
    Click(&dialog, QStringLiteral("btn_import_1"));
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(UserCount(), 2);
    UserRecord user;
    user.phone = QStringLiteral("13800000002");
    QVERIFY(StoreDbAccess::Instance()->ReadUser(user));
    QCOMPARE(user.userType, 4);
    QCOMPARE(user.remark, QStringLiteral("夜班"));
    QVERIFY(StoreDbAccess::Instance()->CheckUserPassword(QStringLiteral("王"), QStringLiteral("pw")));
}

void TestListExchange::exportFailureTold()
{
    DialogInfoToDb dialog;
    m_answer = m_dir->filePath(QStringLiteral("missing/folder/list.xls"));
    Click(&dialog, QStringLiteral("btn_export_1"));
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY2(m_boxes.first().startsWith(QStringLiteral("导出失败|无法写入工作簿 list.xls")),
             qPrintable(m_boxes.first()));
}

QTEST_MAIN(TestListExchange)
#include "test_listexchange.moc"
