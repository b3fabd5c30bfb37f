// Work that belongs to the page, query, exchange, backup and side-dialog code.
// Each body is replaced where that work is written; until then they do nothing
// and report nothing.
#include "app/mainwindow.h"

#include "app/dialoglogin.h"
#include "widgets/modalseam.h"
#include "analytics/chartscript.h"
#include "analytics/dialogshowgraph.h"
#include "analytics/salesstatistics.h"
#include "analytics/stockcompute.h"
#include "exchange/ledgerexchange_window.h"
#include "exchange/printwidget.h"
#include "ledger/ledgerkinds.h"
#include "ledger/dialogquery.h"
#include "ledger/ledgerpages.h"
#include "ledger/ledgerrows.h"
#include "ledger/queryprocess.h"
#include "masterdata/dialoginfotodb.h"
#include "masterdata/dialogstoreset.h"
#include "masterdata/dialogusermge.h"
#include "masterdata/itemlistwidget.h"
#include "masterdata/listtables.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QDebug>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>

LedgerPages *MainWindow::Ledger()
{
    if (m_ledger)
        return m_ledger;
    m_ledger = new LedgerPages(this);
    m_ledger->SetStatusSink([this](const QString &text) { ShowStatusMessage(text); });
    m_ledger->SetRelogin(&DialogLogin::ConfirmPrivileged);
    // The cells offer the lists as the list dialogs hold them, edits included.
    if (m_infoDlg && m_personDlg) {
        m_ledger->SetListReader([this](int storeKind, int infoType) {
            const InfoListDialog *dialog = storeKind == InfoStore::People
                ? static_cast<InfoListDialog *>(m_personDlg) : static_cast<InfoListDialog *>(m_infoDlg);
            return dialog->CurrentList(infoType).list;
        });
    }
    m_ledger->SetTypeAhead(
        [this](QComboBox *box) {
            if (m_itemList)
                m_itemList->ComboChangeProcess(box, this);
        },
        [this] {
            if (m_itemList)
                m_itemList->hide();
        });
    m_ledger->SetWarehousePicker([this](QTableWidget *table, int row, int column) {
        if (!m_storeSetDlg)
            return;
        m_storeSetDlg->SetTarget(table, row, column);
        m_storeSetDlg->show();
        m_storeSetDlg->raise();
        m_storeSetDlg->activateWindow();
    });
    return m_ledger;
}

void MainWindow::StartFirstLoad() { Ledger()->StartLoad(); }
void MainWindow::ShowTabData() { Ledger()->ShowTabData(); }
void MainWindow::RefreshTab() { Ledger()->RefreshTab(); }
void MainWindow::ActionAdd() { Ledger()->ActionAdd(sender() ? sender()->objectName() : QString()); }
void MainWindow::ActionDelete() { Ledger()->ActionDelete(sender() ? sender()->objectName() : QString()); }
void MainWindow::ActionClear() { Ledger()->ActionClear(sender() ? sender()->objectName() : QString()); }
void MainWindow::TotalProcess() { Ledger()->TotalProcess(sender() ? sender()->objectName() : QString()); }
void MainWindow::ShowTotalResult() { Ledger()->ShowTotalResult(); }
void MainWindow::TabCellChanged(int row, int column)
{
    Ledger()->TabCellChanged(qobject_cast<QTableWidget *>(sender()), row, column);
}
void MainWindow::GetTabDateToDb(int row, int column, const QString &sendName)
{
    Ledger()->GetTabDateToDb(row, column, sendName);
}
void MainWindow::CellChoseProcess(int row, int column)
{
    Ledger()->CellChoseProcess(qobject_cast<QTableWidget *>(sender()), row, column);
}
// The cell editors are wired to the ledger pages directly; these serve any
// other box or date editor connected to the window.
void MainWindow::ComboxTextChanged(const QString &) { Ledger()->ComboxTextChanged(qobject_cast<QComboBox *>(sender())); }
void MainWindow::ComboxIndexChanged(int) { Ledger()->ComboxIndexChanged(qobject_cast<QComboBox *>(sender())); }
void MainWindow::DateChanged(const QDate &date) { Ledger()->DateChanged(qobject_cast<QWidget *>(sender()), date); }
void MainWindow::SaveDbDate() { Ledger()->SaveDbDate(); }
void MainWindow::EnableAction() { Ledger()->EnableAction(); }
void MainWindow::RestoreDbDate() { Ledger()->RestoreDbDate(); }
void MainWindow::WaitForBackup()
{
    if (m_ledger)
        m_ledger->WaitForBackup();
}

