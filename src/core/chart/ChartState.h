#pragma once
// Everything a chart shows, as plain data: the points, the look, the axes and
// the annotations. The chart widget draws from it; the graph file stores it.

#include "chart/ChartTypes.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

struct GraphAnnotation {
    double x = 0;
    double y = 0;
    int type = sgAnnotTextOnly;
    QString text;
    int color = 0;  // 0x00BBGGRR

    bool operator==(const GraphAnnotation&) const = default;
};

// A vertical line across the plotting area at one X.
struct VertLineAnnotation {
    double x = 0;
    QString text;
    int color = 0;

    bool operator==(const VertLineAnnotation&) const = default;
};

// A channel's alarm limit: a dashed line across the plot at one Y, in the
// channel's colour, on the axis that draws the channel.
struct LimitLine {
    int subset = 0;
    double y = 0;
    bool high = true;  // the high limit, or the low one

    bool operator==(const LimitLine&) const = default;
};

// An alarm of one channel beginning or ending at one X (a date-time).
struct AlarmMark {
    double x = 0;
    int subset = 0;
    bool begins = true;
    QString text;  // "T1 above 26.0", shown beside a beginning

    bool operator==(const AlarmMark&) const = default;
};

// The Y axis settings of one axis of the multi-axis layout.
struct ChartAxis {
    int manualScaleControlY = sgNoneManual;
    double manualMinY = 0;
    double manualMaxY = 100;
    QString label;
    int multiAxesSubsets = 0;      // subsets drawn on this axis (0: none assigned)
    double multiAxesProportion = 0; // share of the plotting height

    bool operator==(const ChartAxis&) const = default;
};

// Settings that change only how the chart looks or behaves, not its data.
struct ChartOptions {
    int plottingMethod = sgLine;
    int gridLineControl = sgYPlusXAxis;
    int gridStyle = sgDot;
    int dataShadows = sgWithShadows;
    int borderTypes = sgDropShadow;
    bool showLegend = true;
    int legendLocation = sgLegendTop;
    int fontSize = sgMedium;
    QString titleFont = QStringLiteral("Times New Roman");
    QString labelFont = QStringLiteral("Arial");
    int dataPrecision = sgThreeDecimals;
    bool allowCustomization = true;
    bool allowExporting = true;
    bool allowMaximization = true;
    int allowUserInterface = sgAllInterface;
    bool annotationsInFront = true;
    int zoomStyle = sgFramed;
    int autoMinMaxPadding = 5;     // percent added around automatic ranges
    bool allowDataHotSpots = false;
    bool allowGraphHotSpots = false;
    int cursorMode = sgNoCursor;
    int defOrientation = sgLandscape;
    int allowDataLabels = sgNoDataLabels;
    bool allowPopup = false;
    bool noHelp = true;
    bool prepareImages = true;
    bool subsetByPoint = false;
    bool focalRect = false;
    bool allowBar = false;
    bool noRandomPointsToExport = false;
    int allowZooming = sgHorzPlusVertZooming;
    bool scrollingHorzZoom = true;
    bool scrollingVertZoom = true;
    bool allowAxisPage = true;
    bool allowPage1 = true;
    bool allowPage2 = true;
    bool allowSubsetsPage = true;
    bool allowFontPage = true;
    int dateTimeMode = sgVBDateTime;
    bool usingXDataII = true;
    int multiAxesSeparators = sgThinLine;

    bool operator==(const ChartOptions&) const = default;
};

struct ChartState {
    // ---- Data ----
    int subsets = 1;
    int points = 0;
    // Per subset, `points` values each.
    std::vector<std::vector<double>> x{std::vector<double>()};
    std::vector<std::vector<float>> y{std::vector<float>()};
    double nullDataValueY = 9999;
    double lineGapThreshold = 0;  // 0: lines are never broken by distance

    // ---- Scales ----
    int manualScaleControlX = sgNoneManual;
    double manualMinX = 0;
    double manualMaxX = 1;
    int workingAxis = 0;
    std::vector<ChartAxis> axes{ChartAxis{sgNoneManual, 0, 100, {}, 0, 1.0}};

    // ---- Look ----
    QString mainTitle;
    QString subTitle;
    QString xAxisLabel;
    QStringList subsetLabels;
    std::vector<int> subsetColors;
    int graphForeColor = 0x008000;
    int graphBackColor = 0x000000;
    int deskColor = 0xC0C0C0;
    int textColor = 0x000000;
    int arrowCursor = sgArrowCursor;
    ChartOptions options;

    // ---- Annotations ----
    QMap<int, GraphAnnotation> graphAnnotations;
    bool showGraphAnnotations = true;
    int graphAnnotationTextSize = 100;
    bool allowGraphAnnotHotSpots = false;
    QMap<int, VertLineAnnotation> vertLineAnnotations;
    bool showVertLineAnnotations = true;
    bool allowVertLineAnnotHotSpots = false;
    int lineAnnotationTextSize = 100;

    // ---- Alarms (from version 2 on) ----
    std::vector<LimitLine> limitLines;
    std::vector<AlarmMark> alarmMarks;

    bool operator==(const ChartState&) const = default;

    // Resizes the data to `subsets` × `points`, keeping what fits; new points
    // hold X = 0 and Y = 0.
    void resizeData(int newSubsets, int newPoints);
    // The axis record `index`, created on first use.
    ChartAxis& axis(int index);

    // The versioned binary block of the whole state.
    QByteArray serialize() const;
    // Reads a block of this version or an earlier one; on any fault returns
    // nothing and says why in `error`.
    static std::optional<ChartState> deserialize(QByteArrayView block, QString* error = nullptr);

    // Magic and version at the head of every block.
    static constexpr quint32 Magic = 0x54514753; // "TQGS"
    // 2 added the alarm limits and marks; blocks of version 1 load without them.
    static constexpr quint16 Version = 2;
};
