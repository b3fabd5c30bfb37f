#include "analytics/stockwarning.h"

#include "analytics/stockcompute.h"
#include "db/numbertext.h"
#include "db/storedbaccess.h"
#include "ledger/ledgerkinds.h"
#include "ledger/ledgermodel.h"

StockWarning::StockWarning(LedgerModel *model) : QObject(model), m_model(model)
{
    connect(model, &LedgerModel::CellEdited, this, [this](int row, int) { CheckStock(row); });
}

void StockWarning::CheckStock(int row)
{
    const int kind = m_model->page().kind;
    const GoodsRecord record = m_model->Goods(row);
    bool shortOfStock = false;
    if (m_model->page().group == LedgerKinds::Group::Goods
        && (kind == GoodsKind::Sale || kind == GoodsKind::PurchaseReturn || kind == GoodsKind::Loss)
        && !record.model.isEmpty()) {
        GoodsList article;
        if (StoreDbAccess::Instance()->QueryArticleGoods(record.model, record.color, record.store, article)) {
            // The stock computation never goes below zero (a movement without
            // room is only reported), so weigh this row against the rest.
            GoodsList others;
            for (const GoodsRecord &r : article) {
                if (r.serial != record.serial)
                    others.append(r);
            }
            const double left = StockCompute::ArticleStock(others);
            if (left - NumberText::ToNumber(record.num) < 0) {
                shortOfStock = true;
                emit Warning(QStringLiteral("库存不足：%1 %2 现有 %3")
                                 .arg(record.model, record.color, QString::number(left)));
            }
        }
    }
    m_model->SetShortStock(row, shortOfStock);
}
