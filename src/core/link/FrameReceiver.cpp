#include "link/FrameReceiver.h"

#include <algorithm>
#include <cstring>

void FrameReceiver::append(const char* bytes, int count)
{
    if (count <= 0)
        return;
    // Drop consumed bytes before growing, so the buffer stays small.
    if (head > 0 && head >= buffer.size() / 2) {
        buffer.erase(buffer.begin(), buffer.begin() + std::ptrdiff_t(head));
        head = 0;
    }
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes);
    buffer.insert(buffer.end(), p, p + count);
}

std::optional<LiveFrameBytes> FrameReceiver::takeFrame()
{
    while (size() >= LiveFrameFormat::Size) {
        const auto begin = buffer.begin() + std::ptrdiff_t(head);
        const auto start = std::find(begin, buffer.end(), LiveFrameFormat::Start);
        if (start == buffer.end()) {
            clear();
            break;
        }
        if (start != begin) {
            head = std::size_t(start - buffer.begin());
            continue;
        }
        if (IsValidLiveFrame(&*begin)) {
            LiveFrameBytes frame;
            std::memcpy(frame.data(), &*begin, frame.size());
            head += frame.size();
            return frame;
        }
        ++head;  // a false start: only its 0x02 is lost
    }
    if (head == buffer.size())
        clear();
    return std::nullopt;
}

QByteArray FrameReceiver::RxBuffer() const
{
    return QByteArray(reinterpret_cast<const char*>(buffer.data() + head), size());
}

void FrameReceiver::clear()
{
    buffer.clear();
    head = 0;
}
