#include "ReadingQueue.h"

namespace cli::mqtt {

ReadingQueue::ReadingQueue(std::size_t bound) : bound(bound < 1 ? 1 : bound) {}

void ReadingQueue::push(QByteArray payload, QByteArray topic)
{
    entries.push_back({std::move(payload), std::move(topic), false});
    while (entries.size() > bound) {
        if (!entries.front().delivered)
            ++droppedEver;
        entries.pop_front();
        ++frontId;
        ++dropped;
        if (handedOut > 0)
            --handedOut;
    }
}

std::optional<ReadingQueue::Entry> ReadingQueue::takeNext()
{
    while (handedOut < entries.size()) {
        const std::size_t index = handedOut++;
        if (!entries[index].delivered)
            return Entry{frontId + index, entries[index].payload, entries[index].topic};
    }
    return std::nullopt;
}

void ReadingQueue::delivered(std::uint64_t id)
{
    if (id < frontId || id - frontId >= entries.size())
        return;  // dropped already, or taken twice
    entries[std::size_t(id - frontId)].delivered = true;
    while (!entries.empty() && entries.front().delivered) {
        entries.pop_front();
        ++frontId;
        if (handedOut > 0)
            --handedOut;
    }
}

void ReadingQueue::rewind()
{
    handedOut = 0;
}

std::uint64_t ReadingQueue::takeDroppedCount()
{
    const std::uint64_t count = dropped;
    dropped = 0;
    return count;
}

} // namespace cli::mqtt
