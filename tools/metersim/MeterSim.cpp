#include "MeterSim.h"

#include "MemoryImageBuilder.h"

#include <QCoreApplication>
#include <QSettings>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <time.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace metersim {

namespace {

constexpr int CommandSize = 10;

double steadyMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

std::atomic<int> instancesInProcess{0};

QSettings openSettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("TQ612"), QStringLiteral("TQ612"));
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

MeterSim::MeterSim(Options options)
    : opts(std::move(options))
    , line(opts.adapter)
{
    download.lateAckEvery = opts.lateAckEvery;
    download.lateAckMs = opts.lateAckMs;
    download.pauseEvery = opts.pauseEvery;
    download.pauseMs = opts.pauseMs;
    installLinkCommands(*this);
    installKeyCommands(*this);
    installDownloadCommands(*this);
    installSetupCommands(*this);
    if (opts.memory.isEmpty()) {
        MemoryImageBuilder empty;
        empty.model = opts.model;
        download.setImage(empty.build());
    } else {
        download.setImage(opts.memory);
    }
}

MeterSim::~MeterSim()
{
    stop();
}

qint64 MeterSim::nowMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool MeterSim::start(QString* error)
{
    const auto fail = [&](const char* what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
        closeFd(master);
        closeFd(slave);
        closeFd(wakeRead);
        closeFd(wakeWrite);
        return false;
    };
    if (loop.joinable())
        return true;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return fail("openpty");
    // Raw from the start: no echo of the program's commands, no line editing.
    termios tio{};
    if (::tcgetattr(slave, &tio) != 0)
        return fail("tcgetattr");
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    if (::tcsetattr(slave, TCSANOW, &tio) != 0)
        return fail("tcsetattr");
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail("pipe");
    wakeRead = pipeFds[0];
    wakeWrite = pipeFds[1];
    slavePath = QString::fromLocal8Bit(name);
    stopping = false;
    if (opts.registerPort)
        registerPort();
    loop = std::thread(&MeterSim::run, this);
    return true;
}

void MeterSim::stop()
{
    {
        auto l = lock();
        stopping = true;
    }
    wake();
    if (loop.joinable())
        loop.join();
    unregisterPort();
    auto l = lock();
    closeFd(master);
    closeFd(slave);
    closeFd(wakeRead);
    closeFd(wakeWrite);
    isStreaming = false;
    isDownloading = false;
    line.clear();
}

void MeterSim::registerPort()
{
    const int n = instancesInProcess++;
    settingsKey = QStringLiteral("metersim%1").arg(::getpid());
    if (n > 0)
        settingsKey += QStringLiteral("-%1").arg(n);
    QSettings s = openSettings();
    s.setValue(QStringLiteral("SerialComm/") + settingsKey, slavePath);
    s.sync();
}

void MeterSim::unregisterPort()
{
    if (settingsKey.isEmpty())
        return;
    QSettings s = openSettings();
    s.remove(QStringLiteral("SerialComm/") + settingsKey);
    s.sync();
    settingsKey.clear();
}

void MeterSim::wake()
{
    if (wakeWrite >= 0) {
        const char w = 'w';
        [[maybe_unused]] ssize_t n = ::write(wakeWrite, &w, 1);
    }
}

void MeterSim::registerHandler(const QByteArray& word, Handler handler)
{
    auto l = lock();
    handlers[word] = std::move(handler);
}

bool MeterSim::send(const QByteArray& bytes)
{
    auto l = lock();
    if (isSilent || master < 0)
        return false;
    // Behind an adapter, or behind bytes still on the line, the bytes queue up.
    if (line.model().active() || !line.empty()) {
        line.send(bytes, steadyMs(), false);
        wake();
        return true;
    }
    return writeNow(bytes);
}

bool MeterSim::writeNow(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return true;
    if (isSilent || master < 0)
        return false;
    // Like a serial line with nobody listening: what the terminal cannot take is lost.
    const ssize_t n = ::write(master, bytes.constData(), size_t(bytes.size()));
    return n == bytes.size();
}

void MeterSim::setAdapter(AdapterModel adapter)
{
    auto l = lock();
    line.setAdapter(adapter);
    wake();
}

void MeterSim::setStreaming(bool on)
{
    auto l = lock();
    isStreaming = on;
    wake();
}

void MeterSim::sendPaced(const QByteArray& bytes, int delayMs, const std::vector<SendPause>& pauses)
{
    auto l = lock();
    if (bytes.isEmpty())
        return;
    if (!opts.pacedDownload && delayMs == 0 && pauses.empty()) {
        send(bytes);
        return;
    }
    if (isSilent || master < 0)
        return;
    line.send(bytes, steadyMs(), opts.pacedDownload, delayMs, pauses);
    wake();
}

int MeterSim::flushLine()
{
    const double now = steadyMs();
    writeNow(line.take(now));  // lost like any byte nobody reads
    return line.msUntilDue(now);
}

