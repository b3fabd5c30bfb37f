#include "ledger/ledgerpages.h"

#include "analytics/stockwarning.h"
#include "db/tablewords.h"
#include "ledger/backuprestore.h"
#include "ledger/cellediting.h"
#include "ledger/ledgerdelegate.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgermodel.h"
#include "ledger/namelistmenu.h"
#include "ledger/pageundo.h"
#include "ledger/readdatabasethread.h"
#include "ledger/totalsline.h"
#include "widgets/boxes.h"
#include "widgets/dialogshowtext.h"
#include "widgets/looks.h"
#include "widgets/modalseam.h"
#include "widgets/pageview.h"
#include "widgets/registerkeys.h"
#include "widgets/reloginreason.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSortFilterProxyModel>
#include <QTableView>

using LedgerKinds::Group;
using LedgerKinds::PageKind;

LedgerPages::LedgerPages(QWidget *window) : QObject(window), m_window(window)
{
    m_backup = new BackupRestore(this, window);
    m_editing = new CellEditing(this);
    for (const PageKind &p : LedgerKinds::Pages())
        Adopt(p);
    RefreshNames();
}

LedgerPages::~LedgerPages() { WaitForWorkers(); }

void LedgerPages::Adopt(const PageKind &page)
{
    Page &p = m_pages[&page];
    p.model = new LedgerModel(page, this);
    p.model->SetNameLists(&m_names);
    p.view = m_window->findChild<QTableView *>(page.tableName);
    PageView *pageView = nullptr;
    if (p.view) {
        pageView = PageView::Of(p.view);
        if (!pageView)
            pageView = new PageView(p.view);
        pageView->SetSourceModel(p.model);
        p.filter = pageView->proxy();
        if (page.IsStored())
            p.keys = new RegisterKeys(p.view, RegisterHooks(page));
        RegisterKeys *keys = p.keys;
        auto *delegate = new LedgerDelegate(
            p.view, [this] { return Choices(); }, [this](QWidget *editor) { m_editing->WireEditor(editor); },
            [keys](QWidget *editor, QKeyEvent *event) { return keys && keys->EditorKey(editor, event); });
        p.view->setItemDelegate(delegate);
        connect(delegate, &LedgerDelegate::DateRefused, this, [this] {
            Boxes::InputError(m_window,
                              QStringLiteral("请输入日期，例如 20241201、2024-12-1、12-01 或 1201"));
        });
        p.view->viewport()->setStyleSheet(Looks::CellEditors());
    }
    p.totals = new TotalsLine(page, p.model, pageView, m_window);
    LedgerModel *model = p.model;
    // A computed page says it waits for a query until it has one.
    p.period = page.IsComputed() ? QStringLiteral("点击查询…") : QString();
    const auto caption = [this, &page] { ShowCaption(page); };
    connect(model, &QAbstractItemModel::modelReset, this, caption);
    connect(model, &QAbstractItemModel::rowsInserted, this, caption);
    connect(model, &QAbstractItemModel::rowsRemoved, this, caption);
    ShowCaption(page);
    if (p.view)
        OfferCellMenu(page, p.view);
    if (p.view && page.IsStored())
        new PageUndo(page, model, p.view);
    connect(model, &LedgerModel::RowSaveFailed, this,
            [this](int, const QString &why) { ReportSaveFailure(why); });
    connect(model, &LedgerModel::NumberRefused, this,
            [this] { Boxes::InputError(m_window, QStringLiteral("请输入数字")); });
    if (page.group == Group::Goods && page.IsStored()) {
        auto *warning = new StockWarning(model);
        connect(warning, &StockWarning::Warning, this, &LedgerPages::Status);
    }
}

