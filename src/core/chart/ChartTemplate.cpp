#include "chart/ChartTemplate.h"

namespace ChartTemplate {

ChartState lookOf(ChartState state)
{
    // Vertical lines are part of the chart's look: a later graph shows them
    // where the template has them, as one opened from a graph file does.
    state.graphAnnotations.clear();
    // Alarm limits and marks belong to one run, not to the look.
    state.limitLines.clear();
    state.alarmMarks.clear();
    state.resizeData(state.subsets, 0);
    return state;
}

}  // namespace ChartTemplate
