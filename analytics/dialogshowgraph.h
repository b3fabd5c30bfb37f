#pragma once

#include "analytics/chartscript.h"

#include <QDialog>

namespace Ui {
class DialogShowGraph;
}

// Chart window: the bar chart is drawn by ./html/HistoGram.html in a web view;
// the dialog hands it the figures as one getData("<json>") call.
class DialogShowGraph : public QDialog
{
    Q_OBJECT

public:
    explicit DialogShowGraph(QWidget *parent = nullptr);
    ~DialogShowGraph() override;

    // Shows the dialog on the histogram page and draws these figures; they stay
    // the current data, so "柱状图" and a page reload draw them again.
    void ShowChart(const HistogramData &data);
    void ShowChart(const QString &title, const QString &subtitle, const QString &yTitle,
                   const QStringList &labels, const QList<double> &values);

    const HistogramData &CurrentData() const { return m_data; }
    // The script last run on the histogram page (empty before the first draw).
    const QString &LastScript() const { return m_lastScript; }

public slots:
    void AddObjectToJs();
    void on_histogramButton_clicked();
    void on_pieButton_clicked();
    void on_lineButton_clicked();
    void on_pushButtoExit_clicked();

private:
    void DrawCurrent();

    ChartScript m_script;
    Ui::DialogShowGraph *m_ui;
    HistogramData m_data;
    QString m_lastScript;
};
