#pragma once
// A channel whose readings leave the Y range of its plot would simply vanish
// (or lie flat on an edge). While any of its points lies outside, the plot
// shows a mark at the edge the data left by: an arrow and the channel's
// extreme value, in the channel's colour.

#include <QColor>
#include <QRectF>
#include <QString>
#include <optional>

struct OffScaleMark {
    enum class Side { Above, Below };
    enum class Edge { Top, Bottom };

    int subset = 0;
    Side side = Side::Above;   // the data lie above the range's maximum or below its minimum
    Edge edge = Edge::Top;     // where the mark sits (Bottom for Above on an upside-down axis)
    double value = 0;          // the highest value above, or the lowest below
    QString text;              // the channel's label and the value, e.g. "T4 103.2"
    QColor color;              // the channel's colour
    QRectF rect;               // arrow and text, in the chart's client pixels
};

namespace OffScale {

struct Excess {
    std::optional<double> above;   // the data's maximum, when it lies above `high`
    std::optional<double> below;   // the data's minimum, when it lies below `low`
};

// Where data spanning [dataMin, dataMax] leave the range [low, high].
inline Excess excess(double dataMin, double dataMax, double low, double high)
{
    Excess e;
    if (dataMax > high)
        e.above = dataMax;
    if (dataMin < low)
        e.below = dataMin;
    return e;
}

} // namespace OffScale
