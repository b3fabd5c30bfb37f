#pragma once

#include <QObject>
#include <QString>

class LedgerModel;

// Watches a goods page's edits: a sale, purchase return or loss that leaves
// its article's stock below zero gets its quantity marked, and the status line
// is told; a later edit that makes room takes the mark away.
class StockWarning : public QObject
{
    Q_OBJECT
public:
    explicit StockWarning(LedgerModel *model);

    // Weighs the row against the article's other stored rows.
    void CheckStock(int row);

signals:
    void Warning(const QString &text);

private:
    LedgerModel *m_model;
};
