#include "chart/ChartView.h"

#include "app/Regional.h"
#include "chart/ChartColors.h"
#include "chart/OffScaleLayer.h"
#include "chart/PESGraph.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// 1970-01-01 as a day count since 1899-12-30.
constexpr double UnixEpochDays = 25569.0;
constexpr double SecondsPerDay = 86400.0;
constexpr int HotSpotRadius = 6;

QColor colorOf(int ref)
{
    return ChartColor::fromRef(ref);
}

Qt::PenStyle gridPenStyle(int gridStyle)
{
    switch (gridStyle) {
    case sgDot: return Qt::DotLine;
    case sgDash: return Qt::DashLine;
    default: return Qt::SolidLine;
    }
}

int labelPointSize(int fontSize)
{
    switch (fontSize) {
    case sgSmall: return 8;
    case sgLarge: return 11;
    default: return 9;
    }
}

} // namespace

// Draws the graph annotations (crosses and texts) in the units of axis 0 and
// the vertical line annotations across the whole plotting area.
class AnnotationLayer : public QCPLayerable {
public:
    AnnotationLayer(QCustomPlot* plot, const PESGraph& chart, const ChartView& view)
        : QCPLayerable(plot, QStringLiteral("annotations"))
        , chart(chart)
        , view(view)
    {
    }

    // Index of the graph annotation under `pos`, or −1.
    int annotationAt(QPointF pos) const
    {
        const ChartState& s = chart.state();
        if (!s.showGraphAnnotations || view.rectCount() == 0)
            return -1;
        int found = -1;
        double best = HotSpotRadius + 1;
        for (auto it = s.graphAnnotations.cbegin(); it != s.graphAnnotations.cend(); ++it) {
            if (!isVisible(*it))
                continue;
            const QPointF p = chart.graphToPixel({it->x, it->y}, 0);
            double distance = QLineF(p, pos).length();
            if (!it->text.isEmpty() && textRect(*it, p).contains(pos))
                distance = 0;
            if (distance < best) {
                best = distance;
                found = it.key();
            }
        }
        return found;
    }

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override
    {
        applyAntialiasingHint(painter, true, QCP::aeItems);
    }

    QRect clipRect() const override { return view.plottingArea().adjusted(0, 0, 1, 1); }

    void draw(QCPPainter* painter) override
    {
        const ChartState& s = chart.state();
        if (view.rectCount() == 0)
            return;
        drawLimitLines(painter, s);
        drawAlarmMarks(painter, s);
        if (s.showVertLineAnnotations)
            drawVertLines(painter, s);
        if (s.showGraphAnnotations)
            drawGraphAnnotations(painter, s);
    }

private:
    static bool isVisible(const GraphAnnotation& a)
    {
        return a.type == sgAnnotCross || !a.text.isEmpty();
    }

    QFont annotationFont(int percent) const
    {
        const ChartState& s = chart.state();
        QFont f(s.options.labelFont);
        f.setPointSizeF(labelPointSize(s.options.fontSize) * std::clamp(percent, 10, 1000) / 100.0);
        return f;
    }

    QRectF textRect(const GraphAnnotation& a, QPointF at) const
    {
        const QFontMetricsF fm(annotationFont(chart.state().graphAnnotationTextSize));
        const QString text = QString(a.text).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        const QRectF box = fm.boundingRect(QRectF(0, 0, 1000, 1000), Qt::AlignLeft | Qt::AlignTop, text);
        const double left = at.x() + (a.type == sgAnnotCross ? HotSpotRadius + 3 : 0);
        return QRectF(left, at.y() - box.height() / 2, box.width(), box.height());
    }

    // A mark in a colour close to the plot's background (black on black by
    // default) gets a thin outline in a contrasting colour, so it stays visible.
    static std::optional<QColor> haloFor(const QColor& mark, const QColor& background)
    {
        const auto luma = [](const QColor& c) { return 0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue(); };
        if (std::abs(luma(mark) - luma(background)) >= 80)
            return std::nullopt;
        return luma(background) < 128 ? QColor(220, 220, 220) : QColor(40, 40, 40);
    }

