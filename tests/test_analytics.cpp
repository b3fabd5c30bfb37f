// Stock, sales deduction and summaries, profit, number texts and chart data;
// the query worker and runner; queries, pages and charts in the main window.
#include "analytics/chartscript.h"
#include "analytics/dialogshowgraph.h"
#include "analytics/profit.h"
#include "analytics/salesstatistics.h"
#include "analytics/stockcompute.h"
#include "app/mainwindow.h"
#include "db/numbertext.h"
#include "exchange/excelengine.h"
#include "ledger/dialogquery.h"
#include "query/queryfilter.h"
#include "query/queryprocess.h"
#include "query/reports.h"
#include "resources/resources.h"
#include "storetestsupport.h"
#include "widgets/modalseam.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QWebFrame>
#include <QWebView>
#include <QtTest>
#include <limits>

namespace {

const int kSuper = 1;
const int kPlain = 3;

// kind serial model customer seller num total time; stock rows also get
// colour "red", warehouse W1, price 10 (12 on movements), paid 7, unpaid 3.
GoodsRecord Row(int kind, const QString &serial, const QString &num, const QString &total = QString(),
                const QString &time = QStringLiteral("2024-03-05"),
                const QString &model = QStringLiteral("A"), const QString &customer = QString(),
                const QString &seller = QString())
{
    GoodsRecord r;
    r.tabType = kind;
    r.serial = serial;
    r.model = model;
    r.color = QStringLiteral("red");
    r.store = QStringLiteral("W1");
    r.num = num;
    r.price = kind == GoodsKind::PurchaseIn ? QStringLiteral("10") : QStringLiteral("12");
    r.total = kind == GoodsKind::PurchaseIn && total.isNull() ? QString::number(num.toDouble() * 10) : total;
    r.time = time;
    r.supply = customer;
    r.purchase = seller;
    r.pay = QStringLiteral("7");
    r.debt = QStringLiteral("3");
    return r;
}

GoodsRecord In(const QString &serial, const QString &num, const QString &time = QStringLiteral("2024-03-01"))
{
    return Row(GoodsKind::PurchaseIn, serial, num, QString(), time);
}

GoodsRecord Sale(const QString &serial, const QString &model, const QString &customer, const QString &seller,
                 const QString &num, const QString &total, const QString &time = QStringLiteral("2024-05-10"))
{
    return Row(GoodsKind::Sale, serial, num, total, time, model, customer, seller);
}

GoodsRecord Return(const QString &model, const QString &customer, const QString &seller, const QString &num,
                   const QString &total, const QString &time = QStringLiteral("2023-01-02"))
{
    return Row(GoodsKind::SaleReturn, QStringLiteral("r-") + time, num, total, time, model, customer, seller);
}

QString Merge(const char *table, const QString &time, const QString &num,
              const QString &model = QStringLiteral("A"))
{
    return QString::fromUtf8(table)
        + QStringLiteral("--时间：%1,型号：%2,数目:%3的项\n").arg(time, model, num);
}
const QString kInMerge = QStringLiteral("合并采购进货表--时间：%1,型号:%2,数目:%3的项\n");
const QString kSaleAnomaly =
    QStringLiteral("异常！请注意核查销售管理表,时间：%1，型号：%2，数目：%3比库存数据大\n");
const QString kSaleNotFound =
    QStringLiteral("请仔细核查销售售货表该行的各列信息，此记录在采购进货表或销售表不存在");

// The deduction as first written: every return against every sale, one
// subtraction at a time, exactly; the linear one must match it.
void DeductReturnByReturn(GoodsList &sales, const GoodsList &returns)
{
    const QString note = QStringLiteral("注意，该型号%1有退货金额%2元，从%3销售中扣除%4元");
    QVector<QPair<Money, Money>> left(sales.size());
    QVector<bool> touched(sales.size());
    for (int i = 0; i < sales.size(); ++i)
        left[i] = qMakePair(Money::FromText(sales.at(i).num), Money::FromText(sales.at(i).total));
    for (const GoodsRecord &r : returns) {
        for (int i = 0; i < sales.size(); ++i) {
            GoodsRecord &s = sales[i];
            if (s.model != r.model || s.supply != r.supply || s.purchase != r.purchase)
                continue;
            left[i].first -= Money::FromText(r.num);
            left[i].second -= Money::FromText(r.total);
            s.remark += note.arg(r.model, r.total, s.time, r.total);
            touched[i] = true;
        }
    }
    for (int i = 0; i < sales.size(); ++i) {
        if (touched.at(i)) {
            sales[i].num = left.at(i).first.ToText();
            sales[i].total = left.at(i).second.ToText();
        }
    }
}

// Exact decimal results of Python expressions over D('...') literals, each
// rounded half to even to six places and written as the program writes
// amounts; empty when python3 cannot be run.
QStringList PythonDecimal(const QStringList &expressions)
{
    const char *script = "import sys\n"
                         "from decimal import Decimal as D, getcontext, ROUND_HALF_EVEN\n"
                         "getcontext().prec = 80\n"
                         "for line in sys.stdin:\n"
                         "    v = eval(line).quantize(D('0.000001'), rounding=ROUND_HALF_EVEN)\n"
                         "    t = format(v, 'f')\n"
                         "    t = t.rstrip('0').rstrip('.') if '.' in t else t\n"
                         "    print('0' if t in ('-0', '') else t)\n";
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QLatin1String(script)});
    if (!python.waitForStarted())
        return {};
    python.write(expressions.join(QLatin1Char('\n')).toUtf8() + '\n');
    python.closeWriteChannel();
    if (!python.waitForFinished() || python.exitCode() != 0)
        return {};
    return QString::fromUtf8(python.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// A row of the query tests: customer 客户甲, salesperson 小王.
GoodsRecord Goods(int kind, const char *serial, const QString &date, const char *model, const char *num,
                  const char *total)
{
    return Row(kind, QLatin1String(serial), QLatin1String(num), QLatin1String(total), date,
               QLatin1String(model), QStringLiteral("客户甲"), QStringLiteral("小王"));
}

const QString kDay = QStringLiteral("2024-05-10");

FinanceRecord Finance(int kind, const QString &serial, const QString &date, const QString &sum,
                      const QString &client = QStringLiteral("客户甲"))
{
    FinanceRecord r;
    r.tabType = kind;
    r.serial = serial;
    r.item = QStringLiteral("销售收款");
    r.time = date;
    r.sum = sum;
    r.client = client;
    return r;
}

// A request with every condition empty but the one named by its widget.
QueryRequest Request(int group, int kind, int mode = QueryDateMode::Day, const char *widget = nullptr,
                     const QString &condition = QString())
{
    QueryRequest r;
    r.pageGroup = group;
    r.pageKind = kind;
    r.dateMode = mode;
    r.dateFrom = r.dateTo = kDay;
    const struct
    {
        QStringList *texts;
        QVector<QueryFilter::ConditionField> fields;
    } sets[] = {{&r.goodsConditions, QueryFilter::GoodsFields()},
                {&r.salesConditions, QueryFilter::SalesFields()},
                {&r.financeConditions, QueryFilter::FinanceFields()}};
    for (const auto &set : sets)
        for (const QueryFilter::ConditionField &f : set.fields)
            *set.texts << (widget && f.widget == QLatin1String(widget) ? condition : QString());
    return r;
}

// Purchases, sales and a return a year before them; income and expenses.
void Seed()
{
    StoreDbAccess *s = TempStore::store();
    GoodsRecord w2 = Goods(GoodsKind::PurchaseIn, "p2", kDay, "AB-1", "5", "50");
    w2.store = QStringLiteral("W2");
    for (const GoodsRecord &r : {Goods(GoodsKind::PurchaseIn, "p1", kDay, "AB-1", "10", "100"), w2,
                                 Goods(GoodsKind::PurchaseIn, "p3", "2023-01-02", "CD-7", "3", "30"),
                                 Goods(GoodsKind::Sale, "s1", kDay, "AB-1", "4", "80"),
                                 Goods(GoodsKind::Sale, "s2", "2024-05-11", "AB-1", "2", "40"),
                                 Goods(GoodsKind::SaleReturn, "r1", "2023-03-03", "AB-1", "1", "20")})
        s->SaveGoodsRow(r);
    s->SaveFinanceRow(Finance(FinanceKind::Income, "i1", kDay, "100"));
    s->SaveFinanceRow(Finance(FinanceKind::Income, "i2", kDay, "50.5", QStringLiteral("客户乙")));
    s->SaveFinanceRow(Finance(FinanceKind::OtherExpenses, "e1", kDay, "30"));
    s->SaveFinanceRow(Finance(FinanceKind::OtherExpenses, "e2", "2024-06-01", "999"));
}

void Press(const QObject &parent, const char *name)
{
    auto *button = parent.findChild<QPushButton *>(QLatin1String(name));
    QVERIFY2(button, name);
    button->click();
}

// Runs a query from a page's query button and waits for its result on the page.
bool QueryFrom(MainWindow &w, const char *queryButton, const char *dialogButton)
{
    Press(w, queryButton);
    if (!w.QueryDialog() || !w.QueryDialog()->isVisible())
        return false;
    w.StatusLabel()->clear();
    Press(*w.QueryDialog(), dialogButton);
    return QTest::qWaitFor([&] { return w.StatusLabel()->text().endsWith(QStringLiteral("当前查询完成！")); },
                           10000);
}

QStringList Column(const QTableView *t, int column)
{
    QStringList out;
    for (int r = 0; r < t->model()->rowCount(); ++r)
        out << t->model()->index(r, column).data().toString();
    return out;
}

} // namespace

