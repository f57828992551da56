#include "chart/PESGraph.h"

#include "app/Prompts.h"
#include "app/Clock.h"
#include "app/Regional.h"
#include "chart/ChartColors.h"
#include "chart/ChartCustomizeDialog.h"
#include "chart/ChartView.h"
#include "chart/OffScaleLayer.h"
#include "chart/PlotPictures.h"
#include "files/CheckedFileWriter.h"

#include <QPainter>
#include <QPrinter>
#include <QResizeEvent>
#include <cmath>
#include <optional>

PESGraph::PESGraph(QWidget* parent)
    : QWidget(parent)
    , view(std::make_unique<ChartView>(*this))
{
    // The defaults of a graph window's chart before a template or PrepareGraph changes them.
    s.subsetLabels = {QStringLiteral("T1"), QStringLiteral("T2"), QStringLiteral("T3"), QStringLiteral("T4")};
    s.subsetColors = {0xFF0000, 0xFFFF00, 0x00FF00, 0xFF00FF};
    // The plot fills the chart exactly, so its pixels are the chart's client pixels.
    view->plot()->setGeometry(rect());
    setMouseTracking(true);
    view->rebuildLayout(s);
    view->syncData(s);
    view->applyRanges(s);
}

PESGraph::~PESGraph() = default;

// ---- Data -------------------------------------------------------------------

void PESGraph::setSubsets(int count)
{
    if (count < 1 || count == s.subsets)
        return;
    s.resizeData(count, s.points);
    markLayoutDirty();
}

void PESGraph::setPoints(int count)
{
    if (count < 0 || count == s.points)
        return;
    s.resizeData(s.subsets, count);
    markDataDirty();
}

static bool inRange(const ChartState& s, int subset, int point)
{
    return subset >= 0 && subset < s.subsets && point >= 0 && point < s.points;
}

double PESGraph::XDataII(int subset, int point) const
{
    return inRange(s, subset, point) ? s.x[size_t(subset)][size_t(point)] : 0.0;
}

void PESGraph::setXDataII(int subset, int point, double x)
{
    if (!inRange(s, subset, point))
        return;
    s.x[size_t(subset)][size_t(point)] = x;
    markPointChanged(subset, point);
}

float PESGraph::YData(int subset, int point) const
{
    return inRange(s, subset, point) ? s.y[size_t(subset)][size_t(point)] : 0.0f;
}

void PESGraph::setYData(int subset, int point, float y)
{
    if (!inRange(s, subset, point))
        return;
    s.y[size_t(subset)][size_t(point)] = y;
    markPointChanged(subset, point);
}

void PESGraph::setYDataII(int subset, int point, double y)
{
    if (subset == -1) {
        // Every point of subset `point`.
        if (point < 0 || point >= s.subsets)
            return;
        std::fill(s.y[size_t(point)].begin(), s.y[size_t(point)].end(), float(y));
        markDataDirty();
        return;
    }
    setYData(subset, point, float(y));
}

void PESGraph::loadXDataII(const double* values, qsizetype count)
{
    const qsizetype n = std::min<qsizetype>(count / s.subsets, s.points);
    for (int c = 0; c < s.subsets; ++c) {
        double* out = s.x[size_t(c)].data();
        for (qsizetype r = 0; r < n; ++r)
            out[r] = values[r * s.subsets + c];
    }
    markDataDirty();
}

void PESGraph::loadYData(const float* values, qsizetype count)
{
    const qsizetype n = std::min<qsizetype>(count / s.subsets, s.points);
    for (int c = 0; c < s.subsets; ++c) {
        float* out = s.y[size_t(c)].data();
        for (qsizetype r = 0; r < n; ++r)
            out[r] = values[r * s.subsets + c];
    }
    markDataDirty();
}

void PESGraph::setNullDataValueY(double v)
{
    s.nullDataValueY = v;
    markDataDirty();
}

void PESGraph::setLineGapThreshold(double v)
{
    s.lineGapThreshold = v;
    markDataDirty();
}