    void drawGraphAnnotations(QCPPainter* painter, const ChartState& s)
    {
        painter->setFont(annotationFont(s.graphAnnotationTextSize));
        const QColor background = colorOf(s.graphBackColor);
        for (const GraphAnnotation& a : s.graphAnnotations) {
            if (!isVisible(a))
                continue;
            const QPointF p = chart.graphToPixel({a.x, a.y}, 0);
            const QColor color = colorOf(a.color);
            const std::optional<QColor> halo = haloFor(color, background);
            if (a.type == sgAnnotCross) {
                const QLineF across(QPointF(p.x() - HotSpotRadius, p.y()), QPointF(p.x() + HotSpotRadius, p.y()));
                const QLineF down(QPointF(p.x(), p.y() - HotSpotRadius), QPointF(p.x(), p.y() + HotSpotRadius));
                if (halo) {
                    painter->setPen(QPen(*halo, 3.5, Qt::SolidLine, Qt::SquareCap));
                    painter->drawLine(across);
                    painter->drawLine(down);
                }
                painter->setPen(QPen(color, 1.5));
                painter->drawLine(across);
                painter->drawLine(down);
            }
            if (!a.text.isEmpty()) {
                const QString text = QString(a.text).replace(QLatin1Char('\r'), QLatin1Char('\n'));
                const QRectF box = textRect(a, p);
                if (halo) {
                    painter->setPen(*halo);
                    for (const QPointF offset : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1),
                                                 QPointF(-1, -1), QPointF(1, 1), QPointF(-1, 1), QPointF(1, -1)})
                        painter->drawText(box.translated(offset), Qt::AlignLeft | Qt::AlignTop, text);
                }
                painter->setPen(color);
                painter->drawText(box, Qt::AlignLeft | Qt::AlignTop, text);
            }
        }
    }

    static QColor subsetColor(const ChartState& s, int subset)
    {
        return colorOf(size_t(subset) < s.subsetColors.size() ? s.subsetColors[size_t(subset)] : 0xFF0000);
    }

    // A limit across the axis of its channel, dashed, in the channel's colour.
    void drawLimitLines(QCPPainter* painter, const ChartState& s)
    {
        for (const LimitLine& line : s.limitLines) {
            if (line.subset < 0 || line.subset >= s.subsets)
                continue;
            const int axis = view.rectOfSubset(line.subset);
            const QRect area = chart.axisArea(axis);
            const double py = chart.graphToPixel({0, line.y}, axis).y();
            if (!std::isfinite(py) || py < area.top() || py > area.bottom())
                continue;
            painter->setPen(QPen(subsetColor(s, line.subset), 1.5, Qt::DashLine, Qt::FlatCap));
            painter->drawLine(QPointF(area.left(), py), QPointF(area.right(), py));
        }
    }

    // An alarm's beginning: a solid line down its channel's axis under a
    // filled triangle, with its words; its end: a dotted line under an open one.
    void drawAlarmMarks(QCPPainter* painter, const ChartState& s)
    {
        painter->setFont(annotationFont(s.lineAnnotationTextSize));
        const double ascent = QFontMetricsF(painter->font()).ascent();
        for (const AlarmMark& mark : s.alarmMarks) {
            if (mark.subset < 0 || mark.subset >= s.subsets)
                continue;
            const int axis = view.rectOfSubset(mark.subset);
            const QRect area = chart.axisArea(axis);
            const double px = chart.graphToPixel({mark.x, 0}, axis).x();
            if (!std::isfinite(px) || px < area.left() || px > area.right())
                continue;
            const QColor color = subsetColor(s, mark.subset);
            painter->setPen(QPen(color, 1, mark.begins ? Qt::SolidLine : Qt::DotLine));
            painter->drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
            const double top = area.top();
            const QPolygonF triangle({QPointF(px - 5, top), QPointF(px + 5, top), QPointF(px, top + 7)});
            painter->setPen(QPen(color, 1));
            painter->setBrush(mark.begins ? QBrush(color) : QBrush(Qt::NoBrush));
            painter->drawPolygon(triangle);
            painter->setBrush(Qt::NoBrush);
            if (mark.begins && !mark.text.isEmpty())
                painter->drawText(QPointF(px + 7, top + ascent + 1), mark.text);
        }
    }

    void drawVertLines(QCPPainter* painter, const ChartState& s)
    {
        const QRect area = view.plottingArea();
        painter->setFont(annotationFont(s.lineAnnotationTextSize));
        for (const VertLineAnnotation& line : s.vertLineAnnotations) {
            const double px = chart.graphToPixel({line.x, 0}, 0).x();
            if (px < area.left() || px > area.right())
                continue;
            const QColor color = colorOf(line.color);
            painter->setPen(QPen(color, 1, Qt::DashLine));
            painter->drawLine(QPointF(px, area.top()), QPointF(px, area.bottom()));
            if (!line.text.isEmpty()) {
                painter->setPen(color);
                painter->drawText(QPointF(px + 3, area.top() + QFontMetricsF(painter->font()).ascent() + 2), line.text);
            }
        }
    }

    const PESGraph& chart;
    const ChartView& view;
};

