#pragma once

#include "ledger/ledgerlists.h"
#include "ledger/ledgerrows.h"
#include "ledger/listsource.h"
#include "ledger/pagetotals.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QComboBox;
class QDate;
class QTableWidget;
class QWidget;
class ReadDatabaseThread;
struct RestoreFiles;
struct RestorePreview;
namespace LedgerKinds {
struct PageKind;
}

// The work behind the ledger pages of the main window: loading, row editing,
// totals, backup and restore. It finds the pages' widgets in the window by
// their object names (through the table of kinds), owns the record lists and
// the fillingTables flag, and keeps the window's slots one line long.
class LedgerPages : public QObject
{
    Q_OBJECT
public:
    explicit LedgerPages(QWidget *window);
    // Waits for running workers: they write into lists this object owns.
    ~LedgerPages() override;

    // Hooks the window sets. Without a re-login function clearing is refused.
    void SetListSource(const ListSource *source) { m_source = source ? source : &m_storedSource; }
    void SetListReader(ListTextSource::Reader reader)
    {
        m_readerSource = std::make_unique<ListTextSource>(std::move(reader));
        m_source = m_readerSource.get();
    }
    void SetRelogin(std::function<bool()> relogin) { m_relogin = std::move(relogin); }
    void SetStatusSink(std::function<void(const QString &)> sink) { m_status = std::move(sink); }
    void SetTypeAhead(std::function<void(QComboBox *)> show, std::function<void()> hide);
    void SetWarehousePicker(std::function<void(QTableWidget *, int, int)> open)
    {
        m_picker = std::move(open);
    }
    // Where backups go; default DbDateSave under the current folder.
    void SetBackupFolder(const QString &folder) { m_backupFolder = folder; }

    LedgerLists &lists() { return m_lists; }
    bool fillingTables() const { return m_filling; }
    void SetFillingTables(bool filling) { m_filling = filling; }
    QTableWidget *Table(const QString &tableName) const;

    // Loading (type-1 worker, then ShowTabData on the GUI thread).
    bool StartLoad();
    bool IsLoading() const;
    void ShowTabData();
    void RefreshTab();
    // Shows records on a page, as loads and query results do (fillingTables set
    // while rows are written); rows of a computed page are read-only. A big
    // page arrives in slices between events, so the window keeps responding;
    // PageFilled tells when the last row is in.
    void ShowGoodsRows(QTableWidget *table, const GoodsList &rows);
    void ShowFinanceRows(QTableWidget *table, const FinanceList &rows);
    bool FillPending(const QTableWidget *table) const;
    // Writes the rows still waiting now.
    void FinishFill(QTableWidget *table);
    RowChoices Choices() const;
    // Wires the change signals of a combo or date editor the delegate made.
    void WireEditor(QWidget *editor);

    // Editing.
    void TabCellChanged(QTableWidget *table, int row, int column);
    void GetTabDateToDb(int row, int column, const QString &sendName);
    // Reads the row, derives its amounts and stores it. Only stored pages.
    // changedColumn: the cell the user just changed (its followers are
    // recomputed); -1 when the row is saved for another reason.
    bool SaveRow(QTableWidget *table, int row, int changedColumn = -1);
    void ComboxTextChanged(QComboBox *box);
    void ComboxIndexChanged(QComboBox *box);
    void DateChanged(QWidget *editor, const QDate &date);
    void CellChoseProcess(QTableWidget *table, int row, int column);
    void ActionAdd(const QString &buttonName);
    void ActionDelete(const QString &buttonName);
    void ActionClear(const QString &buttonName);
    // The warning box before deleting, clearing and restoring; true on "确认".
    bool ConfirmDelete();

    // Totals. ComputePageTotals sums every row; an edit, an add and a delete
    // only adjust the sums by what that row adds before and after.
    void ComputePageTotals(const QString &buttonName);
    void AdjustTotals(QTableWidget *table, int row);
    void TotalProcess(const QString &buttonName);
    void ShowTotalResult();
    const QString &lastTotalButton() const { return m_lastTotalButton; }