void MeterSim::setDownloading(bool on)
{
    auto l = lock();
    isDownloading = on;
    wake();
}

bool MeterSim::downloading() const
{
    auto l = lock();
    return isDownloading;
}

QByteArray MeterSim::memoryImage() const
{
    auto l = lock();
    return download.image();
}

void MeterSim::keepAlive()
{
    auto l = lock();
    lastKeepAliveMs = nowMs();
}

MeterState MeterSim::snapshot() const
{
    auto l = lock();
    return state;
}

bool MeterSim::streaming() const
{
    auto l = lock();
    return isStreaming;
}

void MeterSim::setSilent(bool silent)
{
    auto l = lock();
    isSilent = silent;
}

bool MeterSim::silent() const
{
    auto l = lock();
    return isSilent;
}

QByteArray MeterSim::sendLiveFrame()
{
    auto l = lock();
    state.advance(QDateTime::currentDateTime());
    const QByteArray frame = buildLiveFrame(state, opts.model);
    send(frame);
    return frame;
}

double MeterSim::loopCpuSeconds() const
{
    if (!loop.joinable())
        return 0;
    clockid_t cid;
    timespec ts{};
    if (::pthread_getcpuclockid(const_cast<std::thread&>(loop).native_handle(), &cid) != 0 || ::clock_gettime(cid, &ts) != 0)
        return 0;
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

QList<QByteArray> MeterSim::commands() const
{
    auto l = lock();
    return received;
}

int MeterSim::commandCount(char letter) const
{
    auto l = lock();
    return int(std::count_if(received.begin(), received.end(), [letter](const QByteArray& f) { return f[1] == letter; }));
}

void MeterSim::clearCommands()
{
    auto l = lock();
    received.clear();
}

void MeterSim::handleInput(const QByteArray& bytes)
{
    input += bytes;
    for (;;) {
        const qsizetype start = input.indexOf('\x02');
        if (start < 0) {
            input.clear();
            return;
        }
        input.remove(0, start);
        if (input.size() < CommandSize)
            return;
        if (input[CommandSize - 1] != '\x03') {
            input.remove(0, 1);  // not a frame after all
            continue;
        }
        const QByteArray frame = input.left(CommandSize);
        input.remove(0, CommandSize);
        received << frame;
        dispatch(frame);
    }
}

void MeterSim::dispatch(const QByteArray& frame)
{
    if (nextFrame) {
        const NextFrameHook hook = std::exchange(nextFrame, nullptr);
        if (hook(*this, frame))
            return;
    }
    const QByteArray command = frame.mid(1, CommandSize - 2);
    const Handler* best = nullptr;
    qsizetype bestLength = 0;
    for (const auto& [word, handler] : handlers) {
        if (word.size() > bestLength && command.startsWith(word)) {
            best = &handler;
            bestLength = word.size();
        }
    }
    if (best)
        (*best)(*this, frame);
}

void MeterSim::run()
{
    qint64 nextFrameMs = nowMs();
    for (;;) {
        int timeout = -1;
        {
            auto l = lock();
            if (stopping)
                return;
            if (isStreaming && !isDownloading && opts.rateMs > 0)
                timeout = int(std::max<qint64>(0, nextFrameMs - nowMs()));
            const int pacedDue = flushLine();
            if (pacedDue >= 0 && (timeout < 0 || pacedDue < timeout))
                timeout = pacedDue;
        }
        pollfd fds[2] = {{master, POLLIN, 0}, {wakeRead, POLLIN, 0}};
        ::poll(fds, 2, timeout);
        if (fds[1].revents & POLLIN) {
            char drain[32];
            while (::read(wakeRead, drain, sizeof drain) > 0) {
            }
        }
        auto l = lock();
        if (stopping)
            return;
        if (fds[0].revents & POLLIN) {
            char buffer[512];
            ssize_t n;
            while ((n = ::read(master, buffer, sizeof buffer)) > 0)
                handleInput(QByteArray(buffer, int(n)));
        }
        if (fds[0].revents & (POLLHUP | POLLERR)) {
            l.unlock();
            ::usleep(20000);  // cannot happen while we hold the terminal side; do not spin if it does
            continue;
        }
        flushLine();
        const qint64 now = nowMs();
        if (isDownloading) {
            nextFrameMs = now;  // frames resume as soon as the download ends
        } else if (isStreaming && opts.rateMs > 0 && now >= nextFrameMs) {
            if (opts.keepAliveTimeoutMs > 0 && now - lastKeepAliveMs > opts.keepAliveTimeoutMs) {
                isStreaming = false;  // no keep-alive: the meter stops until the next start request
            } else {
                state.advance(QDateTime::currentDateTime());
                send(buildLiveFrame(state, opts.model));
            }
            nextFrameMs = std::max(nextFrameMs + opts.rateMs, now + 1);
        } else if (!isStreaming) {
            nextFrameMs = now;  // the first frame goes out as soon as streaming starts
        }
    }
}

} // namespace metersim
