#pragma once
// A real-time run also goes to a small text file, one line per sample,
// written through to the operating system at once. If the program dies, the
// next start finds the file and offers the samples as a graph. The file lives
// as long as the samples are neither saved nor knowingly discarded.
//
//   TQ612 real-time recovery 1
//   start <date-time> points <n>
//   <date-time> <T1> <T2> <T3> <T4>        (one line per sample)
//
// Numbers use '.' whatever the regional settings, date-times are day counts.
//
// A run that writes the file holds a lock (flock on "<file>.lock" beside it),
// which the system drops when the process ends, however it ends. Another run of TQ612 or
// tq612-cli on another meter leaves a locked file alone: it is a run going on,
// not one left behind.

#include "app/DateTime.h"

#include <QFile>
#include <QString>
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

// DocumentFolder + "temp/RealTimeRecovery.txt"; empty when there is no document folder.
QString fileName(const QString& documentFolder);

// Another process is writing the file now.
bool inUse(const QString& fileName);

// What a recovery file holds. A line cut short by the crash is left out;
// nullopt when the file is missing or is not a recovery file.
std::optional<Run> read(const QString& fileName);

// Appends the samples of one run, each one on its way to the disk before append() returns.
class Writer {
public:
    explicit Writer(QString fileName);
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Replaces the file with the header of a new run. False when it cannot be
    // written, or another run is writing it.
    bool begin(TDateTime start, int points);
    bool append(TDateTime time, const Readings& readings);
    bool isOpen() const { return file.isOpen(); }
    // Why the last begin() or append() failed.
    QString errorString() const { return error; }
    // Stops writing; the file keeps what was written.
    void close() { file.close(); }
    // Takes the file's lock without writing (kept until discard() or the
    // writer's end); false while another run holds it.
    bool claim();
    // Closes and deletes the file: its samples were saved or discarded. A file
    // that another run is writing stays.
    void discard();
    const QString& path() const { return name; }

private:
    bool writeLine(const QByteArray& line);

    QString name;
    QFile file;
    QFile lock;   // held from begin() on, while the samples are this run's
    QString error;
};

} // namespace RealTimeRecovery
