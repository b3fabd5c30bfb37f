#include "ledger/totalsline.h"

#include "db/numbertext.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgermodel.h"
#include "widgets/pageview.h"

#include <QLineEdit>
#include <QSortFilterProxyModel>

TotalsLine::TotalsLine(const LedgerKinds::PageKind &page, LedgerModel *model, PageView *view, QWidget *window)
    : QObject(model), m_page(page), m_model(model), m_view(view)
{
    auto find = [window](const QString &name) {
        return name.isEmpty() ? nullptr : window->findChild<QLineEdit *>(name);
    };
    m_total = find(page.totalEdit);
    m_paid = find(page.paidEdit);
    m_debt = find(page.debtEdit);
    connect(model, &LedgerModel::TotalsChanged, this, &TotalsLine::Show);
    if (view) {
        // A filter changed shows the sums of what it shows; sums not yet
        // known are counted first, and shown when they are.
        connect(view, &PageView::ShownRowsChanged, this, [this] {
            if (m_model->TotalsValid())
                Show();
            else if (!m_model->Filling())
                m_model->ComputeTotals();
        });
    }
}

void TotalsLine::Show()
{
    // Rows the page's filter hides do not count: the totals say "筛选后".
    PageTotals::Sums shown;
    const PageTotals::Sums *sums = &m_model->Totals();
    if (m_view && m_view->Filtering() && m_view->proxy()) {
        const QSortFilterProxyModel *proxy = m_view->proxy();
        for (int r = 0; r < proxy->rowCount(); ++r)
            shown.Add(m_model->RowShare(proxy->mapToSource(proxy->index(r, 0)).row()));
        sums = &shown;
    }
    if (m_total)
        m_total->setText(NumberText::ToText(sums->total.Value()));
    if (m_page.group == LedgerKinds::Group::Finance)
        return;
    if (m_paid)
        m_paid->setText(NumberText::ToText(sums->paid.Value()));
    if (m_debt)
        m_debt->setText(NumberText::ToText(sums->unpaid.Value()));
}