// ---- Scales -----------------------------------------------------------------

void PESGraph::setManualScaleControlX(int v) { s.manualScaleControlX = v; }
void PESGraph::setManualMinX(double v) { s.manualMinX = v; }
void PESGraph::setManualMaxX(double v) { s.manualMaxX = v; }

void PESGraph::setWorkingAxis(int axis)
{
    s.axis(axis);  // make sure it exists
    s.workingAxis = std::clamp(axis, 0, int(s.axes.size()) - 1);
}

int PESGraph::ManualScaleControlY() const { return s.axes[size_t(s.workingAxis)].manualScaleControlY; }
void PESGraph::setManualScaleControlY(int v) { s.axis(s.workingAxis).manualScaleControlY = v; }
double PESGraph::ManualMinY() const { return s.axes[size_t(s.workingAxis)].manualMinY; }
void PESGraph::setManualMinY(double v) { s.axis(s.workingAxis).manualMinY = v; }
double PESGraph::ManualMaxY() const { return s.axes[size_t(s.workingAxis)].manualMaxY; }
void PESGraph::setManualMaxY(double v) { s.axis(s.workingAxis).manualMaxY = v; }
QString PESGraph::YAxisLabel() const { return s.axes[size_t(s.workingAxis)].label; }

void PESGraph::setYAxisLabel(const QString& text)
{
    s.axis(s.workingAxis).label = text;
    markLayoutDirty();
}

int PESGraph::MultiAxesSubsets(int axis) const
{
    return axis >= 0 && size_t(axis) < s.axes.size() ? s.axes[size_t(axis)].multiAxesSubsets : 0;
}

void PESGraph::setMultiAxesSubsets(int axis, int count)
{
    if (axis == -1) {
        for (ChartAxis& a : s.axes)
            a.multiAxesSubsets = 0;
    } else if (axis >= 0) {
        s.axis(axis).multiAxesSubsets = std::max(count, 0);
    }
    markLayoutDirty();
}

double PESGraph::MultiAxesProportions(int axis) const
{
    return axis >= 0 && size_t(axis) < s.axes.size() ? s.axes[size_t(axis)].multiAxesProportion : 0.0;
}

void PESGraph::setMultiAxesProportions(int axis, double share)
{
    if (axis < 0)
        return;
    s.axis(axis).multiAxesProportion = share;
    markLayoutDirty();
}

void PESGraph::setMultiAxesSeparators(int v)
{
    s.options.multiAxesSeparators = std::clamp(v, int(sgNoSeparator), int(sgThickLine));
    markLayoutDirty();
}

void PESGraph::setAllowZooming(int v)
{
    s.options.allowZooming = v;
    markLayoutDirty();
}

void PESGraph::setScrollingHorzZoom(bool on)
{
    s.options.scrollingHorzZoom = on;
    markLayoutDirty();
}

void PESGraph::setScrollingVertZoom(bool on)
{
    s.options.scrollingVertZoom = on;
    markLayoutDirty();
}

// ---- Look -------------------------------------------------------------------

void PESGraph::setMainTitle(const QString& t) { s.mainTitle = t; markLayoutDirty(); }
void PESGraph::setSubTitle(const QString& t) { s.subTitle = t; markLayoutDirty(); }
void PESGraph::setXAxisLabel(const QString& t) { s.xAxisLabel = t; markLayoutDirty(); }

QString PESGraph::SubsetLabels(int subset) const
{
    return subset >= 0 && subset < s.subsetLabels.size() ? s.subsetLabels[subset] : QString();
}

void PESGraph::setSubsetLabels(int subset, const QString& label)
{
    if (subset < 0 || subset >= 256)
        return;
    while (s.subsetLabels.size() <= subset)
        s.subsetLabels << QString();
    s.subsetLabels[subset] = label;
    markLayoutDirty();
}

int PESGraph::SubsetColors(int subset) const
{
    return subset >= 0 && size_t(subset) < s.subsetColors.size() ? s.subsetColors[size_t(subset)] : 0;
}

