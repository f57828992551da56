#pragma once
// Constants and small conversions of the chart component. The names follow
// the chart's property values ("sgManualMinAndMax") so that calling code reads
// like the chart's documentation.

#include <QtGlobal>

// Which ends of an axis range are fixed by the program (ManualScaleControlX/Y).
enum ManualScaleControl : int { sgNoneManual = 0, sgManualMin = 1, sgManualMax = 2, sgManualMinAndMax = 3 };

enum GridStyle : int { sgThin = 0, sgThick = 1, sgDot = 2, sgDash = 3, sgOnePixel = 4 };

enum GridLineControl : int { sgGridBoth = 0, sgYAxis = 1, sgXAxis = 2, sgNoGrid = 3, sgYPlusXAxis = sgGridBoth };

enum MultiAxesSeparator : int { sgNoSeparator = 0, sgThinLine = 1, sgMediumLine = 2, sgThickLine = 3 };

enum AllowDataLabels : int { sgNoDataLabels = 0, sgDataValues = 1, sgPointLabels = 2, sgBothDataLabels = 3 };

enum AllowZooming : int { sgNoZooming = 0, sgHorzZooming = 1, sgVertZooming = 2, sgHorzPlusVertZooming = 3 };

enum DateTimeMode : int { sgNoDateTimeMode = 0, sgVBDateTime = 1 };

enum PlottingMethod : int { sgLine = 0, sgPoint = 1, sgBar = 2, sgPointsPlusLine = 3, sgArea = 4 };

enum LegendLocation : int { sgLegendTop = 0, sgLegendBottom = 1, sgLegendLeft = 2, sgLegendRight = 3 };

enum ChartFontSize : int { sgSmall = 0, sgMedium = 1, sgLarge = 2 };

enum DataShadows : int { sgNoShadows = 0, sgWithShadows = 1, sgWith3D = 2 };

enum BorderTypes : int { sgNoBorder = 0, sgLineBorder = 1, sgDropShadow = 2, sgInset = 3 };

enum DataPrecision : int { sgNoDecimals = 0, sgOneDecimal = 1, sgTwoDecimals = 2, sgThreeDecimals = 3 };

enum AllowUserInterface : int { sgNoInterface = 0, sgAllInterface = 1 };

enum ZoomStyle : int { sgFramed = 0, sgFilled = 1 };

enum ChartCursorMode : int { sgNoCursor = 0, sgPointCursor = 1, sgCrossHair = 2 };

enum DefOrientation : int { sgDriverDefault = 0, sgLandscape = 1, sgPortrait = 2 };

// Graph annotation types the program uses.
enum GraphAnnotationType : int { sgAnnotTextOnly = 0, sgAnnotCross = 2 };

// Mouse pointer over the chart (ArrowCursor): the arrow, the text cursor or
// the cross of the cross tool.
enum ArrowCursorKind : int { sgArrowCursor = 1, sgTextCursor = 2, sgCrossCursor = 3 };

// Actions of PEactions.
enum PEAction : int {
    sgReinitAndReset = 0,  // rebuild the whole chart from its properties
    sgResetImage = 1,      // apply changed properties and data
    sgInvalidateImage = 2, // repaint
    sgCustomize = 3,       // modal customisation dialog
    sgPrintDialog = 4,     // print dialog, then print
    sgUndoZoom = 5,        // back to the unzoomed ranges
};
