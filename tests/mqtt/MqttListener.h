#pragma once
// A subscriber inside the test or benchmark: a libmosquitto client on its own
// thread that notes each message on one topic with the moment it arrived. Its
// session outlives a broker restart (a persistent session at QoS 1), and it
// connects again by itself when the broker comes back.

#include <mosquitto.h>

#include <QByteArray>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

class MqttListener {
public:
    using Clock = std::chrono::steady_clock;
    struct Arrival {
        Clock::time_point at;
        QByteArray payload;
    };

    // `arrived` is called on the listener's thread after each message is noted.
    MqttListener(int port, const QString& topic, const QString& clientId, std::function<void()> arrived = {})
        : topicName(topic.toUtf8()), onArrival(std::move(arrived))
    {
        mosquitto_lib_init();
        client = mosquitto_new(clientId.toUtf8().constData(), false, this);
        mosquitto_reconnect_delay_set(client, 1, 1, false);
        mosquitto_connect_callback_set(client, [](mosquitto* c, void* self, int rc) {
            auto* me = static_cast<MqttListener*>(self);
            if (rc == 0)
                mosquitto_subscribe(c, &me->subscribeId, me->topicName.constData(), 1);
        });
        mosquitto_subscribe_callback_set(client, [](mosquitto*, void* self, int mid, int, const int*) {
            auto* me = static_cast<MqttListener*>(self);
            std::lock_guard lock(me->mutex);
            if (mid == me->subscribeId)
                me->subscribedOnce = true;
            me->changed.notify_all();
        });
        mosquitto_message_callback_set(client, [](mosquitto*, void* self, const mosquitto_message* m) {
            const auto now = Clock::now();
            auto* me = static_cast<MqttListener*>(self);
            {
                std::lock_guard lock(me->mutex);
                me->received.push_back({now, QByteArray(static_cast<const char*>(m->payload), m->payloadlen)});
                me->changed.notify_all();
            }
            if (me->onArrival)
                me->onArrival();
        });
        mosquitto_connect_async(client, "127.0.0.1", port, 30);
        mosquitto_loop_start(client);
    }
    ~MqttListener()
    {
        mosquitto_disconnect(client);
        mosquitto_loop_stop(client, true);
        mosquitto_destroy(client);
        mosquitto_lib_cleanup();
    }
    MqttListener(const MqttListener&) = delete;
    MqttListener& operator=(const MqttListener&) = delete;

    // Waits until the broker has confirmed the subscription.
    bool waitSubscribed(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return subscribedOnce; });
    }
    // Waits until `count` messages have come; false on timeout.
    bool waitFor(std::size_t count, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return received.size() >= count; });
    }
    std::size_t count()
    {
        std::lock_guard lock(mutex);
        return received.size();
    }
    Arrival at(std::size_t index)
    {
        std::lock_guard lock(mutex);
        return received.at(index);
    }
    std::vector<Arrival> all()
    {
        std::lock_guard lock(mutex);
        return received;
    }

private:
    QByteArray topicName;
    std::function<void()> onArrival;
    mosquitto* client = nullptr;
    int subscribeId = -1;
    std::mutex mutex;
    std::condition_variable changed;
    bool subscribedOnce = false;
    std::vector<Arrival> received;
};
