#pragma once
// The chart component of every graph window: subsets of points over a
// date-time X axis, one or several stacked Y axes, annotations, mouse zoom,
// customisation, printing and a binary state block. Drawn with QCustomPlot,
// which stays hidden behind this interface.

#include "chart/ChartState.h"
#include "chart/OffScaleMarks.h"
#include "chart/PaperLook.h"
#include "chart/PointRange.h"

#include <QCursor>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QWidget>
#include <memory>
#include <utility>
#include <vector>

class QCustomPlot;
class QPrinter;
class ChartView;

class PESGraph : public QWidget {
    Q_OBJECT
public:
    explicit PESGraph(QWidget* parent = nullptr);
    ~PESGraph() override;

    // ---- Data ------------------------------------------------------------
    int Subsets() const { return s.subsets; }
    void setSubsets(int count);
    int Points() const { return s.points; }
    void setPoints(int count);

    double XDataII(int subset, int point) const;
    void setXDataII(int subset, int point, double x);
    float YData(int subset, int point) const;
    void setYData(int subset, int point, float y);
    double YDataII(int subset, int point) const { return YData(subset, point); }
    // Subset −1 with subset k in the point place sets every point of subset k.
    void setYDataII(int subset, int point, double y);

    // Bulk loads in record order: entry 4r + c (with 4 = Subsets) goes to
    // point r of subset c. Extra entries are ignored.
    void loadXDataII(const double* values, qsizetype count);
    void loadYData(const float* values, qsizetype count);

    double NullDataValueY() const { return s.nullDataValueY; }
    void setNullDataValueY(double v);
    double LineGapThreshold() const { return s.lineGapThreshold; }
    void setLineGapThreshold(double v);
    bool UsingXDataII() const { return s.options.usingXDataII; }
    void setUsingXDataII(bool on) { s.options.usingXDataII = on; }
    int DateTimeMode() const { return s.options.dateTimeMode; }
    void setDateTimeMode(int mode) { s.options.dateTimeMode = mode; }

    // ---- Scales ----------------------------------------------------------
    int ManualScaleControlX() const { return s.manualScaleControlX; }
    void setManualScaleControlX(int v);
    double ManualMinX() const { return s.manualMinX; }
    void setManualMinX(double v);
    double ManualMaxX() const { return s.manualMaxX; }
    void setManualMaxX(double v);

    int WorkingAxis() const { return s.workingAxis; }
    void setWorkingAxis(int axis);
    // Of the working axis.
    int ManualScaleControlY() const;
    void setManualScaleControlY(int v);
    double ManualMinY() const;
    void setManualMinY(double v);
    double ManualMaxY() const;
    void setManualMaxY(double v);
    QString YAxisLabel() const;
    void setYAxisLabel(const QString& text);

    int MultiAxesSubsets(int axis) const;
    // Axis −1 with 0 resets every axis to hold no subsets (the single view).
    void setMultiAxesSubsets(int axis, int count);
    double MultiAxesProportions(int axis) const;
    void setMultiAxesProportions(int axis, double share);
    int MultiAxesSeparators() const { return s.options.multiAxesSeparators; }
    void setMultiAxesSeparators(int v);

    int AllowZooming() const { return s.options.allowZooming; }
    void setAllowZooming(int v);
    bool ScrollingHorzZoom() const { return s.options.scrollingHorzZoom; }
    void setScrollingHorzZoom(bool on);
    bool ScrollingVertZoom() const { return s.options.scrollingVertZoom; }
    void setScrollingVertZoom(bool on);
    bool isZoomed() const { return zoomed; }

