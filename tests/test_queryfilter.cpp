#include "ledger/queryfilter.h"

#include <QtTest>

using QueryFilter::ConditionField;

namespace {

enum Group { Goods, Sales, Finance };

const QVector<ConditionField> &FieldsOf(int group)
{
    return group == Goods ? QueryFilter::GoodsFields()
         : group == Sales ? QueryFilter::SalesFields() : QueryFilter::FinanceFields();
}

// Conditions with one text at the slot of the named widget, all others empty.
QStringList OneCondition(int group, const QString &widget, const QString &text)
{
    const QVector<ConditionField> &fields = FieldsOf(group);
    QStringList conditions;
    for (const ConditionField &f : fields)
        conditions << (f.widget == widget ? text : QString());
    return conditions;
}

GoodsRecord GoodsWith(int column, const QString &text)
{
    GoodsRecord r;
    r.setText(column, text);
    return r;
}

FinanceRecord FinanceWith(int column, const QString &text)
{
    FinanceRecord r;
    r.setText(column, text);
    return r;
}

bool RunFilter(int group, int column, const QString &value, const QStringList &conditions)
{
    if (group == Finance)
        return QueryFilter::FilterFinance({ FinanceWith(column, value) }, conditions).size() == 1;
    const GoodsList rows = { GoodsWith(column, value) };
    return (group == Goods ? QueryFilter::FilterGoods(rows, conditions)
                           : QueryFilter::FilterSales(rows, conditions)).size() == 1;
}

} // namespace

class TestQueryFilter : public QObject
{
    Q_OBJECT
private slots:
    void matches_data();
    void matches();
    void eachCondition_data();
    void eachCondition();
    void everyConditionMustPass();
};

void TestQueryFilter::matches_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("condition");
    QTest::addColumn<bool>("passes");

    QTest::newRow("empty condition, any field") << "X-1" << "" << true;
    QTest::newRow("middle") << "AB-200" << "-2" << true;
    QTest::newRow("case differs") << "AB-200" << "ab" << false;
    QTest::newRow("condition on empty field") << "" << "A" << false;
    QTest::newRow("blank is a real condition") << "AB" << " " << false;
}

void TestQueryFilter::matches()
{
    QFETCH(QString, field);
    QFETCH(QString, condition);
    QFETCH(bool, passes);
    QCOMPARE(QueryFilter::Matches(field, condition), passes);
}

void TestQueryFilter::eachCondition_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<QString>("widget");
    QTest::addColumn<int>("column");  // the record field the widget's condition is about

    const struct
    {
        int group;
        const char *widget;
        int column;
    } expected[] = {
        { Goods, "comboBox", 1 },     { Goods, "comboBox_2", 2 },  { Goods, "comboBox_3", 3 },
        { Goods, "comboBox_4", 4 },   { Goods, "comboBox_5", 6 },  { Goods, "comboBox_6", 14 },
        { Goods, "comboBox_7", 15 },  { Goods, "comboBox_8", 17 }, { Goods, "lineEdit", 5 },
        { Goods, "lineEdit_2", 8 },   { Goods, "lineEdit_3", 16 },
        { Sales, "comboBox_9", 3 },   { Sales, "comboBox_10", 15 },
        { Finance, "comboBox_31", 1 }, { Finance, "comboBox_32", 4 }, { Finance, "comboBox_33", 5 },
        { Finance, "comboBox_34", 7 }, { Finance, "lineEdit_5", 6 },
    };
    for (const auto &e : expected)
        QTest::newRow(e.widget) << e.group << QString::fromLatin1(e.widget) << e.column;
}

void TestQueryFilter::eachCondition()
{
    QFETCH(int, group);
    QFETCH(QString, widget);
    QFETCH(int, column);

    const int textCount = group == Finance ? FinanceRecord::TextCount : GoodsRecord::TextCount;
    const QStringList conditions = OneCondition(group, widget, QStringLiteral("Kx"));
    QVERIFY2(conditions.contains(QStringLiteral("Kx")), "no condition widget of that name");

    QVERIFY(RunFilter(group, column, QStringLiteral("Kx"), conditions));
    QVERIFY(RunFilter(group, column, QStringLiteral("01-Kx-9"), conditions));
    QVERIFY(!RunFilter(group, column, QStringLiteral("kx"), conditions));
    QVERIFY(!RunFilter(group, column, QString(), conditions));
    // The same text in any other field does not satisfy it.
    for (int other = 0; other < textCount; ++other) {
        if (other != column)
            QVERIFY2(!RunFilter(group, other, QStringLiteral("Kx"), conditions),
                     qPrintable(QStringLiteral("matched column %1").arg(other)));
    }
}

void TestQueryFilter::everyConditionMustPass()
{
    GoodsRecord a;
    a.model = QStringLiteral("AB-1");
    a.store = QStringLiteral("W1-A-3");
    GoodsRecord b = a;
    b.store = QStringLiteral("W2-A-3");
    GoodsRecord c = a;
    c.model = QStringLiteral("CD-1");

    QStringList conditions = OneCondition(Goods, QStringLiteral("comboBox_3"), QStringLiteral("AB"));
    conditions[QueryFilter::GoodsFields().size() - 2] = QStringLiteral("W1");  // warehouse
    QCOMPARE(QueryFilter::GoodsFields().at(QueryFilter::GoodsFields().size() - 2).widget,
             QStringLiteral("lineEdit_2"));
    QCOMPARE(QueryFilter::FilterGoods({ a, b, c }, conditions), GoodsList{ a });

    FinanceRecord f;
    f.item = QStringLiteral("销售收款");
    f.client = QStringLiteral("张三");
    FinanceRecord g = f;
    g.client = QStringLiteral("李四");
    QStringList fc = OneCondition(Finance, QStringLiteral("comboBox_31"), QStringLiteral("收款"));
    fc[1] = QStringLiteral("李");
    QCOMPARE(QueryFilter::FilterFinance({ f, g }, fc), FinanceList{ g });
}

QTEST_APPLESS_MAIN(TestQueryFilter)
#include "test_queryfilter.moc"
