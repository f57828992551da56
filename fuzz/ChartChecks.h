#pragma once
// A chart state that loads must store and load again to the same bytes.

#include "FuzzInput.h"
#include "chart/ChartState.h"

#include <cmath>

inline void checkLoadedState(const ChartState& state)
{
    FUZZ_CHECK(state.subsets >= 1 && state.points >= 0);
    FUZZ_CHECK(state.x.size() == std::size_t(state.subsets) && state.y.size() == std::size_t(state.subsets));
    FUZZ_CHECK(state.workingAxis >= 0 && std::size_t(state.workingAxis) < state.axes.size());
    for (const ChartAxis& axis : state.axes) {
        FUZZ_CHECK(std::isfinite(axis.manualMinY) && std::isfinite(axis.manualMaxY));
        FUZZ_CHECK(axis.multiAxesProportion >= 0 && axis.multiAxesProportion <= 1);
    }
    FUZZ_CHECK(std::isfinite(state.manualMinX) && std::isfinite(state.manualMaxX));
    FUZZ_CHECK(state.options.multiAxesSeparators >= sgNoSeparator
               && state.options.multiAxesSeparators <= sgThickLine);

    // The alarm limits and marks name channels the chart has.
    for (const LimitLine& line : state.limitLines)
        FUZZ_CHECK(line.subset >= 0 && line.subset < state.subsets);
    for (const AlarmMark& mark : state.alarmMarks)
        FUZZ_CHECK(mark.subset >= 0 && mark.subset < state.subsets);

    const QByteArray stored = state.serialize();
    QString error;
    const std::optional<ChartState> again = ChartState::deserialize(stored, &error);
    if (!again)
        std::fprintf(stderr, "a stored state does not load: %s\n", qPrintable(error));
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(again->serialize() == stored);
}