ChartView::ChartView(PESGraph& chart)
    : owner(chart)
{
    customPlot = new QCustomPlot(&chart);
    customPlot->setObjectName(QStringLiteral("plot"));
    customPlot->setAccessibleName(QStringLiteral("Graph"));
    customPlot->setNoAntialiasingOnDrag(true);
    // Thin lines without antialiasing keep redraws of large graphs fast and crisp.
    customPlot->setNotAntialiasedElements(QCP::aePlottables | QCP::aeGrid | QCP::aeAxes);
    customPlot->setPlottingHint(QCP::phCacheLabels, true);
    customPlot->addLayer(QStringLiteral("annotations"), customPlot->layer(QStringLiteral("main")), QCustomPlot::limAbove);
    customPlot->setSelectionRectMode(QCP::srmCustom);
    customPlot->selectionRect()->setPen(QPen(Qt::white, 1, Qt::DashLine));
    customPlot->selectionRect()->setBrush(QColor(255, 255, 255, 40));

    timeTicker.reset(new QCPAxisTickerDateTime);
    timeTicker->setDateTimeSpec(Qt::UTC);  // keys are local wall time counted as UTC
    timeTicker->setTickCount(8);

    annotations = new AnnotationLayer(customPlot, chart, *this);
    offScale = new OffScaleLayer(customPlot, chart, *this);

    // Balance the axis heights before a replot lays the plot out.
    connect(customPlot, &QCustomPlot::beforeReplot, this, &ChartView::ensureLayout);
    connect(customPlot, &QCustomPlot::beforeReplot, this, &ChartView::chooseDetail);
    connect(customPlot, &QCustomPlot::afterLayout, this, &ChartView::fitValueTicks);
    connect(customPlot, &QCustomPlot::mousePress, this, &ChartView::onMousePress);
    connect(customPlot, &QCustomPlot::mouseMove, this, &ChartView::onMouseMove);
    connect(customPlot, &QCustomPlot::mouseRelease, this, &ChartView::onMouseRelease);
    connect(customPlot, &QCustomPlot::mouseDoubleClick, this, &ChartView::onMouseDoubleClick);
    connect(customPlot, &QCustomPlot::mouseWheel, this, &ChartView::onMouseWheel);
    // One gesture, one effect: a release within the click tolerance is a click, never a zoom.
    connect(customPlot->selectionRect(), &QCPSelectionRect::accepted, this, [this](const QRect& r, QMouseEvent* e) {
        if (!isClick(e->position().toPoint()))
            owner.zoomToPixelRect(r);
    });
}

ChartView::~ChartView() = default;

double ChartView::keyOf(double days)
{
    return (days - UnixEpochDays) * SecondsPerDay;
}

double ChartView::daysOf(double key)
{
    return key / SecondsPerDay + UnixEpochDays;
}

int ChartView::rectOfSubset(int subset) const
{
    return subset >= 0 && size_t(subset) < subsetRect.size() ? subsetRect[size_t(subset)] : 0;
}

QCPGraph* ChartView::graphOf(int subset) const
{
    return subset >= 0 && size_t(subset) < graphs.size() ? graphs[size_t(subset)] : nullptr;
}

QSharedPointer<QCPGraphDataContainer> ChartView::fullDataOf(int subset) const
{
    return subset >= 0 && size_t(subset) < fullData.size() ? fullData[size_t(subset)] : nullptr;
}

void ChartView::chooseDetail()
{
    for (size_t subset = 0; subset < graphs.size() && subset < fullData.size(); ++subset) {
        QCPGraph* graph = graphs[subset];
        const auto chosen = detail[subset].forView(fullData[subset], graph->keyAxis()->range(),
                                                   graph->keyAxis()->axisRect()->width());
        if (graph->data() != chosen)
            graph->setData(chosen);
    }
}

QRect ChartView::plottingArea() const
{
    QRect area;
    for (QCPAxisRect* r : rects)
        area = area.united(r->rect());
    return area;
}

void ChartView::ensureLayout()
{
    if (!layoutStale)
        return;
    customPlot->setViewport(customPlot->rect());
    QCPLayoutGrid* layout = customPlot->plotLayout();
    layout->setOuterRect(customPlot->viewport());
    for (int pass = 0; pass < 2; ++pass) {
        layout->update(QCPLayoutElement::upPreparation);
        layout->update(QCPLayoutElement::upMargins);
        layout->update(QCPLayoutElement::upLayout);
        balanceRows();
    }
    layoutStale = false;
}

