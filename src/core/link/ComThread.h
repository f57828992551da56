#pragma once
// TComThread: the event thread of a TComPort.
//
// It poll()s the port's descriptor and a wake-up pipe. When bytes arrive it
// hands the event to the port on the main thread and waits until the handler
// has returned. When the device hangs up or fails, it reports that once and
// ends.
//
// Why it is never joined: the main thread may close the port while the event
// thread is blocked handing it an event, and joining would then wait for a
// thread that waits for us. Instead the two share ComThreadShared. Closing
// sets `stopping` and wakes the poll; it waits only while the thread is inside
// poll() (which the wake-up ends at once), never while it is delivering. The
// thread touches the descriptor only inside poll() or with the mutex held and
// `stopping` clear, so the port may close the descriptor right after
// stopThread() returns. An event still queued for the main thread sees
// `stopping` and does nothing; the thread then ends on its own.

#include <condition_variable>
#include <memory>
#include <mutex>

class QObject;
class TComPort;

struct ComThreadShared {
    ComThreadShared(TComPort* port, int fd, bool synchronize);
    ~ComThreadShared();
    ComThreadShared(const ComThreadShared&) = delete;
    ComThreadShared& operator=(const ComThreadShared&) = delete;

    // Ask the thread to end; returns once the thread no longer uses the descriptor.
    void stop();
    // Ends the thread's pause after a delivery: the main thread has taken the bytes.
    void wake();

    TComPort* const port;  // valid while `stopping` is clear (checked on the main thread)
    const int fd;
    const bool synchronize;
    int wakeRead = -1;
    int wakeWrite = -1;
    // Lives on the main thread and carries the blocking queued calls there.
    std::unique_ptr<QObject, void (*)(QObject*)> relay;

    std::mutex mutex;
    std::condition_variable leftPoll;
    bool stopping = false;
    bool polling = false;
};

class TComThread {
public:
    // Starts a detached thread for the port; throws std::system_error when it cannot.
    static void start(const std::shared_ptr<ComThreadShared>& shared);

private:
    explicit TComThread(std::shared_ptr<ComThreadShared> shared) : s(std::move(shared)) {}
    void run();
    // Runs `call` on the main thread (blocking until it returned) unless the port stopped us.
    template <typename F> void deliver(F call, bool blocking);
    int waitingBytes();

    std::shared_ptr<ComThreadShared> s;
};
