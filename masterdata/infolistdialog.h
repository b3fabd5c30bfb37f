#pragma once

#include "db/listtables.h"
#include "db/records.h"
#include "db/result.h"

#include <QDialog>
#include <QStringList>
#include <QVector>
#include <functional>

class QTabWidget;
class QTableWidget;

// The list machinery shared by the master data and the people dialogs: one
// table per list, each edit writes the whole table back to the store at once.
class InfoListDialog : public QDialog
{
    Q_OBJECT
public:
    ~InfoListDialog() override;

    int listKind() const { return m_listKind; }
    const QVector<ListTableDef> &tables() const { return m_defs; }

    // The lists as the other windows should see them: loaded, then kept in
    // step with every save, delete and clear. Out-of-range types give an empty list.
    InfoList CurrentList(int infoType) const;
    InfoList LoadedList(int infoType) const;
    // Field `position` (0 = the table's column 1) of every row of a current list.
    QStringList ColumnValues(int infoType, int position) const;

    // A name put into a list from a ledger cell: a new last row with the name
    // in its first field, stored and announced as a row typed in here would
    // be. A name already there is left as it is; a failed save takes the row
    // away again and says why.
    Result AddName(int infoType, const QString &name);

    // The table of a list, or nullptr when this dialog has none for it.
    QTableWidget *Table(int infoType) const;

    void SetCurrentTab(int index, bool visible);

    // The re-login that clearing a table asks for (the window hands in the
    // login dialog's check); true lets the clear go on, none set refuses.
    void SetRelogin(std::function<bool()> relogin) { m_relogin = std::move(relogin); }

signals:
    void sendRefresh();

public slots:
    void TabCellChanged(int row, int column);
    void BtnAddAction();
    void BtnDelAction();
    void BtnClrAction();
    void BtnHideAction();
    void InportProcess();
    void ExportProcess();
    void ShowResult();

protected:
    InfoListDialog(int listKind, const QVector<ListTableDef> &defs, QWidget *parent);

    // Builds one tab per list into tabs, reads the lists, fills the tables and
    // wires them. Called by the subclass once its form exists.
    void Setup(QTabWidget *tabs);

    QTabWidget *tabWidget() const { return m_tabs; }
    int TabOfTable(const QString &objectName) const;

    // Writes the table of the named list; the people dialog also rewrites the accounts.
    virtual void SaveTableByName(const QString &objectName);
    void SaveTableToList(int tabIndex);
    // The list text of a tab's table as it stands.
    InfoList TableList(int tabIndex) const;
    // A row that the user deletes, just before it goes; false keeps it
    // (the failure has been reported).
    virtual bool RowAboutToBeRemoved(int tabIndex, int row);
    // A table the user empties after confirmation and re-login, before its
    // rows go; false keeps them (the failure has been reported).
    virtual bool TableCleared(int tabIndex);
    // "保存失败：<reason>" with the store's last error.
    void ReportStoreFailure(const Result &failure);

    bool ConfirmDelete();
    void ShowWarning(const QString &text);

    bool m_busy = false;

private:
    void ReadInfoLists();
    void FillTableFromList(const QString &text, QTableWidget *table);
    void FillRow(QTableWidget *table, int row, const QStringList &fields);
    void AddEmptyRow(QTableWidget *table);
    void DeleteSelectedRow(int tabIndex);
    bool DropList(int tabIndex);
    void ApplyTableAppearance(QTableWidget *table);
    int TabOfButton(ListTables::Button family) const;
    QString StoredText(int infoType, int row, int column) const;

    const int m_listKind;
    const QVector<ListTableDef> m_defs;
    QVector<QTableWidget *> m_tableWidgets;
    QTabWidget *m_tabs = nullptr;
    QVector<InfoList> m_loadedLists;
    QVector<InfoList> m_currentLists;
    std::function<bool()> m_relogin;
};