// The axis line, ticks and labels in the text colour, the grid in its own.
static void colorAxis(QCPAxis* axis, const QColor& text, const QColor& grid, int gridStyle)
{
    axis->setBasePen(QPen(text, 1));
    axis->setTickPen(QPen(text, 1));
    axis->setSubTickPen(QPen(text, 1));
    axis->setTickLabelColor(text);
    axis->setLabelColor(text);
    axis->grid()->setPen(QPen(grid, 1, gridPenStyle(gridStyle)));
}

void ChartView::rebuildLayout(const ChartState& s)
{
    customPlot->clearGraphs();
    customPlot->plotLayout()->clear();
    rects.clear();
    graphs.clear();
    fullData.clear();
    detail.clear();
    subsetRect.assign(size_t(s.subsets), 0);

    const QColor text = colorOf(s.textColor);
    const QColor grid = colorOf(s.graphForeColor);
    const int labelSize = labelPointSize(s.options.fontSize);
    QFont labelFont(s.options.labelFont);
    labelFont.setPointSize(labelSize);
    QFont titleFont(s.options.titleFont);
    titleFont.setPointSize(labelSize + 5);
    titleFont.setBold(true);
    QFont subTitleFont(s.options.titleFont);
    subTitleFont.setPointSize(labelSize + 2);

    customPlot->setBackground(colorOf(s.deskColor));
    QCPLayoutGrid* layout = customPlot->plotLayout();
    layout->setRowSpacing(0);
    int row = 0;
    if (!s.mainTitle.trimmed().isEmpty()) {
        auto* title = new QCPTextElement(customPlot, s.mainTitle, titleFont);
        title->setTextColor(text);
        layout->addElement(row++, 0, title);
    }
    if (!s.subTitle.trimmed().isEmpty()) {
        auto* sub = new QCPTextElement(customPlot, s.subTitle, subTitleFont);
        sub->setTextColor(text);
        layout->addElement(row++, 0, sub);
    }

    QCPLegend* legend = nullptr;
    if (s.options.showLegend) {
        legend = new QCPLegend;
        legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
        legend->setWrap(0);
        legend->setBrush(Qt::NoBrush);
        legend->setBorderPen(Qt::NoPen);
        legend->setTextColor(text);
        legend->setFont(labelFont);
        legend->setIconSize(24, 10);
        legend->setMargins(QMargins(4, 2, 4, 2));
    }
    const bool legendAtBottom = s.options.legendLocation == sgLegendBottom;
    // The legend sits centred between two stretching spacers, as compact as its entries.
    const auto addLegendStrip = [&](int atRow) {
        auto* strip = new QCPLayoutGrid;
        layout->addElement(atRow, 0, strip);  // in the plot first, so its cells know the plot
        strip->addElement(0, 0, new QCPLayoutGrid);
        strip->addElement(0, 1, legend);
        strip->addElement(0, 2, new QCPLayoutGrid);
        strip->setColumnStretchFactors({1, 0.001, 1});
    };
    if (legend && !legendAtBottom)
        addLegendStrip(row++);

    // Axis groups: axis g holds the next MultiAxesSubsets(g) subsets; without
    // any assignment every subset shares axis 0. Extra subsets join the last axis.
    std::vector<int> groupSizes;
    int assigned = 0;
    for (const ChartAxis& a : s.axes) {
        if (a.multiAxesSubsets <= 0 || assigned >= s.subsets)
            break;
        const int take = std::min(a.multiAxesSubsets, s.subsets - assigned);
        groupSizes.push_back(take);
        assigned += take;
    }
    if (groupSizes.empty())
        groupSizes.push_back(s.subsets);
    else if (assigned < s.subsets)
        groupSizes.back() += s.subsets - assigned;

    auto* axesGrid = new QCPLayoutGrid;
    axesGrid->setRowSpacing(0);
    layout->addElement(row, 0, axesGrid);
    layout->setRowStretchFactor(row, 1000);
    ++row;
    for (int r = 0; r < row - 1; ++r)
        layout->setRowStretchFactor(r, 0.001);

    auto* margins = new QCPMarginGroup(customPlot);
    const int separatorWidth = std::max(0, s.options.multiAxesSeparators);
    const int groups = int(groupSizes.size());
    int subset = 0;
    for (int g = 0; g < groups; ++g) {
        auto* rect = new QCPAxisRect(customPlot, true);
        axesGrid->addElement(g, 0, rect);
        const double share = groups == 1 ? 1.0 : s.axes[size_t(g)].multiAxesProportion;
        axesGrid->setRowStretchFactor(g, share > 0 ? share : 1.0 / groups);
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
        const bool last = g == groups - 1;
        rect->setAutoMargins(QCP::msLeft | QCP::msRight | (last ? QCP::msBottom : QCP::msNone) | (g == 0 ? QCP::msTop : QCP::msNone));
        rect->setMargins(QMargins(0, g == 0 ? 0 : 4 + separatorWidth, 0, last ? 0 : 4 + separatorWidth));
        rect->setBackground(colorOf(s.graphBackColor));
        rect->setupFullAxesBox(false);

        for (QCPAxis* axis : rect->axes()) {
            colorAxis(axis, text, grid, s.options.gridStyle);
            axis->setTickLabelFont(labelFont);
            axis->setLabelFont(labelFont);
            axis->grid()->setZeroLinePen(Qt::NoPen);
        }
        const bool xGrid = s.options.gridLineControl == sgGridBoth || s.options.gridLineControl == sgXAxis;
        const bool yGrid = s.options.gridLineControl == sgGridBoth || s.options.gridLineControl == sgYAxis;
        rect->axis(QCPAxis::atBottom)->grid()->setVisible(xGrid);
        rect->axis(QCPAxis::atLeft)->grid()->setVisible(yGrid);
        for (QCPAxis* axis : {rect->axis(QCPAxis::atTop), rect->axis(QCPAxis::atRight)}) {
            axis->setTicks(false);
            axis->setTickLabels(false);
            axis->grid()->setVisible(false);
        }
        QCPAxis* xAxis = rect->axis(QCPAxis::atBottom);
        xAxis->setTicker(timeTicker);
        xAxis->setTickLabels(last);
        xAxis->setLabel(last ? s.xAxisLabel : QString());
        QCPAxis* yAxis = rect->axis(QCPAxis::atLeft);
        yAxis->setLabel(g < int(s.axes.size()) ? s.axes[size_t(g)].label : QString());
        yAxis->setNumberFormat(QStringLiteral("gb"));
        yAxis->ticker()->setTickCount(mostValueTicks(groups));
        connect(xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, &ChartView::syncXRanges);
        rect->setRangeZoomAxes(xAxis, yAxis);
        rects.push_back(rect);

        for (int k = 0; k < groupSizes[size_t(g)]; ++k, ++subset) {
            QCPGraph* graph = customPlot->addGraph(xAxis, yAxis);
            const int colorRef = size_t(subset) < s.subsetColors.size() ? s.subsetColors[size_t(subset)] : 0xFF0000;
            graph->setPen(QPen(colorOf(colorRef), 1));
            graph->setName(subset < s.subsetLabels.size() ? s.subsetLabels[subset] : QString());
            graph->setAdaptiveSampling(true);
            switch (s.options.plottingMethod) {
            case sgPoint:
                graph->setLineStyle(QCPGraph::lsNone);
                graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 3));
                break;
            case sgPointsPlusLine:
                graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 4));
                break;
            case sgBar:
                graph->setLineStyle(QCPGraph::lsImpulse);
                break;
            default:
                break;
            }
            graph->removeFromLegend();
            if (legend)
                graph->addToLegend(legend);
            graphs.push_back(graph);
            fullData.push_back(graph->data());
            detail.emplace_back();
            subsetRect[size_t(subset)] = g;
        }
    }
    if (legend && legendAtBottom) {
        addLegendStrip(row);
        layout->setRowStretchFactor(row++, 0.001);
    }
    if (legend)
        legend->setLayer(QStringLiteral("legend"));

    axesGridLayout = axesGrid;
    shares.clear();
    for (int g = 0; g < groups; ++g)
        shares.push_back(groups == 1 ? 1.0 : std::max(s.axes[size_t(g)].multiAxesProportion, 1e-3));
    applyInteractions(s);
    layoutStale = true;
}

