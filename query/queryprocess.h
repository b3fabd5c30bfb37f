#pragma once

#include "db/records.h"
#include "ledger/ledgerlists.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class ReadDatabaseThread;

// Page groups of the query, as the query dialog names them.
namespace QueryGroup {
enum : int { Goods = 1, Sales = 2, Finance = 3 };
}

// Date modes of the query; the store reads them the same way.
namespace QueryDateMode {
enum : int { Day = 1, Month = 2, Year = 3, Period = 4, AllTime = 5 };
}

// What a finished query reports; each code names the list the page shows.
namespace QueryResultCode {
enum : int {
    StockFiltered = 1,   // stockRows
    GoodsFiltered = 2,   // filteredGoods
    StockAll = 3,        // stockRows
    GoodsAll = 4,        // queryGoods
    SalesFiltered = 5,   // filteredGoods
    SalesAll = 6,        // queryGoods
    ProfitFiltered = 7,  // profitRows
    FinanceFiltered = 8, // filteredFinance
    ProfitAll = 9,       // profitRows
    FinanceAll = 10,     // queryFinance
    SalesSummary = 11,   // summaryRows (sales kinds 1-4)
};
// The page group a code belongs to; 0 for anything else.
int GroupOf(int code);
} // namespace QueryResultCode

// Everything a query needs, copied from the dialog on the GUI thread so the
// worker never reads a widget.
struct QueryRequest
{
    int dateMode = QueryDateMode::Day;
    bool noContentFilter = false;
    int pageGroup = QueryGroup::Goods;
    int pageKind = 0;
    QString dateFrom; // yyyy-MM-dd
    QString dateTo;   // yyyy-MM-dd
    // One text per field of QueryFilter::GoodsFields() / SalesFields() / FinanceFields().
    QStringList goodsConditions;
    QStringList salesConditions;
    QStringList financeConditions;
    // Stock rows keep their prices only for the super user.
    int userType = 1;

    bool IsStockPage() const { return pageGroup == QueryGroup::Goods && pageKind == GoodsKind::CurrentStock; }
    bool IsProfitPage() const { return pageGroup == QueryGroup::Finance && pageKind == FinanceKind::Profit; }
    // Whether the group and kind name a page that has a table.
    bool IsValidPage() const;
    // The period in words: a day, a month, a year, "A 至 B" or "所有时间".
    QString PeriodText() const;
};

// How one run of a query went: its result code, and why it failed.
struct QueryOutcome
{
    int code = 0;
    bool ok = false; // every store read succeeded
    QString error;
};

namespace QueryWork {

// The worker's part: reads the period's rows into the query lists, filters
// them and computes stock, sales or profit. Runs on whatever thread calls it,
// with that thread's connection.
QueryOutcome Execute(const QueryRequest &request, LedgerLists &lists);

// The rows a result code shows, prepared for the page: stock rows lose their
// paid and unpaid amounts and, when a model is chosen on the stock page, keep
// only that model's rows. Empty for a code of the other family.
GoodsList GoodsRowsToShow(int code, const LedgerLists &lists, const QString &stockModel = QString());
FinanceList FinanceRowsToShow(int code, const LedgerLists &lists);

} // namespace QueryWork

// Starts the type-3 workers. Only one runs at a time: a query asked for while
// another runs waits for it. At most one query per page waits, the newest of
// that page; so every page emptied for a query gets a result, and a result a
// newer query of its page has overtaken is dropped. The worker fills lists of
// the scheduler's own; Accept hands them to the caller's lists on the GUI thread,
// so a worker never writes into lists that may be gone or shown.
class QueryScheduler : public QObject
{
    Q_OBJECT
public:
    // Called on the worker thread with the result code once the lists are filled.
    using ResultEmitter = std::function<void(int code)>;

    explicit QueryScheduler(LedgerLists *lists, QObject *parent = nullptr);
    // Waits for a running worker; a result it had not reported yet is dropped.
    ~QueryScheduler() override;

    // Without an emitter the scheduler emits ResultReady itself.
    void SetResultEmitter(ResultEmitter emitter) { m_emitter = std::move(emitter); }

    // False when the request waits for the running query.
    bool Start(const QueryRequest &request);

    // GUI thread, when a result code has arrived. True: the caller's lists
    // now hold the result of request() and may be shown. False: a newer query
    // of the same page was waiting; its result is the one to show. Either way
    // the next waiting query, if any, has been started.
    bool Accept(int code);

    bool IsRunning() const { return m_running; }
    bool HasPending() const { return !m_pending.isEmpty(); }
    // The query whose result Accept handed over last, and how it went.
    const QueryRequest &request() const { return m_accepted; }
    const QueryOutcome &outcome() const { return m_acceptedOutcome; }
    void Wait();

signals:
    void ResultReady(int code);

private:
    void Launch(const QueryRequest &request);

    LedgerLists *m_lists;
    LedgerLists m_work; // written by the worker only
    ResultEmitter m_emitter;
    QMutex m_reportLock;
    bool m_closing = false;
    QPointer<ReadDatabaseThread> m_worker;
    QueryRequest m_request;
    QueryOutcome m_outcome;
    QueryRequest m_accepted;
    QueryOutcome m_acceptedOutcome;
    bool m_running = false;
    QList<QueryRequest> m_pending; // in order of asking, one per page
};
