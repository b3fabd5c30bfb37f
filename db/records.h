#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Ledger kinds. The stored kinds are the tab_type values of the goods and
// finance tables; the computed kinds never reach the database.
namespace GoodsKind {
enum : int { PurchaseIn = 0, PurchaseReturn = 1, Sale = 2, SaleReturn = 3, Loss = 4, CurrentStock = 5 };
constexpr int StoredCount = 5;
} // namespace GoodsKind
namespace FinanceKind {
enum : int {
    Income = 0,
    Debts = 1,
    OtherIncome = 2,
    PurchasePayments = 3,
    Salaries = 4,
    UtilitiesRent = 5,
    OtherExpenses = 6,
    Profit = 7
};
constexpr int StoredCount = 7;
} // namespace FinanceKind

// One row of tb_sm_product_info. The 19 texts are in column order of the
// goods tables (serial .. remark), so text(i) is table column i.
struct GoodsRecord
{
    static constexpr int TextCount = 19;

    int tabType = 0;
    QString serial;
    QString productClass;
    QString name;
    QString model;
    QString color;
    QString code;
    QString size;
    QString time;
    QString store;
    QString num;
    QString price;
    QString total;
    QString pay;
    QString debt;
    QString supply;
    QString purchase;
    QString oddNum;
    QString record;
    QString remark;

    const QString &text(int i) const;
    void setText(int i, const QString &value);
    bool operator==(const GoodsRecord &o) const;
    bool operator!=(const GoodsRecord &o) const { return !(*this == o); }
};

// One row of tb_sm_finance_info. A new record holds "0" in every text but the item.
struct FinanceRecord
{
    static constexpr int TextCount = 9;

    int tabType = 0;
    QString serial = QStringLiteral("0");
    QString item;
    QString sum = QStringLiteral("0");
    QString time = QStringLiteral("0");
    QString client = QStringLiteral("0");
    QString sale = QStringLiteral("0");
    QString cert = QStringLiteral("0");
    QString record = QStringLiteral("0");
    QString remark = QStringLiteral("0");

    const QString &text(int i) const;
    void setText(int i, const QString &value);
    bool operator==(const FinanceRecord &o) const;
    bool operator!=(const FinanceRecord &o) const { return !(*this == o); }
};

// One master-data or people list, flattened into one text.
struct InfoList
{
    int infoType = 0;
    QString list;
};

// Store kinds of the information lists.
namespace InfoStore {
enum : int { MasterData = 1, People = 2 };
}

// List numbers within each store kind (InfoList::infoType).
namespace ListNo {
enum MasterInfo : int {
    GoodsClass = 1,
    GoodsName = 2,
    GoodsModel = 3,
    GoodsColor = 4,
    GoodsSize = 6,
    Warehouse = 8
};
enum PeopleInfo : int {
    Users = 0,
    Employees = 1,
    Customers = 2,
    Distributors = 3,
    Suppliers = 4,
    Partners = 5
};
} // namespace ListNo

// One user account.
struct UserRecord
{
    int userType = 0;
    int online = 0;
    QString phone;
    QString name;
    QString password;
    QString ip;
    QString remark;
};

using GoodsList = QList<GoodsRecord>;
using FinanceList = QList<FinanceRecord>;

// A record's texts in column order, as a page or a workbook row holds them.
template <typename Record>
QStringList RecordTexts(const Record &record)
{
    QStringList texts;
    texts.reserve(Record::TextCount);
    for (int i = 0; i < Record::TextCount; ++i)
        texts << record.text(i);
    return texts;
}
