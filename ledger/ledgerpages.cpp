#include "ledger/ledgerpages.h"

#include "analytics/stockcompute.h"
#include "db/numbertext.h"
#include "db/storedbaccess.h"
#include "db/tablewords.h"
#include "ledger/ledgerdelegate.h"
#include "ledger/ledgerkinds.h"
#include "ledger/pagetotals.h"
#include "ledger/readdatabasethread.h"
#include "widgets/boxes.h"
#include "widgets/looks.h"
#include "widgets/modalseam.h"
#include "widgets/reloginreason.h"

#include <QAction>
#include <QBrush>
#include <QColor>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>

using LedgerKinds::Group;
using LedgerKinds::PageKind;

namespace {

constexpr int kTotalColumn = 11;
// Marks a row whose last save failed (on its first cell).
constexpr int kSaveFailedRole = Qt::UserRole + 41;
const QColor kSaveFailedColour(255, 110, 110);
// Marks a quantity that takes its article's stock below zero; amber, so it is
// not taken for a failed save.
constexpr int kShortStockRole = Qt::UserRole + 42;
const QColor kShortStockColour(255, 200, 80);
constexpr int kCodeColumn = 5;
constexpr int kNumColumn = 9;
constexpr int kPriceColumn = 10;
// Rows written per turn of the event loop, in time: short enough that the
// window never stops responding for long, long enough to fill a screen at once.
constexpr qint64 kSliceMs = 25;

bool IsGoodsStyle(const PageKind &page) { return page.group != Group::Finance; }

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

LedgerPages::LedgerPages(QWidget *window) : QObject(window), m_window(window)
{
    m_editorHook = [this](QWidget *editor) { WireEditor(editor); };
    for (const PageKind &p : LedgerKinds::Pages())
        Adopt(Table(p.tableName));
}

void LedgerPages::Adopt(QTableWidget *table)
{
    if (!table || qobject_cast<LedgerDelegate *>(table->itemDelegate()))
        return;
    table->setItemDelegate(new LedgerDelegate(
        table, [this] { return Choices(); }, m_editorHook));
    // Rows put in or taken out elsewhere (a query clearing the page, an
    // import) leave the running totals and any slices still to come behind.
    auto changed = [this, table] {
        if (m_ownRowChange)
            return;
        m_sums.remove(table);
        if (m_pendingFill.remove(table))
            ++m_fillGeneration[table];
    };
    QAbstractItemModel *model = table->model();
    connect(model, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(model, &QAbstractItemModel::rowsInserted, this, changed);
    connect(model, &QAbstractItemModel::modelReset, this, changed);
    connect(table, &QObject::destroyed, this, [this, table] {
        m_sums.remove(table);
        m_pendingFill.remove(table);
        m_fillGeneration.remove(table);
    });
}

LedgerPages::~LedgerPages() { WaitForWorkers(); }

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

QTableWidget *LedgerPages::Table(const QString &tableName) const { return Find<QTableWidget>(tableName); }

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

bool LedgerPages::IsLoading() const { return m_loadWorker && !m_loadWorker->isFinished(); }

void LedgerPages::RefreshTab()
{
    m_filling = false;
    StartLoad();
}

RowChoices LedgerPages::Choices() const { return RowChoices::Read(*m_source); }

template <typename Record>
void LedgerPages::ShowRecords(QTableWidget *table, const QList<Record> &rows,
                              void (*fillRow)(int, int, const Record &, QTableWidget *),
                              std::function<void()> done)
{
    if (!table)
        return;
    Adopt(table);
    ++m_fillGeneration[table];
    m_pendingFill.remove(table);
    m_sums.remove(table);
    {
        FillingScope filling(m_filling);
        QuietTable quiet(table);
        m_ownRowChange = true;
        table->setRowCount(0);
        table->setRowCount(rows.size());
        m_ownRowChange = false;
    }
    // Rows of a computed page are read-only text.
    const PageKind *page = LedgerKinds::FindByTable(table->objectName());
    const int mode = page && page->IsComputed() ? LedgerRows::Computed : LedgerRows::ShowRecord;
    FillSlice(table, rows, fillRow, mode, 0, false, done);
}

template <typename Record>
void LedgerPages::FillSlice(QTableWidget *table, const QList<Record> &rows,
                            void (*fillRow)(int, int, const Record &, QTableWidget *), int mode, int from,
                            bool all, const std::function<void()> &done)
{
    int next = from;
    {
        FillingScope filling(m_filling);
        QuietTable quiet(table);
        // The view hears of each cell otherwise; it only needs a repaint when
        // rows in view were written, as it reads the cells when it paints.
        const QSignalBlocker quietModel(table->model());
        QElapsedTimer clock;
        clock.start();
        while (next < rows.size() && next < table->rowCount()) {
            fillRow(mode, next, rows.at(next), table);
            ++next;
            if (!all && (next & 63) == 0 && clock.elapsed() >= kSliceMs)
                break;
        }
    }
    const int lastInView = table->rowAt(table->viewport()->height() - 1);
    if (lastInView < 0 || from <= lastInView)
        table->viewport()->update();
    if (next < rows.size() && next < table->rowCount()) {
        m_pendingFill[table] = [this, table, rows, fillRow, mode, next, done] {
            FillSlice(table, rows, fillRow, mode, next, true, done);
        };
        const quint64 generation = m_fillGeneration.value(table);
        QPointer<QTableWidget> guarded(table);
        QTimer::singleShot(0, this, [this, guarded, rows, fillRow, mode, next, generation, done] {
            if (guarded && m_fillGeneration.value(guarded) == generation)
                FillSlice(guarded.data(), rows, fillRow, mode, next, false, done);
        });
        return;
    }
    m_pendingFill.remove(table);
    if (done)
        done();
    emit PageFilled(table);
}

bool LedgerPages::FillPending(const QTableWidget *table) const { return m_pendingFill.contains(table); }

void LedgerPages::FinishFill(QTableWidget *table)
{
    const std::function<void()> rest = m_pendingFill.take(table);
    if (!rest)
        return;
    ++m_fillGeneration[table];
    rest();
}

void LedgerPages::ShowGoodsRows(QTableWidget *table, const GoodsList &rows)
{
    ShowRecords(table, rows, &LedgerRows::FillGoodsRow);
}

void LedgerPages::ShowFinanceRows(QTableWidget *table, const FinanceList &rows)
{
    ShowRecords(table, rows, &LedgerRows::FillFinanceRow);
}

void LedgerPages::ShowTabData()
{
    if (IsLoading())
        return; // the worker's finish shows them
    {
        FillingScope filling(m_filling);
        // The totals follow each page once its last row is in.
        for (int k = 0; k < GoodsKind::StoredCount; ++k) {
            const PageKind *page = LedgerKinds::Find(Group::Goods, k);
            const QString button = page->totalButton;
            ShowRecords(Table(page->tableName), m_lists.pageGoodsLists[k], &LedgerRows::FillGoodsRow,
                        [this, button] {
                            FillingScope filling(m_filling);
                            ComputePageTotals(button);
                        });
        }
        for (int k = 0; k < FinanceKind::StoredCount; ++k) {
            const PageKind *page = LedgerKinds::Find(Group::Finance, k);
            const QString button = page->totalButton;
            ShowRecords(Table(page->tableName), m_lists.pageFinanceLists[k], &LedgerRows::FillFinanceRow,
                        [this, button] {
                            FillingScope filling(m_filling);
                            ComputePageTotals(button);
                        });
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
        connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &LedgerPages::OnComboIndex);
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
    if (saved && page->group == Group::Goods && !m_filling)
        CheckStock(table, row, page->kind);
    return saved;
}

void LedgerPages::FillFromCode(QTableWidget *table, int row, int kind)
{
    const QString code = LedgerRows::CellText(table, row, kCodeColumn).trimmed();
    if (code.isEmpty())
        return;
    const QString serial = LedgerRows::CellText(table, row, LedgerKinds::SerialColumn);
    StoreDbAccess *store = StoreDbAccess::Instance();
    GoodsList latest;
    if (!store->LatestGoodsWithCode(code, -1, serial, latest) || latest.isEmpty())
        return;
    GoodsRecord source = latest.last();
    if (kind == GoodsKind::Sale) {
        // A sale is priced as the last sale of the code was, not as it was bought.
        GoodsList sales;
        if (store->LatestGoodsWithCode(code, GoodsKind::Sale, serial, sales) && !sales.isEmpty())
            source.price = sales.last().price;
    }
    // The save that follows reads the row again; no change notice may run now.
    const QSignalBlocker blocker(table);
    for (int c : {1, 2, 3, 4, LedgerKinds::SizeColumn, kPriceColumn}) {
        if (!LedgerRows::CellText(table, row, c).isEmpty() || source.text(c).isEmpty())
            continue;
        QTableWidgetItem *item = table->item(row, c);
        if (!item) {
            item = new QTableWidgetItem;
            table->setItem(row, c, item);
        }
        item->setText(source.text(c));
    }
}

void LedgerPages::CheckStock(QTableWidget *table, int row, int kind)
{
    QTableWidgetItem *numItem = table->item(row, kNumColumn);
    if (!numItem)
        return;
    bool shortOfStock = false;
    GoodsRecord record;
    if ((kind == GoodsKind::Sale || kind == GoodsKind::PurchaseReturn || kind == GoodsKind::Loss)
        && LedgerRows::PeekGoodsRow(row, kind, record, table) && !record.model.isEmpty()) {
        GoodsList article;
        if (StoreDbAccess::Instance()->QueryArticleGoods(record.model, record.color, record.store, article)) {
            // The stock computation never goes below zero (a movement without
            // room is only reported), so weigh this row against the rest.
            GoodsList others;
            for (const GoodsRecord &r : article) {
                if (r.serial != record.serial)
                    others.append(r);
            }
            const double left = StockCompute::ArticleStock(others);
            if (left - NumberText::ToNumber(record.num) < 0) {
                shortOfStock = true;
                Status(QStringLiteral("库存不足：%1 %2 现有 %3")
                           .arg(record.model, record.color, QString::number(left)));
            }
        }
    }
    // Set again even when marked: a failed save's red row clears the cells' colour.
    if (!shortOfStock && !numItem->data(kShortStockRole).toBool())
        return;
    const QSignalBlocker blocker(table);
    numItem->setData(kShortStockRole, shortOfStock ? QVariant(true) : QVariant());
    numItem->setData(Qt::BackgroundRole, shortOfStock ? QVariant(QBrush(kShortStockColour)) : QVariant());
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
    Boxes::Notice(m_window, QMessageBox::Warning, QStringLiteral("保存失败"), text,
                  QStringLiteral("未保存的行标为红色，再次保存成功后恢复。"), QStringLiteral("确认"), 100);
}

bool LedgerPages::SaveEditorRow(QWidget *editor)
{
    QTableWidget *table = nullptr;
    int row = -1;
    int column = -1;
    if (!LedgerDelegate::EditedCell(editor, &table, &row, &column))
        return false;
    LedgerDelegate::WriteToItem(editor);
    const bool saved = SaveRow(table, row, column);
    // Derived amounts written back move the totals; adjusting them costs nothing.
    AdjustTotals(table, row);
    return saved;
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
    QTableWidget *table = Table(sendName);
    if (page->IsStored() && page->group == Group::Goods && column == kCodeColumn)
        FillFromCode(table, row, page->kind);
    if (page->IsStored())
        SaveRow(table, row, column);
    AdjustTotals(table, row);
}

void LedgerPages::OnComboText(const QString &) { ComboxTextChanged(qobject_cast<QComboBox *>(sender())); }

void LedgerPages::OnComboIndex(int) { ComboxIndexChanged(qobject_cast<QComboBox *>(sender())); }

void LedgerPages::OnDate(const QDate &date) { DateChanged(qobject_cast<QWidget *>(sender()), date); }

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
    return Boxes::ConfirmDelete(m_window, QStringLiteral("删除或还原数据请慎重,确认?"));
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
        m_ownRowChange = true;
        table->setRowCount(row + 1);
        m_ownRowChange = false;
        if (page->group == Group::Goods) {
            GoodsRecord record;
            LedgerRows::FillGoodsRow(LedgerRows::NewRow, row, record, table);
            LedgerRows::ReadGoodsRow(row, page->kind, record, table);
            ReportSave(table, row, StoreDbAccess::Instance()->SaveGoodsRow(record));
        } else {
            FinanceRecord record;
            LedgerRows::FillFinanceRow(LedgerRows::NewRow, row, record, table);
            LedgerRows::ReadFinanceRow(row, page->kind, record, table);
            ReportSave(table, row, StoreDbAccess::Instance()->SaveFinanceRow(record));
        }
        AdjustTotals(table, row);
    }
    table->scrollToBottom();
}

void LedgerPages::ShowWarning(const QString &title, const QString &text)
{
    Boxes::Warning(m_window, title, text);
}

void LedgerPages::ActionDelete(const QString &buttonName)
{
    const PageKind *page = PageOfButton(buttonName, &PageKind::deleteButton);
    QTableWidget *table = page ? Table(page->tableName) : nullptr;
    if (!table || !ConfirmDelete())
        return;
    FinishFill(table);
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
    RunningSums &running = m_sums[table];
    const SerialItem *serial = LedgerRows::SerialAt(table, row);
    if (running.valid && serial && serial->counted) {
        running.sums.Remove(serial->sums);
        m_ownRowChange = true;
        table->removeRow(row);
        m_ownRowChange = false;
        ShowSums(*page, running.sums);
    } else {
        table->removeRow(row);
        ComputePageTotals(page->totalButton);
    }
}

void LedgerPages::ActionClear(const QString &buttonName)
{
    const PageKind *page = PageOfButton(buttonName, &PageKind::clearButton);
    QTableWidget *table = page ? Table(page->tableName) : nullptr;
    if (!table || !ConfirmDelete())
        return;
    const ReloginReason why(TableWords::ClearReason());
    if (!m_relogin || !m_relogin())
        return;
    FinishFill(table);
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

PageTotals::RowSums LedgerPages::CountRow(QTableWidget *table, int row, const PageKind &page,
                                          bool saveDerived)
{
    auto text = [table, row](int column) {
        const QTableWidgetItem *item = table->item(row, column);
        return item ? item->text() : QString();
    };
    if (!IsGoodsStyle(page)) {
        // The profit page totals its operating-profit row only.
        if (!page.totalsItem.isEmpty() && text(1) != page.totalsItem)
            return PageTotals::RowSums();
        return PageTotals::FinanceRow(text(2));
    }
    QString derived;
    const PageTotals::RowSums sums =
        PageTotals::GoodsRow({text(9), text(10), text(11), text(12), text(13)}, &derived);
    if (!derived.isEmpty()) {
        {
            const QSignalBlocker blocker(table);
            if (QTableWidgetItem *item = table->item(row, kTotalColumn))
                item->setText(derived);
            else
                table->setItem(row, kTotalColumn, new QTableWidgetItem(derived));
        }
        // A total written here is an edit of that row like any other.
        if (saveDerived && page.IsStored() && !m_filling)
            SaveRow(table, row);
    }
    return sums;
}

void LedgerPages::ShowSums(const PageKind &page, const PageTotals::Sums &all)
{
    // Rows the page's filter hides do not count: the totals say "筛选后".
    QTableWidget *table = Table(page.tableName);
    // The header counts its hidden sections: no walk over the rows per edit.
    const bool filtered = table && table->verticalHeader()->hiddenSectionCount() > 0;
    PageTotals::Sums shown;
    for (int r = 0; filtered && r < table->rowCount(); ++r) {
        if (!table->isRowHidden(r))
            shown.Add(CountRow(table, r, page, false));
    }
    const PageTotals::Sums &sums = filtered ? shown : all;
    if (auto *e = Find<QLineEdit>(page.totalEdit))
        e->setText(NumberText::ToText(sums.total.Value()));
    if (!IsGoodsStyle(page))
        return;
    if (auto *e = Find<QLineEdit>(page.paidEdit))
        e->setText(NumberText::ToText(sums.paid.Value()));
    if (auto *e = Find<QLineEdit>(page.debtEdit))
        e->setText(NumberText::ToText(sums.unpaid.Value()));
}

void LedgerPages::ComputePageTotals(const QString &buttonName)
{
    const PageKind *page = PageOfButton(buttonName, &PageKind::totalButton);
    QTableWidget *table = page ? Table(page->tableName) : nullptr;
    if (!table)
        return;
    Adopt(table);
    FinishFill(table);
    RunningSums running;
    running.valid = true;
    const int rows = table->rowCount();
    for (int r = 0; r < rows; ++r) {
        const PageTotals::RowSums sums = CountRow(table, r, *page, true);
        running.sums.Add(sums);
        // Rows filled elsewhere carry no record of their share: the next
        // edit sums the page again.
        if (SerialItem *serial = LedgerRows::SerialAt(table, r)) {
            serial->counted = true;
            serial->sums = sums;
        } else {
            running.valid = false;
        }
    }
    ShowSums(*page, running.sums);
    m_sums.insert(table, running);
}

void LedgerPages::AdjustTotals(QTableWidget *table, int row)
{
    const PageKind *page = table ? LedgerKinds::FindByTable(table->objectName()) : nullptr;
    if (!page)
        return;
    const auto found = m_sums.find(table);
    SerialItem *serial = LedgerRows::SerialAt(table, row);
    if (found == m_sums.end() || !found->valid || !serial || FillPending(table)) {
        ComputePageTotals(page->totalButton);
        return;
    }
    const PageTotals::RowSums now = CountRow(table, row, *page, true);
    RunningSums &running = found.value();
    if (serial->counted)
        running.sums.Remove(serial->sums);
    running.sums.Add(now);
    serial->counted = true;
    serial->sums = now;
    ShowSums(*page, running.sums);
}

void LedgerPages::TotalProcess(const QString &buttonName)
{
    m_lastTotalButton = buttonName;
    ComputePageTotals(buttonName);
}

void LedgerPages::ShowTotalResult() { ComputePageTotals(m_lastTotalButton); }

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

bool LedgerPages::IsBackingUp() const { return m_backupWorker && !m_backupWorker->isFinished(); }

void LedgerPages::EnableAction()
{
    if (auto *action = Find<QAction>(QStringLiteral("action_datasave")))
        action->setEnabled(true);
    // A window hidden after it was shown is closing: no box over it.
    const bool closed =
        m_window && m_window->isHidden() && m_window->testAttribute(Qt::WA_WState_ExplicitShowHide);
    if (m_closing || closed)
        return;
    QMessageBox box(m_window);
    box.setWindowTitle(QStringLiteral("提示"));
    if (!m_lastBackupWritten)
        box.setIcon(QMessageBox::Warning);
    box.setText(TableWords::BackupDoneText(m_lastBackupWritten, m_lastBackupPath));
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
    const ReloginReason why(TableWords::RestoreReason());
    if (!m_relogin || !m_relogin())
        return;
    const QString path = ModalSeam::GetOpenFileName(
        nullptr, QStringLiteral("标题"), QStringLiteral("DbDateSave"), QStringLiteral("*.sql;;*.sql"));
    qDebug() << path;
    if (path.isEmpty())
        return;
    // The pages' lists must not be read while rows are being replaced.
    if (m_loadWorker)
        m_loadWorker->wait();
    StoreDbAccess *store = StoreDbAccess::Instance();
    const QString folder =
        m_backupFolder.isEmpty() ? QDir::currentPath() + QStringLiteral("/DbDateSave") : m_backupFolder;
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
    QString text =
        QStringLiteral("数据还原完成：还原 %1 行，拒绝 %2 行").arg(result.restored).arg(result.refused);
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
    lines << TableWords::PreviewLines(preview);
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
    Looks::PaintRed(box);
    ModalSeam::Exec(box);
    return box.clickedButton() == ok;
}
