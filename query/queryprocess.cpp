#include "query/queryprocess.h"

#include "analytics/ownerpages.h"
#include "analytics/profit.h"
#include "analytics/salesstatistics.h"
#include "analytics/stockcompute.h"
#include "analytics/stockvalue.h"
#include "db/storedbaccess.h"
#include "ledger/ledgerkinds.h"
#include "ledger/readdatabasethread.h"
#include "query/queryfilter.h"

namespace QueryResultCode {

int GroupOf(int code)
{
    if (code >= StockFiltered && code <= GoodsAll)
        return QueryGroup::Goods;
    if (code == SalesFiltered || code == SalesAll || code == SalesSummary)
        return QueryGroup::Sales;
    if (code >= ProfitFiltered && code <= FinanceAll)
        return QueryGroup::Finance;
    return 0;
}

} // namespace QueryResultCode

bool QueryRequest::IsValidPage() const
{
    switch (pageGroup) {
    case QueryGroup::Goods: return pageKind >= 0 && pageKind <= GoodsKind::CurrentStock;
    case QueryGroup::Sales: return pageKind >= 0 && pageKind < LedgerKinds::SalesPageCount;
    case QueryGroup::Finance: return pageKind >= 0 && pageKind <= FinanceKind::Profit;
    default: return false;
    }
}

namespace QueryWork {

namespace {

const QString kReadFailed = QStringLiteral("读取数据库失败");

QueryOutcome RunGoods(const QueryRequest &r, LedgerLists &lists, StoreDbAccess *store)
{
    QueryOutcome out;
    const bool stock = r.IsStockPage();
    lists.queryGoods.clear();
    const Result read =
        store->QueryGoods(r.dateMode, stock ? -1 : r.pageKind, r.dateFrom, r.dateTo, lists.queryGoods);
    out.ok = read.ok();
    out.error = read.error();
    if (!r.noContentFilter) {
        lists.filteredGoods = QueryFilter::FilterGoods(lists.queryGoods, r.goodsConditions);
        if (stock)
            lists.stockRows = StockCompute::ComputeStock(lists.filteredGoods, r.userType);
        out.code = stock ? QueryResultCode::StockFiltered : QueryResultCode::GoodsFiltered;
    } else {
        if (stock)
            lists.stockRows = StockCompute::ComputeStock(lists.queryGoods, r.userType);
        out.code = stock ? QueryResultCode::StockAll : QueryResultCode::GoodsAll;
    }
    if (stock && out.ok)
        out.ok = StockValue::AddToStockRows(lists.stockRows, r.dateMode, r.dateFrom, r.dateTo, r.userType,
                                            &out.error);
    return out;
}

QueryOutcome RunSales(const QueryRequest &r, LedgerLists &lists, StoreDbAccess *store)
{
    QueryOutcome out;
    if (r.pageKind >= SalesStatistics::ViewCount) {
        out.ok = OwnerPages::Report(r.pageKind, r.dateMode, r.dateFrom, r.dateTo, r.userType,
                                    r.noContentFilter ? QStringList() : r.salesConditions, lists.summaryRows,
                                    &out.error);
        out.code = QueryResultCode::SalesSummary;
        return out;
    }
    if (r.pageKind != SalesStatistics::SalesRows) {
        // The summary pages filter before they sum, whatever the button.
        SalesStatistics::SalesConditions conditions;
        if (!r.noContentFilter && r.salesConditions.size() >= 2) {
            conditions.model = r.salesConditions.at(0);
            conditions.seller = r.salesConditions.at(1);
        }
        out.ok = SalesStatistics::Report(r.pageKind, r.dateMode, r.dateFrom, r.dateTo, conditions,
                                         lists.summaryRows, &out.error);
        out.code = QueryResultCode::SalesSummary;
        return out;
    }
    lists.queryGoods.clear();
    out.ok = SalesStatistics::ReadDeductedSales(store, r.dateMode, r.dateFrom, r.dateTo, lists.queryGoods,
                                                &out.error);
    if (!r.noContentFilter) {
        lists.filteredGoods = QueryFilter::FilterSales(lists.queryGoods, r.salesConditions);
        out.code = QueryResultCode::SalesFiltered;
    } else {
        out.code = QueryResultCode::SalesAll;
    }
    return out;
}

QueryOutcome RunFinance(const QueryRequest &r, LedgerLists &lists, StoreDbAccess *store)
{
    QueryOutcome out;
    const bool profit = r.IsProfitPage();
    lists.queryFinance.clear();
    if (profit && r.noContentFilter) {
        // The totals need each row's kind and sum only; the rows are not shown.
        enum { Sum = 2 };
        FinanceList rows;
        const Result read = store->QueryFinanceTexts(r.dateMode, -1, r.dateFrom, r.dateTo, {Sum}, rows);
        out.ok = read.ok();
        out.error = read.error();
        lists.profitRows.clear();
        Profit::ComputeProfit(rows, lists.profitRows);
        out.code = QueryResultCode::ProfitAll;
        return out;
    }
    const Result read =
        store->QueryFinance(r.dateMode, profit ? -1 : r.pageKind, r.dateFrom, r.dateTo, lists.queryFinance);
    out.ok = read.ok();
    out.error = read.error();
    const FinanceList *source = &lists.queryFinance;
    if (!r.noContentFilter) {
        lists.filteredFinance = QueryFilter::FilterFinance(lists.queryFinance, r.financeConditions);
        source = &lists.filteredFinance;
        out.code = profit ? QueryResultCode::ProfitFiltered : QueryResultCode::FinanceFiltered;
    } else {
        out.code = profit ? QueryResultCode::ProfitAll : QueryResultCode::FinanceAll;
    }
    if (profit) {
        lists.profitRows.clear();
        Profit::ComputeProfit(*source, lists.profitRows);
    }
    return out;
}

} // namespace

QueryOutcome Execute(const QueryRequest &request, LedgerLists &lists)
{
    QueryOutcome out;
    if (!request.IsValidPage()) {
        out.error = QStringLiteral("没有可查询的页面");
        return out;
    }
    StoreDbAccess *store = StoreDbAccess::Instance();
    switch (request.pageGroup) {
    case QueryGroup::Goods: out = RunGoods(request, lists, store); break;
    case QueryGroup::Sales: out = RunSales(request, lists, store); break;
    default: out = RunFinance(request, lists, store); break;
    }
    if (!out.ok) {
        out.error = out.error.isEmpty() ? kReadFailed : kReadFailed + QStringLiteral(": ") + out.error;
    }
    return out;
}

GoodsList GoodsRowsToShow(int code, const LedgerLists &lists, const QString &stockModel)
{
    switch (code) {
    case QueryResultCode::StockFiltered:
    case QueryResultCode::StockAll: {
        // Paid and unpaid belong to single purchases, not to a stock position:
        // the worker has put the average cost and the value in their place.
        return StockCompute::FilterByModel(lists.stockRows, stockModel);
    }
    case QueryResultCode::GoodsFiltered:
    case QueryResultCode::SalesFiltered: return lists.filteredGoods;
    case QueryResultCode::GoodsAll:
    case QueryResultCode::SalesAll: return lists.queryGoods;
    case QueryResultCode::SalesSummary: return lists.summaryRows;
    default: return {};
    }
}

FinanceList FinanceRowsToShow(int code, const LedgerLists &lists)
{
    switch (code) {
    case QueryResultCode::ProfitFiltered:
    case QueryResultCode::ProfitAll: return lists.profitRows;
    case QueryResultCode::FinanceFiltered: return lists.filteredFinance;
    case QueryResultCode::FinanceAll: return lists.queryFinance;
    default: return {};
    }
}

} // namespace QueryWork

