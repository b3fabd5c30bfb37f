#include "analytics/stockcompute.h"

#include "db/money.h"

#include <QHash>
#include <QVector>

namespace StockCompute {

namespace {

// Remarks per goods kind, indexed by tab type. The punctuation differs from
// kind to kind on purpose: these are the texts the users know.
struct KindNotes
{
    const char *merge;
    const char *anomaly;
    const char *notFound;
};

const KindNotes kNotes[GoodsKind::StoredCount] = {
    {"合并采购进货表--时间：%1,型号:%2,数目:%3的项\n", nullptr, nullptr},
    {"合并采购退货表--时间：%1,型号：%2,数目:%3的项\n",
     "异常！请注意核查采购退货表,时间：%1，型号：%2，数目：%3比库存数据大\n",
     "请仔细核查采购退货表该行的各列信息，此记录在采购进货表或销售表不存在"},
    {"合并销售管理表--时间：%1,型号：%2,数目:%3的项\n",
     "异常！请注意核查销售管理表,时间：%1，型号：%2，数目：%3比库存数据大\n",
     "请仔细核查销售售货表该行的各列信息，此记录在采购进货表或销售表不存在"},
    {"合并销售退货表--时间：%1,型号：%2,数目:%3的项\n",
     "异常！请注意核查销售退货表,时间：%1，型号：%2，数目：%3比库存数据大\n",
     "请仔细核查销售退货表该行的各列信息，此记录在采购进货表或销售表不存在"},
    {"合并损耗时间：%1,型号：%2,数目:%3的项\n",
     "异常！请注意核查损耗表,时间：%1，型号：%2，数目：%3比库存数据大\n",
     "请仔细核查损耗表表该行的各列信息，此记录在采购进货表或销售表不存在"},
};

// The article of a row, by reference into the rows being computed.
struct ArticleKey
{
    const QString *model;
    const QString *color;
    const QString *store;

    explicit ArticleKey(const GoodsRecord &r) : model(&r.model), color(&r.color), store(&r.store) {}
    bool operator==(const ArticleKey &o) const
    {
        return *model == *o.model && *color == *o.color && *store == *o.store;
    }
};

uint qHash(const ArticleKey &k, uint seed = 0)
{
    return ::qHash(*k.model, seed) ^ (::qHash(*k.color, seed) * 31u) ^ (::qHash(*k.store, seed) * 1009u);
}

// A note format split at its markers %1 (time), %2 (model), %3 (quantity),
// so that a note is appended in place; a '%' inside a value stays literal,
// as with one pass of arg().
class NoteFormat
{
public:
    explicit NoteFormat(const char *format)
    {
        QString rest = QString::fromUtf8(format);
        for (int i = 0; i < 3; ++i) {
            const int at = rest.indexOf(QLatin1Char('%') + QString::number(i + 1));
            m_parts[i] = rest.left(at);
            rest = rest.mid(at + 2);
        }
        m_parts[3] = rest;
    }
    void AppendTo(QString &remark, const GoodsRecord &movement) const
    {
        remark.append(m_parts[0])
            .append(movement.time)
            .append(m_parts[1])
            .append(movement.model)
            .append(m_parts[2])
            .append(movement.num)
            .append(m_parts[3]);
    }

private:
    QString m_parts[4];
};

struct KindFormats
{
    NoteFormat merge;
    NoteFormat anomaly;
};

const KindFormats &Formats(int kind)
{
    static const QVector<KindFormats> formats = [] {
        QVector<KindFormats> all;
        for (const KindNotes &n : kNotes)
            all.append({NoteFormat(n.merge), NoteFormat(n.anomaly ? n.anomaly : "%1%2%3")});
        return all;
    }();
    return formats.at(kind);
}

void ClearPaid(GoodsRecord &s)
{
    s.pay.clear();
    s.debt.clear();
}

void ClearPrices(GoodsRecord &s)
{
    s.total.clear();
    s.price.clear();
}

// A stock row's figures while rows are merged into it and movements are
// applied, exact; its texts are written once at the end, and only those of
// figures that changed, so untouched cells keep their text as typed.
struct Running
{
    Money num;
    Money price;
    Money total;
    bool numPending = false;
    bool totalPending = false;

