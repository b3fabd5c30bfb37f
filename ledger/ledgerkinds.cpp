#include "ledger/ledgerkinds.h"

#include "db/records.h"

namespace LedgerKinds {
namespace {

// Goods and sales columns: the titles that differ per page, one row per column,
// one entry per page (purchase-in, purchase-return, sale, sale-return, loss,
// current stock, sales totals).
constexpr int GoodsPageCount = 7;
struct GoodsColumnTitles
{
    int column;
    const char *titles[GoodsPageCount];
};
const GoodsColumnTitles kGoodsVarying[] = {
    {0, {"录入时间", "录入时间", "录入时间", "录入时间", "录入时间", "入库时间", "录入时间"}},
    {7, {"进货日期", "退货日期", "出售日期", "退货日期", "退货日期", "退货日期", "出售日期"}},
    {9, {"进货数量", "退货数目", "出售数目", "退回数量", "损失数目", "库存数目", "出售数目"}},
    {10, {"产品单价", "退货单价", "出售单价", "退回单价", "损失单价", "商品单价", "出售单价"}},
    {11, {"合计金额", "退款金额", "合计金额", "退回金额", "损失金额", "商品金额", "合计金额"}},
    {12, {"已付款项", "已退金额", "已付款项", "已退款项", "----", "----", "已付款项"}},
    {13, {"尚欠余款", "未退款项", "尚欠余款", "未退余款", "----", "----", "尚欠余款"}},
    {14, {"供货商", "供货商", "客户信息", "客户信息", "经手人员", "经手人员", "客户信息"}},
    {15, {"采购人员", "退货人员", "销售人员", "销售人员", "核实人员", "核实人员", "销售人员"}},
};
// Titles shared by every goods page; empty entries are filled from kGoodsVarying.
const char *const kGoodsCommon[GoodsColumnCount] = {
    "", "商品类目", "商品名称", "商品型号", "商品色号", "商品编码", "商品规格", "",         "存储仓库", "",
    "", "",         "",         "",         "",         "",         "单据号",   "录入人员", "备注"};

// Finance columns: one row per column, one entry per page (income, debts,
// other income, purchase payments, salaries, utilities and rent, other
// expenses, profit).
constexpr int FinancePageCount = 8;
const char *const kFinanceTitles[FinanceColumnCount][FinancePageCount] = {
    {"录入时间", "录入时间", "录入时间", "录入时间", "录入时间", "录入时间", "录入时间", "录入时间"},
    {"收款项目", "欠款项目", "收款项目", "支出项目", "支付项目", "支出项目", "支付项目", "款项"},
    {"收款数额", "欠款数额", "收入数额", "支付数额", "支付数额", "支出数额", "支付数额", "总计(元）"},
    {"收款时间", "欠款时间", "收入时间", "支付时间", "支付时间", "支出时间", "支付时间", "--"},
    {"客户信息", "客户信息", "客户信息", "收款方信息", "员工信息", "收款方信息", "收款方信息", "--"},
    {"销售人员", "销售人员", "销售人员", "采购人员", "经手人员", "经手人员", "经手人员", "--"},
    {"收款单据号", "欠款凭证号", "收款凭证号", "支付凭证号", "收款凭证号", "收款凭证号", "支付凭证号", "--"},
    {"录入人员", "录入人员", "录入人员", "录入人员", "录入人员", "录入人员", "录入人员", "--"},
    {"备注(关联、备忘等)", "备注", "备注", "备注", "备注", "备注", "备注", "备注"},
};

// The summary pages of the sales statistics stack (per day, salesperson,
// customer; money owed): the titles of the columns they show, one entry per
// page; the other columns stay untitled and hidden.
constexpr int SummaryPageCount = 4;
const GoodsColumnTitles kSummaryTitles[] = {
    {0, {"销售日期", "销售人员", "客户信息", "客户/供货商"}},
    {5, {"", "", "", "类别"}},
    {9, {"出售数目", "出售数目", "出售数目", ""}},
    {11, {"合计金额", "合计金额", "合计金额", "合计金额"}},
    {12, {"已付款项", "已付款项", "已付款项", "已付款项"}},
    {13, {"尚欠余款", "尚欠余款", "尚欠余款", "欠款余额"}},
    {16, {"销售笔数", "销售笔数", "销售笔数", "笔数"}},
    {18, {"", "", "", "最早欠款日期"}},
};

// The owner's pages (gross margin, low stock, every store), likewise.
constexpr int OwnerPageCount = 3;
const GoodsColumnTitles kOwnerTitles[] = {
    {0, {"", "", "店号"}},
    {2, {"商品名称", "商品名称", ""}},
    {3, {"商品型号", "商品型号", ""}},
    {4, {"商品色号", "商品色号", ""}},
    {7, {"", "最后销售日期", ""}},
    {9, {"销售数量", "库存数目", ""}},
    {11, {"销售收入", "", "销售金额"}},
    {12, {"销售成本", "", "库存金额"}},
    {13, {"毛利", "", "毛利"}},
    {14, {"毛利率(%)", "", "应收欠款"}},
    {15, {"损耗数量", "", "应付欠款"}},
    {16, {"损耗成本", "预警数量", "录入行数"}},
    {18, {"备注", "备注", "备注"}},
};

QStringList OwnerTitles(int page)
{
    QStringList titles;
    for (int c = 0; c < GoodsColumnCount; ++c)
        titles << QString();
    for (const auto &c : kOwnerTitles)
        titles[c.column] = QString::fromUtf8(c.titles[page]);
    return titles;
}

QStringList SummaryTitles(int page)
{
    QStringList titles;
    for (int c = 0; c < GoodsColumnCount; ++c)
        titles << QString();
    for (const auto &c : kSummaryTitles)
        titles[c.column] = QString::fromUtf8(c.titles[page]);
    return titles;
}

QStringList GoodsTitles(int page)
{
    QStringList titles;
    for (const char *t : kGoodsCommon)
        titles << QString::fromUtf8(t);
    for (const auto &c : kGoodsVarying)
        titles[c.column] = QString::fromUtf8(c.titles[page]);
    return titles;
}

QStringList FinanceTitles(int page)
{
    QStringList titles;
    for (const auto &row : kFinanceTitles)
        titles << QString::fromUtf8(row[page]);
    return titles;
}

// "btn_puradd" on the first goods page, "btn_puradd_2" on the second, ...
QString Suffixed(const char *base, int number)
{
    const QString name = QString::fromLatin1(base);
    return number == 1 ? name : name + QStringLiteral("_%1").arg(number);
}

QList<PageKind> BuildPages()
{
    QList<PageKind> pages;

    const struct
    {
        const char *page;
        const char *table;
        const char *title;
    } goods[] = {
        {"page_purchaseIn_1", "tab_purchaseIn", "采购进货表"},
        {"page_purchaseBack_2", "tab_purchaseBack", "采购退货表"},
        {"page_saleout_3", "tab_saleout", "销售管理表"},
        {"page_saleback_4", "tab_saleback", "销售退货表"},
        {"page_Lossmge_5", "tab_storelose", "损耗表"},
        {"page_store_curr", "tab_storeCurr", "库存表"},
    };
    for (int k = 0; k < 6; ++k) {
        const int n = k + 1;
        PageKind p;
        p.group = Group::Goods;
        p.kind = k;
        p.stackIndex = k;
        p.stackName = QStringLiteral("stackedWidget");
        p.pageName = QString::fromLatin1(goods[k].page);
        p.tableName = QString::fromLatin1(goods[k].table);
        p.titleButton = Suffixed("btn_label", n);
        p.titleText = QString::fromUtf8(goods[k].title);
        p.totalEdit = QStringLiteral("lineEdit_t_%1").arg(n);
        p.paidEdit = QStringLiteral("lineEdit_p_%1").arg(n);
        p.debtEdit = QStringLiteral("lineEdit_d_%1").arg(n);
        p.totalButton = QStringLiteral("btn_total_%1").arg(n);
        const bool stored = k < GoodsKind::StoredCount;
        if (stored) {
            p.addButton = Suffixed("btn_puradd", n);
            p.deleteButton = Suffixed("btn_purdel", n);
            p.clearButton = Suffixed("btn_purclr", n);
            p.importButton = Suffixed("btn_inport", n);
            p.storedTable = QStringLiteral("tb_sm_product_info");
        }
        p.queryButton = Suffixed("btn_purquery", n);
        p.exportButton = Suffixed("btn_export", n);
        p.printButton = Suffixed("btn_purprint", n);
        p.columnTitles = GoodsTitles(k);
        if (k == GoodsKind::CurrentStock) {
            // The figures travel in the paid and unpaid texts, which a stock row has no use for.
            p.columnTitles << QStringLiteral("平均成本") << QStringLiteral("库存金额");
            for (int c = 0; c < GoodsColumnCount; ++c)
                p.columnTexts << (c == PayColumn || c == DebtColumn ? -1 : c);
            p.columnTexts << PayColumn << DebtColumn;
        }
        pages << p;
    }

    PageKind sales;
    sales.group = Group::Sales;
    sales.kind = 0;
    sales.stackIndex = 0;
    sales.stackName = QStringLiteral("stackedWidget_2");
    sales.pageName = QStringLiteral("page");
    sales.tableName = QStringLiteral("tab_saletotal_1");
    sales.totalEdit = QStringLiteral("lineEdit_t_7");
    sales.paidEdit = QStringLiteral("lineEdit_p_7");
    sales.debtEdit = QStringLiteral("lineEdit_d_7");
    sales.totalButton = QStringLiteral("btn_total_7");
    sales.queryButton = QStringLiteral("btn_salequery_1");
    sales.exportButton = QStringLiteral("btn_export_7");
    sales.printButton = QStringLiteral("btn_purprint_7");
    sales.chartButton = QStringLiteral("btn_chart_7");
    sales.menuAction = QStringLiteral("action_saletotal");
    sales.columnTitles = GoodsTitles(6);
    pages << sales;

    const char *const summaries[SummaryPageCount] = {"page_saleday", "page_saleemploy", "page_saledistri",
                                                     "page_saledebt"};
    const char *const summaryActions[SummaryPageCount] = {"action_saleday", "action_saleemploy",
                                                          "action_saledistri", "action_saledebt"};
    const char *const summaryTitles[SummaryPageCount] = {"日销售统计", "员工销售统计", "分销商销售统计",
                                                         "欠款统计"};
    for (int k = 1; k <= SummaryPageCount; ++k) {
        const int n = 7 + k; // numbering goes on from the sales page's widgets
        PageKind p = sales;
        p.kind = k;
        p.stackIndex = k;
        p.pageName = QString::fromLatin1(summaries[k - 1]);
        p.titleText = QString::fromUtf8(summaryTitles[k - 1]);
        p.menuAction = QString::fromLatin1(summaryActions[k - 1]);
        p.tableName = QStringLiteral("tab_saletotal_%1").arg(k + 1);
        p.totalEdit = QStringLiteral("lineEdit_t_%1").arg(n);
        p.paidEdit = QStringLiteral("lineEdit_p_%1").arg(n);
        p.debtEdit = QStringLiteral("lineEdit_d_%1").arg(n);
        p.totalButton = QStringLiteral("btn_total_%1").arg(n);
        p.queryButton = QStringLiteral("btn_salequery_%1").arg(k + 1);
        p.exportButton = QStringLiteral("btn_export_%1").arg(n);
        p.printButton = QStringLiteral("btn_purprint_%1").arg(n);
        p.chartButton = QStringLiteral("btn_chart_%1").arg(n);
        p.columnTitles = SummaryTitles(k - 1);
        pages << p;
    }

    const struct
    {
        const char *page;
        const char *action;
        const char *title;
    } owners[OwnerPageCount] = {
        {"page_salemargin", "action_salemargin", "毛利统计"},
        {"page_stockalert", "action_stockalert", "库存预警"},
        {"page_chain", "action_chainsummary", "全店汇总"},
    };
    for (int k = 0; k < OwnerPageCount; ++k) {
        const int n = 13 + k; // numbering goes on from the summaries' widgets
        PageKind p = sales;
        p.kind = MarginKind + k;
        p.stackIndex = p.kind;
        p.pageName = QString::fromLatin1(owners[k].page);
        p.titleText = QString::fromUtf8(owners[k].title);
        p.menuAction = QString::fromLatin1(owners[k].action);
        p.tableName = QStringLiteral("tab_saletotal_%1").arg(p.kind + 1);
        p.totalEdit = QStringLiteral("lineEdit_t_%1").arg(n);
        p.paidEdit = QStringLiteral("lineEdit_p_%1").arg(n);
        p.debtEdit = QStringLiteral("lineEdit_d_%1").arg(n);
        p.totalButton = QStringLiteral("btn_total_%1").arg(n);
        p.queryButton = QStringLiteral("btn_salequery_%1").arg(p.kind + 1);
        p.exportButton = QStringLiteral("btn_export_%1").arg(n);
        p.printButton = QStringLiteral("btn_purprint_%1").arg(n);
        p.chartButton = p.kind == StockAlertKind ? QString() : QStringLiteral("btn_chart_%1").arg(n);
        // Their last row sums the others (the analytics' totals item).
        p.totalsItem = p.kind == StockAlertKind ? QString() : QStringLiteral("合计");
        p.columnTitles = OwnerTitles(k);
        pages << p;
    }

    const struct
    {
        const char *page;
        const char *table;
        const char *title;
    } finance[] = {
        {"page_income", "tab_income", "收款管理表"},   {"page_debt", "tab_debt", "未收欠款管理表"},
        {"page_inother", "tab_inother", "其他收入表"}, {"page_purpay", "tab_purpay", " 采购支付表"},
        {"page_salary", "tab_salary", "员工薪酬"},     {"page_utility", "tab_utility", "水电租赁支出"},
        {"page_expother", "tab_expother", "其他支出"}, {"page_profit", "tab_profit", "利润表"},
    };
    for (int k = 0; k < 8; ++k) {
        const int n = k + 1;
        PageKind p;
        p.group = Group::Finance;
        p.kind = k;
        p.stackIndex = k;
        p.stackName = QStringLiteral("stackedWidget_3");
        p.pageName = QString::fromLatin1(finance[k].page);
        p.tableName = QString::fromLatin1(finance[k].table);
        p.titleButton = QStringLiteral("btn_fin_%1").arg(n);
        p.titleText = QString::fromUtf8(finance[k].title);
        p.totalEdit = QStringLiteral("lineEdit_ft_%1").arg(n);
        p.totalButton = QStringLiteral("btn_ft_%1").arg(n);
        if (k < FinanceKind::StoredCount) {
            p.addButton = QStringLiteral("btn_finadd_%1").arg(n);
            p.deleteButton = QStringLiteral("btn_findel_%1").arg(n);
            p.clearButton = QStringLiteral("btn_finclr_%1").arg(n);
            p.importButton = QStringLiteral("btn_fininport_%1").arg(n);
            p.storedTable = QStringLiteral("tb_sm_finance_info");
        } else {
            // The label of the profit computation's last row (a test holds the two equal).
            p.totalsItem = QStringLiteral("经营利润");
        }
        p.queryButton = QStringLiteral("btn_finquery_%1").arg(n);
        p.exportButton = QStringLiteral("btn_finexport_%1").arg(n);
        p.printButton = QStringLiteral("btn_finprint_%1").arg(n);
        if (k == FinanceKind::Profit)
            p.chartButton = QStringLiteral("btn_finchart_%1").arg(n);
        p.columnTitles = FinanceTitles(k);
        pages << p;
    }
    return pages;
}

} // namespace

QStringList PageKind::ActionButtons() const
{
    QStringList names;
    for (const QString *name : {&addButton, &deleteButton, &clearButton, &queryButton, &importButton,
                                &exportButton, &printButton}) {
        if (!name->isEmpty())
            names << *name;
    }
    return names;
}

bool PageKind::IsDebtSummary() const { return group == Group::Sales && kind == DebtSummaryKind; }

QString SizeColumnToolTip() { return QStringLiteral("<html><head/><body><p>商品尺寸</p></body></html>"); }

QString AddCaption() { return QStringLiteral("增加"); }
QString DeleteCaption() { return QStringLiteral("删除"); }
QString ClearCaption() { return QStringLiteral("清空"); }
QString QueryCaption() { return QStringLiteral("查询"); }
QString ImportCaption() { return QStringLiteral("导入"); }
QString ExportCaption() { return QStringLiteral("导出"); }
QString PrintCaption() { return QStringLiteral("打印"); }
QString GoodsTotalsCaption() { return QStringLiteral("统计"); }
QString FinanceTotalsCaption() { return QStringLiteral("数额统计"); }
QStringList GoodsTotalsLabels()
{
    return {QStringLiteral("总金额:"), QStringLiteral("已付款:"), QStringLiteral("未付款:")};
}
QStringList GoodsTotalsLabels(const PageKind &page)
{
    if (page.IsDebtSummary())
        return {QStringLiteral("应收合计:"), QStringLiteral("应付合计:"), QStringLiteral("净额:")};
    if (page.ShowsStockValue())
        return {QStringLiteral("总金额:"), QStringLiteral("已付款:"), QStringLiteral("库存金额:")};
    if (page.group == Group::Sales && page.kind == MarginKind)
        return {QStringLiteral("销售收入:"), QStringLiteral("销售成本:"), QStringLiteral("毛利:")};
    if (page.group == Group::Sales && page.kind == ChainKind)
        return {QStringLiteral("销售金额:"), QStringLiteral("库存金额:"), QStringLiteral("毛利:")};
    return GoodsTotalsLabels();
}
QString FinanceTotalsLabel() { return QStringLiteral("总额:"); }

const QList<PageKind> &Pages()
{
    static const QList<PageKind> pages = BuildPages();
    return pages;
}

const PageKind *Find(Group group, int kind)
{
    for (const PageKind &p : Pages()) {
        if (p.group == group && p.kind == kind)
            return &p;
    }
    return nullptr;
}

const PageKind *FindByTable(const QString &tableName)
{
    for (const PageKind &p : Pages()) {
        if (p.tableName == tableName)
            return &p;
    }
    return nullptr;
}

const PageKind *FindByWidget(const QString &objectName)
{
    if (objectName.isEmpty())
        return nullptr;
    for (const PageKind &p : Pages()) {
        if (p.ActionButtons().contains(objectName) || objectName == p.titleButton
            || objectName == p.totalButton || objectName == p.totalEdit || objectName == p.chartButton
            || objectName == p.paidEdit || objectName == p.debtEdit || objectName == p.tableName
            || objectName == p.pageName)
            return &p;
    }
    return nullptr;
}

} // namespace LedgerKinds
