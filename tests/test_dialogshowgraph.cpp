#include "analytics/dialogshowgraph.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>
#include <QtTest>

Q_DECLARE_METATYPE(QList<double>)

// The dialog reads ./html/HistoGram.html from the working folder, so every
// case runs in a temporary folder holding a copy of the repository's page.
class TestDialogShowGraph : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sampleDrawnOnceLoaded();
    void handedFiguresDrawn_data();
    void handedFiguresDrawn();
    void missingPageIsHarmless();

private:
    QWebView *View(DialogShowGraph &d) { return d.findChild<QWebView *>(QStringLiteral("webView")); }
    QVariant Js(DialogShowGraph &d, const QString &script)
    {
        return View(d)->page()->mainFrame()->evaluateJavaScript(script);
    }
    bool WaitLoaded(DialogShowGraph &d);

    QString m_pageSource;
    QString m_startDir;
    QTemporaryDir *m_dir = nullptr;
};

void TestDialogShowGraph::initTestCase()
{
    m_startDir = QDir::currentPath();
    m_pageSource = qEnvironmentVariable("QUILLON_SOURCE_DIR") + QStringLiteral("/html/HistoGram.html");
    QVERIFY2(QFile::exists(m_pageSource), qPrintable(m_pageSource));
}

void TestDialogShowGraph::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("html")));
    QVERIFY(QFile::copy(m_pageSource, m_dir->filePath(QStringLiteral("html/HistoGram.html"))));
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TestDialogShowGraph::cleanup()
{
    QDir::setCurrent(m_startDir);
    delete m_dir;
    m_dir = nullptr;
}

bool TestDialogShowGraph::WaitLoaded(DialogShowGraph &d)
{
    // Loading a local file may already be done by the time we look.
    if (Js(d, QStringLiteral("typeof getData")).toString() == QLatin1String("function")
        && Js(d, QStringLiteral("document.readyState")).toString() == QLatin1String("complete"))
        return true;
    QSignalSpy spy(View(d), &QWebView::loadFinished);
    return spy.wait(10000) && spy.first().first().toBool();
}

void TestDialogShowGraph::sampleDrawnOnceLoaded()
{
    // The constructor's draw comes before the page exists; the chart must
    // still be there once loading ends, without pressing a button.
    DialogShowGraph d;
    d.show();
    QVERIFY(WaitLoaded(d));
    QCOMPARE(Js(d, QStringLiteral("chartState.bars")).toInt(), 4);
    QCOMPARE(Js(d, QStringLiteral("document.querySelectorAll('rect.bar').length")).toInt(), 4);
    QCOMPARE(Js(d, QStringLiteral("chartState.labels.join('|')")).toString(),
             QStringLiteral("Item1|Item2|Item3|Item4"));
    QCOMPARE(Js(d, QStringLiteral("chartState.title")).toString(), QStringLiteral("主标题"));

    // Bars are as tall as their values say.
    const QVariantList heights = Js(d, QStringLiteral(
        "(function(){var r=document.querySelectorAll('rect.bar'),h=[];"
        "for(var i=0;i<r.length;i++)h.push(r[i].getBBox().height);return h;})()")).toList();
    QCOMPARE(heights.size(), 4);
    QVERIFY(heights.at(0).toDouble() > 0);
    QVERIFY(qAbs(heights.at(1).toDouble() / heights.at(0).toDouble() - 4.0) < 0.05);

    Js(d, QStringLiteral("getData('{}')"));
    QCOMPARE(Js(d, QStringLiteral("chartState.bars")).toInt(), 0);
    d.findChild<QPushButton *>(QStringLiteral("histogramButton"))->click();
    QCOMPARE(Js(d, QStringLiteral("chartState.bars")).toInt(), 4);
}

void TestDialogShowGraph::handedFiguresDrawn_data()
{
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QList<double>>("values");
    QTest::newRow("quote, backslash, markup")
        << QStringList{QStringLiteral("15\" 屏"), QStringLiteral("a\\\"b"), QStringLiteral("<b>x</b>"),
                       QStringLiteral("\");DialogShowGraph.hide();//")}
        << QList<double>{1, 2, 3, 4};
    QTest::newRow("negative profit") << QStringList{QStringLiteral("收款总额"), QStringLiteral("经营利润")}
                                     << QList<double>{50, -80};
}

void TestDialogShowGraph::handedFiguresDrawn()
{
    QFETCH(QStringList, labels);
    QFETCH(QList<double>, values);
    DialogShowGraph d;
    QVERIFY(WaitLoaded(d));
    d.on_pieButton_clicked(); // handing figures over brings the chart to the front
    d.ShowChart(QStringLiteral("销售统计"), QStringLiteral("本月"), QStringLiteral("金额(元)"), labels,
                values);
    QVERIFY(d.isVisible());
    QCOMPARE(d.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"))->currentIndex(), 0);
    QCOMPARE(Js(d, QStringLiteral("document.querySelectorAll('rect.bar').length")).toInt(), labels.size());
    QCOMPARE(Js(d, QStringLiteral("chartState.labels")).toStringList(), labels);
    const QVariantList shown = Js(d, QStringLiteral("chartState.values")).toList();
    QCOMPARE(shown.size(), values.size());
    for (int i = 0; i < values.size(); ++i)
        QCOMPARE(shown.at(i).toDouble(), values.at(i));
    // Labels are text, never markup.
    QCOMPARE(Js(d, QStringLiteral("document.querySelectorAll('#chart b').length")).toInt(), 0);

    // A reload (the view's context menu offers one) keeps the handed figures.
    QSignalSpy loaded(View(d), &QWebView::loadFinished);
    View(d)->reload();
    QVERIFY(loaded.wait(10000));
    QCOMPARE(Js(d, QStringLiteral("chartState.labels")).toStringList(), labels);
}

void TestDialogShowGraph::missingPageIsHarmless()
{
    QVERIFY(QFile::remove(m_dir->filePath(QStringLiteral("html/HistoGram.html"))));
    DialogShowGraph d;
    d.show();
    QTest::qWait(200);
    d.findChild<QPushButton *>(QStringLiteral("histogramButton"))->click();
    d.ShowChart(ChartScript::SampleData());
    QVERIFY(d.isVisible());
    QCOMPARE(Js(d, QStringLiteral("typeof getData")).toString(), QStringLiteral("undefined"));
}

QTEST_MAIN(TestDialogShowGraph)
#include "test_dialogshowgraph.moc"
