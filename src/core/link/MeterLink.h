#pragma once
// The live link to the meter: finding it, keeping its live frames coming,
// receiving and decoding them, and telling the window what state it is in.
//
// Everything runs on the main thread. Serial events arrive through Comm1's
// synchronised delivery; MainTimer ticks about once a second. Waits that
// process events (WaitMs) let both run inside other operations, which is
// what InReceive, InMainTimer and SendingCommand guard against.
//
// Borrowing the meter (download, setup):
//   1. wait while InMainTimer or InReceive is set (WaitUntilIdle),
//   2. stop MainTimer,
//   3. either close Comm1 and open Comm2 on Comm1.DeviceName() with no
//      receive handler (download), or detachReceiver() and keep Comm1 (setup),
//   4. poll with InputCount / Read / Write / ClearInput and WaitMs,
//   5. give the link back: close Comm2, attachReceiver(), reopen Comm1,
//      ClearInput, restart MainTimer.
// Port failures surface as EComAbort (Comm1Error and Comm2Error choose the
// silent abort); callers catch it where their operation simply ends.

#include "app/Settings.h"
#include "link/ComPort.h"
#include "link/CommandFrame.h"
#include "link/FrameReceiver.h"
#include "link/LinkHost.h"
#include "link/SystemView.h"

#include <QDateTime>
#include <QObject>
#include <array>
#include <cstdint>
#include <optional>

class QTimer;

class MeterLink : public QObject {
    Q_OBJECT
public:
    // `settings` supplies LastConnectedPort, LastConnectedModel and
    // RealTimeRate; `mainTimer` is the window's MainTimer, whose interval the
    // drift correction adjusts and whose ticks run MainTimerTimer.
    MeterLink(LinkHost& host, AppSettings& settings, QTimer& mainTimer, QObject* parent = nullptr);
    ~MeterLink() override;

    // ---- The two ports ------------------------------------------------------------
    TComPort Comm1;  // live link, key commands, meter setup
    TComPort Comm2;  // downloads

    // ---- Connection and re-entry state ---------------------------------------------
    bool Connected = false;      // a meter is answering on Comm1
    bool FrameSeen = false;      // a valid frame arrived since the last tick
    int MissedTicks = 0;         // consecutive ticks without a frame
    int MissLimit = 3;           // silent ticks after which the link is lost
    int RateTicks = 0;           // ticks towards the next real-time sample
    bool InReceive = false;      // Comm1RxChar is running
    bool InMainTimer = false;    // MainTimerTimer is running
    bool SendingCommand = false; // MainTimerTimer is writing a command
    int MeterModel = 612;        // 612 or 618; chooses the negative-number encoding

    TCommandFrame CommandFrame;

    // ---- Live-frame outputs (overwritten by every valid frame) ----------------
    std::array<float, 4> LatestReadings{};
    std::uint8_t OverRangeFlags = 0;
    bool MeterRecording = false;
    bool PreviousHold = false;
    FrameReceiver Receiver;      // holds RxBuffer

    // How long the probe waits for the identify reply on each port.
    int ProbeReplyMs = 300;
    // Where the ports' /dev/serial/by-id names are read (LastConnectedPortName).
    SystemView PortNames;

    // ---- Operations -------------------------------------------------------------
    // Waits at least `ms` milliseconds while processing events.
    static void WaitMs(int ms);
    // Processes events until InMainTimer and InReceive are clear (or `limitMs` passed, if >= 0).
    void WaitUntilIdle(int limitMs = -1);

    // Writes CommandFrame with `letter` on Comm1 if it is open. Port failures
    // end in EComAbort.
    void SendCommand(char letter);
    // Writes a prepared 10-byte frame on Comm1 if it is open (key commands).
    void SendFrame(const TCommandFrame& frame);

    // The model code in an identify reply: 612 or 618 when its first four
    // bytes name one (612 wins when both appear), else 0.
    static int modelFromIdentity(const QByteArray& reply);

    // Start-up: asks every listed port for the meter with "K" (the port of
    // LastConnectedPortName first, wherever it is in the list), then opens
    // Comm1 on the meter's (or the last used) port, attaches the receiver and
    // sends the start request "a".
    void ProbePorts();
    // Runs for every valid frame before it is decoded.
    void FrameSeenStep();
    // The MainTimer handler: keep-alive, sampling, watchdog, drift correction.
    void MainTimerTimer();
    // The user picked or typed a port: `text` is the list's text, `index` the
    // matching entry or -1. Of changes that meet while a tick is handled, the
    // last one counts.
    void ComboBoxDeviceNameChange(const QString& text, int index);
    // Comm1's OnRxChar: reads what waits (at most 256 bytes) and handles every complete frame.
    void Comm1RxChar();
    void Comm1Error(TComPort& port, const EComError& error, TComAction& action);
    void Comm2Error(TComPort& port, const EComError& error, TComAction& action);

    // Attach or detach Comm1RxChar as Comm1's receive handler.
    void attachReceiver();
    void detachReceiver();

    // Feeds received bytes through the frame receiver and decoder (what
    // Comm1RxChar does with the bytes it read).
    void handleReceived(const char* bytes, int count);

private:
    // Opens Comm1, ignoring a failure; true when it is open afterwards.
    bool tryOpenComm1();
    void closeComm1Quietly();
    void sendFromTimer(char letter);
    // After a lost link: opens Comm1 again on its old name while that still
    // leads to the adapter it had, else follows the adapter by its lasting name.
    bool reopenComm1();
    // Opens Comm1 and notes the lasting name of the adapter behind it.
    bool openComm1Noting();
    // The adapter named `lasting` came back under another device name: Comm1
    // moves there. False when there is nothing to follow or it does not open.
    bool followReplugged(const QString& lasting);
    void linkLost();
    void correctDrift(const QDateTime& tickTime);
    void selectPortForComm1(int index);
    void decodeFrame(const LiveFrameBytes& frame);
    // The list entry that LastConnectedPortName names now, -1 when none does.
    int rememberedPortIndex() const;
    int indexOfPort(const QString& text) const;

    LinkHost& host;
    AppSettings& settings;
    QTimer& mainTimer;
    std::optional<QDateTime> previousTickTime;
    int lastComm1Error = 0;  // errno of Comm1's last failure, for the probe's permission hint
    QString lastComm1Text;   // and its words, for the link log
    int portChanges = 0;  // port changes asked for so far
    // The /dev/serial/by-id name of the adapter Comm1 was last opened on (its
    // device path when it has none). After two adapters were unplugged, the
    // other one may get the old device name: opening it then must not count
    // as the meter's port found again.
    QString comm1Adapter;
};
