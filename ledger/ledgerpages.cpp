#include "ledger/ledgerpages.h"

#include "app/modalseam.h"
#include "db/numbertext.h"
#include "db/storedbaccess.h"
#include "ledger/ledgerkinds.h"
#include "ledger/pagetotals.h"
#include "ledger/readdatabasethread.h"

#include <QAction>
#include <QBrush>
#include <QColor>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QComboBox>
#include <QDateEdit>
#include <QDebug>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>

using LedgerKinds::Group;
using LedgerKinds::PageKind;

namespace {

const QString kRedButtons =
    QStringLiteral("QPushButton{background-color:rgb(255, 0, 0); color:rgb(0, 0, 0);}");

constexpr int kTotalColumn = 11;
// Marks a row whose last save failed (on its first cell).
constexpr int kSaveFailedRole = Qt::UserRole + 41;
const QColor kSaveFailedColour(255, 110, 110);

bool IsGoodsStyle(const PageKind &page)
{
    return page.group != Group::Finance;
}

// Keeps the flag set for a scope and puts back what it was.
class FillingScope
{
public:
    explicit FillingScope(bool &flag) : m_flag(flag), m_was(flag) { m_flag = true; }
    ~FillingScope() { m_flag = m_was; }
    FillingScope(const FillingScope &) = delete;
    FillingScope &operator=(const FillingScope &) = delete;

private:
    bool &m_flag;
    bool m_was;
};

// Fills many rows without repainting after each one.
class QuietTable
{
public:
    explicit QuietTable(QTableWidget *table) : m_table(table), m_was(table->updatesEnabled())
    {
        m_table->setUpdatesEnabled(false);
    }
    ~QuietTable() { m_table->setUpdatesEnabled(m_was); }
    QuietTable(const QuietTable &) = delete;
    QuietTable &operator=(const QuietTable &) = delete;

private:
    QTableWidget *m_table;
    bool m_was;
};

} // namespace

LedgerPages::LedgerPages(QWidget *window)
    : QObject(window), m_window(window), m_inView(new InViewEditors(this))
{
    m_editorHook = [this](QWidget *editor) { WireEditor(editor); };
}

LedgerPages::~LedgerPages()
{
    WaitForWorkers();
}

void LedgerPages::SetTypeAhead(std::function<void(QComboBox *)> show, std::function<void()> hide)
{
    m_showTypeAhead = std::move(show);
    m_hideTypeAhead = std::move(hide);
}

template <typename T>
T *LedgerPages::Find(const QString &name) const
{
    if (name.isEmpty() || !m_window)
        return nullptr;
    // The pages hold thousands of cell editors; look each name up once.
    QPointer<QObject> &cached = m_widgets[name];
    if (!cached)
        cached = m_window->findChild<T *>(name);
    return qobject_cast<T *>(cached.data());
}

QTableWidget *LedgerPages::Table(const QString &tableName) const
{
    return Find<QTableWidget>(tableName);
}

const PageKind *LedgerPages::PageOfButton(const QString &name, QString PageKind::*button) const
{
    if (name.isEmpty())
        return nullptr;
    for (const PageKind &p : LedgerKinds::Pages()) {
        if (p.*button == name)
            return &p;
    }
    return nullptr;
}

void LedgerPages::Status(const QString &text)
{
    if (m_status)
        m_status(text);
}

ReadDatabaseThread *LedgerPages::NewWorker(int type)
{
    auto *worker = new ReadDatabaseThread(&m_lists, type, this);
    m_workers.removeAll(nullptr);
    m_workers.append(worker);
    return worker;
}

void LedgerPages::WaitForWorkers()
{
    for (const QPointer<ReadDatabaseThread> &w : qAsConst(m_workers)) {
        if (w)
            w->wait();
    }
}

// ---- loading ----

