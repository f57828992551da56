#pragma once
// A real-time run also goes to a small text file of its own, one line per
// sample, synced to the disk as it goes. If the program dies, the next start
// finds the file and offers the samples as a graph. The file lives as long
// as the samples are neither saved nor knowingly discarded.
//
//   TQ612 real-time recovery 1
//   start <date-time> points <n>
//   <date-time> <T1> <T2> <T3> <T4>        (one line per sample)
//
// Numbers use '.' whatever the regional settings, date-times are day counts.
//
// Every run has its own file in the recovery folder, named after its start
// and its process ("RealTimeRecovery-20260329-015959-4242.txt"), and holds a
// lock on it (flock) that the system drops when the process ends, however it
// ends. No run, program or command empties or removes a file it does not hold.
// Versions before these said "RealTimeRecovery.txt" for every run, locked
// through "RealTimeRecovery.txt.lock"; such a file is still offered back.

#include "app/DateTime.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace RealTimeRecovery {

using Readings = std::array<float, 4>;

struct Sample {
    TDateTime time = 0;
    Readings readings{};
};

struct Run {
    TDateTime start = 0;
    int points = 0;                // the number of points the run was set up for
    std::vector<Sample> samples;
};

// DocumentFolder + "temp/"; empty when there is no document folder.
QString folder(const QString& documentFolder);
// The one file name of the versions before one file per run.
QString legacyFileName(const QString& folder);
// A new run's file name in `folder`: its start, the process, and `copy` from
// 2 on when that name is taken.
QString runFileName(const QString& folder, TDateTime start, qint64 processId, int copy);
// The recovery files in `folder`, of either naming.
QStringList filesIn(const QString& folder);

// The lines of a new file, and of one sample.
QByteArray headerLines(TDateTime start, int points);
QByteArray sampleLine(TDateTime time, const Readings& readings);

// What a recovery file holds. A line cut short by the crash is left out;
// nullopt when the file is missing or is not a recovery file.
std::optional<Run> read(const QString& fileName);
std::optional<Run> read(QIODevice& file);

} // namespace RealTimeRecovery