void PESGraph::setSubsetColors(int subset, int colorRef)
{
    if (subset < 0 || subset >= 256)
        return;
    if (size_t(subset) >= s.subsetColors.size())
        s.subsetColors.resize(size_t(subset) + 1, 0);
    s.subsetColors[size_t(subset)] = colorRef;
    markLayoutDirty();
}

void PESGraph::setGraphForeColor(int c) { s.graphForeColor = c; markLayoutDirty(); }
void PESGraph::setGraphBackColor(int c) { s.graphBackColor = c; markLayoutDirty(); }
void PESGraph::setDeskColor(int c) { s.deskColor = c; markLayoutDirty(); }
void PESGraph::setTextColor(int c) { s.textColor = c; markLayoutDirty(); }
void PESGraph::setGridStyle(int v) { s.options.gridStyle = v; markLayoutDirty(); }
void PESGraph::setGridLineControl(int v) { s.options.gridLineControl = v; markLayoutDirty(); }
void PESGraph::setPlottingMethod(int v) { s.options.plottingMethod = v; markLayoutDirty(); }
void PESGraph::setShowLegend(bool on) { s.options.showLegend = on; markLayoutDirty(); }
void PESGraph::setLegendLocation(int v) { s.options.legendLocation = v; markLayoutDirty(); }
void PESGraph::setFontSize(int v) { s.options.fontSize = v; markLayoutDirty(); }
void PESGraph::setTitleFont(const QString& family) { s.options.titleFont = family; markLayoutDirty(); }
void PESGraph::setLabelFont(const QString& family) { s.options.labelFont = family; markLayoutDirty(); }
void PESGraph::setAutoMinMaxPadding(int percent) { s.options.autoMinMaxPadding = percent; }

// ---- Annotations --------------------------------------------------------------

void PESGraph::setGraphAnnotationX(int i, double x) { s.graphAnnotations[i].x = x; }
void PESGraph::setGraphAnnotationY(int i, double y) { s.graphAnnotations[i].y = y; }
void PESGraph::setGraphAnnotationType(int i, int type) { s.graphAnnotations[i].type = type; }
void PESGraph::setGraphAnnotationText(int i, const QString& text) { s.graphAnnotations[i].text = text; }
void PESGraph::setGraphAnnotationColor(int i, int colorRef) { s.graphAnnotations[i].color = colorRef; }
void PESGraph::setShowGraphAnnotations(bool on) { s.showGraphAnnotations = on; }
void PESGraph::setGraphAnnotationTextSize(int percent) { s.graphAnnotationTextSize = percent; }
void PESGraph::setVertLineAnnotation(int i, double x) { s.vertLineAnnotations[i].x = x; }
void PESGraph::setVertLineAnnotationText(int i, const QString& text) { s.vertLineAnnotations[i].text = text; }
void PESGraph::setVertLineAnnotationColor(int i, int colorRef) { s.vertLineAnnotations[i].color = colorRef; }
void PESGraph::setShowVertLineAnnotations(bool on) { s.showVertLineAnnotations = on; }
void PESGraph::setLineAnnotationTextSize(int percent) { s.lineAnnotationTextSize = percent; }

// ---- Alarms -------------------------------------------------------------------

void PESGraph::setLimitLines(std::vector<LimitLine> lines) { s.limitLines = std::move(lines); }
void PESGraph::addAlarmMark(const AlarmMark& mark) { s.alarmMarks.push_back(mark); }
void PESGraph::clearAlarmMarks() { s.alarmMarks.clear(); }

// ---- Mouse --------------------------------------------------------------------

namespace {

// The pointer of the cross tool: a thin cross whose centre is the hot spot.
QCursor crossPointer()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::white, 3));
    p.drawLine(16, 4, 16, 28);
    p.drawLine(4, 16, 28, 16);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(16, 4, 16, 28);
    p.drawLine(4, 16, 28, 16);
    return QCursor(pixmap, 16, 16);
}

} // namespace

