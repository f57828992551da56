#pragma once
// The meter setup commands: the meter's clock, its recording interval,
// erasing its memory and reading its information. They talk on the live
// link's port Comm1 in command mode: MainTimer stopped and the live-frame
// receiver detached, so replies wait in the port's input until read.
//
// Each operation takes a flag `alone`: alone (the window's own button) it
// enters command mode itself, shows its message and gives the link back;
// not alone (the ALL button) it does neither. Whatever happens, a port
// failure included, an operation that entered command mode leaves it.
//
// The texts the window shows live in `Display`; `displayChanged` runs after
// every change so that the window can copy them and repaint. The message an
// operation run alone ends with goes to `showMessage`: a message box in the
// program, a line on stderr in the command-line program.

#include "link/CommandFrame.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>

class LinkHost;
class MeterLink;
class QTimer;

class MeterSetup {
public:
    struct Display {
        QString lblsetuptime = QStringLiteral("OK");
        QString lblsetupint = QStringLiteral("OK");
        QString lblerase = QStringLiteral("OK");
        QString lblread = QStringLiteral("OK");
        QString lblFirmwareVersion, lblMeterTime, lblInt, lblDataSets, lblMemoryAvailable;
        std::array<QString, 12> parameters;  // edt32 .. edt43
    };

    // Error codes of AdjustMeterTime.
    enum ClockError {
        ClockOk = 0,            // also: entering command mode failed
        NoAccessReply = 2,
        WrongAccessReply = 3,
        NoSetClockReply = 4,
        NoConfirmReply = 6,
    };

    // `host` shows the front panel's "No Connection"; `mainTimer` is MainTimer.
    MeterSetup(MeterLink& link, LinkHost& host, QTimer& mainTimer);

    // The frame shared by the opening, clock access, clock confirm, start and
    // quit commands: each writes only the bytes it names.
    TCommandFrame SetupFrame;
    // Time allowed for a reply in ms; Read lowers it to 1 s for good.
    int ReplyTimeout = 2500;
    static constexpr int ReadReplyTimeout = 1000;

    Display display;
    std::function<void()> displayChanged;
    std::function<void(const QString& text)> showMessage;
    int lastClockError = ClockOk;

    bool EnterCommandMode();
    void LeaveCommandMode();

    bool AdjustMeterTime(bool alone);
    bool AdjustRecordingInterval(bool alone, const QString& minutes, const QString& seconds);
    bool EraseMeterMemory(bool alone);
    bool ReadMeterInformation(bool alone);
    // ALL: the four operations in a row in one command mode, no messages.
    void All(const QString& minutes, const QString& seconds);

    // True while an operation runs (its waits let other handlers run).
    bool running() const { return busy; }

private:
    class CommandMode;
    class Running;

    // Polls Comm1's input, without handling messages, until `count` bytes
    // wait or ReplyTimeout passed; returns the bytes waiting.
    int waitForInput(int count);
    void write(const TCommandFrame& frame);
    void write(const QByteArray& frame);
    QByteArray read(int count);
    int clockExchange(QByteArray& confirmReply);
    bool intervalExchange(const QByteArray& frame);
    bool eraseExchange();
    bool readExchange();
    void setLabel(QString& label, bool ok);
    void changed();
    void message(const QString& text);

    MeterLink& link;
    LinkHost& host;
    QTimer& mainTimer;
    bool busy = false;
};
