#pragma once
// The runs left behind in the recovery folder by programs that ended without
// their samples being saved or discarded: killed, cut off by a power loss, or
// a run kept for a later start on purpose.

#include "realtime/RealTimeRecovery.h"
#include "realtime/RunFile.h"

#include <memory>
#include <vector>

namespace RealTimeRecovery {

struct LeftOver {
    // Held while the caller decides: no other program offers it meanwhile.
    // keep() gives it back for a later start.
    std::unique_ptr<RunFile> file;
    Run run;   // at least one sample

    TDateTime end() const { return run.samples.back().time; }
};

// Every run in `folder` that no process holds, newest first. A file of a run
// that took no sample (or died before its first line) is removed on the way:
// nothing in it is worth offering.
std::vector<LeftOver> leftOverRuns(const QString& folder);

} // namespace RealTimeRecovery
