#pragma once
// Draws the off-scale marks of a chart above its curves, and tells where they
// are. Only files under src/chart see QCustomPlot.

#include "chart/OffScaleMarks.h"

#include <qcustomplot.h>
#include <vector>

class ChartView;
class PESGraph;

class OffScaleLayer : public QCPLayerable {
public:
    OffScaleLayer(QCustomPlot* plot, const PESGraph& chart, const ChartView& view);

    // The marks of the current data and visible ranges, laid out along the
    // top and bottom edges of each axis's plotting area, right-aligned.
    std::vector<OffScaleMark> marks() const;

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override;
    QRect clipRect() const override;
    void draw(QCPPainter* painter) override;

private:
    QFont markFont(int axis) const;

    const PESGraph& chart;
    const ChartView& view;
};
