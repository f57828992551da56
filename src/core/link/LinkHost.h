#pragma once
// What the meter link needs of the window around it. The main window implements it
// with its port list, buttons, status bar and child windows; tests implement
// it with a plain fake.

#include "app/DateTime.h"
#include "link/LiveFrame.h"

#include <QList>
#include <QString>
#include <array>

// The controls whose enabled state follows the link.
enum class LinkControl { btnRun, Run1, btnStop, Stop1, btnDataLogger, DataLogger1 };

class LinkHost {
public:
    virtual ~LinkHost() = default;

    // ---- The port list ComboBoxDeviceName -------------------------------------
    virtual int portCount() const = 0;
    virtual QString portText(int index) const = 0;
    // Selects an entry without running the port-change handler.
    virtual void selectPort(int index) = 0;
    virtual void removePort(int index) = 0;

    // ---- Link state as the user sees it ---------------------------------------
    virtual void setControlEnabled(LinkControl control, bool enabled) = 0;
    // Status bar: panel 0 the device name, panel 1 "On Connection" / "Off Connection".
    virtual void setStatus(const QString& deviceName, const QString& connectionText) = 0;
    // The front panel's "No Connection" label, if the panel exists.
    virtual void setNoConnectionVisible(bool visible) = 0;
    // A probe that found no meter could not open these ports (each with its
    // errno): this account may not, or another program holds them.
    struct UnopenedPort {
        QString device;
        int errorCode = 0;
    };
    virtual void portsNotOpened(const QList<UnopenedPort>& /*ports*/) {}
    // The real-time graph's clear button tbntClr, if the graph exists.
    virtual void setClearButtonEnabled(bool /*enabled*/) {}
    // A decoded frame for the front panel, if it exists.
    virtual void showLiveFrame(const LiveFrame& /*frame*/, bool /*previousHold*/) {}

    // ---- Real-time recording ----------------------------------------------------
    virtual bool realTimeRunning() const { return false; }
    // A sample due on this tick: runs TakeSample if the real-time graph exists
    // and marks the recording unsaved.
    virtual void takeSample(TDateTime /*tickTime*/, const std::array<float, 4>& /*readings*/) {}
    // Every tick that found a frame since the tick before, after its sample
    // (the alarms watch the readings between runs too).
    virtual void frameTick(TDateTime /*tickTime*/) {}
};