RegisterKeys::Hooks LedgerPages::RegisterHooks(const PageKind &page)
{
    RegisterKeys::Hooks hooks;
    const bool goods = page.group == Group::Goods;
    hooks.addRow = [this, &page] {
        LedgerModel *model = Model(page);
        const int before = model->rowCount();
        (void)model->AddRow(true); // a failure marks the new row and is reported
        return model->rowCount() > before;
    };
    // A goods row is found by its code first; a finance row by its item.
    hooks.firstColumn = [goods] { return goods ? LedgerKinds::CodeColumn : 1; };
    // A code that filled its row: a known code brings its size or price, which
    // a new article's row, typed in order, has not got yet (a typed model
    // says nothing: it comes before the code).
    hooks.columnAfter = [goods](const QModelIndex &committed) {
        const auto has = [&committed](int c) {
            return !committed.sibling(committed.row(), c).data().toString().isEmpty();
        };
        const bool filled = goods && committed.column() == LedgerKinds::CodeColumn
            && (has(LedgerKinds::SizeColumn) || has(LedgerKinds::PriceColumn));
        return filled ? LedgerKinds::NumColumn : -1;
    };
    hooks.choicesShown = [this] { return m_editing->TypeAheadShown(); };
    hooks.pick = [this](const QModelIndex &cell) {
        const bool picked = m_editing->HasPicker() && cell.column() == LedgerKinds::WarehouseColumn;
        m_editing->CellChoseProcess(cell);
        return picked;
    };
    return hooks;
}

LedgerModel *LedgerPages::Model(const PageKind &page) const { return m_pages.value(&page).model; }

LedgerModel *LedgerPages::ModelOf(const QString &tableName) const
{
    const PageKind *page = LedgerKinds::FindByTable(tableName);
    return page ? Model(*page) : nullptr;
}

QTableView *LedgerPages::View(const PageKind &page) const { return m_pages.value(&page).view; }

QSortFilterProxyModel *LedgerPages::Filter(const PageKind &page) const { return m_pages.value(&page).filter; }

void LedgerPages::SetRelogin(std::function<bool()> relogin)
{
    m_relogin = relogin;
    m_backup->SetRelogin(std::move(relogin));
}

void LedgerPages::SetBackupFolder(const QString &folder) { m_backup->SetBackupFolder(folder); }

bool LedgerPages::fillingTables() const
{
    if (IsLoading())
        return true;
    for (const Page &p : m_pages) {
        if (p.model->Filling())
            return true;
    }
    return false;
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

RowChoices LedgerPages::Choices() const { return RowChoices::Read(*m_source); }

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

void LedgerPages::WaitForLoad()
{
    if (m_loadWorker)
        m_loadWorker->wait();
}

void LedgerPages::RefreshTab() { StartLoad(); }

void LedgerPages::ShowTabData()
{
    if (IsLoading())
        return; // the worker's finish shows them
    // The pages take the lists over; the totals follow each page once summed.
    for (int k = 0; k < GoodsKind::StoredCount; ++k) {
        const PageKind &page = *LedgerKinds::Find(Group::Goods, k);
        Model(page)->SetGoodsRows(std::move(m_lists.pageGoodsLists[k]), true);
        m_lists.pageGoodsLists[k] = GoodsList();
        emit PageFilled(page);
    }
    for (int k = 0; k < FinanceKind::StoredCount; ++k) {
        const PageKind &page = *LedgerKinds::Find(Group::Finance, k);
        Model(page)->SetFinanceRows(std::move(m_lists.pageFinanceLists[k]), true);
        m_lists.pageFinanceLists[k] = FinanceList();
        emit PageFilled(page);
    }
    // The first load and every reload show today's rows.
    const QString today =
        QStringLiteral("今天 %1").arg(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    for (const PageKind &page : LedgerKinds::Pages()) {
        if (page.IsStored())
            SetCaption(page, today);
    }
    emit TabDataShown();
    if (m_reloadPending) {
        m_reloadPending = false;
        StartLoad();
    }
}

void LedgerPages::ShowGoodsRows(const PageKind &page, GoodsList rows)
{
    if (LedgerModel *model = Model(page)) {
        model->SetGoodsRows(std::move(rows));
        emit PageFilled(page);
    }
}

void LedgerPages::ShowFinanceRows(const PageKind &page, FinanceList rows)
{
    if (LedgerModel *model = Model(page)) {
        model->SetFinanceRows(std::move(rows));
        emit PageFilled(page);
    }
}

void LedgerPages::SetCaption(const PageKind &page, const QString &period)
{
    m_pages[&page].period = period;
    ShowCaption(page);
}

QString LedgerPages::Caption(const PageKind &page) const
{
    const QLabel *label = m_window->findChild<QLabel *>(QStringLiteral("shown_") + page.tableName);
    return label ? label->text() : QString();
}

void LedgerPages::ShowCaption(const PageKind &page)
{
    auto *label = m_window->findChild<QLabel *>(QStringLiteral("shown_") + page.tableName);
    const Page &p = m_pages.value(&page);
    if (!label || !p.model)
        return;
    const int rows = p.model->rowCount();
    // Before its first query a computed page has no rows to count.
    if (page.IsComputed() && rows == 0 && p.period == QStringLiteral("点击查询…"))
        label->setText(p.period);
    else
        label->setText(p.period.isEmpty() ? QStringLiteral("%1 行").arg(rows)
                                          : QStringLiteral("%1，%2 行").arg(p.period).arg(rows));
}

void LedgerPages::OfferCellMenu(const PageKind &page, QTableView *view)
{
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this, view, &page](const QPoint &at) {
        const QModelIndex index = view->indexAt(at);
        if (!index.isValid())
            return;
        QMenu menu(view);
        QAction *whole = menu.addAction(QStringLiteral("查看全文"));
        NameListMenu::Offer(menu, page, index, m_addToList, [this] { RefreshNames(); });
        if (m_cellMenu)
            m_cellMenu(page, &menu, index);
        PageUndo::OfferIn(&menu, view, index);
        if (menu.exec(view->viewport()->mapToGlobal(at)) == whole)
            TabCellShowText(index);
    });
    // A double click on a cell that cannot be typed into shows its whole text.
    connect(view, &QAbstractItemView::doubleClicked, this, [this, &page](const QModelIndex &index) {
        if (!(index.flags() & Qt::ItemIsEditable)
            && !(page.IsStored() && index.column() == LedgerKinds::WarehouseColumn))
            TabCellShowText(index);
    });
}

