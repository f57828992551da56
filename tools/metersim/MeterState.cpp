#include "MeterState.h"

#include <cmath>

namespace metersim {

namespace {

std::uint8_t bcd(int value)
{
    return std::uint8_t(((value / 10) % 10) << 4 | (value % 10));
}

double inUnit(double celsius, bool showCelsius)
{
    return showCelsius ? celsius : celsius * 9.0 / 5.0 + 32.0;
}

void putWord(QByteArray& frame, int offset, std::uint16_t word)
{
    frame[offset] = char(word >> 8);
    frame[offset + 1] = char(word & 0xFF);
}

// Date stamp MM-DD and time stamp HH:MM; 0xFF marks "no stamp".
void putStamps(QByteArray& frame, int offset, const QDateTime& at)
{
    if (!at.isValid()) {
        for (int i = 0; i < 4; ++i)
            frame[offset + i] = char(0xFF);
        return;
    }
    frame[offset] = char(bcd(at.date().month()));
    frame[offset + 1] = char(bcd(at.date().day()));
    frame[offset + 2] = char(bcd(at.time().hour()));
    frame[offset + 3] = char(bcd(at.time().minute()));
}

} // namespace

void MeterState::advance(const QDateTime& now)
{
    const double t = double(step++);
    probes[0] = 23.5 + 2.0 * std::sin(t / 10.0);
    probes[1] = 21.0 + 1.5 * std::cos(t / 13.0);
    probes[2] = -12.3 + 0.5 * std::sin(t / 7.0);
    probes[3] = 100.2 + 3.0 * std::sin(t / 17.0);
    if (!hold)
        shown = probes;
    if (mode == 0)
        return;
    const double t1 = probes[0];
    if (count == 0 || t1 > maxC) {
        maxC = t1;
        maxAt = now;
    }
    if (count == 0 || t1 < minC) {
        minC = t1;
        minAt = now;
    }
    sumC += t1;
    ++count;
}

void MeterState::nextMode(const QDateTime& now)
{
    if (mode == 0) {
        // Entering the statistics modes starts them afresh.
        count = 0;
        sumC = 0;
        maxC = minC = probes[0];
        maxAt = minAt = avgSince = now;
        mode = 1;
        return;
    }
    mode = mode % 4 + 1;
}

std::uint16_t encodeReading(double degrees, int model)
{
    const long tenths = std::lround(degrees * 10.0);
    if (tenths >= 0)
        return std::uint16_t(tenths & 0x7FFF);
    if (model == 612)
        return std::uint16_t(0x8000 | ((-tenths) & 0x7FFF));
    return std::uint16_t(65536 + tenths);
}

QByteArray buildLiveFrame(const MeterState& s, int model)
{
    QByteArray frame(33, '\0');
    frame[0] = 0x02;
    frame[1] = char((s.mode & 0x07) | (s.celsius ? 0x08 : 0) | (s.recording ? 0x10 : 0) | (s.t1t2 ? 0x20 : 0)
                    | (s.hold ? 0x40 : 0));
    frame[2] = char((s.battery & 0x03) | (s.memoryFull ? 0x40 : 0) | (s.autoOff ? 0x80 : 0));
    const auto shown = [&](double c) { return encodeReading(inUnit(c, s.celsius), model); };
    putWord(frame, 3, shown(s.shown[0]));
    putWord(frame, 5, shown(s.shown[1]));
    // A difference converts without the 32-degree offset.
    const auto difference = [&](double c) { return encodeReading(s.celsius ? c : c * 9.0 / 5.0, model); };
    putWord(frame, 7, s.t1t2 ? difference(s.shown[0] - s.shown[1]) : shown(s.shown[2]));
    putWord(frame, 9, shown(s.shown[3]));
    putWord(frame, 11, 0);
    const bool stats = s.mode != 0 && s.count > 0;
    putWord(frame, 13, stats ? shown(s.maxC) : 0);
    putWord(frame, 15, stats ? shown(s.minC) : 0);
    putWord(frame, 17, stats ? shown(s.sumC / s.count) : 0);
    putStamps(frame, 19, stats ? s.maxAt : QDateTime());
    putStamps(frame, 23, stats ? s.minAt : QDateTime());
    putStamps(frame, 27, stats ? s.avgSince : QDateTime());
    std::uint8_t sum = 0;
    for (int i = 1; i <= 30; ++i)
        sum = std::uint8_t(sum + std::uint8_t(frame[i]));
    frame[31] = char(sum);
    frame[32] = 0x03;
    return frame;
}

} // namespace metersim
