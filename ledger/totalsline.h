#pragma once

#include <QObject>
#include <QPointer>

class LedgerModel;
class PageView;
class QLineEdit;
class QWidget;
namespace LedgerKinds {
struct PageKind;
}

// The totals line under a page: the page model's sums in the page's line
// edits, or, while the page's filter hides rows, the sums of the rows shown.
class TotalsLine : public QObject
{
    Q_OBJECT
public:
    // Finds the line edits in the window by the names the table of kinds gives.
    TotalsLine(const LedgerKinds::PageKind &page, LedgerModel *model, PageView *view, QWidget *window);

    // Writes the sums the model holds now.
    void Show();

private:
    const LedgerKinds::PageKind &m_page;
    LedgerModel *m_model;
    QPointer<PageView> m_view;
    QPointer<QLineEdit> m_total;
    QPointer<QLineEdit> m_paid;
    QPointer<QLineEdit> m_debt;
};
