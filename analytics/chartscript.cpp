#include "analytics/chartscript.h"

#include "db/money.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVector>

#include <cmath>

namespace {

// Goods columns read for the sales chart.
constexpr int kModelColumn = 3;
constexpr int kTotalColumn = 11;
// Finance columns read for the profit chart.
constexpr int kItemColumn = 1;
constexpr int kSumColumn = 2;

// A kind without rows in the period leaves its profit row's item empty; the
// chart still needs a name under the bar, so fall back to the row's place.
const char *const kProfitLabels[] = {
    "收款总额", "未收欠款总额", "其它收入总额", "采购支付总额",
    "员工薪酬", "水电租赁",     "其它支出",     "经营利润",
};

// A bar's height is the amount as its text shows it.
double CleanAmount(const QString &text) { return Money::FromText(text).ToDouble(); }

} // namespace

bool HistogramData::operator==(const HistogramData &o) const
{
    return title == o.title && subtitle == o.subtitle && yTitle == o.yTitle && labels == o.labels
        && values == o.values;
}

HistogramData ChartScript::SampleData()
{
    HistogramData d;
    d.title = QStringLiteral("主标题");
    d.subtitle = QStringLiteral("副标题");
    d.yTitle = QStringLiteral("y单位");
    d.labels = QStringList{QStringLiteral("Item1"), QStringLiteral("Item2"), QStringLiteral("Item3"),
                           QStringLiteral("Item4")};
    d.values = QList<double>{100, 400, 200, 300};
    return d;
}

QByteArray ChartScript::HistogramJson(const QString &title, const QString &subtitle,
                                      const QStringList &xValues, const QList<double> &yValues,
                                      const QString &yUnit)
{
    QJsonArray xs;
    for (const QString &x : xValues)
        xs.append(x);
    QJsonArray ys;
    for (double y : yValues)
        ys.append(std::isfinite(y) ? y : 0.0); // JSON has no NaN; Qt would write null
    QJsonObject o;
    o.insert(QStringLiteral("tittle"), title);
    o.insert(QStringLiteral("subtittle"), subtitle);
    o.insert(QStringLiteral("xvalue"), xs);
    o.insert(QStringLiteral("ytittle"), yUnit);
    o.insert(QStringLiteral("yvalue"), ys);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QString ChartScript::Histogram(const QString &title, const QString &subtitle, const QStringList &xValues,
                               const QList<double> &yValues, const QString &yUnit) const
{
    const QString json = QString::fromUtf8(HistogramJson(title, subtitle, xValues, yValues, yUnit));
    // The JSON goes into a double-quoted JavaScript literal. Backslashes must be
    // doubled before quotes are escaped, or a quote in a label (which JSON writes
    // as \") would end the literal and let the rest run as script.
    QString literal;
    literal.reserve(json.size() + 16);
    for (const QChar c : json) {
        switch (c.unicode()) {
        case '\\': literal += QLatin1String("\\\\"); break;
        case '"': literal += QLatin1String("\\\""); break;
        // Line terminators in ES5 string literals, though legal raw in JSON.
        case 0x2028: literal += QLatin1String("\\u2028"); break;
        case 0x2029: literal += QLatin1String("\\u2029"); break;
        default: literal += c;
        }
    }
    return QStringLiteral("getData(\"%1\")").arg(literal);
}

QString ChartScript::Histogram(const HistogramData &data) const
{
    return Histogram(data.title, data.subtitle, data.labels, data.values, data.yTitle);
}

HistogramData ChartScript::FromSalesRows(const GoodsList &rows, const QString &subtitle)
{
    HistogramData d;
    d.title = QStringLiteral("销售统计");
    d.subtitle = subtitle.isEmpty() ? QStringLiteral("各型号销售金额") : subtitle;
    d.yTitle = QStringLiteral("销售金额(元)");
    QHash<QString, int> slot;
    QVector<Money> sums;
    for (const GoodsRecord &r : rows) {
        QString model = r.text(kModelColumn).trimmed();
        if (model.isEmpty())
            model = QStringLiteral("未填型号");
        auto it = slot.constFind(model);
        if (it == slot.constEnd()) {
            it = slot.insert(model, d.labels.size());
            d.labels.append(model);
            sums.append(Money());
        }
        sums[*it] += Money::FromText(r.text(kTotalColumn));
    }
    for (const Money &sum : sums)
        d.values.append(sum.ToDouble());
    return d;
}

HistogramData ChartScript::FromSummaryRows(const GoodsList &rows, const QString &title, bool unpaid,
                                           const QString &subtitle)
{
    HistogramData d;
    d.title = title;
    d.subtitle =
        subtitle.isEmpty() ? (unpaid ? QStringLiteral("欠款余额") : QStringLiteral("销售金额")) : subtitle;
    d.yTitle = unpaid ? QStringLiteral("欠款(元)") : QStringLiteral("销售金额(元)");
    for (const GoodsRecord &r : rows) {
        // A name can be both a customer and a supplier on the debt page.
        d.labels.append(r.code.isEmpty() ? r.serial : r.code + QStringLiteral(" ") + r.serial);
        d.values.append(CleanAmount(unpaid ? r.debt : r.total));
    }
    return d;
}

HistogramData ChartScript::FromMarginRows(const GoodsList &rows, const QString &title,
                                          const QString &totalsItem, const QString &subtitle)
{
    HistogramData d;
    d.title = title;
    d.subtitle = subtitle.isEmpty() ? QStringLiteral("毛利") : subtitle;
    d.yTitle = QStringLiteral("毛利(元)");
    for (const GoodsRecord &r : rows) {
        if (r.serial == totalsItem)
            continue;
        d.labels.append(r.model.isEmpty() ? r.serial : (r.model + QStringLiteral(" ") + r.color).trimmed());
        d.values.append(CleanAmount(r.debt));
    }
    return d;
}

HistogramData ChartScript::FromProfitRows(const FinanceList &rows, const QString &subtitle)
{
    HistogramData d;
    d.title = QStringLiteral("利润统计");
    d.subtitle = subtitle.isEmpty() ? QStringLiteral("收支与经营利润") : subtitle;
    d.yTitle = QStringLiteral("金额(元)");
    const int known = int(sizeof(kProfitLabels) / sizeof(kProfitLabels[0]));
    for (int i = 0; i < rows.size(); ++i) {
        QString label = rows.at(i).text(kItemColumn).trimmed();
        if (label.isEmpty())
            label = i < known ? QString::fromUtf8(kProfitLabels[i]) : QStringLiteral("项目%1").arg(i + 1);
        d.labels.append(label);
        d.values.append(CleanAmount(rows.at(i).text(kSumColumn)));
    }
    return d;
}
