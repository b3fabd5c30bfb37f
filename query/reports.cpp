#include "query/reports.h"

#include "analytics/salesstatistics.h"
#include "ledger/ledgerkinds.h"
#include "query/ownerreports.h"
#include "query/queryprocess.h"

#include <QHash>

namespace Reports {
namespace {

template <typename List>
QVector<QStringList> CellsOf(const List &records)
{
    using Record = typename List::value_type;
    QVector<QStringList> rows;
    rows.reserve(records.size());
    for (const Record &r : records)
        rows.append(RecordTexts(r));
    return rows;
}

QString CsvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

bool KindFromName(const QString &name, Kind *kind)
{
    static const struct
    {
        const char *name;
        Kind kind;
    } kNames[] = {{"stock", Kind::Stock},   {"sales", Kind::Sales},       {"profit", Kind::Profit},
                  {"daily", Kind::Daily},   {"employee", Kind::Employee}, {"customer", Kind::Customer},
                  {"debts", Kind::Debts},   {"margin", Kind::Margin},     {"value", Kind::Value},
                  {"alerts", Kind::Alerts}, {"stores", Kind::Stores}};
    for (const auto &k : kNames) {
        if (name == QLatin1String(k.name)) {
            *kind = k.kind;
            return true;
        }
    }
    return false;
}

Table Compute(Kind kind, int dateMode, const QString &from, const QString &to, bool closingRows)
{
    QueryRequest request;
    request.dateMode = dateMode;
    request.dateFrom = from;
    request.dateTo = to;
    request.noContentFilter = true;
    request.userType = 1;
    const LedgerKinds::PageKind *page = nullptr;
    Table table;
    switch (kind) {
    case Kind::Stock:
        request.pageGroup = QueryGroup::Goods;
        request.pageKind = GoodsKind::CurrentStock;
        page = LedgerKinds::Find(LedgerKinds::Group::Goods, GoodsKind::CurrentStock);
        break;
    case Kind::Sales:
        request.pageGroup = QueryGroup::Sales;
        request.pageKind = 0;
        page = LedgerKinds::Find(LedgerKinds::Group::Sales, 0);
        break;
    case Kind::Profit:
        request.pageGroup = QueryGroup::Finance;
        request.pageKind = FinanceKind::Profit;
        page = LedgerKinds::Find(LedgerKinds::Group::Finance, FinanceKind::Profit);
        break;
    case Kind::Daily:
    case Kind::Employee:
    case Kind::Customer:
    case Kind::Debts: {
        static const QHash<int, int> kViews = {{int(Kind::Daily), SalesStatistics::Daily},
                                               {int(Kind::Employee), SalesStatistics::Employee},
                                               {int(Kind::Customer), SalesStatistics::Customer},
                                               {int(Kind::Debts), SalesStatistics::Debts}};
        request.pageGroup = QueryGroup::Sales;
        request.pageKind = kViews.value(int(kind));
        page = LedgerKinds::Find(LedgerKinds::Group::Sales, request.pageKind);
        break;
    }
    case Kind::Value: return OwnerReports::StockValue(dateMode, from, to);
    case Kind::Stores:
        if (!OwnerReports::ChainAllowed(&table.error))
            return table;
        Q_FALLTHROUGH();
    case Kind::Margin:
    case Kind::Alerts:
        request.pageGroup = QueryGroup::Sales;
        request.pageKind = OwnerReports::PageKindOf(kind);
        page = LedgerKinds::Find(LedgerKinds::Group::Sales, request.pageKind);
        break;
    }

    if (page)
        table.titles = page->columnTitles;
    LedgerLists lists;
    const QueryOutcome outcome = QueryWork::Execute(request, lists);
    if (!outcome.ok) {
        table.error = outcome.error;
        return table;
    }
    if (kind == Kind::Profit) {
        table.rows = CellsOf(QueryWork::FinanceRowsToShow(outcome.code, lists));
    } else {
        GoodsList rows = QueryWork::GoodsRowsToShow(outcome.code, lists);
        if (closingRows && kind == Kind::Debts)
            rows += SalesStatistics::DebtTotals(rows);
        table.rows = CellsOf(rows);
    }
    // A page that shows its texts in another order (the stock page's value columns).
    if (page && !page->columnTexts.isEmpty()) {
        for (QStringList &row : table.rows) {
            QStringList cells;
            for (int c = 0; c < page->ColumnCount(); ++c)
                cells << row.value(page->TextOf(c));
            row = cells;
        }
    }
    // The summary pages use a few of the goods columns; the rest stay out, as on screen.
    if (page) {
        for (int c = page->ColumnCount() - 1; c >= 0; --c) {
            if (page->IsColumnShown(c))
                continue;
            table.titles.removeAt(c);
            for (QStringList &row : table.rows)
                row.removeAt(c);
        }
    }
    table.ok = true;
    return table;
}

QByteArray Csv(const Table &table)
{
    QString text;
    const auto line = [&text](const QStringList &fields) {
        QStringList quoted;
        for (const QString &f : fields)
            quoted << CsvField(f);
        text += quoted.join(QLatin1Char(',')) + QLatin1Char('\n');
    };
    line(table.titles);
    for (const QStringList &row : table.rows)
        line(row);
    return text.toUtf8();
}

} // namespace Reports