void MainWindow::InportProcess()
{
    const QString name = sender() ? sender()->objectName() : QString();
    const LedgerKinds::PageKind *page = LedgerKinds::FindByWidget(name);
    if (!page || page->importButton != name)
        return;
    LedgerExchange::ImportHooks hooks;
    hooks.status = [this](const QString &text) { ShowStatusMessage(text); };
    hooks.setFilling = [this](bool on) { Ledger()->SetFillingTables(on); };
    const int kind = page->group == LedgerKinds::Group::Finance ? LedgerExchange::FinancePage
                                                                : LedgerExchange::GoodsPage;
    LedgerExchange::ImportLedger(kind, Table(page->tableName), this, hooks);
}
void MainWindow::ExportProcess()
{
    const QString name = sender() ? sender()->objectName() : QString();
    const LedgerKinds::PageKind *page = LedgerKinds::FindByWidget(name);
    if (!page || page->exportButton != name)
        return;
    // The stock and sales statistics pages go out as goods pages, profit as a finance page.
    const int kind = page->group == LedgerKinds::Group::Finance ? LedgerExchange::FinancePage
                                                                : LedgerExchange::GoodsPage;
    // Every row of a page still arriving goes out, not only those shown so far.
    Ledger()->FinishFill(Table(page->tableName));
    const LedgerExchange::ExportResult result =
        LedgerExchange::ExportLedger(kind, Table(page->tableName), this);
    if (!result.cancelled)
        ShowStatusMessage(LedgerExchange::ExportStatusText(result));
}
void MainWindow::PrintActionProcess()
{
    const QString name = sender() ? sender()->objectName() : QString();
    const LedgerKinds::PageKind *page = LedgerKinds::FindByWidget(name);
    if (!page || page->printButton != name)
        return;
    const PrintResult result = PrintWidget(Table(page->tableName), this);
    // A PDF that failed has had its box; a printer that failed is told here.
    if (result.outcome == PrintOutcome::Failed && result.fileName.isEmpty())
        ShowStatusMessage(QStringLiteral("打印没有完成: %1").arg(result.error));
}

// ---- queries ----

namespace {

LedgerKinds::Group GroupOfQuery(int group)
{
    return group == QueryGroup::Sales ? LedgerKinds::Group::Sales
         : group == QueryGroup::Finance ? LedgerKinds::Group::Finance : LedgerKinds::Group::Goods;
}

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

// The period of a query, as the chart's subtitle.
QString PeriodText(const QueryRequest &r)
{
    switch (r.dateMode) {
    case QueryDateMode::Day: return r.dateTo;
    case QueryDateMode::Month: return r.dateTo.left(7);
    case QueryDateMode::Year: return r.dateTo.left(4);
    case QueryDateMode::Period: return QStringLiteral("%1 至 %2").arg(r.dateFrom, r.dateTo);
    default: return QStringLiteral("所有时间");
    }
}

} // namespace