    // Backup and restore.
    void SaveDbDate();
    void EnableAction();
    void RestoreDbDate();
    bool IsBackingUp() const;
    // Blocks until a running backup has written its file; later completion
    // notices stay silent, the window is going away.
    void WaitForBackup();

signals:
    void TabDataShown();
    void PageFilled(QTableWidget *table);
    void BackupFinished(bool written, const QString &path);

private slots:
    void OnComboText(const QString &text);
    void OnComboIndex(int index);
    void OnDate(const QDate &date);

private:
    template <typename Record>
    void ShowRecords(QTableWidget *table, const QList<Record> &rows,
                     void (*fillRow)(int, int, const Record &, QTableWidget *),
                     std::function<void()> done = {});
    // Writes rows from `from` on, for about one frame's time unless `all`,
    // then leaves the rest for the next turn of the event loop.
    template <typename Record>
    void FillSlice(QTableWidget *table, const QList<Record> &rows,
                   void (*fillRow)(int, int, const Record &, QTableWidget *), int mode, int from, bool all,
                   const std::function<void()> &done);
    // Gives a ledger table its delegate and watches its rows; once per table.
    void Adopt(QTableWidget *table);
    void ShowSums(const LedgerKinds::PageKind &page, const PageTotals::Sums &sums);
    PageTotals::RowSums CountRow(QTableWidget *table, int row, const LedgerKinds::PageKind &page,
                                 bool saveDerived);
    template <typename T>
    T *Find(const QString &name) const;
    const LedgerKinds::PageKind *PageOfButton(const QString &name,
                                              QString LedgerKinds::PageKind::*button) const;
    bool SaveEditorRow(QWidget *editor);
    // Marks a row whose save failed and says why (the first time also in a
    // box); a later successful save of the row takes the mark away.
    void ReportSave(QTableWidget *table, int row, bool saved);
    // Fills the empty goods cells of a row from the latest stored row with its code.
    void FillFromCode(QTableWidget *table, int row, int kind);
    // Marks the quantity cell of a sale, purchase return or loss that leaves its
    // article's stock below zero, and says so in the status line.
    void CheckStock(QTableWidget *table, int row, int kind);
    bool ConfirmRestore(const RestorePreview &preview, const RestoreFiles &files);
    void ShowWarning(const QString &title, const QString &text);
    void Status(const QString &text);
    ReadDatabaseThread *NewWorker(int type);
    void WaitForWorkers();

    QWidget *m_window;
    StoredListSource m_storedSource;
    std::unique_ptr<ListTextSource> m_readerSource;
    const ListSource *m_source = &m_storedSource;
    std::function<bool()> m_relogin;
    std::function<void(const QString &)> m_status;
    std::function<void(QComboBox *)> m_showTypeAhead;
    std::function<void()> m_hideTypeAhead;
    std::function<void(QTableWidget *, int, int)> m_picker;
    std::function<void(QWidget *)> m_editorHook;

    // Running totals per table; not valid after a fill or a change of rows
    // made elsewhere, until the next full recomputation.
    struct RunningSums
    {
        bool valid = false;
        PageTotals::Sums sums;
    };
    QHash<const QTableWidget *, RunningSums> m_sums;
    QHash<const QTableWidget *, quint64> m_fillGeneration;
    QHash<const QTableWidget *, std::function<void()>> m_pendingFill;
    bool m_ownRowChange = false;

    LedgerLists m_lists;
    bool m_filling = false;
    bool m_reloadPending = false;
    bool m_closing = false;
    bool m_saveFailureShown = false;
    QString m_lastTotalButton;
    QString m_backupFolder;
    bool m_lastBackupWritten = false;
    QString m_lastBackupPath;

    QPointer<ReadDatabaseThread> m_loadWorker;
    QPointer<ReadDatabaseThread> m_backupWorker;
    QList<QPointer<ReadDatabaseThread>> m_workers;
    mutable QHash<QString, QPointer<QObject>> m_widgets;
};