void PESGraph::setArrowCursor(int kind)
{
    s.arrowCursor = kind;
    switch (kind) {
    case sgTextCursor:
        view->plot()->setCursor(Qt::IBeamCursor);
        break;
    case sgCrossCursor:
        view->plot()->setCursor(crossPointer());
        break;
    default:
        view->plot()->setCursor(Qt::ArrowCursor);
        break;
    }
}

QRect PESGraph::PlottingArea() const
{
    view->ensureLayout();
    return view->plottingArea();
}

QPointF PESGraph::pixelToGraph(QPoint pixel) const
{
    return pixelToGraph(QPointF(pixel));
}

QPointF PESGraph::pixelToGraph(QPointF pixel) const
{
    view->ensureLayout();
    if (view->rectCount() == 0)
        return {};
    QCPAxisRect* r = view->rect(0);
    return {ChartView::daysOf(r->axis(QCPAxis::atBottom)->pixelToCoord(pixel.x())),
            r->axis(QCPAxis::atLeft)->pixelToCoord(pixel.y())};
}

QPointF PESGraph::graphToPixel(QPointF value, int axis) const
{
    view->ensureLayout();
    if (view->rectCount() == 0)
        return {};
    QCPAxisRect* r = view->rect(std::clamp(axis, 0, view->rectCount() - 1));
    return {r->axis(QCPAxis::atBottom)->coordToPixel(ChartView::keyOf(value.x())),
            r->axis(QCPAxis::atLeft)->coordToPixel(value.y())};
}

void PESGraph::handleClick(QPoint pos, bool doubleClick)
{
    const int dbl = doubleClick ? 1 : 0;
    if (!doubleClick)
        emit OnClick();
    if (s.allowGraphAnnotHotSpots) {
        const int index = view->annotationAt(pos);
        if (index >= 0) {
            emit OnGraphAnnotHotSpot(dbl, index);
            return;
        }
    }
    if (s.options.allowDataHotSpots) {
        const auto [subset, point] = view->dataPointAt(pos);
        if (subset >= 0)
            emit OnDataHotSpot(dbl, subset, point);
    }
}

// ---- Actions ------------------------------------------------------------------

void PESGraph::markLayoutDirty()
{
    layoutDirty = true;
    markDataDirty();
}

void PESGraph::markDataDirty()
{
    dataDirty = true;
    changedPoints.clear();
}

void PESGraph::markPointChanged(int subset, int point)
{
    if (dataDirty)
        return;
    if (changedPoints.size() != size_t(s.subsets))
        changedPoints.resize(size_t(s.subsets));
    changedPoints[size_t(subset)].add(point);
}

void PESGraph::applyPending(bool resetRanges)
{
    if (layoutDirty)
        view->rebuildLayout(s);
    if (dataDirty || layoutDirty)
        view->syncData(s);
    else if (!changedPoints.empty())
        view->syncChangedPoints(s, changedPoints);
    changedPoints.clear();
    if (resetRanges || layoutDirty || !zoomed)
        view->applyRanges(s);
    if (layoutDirty)
        zoomed = false;
    layoutDirty = false;
    dataDirty = false;
}

void PESGraph::PEactions(int action)
{
    switch (action) {
    case sgReinitAndReset:
        layoutDirty = true;
        zoomed = false;
        applyPending(true);
        view->plot()->replot(QCustomPlot::rpQueuedReplot);
        break;
    case sgResetImage:
        applyPending(false);
        break;
    case sgInvalidateImage:
        view->plot()->replot(QCustomPlot::rpQueuedReplot);
        break;
    case sgCustomize:
        customize();
        break;
    case sgPrintDialog:
        printWithDialog();
        break;
    case sgUndoZoom:
        undoZoom();
        break;
    default:
        break;
    }
}

void PESGraph::redraw()
{
    narg1 = 0;
    narg2 = 0;
    PEactions(sgResetImage);
    PEactions(sgInvalidateImage);
}