using Entries = QList<QPair<int, QString>>; // tab type, sum
Q_DECLARE_METATYPE(Entries)
Q_DECLARE_METATYPE(GoodsRecord)
Q_DECLARE_METATYPE(QList<double>)
Q_DECLARE_METATYPE(QueryRequest)

class TestAnalytics : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { InitQuillonResources(); }
    void numberText_data();
    void numberText();
    void moneyTexts_data();
    void moneyTexts();
    void moneyAgreesWithDecimal();
    void profit();
    void stockMovements_data();
    void stockMovements();
    void stockArticlesAndReports();
    void deductionSameAsReturnByReturn_data();
    void deductionSameAsReturnByReturn();
    void reports_data();
    void reports();
    void exactAmountsThroughEveryReport_data();
    void exactAmountsThroughEveryReport();
    void chartLabelsSurviveTheLiteral_data();
    void chartLabelsSurviveTheLiteral();
    void chartData();

    void execute_data();
    void execute();
    void unknownPageAndClosedStore();
    void runnerKeepsOneWaitingQueryPerPage();
    void salesAndProfitPagesWithTheirCharts();
    void chartDialogDrawsHandedFigures();
};

void TestAnalytics::numberText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("written"); // ToText(value)
    QTest::newRow("blanks") << " 3 " << 3.0 << "3";
    QTest::newRow("infinity is not money") << "inf" << 0.0 << "0";
    QTest::newRow("exponent read, never written") << "1.2e+06" << 1200000.0 << "1200000";
    QTest::newRow("binary noise dropped") << "0.30000000000000004" << 0.1 + 0.2 << "0.3";
    QTest::newRow("negative zero") << "-0.0000001" << -0.0000001 << "0";
}

void TestAnalytics::numberText()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QFETCH(QString, written);
    QCOMPARE(NumberText::ToNumber(text), value);
    QCOMPARE(NumberText::ToText(value), written);
}

void TestAnalytics::moneyTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("number");
    QTest::addColumn<QString>("shown"); // Money::FromText(text).ToText()
    QTest::newRow("past 2^53 millionths") << "13391747672.44" << true << "13391747672.44";
    QTest::newRow("sign, point, blanks") << " +.5 " << true << "0.5";
    QTest::newRow("exponent") << "1.2e+06" << true << "1200000";
    QTest::newRow("below a millionth") << "-0.0000001" << true << "0";
    QTest::newRow("half a millionth to even, down") << "0.0000005" << true << "0";
    QTest::newRow("half a millionth to even, up") << "0.0000015" << true << "0.000002";
    QTest::newRow("ten places") << "0.1234567891" << true << "0.123457";
    QTest::newRow("range's end") << "-999999999999999999999.999999" << true
                                 << "-999999999999999999999.999999";
    QTest::newRow("one past the range") << "1e21" << false << "0";
    QTest::newRow("tiny, as a double reads it") << "1e-300" << true << "0";
    QTest::newRow("too tiny for a double") << "1e-400" << false << "0";
    QTest::newRow("infinity") << "inf" << false << "0";
    QTest::newRow("group separator") << "1,000" << false << "0";
    QTest::newRow("unit after digits") << "12元" << false << "0";
    QTest::newRow("exponent without digits") << "1.5e" << false << "0";
    QTest::newRow("blank") << " " << false << "0";
}

void TestAnalytics::moneyTexts()
{
    QFETCH(QString, text);
    QFETCH(bool, number);
    QFETCH(QString, shown);
    QCOMPARE(NumberText::IsNumber(text), number);
    QCOMPARE(Money::FromText(text).ToText(), shown);
    // Read back, the text is the same amount rounded to six places.
    QCOMPARE(Money::FromText(shown).ToText(), shown);
}

