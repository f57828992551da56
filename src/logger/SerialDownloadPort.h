#pragma once
// The download port on a serial device: opened exclusively, raw 9600 baud,
// 8 data bits, no parity, one stop bit, DTR off and RTS on, as the meter's
// download expects. Failures after opening throw PortAborted.

#include "logger/DownloadPort.h"

#include <QString>
#include <memory>

class SerialDownloadPort : public DownloadPort {
public:
    // Null when the device cannot be opened.
    static std::unique_ptr<SerialDownloadPort> open(const QString& device);
    ~SerialDownloadPort() override;
    SerialDownloadPort(const SerialDownloadPort&) = delete;
    SerialDownloadPort& operator=(const SerialDownloadPort&) = delete;

    int inputCount() override;
    QByteArray read(int count) override;
    void write(const QByteArray& bytes) override;
    void clearInput() override;
    void waitForInput(int wanted, int maxMs) override;

private:
    explicit SerialDownloadPort(int fd);
    [[noreturn]] void fail(const char* what);
    int fd;
};
