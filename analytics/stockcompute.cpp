#include "analytics/stockcompute.h"

#include "db/numbertext.h"

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
    { "合并采购进货表--时间：%1,型号:%2,数目:%3的项\n", nullptr, nullptr },
    { "合并采购退货表--时间：%1,型号：%2,数目:%3的项\n",
      "异常！请注意核查采购退货表,时间：%1，型号：%2，数目：%3比库存数据大\n",
      "请仔细核查采购退货表该行的各列信息，此记录在采购进货表或销售表不存在" },
    { "合并销售管理表--时间：%1,型号：%2,数目:%3的项\n",
      "异常！请注意核查销售管理表,时间：%1，型号：%2，数目：%3比库存数据大\n",
      "请仔细核查销售售货表该行的各列信息，此记录在采购进货表或销售表不存在" },
    { "合并销售退货表--时间：%1,型号：%2,数目:%3的项\n",
      "异常！请注意核查销售退货表,时间：%1，型号：%2，数目：%3比库存数据大\n",
      "请仔细核查销售退货表该行的各列信息，此记录在采购进货表或销售表不存在" },
    { "合并损耗时间：%1,型号：%2,数目:%3的项\n",
      "异常！请注意核查损耗表,时间：%1，型号：%2，数目：%3比库存数据大\n",
      "请仔细核查损耗表表该行的各列信息，此记录在采购进货表或销售表不存在" },
};

struct ArticleKey
{
    QString model;
    QString color;
    QString store;

    explicit ArticleKey(const GoodsRecord &r) : model(r.model), color(r.color), store(r.store) {}
    bool operator==(const ArticleKey &o) const
    {
        return model == o.model && color == o.color && store == o.store;
    }
};

uint qHash(const ArticleKey &k, uint seed = 0)
{
    return ::qHash(k.model, seed) ^ (::qHash(k.color, seed) * 31u) ^ (::qHash(k.store, seed) * 1009u);
}

// One pass of arg() so that a '%' inside a model or date is left alone.
QString Note(const char *format, const GoodsRecord &movement)
{
    return QString::fromUtf8(format).arg(movement.time, movement.model, movement.num);
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

} // namespace

QString AllModelsText()
{
    return QStringLiteral("所有型号");
}

GoodsList ComputeStock(const GoodsList &rows, int userType)
{
    const bool super = userType == SuperUserType;
    GoodsList out;

    // Seed and merge. Within one article the first purchase-in absorbs every
    // later one with another serial; a repeat of its own serial stays a row of
    // its own. stockIndex lists every stock row of an article in output order.
    QHash<ArticleKey, QVector<int>> stockIndex;
    stockIndex.reserve(rows.size());
    for (const GoodsRecord &r : rows) {
        if (r.tabType != GoodsKind::PurchaseIn)
            continue;
        QVector<int> &indices = stockIndex[ArticleKey(r)];
        if (indices.isEmpty() || out.at(indices.first()).serial == r.serial) {
            indices.append(out.size());
            out.append(r);
            continue;
        }
        GoodsRecord &head = out[indices.first()];
        head.num = NumberText::ToText(NumberText::ToNumber(head.num) + NumberText::ToNumber(r.num));
        if (super) {
            head.total = NumberText::ToText(NumberText::ToNumber(head.total)
                                            + NumberText::ToNumber(r.total));
        } else {
            ClearPrices(head);
        }
        ClearPaid(head);
        head.remark += Note(kNotes[GoodsKind::PurchaseIn].merge, r);
    }

    // Apply every row in read order to the stock rows of its article. Rows
    // appended below are reports, never stock rows, so the index stays as is.
    for (const GoodsRecord &r : rows) {
        const int kind = r.tabType;
        if (kind < 0 || kind >= GoodsKind::StoredCount)
            continue; // computed kinds never come from the store
        bool found = kind == GoodsKind::PurchaseIn;
        const auto it = stockIndex.constFind(ArticleKey(r));
        if (it != stockIndex.constEnd()) {
            const double a = NumberText::ToNumber(r.num);
            for (int idx : it.value()) {
                GoodsRecord &s = out[idx];
                if (s.serial == r.serial)
                    continue;
                if (kind != GoodsKind::PurchaseIn) {
                    const double b = NumberText::ToNumber(s.num);
                    const double p = NumberText::ToNumber(s.price);
                    if (a > b) {
                        s.remark += Note(kNotes[kind].anomaly, r);
                    } else {
                        const double left = kind == GoodsKind::SaleReturn ? a + b : b - a;
                        s.num = NumberText::ToText(left);
                        s.total = NumberText::ToText(p * left);
                        s.remark += Note(kNotes[kind].merge, r);
                        found = true;
                    }
                }
                ClearPaid(s);
                if (!super)
                    ClearPrices(s);
            }
        }
        if (!found) {
            GoodsRecord report = r;
            report.remark = QString::fromUtf8(kNotes[kind].notFound);
            out.append(report);
        }
    }
    return out;
}

double ArticleStock(const GoodsList &articleRows)
{
    double left = 0;
    // Stock rows come from purchase-ins; rows of other kinds in the result
    // are reports of movements that found no stock.
    for (const GoodsRecord &s : ComputeStock(articleRows, SuperUserType)) {
        if (s.tabType == GoodsKind::PurchaseIn)
            left += NumberText::ToNumber(s.num);
    }
    return left;
}

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
