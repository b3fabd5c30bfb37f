#include "masterdata/infolistdialog.h"

#include "db/listcodec.h"
#include "db/storedbaccess.h"
#include "db/tablewords.h"
#include "exchange/listexchange.h"
#include "exchange/listrows.h"
#include "widgets/boxes.h"
#include "widgets/looks.h"
#include "widgets/pageview.h"
#include "widgets/reloginreason.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const char *const kButtonStyle = "background-image: url(:/backg/backg/offwhite.jpg);";

using ListTables::Button;

struct ButtonCaption
{
    Button family;
    const char *caption;
};
// Left to right as they stand under each table.
const ButtonCaption kButtons[] = {
    {Button::Import, "导入"}, {Button::Export, "导出"}, {Button::Add, "增加"},
    {Button::Del, "删除"},    {Button::Clear, "清空"},  {Button::Ok, "确认"},
};

} // namespace

InfoListDialog::InfoListDialog(int listKind, const QVector<ListTableDef> &defs, QWidget *parent)
    : QDialog(parent)
    , m_listKind(listKind)
    , m_defs(defs)
    , m_loadedLists(ListTables::ListCount)
    , m_currentLists(ListTables::ListCount)
{}

InfoListDialog::~InfoListDialog() = default;

void InfoListDialog::Setup(QTabWidget *tabs)
{
    m_tabs = tabs;
    m_busy = false;
    for (int i = 0; i < m_defs.size(); ++i) {
        const ListTableDef &def = m_defs.at(i);
        auto *page = new QWidget;
        auto *layout = new QVBoxLayout(page);
        auto *table = new QTableWidget(page);
        table->setObjectName(def.tableName);
        table->setColumnCount(def.columns.size() + 1);
        table->setHorizontalHeaderLabels(QStringList(ListTables::RowNumberTitle()) << def.columns);
        layout->addWidget(table);

        auto *buttons = new QHBoxLayout;
        buttons->addWidget((new PageView(table, false))->searchBox());
        for (const ButtonCaption &b : kButtons) {
            if (b.family == Button::Add)
                buttons->addStretch();
            auto *button = new QPushButton(QString::fromUtf8(b.caption), page);
            button->setObjectName(ListTables::ButtonName(b.family, i));
            button->setStyleSheet(QLatin1String(kButtonStyle));
            buttons->addWidget(button);
            switch (b.family) {
            case Button::Add:
                connect(button, &QPushButton::clicked, this, &InfoListDialog::BtnAddAction);
                break;
            case Button::Del:
                connect(button, &QPushButton::clicked, this, &InfoListDialog::BtnDelAction);
                break;
            case Button::Clear:
                connect(button, &QPushButton::clicked, this, &InfoListDialog::BtnClrAction);
                break;
            case Button::Ok:
                connect(button, &QPushButton::clicked, this, &InfoListDialog::BtnHideAction);
                break;
            case Button::Import:
                connect(button, &QPushButton::clicked, this, &InfoListDialog::InportProcess);
                break;
            case Button::Export:
                connect(button, &QPushButton::clicked, this, &InfoListDialog::ExportProcess);
                break;
            }
        }
        layout->addLayout(buttons);
        tabs->addTab(page, def.tabTitle);
        m_tableWidgets << table;
    }
    tabs->setCurrentIndex(m_defs.size() - 1);
    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        if (PageView *view = PageView::Of(m_tableWidgets.value(m_tabs->currentIndex())))
            view->FocusSearch();
    });

    ReadInfoLists();
    ShowResult();

    for (QTableWidget *table : qAsConst(m_tableWidgets)) {
        connect(table, &QTableWidget::cellChanged, this, &InfoListDialog::TabCellChanged);
        ApplyTableAppearance(table);
    }
}

InfoList InfoListDialog::CurrentList(int infoType) const
{
    if (infoType < 0 || infoType >= m_currentLists.size())
        return InfoList();
    return m_currentLists.at(infoType);
}

InfoList InfoListDialog::LoadedList(int infoType) const
{
    if (infoType < 0 || infoType >= m_loadedLists.size())
        return InfoList();
    return m_loadedLists.at(infoType);
}

QStringList InfoListDialog::ColumnValues(int infoType, int position) const
{
    return ListCodec::ColumnValues(CurrentList(infoType).list, position);
}

QTableWidget *InfoListDialog::Table(int infoType) const
{
    for (int i = 0; i < m_defs.size(); ++i) {
        if (m_defs.at(i).infoType == infoType)
            return m_tableWidgets.value(i);
    }
    return nullptr;
}