void MainWindow::CreateQueryDialog()
{
    m_queryDlg = new DialogQuery(this);
    m_queryDlg->hide();
    m_queryDlg->SetSources(m_infoDlg, m_personDlg, m_storeSetDlg);
    connect(m_queryDlg, &DialogQuery::sendQueryCmd, this, &MainWindow::QueryProcess);

    m_queryRunner = new QueryRunner(&Ledger()->lists(), this);
    m_queryRunner->SetResultEmitter([this](int code) { emit SendQueryResultDate(code); });

    if (QComboBox *models = ModelCombo()) {
        connect(models, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &MainWindow::ShowStockOfModel);
    }
    RefillModelCombo();

    // 图表 stands after the export button of the pages that have one.
    for (const LedgerKinds::PageKind &page : LedgerKinds::Pages()) {
        if (page.chartButton.isEmpty())
            continue;
        auto *anchor = findChild<QPushButton *>(page.exportButton);
        QBoxLayout *row = anchor && anchor->parentWidget()
            ? LayoutHolding(anchor->parentWidget()->layout(), anchor) : nullptr;
        if (!row)
            continue;
        auto *chart = new QPushButton(QStringLiteral("图表"), anchor->parentWidget());
        chart->setObjectName(page.chartButton);
        chart->setStyleSheet(anchor->styleSheet());
        row->insertWidget(row->indexOf(anchor) + 1, chart);
        connect(chart, &QPushButton::clicked, this, &MainWindow::ShowPageChart);
    }
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
    QStringList models = m_infoDlg ? m_infoDlg->ColumnValues(ListTables::GoodsModel, 0) : QStringList();
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
    m_ledger->ShowGoodsRows(Table(page->tableName),
                            QueryRun::GoodsRowsToShow(m_stockCode, m_ledger->lists(),
                                                      box ? box->currentText() : QString()));
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
    if (!m_queryDlg || !m_queryRunner)
        return;
    ShowStatusMessage(QStringLiteral("数据查询开始,请勿操作，耐心等待..."));
    QueryRequest request = m_queryDlg->Request();
    request.userType = m_user.userType;

    // Only the asking page is emptied; any other group and kind empties nothing.
    const LedgerKinds::PageKind *page = request.IsValidPage()
        ? LedgerKinds::Find(GroupOfQuery(request.pageGroup), request.pageKind) : nullptr;
    if (QTableWidget *table = page ? Table(page->tableName) : nullptr) {
        const bool wasFilling = Ledger()->fillingTables();
        Ledger()->SetFillingTables(true);
        table->setRowCount(0);
        Ledger()->SetFillingTables(wasFilling);
        if (request.IsStockPage())
            m_stockCode = 0;
    }
    m_queryRunner->Start(request);
}

void MainWindow::ShowQueryResultData(int result)
{
    // False when a newer query was waiting and has now started.
    if (!m_queryRunner || !m_queryRunner->Accept(result))
        return;
    const QueryRequest &request = m_queryRunner->request();
    if (result == QueryResult::ProfitAll)
        qDebug() << "PorcessPofit 9";
    if (QueryResult::GroupOf(result) != 0)
        ShowQueryRows(request.pageGroup, request.pageKind, result);
    const QueryOutcome &outcome = m_queryRunner->outcome();
    ShowStatusMessage(outcome.ok ? QStringLiteral("当前查询完成！")
                                 : QStringLiteral("查询没有完成,%1").arg(outcome.error));
}

void MainWindow::ShowQueryRows(int group, int kind, int code)
{
    const LedgerKinds::PageKind *page = LedgerKinds::Find(GroupOfQuery(group), kind);
    QTableWidget *table = page ? Table(page->tableName) : nullptr;
    if (!table)
        return;
    if (group == QueryGroup::Finance) {
        Ledger()->ShowFinanceRows(table, QueryRun::FinanceRowsToShow(code, Ledger()->lists()));
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
    Ledger()->ShowGoodsRows(table, QueryRun::GoodsRowsToShow(code, Ledger()->lists(), model));
}

void MainWindow::ShowPageChart()
{
    const QString name = sender() ? sender()->objectName() : QString();
    const LedgerKinds::PageKind *page = LedgerKinds::FindByWidget(name);
    if (!page || page->chartButton != name)
        return;
    if (!m_graphDlg)
        m_graphDlg = new DialogShowGraph(this);
    const QueryRequest *last = m_queryRunner ? &m_queryRunner->request() : nullptr;
    const QTableWidget *table = Table(page->tableName);
    if (page->group == LedgerKinds::Group::Sales) {
        GoodsList rows;
        for (int r = 0; table && r < table->rowCount(); ++r) {
            GoodsRecord record;
            if (LedgerRows::PeekGoodsRow(r, GoodsKind::Sale, record, table))
                rows << record;
        }
        // The period only when the page shows the last query's result.
        const bool ours = last && last->pageGroup == QueryGroup::Sales && last->pageKind == page->kind;
        const QString period = ours ? PeriodText(*last) : QString();
        m_graphDlg->ShowChart(page->kind == SalesStatistics::SalesRows
            ? ChartScript::FromSalesRows(rows, period)
            : ChartScript::FromSummaryRows(rows, page->titleText, page->kind == SalesStatistics::Debts,
                                           period));
    } else {
        FinanceList rows;
        for (int r = 0; table && r < table->rowCount(); ++r) {
            FinanceRecord record;
            if (LedgerRows::PeekFinanceRow(r, FinanceKind::Profit, record, table))
                rows << record;
        }
        const bool ours = last && last->IsProfitPage();
        m_graphDlg->ShowChart(ChartScript::FromProfitRows(rows, ours ? PeriodText(*last) : QString()));
    }
}