// Random amounts up to a quadrillion and quantities up to a million, with up
// to six places: sum, difference, product and quotient as Python's decimal
// gives them.
void TestAnalytics::moneyAgreesWithDecimal()
{
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("seed %u", seed);
    QRandomGenerator rng(seed);
    const auto number = [&rng](int digits) {
        QString text = rng.bounded(2) ? QStringLiteral("-") : QString();
        text += QString::number(rng.bounded(10));
        for (int i = rng.bounded(digits); i > 0; --i)
            text += QString::number(rng.bounded(10));
        if (const int places = rng.bounded(7)) {
            text += QLatin1Char('.');
            for (int i = 0; i < places; ++i)
                text += QString::number(rng.bounded(10));
        }
        return text;
    };
    QStringList expressions, got;
    for (int i = 0; i < 500; ++i) {
        const QString a = number(15), b = number(6); // products stay within ±10^21
        const Money x = Money::FromText(a), y = Money::FromText(b);
        const QString da = QStringLiteral("D('%1')").arg(a), db = QStringLiteral("D('%1')").arg(b);
        expressions << da + "+" + db << da + "-" + db << da + "*" + db;
        got << (x + y).ToText() << (x - y).ToText() << x.Times(y).ToText();
        if (!y.IsZero()) {
            expressions << da + "/" + db;
            got << x.DividedBy(y).ToText();
        }
    }
    const QStringList exact = PythonDecimal(expressions);
    if (exact.isEmpty())
        QSKIP("python3 with its decimal module is needed for the exact figures");
    QCOMPARE(exact.size(), got.size());
    for (int i = 0; i < got.size(); ++i)
        QVERIFY2(got.at(i) == exact.at(i),
                 qPrintable(expressions.at(i) + " = " + exact.at(i) + ", got " + got.at(i)));
}

void TestAnalytics::profit()
{
    // Receipts, debts, other income less purchases, salaries, rent, other expenses.
    const auto sums = [](const Entries &entries) {
        FinanceList in, out;
        for (const auto &e : entries) {
            in << FinanceRecord();
            in.last().tabType = e.first;
            in.last().sum = e.second;
        }
        Profit::ComputeProfit(in, out);
        QStringList texts;
        for (const FinanceRecord &r : out)
            texts << r.item + ":" + r.sum;
        return texts.join(QLatin1Char(' '));
    };
    // A kind without rows keeps an empty item; other types and bad sums count nothing.
    QCOMPARE(sums({{0, "9999999.99"}, {0, "0.01"}, {6, "0.1"}, {6, "0.2"}, {7, "5"}, {3, "12元"}}),
             QStringLiteral("收款总额:10000000 :0 :0 采购支付总额:0 :0 :0 其它支出:0.3 经营利润:9999999.7"));
    QCOMPARE(sums({{6, "1"}, {5, "2"}, {4, "4"}, {3, "8"}, {2, "16"}, {1, "32"}, {0, "64"}}),
             QStringLiteral("收款总额:64 未收欠款总额:32 其它收入总额:16 采购支付总额:8 员工薪酬:4 "
                            "水电租赁:2 其它支出:1 经营利润:97"));
}

void TestAnalytics::stockMovements_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("num");
    QTest::addColumn<QString>("stockNum");
    QTest::addColumn<QString>("stockTotal");
    QTest::addColumn<QString>("note");
    QTest::addColumn<bool>("appended");

    const QString d = QStringLiteral("2024-03-05");
    // Stock row: 10 + 5 pieces at price 10, total 150 after the merge.
    // name|kind|num|stock num|stock total|note (a table's merge, or the anomaly: appended)
    const QString loss = QStringLiteral("合并损耗时间：%1,型号：A,数目:1的项\n").arg(d);
    for (const char *row :
         {"sale within|2|4|11|110|合并销售管理表", "sale of the whole stock|2|15|0|0|合并销售管理表",
          "sale beyond stock|2|20|15|150|", "sale-return|3|3|18|180|合并销售退货表",
          "purchase-return|1|2.5|12.5|125|合并采购退货表", "loss|4|1|14|140|loss",
          "letters count as zero|2|x|15|150|合并销售管理表"}) {
        const QStringList f = QString::fromUtf8(row).split('|');
        const QString note = f.at(5).isEmpty() ? kSaleAnomaly.arg(d, "A", f.at(2))
            : f.at(5) == "loss"                ? loss
                                               : Merge(f.at(5).toUtf8().constData(), d, f.at(2));
        QTest::newRow(qPrintable(f.at(0)))
            << f.at(1).toInt() << f.at(2) << f.at(3) << f.at(4) << note << f.at(5).isEmpty();
    }
}

void TestAnalytics::stockMovements()
{
    QFETCH(int, kind);
    QFETCH(QString, num);
    QFETCH(QString, stockNum);
    QFETCH(QString, stockTotal);
    QFETCH(QString, note);
    QFETCH(bool, appended);

    // Read between the two purchase-ins: they merge first anyway.
    const GoodsRecord move = Row(kind, "m1", num);
    const GoodsList in = {In("s1", "10"), move, In("s2", "5", "2024-03-02")};
    const GoodsList out = StockCompute::ComputeStock(in, kSuper);
    QCOMPARE(out.size(), appended ? 2 : 1);
    const GoodsRecord &s = out.at(0);
    QCOMPARE(s.num, stockNum);
    QCOMPARE(s.total, stockTotal);
    QCOMPARE(s.price, QStringLiteral("10"));
    QCOMPARE(s.remark, kInMerge.arg("2024-03-02", "A", "5") + note);
    QVERIFY(s.pay.isEmpty() && s.debt.isEmpty());
    // Entry checks against the stock the stock page shows.
    QCOMPARE(StockCompute::ArticleLeft(in).ToText(), stockNum);
    if (appended) { // reported as its own row, unchanged but for the remark
        GoodsRecord expected = move;
        expected.remark = kSaleNotFound;
        QCOMPARE(out.at(1), expected);
    }
}

