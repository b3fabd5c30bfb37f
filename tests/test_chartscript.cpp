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

} // namespace

Q_DECLARE_METATYPE(GoodsList)
Q_DECLARE_METATYPE(QList<double>)

class TestChartScript : public QObject
{
    Q_OBJECT

private slots:
    void labelsSurviveTheLiteral_data();
    void labelsSurviveTheLiteral();
    void salesRows_data();
    void salesRows();
    void profitRows();
};

void TestChartScript::labelsSurviveTheLiteral_data()
{
    QTest::addColumn<QString>("label");
    QTest::newRow("quote") << QStringLiteral("15\" 显示器");
    QTest::newRow("backslash") << QStringLiteral("C:\\货架\\");
    QTest::newRow("breakout attempt") << QStringLiteral("\");alert(1);//");
    QTest::newRow("line separator") << QString(QStringLiteral("上")) + QChar(0x2028) + QChar(0x2029)
                                                + QStringLiteral("下");
    QTest::newRow("control chars") << QStringLiteral("tab\tnew\nline");
}

void TestChartScript::labelsSurviveTheLiteral()
{
    QFETCH(QString, label);
    const QString script = ChartScript().Histogram(label, label, {label},
                                                   {std::numeric_limits<double>::quiet_NaN()}, label);
    QString json;
    QVERIFY2(DecodeCall(script, &json), qPrintable(script));
    const QJsonObject o = QJsonDocument::fromJson(json.toUtf8()).object();
    QCOMPARE(o.value(QStringLiteral("tittle")).toString(), label);
    QCOMPARE(o.value(QStringLiteral("ytittle")).toString(), label);
    QCOMPARE(o.value(QStringLiteral("xvalue")).toArray().at(0).toString(), label);
    // JSON has no NaN: a value that is not finite is drawn as 0, never as null.
    QCOMPARE(o.value(QStringLiteral("yvalue")).toArray().at(0), QJsonValue(0));
}

void TestChartScript::salesRows_data()
{
    QTest::addColumn<GoodsList>("rows");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QList<double>>("values");

    QTest::newRow("summed per model, first-seen order")
        << GoodsList{Sale("M2", "100"), Sale("M1", "50.5"), Sale("M2", "20")}
        << QStringList{"M2", "M1"} << QList<double>{120, 50.5};
    QTest::newRow("non-number total counts as 0, negative kept")
        << GoodsList{Sale("A", "abc"), Sale("A", "-7"), Sale("B", "0.1"), Sale("B", "0.2")}
        << QStringList{"A", "B"} << QList<double>{-7, 0.3};
    QTest::newRow("blank model grouped by name")
        << GoodsList{Sale("", "1"), Sale("  ", "2"), Sale(" X ", "3"), Sale("X", "4")}
        << QStringList{QStringLiteral("未填型号"), "X"} << QList<double>{3, 7};
}

void TestChartScript::salesRows()
{
    QFETCH(GoodsList, rows);
    QFETCH(QStringList, labels);
    QFETCH(QList<double>, values);
    const HistogramData d = ChartScript::FromSalesRows(rows);
    QCOMPARE(d.labels, labels);
    QCOMPARE(d.values, values);
}

void TestChartScript::profitRows()
{
    // A kind without rows leaves its item empty; the bar still gets its name.
    FinanceList summary;
    for (int i = 0; i < 8; ++i)
        summary << FinanceRecord();
    summary[0].item = QStringLiteral("收款总额");
    summary[0].sum = QStringLiteral("1.2e+06");
    summary[7].item = QStringLiteral("经营利润");
    summary[7].sum = QStringLiteral("-80");
    const HistogramData d = ChartScript::FromProfitRows(summary);
    QCOMPARE(d.labels.value(3), QStringLiteral("采购支付总额"));
    QCOMPARE(d.labels.size(), 8);
    QCOMPARE(d.values, (QList<double>{1200000, 0, 0, 0, 0, 0, 0, -80}));
}

QTEST_APPLESS_MAIN(TestChartScript)
#include "test_chartscript.moc"
