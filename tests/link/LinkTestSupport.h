#pragma once
// Shared pieces of the link tests: a host that records what the link shows,
// a fixture that wires a MeterLink to it, a raw pseudo-terminal, and frames.

#include "link/MeterLink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <fcntl.h>
#include <functional>
#include <map>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <ostream>

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

// Processes events until `done` holds or `timeoutMs` passed; returns `done()`.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 2000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::usleep(500);
    }
    return done();
}

class FakeHost : public LinkHost {
public:
    QStringList ports;
    int selected = -1;
    // The controls as the main window starts: Run and Stop disabled, Load enabled.
    std::map<LinkControl, bool> enabled{{LinkControl::btnRun, false}, {LinkControl::Run1, false},
                                        {LinkControl::btnStop, false}, {LinkControl::Stop1, false},
                                        {LinkControl::btnDataLogger, true}, {LinkControl::DataLogger1, true}};
    QString statusDevice, statusText;
    bool noConnectionVisible = false;
    bool clearEnabled = true;
    QList<LiveFrame> frames;
    QList<bool> previousHolds;
    bool running = false;
    QList<std::pair<TDateTime, std::array<float, 4>>> samples;

    int portCount() const override { return int(ports.size()); }
    QString portText(int index) const override { return ports.value(index); }
    void selectPort(int index) override { selected = index; }
    void removePort(int index) override { ports.removeAt(index); }
    void setControlEnabled(LinkControl c, bool on) override { enabled[c] = on; }
    void setStatus(const QString& device, const QString& text) override
    {
        statusDevice = device;
        statusText = text;
    }
    void setNoConnectionVisible(bool visible) override { noConnectionVisible = visible; }
    void setClearButtonEnabled(bool on) override { clearEnabled = on; }
    void showLiveFrame(const LiveFrame& f, bool previousHold) override
    {
        frames << f;
        previousHolds << previousHold;
    }
    bool realTimeRunning() const override { return running; }
    void takeSample(TDateTime t, const std::array<float, 4>& r) override { samples.append({t, r}); }
};

struct LinkFixture {
    AppSettings settings;
    QTimer mainTimer;
    FakeHost host;
    MeterLink link{host, settings, mainTimer};
    LinkFixture() { link.ProbeReplyMs = 60; }
};

// A pseudo-terminal of the test's own: the test plays the device on `master`.
class RawPty {
public:
    RawPty()
    {
        char name[256] = {};
        ::openpty(&master, &slave, name, nullptr, nullptr);
        termios tio{};
        ::tcgetattr(slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(slave, TCSANOW, &tio);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        path = QString::fromLocal8Bit(name);
    }
    ~RawPty() { hangUp(); }
    RawPty(const RawPty&) = delete;
    RawPty& operator=(const RawPty&) = delete;

    void write(const QByteArray& bytes) { [[maybe_unused]] auto n = ::write(master, bytes.constData(), bytes.size()); }
    QByteArray readAll()
    {
        QByteArray out;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(master, buf, sizeof buf)) > 0)
            out.append(buf, int(n));
        return out;
    }
    // The device goes away: the terminal side hangs up.
    void hangUp()
    {
        if (slave >= 0)
            ::close(slave);
        if (master >= 0)
            ::close(master);
        slave = master = -1;
    }

    int master = -1;
    int slave = -1;
    QString path;
};

// A live frame with a correct checksum: status bytes and the seven reading words.
inline QByteArray liveFrame(quint8 statusA, quint8 statusB, std::array<quint16, 8> words = {},
                            std::array<quint8, 12> stamps = {})
{
    QByteArray f(33, '\0');
    f[0] = 0x02;
    f[1] = char(statusA);
    f[2] = char(statusB);
    for (int i = 0; i < 8; ++i) {
        f[3 + 2 * i] = char(words[i] >> 8);
        f[4 + 2 * i] = char(words[i] & 0xFF);
    }
    for (int i = 0; i < 12; ++i)
        f[19 + i] = char(stamps[i]);
    quint8 sum = 0;
    for (int i = 1; i <= 30; ++i)
        sum = quint8(sum + quint8(f[i]));
    f[31] = char(sum);
    f[32] = 0x03;
    return f;
}