void ChartView::applyLook(const ChartState& s, int lineWidth)
{
    const QColor text = colorOf(s.textColor);
    customPlot->setBackground(colorOf(s.deskColor));
    for (QCPLayoutElement* element : customPlot->plotLayout()->elements(true)) {
        if (auto* title = qobject_cast<QCPTextElement*>(element))
            title->setTextColor(text);
        else if (auto* legend = qobject_cast<QCPLegend*>(element))
            legend->setTextColor(text);
    }
    for (QCPAxisRect* rect : rects) {
        rect->setBackground(colorOf(s.graphBackColor));
        for (QCPAxis* axis : rect->axes())
            colorAxis(axis, text, colorOf(s.graphForeColor), s.options.gridStyle);
    }
    for (size_t subset = 0; subset < graphs.size(); ++subset) {
        const int colorRef = subset < s.subsetColors.size() ? s.subsetColors[subset] : 0xFF0000;
        graphs[subset]->setPen(QPen(colorOf(colorRef), lineWidth));
    }
}

int ChartView::mostValueTicks(int groups)
{
    return groups > 2 ? 4 : 6;
}

// Value labels stand one above another: a short plot (four of them on a small
// or dense screen) gets only as many as its height holds without overlapping.
void ChartView::fitValueTicks()
{
    const int most = mostValueTicks(int(rects.size()));
    for (QCPAxisRect* rect : rects) {
        QCPAxis* values = rect->axis(QCPAxis::atLeft);
        const int lineHeight = QFontMetrics(values->tickLabelFont()).height();
        const int fitting = std::clamp(rect->height() / std::max(1, 2 * lineHeight), 2, most);
        if (values->ticker()->tickCount() == fitting)
            continue;
        values->ticker()->setTickCount(fitting);
        rect->update(QCPLayoutElement::upPreparation);  // its ticks anew, before they are drawn
    }
}

