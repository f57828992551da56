#pragma once
// A virtual meter on a pseudo-terminal.
//
// It opens a pty, keeps its own descriptor of the terminal side open (so the
// program may close and reopen the port at will without the meter seeing a
// hang-up), registers the terminal's path in the [SerialComm] group of the
// TQ612 settings file, and answers 10-byte command frames like the meter:
//
//   "K"  identify: 02 '6' '1' '2' 00.. 03 (the model code in the first four bytes)
//   "a"  start sending live frames
//   "X"  keep-alive; without one for keepAliveTimeoutMs the meter stops
//        streaming (5 s by default) until the next "a"
//   "H" "E" "C" "T" "M" "N"  the display keys (LinkCommands.cpp, KeyCommands.cpp)
//   "c" "P" "y" "n" "Q"  the memory download (DownloadCommands.cpp): live
//        frames stop from "c" until "Q" (or a new "a"); a meter that is
//        recording (REC, toggled by "E") does not answer "c" and "P"
//   "rtc" <clock> "ti" "erase" "int" "V"  the meter setup (SetupCommands.cpp):
//        clock, recording interval, memory erase and firmware version; live
//        frames stop as for a download, until "Q" or "a"
//
// Commands are dispatched through a table: registerHandler(word, handler)
// adds or replaces the handler of a command word; the longest registered word
// that starts the frame's command bytes wins. More command sets (download,
// setup) add themselves the same way from files of their own.
//
// With an adapter model (Options::adapter, setAdapter()) everything the meter
// sends reaches the terminal in chunks on a latency timer, as through a USB
// serial adapter; Options::lateAckEvery makes it answer download
// acknowledgements late, Options::pauseEvery pause inside download blocks.
//
// A loop thread does the I/O; handlers run on it with the meter locked, so
// inside a handler meter() and send() may be used freely. From other threads
// use the locked accessors (snapshot(), commands(), setSilent() ...).

#include "AdapterLine.h"
#include "DownloadServer.h"
#include "MeterState.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace metersim {

enum class BadIdentify { None, Short, Wrong };

struct Options {
    int model = 612;                 // 612: sign-magnitude negatives; 618: two's complement
    int rateMs = 500;                // live-frame period; 0: only sendLiveFrame() sends
    BadIdentify badIdentify = BadIdentify::None;
    QByteArray identifyReply;        // when set, the exact reply to "K"
    bool registerPort = true;        // list the pty in the settings' [SerialComm] group
    int keepAliveTimeoutMs = 5000;   // stop streaming without "X" for this long; 0: never
    QByteArray memory;               // the logger memory the download serves; empty: no data sets
    bool pacedDownload = true;       // download bytes take their 9600-baud time on the line
    AdapterModel adapter;            // a USB serial adapter between meter and program; none by default
    int lateAckEvery = 0;            // every n-th acknowledgement of a download is answered late (0: none)
    int lateAckMs = 150;             // ... this long after it came
    int pauseEvery = 0;              // every n-th download block pauses inside (0: none)
    int pauseMs = 40;                // ... this long
};

class MeterSim {
public:
    // `frame` is the whole 10-byte command frame.
    using Handler = std::function<void(MeterSim& sim, const QByteArray& frame)>;
    // Sees the next command frame before the table; returns true when it took the frame.
    using NextFrameHook = std::function<bool(MeterSim& sim, const QByteArray& frame)>;

    explicit MeterSim(Options options = {});
    ~MeterSim();
    MeterSim(const MeterSim&) = delete;
    MeterSim& operator=(const MeterSim&) = delete;

    // Opens the pty, registers it and starts the loop thread; false (and the
    // reason in `error`) when the pty cannot be opened.
    bool start(QString* error = nullptr);
    // Stops the thread, unregisters and closes the pty (the device disappears).
    void stop();
    // Like pulling the meter's cable: the terminal hangs up and its path goes away.
    void unplug() { stop(); }

    QString portPath() const { return slavePath; }
    QString registryKey() const { return settingsKey; }
    const Options& options() const { return opts; }

    void registerHandler(const QByteArray& word, Handler handler);
    void registerHandler(char letter, Handler handler) { registerHandler(QByteArray(1, letter), std::move(handler)); }
    // The next command frame goes to `hook` first (a command whose parameters
    // come in a frame of their own, such as the clock after "rtc").
    void expectNextFrame(NextFrameHook hook) { nextFrame = std::move(hook); }

    // ---- For handlers (and, locked, for anyone) ----------------------------
    // Writes bytes to the program; dropped when nobody reads the terminal and its queue is full.
    bool send(const QByteArray& bytes);
    // The meter's state; only inside a handler or while holding lock().
    MeterState& meter() { return state; }
    std::unique_lock<std::recursive_mutex> lock() const { return std::unique_lock(mutex); }
    void setStreaming(bool on);
    void keepAlive();
    // Like send(), but each byte takes its time on a 9600-baud line when the
    // download is paced, the answer may start `delayMs` late, and the meter
    // may pause inside it.
    void sendPaced(const QByteArray& bytes, int delayMs = 0, const std::vector<SendPause>& pauses = {});
    // From now on everything the meter sends goes through this adapter.
    void setAdapter(AdapterModel adapter);
    // The meter's side of the download; only inside a handler or while holding lock().
    DownloadServer& downloadServer() { return download; }
    // While a download runs the meter sends no live frames.
    void setDownloading(bool on);

    // ---- Control and inspection (thread-safe) -------------------------------
    MeterState snapshot() const;
    bool streaming() const;
    bool downloading() const;
    // The memory image the download serves (whole 64-byte blocks).
    QByteArray memoryImage() const;
    // A silent meter neither streams nor answers; commands still take effect.
    void setSilent(bool silent);
    bool silent() const;
    // Advances the readings and sends one live frame now; returns the frame sent.
    QByteArray sendLiveFrame();
    // CPU time used so far by the simulator's own loop thread (for measurements
    // that must leave the simulator out).
    double loopCpuSeconds() const;
    QList<QByteArray> commands() const;   // command frames received, in order
    int commandCount(char letter) const;
    void clearCommands();

private:
    void run();
    void handleInput(const QByteArray& bytes);
    void dispatch(const QByteArray& frame);
    void wake();
    qint64 nowMs() const;
    void registerPort();
    void unregisterPort();
    // Writes the bytes that have come through the line and the adapter;
    // returns the ms until the next ones are due, or -1 when none wait.
    int flushLine();
    bool writeNow(const QByteArray& bytes);

    Options opts;
    mutable std::recursive_mutex mutex;
    MeterState state;
    std::map<QByteArray, Handler> handlers;
    NextFrameHook nextFrame;
    QList<QByteArray> received;
    QByteArray input;
    bool isStreaming = false;
    bool isSilent = false;
    bool isDownloading = false;
    qint64 lastKeepAliveMs = 0;
    DownloadServer download;
    AdapterLine line;            // bytes still on their way to the program

    int master = -1;
    int slave = -1;   // our own descriptor of the terminal side, held while running
    int wakeRead = -1, wakeWrite = -1;
    QString slavePath;
    QString settingsKey;
    bool stopping = false;
    std::thread loop;
};

// Handler sets, each in a file of its own.
void installLinkCommands(MeterSim& sim);  // K, a, X
void installKeyCommands(MeterSim& sim);   // H, E, C, T, M, N
void installDownloadCommands(MeterSim& sim);  // c, P, y, n, Q
void installSetupCommands(MeterSim& sim);     // rtc and the clock frame, ti, erase, int, V

} // namespace metersim