    // ---- Look ------------------------------------------------------------
    QString MainTitle() const { return s.mainTitle; }
    void setMainTitle(const QString& t);
    QString SubTitle() const { return s.subTitle; }
    void setSubTitle(const QString& t);
    QString XAxisLabel() const { return s.xAxisLabel; }
    void setXAxisLabel(const QString& t);
    QString SubsetLabels(int subset) const;
    void setSubsetLabels(int subset, const QString& label);
    int SubsetColors(int subset) const;
    void setSubsetColors(int subset, int colorRef);
    int GraphForeColor() const { return s.graphForeColor; }
    void setGraphForeColor(int c);
    int GraphBackColor() const { return s.graphBackColor; }
    void setGraphBackColor(int c);
    int DeskColor() const { return s.deskColor; }
    void setDeskColor(int c);
    int TextColor() const { return s.textColor; }
    void setTextColor(int c);
    int GridStyle() const { return s.options.gridStyle; }
    void setGridStyle(int v);
    int GridLineControl() const { return s.options.gridLineControl; }
    void setGridLineControl(int v);
    int PlottingMethod() const { return s.options.plottingMethod; }
    void setPlottingMethod(int v);
    bool ShowLegend() const { return s.options.showLegend; }
    void setShowLegend(bool on);
    int LegendLocation() const { return s.options.legendLocation; }
    void setLegendLocation(int v);
    int FontSize() const { return s.options.fontSize; }
    void setFontSize(int v);
    QString TitleFont() const { return s.options.titleFont; }
    void setTitleFont(const QString& family);
    QString LabelFont() const { return s.options.labelFont; }
    void setLabelFont(const QString& family);
    int AutoMinMaxPadding() const { return s.options.autoMinMaxPadding; }
    void setAutoMinMaxPadding(int percent);

    // Settings kept and stored, without effect on the drawing.
    int DataShadows() const { return s.options.dataShadows; }
    void setDataShadows(int v) { s.options.dataShadows = v; }
    int BorderTypes() const { return s.options.borderTypes; }
    void setBorderTypes(int v) { s.options.borderTypes = v; }
    int DataPrecision() const { return s.options.dataPrecision; }
    void setDataPrecision(int v) { s.options.dataPrecision = v; }
    bool AllowCustomization() const { return s.options.allowCustomization; }
    void setAllowCustomization(bool on) { s.options.allowCustomization = on; }
    bool AllowExporting() const { return s.options.allowExporting; }
    void setAllowExporting(bool on) { s.options.allowExporting = on; }
    bool AllowMaximization() const { return s.options.allowMaximization; }
    void setAllowMaximization(bool on) { s.options.allowMaximization = on; }
    int AllowUserInterface() const { return s.options.allowUserInterface; }
    void setAllowUserInterface(int v) { s.options.allowUserInterface = v; }
    bool AnnotationsInFront() const { return s.options.annotationsInFront; }
    void setAnnotationsInFront(bool on) { s.options.annotationsInFront = on; }
    int ZoomStyle() const { return s.options.zoomStyle; }
    void setZoomStyle(int v) { s.options.zoomStyle = v; }
    bool AllowDataHotSpots() const { return s.options.allowDataHotSpots; }
    void setAllowDataHotSpots(bool on) { s.options.allowDataHotSpots = on; }
    bool AllowGraphHotSpots() const { return s.options.allowGraphHotSpots; }
    void setAllowGraphHotSpots(bool on) { s.options.allowGraphHotSpots = on; }
    int CursorMode() const { return s.options.cursorMode; }
    void setCursorMode(int v) { s.options.cursorMode = v; }
    int DefOrientation() const { return s.options.defOrientation; }
    void setDefOrientation(int v) { s.options.defOrientation = v; }
    int AllowDataLabels() const { return s.options.allowDataLabels; }
    void setAllowDataLabels(int v) { s.options.allowDataLabels = v; }
    bool AllowPopup() const { return s.options.allowPopup; }
    void setAllowPopup(bool on) { s.options.allowPopup = on; }
    bool NoHelp() const { return s.options.noHelp; }
    void setNoHelp(bool on) { s.options.noHelp = on; }
    bool PrepareImages() const { return s.options.prepareImages; }
    void setPrepareImages(bool on) { s.options.prepareImages = on; }
    bool SubsetByPoint() const { return s.options.subsetByPoint; }
    void setSubsetByPoint(bool on) { s.options.subsetByPoint = on; }
    bool FocalRect() const { return s.options.focalRect; }
    void setFocalRect(bool on) { s.options.focalRect = on; }
    bool AllowBar() const { return s.options.allowBar; }
    void setAllowBar(bool on) { s.options.allowBar = on; }
    bool NoRandomPointsToExport() const { return s.options.noRandomPointsToExport; }
    void setNoRandomPointsToExport(bool on) { s.options.noRandomPointsToExport = on; }