    explicit Running(const GoodsRecord &s)
        : num(Money::FromText(s.num)), price(Money::FromText(s.price)), total(Money::FromText(s.total))
    {}
    void ClearPrices(GoodsRecord &s)
    {
        ::StockCompute::ClearPrices(s);
        price = Money();
        totalPending = false;
    }
    void Flush(GoodsRecord &s) const
    {
        if (numPending)
            s.num = num.ToText();
        if (totalPending)
            s.total = total.ToText();
    }
};

} // namespace

QString AllModelsText() { return QStringLiteral("所有型号"); }

GoodsList ComputeStock(const GoodsList &rows, int userType)
{
    const bool super = userType == SuperUserType;
    GoodsList out;

    // Seed and merge. Within one article the first purchase-in absorbs every
    // later one with another serial; a repeat of its own serial stays a row of
    // its own. stockIndex lists every stock row of an article in output order.
    QHash<ArticleKey, QVector<int>> stockIndex;
    stockIndex.reserve(rows.size());
    QVector<Running> running;
    for (const GoodsRecord &r : rows) {
        if (r.tabType != GoodsKind::PurchaseIn)
            continue;
        QVector<int> &indices = stockIndex[ArticleKey(r)];
        if (indices.isEmpty() || out.at(indices.first()).serial == r.serial) {
            indices.append(out.size());
            out.append(r);
            running.append(Running(r));
            continue;
        }
        GoodsRecord &head = out[indices.first()];
        Running &f = running[indices.first()];
        f.num += Money::FromText(r.num);
        f.numPending = true;
        if (super) {
            f.total += Money::FromText(r.total);
            f.totalPending = true;
        } else {
            f.ClearPrices(head);
        }
        ClearPaid(head);
        Formats(GoodsKind::PurchaseIn).merge.AppendTo(head.remark, r);
    }

    // Apply every row in read order to the stock rows of its article. Rows
    // appended below are reports, never stock rows, so the index stays as is.
    const int stockRows = out.size();
    for (const GoodsRecord &r : rows) {
        const int kind = r.tabType;
        if (kind < 0 || kind >= GoodsKind::StoredCount)
            continue; // computed kinds never come from the store
        bool found = kind == GoodsKind::PurchaseIn;
        const auto it = stockIndex.constFind(ArticleKey(r));
        if (it != stockIndex.constEnd()) {
            const Money a = kind != GoodsKind::PurchaseIn ? Money::FromText(r.num) : Money();
            for (int idx : it.value()) {
                GoodsRecord &s = out[idx];
                if (s.serial == r.serial)
                    continue;
                Running &f = running[idx];
                if (kind != GoodsKind::PurchaseIn) {
                    if (a > f.num) {
                        Formats(kind).anomaly.AppendTo(s.remark, r);
                    } else {
                        f.num = kind == GoodsKind::SaleReturn ? a + f.num : f.num - a;
                        f.numPending = true;
                        f.total = f.price.Times(f.num);
                        f.totalPending = true;
                        Formats(kind).merge.AppendTo(s.remark, r);
                        found = true;
                    }
                }
                ClearPaid(s);
                if (!super)
                    f.ClearPrices(s);
            }
        }
        if (!found) {
            GoodsRecord report = r;
            report.remark = QString::fromUtf8(kNotes[kind].notFound);
            out.append(report);
        }
    }
    for (int i = 0; i < stockRows; ++i)
        running[i].Flush(out[i]);
    return out;
}

Money ArticleLeft(const GoodsList &articleRows)
{
    Money left;
    // Stock rows come from purchase-ins; rows of other kinds in the result
    // are reports of movements that found no stock.
    for (const GoodsRecord &s : ComputeStock(articleRows, SuperUserType)) {
        if (s.tabType == GoodsKind::PurchaseIn)
            left += Money::FromText(s.num);
    }
    return left;
}

double ArticleStock(const GoodsList &articleRows) { return ArticleLeft(articleRows).ToDouble(); }

GoodsList FilterByModel(const GoodsList &stockRows, const QString &model)
{
    if (model.isEmpty() || model == AllModelsText())
        return stockRows;
    GoodsList out;
    for (const GoodsRecord &r : stockRows)
        if (r.model == model)
            out.append(r);
    return out;
}

} // namespace StockCompute