bool LedgerPages::StartLoad()
{
    // A second load would write the same lists at the same time.
    if (IsLoading()) {
        m_reloadPending = true;
        return false;
    }
    ReadDatabaseThread *worker = NewWorker(ReadDatabaseThread::LoadToday);
    m_loadWorker = worker;
    connect(worker, &QThread::finished, this, [this, worker] {
        // Empty pages from a database that could not be read are said so.
        const QString error = worker->loadError();
        if (!error.isEmpty())
            Status(QStringLiteral("读取失败：%1").arg(error));
        ShowTabData();
    });
    worker->StartSelfDeleting();
    return true;
}

bool LedgerPages::IsLoading() const
{
    return m_loadWorker && !m_loadWorker->isFinished();
}

void LedgerPages::RefreshTab()
{
    m_filling = false;
    StartLoad();
}

RowChoices LedgerPages::Choices() const
{
    return RowChoices::Read(*m_source);
}

template <typename Record>
void LedgerPages::ShowRecords(QTableWidget *table, const QList<Record> &rows,
                              void (*fillItems)(int, int, const Record &, QTableWidget *))
{
    if (!table)
        return;
    FillingScope filling(m_filling);
    QuietTable quiet(table);
    table->setRowCount(0);
    table->setRowCount(rows.size());
    const PageKind *page = LedgerKinds::FindByTable(table->objectName());
    if (page && page->IsComputed()) {
        for (int i = 0; i < rows.size(); ++i)
            fillItems(LedgerRows::Computed, i, rows.at(i), table);
        return;
    }
    for (int i = 0; i < rows.size(); ++i)
        fillItems(LedgerRows::ShowRecord, i, rows.at(i), table);
    m_inView->Watch(table, Choices(), m_editorHook);
    m_inView->BuildInView(table);
}

void LedgerPages::ShowGoodsRows(QTableWidget *table, const GoodsList &rows)
{
    ShowRecords(table, rows, &LedgerRows::FillGoodsItems);
}

void LedgerPages::ShowFinanceRows(QTableWidget *table, const FinanceList &rows)
{
    ShowRecords(table, rows, &LedgerRows::FillFinanceItems);
}

void LedgerPages::ShowTabData()
{
    if (IsLoading())
        return;  // the worker's finish shows them
    {
        FillingScope filling(m_filling);
        for (int k = 0; k < GoodsKind::StoredCount; ++k) {
            const PageKind *page = LedgerKinds::Find(Group::Goods, k);
            ShowGoodsRows(Table(page->tableName), m_lists.pageGoodsLists[k]);
            ComputePageTotals(page->totalButton);
        }
        for (int k = 0; k < FinanceKind::StoredCount; ++k) {
            const PageKind *page = LedgerKinds::Find(Group::Finance, k);
            ShowFinanceRows(Table(page->tableName), m_lists.pageFinanceLists[k]);
            ComputePageTotals(page->totalButton);
        }
    }
    emit TabDataShown();
    if (m_reloadPending) {
        m_reloadPending = false;
        StartLoad();
    }
}

void LedgerPages::WireEditor(QWidget *editor)
{
    if (auto *box = qobject_cast<QComboBox *>(editor)) {
        connect(box, &QComboBox::currentTextChanged, this, &LedgerPages::OnComboText);
        connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &LedgerPages::OnComboIndex);
    } else if (auto *edit = qobject_cast<QDateEdit *>(editor)) {
        connect(edit, &QDateEdit::dateChanged, this, &LedgerPages::OnDate);
    }
}

// ---- editing ----

bool LedgerPages::SaveRow(QTableWidget *table, int row, int changedColumn)
{
    if (!table)
        return false;
    const PageKind *page = LedgerKinds::FindByTable(table->objectName());
    if (!page || !page->IsStored())
        return false;
    LedgerRows::ReadOutcome outcome;
    bool saved = false;
    if (page->group == Group::Goods) {
        GoodsRecord record;
        outcome = LedgerRows::ReadGoodsRow(row, page->kind, record, table, changedColumn);
        if (outcome.read)
            saved = StoreDbAccess::Instance()->SaveGoodsRow(record);
    } else {
        FinanceRecord record;
        outcome = LedgerRows::ReadFinanceRow(row, page->kind, record, table);
        if (outcome.read)
            saved = StoreDbAccess::Instance()->SaveFinanceRow(record);
    }
    if (outcome.refused && !m_filling)
        LedgerRows::ShowNumberWarning(m_window);
    if (outcome.read)
        ReportSave(table, row, saved);
    return saved;
}