    // Pages of the customisation dialog.
    bool AllowAxisPage() const { return s.options.allowAxisPage; }
    void setAllowAxisPage(bool on) { s.options.allowAxisPage = on; }
    bool AllowPage1() const { return s.options.allowPage1; }
    void setAllowPage1(bool on) { s.options.allowPage1 = on; }
    bool AllowPage2() const { return s.options.allowPage2; }
    void setAllowPage2(bool on) { s.options.allowPage2 = on; }
    bool AllowSubsetsPage() const { return s.options.allowSubsetsPage; }
    void setAllowSubsetsPage(bool on) { s.options.allowSubsetsPage = on; }
    bool AllowFontPage() const { return s.options.allowFontPage; }
    void setAllowFontPage(bool on) { s.options.allowFontPage = on; }

    // ---- Annotations -----------------------------------------------------
    // Indices may be sparse; reading an unused index gives an empty text annotation.
    double GraphAnnotationX(int i) const { return s.graphAnnotations.value(i).x; }
    void setGraphAnnotationX(int i, double x);
    double GraphAnnotationY(int i) const { return s.graphAnnotations.value(i).y; }
    void setGraphAnnotationY(int i, double y);
    int GraphAnnotationType(int i) const { return s.graphAnnotations.value(i).type; }
    void setGraphAnnotationType(int i, int type);
    QString GraphAnnotationText(int i) const { return s.graphAnnotations.value(i).text; }
    void setGraphAnnotationText(int i, const QString& text);
    int GraphAnnotationColor(int i) const { return s.graphAnnotations.value(i).color; }
    void setGraphAnnotationColor(int i, int colorRef);
    bool hasGraphAnnotation(int i) const { return s.graphAnnotations.contains(i); }
    bool ShowGraphAnnotations() const { return s.showGraphAnnotations; }
    void setShowGraphAnnotations(bool on);
    int GraphAnnotationTextSize() const { return s.graphAnnotationTextSize; }
    void setGraphAnnotationTextSize(int percent);
    bool AllowGraphAnnotHotSpots() const { return s.allowGraphAnnotHotSpots; }
    void setAllowGraphAnnotHotSpots(bool on) { s.allowGraphAnnotHotSpots = on; }

    // Vertical line annotations by index.
    double VertLineAnnotation(int i) const { return s.vertLineAnnotations.value(i).x; }
    void setVertLineAnnotation(int i, double x);
    QString VertLineAnnotationText(int i) const { return s.vertLineAnnotations.value(i).text; }
    void setVertLineAnnotationText(int i, const QString& text);
    int VertLineAnnotationColor(int i) const { return s.vertLineAnnotations.value(i).color; }
    void setVertLineAnnotationColor(int i, int colorRef);
    int vertLineAnnotationCount() const { return int(s.vertLineAnnotations.size()); }
    bool ShowVertLineAnnotations() const { return s.showVertLineAnnotations; }
    void setShowVertLineAnnotations(bool on);
    bool AllowVertLineAnnotHotSpots() const { return s.allowVertLineAnnotHotSpots; }
    void setAllowVertLineAnnotHotSpots(bool on) { s.allowVertLineAnnotHotSpots = on; }
    int LineAnnotationTextSize() const { return s.lineAnnotationTextSize; }
    void setLineAnnotationTextSize(int percent);

    // ---- Alarms ----------------------------------------------------------
    // Each limit a dashed line in its channel's colour; each alarm's
    // beginning and end a mark across its channel's axis.
    const std::vector<LimitLine>& LimitLines() const { return s.limitLines; }
    void setLimitLines(std::vector<LimitLine> lines);
    const std::vector<AlarmMark>& AlarmMarks() const { return s.alarmMarks; }
    void addAlarmMark(const AlarmMark& mark);
    void clearAlarmMarks();

    // ---- Mouse -----------------------------------------------------------
    int ArrowCursor() const { return s.arrowCursor; }
    // sgArrowCursor, sgTextCursor or sgCrossCursor; kept in the chart's state.
    void setArrowCursor(int kind);

    // Last mouse position over the chart, in client pixels.
    QPoint LastMousePosition() const { return lastMouse; }
    void setLastMousePosition(QPoint p) { lastMouse = p; }
    // The plotting area (all axes together), client pixels; edges belong to it.
    QRect PlottingArea() const;
    // A client pixel in graph units on axis 0 (X as a date-time, Y of axis 0).
    QPointF pixelToGraph(QPoint pixel) const;
    QPointF pixelToGraph(QPointF pixel) const;
    // Graph units on `axis` to client pixels.
    QPointF graphToPixel(QPointF value, int axis = 0) const;

