#include "ledger/historydialog.h"

#include "ledger/ledgerkinds.h"
#include "widgets/modalseam.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

int g_viewerType = 4; // until told otherwise, a user sees only their own changes

QString ActionWord(const QString &action)
{
    static const QHash<QString, QString> words{
        {QStringLiteral("add"), QStringLiteral("增加")},
        {QStringLiteral("edit"), QStringLiteral("修改")},
        {QStringLiteral("delete"), QStringLiteral("删除")},
        {QStringLiteral("undo"), QStringLiteral("撤销")},
        {QStringLiteral("clear"), QStringLiteral("清空")},
        {QStringLiteral("import"), QStringLiteral("导入")},
        {QStringLiteral("restore"), QStringLiteral("还原")},
    };
    return words.value(action, action);
}

QString PageTitle(const QString &table)
{
    const LedgerKinds::PageKind *page = LedgerKinds::FindByTable(table);
    return page ? page->titleText : table;
}

} // namespace

HistoryDialog::HistoryDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("修改记录"));
    setObjectName(QStringLiteral("dialog_history"));
    resize(900, 480);
    auto *layout = new QVBoxLayout(this);
    m_filters = new QWidget(this);
    auto *row = new QHBoxLayout(m_filters);
    row->setContentsMargins(0, 0, 0, 0);
    m_from = new QDateEdit(QDate::currentDate().addDays(-30), m_filters);
    m_to = new QDateEdit(QDate::currentDate(), m_filters);
    for (QDateEdit *edit : {m_from, m_to}) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setCalendarPopup(true);
    }
    m_account = new QLineEdit(m_filters);
    m_account->setPlaceholderText(QStringLiteral("全部账号"));
    m_page = new QComboBox(m_filters);
    m_page->addItem(QStringLiteral("全部页面"), QString());
    for (const LedgerKinds::PageKind &p : LedgerKinds::Pages())
        if (p.IsStored())
            m_page->addItem(p.titleText, p.tableName);
    auto *query = new QPushButton(QStringLiteral("查询"), m_filters);
    row->addWidget(new QLabel(QStringLiteral("从"), m_filters));
    row->addWidget(m_from);
    row->addWidget(new QLabel(QStringLiteral("至"), m_filters));
    row->addWidget(m_to);
    row->addWidget(new QLabel(QStringLiteral("账号"), m_filters));
    row->addWidget(m_account);
    row->addWidget(new QLabel(QStringLiteral("页面"), m_filters));
    row->addWidget(m_page);
    row->addWidget(query);
    layout->addWidget(m_filters);
    m_rows = new QStandardItemModel(0, 8, this);
    m_rows->setHorizontalHeaderLabels({QStringLiteral("时间"), QStringLiteral("账号"), QStringLiteral("页面"),
                                       QStringLiteral("操作"), QStringLiteral("列"), QStringLiteral("原值"),
                                       QStringLiteral("新值"), QStringLiteral("行")});
    m_table = new QTableView(this);
    m_table->setModel(m_rows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table);
    connect(query, &QPushButton::clicked, this, &HistoryDialog::Query);
}

void HistoryDialog::SetViewerType(int userType) { g_viewerType = userType; }

void HistoryDialog::Query()
{
    Show({m_from->date().toString(QStringLiteral("yyyy-MM-dd")),
          m_to->date().toString(QStringLiteral("yyyy-MM-dd")), m_account->text().trimmed(),
          m_page->currentData().toString(), QString()});
}

void HistoryDialog::Show(const ChangeLog::Filter &filter)
{
    QList<ChangeEntry> entries;
    const Result read =
        ChangeLog::Read(ChangeLog::VisibleTo(filter, ChangeLog::Account(), g_viewerType), &entries);
    m_rows->setRowCount(0);
    if (!read) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("修改记录"), read.error(), QMessageBox::Ok,
                        this);
        ModalSeam::Exec(box);
        return;
    }
    m_rows->setRowCount(entries.size());
    for (int r = 0; r < entries.size(); ++r) {
        const ChangeEntry &e = entries.at(r);
        const QString rows =
            e.column.isEmpty() && e.serial.isEmpty() ? QStringLiteral("%1 行").arg(e.rows) : e.serial;
        const QStringList texts{e.time.left(19), e.account, PageTitle(e.page), ActionWord(e.action),
                                e.column,        e.oldText, e.newText,         rows};
        for (int c = 0; c < texts.size(); ++c)
            m_rows->setItem(r, c, new QStandardItem(texts.at(c)));
    }
    m_table->resizeColumnsToContents();
}

void HistoryDialog::ShowRow(QWidget *parent, const LedgerKinds::PageKind &page, const QString &serial)
{
    HistoryDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("修改记录 - %1").arg(serial));
    dialog.m_filters->hide();
    dialog.Show({QString(), QString(), QString(), page.tableName, serial});
    ModalSeam::ExecDialog(dialog);
}

void HistoryDialog::ShowPeriod(QWidget *parent)
{
    HistoryDialog dialog(parent);
    dialog.Query();
    ModalSeam::ExecDialog(dialog);
}