void TestAnalytics::stockArticlesAndReports()
{
    // Colour and warehouse are part of the article.
    GoodsRecord blue = In("s3", "2"), w2 = In("s4", "4");
    blue.color = QStringLiteral("blue");
    w2.store = QStringLiteral("W2");
    GoodsList out = StockCompute::ComputeStock({In("s1", "10"), In("s2", "5"), blue, w2}, kSuper);
    QCOMPARE(SerialsOf(out), (QStringList{"s1", "s3", "s4"}));
    QCOMPARE(out.at(0).num + out.at(1).num + out.at(2).num + out.at(2).pay, QStringLiteral("15247"));

    // Unmatched movements are appended in read order; rows untouched keep their figures.
    GoodsRecord orphan = Row(GoodsKind::Sale, "m1", "2", QString(), "2024-03-05", "B");
    orphan.remark = QStringLiteral("typed by the user");
    out = StockCompute::ComputeStock({orphan, In("s1", "10"), w2, Row(GoodsKind::Sale, "s1", "2")}, kSuper);
    QCOMPARE(SerialsOf(out), (QStringList{"s1", "s4", "m1", "s1"}));
    QCOMPARE(out.at(0).num + out.at(0).pay, QStringLiteral("107"));
    QCOMPARE(out.at(2).remark, kSaleNotFound);
    QCOMPARE(out.at(3).remark, kSaleNotFound); // its own serial is not applied to the row

    // Read order decides: a sale of 8 first rejects a return of 5, and the other way round.
    const GoodsRecord sale = Row(GoodsKind::Sale, "m1", "8"),
                      back = Row(GoodsKind::PurchaseReturn, "m2", "5", QString(), "2024-03-06");
    out = StockCompute::ComputeStock({In("s1", "10"), sale, back}, kSuper);
    QCOMPARE(SerialsOf(out), (QStringList{"s1", "m2"}));
    QCOMPARE(out.at(0).num + "|" + out.at(0).total, QStringLiteral("2|20"));
    out = StockCompute::ComputeStock({In("s1", "10"), back, sale}, kSuper);
    QCOMPARE(out.at(0).remark,
             Merge("合并采购退货表", "2024-03-06", "5") + kSaleAnomaly.arg("2024-03-05", "A", "8"));

    // A twin (same serial) is a stock row of its own: a sale meets both.
    out =
        StockCompute::ComputeStock({In("s1", "10"), In("s1", "3"), Row(GoodsKind::Sale, "m1", "5")}, kSuper);
    QCOMPARE(out.at(0).num + "|" + out.at(1).num, QStringLiteral("5|3"));
    QCOMPARE(out.at(1).remark, kSaleAnomaly.arg("2024-03-05", "A", "5"));

    // Other users lose prices on touched rows only; any type but 1 alike.
    GoodsRecord other = In("t1", "3");
    other.model = QStringLiteral("Z");
    const GoodsList mixed = {In("s1", "10"), In("s2", "5"), other, Row(GoodsKind::Loss, "m1", "50")};
    out = StockCompute::ComputeStock(mixed, kPlain);
    QCOMPARE(out.at(0).num + "|" + out.at(0).price + out.at(0).total, QStringLiteral("15|"));
    QCOMPARE(out.at(1).price + "|" + out.at(1).total + "|" + out.at(1).pay, QStringLiteral("10|30|7"));
    QCOMPARE(StockCompute::ComputeStock(mixed, 2), out);

    // '%' in a model or date stays literal in the notes.
    GoodsRecord a = In("s1", "10"), b = In("s2", "5", "%3");
    a.model = b.model = QStringLiteral("%2-%1");
    QCOMPARE(StockCompute::ComputeStock({a, b}, kSuper).at(0).remark, kInMerge.arg("%3", "%2-%1", "5"));
}

void TestAnalytics::deductionSameAsReturnByReturn_data()
{
    QTest::addColumn<GoodsList>("sales");
    QTest::addColumn<GoodsList>("returns");

    GoodsRecord vip = Sale("s1", "A", "Li", "Wang", "1000000", "1234567.89");
    vip.remark = QStringLiteral("VIP");
    QTest::newRow("notes follow the remark in return order")
        << GoodsList{vip}
        << GoodsList{Return("A", "Li", "Wang", "1", "0.89", "2024-01-01"),
                     Return("B", "Li", "Wang", "1", "5", "2024-01-02"),
                     Return("A", "Li", "Wang", "3", "%1", "2024-01-03"), Return("A", "Li", "", "1", "5")};
    QTest::newRow("every part of the key must match, returns of any date")
        << GoodsList{Sale("s1", "A", "Li", "Wang", "10", "1000")}
        << GoodsList{Return("A", "Zhao", "Wang", "2", "200"), Return("A", "Li", "Chen", "2", "200"),
                     Return("A1", "Li", "Wang", "2", "200"),
                     Return("A", "Li", "Wang", "12", "1200", "2019-12-31")};
    QTest::newRow("blank keys match blank keys")
        << GoodsList{Sale("s1", "", "", "", "3", "30"), Sale("s2", "", "Li", "", "3", "30"),
                     Sale("s3", "A", "", "", "", "")}
        << GoodsList{Return("", "", "", "1", "10"), Return("", "", "", "", ""),
                     Return("A", "", "", "1", "1.5")};
    // Beyond six places and past a billion the sums stay exact.
    QTest::newRow("more than six places")
        << GoodsList{Sale("s1", "A", "Li", "Wang", "1", "1.0000004"), Sale("s2", "A", "Li", "Wang", "1", "1")}
        << GoodsList{Return("A", "Li", "Wang", "0.0000004", "0.0000004"),
                     Return("A", "Li", "Wang", "0.0000004", "0.0000004")};
    QTest::newRow("near a billion") << GoodsList{Sale("s1", "A", "Li", "Wang", "999999999.5",
                                                      "123456789012.34")}
                                    << GoodsList{Return("A", "Li", "Wang", "0.25", "0.01"),
                                                 Return("A", "Li", "Wang", "0.25", "1e3")};
}

void TestAnalytics::deductionSameAsReturnByReturn()
{
    QFETCH(GoodsList, sales);
    QFETCH(GoodsList, returns);
    GoodsList expected = sales;
    DeductReturnByReturn(expected, returns);
    SalesStatistics::DeductReturns(sales, returns);
    QCOMPARE(sales, expected);
}

// Rows: key|quantity|amount|paid|unpaid|rows[|class|oldest unpaid].
void TestAnalytics::reports_data()
{
    QTest::addColumn<int>("view");
    QTest::addColumn<QString>("seller");
    QTest::addColumn<QStringList>("rows");
    using namespace SalesStatistics;
    // The 2023 return (1 piece, 100) comes off both of 甲's sales with 王.
    QTest::newRow("per day, leap day included")
        << int(Daily) << QString()
        << QStringList{"2024-02-28|9|900|600|400|1", "2024-02-29|2|200.49|99.99|200.5|2",
                       "2024-03-01|2|20|10|20|1", "2024-03-02|0|0|0|5|1"};
    QTest::newRow("per salesperson") << int(Employee) << QString()
                                     << QStringList{"王|10|1000.5|600|600.5|2", "李|1|99.99|99.99|0|1",
                                                    "(未填)|2|20|10|25|2"};
    QTest::newRow("per customer of one salesperson")
        << int(Customer) << QStringLiteral("王") << QStringList{"甲|10|1000.5|600|600.5|2"};
    // Returns of the period only; what the shop owes counts negative.
    QTest::newRow("money owed") << int(Debts) << QString()
                                << QStringList{"甲||1200.5|600|600.5|2|应收|2024-02-28",
                                               "乙||20|10|15|2|应收|2024-03-01",
                                               "丁||0|0|0|2|应收|", // fully returned: no date
                                               "(未填)||99.99|99.99|0|1|应收|",
                                               "丙||-7|0|-7|1|应收|",
                                               "供A||-560|-300|-260|3|应付|2024-02-29",
                                               "(未填)||-50|0|-50|1|应付|2024-02-10"};
}