QueryScheduler::QueryScheduler(LedgerLists *lists, QObject *parent) : QObject(parent), m_lists(lists) {}

QueryScheduler::~QueryScheduler()
{
    {
        QMutexLocker locker(&m_reportLock);
        m_closing = true;
    }
    Wait();
}

void QueryScheduler::Wait()
{
    if (m_worker)
        m_worker->wait();
}

namespace {

bool SamePage(const QueryRequest &a, const QueryRequest &b)
{
    return a.pageGroup == b.pageGroup && a.pageKind == b.pageKind;
}

} // namespace

bool QueryScheduler::Start(const QueryRequest &request)
{
    if (m_running) {
        for (QueryRequest &waiting : m_pending) {
            if (SamePage(waiting, request)) {
                waiting = request;
                return false;
            }
        }
        m_pending.append(request);
        return false;
    }
    Launch(request);
    return true;
}

void QueryScheduler::Launch(const QueryRequest &request)
{
    m_request = request;
    m_outcome = QueryOutcome();
    m_running = true;
    auto *worker = new ReadDatabaseThread(&m_work, ReadDatabaseThread::Query, this);
    worker->SetWork([this, request](ReadDatabaseThread &w) {
        // Read by the GUI thread only after the result code has been delivered.
        m_outcome = QueryWork::Execute(request, *w.lists());
        QMutexLocker locker(&m_reportLock);
        if (m_closing)
            return;
        if (m_emitter)
            m_emitter(m_outcome.code);
        else
            emit ResultReady(m_outcome.code);
    });
    m_worker = worker;
    worker->StartSelfDeleting();
}

bool QueryScheduler::Accept(int)
{
    if (!m_running)
        return false;
    m_running = false;
    // The worker is past its last write; waiting only lets its thread end.
    Wait();
    bool overtaken = false;
    for (const QueryRequest &waiting : qAsConst(m_pending))
        overtaken = overtaken || SamePage(waiting, m_request);
    if (!overtaken) {
        m_accepted = m_request;
        m_acceptedOutcome = m_outcome;
        if (m_lists) {
            m_lists->queryGoods = m_work.queryGoods;
            m_lists->filteredGoods = m_work.filteredGoods;
            m_lists->stockRows = m_work.stockRows;
            m_lists->summaryRows = m_work.summaryRows;
            m_lists->queryFinance = m_work.queryFinance;
            m_lists->filteredFinance = m_work.filteredFinance;
            m_lists->profitRows = m_work.profitRows;
        }
    }
    // Started only now: the worker writes m_work, which has just been read.
    if (!m_pending.isEmpty())
        Launch(m_pending.takeFirst());
    return !overtaken;
}

QString QueryRequest::PeriodText() const
{
    switch (dateMode) {
    case QueryDateMode::Day: return dateTo;
    case QueryDateMode::Month: return dateTo.left(7);
    case QueryDateMode::Year: return dateTo.left(4);
    case QueryDateMode::Period: return QStringLiteral("%1 至 %2").arg(dateFrom, dateTo);
    default: return QStringLiteral("所有时间");
    }
}
