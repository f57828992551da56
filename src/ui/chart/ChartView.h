#pragma once
// The drawing side of PESGraph: builds the QCustomPlot layout (titles,
// legend, one axis rectangle per axis group), fills its data containers from
// the chart state and turns mouse input into the chart's events.
// Only files under src/ui/chart see QCustomPlot.

#include "chart/ChartState.h"
#include "chart/DetailLevels.h"
#include "chart/PointRange.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <qcustomplot.h>
#include <algorithm>
#include <limits>
#include <vector>

class PESGraph;
class AnnotationLayer;
class OffScaleLayer;


class ChartView : public QObject {
    Q_OBJECT
public:
    explicit ChartView(PESGraph& owner);
    ~ChartView() override;

    QCustomPlot* plot() const { return customPlot; }

    // Rebuilds axis rectangles, titles, legend, colours and graphs.
    void rebuildLayout(const ChartState& s);
    // Refills every graph's data container from the state.
    void syncData(const ChartState& s);
    // Brings the containers up to date after the points `changed` (by subset)
    // were written: points added after a subset's last drawn point are appended,
    // any other change refills that subset.
    void syncChangedPoints(const ChartState& s, const std::vector<PointRange>& changed);
    // Sets the unzoomed ranges from the manual scales or from the data.
    void applyRanges(const ChartState& s);
    // Colours and line width of what is laid out, without laying it out
    // again, so that a print keeps the zoom.
    void applyLook(const ChartState& s, int lineWidth);
    // Lays the plot out without drawing, so that pixel positions are current.
    void ensureLayout();
    void markLayoutStale() { layoutStale = true; }

    int rectCount() const { return int(rects.size()); }
    QCPAxisRect* rect(int i) const { return rects.at(size_t(i)); }
    // Axis rectangle that draws `subset`.
    int rectOfSubset(int subset) const;
    QCPGraph* graphOf(int subset) const;
    // Every point the subset's line holds, whatever level of detail is drawn.
    QSharedPointer<QCPGraphDataContainer> fullDataOf(int subset) const;
    QRect plottingArea() const;

    // Date-time (days since 1899-12-30) to plot key and back.
    static double keyOf(double days);
    static double daysOf(double key);

    void zoomTo(const QRect& pixelRect);
    // Index of the graph annotation under a client pixel, or −1.
    int annotationAt(QPointF pos) const;
    // (subset, point) of the data point under a client pixel, or (−1, −1).
    std::pair<int, int> dataPointAt(QPointF pos) const;
    // Lowest and highest Y that `subset` draws (min > max when it draws none).
    std::pair<double, double> dataYExtent(int subset) const;
    const OffScaleLayer& offScaleLayer() const { return *offScale; }

private:
    void onMousePress(QMouseEvent* e);
    void onMouseMove(QMouseEvent* e);
    void onMouseRelease(QMouseEvent* e);
    void onMouseDoubleClick(QMouseEvent* e);
    void onMouseWheel(QWheelEvent* e);
    // A release this close to the press is a click.
    bool isClick(QPoint releasePos) const;
    void syncXRanges(const QCPRange& range);
    void updateTickFormat(const QCPRange& range);
    void applyInteractions(const ChartState& s);
    void balanceRows();
    static int mostValueTicks(int groups);
    void fitValueTicks();
    // Before each replot: each large line is drawn from the level of detail its visible span needs.
    void chooseDetail();

    // What a subset's container holds: its points that carry data, in index
    // order when their X rise, with a NaN break where a null point or a wide
    // X jump lies between two of them; and the span of those points.
    struct DrawnSubset {
        int lastDrawn = -1;          // index of the last point in the container
        double lastKey = 0;
        double lastX = 0;
        bool inIndexOrder = true;    // false: the container had to be sorted
        double minX = std::numeric_limits<double>::infinity();   // X = 0 left out
        double maxX = -std::numeric_limits<double>::infinity();
        double minY = std::numeric_limits<double>::infinity();
        double maxY = -std::numeric_limits<double>::infinity();
    };
    // Appends the drawn points of [from, to) to `out`, updating `drawn`.
    static void collectPoints(const ChartState& s, int subset, int from, int to, DrawnSubset& drawn,
                              QVector<QCPGraphData>& out);
    void refillSubset(const ChartState& s, int subset);

    PESGraph& owner;
    QCustomPlot* customPlot = nullptr;
    AnnotationLayer* annotations = nullptr;
    OffScaleLayer* offScale = nullptr;
    std::vector<QCPAxisRect*> rects;
    QCPLayoutGrid* axesGridLayout = nullptr;
    std::vector<double> shares;          // plotting height share by axis rect
    std::vector<QCPGraph*> graphs;       // by subset
    std::vector<QSharedPointer<QCPGraphDataContainer>> fullData;  // by subset: every drawn point
    std::vector<DetailLevels> detail;    // by subset
    std::vector<int> subsetRect;         // by subset
    std::vector<DrawnSubset> drawnSubsets;  // by subset
    QSharedPointer<QCPAxisTickerDateTime> timeTicker;
    QPoint pressPos;
    bool pressed = false;
    bool syncingX = false;
    bool layoutStale = true;
};
