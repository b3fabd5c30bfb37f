#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

// The one table of ledger pages: which stack a page sits on, the object names
// of its widgets, its column titles and where its rows are stored. The main
// window builds and wires every page from this table; later code finds a page
// by its table, its kind or any of its buttons through the look-ups below.
namespace LedgerKinds {

enum class Group { Goods, Sales, Finance };

struct PageKind
{
    Group group = Group::Goods;
    int kind = 0;       // tab_type for stored kinds; index inside the group
    int stackIndex = 0; // page index inside its stack
    QString stackName;  // stackedWidget, stackedWidget_2, stackedWidget_3
    QString pageName;
    QString tableName;
    QString titleButton; // btn_label..., btn_fin_...; empty on the sales page
    QString titleText;   // on the title button, or a plain heading where there is none
    // Totals line: goods and sales pages have three edits, finance pages one.
    QString totalEdit;   // lineEdit_t_N / lineEdit_ft_N
    QString paidEdit;    // lineEdit_p_N, empty on finance pages
    QString debtEdit;    // lineEdit_d_N, empty on finance pages
    QString totalButton; // btn_total_N / btn_ft_N
    // Set on a summary page: its totals edit shows the amount of the row with
    // this item rather than the sum of every row.
    QString totalsItem;
    // Page buttons; empty where the page has none.
    QString addButton;
    QString deleteButton;
    QString clearButton;
    QString queryButton;
    QString importButton;
    QString exportButton;
    QString printButton;
    QString chartButton; // 图表 after the export button; empty where the page has none
    QString menuAction;  // the menu entry that shows a page of the sales statistics stack
    QString storedTable; // tb_sm_product_info / tb_sm_finance_info; empty when computed
    QStringList columnTitles;
    // The record text each column shows, -1 for none; empty when column i shows text i.
    QVector<int> columnTexts;

    int TextOf(int column) const { return columnTexts.isEmpty() ? column : columnTexts.value(column, -1); }
    // The stock page: its last two columns are each row's average cost and
    // value, and its totals line's third figure is the value.
    bool ShowsStockValue() const { return !columnTexts.isEmpty(); }
    bool IsStored() const { return !storedTable.isEmpty(); }
    // Rows computed from stored ones (stock, sales statistics, profit): shown
    // read-only, since nothing typed there could be stored.
    bool IsComputed() const { return !IsStored(); }
    int ColumnCount() const { return columnTitles.size(); }
    // Columns without a title are hidden: the summary pages use only a few.
    bool IsColumnShown(int column) const { return !columnTitles.value(column).isEmpty(); }
    // Buttons of the page that exist, in the order they stand on the page.
    QStringList ActionButtons() const;
    // The 欠款统计 page: its totals line keeps receivables and payables apart.
    bool IsDebtSummary() const;
};

constexpr int GoodsColumnCount = 19;
// The stock page's columns after the goods ones: 平均成本 and 库存金额.
constexpr int AverageCostColumn = 19;
constexpr int StockValueColumn = 20;
constexpr int FinanceColumnCount = 9;
constexpr int SizeColumn = 6;
// Entry time (every page) and business date columns.
constexpr int SerialColumn = 0;
constexpr int GoodsDateColumn = 7;
constexpr int FinanceDateColumn = 3;
// Goods columns the pages' work names: code, warehouse and the five amounts.
constexpr int CodeColumn = 5;
constexpr int WarehouseColumn = 8;
constexpr int NumColumn = 9;
constexpr int PriceColumn = 10;
constexpr int TotalColumn = 11;
constexpr int PayColumn = 12;
constexpr int DebtColumn = 13;
constexpr int FinanceSumColumn = 2;
// The 欠款统计 page's kind in the sales statistics stack (the sales statistics' Debts view).
constexpr int DebtSummaryKind = 4;
// The owner's pages after them in the same stack: gross margin, low stock, every store.
constexpr int MarginKind = 5;
constexpr int StockAlertKind = 6;
constexpr int ChainKind = 7;
constexpr int SalesPageCount = 8;

// Tool tip of the size column's header on every goods and sales table.
QString SizeColumnToolTip();

// Captions of the page buttons and the totals line.
QString AddCaption();
QString DeleteCaption();
QString ClearCaption();
QString QueryCaption();
QString ImportCaption();
QString ExportCaption();
QString PrintCaption();
QString GoodsTotalsCaption();    // "统计"
QString FinanceTotalsCaption();  // "数额统计"
QStringList GoodsTotalsLabels(); // "总金额:", "已付款:", "未付款:"
// The labels of a goods-style page's totals line: GoodsTotalsLabels(), or on
// the 欠款统计 page "应收合计:", "应付合计:", "净额:"; the owner's pages name their figures.
QStringList GoodsTotalsLabels(const PageKind &page);
QString FinanceTotalsLabel(); // "总额:"

// All pages: goods 0-5, the sales statistics stack (sales rows, per day, per
// salesperson, per customer, money owed), finance 0-7.
const QList<PageKind> &Pages();

// Look-ups; null when nothing matches.
const PageKind *Find(Group group, int kind);
const PageKind *FindByTable(const QString &tableName);
// Any button or totals edit of a page: add, delete, query, chart, title, totals, ...
const PageKind *FindByWidget(const QString &objectName);

} // namespace LedgerKinds
