// Samples at one a second for hours or a week, sped up, through tq612-cli
// live's broker client to a real mosquitto that is restarted (stopped as a
// service manager stops it, started again later on the same port) every hour
// of samples: a subscriber whose session outlives the restarts must get every
// sample, in order, each once after the repeats that QoS 1 allows are set
// aside. The short run belongs to the tests; bench/soak_mqtt.sh runs the week.
#include "MqttBroker.h"
#include "MqttListener.h"

#include "live/LiveSample.h"
#include "mqtt/MqttPublisher.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimeZone>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

int envInt(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

struct SoakPlan {
    int samples = 0;        // one a second of the meter's time
    int restartEvery = 3600;
    int downFor = 60;       // samples taken while the broker is down
    int perMs = 1;          // samples a millisecond: how much faster than the meter
};

struct SoakTally {
    int restarts = 0;
    int restartsWhileSending = 0;  // the client had caught up: it was connected when the broker went
    int deliveredInOrder = 0;  // samples 0 .. n-1 arrived, in this order
    int repeats = 0;           // a sample that had come already
    int gaps = 0;              // a sample came before one it should follow
    int firstMissing = -1;
    int strange = 0;           // a payload that is no sample of this run
};

const QDateTime SoakStart(QDate(2026, 1, 5), QTime(0, 0), QTimeZone::utc());

cli::LiveSample soakSample(int index)
{
    LiveFrame frame;
    frame.T1 = 20.0f + float(index % 100) * 0.1f;
    return {SoakStart.addSecs(index), frame};
}

// The sample a reading names by its time, or -1.
int sampleIndex(const QByteArray& payload)
{
    const qsizetype from = payload.indexOf("\"time\":\"");
    if (from < 0)
        return -1;
    const qsizetype to = payload.indexOf('"', from + 8);
    const QDateTime time = QDateTime::fromString(QString::fromUtf8(payload.mid(from + 8, to - from - 8)), Qt::ISODate);
    return time.isValid() ? int(SoakStart.secsTo(time)) : -1;
}

template <typename Done>
bool runEventsUntil(Done done, std::chrono::milliseconds timeout)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeout.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::usleep(500);
    }
    return true;
}

