#pragma once

#include "chart/ChartState.h"

namespace ChartTemplate {

// How a graph looks, without what it shows. The template keeps colours,
// fonts, grid, scales, titles and labels for later graphs; the marks, lines
// and points of the graph it was made from belong to that graph alone.
ChartState lookOf(ChartState state);

}  // namespace ChartTemplate
