#include "analytics/salesstatistics.h"

#include "db/money.h"
#include "db/storedbaccess.h"
#include "ledger/ledgerkinds.h"

#include <QHash>
#include <QVector>
#include <algorithm>
#include <cstring>

namespace SalesStatistics {

static_assert(Debts == LedgerKinds::DebtSummaryKind, "the 欠款统计 page shows the Debts view");

namespace {

// By reference into rows that outlive the key.
struct SaleKey
{
    const QString *model;
    const QString *customer;
    const QString *seller;

    explicit SaleKey(const GoodsRecord &r) : model(&r.model), customer(&r.supply), seller(&r.purchase) {}
    bool operator==(const SaleKey &o) const
    {
        return *model == *o.model && *customer == *o.customer && *seller == *o.seller;
    }
};

uint qHash(const SaleKey &k, uint seed = 0)
{
    return ::qHash(*k.model, seed) ^ (::qHash(*k.customer, seed) * 31u) ^ (::qHash(*k.seller, seed) * 1009u);
}

// The returns of one key, summed once, with their notes laid out as one text
// less the sale's date, and where that date goes: a sale's notes are then
// copied from one place, not formatted.
struct KeyReturns
{
    Money quantity;
    Money amount;
    QString notes;
    QVector<int> dateAt; // offsets into notes, ascending
};

void Put(QChar *&out, const QChar *from, int count)
{
    std::memcpy(static_cast<void *>(out), from, size_t(count) * sizeof(QChar));
    out += count;
}

} // namespace

void DeductReturns(GoodsList &sales, const GoodsList &returns, bool withNotes)
{
    if (sales.isEmpty() || returns.isEmpty())
        return;
    QHash<SaleKey, KeyReturns> byKey;
    byKey.reserve(returns.size());
    for (int i = 0; i < returns.size(); ++i) {
        const GoodsRecord &r = returns.at(i);
        KeyReturns &k = byKey[SaleKey(r)];
        k.quantity += Money::FromText(r.num);
        k.amount += Money::FromText(r.total);
        if (!withNotes)
            continue;
        // "注意，该型号%1有退货金额%2元，从%3销售中扣除%4元" with the sale's date as %3,
        // pieced together so that a '%' in a model or amount stays literal.
        k.notes += QStringLiteral("注意，该型号") + r.model + QStringLiteral("有退货金额") + r.total
            + QStringLiteral("元，从");
        k.dateAt.append(k.notes.size());
        k.notes += QStringLiteral("销售中扣除") + r.total + QStringLiteral("元");
    }

    for (GoodsRecord &s : sales) {
        const auto it = byKey.constFind(SaleKey(s));
        if (it == byKey.constEnd())
            continue;
        const KeyReturns &k = it.value();
        s.num = (Money::FromText(s.num) - k.quantity).ToText();
        s.total = (Money::FromText(s.total) - k.amount).ToText();
        if (!withNotes)
            continue;
        // One allocation per sale and of the exact size: resize alone would
        // round the block up to the next power of two, and the notes are
        // most of what a period's sales rows occupy.
        const int at = s.remark.size();
        const int size = at + k.notes.size() + k.dateAt.size() * s.time.size();
        s.remark.reserve(size);
        s.remark.resize(size);
        QChar *out = s.remark.data() + at;
        const QChar *notes = k.notes.constData();
        int from = 0;
        for (int cut : k.dateAt) {
            Put(out, notes + from, cut - from);
            Put(out, s.time.constData(), s.time.size());
            from = cut;
        }
        Put(out, notes + from, k.notes.size() - from);
    }
}

bool Passes(const GoodsRecord &sale, const SalesConditions &conditions)
{
    return (conditions.model.isEmpty() || sale.model.contains(conditions.model))
        && (conditions.seller.isEmpty() || sale.purchase.contains(conditions.seller));
}

GoodsList FilterSales(const GoodsList &sales, const SalesConditions &conditions)
{
    GoodsList out;
    for (const GoodsRecord &s : sales)
        if (Passes(s, conditions))
            out.append(s);
    return out;
}

QString BlankName() { return QStringLiteral("(未填)"); }

namespace {

// One group of a summary while it is being summed.
struct Group
{
    QString name;
    Money quantity;
    Money amount;
    Money paid;
    Money unpaid;
    int rows = 0;
    QString oldestUnpaid;

