#pragma once
// The meter's 33-byte live frame: checking it, decoding it into a LiveFrame,
// and the reading and stamp encodings shared with the data logger.

#include "link/LiveFrame.h"

#include <QString>
#include <array>
#include <cstdint>

namespace LiveFrameFormat {
inline constexpr int Size = 33;
inline constexpr std::uint8_t Start = 0x02;
inline constexpr std::uint8_t End = 0x03;
}

using LiveFrameBytes = std::array<std::uint8_t, LiveFrameFormat::Size>;

// A reading word in tenths of a degree. With bit 7 of `high` set the value is
// negative: sign and magnitude for model 612, two's complement for 618 (and
// any other model).
int DecodeReading(std::uint8_t high, std::uint8_t low, int meterModel);

// A BCD stamp as text: "12-25" for 0x12 0x25 and '-'; "- - - -" when the
// first byte is above 0x99 (no stamp).
QString StampText(std::uint8_t first, std::uint8_t second, QChar separator);

// True when the bytes carry 0x02 at the start, 0x03 at the end and at offset
// 31 the sum of offsets 1 to 30 modulo 256.
bool IsValidLiveFrame(const std::uint8_t* frame);

// Over-range limits of the frame's unit.
bool IsOverRange(float degrees, bool celsius);

// Decodes a valid frame; OverRange holds the bits of OverRangeFlags.
LiveFrame DecodeLiveFrame(const std::uint8_t* frame, int meterModel);
