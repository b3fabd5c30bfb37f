#include "analytics/chartscript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <limits>

namespace {

// Decodes the one JavaScript string literal the script passes to getData, the
// way an ES5 engine would, so a literal that ends early or leaks text fails.
bool DecodeCall(const QString &script, QString *decoded)
{
    const QString head = QStringLiteral("getData(\"");
    if (!script.startsWith(head) || !script.endsWith(QLatin1String("\")")))
        return false;
    const QString body = script.mid(head.size(), script.size() - head.size() - 2);
    QString out;
    for (int i = 0; i < body.size(); ++i) {
        const QChar c = body.at(i);
        if (c == QLatin1Char('"') || c == QChar(0x2028) || c == QChar(0x2029) || c == QLatin1Char('\n'))
            return false; // would end the literal or the line
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (++i >= body.size())
            return false;
        const QChar e = body.at(i);
        if (e == QLatin1Char('u')) {
            bool ok = false;
            const uint code = body.mid(i + 1, 4).toUInt(&ok, 16);
            if (!ok)
                return false;
            out += QChar(code);
            i += 4;
        } else {
            out += e;
        }
    }
    *decoded = out;
    return true;
}

GoodsRecord Sale(const QString &model, const QString &total)
{
    GoodsRecord r;
    r.tabType = 2;
    r.model = model;
    r.total = total;
    return r;
}

FinanceRecord ProfitRow(const QString &item, const QString &sum)
{
    FinanceRecord r;
    r.item = item;
    r.sum = sum;
    return r;
}

} // namespace

Q_DECLARE_METATYPE(GoodsList)
Q_DECLARE_METATYPE(FinanceList)
Q_DECLARE_METATYPE(QList<double>)

class TestChartScript : public QObject
{
    Q_OBJECT

private slots:
    void sampleScriptIsExact();
    void labelsSurviveTheLiteral_data();
    void labelsSurviveTheLiteral();
    void quoteIsEscapedTwice();
    void numbersInJson_data();
    void numbersInJson();
    void salesRows_data();
    void salesRows();
    void profitRows_data();
    void profitRows();
};

void TestChartScript::sampleScriptIsExact()
{
    const QString expected = QString::fromUtf8(
        "getData(\"{\\\"subtittle\\\":\\\"副标题\\\",\\\"tittle\\\":\\\"主标题\\\","
        "\\\"xvalue\\\":[\\\"Item1\\\",\\\"Item2\\\",\\\"Item3\\\",\\\"Item4\\\"],"
        "\\\"ytittle\\\":\\\"y单位\\\",\\\"yvalue\\\":[100,400,200,300]}\")");
    QCOMPARE(ChartScript().Histogram(ChartScript::SampleData()), expected);
    const HistogramData s = ChartScript::SampleData();
    QCOMPARE(ChartScript().Histogram(s.title, s.subtitle, s.labels, s.values, s.yTitle), expected);
}

void TestChartScript::labelsSurviveTheLiteral_data()
{
    QTest::addColumn<QString>("label");
    QTest::newRow("quote") << QStringLiteral("15\" 显示器");
    QTest::newRow("backslash") << QStringLiteral("C:\\货架\\");
    QTest::newRow("backslash then quote") << QStringLiteral("a\\\"b");
    QTest::newRow("breakout attempt") << QStringLiteral("\");alert(1);//");
    QTest::newRow("line separator") << QString(QStringLiteral("上")) + QChar(0x2028) + QChar(0x2029)
                                                + QStringLiteral("下");
    QTest::newRow("control chars") << QStringLiteral("tab\tnew\nline");
    QTest::newRow("markup") << QStringLiteral("<b>x</b>&amp;");
}

void TestChartScript::labelsSurviveTheLiteral()
{
    QFETCH(QString, label);
    const QString script = ChartScript().Histogram(label, label, {label}, {1}, label);
    QString json;
    QVERIFY2(DecodeCall(script, &json), qPrintable(script));
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    QCOMPARE(o.value(QStringLiteral("tittle")).toString(), label);
    QCOMPARE(o.value(QStringLiteral("subtittle")).toString(), label);
    QCOMPARE(o.value(QStringLiteral("ytittle")).toString(), label);
    QCOMPARE(o.value(QStringLiteral("xvalue")).toArray().at(0).toString(), label);
}

void TestChartScript::quoteIsEscapedTwice()
{
    // JSON writes the quote as \" ; inside the literal that becomes \\\" .
    const QString script = ChartScript().Histogram(QString(), QString(), {QStringLiteral("a\"b")},
                                                   {5}, QString());
    QVERIFY2(script.contains(QLatin1String("[\\\"a\\\\\\\"b\\\"]")), qPrintable(script));
}

void TestChartScript::numbersInJson_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("whole") << QList<double>{0, 100, -80} << QByteArray("[0,100,-80]");
    QTest::newRow("cents") << QList<double>{12.5, 0.1} << QByteArray("[12.5,0.1]");
    QTest::newRow("beyond float") << QList<double>{1234567.89} << QByteArray("[1234567.89]");
    QTest::newRow("not finite") << QList<double>{std::numeric_limits<double>::quiet_NaN(),
                                                 std::numeric_limits<double>::infinity()}
                                << QByteArray("[0,0]");
    QTest::newRow("none") << QList<double>{} << QByteArray("[]");
}

