#pragma once
// Ctrl-C (SIGINT), SIGTERM and a closed terminal (SIGHUP) end a command
// cleanly: the signal only wakes the event loop, which then quits, so the
// ports are closed and the run's files settled as usual. A SIGHUP ignored by
// whoever started the command stays ignored: `nohup tq612-cli live` outlives
// its terminal.

#include <QObject>
#include <array>
#include <csignal>
#include <memory>

class QSocketNotifier;

class StopSignal : public QObject {
    Q_OBJECT
public:
    StopSignal();
    ~StopSignal() override;
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    static constexpr std::array StopSignals{SIGINT, SIGTERM, SIGHUP};

signals:
    void stopRequested();

private:
    std::unique_ptr<QSocketNotifier> notifier;
    std::array<struct sigaction, StopSignals.size()> previous{};   // restored at the end
};
