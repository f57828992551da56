#pragma once
// The live link as the command-line program holds it: the same MeterLink as
// the program's main window, with the console in the window's place. It
// probes like the program's start-up (or asks only the port given), keeps
// the live frames coming with MainTimer and reconnects after a lost link.

#include "app/Settings.h"
#include "link/LinkHost.h"
#include "link/MeterLink.h"

#include <QStringList>
#include <QTimer>
#include <functional>
#include <optional>

class ConsoleHost : public LinkHost {
public:
    QStringList ports;
    bool sampling = false;                 // live: MainTimer takes samples
    std::function<void(TDateTime tickTime)> onSample;
    std::function<void(bool connected)> onLinkChange;  // the link was lost, or is back
    std::optional<LiveFrame> lastFrame;    // the latest decoded frame
    int framesSeen = 0;

    int portCount() const override { return int(ports.size()); }
    QString portText(int index) const override { return ports.value(index); }
    void selectPort(int) override {}
    void removePort(int index) override { ports.removeAt(index); }
    void setControlEnabled(LinkControl, bool) override {}
    // Tells on stderr when the link is lost and when it is back.
    void setStatus(const QString& deviceName, const QString& connectionText) override;
    void setNoConnectionVisible(bool) override {}
    void showLiveFrame(const LiveFrame& frame, bool previousHold) override;
    bool realTimeRunning() const override { return sampling; }
    void takeSample(TDateTime tickTime, const std::array<float, 4>& readings) override;

private:
    QString connectionText;
};

class MeterConnection {
public:
    // `port`: a port name or path; empty to probe every port the program would list.
    explicit MeterConnection(const QString& port);
    ~MeterConnection();

    // Finds the meter and starts the live link; returns cli::Done or cli::NoMeter
    // after saying why on stderr.
    int connect();
    // Processes events until a live frame has come, at most `ms`; true when one came.
    bool waitForFrame(int ms);

    MeterLink& link() { return meterLink; }
    QTimer& mainTimer() { return timer; }
    ConsoleHost& host() { return console; }
    AppSettings& settings() { return appSettings; }

    // The ports the program would list, in its order.
    static QStringList programPorts();
    // Tries to open `device` (a path) and says on stderr why it cannot be
    // used: missing, held by another program, or not permitted. True when it opens.
    static bool checkUsable(const QString& device);

private:
    QString requestedPort;
    AppSettings appSettings;
    QTimer timer;
    ConsoleHost console;
    MeterLink meterLink;
};