void PESGraph::redrawNow()
{
    applyPending(false);
    view->plot()->replot(QCustomPlot::rpImmediateRefresh);
}

void PESGraph::undoZoom()
{
    zoomed = false;
    applyPending(true);
    view->plot()->replot(QCustomPlot::rpQueuedReplot);
}

void PESGraph::zoomToPixelRect(const QRect& rect)
{
    if (rect.width() < 2 || rect.height() < 2)
        return;
    applyPending(false);
    view->ensureLayout();
    view->zoomTo(rect.normalized());
    zoomed = true;
    view->plot()->replot(QCustomPlot::rpQueuedReplot);
    emit OnZoomIn();
}

void PESGraph::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    view->plot()->setGeometry(rect());
    view->markLayoutStale();
}

void PESGraph::customize()
{
    dialogResult = 0;
    ChartCustomizeDialog dialog(*this, this);
    if (Prompts::current().exec(dialog) == QDialog::Accepted) {
        setState(dialog.appliedTo(s));
        dialogResult = 1;
    }
    emit OnCustomizeDlg();
}

// ---- Printing and export ------------------------------------------------------

bool PESGraph::customizeForPrinting()
{
    dialogResult = 0;
    ChartCustomizeDialog dialog(*this, this, &paper);
    if (Prompts::current().exec(dialog) == QDialog::Accepted) {
        paper = dialog.paperLook();
        setState(dialog.appliedTo(s));
        dialogResult = 1;
    }
    emit OnCustomizeDlg();
    return dialogResult == 1;
}

QString PESGraph::paperFooterText() const
{
    QStringList parts;
    if (!paperName.isEmpty())
        parts << paperName;
    // A subset's points run in time order: the data start at the earliest first point.
    std::optional<double> start;
    for (const std::vector<double>& xs : s.x) {
        if (!xs.empty() && xs.front() > 0 && (!start || xs.front() < *start))
            start = xs.front();
    }
    if (start)
        parts << QStringLiteral("Started %1").arg(Regional::dateTimeText(*start));
    parts << QStringLiteral("Printed %1").arg(Regional::dateTimeText(DateTime::fromQDateTime(Clock::current().now())));
    return parts.join(QStringLiteral("   "));
}

void PESGraph::print(QPrinter& printer)
{
    applyPending(false);
    QCustomPlot* plot = view->plot();
    // The chart is laid out on the page at the window's own resolution: fonts
    // keep their point sizes and tick lengths, margins and marks their
    // proportions, so the page shows the window scaled to the paper. At the
    // printer's resolution the fonts would be measured on the screen but drawn
    // many times larger.
    const QRectF printable = printer.pageRect(QPrinter::DevicePixel);
    if (!(printable.width() >= 1 && printable.height() >= 1))
        return;  // no printable area: nothing to lay out on
    // The paper look for this print only; the window keeps its own.
    const PaperLook::Colors onScreen = PaperLook::Colors::of(s);
    if (!paper.screenColors)
        PaperLook::paperColors(s.subsets).applyTo(s);
    view->applyLook(s, std::max(1, paper.lineWidth));
    const int printerResolution = printer.resolution();
    printer.setResolution(logicalDpiY());
    QCPPainter painter;
    if (painter.begin(&printer)) {
        painter.setMode(QCPPainter::pmVectorized);
        painter.setMode(QCPPainter::pmNoCaching);
        const QRect page = printer.pageRect(QPrinter::DevicePixel).toRect();
        QFont footerFont(s.options.labelFont);
        footerFont.setPointSize(8);
        const int footerHeight = paper.footer ? QFontMetrics(footerFont, &printer).height() * 2 : 0;
        // Marks ask for pixel positions while they are drawn: the layout must not be redone then.
        view->ensureLayout();
        plot->toPainter(&painter, page.width(), page.height() - footerHeight);
        if (paper.footer) {
            painter.setFont(footerFont);
            painter.setPen(paper.screenColors ? ChartColor::fromRef(s.textColor) : QColor(Qt::black));
            const QRect footer(0, page.height() - footerHeight, page.width(), footerHeight);
            painter.drawText(footer, Qt::AlignLeft | Qt::AlignVCenter, paperFooterText());
        }
        painter.end();
    }
    printer.setResolution(printerResolution);
    onScreen.applyTo(s);
    view->applyLook(s, 1);
    view->markLayoutStale();
    plot->replot(QCustomPlot::rpQueuedReplot);
}

