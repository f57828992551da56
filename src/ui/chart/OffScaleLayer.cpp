#include "chart/OffScaleLayer.h"

#include "app/Regional.h"
#include "chart/ChartColors.h"
#include "chart/ChartView.h"
#include "chart/PESGraph.h"

namespace {

constexpr double ArrowWidth = 9;
constexpr double Padding = 3;     // inside a mark's box, and between box and edge
constexpr double Spacing = 6;     // between two marks on one edge

// The arrow points at the edge the data left by.
QPolygonF arrow(const QRectF& box, OffScaleMark::Edge edge)
{
    const double left = box.left() + Padding;
    const double mid = box.center().y();
    const double half = ArrowWidth / 2;
    if (edge == OffScaleMark::Edge::Top)
        return QPolygonF({QPointF(left, mid + half * 0.8), QPointF(left + ArrowWidth, mid + half * 0.8),
                          QPointF(left + half, mid - half * 0.8)});
    return QPolygonF({QPointF(left, mid - half * 0.8), QPointF(left + ArrowWidth, mid - half * 0.8),
                      QPointF(left + half, mid + half * 0.8)});
}

} // namespace

OffScaleLayer::OffScaleLayer(QCustomPlot* plot, const PESGraph& chart, const ChartView& view)
    : QCPLayerable(plot, QStringLiteral("annotations"))
    , chart(chart)
    , view(view)
{
}

QFont OffScaleLayer::markFont(int axis) const
{
    QFont f = view.rect(axis)->axis(QCPAxis::atLeft)->tickLabelFont();
    f.setBold(true);
    return f;
}

std::vector<OffScaleMark> OffScaleLayer::marks() const
{
    const ChartState& s = chart.state();
    std::vector<OffScaleMark> all;
    for (int axis = 0; axis < view.rectCount(); ++axis) {
        const QCPAxis* yAxis = view.rect(axis)->axis(QCPAxis::atLeft);
        const QCPRange range = yAxis->range();
        const QRectF area = view.rect(axis)->rect();
        const QFontMetricsF metrics(markFont(axis));
        std::vector<OffScaleMark> top;
        std::vector<OffScaleMark> bottom;
        const auto add = [&](int subset, OffScaleMark::Side side, double value) {
            OffScaleMark m;
            m.subset = subset;
            m.side = side;
            // An axis whose minimum was entered above its maximum is drawn upside down.
            const bool atTop = (side == OffScaleMark::Side::Above) != yAxis->rangeReversed();
            m.edge = atTop ? OffScaleMark::Edge::Top : OffScaleMark::Edge::Bottom;
            m.value = value;
            m.text = QStringLiteral("%1 %2").arg(chart.SubsetLabels(subset), Regional::fixed(value, 1));
            m.color = ChartColor::fromRef(chart.SubsetColors(subset));
            m.rect = QRectF(0, 0, Padding + ArrowWidth + Padding + metrics.horizontalAdvance(m.text) + Padding,
                            std::max(metrics.height(), ArrowWidth) + 2);
            (atTop ? top : bottom).push_back(m);
        };
        for (int subset = 0; subset < s.subsets; ++subset) {
            if (view.rectOfSubset(subset) != axis)
                continue;
            const auto [dataMin, dataMax] = view.dataYExtent(subset);
            if (!(dataMin <= dataMax))
                continue;   // no point holds data
            const OffScale::Excess e = OffScale::excess(dataMin, dataMax, range.lower, range.upper);
            if (e.above)
                add(subset, OffScaleMark::Side::Above, *e.above);
            if (e.below)
                add(subset, OffScaleMark::Side::Below, *e.below);
        }
        // In channel order from left to right, the last one at the right edge.
        for (std::vector<OffScaleMark>* row : {&top, &bottom}) {
            double right = area.right() - Padding;
            for (auto it = row->rbegin(); it != row->rend(); ++it) {
                const double y = it->edge == OffScaleMark::Edge::Top ? area.top() + Padding
                                                                     : area.bottom() - Padding - it->rect.height();
                it->rect.moveTopLeft(QPointF(right - it->rect.width(), y));
                right = it->rect.left() - Spacing;
            }
            all.insert(all.end(), row->begin(), row->end());
        }
    }
    return all;
}

void OffScaleLayer::applyDefaultAntialiasingHint(QCPPainter* painter) const
{
    applyAntialiasingHint(painter, true, QCP::aeItems);
}

QRect OffScaleLayer::clipRect() const
{
    return view.plottingArea().adjusted(0, 0, 1, 1);
}

void OffScaleLayer::draw(QCPPainter* painter)
{
    if (view.rectCount() == 0)
        return;
    // The box keeps the mark readable over grid lines and curves.
    QColor box = ChartColor::fromRef(chart.GraphBackColor());
    box.setAlpha(210);
    for (const OffScaleMark& m : marks()) {
        painter->setFont(markFont(view.rectOfSubset(m.subset)));
        painter->setPen(QPen(m.color, 1));
        painter->setBrush(box);
        painter->drawRect(m.rect);
        painter->setBrush(m.color);
        painter->drawPolygon(arrow(m.rect, m.edge));
        painter->setBrush(Qt::NoBrush);
        const QRectF textBox = m.rect.adjusted(Padding + ArrowWidth + Padding, 0, -Padding, 0);
        painter->drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter, m.text);
    }
}
