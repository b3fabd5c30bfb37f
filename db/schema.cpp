#include "db/schema.h"

namespace Schema {

const char *const GoodsTable = "tb_sm_product_info";
const char *const FinanceTable = "tb_sm_finance_info";
const char *const MasterDataTable = "tb_sm_prestore_info";
const char *const PeopleTable = "tb_sm_person_info";
const char *const UserTable = "tb_sm_user";
const char *const StockRuleTable = "tb_sm_stock_rule";

namespace {

Table Make(const char *name, std::initializer_list<std::pair<const char *, const char *>> columns)
{
    Table t;
    t.name = QLatin1String(name);
    for (const auto &c : columns)
        t.columns.append({QLatin1String(c.first), QLatin1String(c.second)});
    return t;
}

QList<Table> Build()
{
    const char *vc = "VARCHAR(50)";
    const char *nv = "NVARCHAR(MAX)";
    const auto infoTable = [&](const char *name) {
        return Make(name, {{"info_type", "int"}, {"info_list", nv}, {"store_no", vc}});
    };
    return {
        Make(GoodsTable, {{"tab_type", "int"},    {"product_serial", vc},   {"product_class", vc},
                          {"product_name", vc},   {"product_model", vc},    {"product_color", vc},
                          {"product_code", vc},   {"product_size", vc},     {"product_time", "date"},
                          {"product_store", vc},  {"product_num", vc},      {"product_price", vc},
                          {"product_total", vc},  {"product_pay", vc},      {"product_debt", vc},
                          {"product_supply", vc}, {"product_purchase", vc}, {"product_oddNum", vc},
                          {"product_record", vc}, {"prodcut_remark", nv},   {"store_no", vc}}),
        infoTable(MasterDataTable),
        infoTable(PeopleTable),
        Make(FinanceTable,
             {{"tab_type", "int"},
              {"ie_serial", vc},
              {"ie_item", vc},
              {"ie_sum", vc},
              {"ie_time", vc},
              {"ie_client", vc},
              {"ie_sale", vc},
              {"ie_cert", vc},
              {"ie_record", vc},
              {"ie_remark", nv},
              {"store_no", vc}}),
        Make(UserTable,
             {{"user_phoneno", vc},
              {"user_name", vc},
              {"user_password", vc},
              {"user_type", "int"},
              {"user_online", "int"},
              {"user_ip", vc},
              {"user_remark", nv},
              {"store_no", vc}}),
        // Minimum quantities of the 库存预警 page; a later addition, so last.
        Make(StockRuleTable,
             {{"product_model", vc}, {"product_color", vc}, {"min_num", vc}, {"store_no", vc}}),
    };
}

} // namespace

QStringList Table::columnNames() const
{
    QStringList names;
    for (const Column &c : columns)
        names << c.name;
    return names;
}

QStringList Table::columnTypes() const
{
    QStringList types;
    for (const Column &c : columns)
        types << c.type;
    return types;
}

int Table::columnIndex(const QString &column) const
{
    for (int i = 0; i < columns.size(); ++i)
        if (columns.at(i).name == column)
            return i;
    return -1;
}

const QList<Table> &Tables()
{
    static const QList<Table> tables = Build();
    return tables;
}

const Table *Find(const QString &tableName)
{
    for (const Table &t : Tables())
        if (t.name == tableName)
            return &t;
    return nullptr;
}

} // namespace Schema
