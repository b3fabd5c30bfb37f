// The 图表 buttons of the sales statistics and profit pages and the chart they open.
#include "app/mainwindow.h"

#include "analytics/chartscript.h"
#include "analytics/dialogshowgraph.h"
#include "analytics/salesstatistics.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgermodel.h"
#include "ledger/ledgerpages.h"
#include "query/queryprocess.h"

#include <QBoxLayout>
#include <QPushButton>

namespace {

QBoxLayout *LayoutHolding(QLayout *layout, QWidget *widget)
{
    if (!layout)
        return nullptr;
    if (layout->indexOf(widget) >= 0)
        return qobject_cast<QBoxLayout *>(layout);
    for (int i = 0; i < layout->count(); ++i) {
        if (QBoxLayout *found = LayoutHolding(layout->itemAt(i)->layout(), widget))
            return found;
    }
    return nullptr;
}

} // namespace

void MainWindow::AddChartButtons()
{
    // 图表 stands after the export button of the pages that have one.
    for (const LedgerKinds::PageKind &page : LedgerKinds::Pages()) {
        if (page.chartButton.isEmpty())
            continue;
        auto *anchor = findChild<QPushButton *>(page.exportButton);
        QBoxLayout *row = anchor && anchor->parentWidget()
            ? LayoutHolding(anchor->parentWidget()->layout(), anchor)
            : nullptr;
        if (!row)
            continue;
        auto *chart = new QPushButton(QStringLiteral("图表"), anchor->parentWidget());
        chart->setObjectName(page.chartButton);
        chart->setStyleSheet(anchor->styleSheet());
        row->insertWidget(row->indexOf(anchor) + 1, chart);
        connect(chart, &QPushButton::clicked, this, &MainWindow::ShowPageChart);
    }
}

void MainWindow::ShowPageChart()
{
    const QString name = sender() ? sender()->objectName() : QString();
    const LedgerKinds::PageKind *page = LedgerKinds::FindByWidget(name);
    if (!page || page->chartButton != name)
        return;
    if (!m_graphDlg)
        m_graphDlg = new DialogShowGraph(this);
    const QueryRequest *last = m_queryScheduler ? &m_queryScheduler->request() : nullptr;
    // The rows as the page shows them.
    const LedgerModel *model = Ledger()->Model(*page);
    if (page->group == LedgerKinds::Group::Sales) {
        GoodsList rows;
        for (int r = 0; r < model->rowCount(); ++r) {
            GoodsRecord record;
            record.tabType = GoodsKind::Sale;
            for (int c = 0; c < GoodsRecord::TextCount; ++c)
                record.setText(c, model->Text(r, c));
            rows << record;
        }
        // The period only when the page shows the last query's result.
        const bool ours = last && last->pageGroup == QueryGroup::Sales && last->pageKind == page->kind;
        const QString period = ours ? last->PeriodText() : QString();
        if (!page->totalsItem.isEmpty()) // 毛利统计, 全店汇总
            m_graphDlg->ShowChart(
                ChartScript::FromMarginRows(rows, page->titleText, page->totalsItem, period));
        else
            m_graphDlg->ShowChart(page->kind == SalesStatistics::SalesRows
                                      ? ChartScript::FromSalesRows(rows, period)
                                      : ChartScript::FromSummaryRows(rows, page->titleText,
                                                                     page->kind == SalesStatistics::Debts,
                                                                     period));
    } else {
        FinanceList rows;
        for (int r = 0; r < model->rowCount(); ++r) {
            FinanceRecord record;
            record.tabType = FinanceKind::Profit;
            for (int c = 0; c < FinanceRecord::TextCount; ++c)
                record.setText(c, model->Text(r, c));
            rows << record;
        }
        const bool ours = last && last->IsProfitPage();
        m_graphDlg->ShowChart(ChartScript::FromProfitRows(rows, ours ? last->PeriodText() : QString()));
    }
}
