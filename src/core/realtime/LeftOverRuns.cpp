#include "realtime/LeftOverRuns.h"

#include <QFileInfo>
#include <algorithm>

namespace RealTimeRecovery {

std::vector<LeftOver> leftOverRuns(const QString& folder)
{
    std::vector<LeftOver> runs;
    for (const QString& path : filesIn(folder)) {
        auto file = std::make_unique<RunFile>();
        // A file held by another process is a run going on, not one left behind.
        if (!file->adopt(path))
            continue;
        auto run = read(path);
        if (run && !run->samples.empty()) {
            runs.push_back({std::move(file), std::move(*run)});
            continue;
        }
        // Only what is plainly empty goes; a file of some other making stays as it is.
        if ((run && run->samples.empty()) || QFileInfo(path).size() == 0)
            file->discard();
    }
    std::stable_sort(runs.begin(), runs.end(),
                     [](const LeftOver& a, const LeftOver& b) { return a.run.start > b.run.start; });
    return runs;
}

} // namespace RealTimeRecovery
