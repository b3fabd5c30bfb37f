#pragma once

#include "db/records.h"

#include <QList>
#include <QString>
#include <QStringList>

// What one bar chart shows: one bar per label, values in the same order.
struct HistogramData
{
    QString title;
    QString subtitle;
    QString yTitle;
    QStringList labels;
    QList<double> values;

    bool operator==(const HistogramData &o) const;
    bool operator!=(const HistogramData &o) const { return !(*this == o); }
};

// Turns chart data into the JavaScript the chart page runs. Holds no data.
class ChartScript
{
public:
    // The figures the dialog draws when nobody has handed it any.
    static HistogramData SampleData();

    // The call getData("<json>") with the JSON text as a JavaScript string literal.
    QString Histogram(const QString &title, const QString &subtitle, const QStringList &xValues,
                      const QList<double> &yValues, const QString &yUnit) const;
    QString Histogram(const HistogramData &data) const;

    // The compact JSON object the page parses (keys "tittle", "subtittle",
    // "xvalue", "ytittle", "yvalue").
    static QByteArray HistogramJson(const QString &title, const QString &subtitle, const QStringList &xValues,
                                    const QList<double> &yValues, const QString &yUnit);

    // Sales amount per model, in the order the models first appear. Rows are
    // sale rows with returns already deducted; the amount is the total column.
    static HistogramData FromSalesRows(const GoodsList &rows, const QString &subtitle = QString());

    // Rows of a summary page of the sales statistics stack, in page order: the
    // group (text 0) as label, the amount or, with unpaid, the unpaid sum as value.
    static HistogramData FromSummaryRows(const GoodsList &rows, const QString &title, bool unpaid,
                                         const QString &subtitle = QString());

    // Rows of 毛利统计 or 全店汇总 in page order, without the closing totals
    // row: the article (model and colour) or the store as label, the gross profit as value.
    static HistogramData FromMarginRows(const GoodsList &rows, const QString &title,
                                        const QString &totalsItem, const QString &subtitle = QString());

    // The profit page's summary rows: item as label, sum as value.
    static HistogramData FromProfitRows(const FinanceList &rows, const QString &subtitle = QString());
};
