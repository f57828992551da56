#include "graph/UGraphStatistics.h"

#include "app/Regional.h"
#include "chart/ChartTypes.h"
#include "chart/PESGraph.h"
#include "stats/GraphStatistics.h"
#include "graph/UGraph.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

// The rate boxes are display-only here; a value beyond their items is added.
void showInBox(QComboBox* box, const QString& text)
{
    int index = box->findText(text);
    if (index < 0) {
        box->addItem(text);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}

} // namespace

void ComputeGraphStatistics(TfrmGraph& window)
{
    // Straight from the chart's arrays: this runs over every point of large graphs.
    const ChartState& data = window.PESGraph1->state();
    const GraphStatistics::Result r = GraphStatistics::compute(
        data.points, data.subsets,
        [&data](int s, int p) { return data.x[size_t(s)][size_t(p)]; },
        [&data](int s, int p) { return data.y[size_t(s)][size_t(p)]; });

    window.txtStartTime->setText(r.points > 0 ? Regional::dateTimeText(r.start) : QString());
    showInBox(window.ComboBox1, GraphStatistics::minutesText(r.rateSeconds));
    showInBox(window.ComboBox2, GraphStatistics::secondsText(r.rateSeconds));
    window.txtDataNo->setText(QString::number(r.points));

    for (int c = 0; c < GraphStatistics::Channels; ++c)
        window.maxField(c)->setText(GraphStatistics::extremeText(r.extremes[c].max, r.extremes[c].maxTime));
    for (int c = 0; c < GraphStatistics::Channels; ++c)
        window.minField(c)->setText(GraphStatistics::extremeText(r.extremes[c].min, r.extremes[c].minTime));
    for (int c = 0; c < GraphStatistics::Channels; ++c)
        window.avgField(c)->setText(GraphStatistics::averageText(r.averages[c], 1));
}

void ShowMaxMinOnGraph(TfrmGraph& window)
{
    PESGraph& chart = *window.PESGraph1;
    const QRect area = chart.PlottingArea();
    QPoint pixel(area.left() + 80, area.top() + 20);
    for (int c = 0; c < GraphStatistics::Channels; ++c) {
        const QPointF at = chart.pixelToGraph(pixel);
        const int i = window.nextAnnotationIndex();
        chart.setGraphAnnotationType(i, sgAnnotTextOnly);
        chart.setGraphAnnotationX(i, at.x());
        chart.setGraphAnnotationY(i, at.y());
        chart.setGraphAnnotationColor(i, window.Host().annotationColor());
        chart.setGraphAnnotationText(i, GraphStatistics::annotationText(c, window.maxField(c)->text(),
                                                                          window.minField(c)->text(),
                                                                          window.avgField(c)->text()));
        pixel.ry() += 20;
    }
    chart.redraw();
}
