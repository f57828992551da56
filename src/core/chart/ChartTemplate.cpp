#include "chart/ChartTemplate.h"

namespace ChartTemplate {

ChartState lookOf(ChartState state)
{
    state.graphAnnotations.clear();
    state.vertLineAnnotations.clear();
    state.resizeData(state.subsets, 0);
    return state;
}

}  // namespace ChartTemplate