void LedgerPages::ReportSave(QTableWidget *table, int row, bool saved)
{
    const QTableWidgetItem *first = table->item(row, 0);
    const bool marked = first && first->data(kSaveFailedRole).toBool();
    if (saved && !marked)
        return;
    {
        // Item data, not cell widgets: whatever paints the cells shows it.
        // No change notice may run: it would save the row again.
        const QSignalBlocker blocker(table);
        for (int c = 0; c < table->columnCount(); ++c) {
            QTableWidgetItem *item = table->item(row, c);
            if (!item && saved)
                continue;
            if (!item) {
                item = new QTableWidgetItem;
                table->setItem(row, c, item);
            }
            item->setData(Qt::BackgroundRole, saved ? QVariant() : QVariant(QBrush(kSaveFailedColour)));
        }
        table->item(row, 0)->setData(kSaveFailedRole, saved ? QVariant() : QVariant(true));
    }
    if (saved)
        return;
    QString reason = StoreDbAccess::Instance()->lastError();
    if (reason.isEmpty())
        reason = QStringLiteral("数据库未连接");
    const QString text = QStringLiteral("保存失败：%1").arg(reason);
    Status(text);
    // One box is enough to be noticed; later failures go to the status line
    // and the red rows.
    if (m_saveFailureShown)
        return;
    m_saveFailureShown = true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("保存失败"), text, QMessageBox::NoButton, m_window);
    box.setInformativeText(QStringLiteral("未保存的行标为红色，再次保存成功后恢复。"));
    box.addButton(QStringLiteral("确认"), QMessageBox::AcceptRole)->setFixedWidth(100);
    box.setStyleSheet(kRedButtons);
    ModalSeam::Exec(box);
}

bool LedgerPages::SaveEditorRow(QWidget *editor)
{
    QTableWidget *table = nullptr;
    int row = -1;
    if (!LedgerRows::EditorCell(editor, &table, &row, nullptr))
        return false;
    return SaveRow(table, row);
}

void LedgerPages::TabCellChanged(QTableWidget *table, int row, int column)
{
    if (m_filling || !table)
        return;
    GetTabDateToDb(row, column, table->objectName());
}

void LedgerPages::GetTabDateToDb(int row, int column, const QString &sendName)
{
    const PageKind *page = LedgerKinds::FindByTable(sendName);
    if (!page)
        return;
    if (page->IsStored())
        SaveRow(Table(sendName), row, column);
    ComputePageTotals(page->totalButton);
}

void LedgerPages::OnComboText(const QString &)
{
    ComboxTextChanged(qobject_cast<QComboBox *>(sender()));
}

void LedgerPages::OnComboIndex(int)
{
    ComboxIndexChanged(qobject_cast<QComboBox *>(sender()));
}

void LedgerPages::OnDate(const QDate &date)
{
    DateChanged(qobject_cast<QWidget *>(sender()), date);
}

void LedgerPages::ComboxTextChanged(QComboBox *box)
{
    if (m_filling || !box)
        return;
    SaveEditorRow(box);
    if (m_showTypeAhead)
        m_showTypeAhead(box);
}

void LedgerPages::ComboxIndexChanged(QComboBox *box)
{
    if (m_filling || !box)
        return;
    if (m_hideTypeAhead)
        m_hideTypeAhead();
    SaveEditorRow(box);
}

void LedgerPages::DateChanged(QWidget *editor, const QDate &date)
{
    if (m_filling) {
        qDebug() << "DateChanged return" << date;
        return;
    }
    SaveEditorRow(editor);
}

void LedgerPages::CellChoseProcess(QTableWidget *table, int row, int column)
{
    if (!table || column != 8 || !m_picker)
        return;
    const PageKind *page = LedgerKinds::FindByTable(table->objectName());
    if (page && page->group == Group::Goods && page->IsStored())
        m_picker(table, row, column);
}

