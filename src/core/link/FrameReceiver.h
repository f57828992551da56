#pragma once
// Cuts 33-byte live frames out of the received byte stream.
//
// Bytes are appended as they arrive; takeFrame() then hands out the valid
// frames in order. A wrong checksum or end byte costs only the start byte
// (the search goes on from the next byte), bytes before a 0x02 are skipped,
// a stream without any 0x02 is dropped once 33 bytes have gathered, and a
// frame cut short waits for the rest.

#include "link/FrameDecoder.h"

#include <QByteArray>
#include <optional>
#include <vector>

class FrameReceiver {
public:
    void append(const char* bytes, int count);
    void append(const QByteArray& bytes) { append(bytes.constData(), int(bytes.size())); }
    // The next valid frame, or nothing while fewer than 33 bytes remain.
    std::optional<LiveFrameBytes> takeFrame();
    // Bytes received and not yet consumed (the program's RxBuffer).
    QByteArray RxBuffer() const;
    int size() const { return int(buffer.size() - head); }
    void clear();

private:
    std::vector<std::uint8_t> buffer;
    std::size_t head = 0;  // consumed bytes at the front, dropped lazily
};
