#pragma once
// Ctrl-C (SIGINT) and SIGTERM end a command cleanly: the signal only wakes
// the event loop, which then quits, so the ports are closed as usual.

#include <QObject>
#include <memory>

class QSocketNotifier;

class StopSignal : public QObject {
    Q_OBJECT
public:
    StopSignal();
    ~StopSignal() override;
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

signals:
    void stopRequested();

private:
    std::unique_ptr<QSocketNotifier> notifier;
};
