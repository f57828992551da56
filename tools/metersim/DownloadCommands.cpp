// The memory download: the meter hands its logger memory over in blocks.
#include "MeterSim.h"

#include <cmath>

namespace metersim {

void installDownloadCommands(MeterSim& sim)
{
    for (const char letter : {'c', 'P', 'y', 'n', 'Q'}) {
        sim.registerHandler(letter, [letter](MeterSim& s, const QByteArray&) {
            s.keepAlive();  // the program sends no "X" while it downloads
            const bool opening = letter == 'c' || letter == 'P';
            // A meter that is recording keeps its memory to itself.
            if (opening && s.meter().recording)
                return;
            if (opening)
                s.setDownloading(true);
            const QByteArray answer = s.downloadServer().onCommand(letter);
            // The command took its time on the line before the meter had all of it:
            // no answer comes back sooner than a real line allows.
            constexpr double CommandLineTimeMs = 10 * DownloadServer::ByteTimeMs;
            s.sendPaced(answer, int(std::ceil(CommandLineTimeMs)) + s.downloadServer().answerDelayMs(),
                        s.downloadServer().answerPauses());
            if (letter == 'Q')
                s.setDownloading(false);
        });
    }
}

} // namespace metersim
