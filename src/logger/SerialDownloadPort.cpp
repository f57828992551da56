#include "logger/SerialDownloadPort.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace {
// One byte on the line at 9600 baud, 8N1.
constexpr double ByteTimeMs = 10.0 / 9.6;
// A write that cannot go out within this time means the port is gone.
constexpr int WriteTimeoutMs = 2000;

bool configure(int fd)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    if (tcsetattr(fd, TCSANOW, &tio) != 0)
        return false;
    // DTR off, RTS on; a pseudo-terminal has no modem lines, which is fine.
    int dtr = TIOCM_DTR;
    int rts = TIOCM_RTS;
    ioctl(fd, TIOCMBIC, &dtr);
    ioctl(fd, TIOCMBIS, &rts);
    return true;
}
} // namespace

std::unique_ptr<SerialDownloadPort> SerialDownloadPort::open(const QString& device)
{
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    if (ioctl(fd, TIOCEXCL) != 0 || !configure(fd)) {
        ::close(fd);
        return nullptr;
    }
    tcflush(fd, TCIOFLUSH);
    return std::unique_ptr<SerialDownloadPort>(new SerialDownloadPort(fd));
}

SerialDownloadPort::SerialDownloadPort(int fd)
    : fd(fd)
{
}

SerialDownloadPort::~SerialDownloadPort()
{
    ioctl(fd, TIOCNXCL);
    ::close(fd);
}

void SerialDownloadPort::fail(const char* what)
{
    throw PortAborted(std::string(what) + ": " + std::system_category().message(errno));
}

int SerialDownloadPort::inputCount()
{
    int count = 0;
    if (ioctl(fd, FIONREAD, &count) != 0)
        fail("FIONREAD");
    return count;
}

QByteArray SerialDownloadPort::read(int count)
{
    QByteArray bytes(count, '\0');
    int got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd, bytes.data() + got, std::size_t(count - got));
        if (n > 0) {
            got += int(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            break;  // fewer than reported: return what there is
        } else {
            fail("read");
        }
    }
    bytes.truncate(got);
    return bytes;
}

void SerialDownloadPort::write(const QByteArray& bytes)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + sent, std::size_t(bytes.size() - sent));
        if (n >= 0) {
            sent += n;
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            fail("write");
        pollfd p{fd, POLLOUT, 0};
        if (poll(&p, 1, WriteTimeoutMs) <= 0)
            fail("write");
    }
}

void SerialDownloadPort::clearInput()
{
    tcflush(fd, TCIFLUSH);
}

void SerialDownloadPort::waitForInput(int wanted, int maxMs)
{
    const int waiting = inputCount();
    if (waiting >= wanted || maxMs <= 0)
        return;
    if (waiting == 0) {
        // Sleep until the first byte comes.
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, maxMs);
        return;
    }
    // Part of a block is here: sleep about as long as the rest takes on the line.
    const int restMs = int(std::ceil((wanted - waiting) * ByteTimeMs));
    poll(nullptr, 0, std::clamp(restMs, 1, maxMs));
}
