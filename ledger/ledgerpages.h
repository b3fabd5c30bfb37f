#pragma once

#include "ledger/ledgerlists.h"
#include "ledger/listsource.h"
#include "ledger/namelistmenu.h"
#include "ledger/namelists.h"
#include "widgets/registerkeys.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class BackupRestore;
class CellEditing;
class LedgerModel;
class QMenu;
class QModelIndex;
class QSortFilterProxyModel;
class QTableView;
class QWidget;
class ReadDatabaseThread;
class TotalsLine;
namespace LedgerKinds {
struct PageKind;
}

// The ledger pages of a window: one LedgerModel per page, shown by the
// window's table view of that page (found once by its object name) through
// the page's filter. Loads pages through the worker, hands the page buttons'
// work to the models and says in the window what a model reports (a failed
// save, a refused number, a short stock).
class LedgerPages : public QObject
{
    Q_OBJECT
public:
    explicit LedgerPages(QWidget *window);
    // Waits for running workers: they write into lists this object owns.
    ~LedgerPages() override;

    // Hooks the window sets. Without a re-login function clearing is refused.
    void SetListSource(const ListSource *source)
    {
        m_source = source ? source : &m_storedSource;
        RefreshNames();
    }
    void SetListReader(ListTextSource::Reader reader)
    {
        m_readerSource = std::make_unique<ListTextSource>(std::move(reader));
        m_source = m_readerSource.get();
        RefreshNames();
    }
    // Puts a name into a people list, for the cells' "加入名单".
    void SetListAdder(NameListMenu::Adder add) { m_addToList = std::move(add); }
    // The lists changed: names typed on every page are checked anew.
    void RefreshNames() { m_names.Reset(RowChoices::Read(*m_source)); }
    void SetRelogin(std::function<bool()> relogin);
    void SetStatusSink(std::function<void(const QString &)> sink) { m_status = std::move(sink); }
    void SetBackupFolder(const QString &folder);
    // More entries for a cell's context menu (index of the page's view).
    using CellMenuHook = std::function<void(const LedgerKinds::PageKind &, QMenu *, const QModelIndex &)>;
    void SetCellMenuHook(CellMenuHook hook) { m_cellMenu = std::move(hook); }

    LedgerLists &lists() { return m_lists; }
    BackupRestore *backup() const { return m_backup; }
    // The cell editors' glue: the item list, the warehouse picker, the combo and date commits.
    CellEditing *editing() const { return m_editing; }
    // The loading state: true while a load runs or a filled page is still being summed.
    bool fillingTables() const;

    LedgerModel *Model(const LedgerKinds::PageKind &page) const;
    LedgerModel *ModelOf(const QString &tableName) const;
    QTableView *View(const LedgerKinds::PageKind &page) const;
    QSortFilterProxyModel *Filter(const LedgerKinds::PageKind &page) const;
    RowChoices Choices() const;

    // Loading (type-1 worker, then ShowTabData on the GUI thread).
    bool StartLoad();
    bool IsLoading() const;
    void WaitForLoad();
    void ShowTabData();
    void RefreshTab();
    // Shows records on a page, as a query result does.
    void ShowGoodsRows(const LedgerKinds::PageKind &page, GoodsList rows);
    void ShowFinanceRows(const LedgerKinds::PageKind &page, FinanceList rows);
    void ClearPageTable(const LedgerKinds::PageKind &page);
    // What a page's rows are ("今天 2026-12-06", "全部记录", "A 至 B"), shown
    // beside its buttons with the row count.
    void SetCaption(const LedgerKinds::PageKind &page, const QString &period);
    QString Caption(const LedgerKinds::PageKind &page) const;

    // Shows the whole text of a cell (a long remark) in "选中内容".
    void TabCellShowText(const QModelIndex &index);
    void ActionAdd(const LedgerKinds::PageKind &page);
    void ActionDelete(const LedgerKinds::PageKind &page);
    void ActionClear(const LedgerKinds::PageKind &page);
    // The warning box before deleting, clearing and restoring; true on "确认".
    bool ConfirmDelete();

    // Totals.
    void ComputePageTotals(const LedgerKinds::PageKind &page);
    void TotalProcess(const LedgerKinds::PageKind &page);
    void ShowTotalResult();

    ReadDatabaseThread *NewWorker(int type);
    void Status(const QString &text);

signals:
    void TabDataShown();
    // A page holds new rows (a load or a query result).
    void PageFilled(const LedgerKinds::PageKind &page);

private:
    void Adopt(const LedgerKinds::PageKind &page);
    void ShowCaption(const LedgerKinds::PageKind &page);
    void OfferCellMenu(const LedgerKinds::PageKind &page, QTableView *view);
    RegisterKeys::Hooks RegisterHooks(const LedgerKinds::PageKind &page);
    void ReportSaveFailure(const QString &reason);
    void WaitForWorkers();

    QWidget *m_window;
    StoredListSource m_storedSource;
    std::unique_ptr<ListTextSource> m_readerSource;
    const ListSource *m_source = &m_storedSource;
    std::function<bool()> m_relogin;
    std::function<void(const QString &)> m_status;
    NameListMenu::Adder m_addToList;
    NameLists m_names;
    CellMenuHook m_cellMenu;

    struct Page
    {
        LedgerModel *model = nullptr;
        QSortFilterProxyModel *filter = nullptr;
        QPointer<QTableView> view;
        TotalsLine *totals = nullptr;
        RegisterKeys *keys = nullptr;
        QString period;
    };
    QHash<const LedgerKinds::PageKind *, Page> m_pages;

    LedgerLists m_lists;
    BackupRestore *m_backup = nullptr;
    CellEditing *m_editing = nullptr;
    bool m_reloadPending = false;
    bool m_saveFailureShown = false;
    const LedgerKinds::PageKind *m_lastTotalPage = nullptr;

    QPointer<ReadDatabaseThread> m_loadWorker;
    QList<QPointer<ReadDatabaseThread>> m_workers;
};
