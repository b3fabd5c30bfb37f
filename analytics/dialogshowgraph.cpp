#include "analytics/dialogshowgraph.h"
#include "ui_dialogshowgraph.h"

#include <QFileInfo>
#include <QUrl>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>

namespace {
const char kPagePath[] = "./html/HistoGram.html";
const char kJsObjectName[] = "DialogShowGraph";
} // namespace

DialogShowGraph::DialogShowGraph(QWidget *parent)
    : QDialog(parent), m_ui(new Ui::DialogShowGraph), m_data(ChartScript::SampleData())
{
    m_ui->setupUi(this);

    const QString page = QFileInfo(QString::fromLatin1(kPagePath)).absoluteFilePath();
    m_ui->webView->load(QUrl::fromLocalFile(page));

    m_ui->pieButton->hide();
    m_ui->lineButton->hide();

    QWebFrame *frame = m_ui->webView->page()->mainFrame();
    connect(frame, &QWebFrame::javaScriptWindowObjectCleared, this, &DialogShowGraph::AddObjectToJs);
    // The first draw below runs before the page has loaded and is lost; drawing
    // again once it has (and after any reload) keeps the chart on screen.
    connect(m_ui->webView, &QWebView::loadFinished, this, [this](bool ok) {
        if (ok)
            DrawCurrent();
    });

    on_histogramButton_clicked();
}

DialogShowGraph::~DialogShowGraph() { delete m_ui; }

void DialogShowGraph::ShowChart(const HistogramData &data)
{
    m_data = data;
    show();
    raise();
    activateWindow();
    on_histogramButton_clicked();
}

void DialogShowGraph::ShowChart(const QString &title, const QString &subtitle, const QString &yTitle,
                                const QStringList &labels, const QList<double> &values)
{
    HistogramData d;
    d.title = title;
    d.subtitle = subtitle;
    d.yTitle = yTitle;
    d.labels = labels;
    d.values = values;
    ShowChart(d);
}

void DialogShowGraph::AddObjectToJs()
{
    m_ui->webView->page()->mainFrame()->addToJavaScriptWindowObject(QString::fromLatin1(kJsObjectName), this);
}

void DialogShowGraph::on_histogramButton_clicked()
{
    m_ui->stackedWidget->setCurrentIndex(0);
    DrawCurrent();
}

void DialogShowGraph::on_pieButton_clicked() { m_ui->stackedWidget->setCurrentIndex(1); }

void DialogShowGraph::on_lineButton_clicked() { m_ui->stackedWidget->setCurrentIndex(2); }

void DialogShowGraph::on_pushButtoExit_clicked() { hide(); }

void DialogShowGraph::DrawCurrent()
{
    m_lastScript = m_script.Histogram(m_data);
    m_ui->webView->page()->mainFrame()->evaluateJavaScript(m_lastScript);
}