SoakTally runSoak(const SoakPlan& plan)
{
    SoakTally tally;
    // An unlimited queue for the subscriber: the broker must not drop what it
    // holds for it while it connects again after a restart.
    MqttBroker broker(QStringLiteral("allow_anonymous true\nmax_queued_messages 0\n"));
    if (!broker.start()) {
        ADD_FAILURE() << "mosquitto did not start";
        return tally;
    }
    MqttListener listener(broker.port(), QStringLiteral("soak/readings"),
                          QStringLiteral("tq612-soak-%1").arg(::getpid()));
    if (!listener.waitSubscribed(10s)) {
        ADD_FAILURE() << "the subscriber did not get its subscription";
        return tally;
    }
    cli::mqtt::MqttSettings settings;
    settings.host = QStringLiteral("127.0.0.1");
    settings.port = broker.port();
    settings.topicPrefix = QStringLiteral("soak");
    settings.clientId = settings.meterId = QStringLiteral("tq612-soak");
    cli::mqtt::MqttPublisher publisher(settings);
    publisher.start();

    QElapsedTimer clock;
    clock.start();
    int upAgainAt = -1;
    for (int i = 0; i < plan.samples; ++i) {
        if (i > 0 && i % plan.restartEvery == 0) {
            if (publisher.waitingCount() < 100)
                ++tally.restartsWhileSending;
            broker.stop();
            upAgainAt = i + plan.downFor;
            ++tally.restarts;
        }
        if (i == upAgainAt && !broker.start()) {
            ADD_FAILURE() << "mosquitto did not start again after restart " << tally.restarts;
            return tally;
        }
        publisher.publish(soakSample(i));
        // The meter's pace, sped up; the event loop runs in between.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        while (clock.nsecsElapsed() / 1000000 * plan.perMs < i) {
            QThread::usleep(200);
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
    }
    if (upAgainAt >= plan.samples)
        broker.start();
    bool finished = false;
    QObject::connect(&publisher, &cli::mqtt::MqttPublisher::finished, [&] { finished = true; });
    publisher.finish();
    EXPECT_TRUE(runEventsUntil([&] { return finished; }, 120s)) << publisher.waitingCount() << " readings still wait";

    // Everything the broker took reaches the subscriber, perhaps after a repeat or two.
    QElapsedTimer settle;
    settle.start();
    std::size_t seen = 0;
    for (;;) {
        const auto all = listener.all();
        for (; seen < all.size(); ++seen) {
            const int index = sampleIndex(all[seen].payload);
            if (index < 0 || index >= plan.samples || all[seen].payload != cli::jsonLine(soakSample(index)).toUtf8()) {
                ++tally.strange;
            } else if (index == tally.deliveredInOrder) {
                ++tally.deliveredInOrder;
            } else if (index < tally.deliveredInOrder) {
                ++tally.repeats;
            } else {
                if (tally.gaps++ == 0)
                    tally.firstMissing = tally.deliveredInOrder;
            }
        }
        if (tally.deliveredInOrder >= plan.samples || tally.gaps > 0 || settle.elapsed() > 30000)
            break;
        listener.waitFor(seen + 1, 1s);
    }
    std::printf("mqtt soak: %d samples, %d broker restarts (%d while sending), %d delivered in order, %d repeats set aside, %d gaps "
                "(first missing %d), %d strange, %.1f s\n",
                plan.samples, tally.restarts, tally.restartsWhileSending, tally.deliveredInOrder, tally.repeats, tally.gaps, tally.firstMissing,
                tally.strange, double(clock.elapsed()) / 1000);
    return tally;
}

void expectNoSampleLost(const SoakPlan& plan, const SoakTally& tally)
{
    EXPECT_EQ(tally.restarts, (plan.samples - 1) / plan.restartEvery);
    // A reconnect slowed by a loaded machine may still be under way at a few
    // of a week's restarts; those test the keeping of readings just the same.
    EXPECT_GE(tally.restartsWhileSending * 10, tally.restarts * 9)
        << "nearly every restart found the client connected and sending";
    EXPECT_EQ(tally.deliveredInOrder, plan.samples) << "first missing: " << tally.firstMissing;
    EXPECT_EQ(tally.gaps, 0);
    EXPECT_EQ(tally.strange, 0);
}

} // namespace

// Three hours of samples, an hour being 1500 samples here, at one a
// millisecond: long enough for the client to come back (after 1 s) and catch up.
TEST(MqttSoak, HoursOfSamplesThroughABrokerRestartedEveryHourLoseNone)
{
    if (!MqttBroker::installed())
        GTEST_SKIP() << "mosquitto is not installed";
    const SoakPlan plan{4500, 1500, 50, 1};
    expectNoSampleLost(plan, runSoak(plan));
}

// A week of one-second samples, the broker restarted every hour (3600 samples)
// and away for a minute of samples each time; SOAK_SAMPLES, SOAK_RESTART_EVERY,
// SOAK_DOWN_FOR and SOAK_PER_MS change the plan. bench/soak_mqtt.sh runs it.
TEST(MqttSoak, DISABLED_AWeekOfSamplesThroughABrokerRestartedEveryHourLosesNone)
{
    if (!MqttBroker::installed())
        GTEST_SKIP() << "mosquitto is not installed";
    const SoakPlan plan{envInt("SOAK_SAMPLES", 7 * 24 * 3600), envInt("SOAK_RESTART_EVERY", 3600),
                        envInt("SOAK_DOWN_FOR", 60), envInt("SOAK_PER_MS", 2)};
    expectNoSampleLost(plan, runSoak(plan));
}
