// The query dialog, the query runner and the rows a query brings to its page;
// the model filter of the stock page.
#include "app/mainwindow.h"

#include "analytics/stockcompute.h"
#include "db/listtables.h"
#include "ledger/dialogquery.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgerpages.h"
#include "masterdata/dialoginfotodb.h"
#include "masterdata/dialogusermge.h"
#include "masterdata/listdialogsources.h"
#include "query/queryprocess.h"

#include <QComboBox>
#include <QDebug>
#include <QSignalBlocker>

namespace {

LedgerKinds::Group GroupOfQuery(int group)
{
    return group == QueryGroup::Sales  ? LedgerKinds::Group::Sales
        : group == QueryGroup::Finance ? LedgerKinds::Group::Finance
                                       : LedgerKinds::Group::Goods;
}

} // namespace

void MainWindow::CreateQueryDialog()
{
    m_queryDlg = new DialogQuery(this);
    m_queryDlg->hide();
    m_queryDlg->SetSources(ListDialogSources::ListValues(m_infoDlg, m_personDlg),
                           ListDialogSources::WarehousePicker(m_storeSetDlg));
    connect(m_queryDlg, &DialogQuery::sendQueryCmd, this, &MainWindow::QueryProcess);

    m_queryScheduler = new QueryScheduler(&Ledger()->lists(), this);
    m_queryScheduler->SetResultEmitter([this](int code) { emit SendQueryResultDate(code); });

    if (QComboBox *models = ModelCombo()) {
        connect(models, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &MainWindow::ShowStockOfModel);
    }
    RefillModelCombo();

    AddChartButtons();
}

void MainWindow::HideQueryDialog()
{
    if (m_queryDlg)
        m_queryDlg->hide();
}

void MainWindow::ReloadQueryChoices()
{
    if (m_queryDlg)
        m_queryDlg->RefreshLists();
    RefillModelCombo();
}

void MainWindow::RefillModelCombo()
{
    QComboBox *box = ModelCombo();
    if (!box)
        return;
    const QString chosen = box->currentText();
    QStringList models = m_infoDlg ? m_infoDlg->ColumnValues(ListNo::GoodsModel, 0) : QStringList();
    models.removeAll(QString());
    models << StockCompute::AllModelsText();
    {
        const QSignalBlocker blocker(box);
        box->clear();
        box->addItems(models);
        // Nothing chosen yet, or the chosen model is gone: show every row.
        const int keep = box->findText(chosen);
        box->setCurrentIndex(keep >= 0 ? keep : box->count() - 1);
    }
    if (box->currentText() != chosen)
        ShowStockOfModel();
    box->show();
}

void MainWindow::ShowStockOfModel()
{
    if (!m_stockCode || !m_ledger)
        return;
    const LedgerKinds::PageKind *page = LedgerKinds::Find(LedgerKinds::Group::Goods, GoodsKind::CurrentStock);
    const QComboBox *box = ModelCombo();
    m_ledger->ShowGoodsRows(
        *page,
        QueryWork::GoodsRowsToShow(m_stockCode, m_ledger->lists(), box ? box->currentText() : QString()));
}

void MainWindow::ActionQuery()
{
    if (!m_queryDlg)
        return;
    m_queryDlg->show();
    m_queryDlg->raise();
    m_queryDlg->SetPageFromButton(sender() ? sender()->objectName() : QString());
}

void MainWindow::QueryProcess()
{
    if (!m_queryDlg || !m_queryScheduler)
        return;
    ShowStatusMessage(QStringLiteral("数据查询开始,请勿操作，耐心等待..."));
    QueryRequest request = m_queryDlg->Request();
    request.userType = m_user.userType;

    // Only the asking page is emptied; any other group and kind empties nothing.
    const LedgerKinds::PageKind *page = request.IsValidPage()
        ? LedgerKinds::Find(GroupOfQuery(request.pageGroup), request.pageKind)
        : nullptr;
    if (page) {
        Ledger()->ClearPageTable(*page);
        if (request.IsStockPage())
            m_stockCode = 0;
    }
    m_queryScheduler->Start(request);
}

void MainWindow::ShowQueryResultData(int result)
{
    // False when a newer query was waiting and has now started.
    if (!m_queryScheduler || !m_queryScheduler->Accept(result))
        return;
    const QueryRequest &request = m_queryScheduler->request();
    if (result == QueryResultCode::ProfitAll)
        qDebug() << "PorcessPofit 9";
    if (QueryResultCode::GroupOf(result) != 0) {
        ShowQueryRows(request.pageGroup, request.pageKind, result);
        if (const LedgerKinds::PageKind *page =
                LedgerKinds::Find(GroupOfQuery(request.pageGroup), request.pageKind)) {
            const bool everything = request.noContentFilter && request.dateMode == QueryDateMode::AllTime;
            Ledger()->SetCaption(*page, everything ? QStringLiteral("全部记录") : request.PeriodText());
        }
    }
    const QueryOutcome &outcome = m_queryScheduler->outcome();
    ShowStatusMessage(outcome.ok ? QStringLiteral("当前查询完成！")
                                 : QStringLiteral("查询没有完成,%1").arg(outcome.error));
}

void MainWindow::ShowQueryRows(int group, int kind, int code)
{
    const LedgerKinds::PageKind *page = LedgerKinds::Find(GroupOfQuery(group), kind);
    if (!page)
        return;
    if (group == QueryGroup::Finance) {
        Ledger()->ShowFinanceRows(*page, QueryWork::FinanceRowsToShow(code, Ledger()->lists()));
        return;
    }
    QString model;
    if (group == QueryGroup::Goods && kind == GoodsKind::CurrentStock) {
        m_stockCode = code;
        if (QComboBox *box = ModelCombo()) {
            model = box->currentText();
            box->show();
        }
    }
    Ledger()->ShowGoodsRows(*page, QueryWork::GoodsRowsToShow(code, Ledger()->lists(), model));
}