void ChartView::balanceRows()
{
    // Stretch factors share the outer heights; give each axis its share of the
    // plotting height itself, so the axis carrying the time labels is not shorter.
    if (!axesGridLayout || rects.size() < 2)
        return;
    double marginsTotal = 0;
    double shareTotal = 0;
    for (size_t g = 0; g < rects.size(); ++g) {
        marginsTotal += rects[g]->margins().top() + rects[g]->margins().bottom();
        shareTotal += shares[g];
    }
    const double inner = std::max(1.0, axesGridLayout->rect().height() - marginsTotal);
    for (size_t g = 0; g < rects.size(); ++g) {
        const double margins = rects[g]->margins().top() + rects[g]->margins().bottom();
        axesGridLayout->setRowStretchFactor(int(g), inner * shares[g] / shareTotal + margins);
    }
}

void ChartView::applyInteractions(const ChartState& s)
{
    const bool horz = s.options.allowZooming == sgHorzZooming || s.options.allowZooming == sgHorzPlusVertZooming;
    const bool vert = s.options.allowZooming == sgVertZooming || s.options.allowZooming == sgHorzPlusVertZooming;
    customPlot->setSelectionRectMode(horz || vert ? QCP::srmCustom : QCP::srmNone);
    Qt::Orientations wheel;
    if (horz && s.options.scrollingHorzZoom)
        wheel |= Qt::Horizontal;
    if (vert && s.options.scrollingVertZoom)
        wheel |= Qt::Vertical;
    customPlot->setInteraction(QCP::iRangeZoom, wheel != Qt::Orientations());
    for (QCPAxisRect* r : rects)
        r->setRangeZoom(wheel);
}

void ChartView::collectPoints(const ChartState& s, int subset, int from, int to, DrawnSubset& drawn,
                              QVector<QCPGraphData>& out)
{
    const double nullY = s.nullDataValueY;
    const double gap = s.lineGapThreshold;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const auto& xs = s.x[size_t(subset)];
    const auto& ys = s.y[size_t(subset)];
    for (int p = from; p < to; ++p) {
        const double y = double(ys[size_t(p)]);
        // A point holding the null value is a gap in the line, not a drop to it;
        // it stays out of the container so that the points keep their X order.
        if (y == nullY)
            continue;
        const double x = xs[size_t(p)];
        const double key = keyOf(x);
        if (drawn.lastDrawn >= 0) {
            if (key < drawn.lastKey)
                drawn.inIndexOrder = false;
            else if (drawn.inIndexOrder && (p > drawn.lastDrawn + 1 || (gap > 0 && x - drawn.lastX > gap)))
                out.append(QCPGraphData((drawn.lastKey + key) / 2, nan));
        }
        out.append(QCPGraphData(key, y));
        drawn.lastDrawn = p;
        drawn.lastKey = key;
        drawn.lastX = x;
        if (x != 0) {
            drawn.minX = std::min(drawn.minX, x);
            drawn.maxX = std::max(drawn.maxX, x);
        }
        if (std::isfinite(y)) {
            drawn.minY = std::min(drawn.minY, y);
            drawn.maxY = std::max(drawn.maxY, y);
        }
    }
}

