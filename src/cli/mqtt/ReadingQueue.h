#pragma once
// The readings on their way to the broker, oldest first. A reading leaves the
// queue only when the broker has taken it; a lost connection puts every
// reading handed out but not taken back in line, in order. Past `bound`
// readings the oldest are dropped and counted.

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

namespace cli::mqtt {

class ReadingQueue {
public:
    struct Entry {
        std::uint64_t id = 0;
        QByteArray payload;
        QByteArray topic;  // empty: the readings' topic
    };

    explicit ReadingQueue(std::size_t bound);

    void push(QByteArray payload, QByteArray topic = {});
    // The oldest reading not yet handed out, now handed out; nothing when all are.
    std::optional<Entry> takeNext();
    // The broker has taken reading `id`.
    void delivered(std::uint64_t id);
    // The connection is gone: what was handed out goes out again.
    void rewind();

    std::size_t size() const { return entries.size(); }
    bool empty() const { return entries.empty(); }
    std::size_t capacity() const { return bound; }
    // The readings dropped since the last call.
    std::uint64_t takeDroppedCount();
    // The readings dropped, since the queue began, before the broker took them.
    std::uint64_t droppedInAll() const { return droppedEver; }

private:
    struct Slot {
        QByteArray payload;
        QByteArray topic;
        bool delivered = false;
    };
    std::size_t bound;
    std::deque<Slot> entries;
    std::uint64_t frontId = 0;      // the id of entries.front()
    std::size_t handedOut = 0;      // entries [0, handedOut) are with the broker or on their way
    std::uint64_t dropped = 0;
    std::uint64_t droppedEver = 0;
};

} // namespace cli::mqtt
