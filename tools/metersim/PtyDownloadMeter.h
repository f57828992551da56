#pragma once
// Serves a DownloadServer on a pseudo-terminal, for tests, the soak run and
// the benchmark: the program opens devicePath() like a serial port. Paced,
// every byte takes its 9600-baud time in both directions; unpaced, answers go
// out at once. An adapter model hands the answers over in chunks, as a USB
// serial adapter does.
//
// `timeScale` is how many of the program's milliseconds pass in one real
// one: a test whose program clock runs fast gives the same factor here, so
// that line time, adapter latency and late answers keep their length as the
// program sees them.

#include "AdapterLine.h"
#include "DownloadServer.h"

#include <QString>
#include <functional>
#include <mutex>
#include <thread>

namespace metersim {

class PtyDownloadMeter {
public:
    PtyDownloadMeter(DownloadServer& server, bool paced, AdapterModel adapter = {}, double timeScale = 1);
    ~PtyDownloadMeter();
    PtyDownloadMeter(const PtyDownloadMeter&) = delete;
    PtyDownloadMeter& operator=(const PtyDownloadMeter&) = delete;

    bool isOpen() const { return master >= 0; }
    QString devicePath() const { return slavePath; }

    // Runs `f` on the server while the line thread keeps off it.
    void withServer(const std::function<void(DownloadServer&)>& f);
    void setAdapter(AdapterModel adapter);

private:
    void run();
    double nowMs() const;

    DownloadServer& server;
    const bool paced;
    const double timeScale;
    AdapterLine line;
    int master = -1;
    int slaveKeeper = -1;  // keeps the line up while the program has the port closed
    int wakeRead = -1;
    int wakeWrite = -1;
    QString slavePath;
    std::mutex mutex;
    std::thread thread;
};

} // namespace metersim