bool LedgerPages::ConfirmDelete()
{
    QMessageBox box(m_window);
    box.setWindowTitle(QStringLiteral("删除告警"));
    box.setText(QStringLiteral("删除或还原数据请慎重,确认?"));
    QPushButton *ok = box.addButton(QStringLiteral("确认"), QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    for (QPushButton *b : {ok, cancel})
        b->setFixedWidth(100);
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel);
    box.setStyleSheet(kRedButtons);
    box.setIconPixmap(QPixmap(QStringLiteral(":/icons/icons/littleIcon1/Error.png"))
                          .scaled(36, 36, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    ModalSeam::Exec(box);
    return box.clickedButton() == ok;
}

void LedgerPages::ActionAdd(const QString &buttonName)
{
    const PageKind *page = PageOfButton(buttonName, &PageKind::addButton);
    QTableWidget *table = page ? Table(page->tableName) : nullptr;
    if (!table)
        return;
    {
        FillingScope filling(m_filling);
        const int row = table->rowCount();
        table->setRowCount(row + 1);
        if (page->group == Group::Goods) {
            GoodsRecord record;
            LedgerRows::FillGoodsRow(LedgerRows::NewRow, row, record, table, Choices(), m_editorHook);
            LedgerRows::ReadGoodsRow(row, page->kind, record, table);
            ReportSave(table, row, StoreDbAccess::Instance()->SaveGoodsRow(record));
        } else {
            FinanceRecord record;
            LedgerRows::FillFinanceRow(LedgerRows::NewRow, row, record, table, Choices(), m_editorHook);
            LedgerRows::ReadFinanceRow(row, page->kind, record, table);
            ReportSave(table, row, StoreDbAccess::Instance()->SaveFinanceRow(record));
        }
        ComputePageTotals(page->totalButton);
    }
    table->scrollToBottom();
}

void LedgerPages::ShowWarning(const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, m_window);
    box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setStyleSheet(kRedButtons);
    ModalSeam::Exec(box);
}

void LedgerPages::ActionDelete(const QString &buttonName)
{
    const PageKind *page = PageOfButton(buttonName, &PageKind::deleteButton);
    QTableWidget *table = page ? Table(page->tableName) : nullptr;
    if (!table || !ConfirmDelete())
        return;
    const int row = table->currentRow();
    if (row < 0 || row >= table->rowCount()) {
        ShowWarning(QStringLiteral("warning"), QStringLiteral("请选中相应行"));
        return;
    }
    bool deleted = false;
    if (page->group == Group::Goods) {
        GoodsRecord record;
        deleted = LedgerRows::PeekGoodsRow(row, page->kind, record, table)
            && StoreDbAccess::Instance()->DeleteGoodsRow(record);
    } else {
        FinanceRecord record;
        deleted = LedgerRows::PeekFinanceRow(row, page->kind, record, table)
            && StoreDbAccess::Instance()->DeleteFinanceRow(record);
    }
    // A row the store still holds stays on the page, so the page never lies.
    if (!deleted) {
        Status(QStringLiteral("删除失败，该行仍在数据库中"));
        return;
    }
    table->removeRow(row);
    ComputePageTotals(page->totalButton);
}

void LedgerPages::ActionClear(const QString &buttonName)
{
    const PageKind *page = PageOfButton(buttonName, &PageKind::clearButton);
    QTableWidget *table = page ? Table(page->tableName) : nullptr;
    if (!table || !ConfirmDelete())
        return;
    if (!m_relogin || !m_relogin())
        return;
    const bool deleted = page->group == Group::Goods
        ? StoreDbAccess::Instance()->DeleteGoodsKind(page->kind)
        : StoreDbAccess::Instance()->DeleteFinanceKind(page->kind);
    if (!deleted) {
        Status(QStringLiteral("清空失败，数据未改动"));
        return;
    }
    table->setRowCount(0);
    ComputePageTotals(page->totalButton);
}

// ---- totals ----

void LedgerPages::ComputePageTotals(const QString &buttonName)
{
    const PageKind *page = PageOfButton(buttonName, &PageKind::totalButton);
    QTableWidget *table = page ? Table(page->tableName) : nullptr;
    if (!table)
        return;
    const int rows = table->rowCount();
    auto text = [table](int row, int column) {
        const QTableWidgetItem *item = table->item(row, column);
        return item ? item->text() : QString();
    };
    if (IsGoodsStyle(*page)) {
        QVector<PageTotals::GoodsRowTexts> texts;
        texts.reserve(rows);
        for (int r = 0; r < rows; ++r)
            texts.append({text(r, 9), text(r, 10), text(r, 11), text(r, 12), text(r, 13)});
        const PageTotals::GoodsSums sums = PageTotals::SumGoods(texts);
        QList<int> derivedRows;
        {
            const QSignalBlocker blocker(table);
            for (const auto &d : sums.derivedTotals) {
                QTableWidgetItem *item = table->item(d.first, kTotalColumn);
                if (item)
                    item->setText(d.second);
                else
                    table->setItem(d.first, kTotalColumn, new QTableWidgetItem(d.second));
                derivedRows.append(d.first);
            }
        }
        // A total written here is an edit of that row like any other.
        if (page->IsStored() && !m_filling)
            SaveDerivedTotals(table, derivedRows);
        if (auto *e = Find<QLineEdit>(page->totalEdit))
            e->setText(NumberText::ToText(sums.total));
        if (auto *e = Find<QLineEdit>(page->paidEdit))
            e->setText(NumberText::ToText(sums.paid));
        if (auto *e = Find<QLineEdit>(page->debtEdit))
            e->setText(NumberText::ToText(sums.unpaid));
    } else {
        QStringList items;
        QStringList sums;
        sums.reserve(rows);
        for (int r = 0; r < rows; ++r) {
            items.append(LedgerRows::CellText(table, r, 1));
            sums.append(text(r, 2));
        }
        const double sum = page->totalsItem.isEmpty()
            ? PageTotals::SumFinance(sums) : PageTotals::SumOfItem(items, sums, page->totalsItem);
        if (auto *e = Find<QLineEdit>(page->totalEdit))
            e->setText(NumberText::ToText(sum));
    }
}

void LedgerPages::SaveDerivedTotals(QTableWidget *table, const QList<int> &rows)
{
    for (int row : rows)
        SaveRow(table, row);
}

void LedgerPages::TotalProcess(const QString &buttonName)
{
    m_lastTotalButton = buttonName;
    ComputePageTotals(buttonName);
}

void LedgerPages::ShowTotalResult()
{
    ComputePageTotals(m_lastTotalButton);
}

// ---- backup and restore ----

void LedgerPages::SaveDbDate()
{
    if (IsBackingUp())
        return;
    if (auto *action = Find<QAction>(QStringLiteral("action_datasave")))
        action->setEnabled(false);
    ReadDatabaseThread *worker = NewWorker(ReadDatabaseThread::Backup);
    worker->SetBackupFolder(m_backupFolder);
    m_backupWorker = worker;
    connect(worker, &QThread::finished, this, [this, worker] {
        m_lastBackupWritten = worker->backupWritten();
        m_lastBackupPath = worker->backupPath();
        EnableAction();
        emit BackupFinished(m_lastBackupWritten, m_lastBackupPath);
    });
    worker->StartSelfDeleting();
}

bool LedgerPages::IsBackingUp() const
{
    return m_backupWorker && !m_backupWorker->isFinished();
}

void LedgerPages::EnableAction()
{
    if (auto *action = Find<QAction>(QStringLiteral("action_datasave")))
        action->setEnabled(true);
    // A window hidden after it was shown is closing: no box over it.
    const bool closed = m_window && m_window->isHidden()
        && m_window->testAttribute(Qt::WA_WState_ExplicitShowHide);
    if (m_closing || closed)
        return;
    QMessageBox box(m_window);
    box.setWindowTitle(QStringLiteral("提示"));
    if (m_lastBackupWritten) {
        box.setText(QStringLiteral("备份完成"));
    } else {
        box.setIcon(QMessageBox::Warning);
        box.setText(QStringLiteral("备份失败：文件 %1 未能写入").arg(m_lastBackupPath));
    }
    QPushButton *ok = box.addButton(QStringLiteral("确认"), QMessageBox::AcceptRole);
    ok->setFixedWidth(100);
    box.setDefaultButton(ok);
    ModalSeam::Exec(box);
}

void LedgerPages::WaitForBackup()
{
    m_closing = true;
    if (m_backupWorker)
        m_backupWorker->wait();
}

void LedgerPages::RestoreDbDate()
{
    if (!ConfirmDelete())
        return;
    // Restoring replaces every row of the store: the same re-login as clearing.
    if (!m_relogin || !m_relogin())
        return;
    const QString path = ModalSeam::GetOpenFileName(nullptr, QStringLiteral("标题"),
                                                    QStringLiteral("DbDateSave"),
                                                    QStringLiteral("*.sql;;*.sql"));
    qDebug() << path;
    if (path.isEmpty())
        return;
    // The pages' lists must not be read while rows are being replaced.
    if (m_loadWorker)
        m_loadWorker->wait();
    StoreDbAccess *store = StoreDbAccess::Instance();
    const QString folder = m_backupFolder.isEmpty()
        ? QDir::currentPath() + QStringLiteral("/DbDateSave") : m_backupFolder;
    const RestoreFiles files = RestoreFiles::For(folder, path, QDateTime::currentDateTime());
    const auto failed = [this](const QString &why) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("数据还原"),
                        QStringLiteral("还原失败，数据未改动：%1").arg(why), QMessageBox::NoButton, m_window);
        box.addButton(QStringLiteral("确认"), QMessageBox::AcceptRole)->setFixedWidth(100);
        ModalSeam::Exec(box);
    };
    const RestorePreview preview = store->PreviewRestore(path);
    if (!preview.ok)
        return failed(preview.error);
    if (!ConfirmRestore(preview, files))
        return;
    const RestoreResult result = store->RestoreStoreTables(path, files);
    if (!result.ok) {
        if (!result.refusedList.isEmpty())
            Status(QStringLiteral("未还原的行见 %1").arg(result.refusedList));
        return failed(result.error);
    }
    QString text = QStringLiteral("数据还原完成：还原 %1 行，拒绝 %2 行").arg(result.restored).arg(result.refused);
    if (!result.refusedList.isEmpty())
        text += QStringLiteral("，未还原的行见 %1").arg(result.refusedList);
    text += QStringLiteral("；原数据已备份到 %1").arg(QFileInfo(result.safetyBackup).fileName());
    Status(text);
    RefreshTab();
}