void InfoListDialog::SetCurrentTab(int index, bool visible)
{
    if (!m_tabs || index < 0 || index >= m_tabs->count())
        return;
    m_tabs->setCurrentIndex(index);
    m_tabs->widget(index)->setVisible(visible);
}

int InfoListDialog::TabOfTable(const QString &objectName) const
{
    for (int i = 0; i < m_defs.size(); ++i) {
        if (m_defs.at(i).tableName == objectName)
            return i;
    }
    return -1;
}

int InfoListDialog::TabOfButton(ListTables::Button family) const
{
    const QObject *from = sender();
    if (!from)
        return -1;
    const QString name = from->objectName();
    for (int i = 0; i < m_defs.size(); ++i) {
        if (ListTables::ButtonName(family, i) == name)
            return i;
    }
    return -1;
}

void InfoListDialog::ReadInfoLists()
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    for (int t = 0; t < ListTables::ListCount; ++t) {
        m_loadedLists[t].infoType = t;
        // The connection warning at start-up already named the cause; the
        // table then starts empty instead of showing a half-read list.
        const Result read = store->ReadInfoList(m_listKind, m_loadedLists[t]);
        if (!read)
            qWarning().noquote() << "ReadInfoList failed:" << t << read.error();
    }
}

void InfoListDialog::ShowResult()
{
    m_busy = true;
    for (int t = 0; t < ListTables::ListCount; ++t)
        m_currentLists[t] = m_loadedLists.at(t);
    for (int i = 0; i < m_defs.size(); ++i) {
        FillTableFromList(m_loadedLists.at(m_defs.at(i).infoType).list, m_tableWidgets.at(i));
        if (PageView *view = PageView::Of(m_tableWidgets.at(i)))
            view->Refilled();
    }
    m_busy = false;
}

void InfoListDialog::FillTableFromList(const QString &text, QTableWidget *table)
{
    const QList<QStringList> rows = ListCodec::Decode(text);
    for (int i = 0; i < rows.size(); ++i) {
        // Parts of the wrong shape are skipped but keep their place, so row i
        // of the table always stands for part i of the text.
        if (rows.at(i).size() != table->columnCount() - 1)
            continue;
        table->setRowCount(i + 1);
        FillRow(table, i, rows.at(i));
    }
}

void InfoListDialog::FillRow(QTableWidget *table, int row, const QStringList &fields)
{
    table->setItem(row, 0, new QTableWidgetItem(QString::number(row + 1)));
    for (int k = 1; k < table->columnCount(); ++k)
        table->setItem(row, k, new QTableWidgetItem(fields.value(k - 1)));
}

void InfoListDialog::SaveTableToList(int tabIndex)
{
    const InfoList list = TableList(tabIndex);
    m_currentLists[list.infoType] = list;
    const Result saved = StoreDbAccess::Instance()->SaveInfoList(m_listKind, list);
    if (!saved)
        ReportStoreFailure(saved);
}

InfoList InfoListDialog::TableList(int tabIndex) const
{
    const QTableWidget *table = m_tableWidgets.at(tabIndex);
    QVector<QStringList> rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c) {
            const QTableWidgetItem *item = table->item(r, c);
            cells << (item ? item->text() : QString());
        }
        rows << cells;
    }
    return ListRows::ToList(m_defs.at(tabIndex).infoType, rows);
}

void InfoListDialog::SaveTableByName(const QString &objectName)
{
    const int index = TabOfTable(objectName);
    if (index >= 0)
        SaveTableToList(index);
}

bool InfoListDialog::DropList(int tabIndex)
{
    const int infoType = m_defs.at(tabIndex).infoType;
    const Result dropped = StoreDbAccess::Instance()->DeleteInfoList(m_listKind, infoType);
    if (!dropped) {
        ReportStoreFailure(dropped);
        return false;
    }
    m_currentLists[infoType] = InfoList{infoType, QString()};
    return true;
}

void InfoListDialog::ReportStoreFailure(const Result &failure)
{
    const QString &reason = failure.error();
    Boxes::Notice(this, QMessageBox::Warning, QStringLiteral("保存失败"),
                  QStringLiteral("保存失败：%1").arg(reason), QString(), QStringLiteral("确定"), 100);
}

QString InfoListDialog::StoredText(int infoType, int row, int column) const
{
    const QList<QStringList> rows = ListCodec::Decode(CurrentList(infoType).list);
    const QTableWidget *table = Table(infoType);
    if (!table || row < 0 || row >= rows.size() || column < 1
        || rows.at(row).size() != table->columnCount() - 1)
        return QString();
    return rows.at(row).at(column - 1);
}

