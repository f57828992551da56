#pragma once

#include "chart/ChartState.h"

namespace ChartTemplate {

// How a graph looks, without what it shows. The template keeps colours,
// fonts, grid, scales, titles, labels and vertical lines for later graphs;
// the marks and points of the graph it was made from belong to that graph alone.
ChartState lookOf(ChartState state);

}  // namespace ChartTemplate