void TestAnalytics::reports()
{
    QFETCH(int, view);
    QFETCH(QString, seller);
    QFETCH(QStringList, rows);
    TempStore db;
    QVERIFY(db.connected);
    // kind|serial|day|model|name|salesperson|num|total|paid|unpaid
    const auto row = [](const char *text) {
        const QStringList f = QString::fromUtf8(text).split('|');
        GoodsRecord r = Row(f.at(0).toInt(), f.at(1), f.at(6), f.at(7), f.at(2), f.at(3), f.at(4), f.at(5));
        r.pay = f.at(8);
        r.debt = f.at(9);
        return r;
    };
    // Another installation's rows on the same database count nowhere.
    db.store()->SetStoreNo(QStringLiteral("2"));
    QVERIFY(db.store()->SaveGoodsRow(row("2|x1|2024-02-29|A|甲|王|100|9999|0|9999")));
    QVERIFY(db.store()->SaveGoodsRow(row("0|x3|2024-02-29|A|供A||1|1000|0|1000")));
    db.store()->SetStoreNo(QStringLiteral("1"));
    for (const char *r :
         {"2|s1|2024-02-28|A|甲|王|10|1000|600|400", "2|s2|2024-02-29|A|甲|王|2|200.5|0|200.5",
          "2|s3|2024-02-29|B||李|1|99.99|99.99|0", "2|s4|2024-03-01|B|乙||3|30|10|20",
          "2|s5|2023-12-30|A|甲|王|5|500|0|500", "3|r1|2023-12-31|A|甲|王|1|100|100|0",
          "3|r2|2024-03-01|B|乙||1|10|0|5", "3|r3|2024-04-01|Z|丙||1|7|0|7", "2|s6|2024-03-02|C|丁||1|5|0|5",
          "3|r4|2024-03-03|C|丁||1|5|0|5", "0|p1|2024-02-29|A|供A||5|500|200|300",
          "0|p2|2024-01-15|A|供A||1|100|100|0", "0|p3|2024-02-10|B|||1|50|0|50",
          "1|q1|2024-02-20|A|供A||1|40|0|40", "4|l1|2024-02-29|A|甲|王|1|999|0|999"})
        QVERIFY(db.store()->SaveGoodsRow(row(r)));

    SalesStatistics::SalesConditions conditions;
    conditions.seller = seller;
    GoodsList got;
    QString error;
    QVERIFY2(SalesStatistics::Report(view, 3, QStringLiteral("2024-01-01"), QStringLiteral("2024-06-30"),
                                     conditions, got, &error),
             qPrintable(error));
    QStringList texts;
    for (const GoodsRecord &r : got) {
        QStringList t{r.serial, r.num, r.total, r.pay, r.debt, r.oddNum};
        if (view == SalesStatistics::Debts)
            t << r.code << r.remark;
        texts << t.join(QLatin1Char('|'));
    }
    QCOMPARE(texts, rows);
}

namespace {

// From a millionth to a quadrillion; 13391747672.44 and 8589934592.07 gained
// stray digits in binary floating point.
const QStringList kAmounts{"0.000001",
                           "0.29",
                           "12.345678",
                           "999999.999999",
                           "8589934592.07",
                           "13391747672.44",
                           "123456789012.345678",
                           "999999999999.999999",
                           "1000000000000000",
                           "0.1"};

// Amount k places after row i's, as a Python literal.
QString At(int i, int k) { return QStringLiteral("D('%1')").arg(kAmounts.at((i + k) % kAmounts.size())); }

// Row i's expression: {a} {b} {c} are the amounts of its two sales and its
// return, {pa} {pb} {rp} what was paid on them, {da} {db} {rd} what is owed.
QString Expr(QString pattern, int i)
{
    const char *const names[] = {"{a}", "{b}", "{c}", "{pa}", "{pb}", "{da}", "{db}", "{rp}", "{rd}"};
    for (int k = 0; k < 9; ++k)
        pattern.replace(QLatin1String(names[k]), At(i, k));
    return pattern;
}

} // namespace

// Rows: key|column title|Python expression of the figure shown.
void TestAnalytics::exactAmountsThroughEveryReport_data()
{
    QTest::addColumn<QString>("report");
    QTest::addColumn<int>("keyColumn");
    QTest::addColumn<QStringList>("expected");
    const int n = kAmounts.size();
    QStringList sales, stock, summary[3], debts, profit;
    QString receivable = "0", payable = "0";
    for (int i = 0; i < n; ++i) {
        const QString s = QStringLiteral("s%1|").arg(i), t = QStringLiteral("t%1|").arg(i);
        sales << s + "出售数目|D(2)" << s + "合计金额|" + Expr("{a}-{c}", i)
              << t + "合计金额|" + Expr("{b}-{c}", i);
        stock << QStringLiteral("p%1|库存数目|D(1003)").arg(i)
              << QStringLiteral("p%1|商品金额|").arg(i) + Expr("{a}*1003", i);
        // The return comes off both sales; the keys are day, salesperson, customer.
        const QString keys[3] = {QStringLiteral("2024-01-%1").arg(i + 1, 2, 10, QLatin1Char('0')),
                                 QStringLiteral("S%1").arg(i), QStringLiteral("C%1").arg(i)};
        for (int v = 0; v < 3; ++v)
            summary[v] << keys[v] + "|出售数目|D(3)" << keys[v] + "|合计金额|" + Expr("{a}+{b}-2*{c}", i)
                       << keys[v] + "|已付款项|" + Expr("{pa}+{pb}", i)
                       << keys[v] + "|尚欠余款|" + Expr("{da}+{db}", i);
        debts << keys[2] + "|合计金额|" + Expr("{a}+{b}-{c}", i)
              << keys[2] + "|已付款项|" + Expr("{pa}+{pb}-{rp}", i)
              << keys[2] + "|欠款余额|" + Expr("{da}+{db}-{rd}", i)
              << QStringLiteral("V%1|欠款余额|").arg(i) + Expr("-({a}*1000+{b}*7)", i);
        receivable += Expr("+{da}+{db}-{rd}", i);
        payable += Expr("-({a}*1000+{b}*7)", i);
    }
    debts << "应收合计|欠款余额|" + receivable << "应付合计|欠款余额|" + payable
          << "净额|欠款余额|" + receivable + "+" + payable;
    QString kinds[FinanceKind::StoredCount];
    for (int i = 0; i < n; ++i)
        kinds[i % FinanceKind::StoredCount] += "+" + At(i, 0);
    QString net = "0";
    for (int k = 0; k < FinanceKind::StoredCount; ++k) {
        profit << Profit::RowLabel(k) + "|总计(元）|0" + kinds[k];
        net += (k < 3 ? "+(0" : "-(0") + kinds[k] + ")";
    }
    profit << Profit::RowLabel(Profit::ProfitRow) + "|总计(元）|" + net;
    QTest::newRow("sales") << "sales" << 0 << sales;
    QTest::newRow("stock") << "stock" << 0 << stock;
    QTest::newRow("daily") << "daily" << 0 << summary[0];
    QTest::newRow("employee") << "employee" << 0 << summary[1];
    QTest::newRow("customer") << "customer" << 0 << summary[2];
    QTest::newRow("debts") << "debts" << 0 << debts;
    QTest::newRow("profit") << "profit" << 1 << profit;
}

