#pragma once

#include "db/changelog.h"

#include <QDialog>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QStandardItemModel;
class QTableView;
namespace LedgerKinds {
struct PageKind;
}

// 修改记录: the change log as a table. For one row (from a cell's menu) it
// lists that row's changes; for the window it lists a period's changes,
// filtered by account and page. Types 1 and 2 see every change, the other
// types their own.
class HistoryDialog : public QDialog
{
    Q_OBJECT
public:
    explicit HistoryDialog(QWidget *parent = nullptr);

    // The logged-in user's type, which decides whose changes are shown.
    static void SetViewerType(int userType);
    static void ShowRow(QWidget *parent, const LedgerKinds::PageKind &page, const QString &serial);
    static void ShowPeriod(QWidget *parent);

    // Reads and shows the entries the filter (narrowed to what the viewer may see) selects.
    void Show(const ChangeLog::Filter &filter);
    QTableView *table() const { return m_table; }

private:
    void Query();

    QWidget *m_filters;
    QDateEdit *m_from;
    QDateEdit *m_to;
    QLineEdit *m_account;
    QComboBox *m_page;
    QTableView *m_table;
    QStandardItemModel *m_rows; // the entries shown, one per row
};