void LedgerPages::TabCellShowText(const QModelIndex &index)
{
    if (index.isValid())
        DialogShowText::ShowText(index.data().toString(), m_window);
}

void LedgerPages::ClearPageTable(const PageKind &page)
{
    if (page.group == Group::Finance)
        ShowFinanceRows(page, FinanceList());
    else
        ShowGoodsRows(page, GoodsList());
}

// ---- editing ----

void LedgerPages::ReportSaveFailure(const QString &reason)
{
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

bool LedgerPages::ConfirmDelete()
{
    return Boxes::ConfirmDelete(m_window, QStringLiteral("删除或还原数据请慎重,确认?"));
}

void LedgerPages::ActionAdd(const PageKind &page)
{
    LedgerModel *model = Model(page);
    if (!model || !page.IsStored())
        return;
    (void)model->AddRow(); // a failure marks the new row and is reported
    if (QTableView *view = View(page))
        view->scrollToBottom();
}

void LedgerPages::ActionDelete(const PageKind &page)
{
    LedgerModel *model = Model(page);
    QTableView *view = View(page);
    if (!model || !view || !page.IsStored() || !ConfirmDelete())
        return;
    const QModelIndex current = view->currentIndex();
    const QSortFilterProxyModel *proxy = Filter(page);
    const int row = current.isValid() ? (proxy ? proxy->mapToSource(current).row() : current.row()) : -1;
    if (row < 0 || row >= model->rowCount()) {
        Boxes::Warning(m_window, QStringLiteral("warning"), QStringLiteral("请选中相应行"));
        return;
    }
    const Result deleted = model->RemoveRow(row);
    if (!deleted)
        Status(deleted.error());
}

void LedgerPages::ActionClear(const PageKind &page)
{
    LedgerModel *model = Model(page);
    if (!model || !page.IsStored() || !ConfirmDelete())
        return;
    const ReloginReason why(TableWords::ClearReason());
    if (!m_relogin || !m_relogin())
        return;
    const Result cleared = model->Clear();
    if (!cleared)
        Status(cleared.error());
}

// ---- totals ----

void LedgerPages::ComputePageTotals(const PageKind &page)
{
    if (LedgerModel *model = Model(page))
        model->ComputeTotals();
}

void LedgerPages::TotalProcess(const PageKind &page)
{
    m_lastTotalPage = &page;
    ComputePageTotals(page);
}

void LedgerPages::ShowTotalResult()
{
    if (m_lastTotalPage)
        ComputePageTotals(*m_lastTotalPage);
}