    // ---- Actions ---------------------------------------------------------
    void PEactions(int action);
    int PEnarg1() const { return narg1; }
    void setPEnarg1(int v) { narg1 = v; }
    int PEnarg2() const { return narg2; }
    void setPEnarg2(int v) { narg2 = v; }
    // 1 when the last customisation dialog was accepted, else 0.
    int DialogResult() const { return dialogResult; }

    // The redraw the program uses everywhere: PEnarg 0, sgResetImage, sgInvalidateImage.
    void redraw();
    // Applies pending changes and draws at once (benchmarks, screenshots).
    void redrawNow();

    // The customisation before a print: the pages left to adjust for paper,
    // among them the paper look. False when cancelled.
    bool customizeForPrinting();
    const PaperLook& paperLook() const { return paper; }
    void setPaperLook(const PaperLook& look) { paper = look; }
    // The name the printed footer gives the graph (its window's caption or file).
    void setPaperName(const QString& name) { paperName = name; }
    // Prints the chart onto `printer` in the paper look, filling its printable area.
    void print(QPrinter& printer);
    // The print dialog for `printer`, then the print; false when cancelled.
    bool printWithDialog(QPrinter& printer);
    // Exports the chart as picture or PDF. The file is rendered in memory and
    // then written whole: on a failure the old file stays, and the reason is
    // in `error`.
    bool exportPng(const QString& fileName, int width = 0, int height = 0, QString* error = nullptr);
    bool exportPdf(const QString& fileName, QString* error = nullptr);

    // ---- State block -----------------------------------------------------
    QByteArray storeState() const { return s.serialize(); }
    // Loads a block; on a damaged or foreign block returns false with the
    // reason in `error` and leaves the chart as it was.
    bool loadState(QByteArrayView block, QString* error = nullptr);
    const ChartState& state() const { return s; }
    void setState(ChartState state);

    // What the plot holds for `subset` after the last reset, as (X, Y) with
    // NaN Y where the line has a gap; for tests of the drawing.
    std::vector<std::pair<double, double>> plottedData(int subset) const;
    // Visible ranges of axis `axis` (X in date-times).
    std::pair<double, double> visibleXRange() const;
    std::pair<double, double> visibleYRange(int axis) const;
    int axisRectCount() const;
    // The plotting area of axis `axis`, client pixels.
    QRect axisArea(int axis) const;
    // The client pixel rows of axis `axis`'s value labels, top to bottom.
    std::vector<int> valueLabelRows(int axis) const;
    // The marks of channels whose points lie outside their axis's visible Y range.
    std::vector<OffScaleMark> offScaleMarks() const;

    // Zoom helpers, also used by the mouse: zoom to a rectangle in client pixels.
    void zoomToPixelRect(const QRect& rect);

signals:
    void OnClick();
    void OnMouseMove();
    void OnZoomIn();
    void OnDataHotSpot(int dblClick, int subsetIndex, int pointIndex);
    void OnGraphAnnotHotSpot(int dblClick, int nIndex);
    void OnCustomizeDlg();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class ChartView;
    void markLayoutDirty();
    // Every point may have changed: the plot is refilled.
    void markDataDirty();
    // One point was written: the plot takes only the points written since its last fill.
    void markPointChanged(int subset, int point);
    // Brings the plot up to date with the state; `resetRanges` also restores unzoomed ranges.
    void applyPending(bool resetRanges);
    void customize();
    void printWithDialog();
    // The footer line: the graph's name, the start of its data, the printing date.
    QString paperFooterText() const;
    void undoZoom();
    void handleClick(QPoint pos, bool doubleClick);

    ChartState s;
    std::unique_ptr<ChartView> view;
    QPoint lastMouse;
    int narg1 = 0;
    int narg2 = 0;
    int dialogResult = 0;
    PaperLook paper;
    QString paperName;
    bool zoomed = false;
    bool layoutDirty = false;
    bool dataDirty = false;
    std::vector<PointRange> changedPoints;   // by subset, while !dataDirty
};