void ChartView::refillSubset(const ChartState& s, int subset)
{
    DrawnSubset& drawn = drawnSubsets[size_t(subset)];
    drawn = DrawnSubset{};
    QVector<QCPGraphData> data;
    data.reserve(qsizetype(s.points) + 8);
    collectPoints(s, subset, 0, s.points, drawn, data);
    fullData[size_t(subset)]->set(data, drawn.inIndexOrder);
    detail[size_t(subset)].clear();
    graphs[size_t(subset)]->setData(fullData[size_t(subset)]);
}

void ChartView::syncData(const ChartState& s)
{
    drawnSubsets.assign(size_t(s.subsets), DrawnSubset{});
    for (int subset = 0; subset < int(graphs.size()) && subset < s.subsets; ++subset)
        refillSubset(s, subset);
}

void ChartView::syncChangedPoints(const ChartState& s, const std::vector<PointRange>& changed)
{
    if (drawnSubsets.size() != size_t(s.subsets)) {
        syncData(s);
        return;
    }
    for (int subset = 0; subset < int(graphs.size()) && subset < s.subsets && size_t(subset) < changed.size(); ++subset) {
        const PointRange range = changed[size_t(subset)];
        if (range.empty())
            continue;
        DrawnSubset& drawn = drawnSubsets[size_t(subset)];
        // Only points after the last drawn one can be appended; a change among
        // the drawn points may remove, move or split them: refill.
        if (!drawn.inIndexOrder || range.first <= drawn.lastDrawn || range.last >= s.points) {
            refillSubset(s, subset);
            continue;
        }
        DrawnSubset extended = drawn;
        QVector<QCPGraphData> added;
        collectPoints(s, subset, range.first, range.last + 1, extended, added);
        if (!extended.inIndexOrder) {
            refillSubset(s, subset);
            continue;
        }
        fullData[size_t(subset)]->add(added, true);
        detail[size_t(subset)].clear();
        graphs[size_t(subset)]->setData(fullData[size_t(subset)]);
        drawn = extended;
    }
}

void ChartView::applyRanges(const ChartState& s)
{
    if (rects.empty())
        return;
    layoutStale = true;
    // X: manual, or the span of the points that hold data.
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (const DrawnSubset& drawn : drawnSubsets) {
        lo = std::min(lo, drawn.minX);
        hi = std::max(hi, drawn.maxX);
    }
    if (!(lo <= hi)) {
        lo = 0;
        hi = 1;
    }
    if (s.manualScaleControlX == sgManualMin || s.manualScaleControlX == sgManualMinAndMax)
        lo = s.manualMinX;
    if (s.manualScaleControlX == sgManualMax || s.manualScaleControlX == sgManualMinAndMax)
        hi = s.manualMaxX;
    if (hi - lo < 1e-9) {
        lo -= 1.0 / SecondsPerDay;
        hi += 1.0 / SecondsPerDay;
    }
    rects.front()->axis(QCPAxis::atBottom)->setRange(keyOf(lo), keyOf(hi));

    // Y per axis: manual, or the data of the axis's subsets padded a little.
    for (int g = 0; g < int(rects.size()); ++g) {
        const ChartAxis axis = g < int(s.axes.size()) ? s.axes[size_t(g)] : ChartAxis{};
        double ylo = std::numeric_limits<double>::infinity();
        double yhi = -ylo;
        for (int subset = 0; subset < int(drawnSubsets.size()); ++subset) {
            if (rectOfSubset(subset) != g)
                continue;
            ylo = std::min(ylo, drawnSubsets[size_t(subset)].minY);
            yhi = std::max(yhi, drawnSubsets[size_t(subset)].maxY);
        }
        if (!(ylo <= yhi)) {
            ylo = 0;
            yhi = 100;
        }
        const double pad = (yhi - ylo) * s.options.autoMinMaxPadding / 100.0;
        ylo -= pad;
        yhi += pad;
        if (axis.manualScaleControlY == sgManualMin || axis.manualScaleControlY == sgManualMinAndMax)
            ylo = axis.manualMinY;
        if (axis.manualScaleControlY == sgManualMax || axis.manualScaleControlY == sgManualMinAndMax)
            yhi = axis.manualMaxY;
        if (std::abs(yhi - ylo) < 1e-9) {
            ylo -= 1;
            yhi += 1;
        }
        QCPAxis* yAxis = rects[size_t(g)]->axis(QCPAxis::atLeft);
        // A manual minimum above its maximum is drawn upside down, as entered.
        yAxis->setRangeReversed(ylo > yhi);
        yAxis->setRange(std::min(ylo, yhi), std::max(ylo, yhi));
    }
}

