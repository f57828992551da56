// What publishing adds to a live sample on its way: the time from handing a
// sample to tq612-cli live's broker client (the queue of readings and the
// libmosquitto client behind it) until a subscriber on the same machine has
// it, through mosquitto on 127.0.0.1. The goal: below 5 ms. Reported as median
// and 99th percentile per sample, for each quality of service; between samples
// the program's event loop runs, as it does between the meter's ticks.
#include "live/LiveSample.h"
#include "mqtt/MqttBroker.h"
#include "mqtt/MqttListener.h"
#include "mqtt/MqttPublisher.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <vector>

namespace {

using namespace std::chrono_literals;

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

// Runs the event loop until `done` holds or `timeout` passes.
template <typename Done>
bool runEventsUntil(Done done, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::usleep(200);
    }
    return true;
}

void BM_SampleToSubscriberOverLoopback(benchmark::State& state)
{
    if (!MqttBroker::installed()) {
        state.SkipWithError("mosquitto is not installed; no broker to measure against");
        return;
    }
    const int qos = int(state.range(0));
    MqttBroker broker;
    if (!broker.start()) {
        state.SkipWithError("mosquitto did not start");
        return;
    }
    // An arrival wakes this thread's event loop, which otherwise sleeps until the client's socket has news.
    QAbstractEventDispatcher* dispatcher = QCoreApplication::instance()->thread()->eventDispatcher();
    MqttListener listener(broker.port(), QStringLiteral("bench/readings"), QStringLiteral("tq612-bench-listener"),
                          [dispatcher] { dispatcher->wakeUp(); });
    if (!listener.waitSubscribed(5s)) {
        state.SkipWithError("the subscriber did not get its subscription");
        return;
    }
    cli::mqtt::MqttSettings settings;
    settings.host = QStringLiteral("127.0.0.1");
    settings.port = broker.port();
    settings.topicPrefix = QStringLiteral("bench");
    settings.qos = qos;
    settings.clientId = settings.meterId = QStringLiteral("tq612-bench");
    cli::mqtt::MqttPublisher publisher(settings);
    publisher.start();

    LiveFrame frame;
    frame.T1 = 21.5f;
    const QDateTime start = QDateTime::currentDateTime();
    int n = 0;
    const auto sampleNumber = [&] { return cli::LiveSample{start.addSecs(++n), frame}; };
    // Connected once the first reading is through.
    publisher.publish(sampleNumber());
    if (!runEventsUntil([&] { return listener.count() >= 1 && publisher.waitingCount() == 0; }, 10s)) {
        state.SkipWithError("the first reading did not reach the subscriber");
        return;
    }

    std::vector<double> micros;
    std::size_t expected = listener.count();
    for (auto _ : state) {
        const cli::LiveSample sample = sampleNumber();
        const auto handed = MqttListener::Clock::now();
        publisher.publish(sample);
        // The program's event loop runs meanwhile, as it does between ticks.
        while (listener.count() < expected + 1) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (MqttListener::Clock::now() - handed > 10s) {
                state.SkipWithError("a reading did not arrive within 10 s");
                return;
            }
        }
        micros.push_back(std::chrono::duration<double, std::micro>(listener.at(expected).at - handed).count());
        ++expected;
        // The confirmations are taken as the event loop comes round, as between
        // two ticks of the meter; the client never runs out of room for a sample.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (publisher.waitingCount() > 20)
            runEventsUntil([&] { return publisher.waitingCount() == 0; }, 5s);
    }
    if (!micros.empty()) {
        state.counters["median_us"] = percentile(micros, 0.5);
        state.counters["p99_us"] = percentile(micros, 0.99);
        state.counters["max_us"] = *std::max_element(micros.begin(), micros.end());
    }
}
BENCHMARK(BM_SampleToSubscriberOverLoopback)->ArgName("qos")->Arg(0)->Arg(1)->Arg(2)->Iterations(300)
    ->Unit(benchmark::kMillisecond);

} // namespace