bool LedgerPages::ConfirmRestore(const RestorePreview &preview, const RestoreFiles &files)
{
    QStringList lines;
    lines << QStringLiteral("文件中的数据：");
    for (const RestorePreview::Table &t : preview.tables)
        lines << QStringLiteral("  %1：%2 行（本店现有 %3 行）").arg(t.name).arg(t.inFile).arg(t.replaced);
    lines << QStringLiteral("其中 %1 行带有其他店号，将归入本店").arg(preview.RowsOfOtherStores());
    lines << QStringLiteral("本店现有 %1 行将被替换").arg(preview.RowsReplaced());
    if (preview.refused > 0)
        lines << QStringLiteral("%1 行无法识别，不会还原").arg(preview.refused);
    lines << QStringLiteral("还原前的数据将备份到 %1").arg(QFileInfo(files.safetyBackup).fileName());
    QMessageBox box(QMessageBox::Warning, QStringLiteral("数据还原"), lines.join(QLatin1Char('\n')),
                    QMessageBox::NoButton, m_window);
    QPushButton *ok = box.addButton(QStringLiteral("确认"), QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    for (QPushButton *b : {ok, cancel})
        b->setFixedWidth(100);
    // Nothing is replaced by pressing Enter: "取消" is the default.
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.setStyleSheet(kRedButtons);
    ModalSeam::Exec(box);
    return box.clickedButton() == ok;
}