void ChartView::syncXRanges(const QCPRange& range)
{
    if (syncingX)
        return;
    syncingX = true;
    for (QCPAxisRect* r : rects)
        r->axis(QCPAxis::atBottom)->setRange(range);
    updateTickFormat(range);
    syncingX = false;
}

void ChartView::updateTickFormat(const QCPRange& range)
{
    // Time of day for spans within a day; the date joins in for longer spans.
    const QString time = Regional::longTimeFormat();
    if (range.size() <= SecondsPerDay)
        timeTicker->setDateTimeFormat(time);
    else
        timeTicker->setDateTimeFormat(Regional::shortDateFormat() + QStringLiteral("\nhh:mm"));
}

void ChartView::zoomTo(const QRect& pixelRect)
{
    if (rects.empty() || pixelRect.width() < 2 || pixelRect.height() < 2)
        return;
    layoutStale = true;
    const ChartState& s = owner.state();
    const bool horz = s.options.allowZooming == sgHorzZooming || s.options.allowZooming == sgHorzPlusVertZooming;
    const bool vert = s.options.allowZooming == sgVertZooming || s.options.allowZooming == sgHorzPlusVertZooming;
    QCPAxisRect* target = customPlot->axisRectAt(pixelRect.center());
    if (!target)
        target = rects.front();
    if (horz) {
        QCPAxis* x = target->axis(QCPAxis::atBottom);
        const double a = x->pixelToCoord(pixelRect.left());
        const double b = x->pixelToCoord(pixelRect.right());
        x->setRange(std::min(a, b), std::max(a, b));
    }
    if (vert) {
        QCPAxis* y = target->axis(QCPAxis::atLeft);
        const double a = y->pixelToCoord(pixelRect.top());
        const double b = y->pixelToCoord(pixelRect.bottom());
        y->setRange(std::min(a, b), std::max(a, b));
    }
}

void ChartView::onMousePress(QMouseEvent* e)
{
    pressPos = e->position().toPoint();
    pressed = true;
}

bool ChartView::isClick(QPoint releasePos) const
{
    return (releasePos - pressPos).manhattanLength() <= customPlot->selectionTolerance();
}

void ChartView::onMouseMove(QMouseEvent* e)
{
    owner.setLastMousePosition(e->position().toPoint());
    emit owner.OnMouseMove();
}

void ChartView::onMouseRelease(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    owner.setLastMousePosition(pos);
    if (pressed && isClick(pos))
        owner.handleClick(pos, false);
    pressed = false;
}

void ChartView::onMouseDoubleClick(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    owner.setLastMousePosition(pos);
    owner.handleClick(pos, true);
}

void ChartView::onMouseWheel(QWheelEvent*)
{
    if (customPlot->interactions().testFlag(QCP::iRangeZoom)) {
        owner.zoomed = true;
        emit owner.OnZoomIn();
    }
}

int ChartView::annotationAt(QPointF pos) const
{
    return annotations->annotationAt(pos);
}

std::pair<int, int> ChartView::dataPointAt(QPointF pos) const
{
    const ChartState& s = owner.state();
    std::pair<int, int> found{-1, -1};
    double best = HotSpotRadius + 1;
    for (int subset = 0; subset < int(graphs.size()) && subset < s.subsets; ++subset) {
        const QCPAxisRect* r = rects[size_t(subsetRect[size_t(subset)])];
        if (!r->rect().contains(pos.toPoint()))
            continue;
        QCPAxis* x = r->axis(QCPAxis::atBottom);
        QCPAxis* y = r->axis(QCPAxis::atLeft);
        const auto& xs = s.x[size_t(subset)];
        const auto& ys = s.y[size_t(subset)];
        for (size_t p = 0; p < xs.size(); ++p) {
            if (double(ys[p]) == s.nullDataValueY)
                continue;
            const double dx = x->coordToPixel(keyOf(xs[p])) - pos.x();
            if (std::abs(dx) >= best)
                continue;
            const double distance = std::hypot(dx, y->coordToPixel(ys[p]) - pos.y());
            if (distance < best) {
                best = distance;
                found = {subset, int(p)};
            }
        }
    }
    return found;
}

std::pair<double, double> ChartView::dataYExtent(int subset) const
{
    if (subset < 0 || size_t(subset) >= drawnSubsets.size())
        return {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    const DrawnSubset& drawn = drawnSubsets[size_t(subset)];
    return {drawn.minY, drawn.maxY};
}