    GoodsRecord Row(int sign = 1) const
    {
        GoodsRecord r;
        r.tabType = GoodsKind::Sale;
        r.serial = name;
        const auto text = [sign](const Money &sum) { return (sign < 0 ? -sum : sum).ToText(); };
        r.num = text(quantity);
        r.total = text(amount);
        r.pay = text(paid);
        r.debt = text(unpaid);
        r.oddNum = QString::number(rows);
        return r;
    }
};

QString GroupName(const QString &text)
{
    const QString name = text.trimmed();
    return name.isEmpty() ? BlankName() : name;
}

// Groups in order of first appearance; one hash look-up per row.
class Groups
{
public:
    Group &Of(const QString &name)
    {
        auto it = m_index.constFind(name);
        if (it == m_index.constEnd()) {
            it = m_index.insert(name, m_groups.size());
            m_groups.append(Group());
            m_groups.last().name = name;
        }
        return m_groups[*it];
    }
    QVector<Group> &all() { return m_groups; }

private:
    QHash<QString, int> m_index;
    QVector<Group> m_groups;
};

// Largest first, then by name; the blank group goes last among equals.
void SortBy(QVector<Group> &groups, Money Group::*figure)
{
    std::stable_sort(groups.begin(), groups.end(), [figure](const Group &a, const Group &b) {
        const Money &x = a.*figure;
        const Money &y = b.*figure;
        if (x != y)
            return x > y;
        const bool blankA = a.name == BlankName();
        const bool blankB = b.name == BlankName();
        if (blankA != blankB)
            return blankB;
        return a.name < b.name;
    });
}

} // namespace

GoodsList Summarize(int view, const GoodsList &sales)
{
    Groups groups;
    for (const GoodsRecord &s : sales) {
        const QString &key = view == Daily ? s.time : view == Employee ? s.purchase : s.supply;
        Group &g = groups.Of(GroupName(key));
        g.quantity += Money::FromText(s.num);
        g.amount += Money::FromText(s.total);
        g.paid += Money::FromText(s.pay);
        g.unpaid += Money::FromText(s.debt);
        ++g.rows;
    }
    QVector<Group> &all = groups.all();
    if (view == Daily) {
        // Dates are yyyy-MM-dd texts, so text order is date order; blank last.
        std::sort(all.begin(), all.end(), [](const Group &a, const Group &b) {
            const bool blankA = a.name == BlankName();
            const bool blankB = b.name == BlankName();
            return blankA != blankB ? blankB : a.name < b.name;
        });
    } else {
        SortBy(all, &Group::amount);
    }
    GoodsList out;
    out.reserve(all.size());
    for (const Group &g : all)
        out.append(g.Row());
    return out;
}

GoodsList SummarizeDebts(const GoodsList &rows)
{
    Groups receivable;
    Groups payable;
    for (const GoodsRecord &r : rows) {
        int sign = 1;
        Groups *side = nullptr;
        switch (r.tabType) {
        case GoodsKind::Sale: side = &receivable; break;
        case GoodsKind::SaleReturn:
            side = &receivable;
            sign = -1;
            break;
        case GoodsKind::PurchaseIn: side = &payable; break;
        case GoodsKind::PurchaseReturn:
            side = &payable;
            sign = -1;
            break;
        default: continue;
        }
        Group &g = side->Of(GroupName(r.supply));
        const auto add = [sign](Money &sum, const QString &text) {
            const Money m = Money::FromText(text);
            sum += sign < 0 ? -m : m;
        };
        add(g.quantity, r.num);
        add(g.amount, r.total);
        add(g.paid, r.pay);
        add(g.unpaid, r.debt);
        ++g.rows;
        // The oldest still-open sale or purchase of the name.
        const QString day = r.time.trimmed();
        if (sign > 0 && Money::FromText(r.debt).Sign() > 0 && !day.isEmpty()
            && (g.oldestUnpaid.isEmpty() || day < g.oldestUnpaid))
            g.oldestUnpaid = day;
    }
    GoodsList out;
    const struct
    {
        Groups *groups;
        const char *label;
        int sign;
    } sides[] = {{&receivable, "应收", 1}, {&payable, "应付", -1}};
    for (const auto &side : sides) {
        QVector<Group> &all = side.groups->all();
        SortBy(all, &Group::unpaid);
        for (const Group &g : all) {
            GoodsRecord row = g.Row(side.sign);
            row.tabType = side.sign > 0 ? GoodsKind::Sale : GoodsKind::PurchaseIn;
            row.num.clear(); // pieces sold and bought do not add up
            row.code = QString::fromUtf8(side.label);
            // Nothing left owing, net of returns and overpayments: no date to chase.
            if (g.unpaid.Sign() > 0)
                row.remark = g.oldestUnpaid;
            out.append(row);
        }
    }
    return out;
}

namespace {

enum { Model = 3, Time = 7, Num = 9, Total = 11, Pay = 12, Debt = 13, Supply = 14, Purchase = 15 };

// What the summaries and their conditions read of a row: a summary of a
// large period reads no more than it sums.
const QVector<int> &SummaryTexts()
{
    static const QVector<int> texts{Model, Time, Num, Total, Pay, Debt, Supply, Purchase};
    return texts;
}

} // namespace

GoodsList DebtTotals(const GoodsList &debtRows)
{
    Group receivable, payable, net;
    receivable.name = QStringLiteral("应收合计");
    payable.name = QStringLiteral("应付合计");
    net.name = QStringLiteral("净额");
    for (const GoodsRecord &r : debtRows) {
        Group *side = r.code == QStringLiteral("应收") ? &receivable
            : r.code == QStringLiteral("应付")         ? &payable
                                                       : nullptr;
        if (!side)
            continue;
        for (Group *g : {side, &net}) {
            g->amount += Money::FromText(r.total);
            g->paid += Money::FromText(r.pay);
            g->unpaid += Money::FromText(r.debt);
            g->rows += r.oddNum.toInt();
        }
    }
    GoodsList out;
    for (const Group *g : {&receivable, &payable, &net}) {
        GoodsRecord row = g->Row();
        row.num.clear();
        out.append(row);
    }
    return out;
}

bool ReadDeductedSales(StoreDbAccess *store, int dateMode, const QString &dateFrom, const QString &dateTo,
                       GoodsList &sales, QString *error, bool withNotes)
{
    constexpr int kAllTime = 5;
    sales.clear();
    const Result read = withNotes
        ? store->QueryGoods(dateMode, GoodsKind::Sale, dateFrom, dateTo, sales)
        : store->QueryGoodsTexts(dateMode, GoodsKind::Sale, dateFrom, dateTo, SummaryTexts(), sales);
    bool ok = read.ok();
    if (!ok && error)
        *error = read.error();
    // Returns of any date count against the period's sales. The deduction
    // reads their key, quantity and amount only.
    GoodsList returns;
    const Result readReturns = store->QueryGoodsTexts(kAllTime, GoodsKind::SaleReturn, QString(), QString(),
                                                      {Model, Num, Total, Supply, Purchase}, returns);
    if (!readReturns) {
        if (ok && error)
            *error = readReturns.error();
        ok = false;
    }
    DeductReturns(sales, returns, withNotes);
    return ok;
}

bool Report(int view, int dateMode, const QString &dateFrom, const QString &dateTo,
            const SalesConditions &conditions, GoodsList &rows, QString *error)
{
    StoreDbAccess *store = StoreDbAccess::Instance();
    GoodsList read;
    bool ok = false;
    if (view == Debts) {
        const Result got = store->QueryGoodsTexts(dateMode, -1, dateFrom, dateTo, SummaryTexts(), read);
        ok = got.ok();
        if (!ok && error)
            *error = got.error();
    } else {
        ok = ReadDeductedSales(store, dateMode, dateFrom, dateTo, read, error, view == SalesRows);
    }
    const bool everyRow = conditions.model.isEmpty() && conditions.seller.isEmpty();
    const GoodsList passed = everyRow ? read : FilterSales(read, conditions);
    rows = view == Debts ? SummarizeDebts(passed) : view == SalesRows ? passed : Summarize(view, passed);
    return ok;
}

} // namespace SalesStatistics
