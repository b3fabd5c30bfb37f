#pragma once

#include "db/money.h"
#include "db/records.h"

#include <QHash>
#include <QPair>
#include <QString>
#include <QVector>

// The moving-average purchase cost of every article (model and colour), run
// over goods rows in cost order. What a sale, a loss or a return costs is
// what the shelves held it at, so gross profit and stock value do not depend
// on the finance ledgers having been kept.
class MovingAverage
{
public:
    struct Article
    {
        Money quantity; // may go below zero when more was sold than bought
        Money value;    // quantity at cost
        Money average;  // the last known cost of one piece; 0 before any purchase
        QString name;   // of the article's latest row that names it
    };

    // What one row did.
    struct Step
    {
        bool applied = false;   // false: its quantity or price is not a number
        Money quantity;         // the row's quantity
        Money cost;             // out at cost (sale, loss, purchase return) or back (sale return)
        bool belowZero = false; // it took more than was on the shelves
    };

    // One key per article: model and colour, shared, never copied character by character.
    using Key = QPair<QString, QString>;
    static Key KeyOf(const QString &model, const QString &color) { return qMakePair(model, color); }
    // The order costs are computed in: date, then entry time, then the order given.
    static QVector<int> CostOrder(const GoodsList &rows);

    // Applies one row of any goods kind; other kinds are skipped.
    Step Apply(const GoodsRecord &row);

    const QHash<Key, Article> &articles() const { return m_articles; }
    Article ArticleOf(const QString &model, const QString &color) const
    {
        return m_articles.value(KeyOf(model, color));
    }
    // Rows left out because their quantity or price was not a number.
    int skipped() const { return m_skipped; }

private:
    // Takes quantity out at the current average; the cost taken.
    Money Remove(Article &a, const Money &quantity, bool *belowZero);

    QHash<Key, Article> m_articles;
    // Cost of one piece of the latest sale per article, customer and salesperson:
    // a sale return comes back at it.
    QHash<QPair<Key, Key>, Money> m_saleCost;
    int m_skipped = 0;
};