void TestChartScript::numbersInJson()
{
    QFETCH(QList<double>, values);
    QFETCH(QByteArray, written);
    const QByteArray json = ChartScript::HistogramJson(QString(), QString(), {}, values, QString());
    QVERIFY2(json.contains("\"yvalue\":" + written), json.constData());
}

void TestChartScript::salesRows_data()
{
    QTest::addColumn<GoodsList>("rows");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QList<double>>("values");

    QTest::newRow("none") << GoodsList{} << QStringList{} << QList<double>{};
    QTest::newRow("summed per model, first-seen order")
        << GoodsList{Sale("M2", "100"), Sale("M1", "50.5"), Sale("M2", "20")}
        << QStringList{"M2", "M1"} << QList<double>{120, 50.5};
    QTest::newRow("deducted return leaves a negative")
        << GoodsList{Sale("A", "-200"), Sale("B", "300")} << QStringList{"A", "B"}
        << QList<double>{-200, 300};
    QTest::newRow("non-number total counts as 0")
        << GoodsList{Sale("A", "abc"), Sale("A", ""), Sale("A", "7")} << QStringList{"A"}
        << QList<double>{7};
    QTest::newRow("blank model grouped by name")
        << GoodsList{Sale("", "1"), Sale("  ", "2"), Sale(" X ", "3"), Sale("X", "4")}
        << QStringList{QStringLiteral("未填型号"), "X"} << QList<double>{3, 7};
    QTest::newRow("no binary noise") << GoodsList{Sale("A", "0.1"), Sale("A", "0.2")}
                                     << QStringList{"A"} << QList<double>{0.3};
    QTest::newRow("large amounts keep cents")
        << GoodsList{Sale("A", "12345678.91"), Sale("A", "0.01")} << QStringList{"A"}
        << QList<double>{12345678.92};
}

void TestChartScript::salesRows()
{
    QFETCH(GoodsList, rows);
    QFETCH(QStringList, labels);
    QFETCH(QList<double>, values);
    const HistogramData d = ChartScript::FromSalesRows(rows);
    QCOMPARE(d.labels, labels);
    QCOMPARE(d.values, values);
    QVERIFY(!d.title.isEmpty());
    QVERIFY(!d.yTitle.isEmpty());
    QCOMPARE(ChartScript::FromSalesRows(rows, QStringLiteral("本月")).subtitle, QStringLiteral("本月"));
}

void TestChartScript::profitRows_data()
{
    QTest::addColumn<FinanceList>("rows");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QList<double>>("values");

    FinanceList summary;
    for (int i = 0; i < 8; ++i)
        summary << FinanceRecord();
    summary[0] = ProfitRow(QStringLiteral("收款总额"), "150.5");
    summary[3] = ProfitRow(QStringLiteral("采购支付总额"), "30");
    summary[7] = ProfitRow(QStringLiteral("经营利润"), "120.5");
    QTest::newRow("kinds without rows get their names")
        << summary
        << QStringList{QStringLiteral("收款总额"), QStringLiteral("未收欠款总额"),
                       QStringLiteral("其它收入总额"), QStringLiteral("采购支付总额"),
                       QStringLiteral("员工薪酬"), QStringLiteral("水电租赁"),
                       QStringLiteral("其它支出"), QStringLiteral("经营利润")}
        << QList<double>{150.5, 0, 0, 30, 0, 0, 0, 120.5};
    QTest::newRow("exponent text and negative profit")
        << FinanceList{ProfitRow(QStringLiteral("收款总额"), "1.2e+06"),
                       ProfitRow(QStringLiteral("经营利润"), "-80")}
        << QStringList{QStringLiteral("收款总额"), QStringLiteral("经营利润")}
        << QList<double>{1200000, -80};
    QTest::newRow("rows past the eight")
        << FinanceList{FinanceRecord(), FinanceRecord(), FinanceRecord(), FinanceRecord(),
                       FinanceRecord(), FinanceRecord(), FinanceRecord(), FinanceRecord(),
                       ProfitRow(QString(), "x")}
        << QStringList{QStringLiteral("收款总额"), QStringLiteral("未收欠款总额"),
                       QStringLiteral("其它收入总额"), QStringLiteral("采购支付总额"),
                       QStringLiteral("员工薪酬"), QStringLiteral("水电租赁"),
                       QStringLiteral("其它支出"), QStringLiteral("经营利润"), QStringLiteral("项目9")}
        << QList<double>{0, 0, 0, 0, 0, 0, 0, 0, 0};
}

void TestChartScript::profitRows()
{
    QFETCH(FinanceList, rows);
    QFETCH(QStringList, labels);
    QFETCH(QList<double>, values);
    const HistogramData d = ChartScript::FromProfitRows(rows);
    QCOMPARE(d.labels, labels);
    QCOMPARE(d.values, values);
}

QTEST_APPLESS_MAIN(TestChartScript)
#include "test_chartscript.moc"