void TestAnalytics::exactAmountsThroughEveryReport()
{
    QFETCH(QString, report);
    QFETCH(int, keyColumn);
    QFETCH(QStringList, expected);
    QStringList expressions;
    for (const QString &e : expected)
        expressions << e.section(QLatin1Char('|'), 2);
    const QStringList exact = PythonDecimal(expressions);
    if (exact.isEmpty())
        QSKIP("python3 with its decimal module is needed for the exact figures");
    QCOMPARE(exact.size(), expected.size());

    TempStore db;
    QVERIFY(db.connected);
    for (int i = 0; i < kAmounts.size(); ++i) {
        const auto amount = [i](int k) { return kAmounts.at((i + k) % kAmounts.size()); };
        const QString day = QStringLiteral("2024-01-%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        const QString model = QStringLiteral("M%1").arg(i), who = QStringLiteral("C%1").arg(i),
                      seller = QStringLiteral("S%1").arg(i);
        GoodsList rows{
            Row(GoodsKind::Sale, QStringLiteral("s%1").arg(i), "3", amount(0), day, model, who, seller),
            Row(GoodsKind::Sale, QStringLiteral("t%1").arg(i), "2", amount(1), day, model, who, seller),
            Row(GoodsKind::SaleReturn, QStringLiteral("r%1").arg(i), "1", amount(2), "2023-06-01", model, who,
                seller)};
        for (int k = 0; k < 3; ++k) { // {pa} {pb} {rp}, {da} {db} {rd}
            rows[k].pay = amount(k < 2 ? 3 + k : 7);
            rows[k].debt = amount(k < 2 ? 5 + k : 8);
        }
        for (const auto &in : {qMakePair(QStringLiteral("p%1"), 0), qMakePair(QStringLiteral("q%1"), 1)}) {
            const QString qty = in.second == 0 ? QStringLiteral("1000") : QStringLiteral("7");
            GoodsRecord p = Row(GoodsKind::PurchaseIn, in.first.arg(i), qty, QString(), "2022-12-31", model,
                                QStringLiteral("V%1").arg(i));
            p.price = amount(in.second);
            p.total = p.debt = Money::FromText(p.price).Times(Money::FromText(qty)).ToText();
            p.pay = QStringLiteral("0");
            rows << p;
        }
        for (const GoodsRecord &r : rows)
            QVERIFY(db.store()->SaveGoodsRow(r));
        FinanceRecord f = Finance(i % FinanceKind::StoredCount, QStringLiteral("f%1").arg(i), day, amount(0));
        QVERIFY(db.store()->SaveFinanceRow(f));
    }

    Reports::Kind kind;
    QVERIFY(Reports::KindFromName(report, &kind));
    const Reports::Table table = Reports::Compute(kind, QueryDateMode::AllTime, QString(), QString(), true);
    QVERIFY2(table.ok, qPrintable(table.error));
    for (int e = 0; e < expected.size(); ++e) {
        const QString key = expected.at(e).section(QLatin1Char('|'), 0, 0);
        const int column = table.titles.indexOf(expected.at(e).section(QLatin1Char('|'), 1, 1));
        QVERIFY2(column >= 0, qPrintable(expected.at(e)));
        QString shown = QStringLiteral("(no row)");
        for (const QStringList &row : table.rows)
            if (row.value(keyColumn) == key)
                shown = row.value(column);
        QVERIFY2(shown == exact.at(e), qPrintable(expected.at(e) + " = " + exact.at(e) + ", shown " + shown));
    }
}

void TestAnalytics::chartLabelsSurviveTheLiteral_data()
{
    QTest::addColumn<QString>("label");
    QTest::newRow("quote") << QStringLiteral("15\" 显示器");
    QTest::newRow("backslash") << QStringLiteral("C:\\货架\\");
    QTest::newRow("breakout attempt") << QStringLiteral("\");alert(1);//");
    QTest::newRow("line separators") << QString(QStringLiteral("上")) + QChar(0x2028) + QChar(0x2029)
            + QStringLiteral("下\n");
}

void TestAnalytics::chartLabelsSurviveTheLiteral()
{
    QFETCH(QString, label);
    const QString script =
        ChartScript().Histogram(label, label, {label}, {std::numeric_limits<double>::quiet_NaN()}, label);
    // getData("…"): a JS string literal is a JSON string when it has no raw line breaks.
    QVERIFY(script.startsWith(QLatin1String("getData(\"")) && script.endsWith(QLatin1String("\")")));
    const QString literal = script.mid(8, script.size() - 9);
    QVERIFY(!literal.contains(QChar(0x2028)) && !literal.contains(QChar(0x2029)));
    const QJsonArray decoded = QJsonDocument::fromJson(QStringLiteral("[%1]").arg(literal).toUtf8()).array();
    const QString json = decoded.at(0).toString();
    QVERIFY2(decoded.size() == 1, qPrintable(script));
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    QCOMPARE(o.value(QStringLiteral("tittle")).toString(), label);
    QCOMPARE(o.value(QStringLiteral("xvalue")).toArray().at(0).toString(), label);
    // JSON has no NaN: a value that is not finite is drawn as 0, never as null.
    QCOMPARE(o.value(QStringLiteral("yvalue")).toArray().at(0), QJsonValue(0));
}

void TestAnalytics::chartData()
{
    // Summed per model in first-seen order; blanks grouped; bad totals count 0.
    GoodsList sales;
    const char *const rows[][2] = {{"M2", "100"}, {" ", "abc"}, {"M1", "50.5"},
                                   {"M2", "-20"}, {"", "2"},    {" M1 ", "0.5"}};
    for (const auto &s : rows)
        sales << Sale("s", QString::fromUtf8(s[0]), "", "", "1", QString::fromUtf8(s[1]));
    HistogramData d = ChartScript::FromSalesRows(sales);
    QCOMPARE(d.labels, (QStringList{"M2", QStringLiteral("未填型号"), "M1"}));
    QCOMPARE(d.values, (QList<double>{80, 2, 51}));

    // Profit rows: every bar named even when its item is empty.
    FinanceList summary;
    for (int i = 0; i < 8; ++i)
        summary << FinanceRecord();
    summary[0].sum = QStringLiteral("1.2e+06");
    summary[7].sum = QStringLiteral("-80");
    d = ChartScript::FromProfitRows(summary);
    QCOMPARE(d.labels.value(3), QStringLiteral("采购支付总额"));
    QCOMPARE(d.values, (QList<double>{1200000, 0, 0, 0, 0, 0, 0, -80}));
}

void TestAnalytics::execute_data()
{
    QTest::addColumn<QueryRequest>("request");
    QTest::addColumn<int>("code");
    QTest::addColumn<QStringList>("rows"); // serial:num:total (goods) or serial:sum, sorted; profit: its sum

    namespace G = QueryGroup;
    const int day = QueryDateMode::Day, year = QueryDateMode::Year, all = QueryDateMode::AllTime;
    QTest::newRow("purchases of the day") << Request(G::Goods, 0) << 2 << QStringList{"p1:10:100", "p2:5:50"};
    QTest::newRow("warehouse condition")
        << Request(G::Goods, 0, day, "lineEdit_2", "W1") << 2 << QStringList{"p1:10:100"};
    QueryRequest allRecords = Request(G::Goods, 0, all, "lineEdit_2", "W1");
    allRecords.noContentFilter = true; // every date, no condition
    QTest::newRow("all records") << allRecords << 4 << QStringList{"p1:10:100", "p2:5:50", "p3:3:30"};
    QTest::newRow("losses: none") << Request(G::Goods, 4, year) << 2 << QStringList{};
    // Stock reads every kind: W1's AB-1 is 10 bought, 4 + 2 sold, 1 returned.
    QueryRequest stock = Request(G::Goods, GoodsKind::CurrentStock, all);
    stock.noContentFilter = true;
    QTest::newRow("stock") << stock << 3 << QStringList{"p1:5:50", "p2:5:50", "p3:3:30"};
    // The condition applies before the stock is computed: W2 has no sales against it.
    QTest::newRow("stock of W2") << Request(G::Goods, GoodsKind::CurrentStock, all, "lineEdit_2", "W2") << 1
                                 << QStringList{"p2:5:50"};
    QueryRequest plain = Request(G::Goods, GoodsKind::CurrentStock, all, "lineEdit_2", "W1");
    plain.userType = 3; // no amounts on adjusted rows
    QTest::newRow("stock, plain user") << plain << 1 << QStringList{"p1:5:", "p3:3:30"};
    // Sales have every return of any date deducted.
    QTest::newRow("sales of the day") << Request(G::Sales, 0) << 5 << QStringList{"s1:3:60"};
    QTest::newRow("sales of a model")
        << Request(G::Sales, 0, year, "comboBox_9", "AB") << 5 << QStringList{"s1:3:60", "s2:1:20"};
    QTest::newRow("model not sold") << Request(G::Sales, 0, year, "comboBox_9", "CD") << 5 << QStringList{};
    QTest::newRow("income of a client")
        << Request(G::Finance, 0, day, "comboBox_32", "乙") << 8 << QStringList{"i2:50.5"};
    QueryRequest expenses = Request(G::Finance, 6, day, "comboBox_32", "乙");
    expenses.noContentFilter = true;
    QTest::newRow("other expenses, all") << expenses << 10 << QStringList{"e1:30"};
    QueryRequest profit = Request(G::Finance, FinanceKind::Profit);
    profit.noContentFilter = true;
    QTest::newRow("profit") << profit << 9 << QStringList{"120.5"};
    QTest::newRow("profit of one client")
        << Request(G::Finance, FinanceKind::Profit, day, "comboBox_32", "甲") << 7 << QStringList{"70"};
}

void TestAnalytics::execute()
{
    QFETCH(QueryRequest, request);
    QFETCH(int, code);
    QFETCH(QStringList, rows);
    TempStore db;
    QVERIFY(db.connected);
    Seed();
    LedgerLists lists;
    const QueryOutcome out = QueryWork::Execute(request, lists);
    QVERIFY(out.ok);
    QCOMPARE(out.code, code);
    QStringList shown;
    for (const GoodsRecord &g : QueryWork::GoodsRowsToShow(out.code, lists)) {
        shown << g.serial + ":" + g.num + ":" + g.total;
        // Stock rows carry their average cost there instead; test_ownerpages checks the page.
        QVERIFY(request.IsStockPage() || g.pay == QLatin1String("7"));
    }
    const FinanceList finance = QueryWork::FinanceRowsToShow(out.code, lists);
    for (const FinanceRecord &f : finance)
        shown << f.serial + ":" + f.sum;
    if (request.IsProfitPage()) {
        QCOMPARE(finance.size(), 8);
        shown = QStringList{finance.last().sum};
    }
    shown.sort();
    QCOMPARE(shown, rows);
}

void TestAnalytics::unknownPageAndClosedStore()
{
    LedgerLists lists;
    lists.queryGoods << GoodsRecord();
    for (const QueryRequest &r :
         {Request(QueryGroup::Goods, 6), Request(QueryGroup::Sales, 8), Request(4, 0)}) {
        const QueryOutcome out = QueryWork::Execute(r, lists);
        QVERIFY(out.code == 0 && !out.ok);
    }
    {
        TempStore closed;
    }
    // No connection: the page gets its code, but the failure is not a finished query.
    const QueryOutcome out = QueryWork::Execute(Request(QueryGroup::Finance, FinanceKind::Profit), lists);
    QCOMPARE(out.code, int(QueryResultCode::ProfitFiltered));
    QVERIFY(!out.ok && !out.error.isEmpty());
    QCOMPARE(lists.queryGoods.size(), 1);
}

void TestAnalytics::runnerKeepsOneWaitingQueryPerPage()
{
    TempStore db;
    QVERIFY(db.connected);
    Seed();
    LedgerLists lists;
    QueryScheduler runner(&lists);
    QSignalSpy ready(&runner, &QueryScheduler::ResultReady);
    const auto next = [&ready] { return ready.wait(5000) ? ready.takeFirst().at(0).toInt() : 0; };

    const QueryRequest first = Request(QueryGroup::Goods, GoodsKind::PurchaseIn, QueryDateMode::AllTime);
    QueryRequest sales = Request(QueryGroup::Goods, GoodsKind::Sale);
    QVERIFY(runner.Start(first));
    // Asked while the first runs: each page waits once, the newer query of a page replacing the older.
    QVERIFY(!runner.Start(sales));
    QVERIFY(!runner.Start(Request(QueryGroup::Sales, 0)));
    sales.dateMode = QueryDateMode::AllTime;
    QVERIFY(!runner.Start(sales));
    // Every page that asked gets its result, in the order asked.
    QVERIFY(runner.Accept(next()));
    QCOMPARE(SerialsOf(lists.filteredGoods).size(), 3);
    QVERIFY(runner.outcome().ok);
    QVERIFY(runner.Accept(next()));
    QCOMPARE(runner.request().dateMode, int(QueryDateMode::AllTime));
    QCOMPARE(SerialsOf(lists.filteredGoods).size(), 2);
    QVERIFY(runner.Accept(next()));
    QCOMPARE(runner.request().pageGroup, int(QueryGroup::Sales));
    QVERIFY(!runner.IsRunning() && !runner.HasPending());

    // The running query's page asked again: its result is dropped for the newer one.
    QVERIFY(runner.Start(first));
    QVERIFY(!runner.Start(Request(QueryGroup::Goods, GoodsKind::PurchaseIn)));
    QVERIFY(!runner.Accept(next()));
    QVERIFY(runner.Accept(next()));
    QCOMPARE(SerialsOf(lists.filteredGoods).size(), 2);

    // An emitter replaces the runner's own signal.
    QList<int> emitted;
    runner.SetResultEmitter([&emitted](int code) { emitted << code; });
    runner.Start(first);
    runner.Wait();
    QCOMPARE(emitted, QList<int>{QueryResultCode::GoodsFiltered});
    QVERIFY(runner.Accept(emitted.first()));
    QCOMPARE(ready.size(), 0);
}

void TestAnalytics::salesAndProfitPagesWithTheirCharts()
{
    TempStore db;
    QVERIFY(db.connected);
    StoreDbAccess *s = db.store();
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    s->SaveGoodsRow(Goods(GoodsKind::Sale, "s1", today, "AB-1", "4", "80"));
    s->SaveGoodsRow(Goods(GoodsKind::Sale, "s2", today, "CD-7", "1", "15"));
    s->SaveGoodsRow(Goods(GoodsKind::SaleReturn, "r1", "2019-02-02", "AB-1", "1", "20"));
    s->SaveGoodsRow(Goods(GoodsKind::PurchaseIn, "p1", today, "AB-1", "10", "100"));
    s->SaveFinanceRow(Finance(FinanceKind::Income, "i1", today, "100"));
    s->SaveFinanceRow(Finance(FinanceKind::OtherExpenses, "e1", today, "30"));
    MainWindow w;
    UserRecord user;
    user.userType = 1;
    w.SetUser(user);
    w.Initialise();
    QTableView *expenses = w.FinanceTable(FinanceKind::OtherExpenses);
    QTRY_COMPARE(expenses->model()->rowCount(), 1);

    // The day's sales, the return of years ago deducted; their chart.
    QVERIFY(QueryFrom(w, "btn_salequery_1", "btn_query"));
    QCOMPARE(Column(w.SalesTable(), 11), (QStringList{"60", "15"}));
    Press(w, "btn_chart_7");
    QCOMPARE(w.GraphDialog()->CurrentData().labels, (QStringList{"AB-1", "CD-7"}));
    QCOMPARE(w.GraphDialog()->CurrentData().values, (QList<double>{60, 15}));

    // The per-salesperson page sums the same rows: query, totals, chart, export.
    w.findChild<QAction *>(QStringLiteral("action_saleemploy"))->trigger();
    QVERIFY(QueryFrom(w, "btn_salequery_3", "btn_query"));
    QTableView *bySeller = w.Table(QStringLiteral("tab_saletotal_3"));
    QCOMPARE(w.SalesStack()->currentWidget(), bySeller->parentWidget());
    QCOMPARE(Column(bySeller, 0) + Column(bySeller, 11) + Column(bySeller, 16),
             (QStringList{"小王", "75", "2"}));
    QCOMPARE(Column(w.SalesTable(), 11), (QStringList{"60", "15"})); // the sales page keeps its rows
    Press(w, "btn_total_9");
    QCOMPARE(w.findChild<QLineEdit *>(QStringLiteral("lineEdit_t_9"))->text(), QStringLiteral("75"));
    const QString file = db.dir.filePath(QStringLiteral("seller.xlsx"));
    ModalSeam::SetFileAnswerer([&](const QString &, const QString &, const QString &) { return file; });
    Press(w, "btn_export_9");
    ModalSeam::SetFileAnswerer({});
    ExcelEngine book(file);
    QVector<QStringList> cells;
    QVERIFY(book.Open(1, false) && book.ReadRows(&cells));
    QCOMPARE(cells, (QVector<QStringList>{{"小王", "4", "75", "14", "6", "2"}}));

    // Money owed: receivables and payables apart in the totals line, then the net.
    w.findChild<QAction *>(QStringLiteral("action_saledebt"))->trigger();
    QVERIFY(QueryFrom(w, "btn_salequery_5", "btn_query"));
    Press(w, "btn_total_11");
    QStringList totals;
    for (const char *edit : {"lineEdit_t_11", "lineEdit_p_11", "lineEdit_d_11"})
        totals << w.findChild<QLineEdit *>(QLatin1String(edit))->text();
    QCOMPARE(totals, (QStringList{"6", "-3", "3"}));
    QStringList labels;
    for (const QLabel *label :
         w.Table(QStringLiteral("tab_saletotal_5"))->parentWidget()->findChildren<QLabel *>())
        labels << label->text();
    QVERIFY2(labels.contains(QStringLiteral("应付合计:")), qPrintable(labels.join(' ')));

    // The profit query fills the profit table only; its chart is drawn in the page.
    QVERIFY(QueryFrom(w, "btn_finquery_8", "btn_query"));
    QCOMPARE(w.FinanceTable(FinanceKind::Profit)->model()->rowCount(), 8);
    QCOMPARE(expenses->model()->rowCount(), 1);
    DialogShowGraph *graph = w.GraphDialog();
    Press(w, "btn_finchart_8");
    QCOMPARE(w.GraphDialog(), graph); // made once
    QCOMPARE(graph->CurrentData().values.last(), 70.0);
}

void TestAnalytics::chartDialogDrawsHandedFigures()
{
    // The dialog reads ./html/HistoGram.html from the working folder.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("html")));
    QVERIFY(QFile::copy(qEnvironmentVariable("QUILLON_SOURCE_DIR") + QStringLiteral("/html/HistoGram.html"),
                        dir.filePath(QStringLiteral("html/HistoGram.html"))));
    const QString start = QDir::currentPath();
    QDir::setCurrent(dir.path());
    auto back = qScopeGuard([&] { QDir::setCurrent(start); });
    DialogShowGraph d;
    d.show();
    auto *view = d.findChild<QWebView *>(QStringLiteral("webView"));
    const auto js = [view](const char *script) {
        return view->page()->mainFrame()->evaluateJavaScript(QLatin1String(script));
    };
    // The constructor's sample is drawn once the page has loaded, without a button.
    QVERIFY(QTest::qWaitFor(
        [&] { return js("typeof chartState == 'object' && chartState.bars").toInt() == 4; }, 10000));
    // Labels are text, never markup, and survive a reload of the page.
    const QStringList labels{QStringLiteral("15\" <b>屏</b>"),
                             QStringLiteral("\");DialogShowGraph.hide();//")};
    d.ShowChart(QStringLiteral("t"), QString(), QString(), labels, {50, -80});
    QCOMPARE(js("chartState.labels").toStringList(), labels);
    QCOMPARE(js("document.querySelectorAll('#chart b').length").toInt(), 0);
    QSignalSpy loaded(view, &QWebView::loadFinished);
    view->reload();
    QVERIFY(loaded.wait(10000));
    QCOMPARE(js("chartState.labels").toStringList(), labels);
}

QTEST_MAIN(TestAnalytics)
#include "test_analytics.moc"