bool PESGraph::printWithDialog(QPrinter& printer)
{
    if (!Prompts::current().printDialog(printer))
        return false;
    print(printer);
    return true;
}

void PESGraph::printWithDialog()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(s.options.defOrientation == sgPortrait ? QPageLayout::Portrait : QPageLayout::Landscape);
    printWithDialog(printer);
}

// The whole picture or document takes the file's place, or nothing does.
static bool writeExport(const QString& fileName, const QByteArray& bytes, QString* error)
{
    QString reason = QStringLiteral("the chart could not be drawn");
    const bool written = !bytes.isEmpty() && CheckedFile::write(fileName, bytes, &reason);
    if (!written && error)
        *error = reason;
    return written;
}

bool PESGraph::exportPng(const QString& fileName, int width, int height, QString* error)
{
    applyPending(false);
    const QByteArray picture = PlotPictures::png(*view->plot(), width, height);
    view->markLayoutStale();
    return writeExport(fileName, picture, error);
}

bool PESGraph::exportPdf(const QString& fileName, QString* error)
{
    applyPending(false);
    const QByteArray document = PlotPictures::pdf(*view->plot());
    view->markLayoutStale();
    return writeExport(fileName, document, error);
}

// ---- State --------------------------------------------------------------------

bool PESGraph::loadState(QByteArrayView block, QString* error)
{
    std::optional<ChartState> loaded = ChartState::deserialize(block, error);
    if (!loaded)
        return false;
    setState(std::move(*loaded));
    return true;
}

void PESGraph::setState(ChartState state)
{
    s = std::move(state);
    setArrowCursor(s.arrowCursor);
    markLayoutDirty();
    zoomed = false;
    applyPending(true);
    view->plot()->replot(QCustomPlot::rpQueuedReplot);
}

std::vector<std::pair<double, double>> PESGraph::plottedData(int subset) const
{
    std::vector<std::pair<double, double>> out;
    const auto data = view->fullDataOf(subset);
    if (!data)
        return out;
    for (auto it = data->constBegin(); it != data->constEnd(); ++it)
        out.emplace_back(ChartView::daysOf(it->key), it->value);
    return out;
}

std::pair<double, double> PESGraph::visibleXRange() const
{
    if (view->rectCount() == 0)
        return {0, 0};
    const QCPRange r = view->rect(0)->axis(QCPAxis::atBottom)->range();
    return {ChartView::daysOf(r.lower), ChartView::daysOf(r.upper)};
}

std::pair<double, double> PESGraph::visibleYRange(int axis) const
{
    if (axis < 0 || axis >= view->rectCount())
        return {0, 0};
    const QCPRange r = view->rect(axis)->axis(QCPAxis::atLeft)->range();
    return {r.lower, r.upper};
}

int PESGraph::axisRectCount() const
{
    return view->rectCount();
}

QRect PESGraph::axisArea(int axis) const
{
    view->ensureLayout();
    return axis >= 0 && axis < view->rectCount() ? view->rect(axis)->rect() : QRect();
}

std::vector<int> PESGraph::valueLabelRows(int axis) const
{
    view->ensureLayout();
    std::vector<int> rows;
    if (axis < 0 || axis >= view->rectCount())
        return rows;
    QCPAxis* values = view->rect(axis)->axis(QCPAxis::atLeft);
    for (double tick : values->tickVector()) {
        if (values->range().contains(tick))
            rows.push_back(int(std::lround(values->coordToPixel(tick))));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<OffScaleMark> PESGraph::offScaleMarks() const
{
    view->ensureLayout();
    return view->offScaleLayer().marks();
}
