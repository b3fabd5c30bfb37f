#pragma once

#include "ledger/ledgerlists.h"
#include "ledger/ledgerrows.h"
#include "ledger/listsource.h"

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
    void SetWarehousePicker(std::function<void(QTableWidget *, int, int)> open) { m_picker = std::move(open); }
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
    // Shows records on a page, as loads and query results do (fillingTables set).
    // Rows get their cell editors once they come into view; rows of a
    // computed page are read-only and get none.
    void ShowGoodsRows(QTableWidget *table, const GoodsList &rows);
    void ShowFinanceRows(QTableWidget *table, const FinanceList &rows);
    RowChoices Choices() const;
    // Wires the change signals of a combo or date editor a fill created.
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

    // Totals.
    void ComputePageTotals(const QString &buttonName);
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
    void BackupFinished(bool written, const QString &path);

private slots:
    void OnComboText(const QString &text);
    void OnComboIndex(int index);
    void OnDate(const QDate &date);

private:
    // Plain items for every row; editors come with the rows in view.
    template <typename Record>
    void ShowRecords(QTableWidget *table, const QList<Record> &rows,
                     void (*fillItems)(int, int, const Record &, QTableWidget *));
    template <typename T> T *Find(const QString &name) const;
    const LedgerKinds::PageKind *PageOfButton(const QString &name,
                                              QString LedgerKinds::PageKind::*button) const;
    bool SaveEditorRow(QWidget *editor);
    // Marks a row whose save failed and says why (the first time also in a
    // box); a later successful save of the row takes the mark away.
    void ReportSave(QTableWidget *table, int row, bool saved);
    bool ConfirmRestore(const RestorePreview &preview, const RestoreFiles &files);
    void SaveDerivedTotals(QTableWidget *table, const QList<int> &rows);
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
    LedgerRows::EditorHook m_editorHook;
    InViewEditors *m_inView;

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
