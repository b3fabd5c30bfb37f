#include "exchange/excelengine.h"
#include "exchange/listexchange.h"
#include "ledgertestsupport.h"
#include "masterdata/dialoginfotodb.h"
#include "masterdata/dialogusermge.h"
#include "resources/resources.h"
#include "storetestsupport.h"

#include <QFile>
#include <QPushButton>
#include <QtTest>

namespace {

QString Stored(int infoType)
{
    InfoList list{infoType, QStringLiteral("<none>")};
    StoreDbAccess::Instance()->ReadInfoList(InfoStore::MasterData, list);
    return list.list;
}

QStringList RowTexts(const QTableWidget *table, int row)
{
    QStringList out;
    for (int c = 0; c < table->columnCount(); ++c)
        out << (table->item(row, c) ? table->item(row, c)->text() : QString());
    return out;
}

void WriteSheet(const QString &path, const QStringList &header, const QVector<QStringList> &rows)
{
    ExcelEngine engine(path);
    QVERIFY(engine.Open(1, false));
    QVERIFY(engine.WriteRows(header, rows));
    QVERIFY(engine.Close());
}

void Click(QWidget *dialog, const char *button)
{
    auto *b = dialog->findChild<QPushButton *>(QLatin1String(button));
    QVERIFY2(b, button);
    b->click();
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
    void unreadableFileChangesNothing();
    void semicolonRowsLeftOut();
    void userImportRewritesAccounts();
    void exportFailureTold();

private:
    QScopedPointer<TempStore> m_db;
    QScopedPointer<BoxAnswers> m_boxes;
    QStringList m_questions;   // "caption|dir|filter" of every file dialog
    QString m_answer;          // the file the dialogs hand back
};

void TestListExchange::init()
{
    m_db.reset(new TempStore(QStringLiteral("3")));
    REQUIRE_DB(*m_db);
    m_boxes.reset(new BoxAnswers(QStringLiteral("确定")));
    m_questions.clear();
    m_answer.clear();
    ModalSeam::SetFileAnswerer([this](const QString &caption, const QString &dir, const QString &filter) {
        m_questions << caption + QLatin1Char('|') + dir + QLatin1Char('|') + filter;
        return m_answer;
    });
}

void TestListExchange::cleanup()
{
    ModalSeam::SetFileAnswerer({});
    m_boxes.reset();
    m_db.reset();
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
    const QString stored = QStringLiteral("一号仓-北京&&朝阳-W1-2-3-张三-139;B##2-x-W2-1-1-李四-");
    QVERIFY(StoreDbAccess::Instance()->SaveInfoList(InfoStore::MasterData, InfoList{ListTables::Warehouse, stored}));
    DialogInfoToDb dialog;
    QTableWidget *table = dialog.Table(ListTables::Warehouse);

    m_answer = m_db->dir.filePath(QStringLiteral("stores") + suffix);
    Click(&dialog, "btn_export_6");
    QCOMPARE(m_questions.value(0), QStringLiteral("保存文档|InfoDateSave|*.xls;; *.xlsx;; "));

    // A changed row, then the import: the sheet's rows go on top with their old numbers.
    table->item(1, 1)->setText(QStringLiteral("C-3"));
    QSignalSpy refreshed(&dialog, &InfoListDialog::sendRefresh);
    Click(&dialog, "btn_import_6");
    QCOMPARE(m_questions.value(1), QStringLiteral("标题|InfoDateSave|*.xls;;*.xlsx"));
    QVERIFY2(m_boxes->seen.isEmpty(), qPrintable(m_boxes->seen.join('\n')));
    QCOMPARE(table->rowCount(), 4);
    QCOMPARE(RowTexts(table, 1), (QStringList{"2", "B-2", "x", "W2", "1", "1", "李四", ""}));
    const QString expected = stored + QStringLiteral(";一号仓-北京&&朝阳-W1-2-3-张三-139;C##3-x-W2-1-1-李四-");
    QCOMPARE(Stored(ListTables::Warehouse), expected);
    QCOMPARE(refreshed.count(), 1);
}

void TestListExchange::unreadableFileChangesNothing()
{
    QVERIFY(StoreDbAccess::Instance()->SaveInfoList(InfoStore::MasterData, InfoList{ListTables::GoodsColor, "红;蓝"}));
    DialogInfoToDb dialog;
    m_answer = m_db->dir.filePath(QStringLiteral("colours.xls"));
    QFile file(m_answer);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\xd0\xcf\x11\xe0 broken compound file", 25));
    file.close();
    Click(&dialog, "btn_import_4");
    QCOMPARE(m_boxes->seen.size(), 1);
    QVERIFY2(m_boxes->seen.first().startsWith(QStringLiteral("导入失败|无法读取工作簿 colours.xls")),
             qPrintable(m_boxes->seen.first()));
    QCOMPARE(dialog.Table(ListTables::GoodsColor)->rowCount(), 2);
    QCOMPARE(Stored(ListTables::GoodsColor), QStringLiteral("红;蓝"));
}

void TestListExchange::semicolonRowsLeftOut()
{
    m_answer = m_db->dir.filePath(QStringLiteral("names.xlsx"));
    // The two-column table keeps the number and the first field; the third column is dropped.
    WriteSheet(m_answer, {"序号", "a", "b"}, {{"7", "甲;乙", ""}, {"8", "丙", "a;b"}, {"9", "丁", ""}});
    DialogInfoToDb dialog;
    Click(&dialog, "btn_import_2");
    QCOMPARE(m_boxes->seen.size(), 1);
    QVERIFY2(m_boxes->seen.first().contains(QStringLiteral("已导入2行；1行")), qPrintable(m_boxes->seen.first()));
    QTableWidget *table = dialog.Table(ListTables::GoodsName);
    QCOMPARE(RowTexts(table, 0), (QStringList{"8", "丙"}));
    QCOMPARE(table->rowCount(), 3);   // the empty row of a new database comes last
    QCOMPARE(Stored(ListTables::GoodsName), QStringLiteral("丙;丁;"));
}

void TestListExchange::userImportRewritesAccounts()
{
    m_answer = m_db->dir.filePath(QStringLiteral("users.xls"));
    WriteSheet(m_answer, {"序号", "用户名", "手机号", "密码", "用户权限", "备注"},
               {{"1", "王", "13800000001", "pw", "超级用户", ""}, {"2", "赵", "13800000002", "pw2", "浏览用户", "夜班"}});
    DialogUserMge dialog;
    Click(&dialog, "btn_import_1");
    QVERIFY(m_boxes->seen.isEmpty());
    QCOMPARE(TempStore::Count(QStringLiteral("tb_sm_user")), 2);
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
    m_answer = m_db->dir.filePath(QStringLiteral("missing/folder/list.xls"));
    Click(&dialog, "btn_export_1");
    QCOMPARE(m_boxes->seen.size(), 1);
    QVERIFY2(m_boxes->seen.first().startsWith(QStringLiteral("导出失败|无法写入工作簿 list.xls")),
             qPrintable(m_boxes->seen.first()));
}

QTEST_MAIN(TestListExchange)
#include "test_listexchange.moc"