void InfoListDialog::TabCellChanged(int row, int column)
{
    if (m_busy) {
        qDebug() << "TabCellChanged return" << row << column;
        return;
    }
    auto *table = qobject_cast<QTableWidget *>(sender());
    if (!table)
        return;
    const int index = TabOfTable(table->objectName());
    if (index < 0)
        return;

    // A ";" would split the row when the list is next read: put back what is stored.
    QTableWidgetItem *item = table->item(row, column);
    if (column >= 1 && item && !ListCodec::IsStorable(item->text())) {
        m_busy = true;
        item->setText(StoredText(m_defs.at(index).infoType, row, column));
        m_busy = false;
        ShowWarning(QStringLiteral("内容不能包含分号\";\"，已恢复原内容"));
        return;
    }

    SaveTableByName(table->objectName());
    emit sendRefresh();
}

void InfoListDialog::AddEmptyRow(QTableWidget *table)
{
    const int row = table->rowCount();
    table->setRowCount(row + 1);
    FillRow(table, row, QStringList());
}

void InfoListDialog::BtnAddAction()
{
    const int index = TabOfButton(Button::Add);
    if (index < 0)
        return;
    m_busy = true;
    qDebug() << "ActionAdd:" << sender()->objectName();
    AddEmptyRow(m_tableWidgets.at(index));
    SaveTableToList(index);
    m_busy = false;
    emit sendRefresh();
}

void InfoListDialog::DeleteSelectedRow(int tabIndex)
{
    if (!ConfirmDelete())
        return;
    QTableWidget *table = m_tableWidgets.at(tabIndex);
    const int row = table->currentRow();
    if (row >= 0 && row < table->rowCount()) {
        // A row whose account is still stored stays on the page.
        if (!RowAboutToBeRemoved(tabIndex, row))
            return;
        table->removeRow(row);
    } else {
        ShowWarning(QStringLiteral("请选中相应行"));
    }
}

void InfoListDialog::BtnDelAction()
{
    const int index = TabOfButton(Button::Del);
    if (index < 0)
        return;
    m_busy = true;
    DeleteSelectedRow(index);
    if (m_tableWidgets.at(index)->rowCount() > 0)
        SaveTableToList(index);
    else
        DropList(index);
    m_busy = false;
    emit sendRefresh();
}

void InfoListDialog::BtnClrAction()
{
    const int index = TabOfButton(Button::Clear);
    if (index < 0)
        return;
    if (!ConfirmDelete())
        return;
    const ReloginReason why(TableWords::ClearReason());
    if (!m_relogin || !m_relogin())
        return;
    // The store first: rows it still holds stay on the page.
    if (!DropList(index) || !TableCleared(index))
        return;
    m_busy = true;
    QTableWidget *table = m_tableWidgets.at(index);
    for (int n = table->rowCount(); n > 0; --n)
        table->removeRow(0);
    m_busy = false;
    emit sendRefresh();
}

void InfoListDialog::BtnHideAction() { hide(); }

// The list workbook exchange is wired here: both slots find their tab by the
// button's name and work on that table; after an import SaveTableByName runs.
void InfoListDialog::InportProcess()
{
    const int index = TabOfButton(Button::Import);
    if (index < 0)
        return;
    QTableWidget *table = m_tableWidgets.at(index);
    if (!ListExchange::ImportList(table, this, &m_busy))
        return;
    SaveTableByName(table->objectName());
    emit sendRefresh();
}

void InfoListDialog::ExportProcess()
{
    const int index = TabOfButton(Button::Export);
    if (index < 0)
        return;
    ListExchange::ExportList(m_tableWidgets.at(index), this);
}

bool InfoListDialog::RowAboutToBeRemoved(int, int) { return true; }

bool InfoListDialog::TableCleared(int) { return true; }

bool InfoListDialog::ConfirmDelete()
{
    return Boxes::ConfirmDelete(this, QStringLiteral("删除请慎重,确认删除?"));
}

void InfoListDialog::ShowWarning(const QString &text)
{
    Boxes::Warning(this, QStringLiteral("warning"), text);
}

void InfoListDialog::ApplyTableAppearance(QTableWidget *table)
{
    table->horizontalHeader()->setStretchLastSection(true);
    table->setFrameShape(QFrame::NoFrame);
    table->verticalHeader()->setVisible(false);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->horizontalHeader()->setHighlightSections(false);
    table->setFocusPolicy(Qt::NoFocus);
    Looks::ApplyThinScrollBars(table);
}
