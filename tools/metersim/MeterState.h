#pragma once
// What the simulated meter knows and shows: its display state, its four
// probes and the MAX/MIN/AVG statistics of T1, and how that becomes the
// 33-byte live frame.

#include <QByteArray>
#include <QDateTime>
#include <array>
#include <cstdint>

namespace metersim {

struct MeterState {
    int mode = 0;            // 0 normal, 1 MAX, 2 MIN, 3 MAX and MIN, 4 AVG
    bool celsius = true;
    bool recording = false;
    bool t1t2 = false;
    bool hold = false;
    int battery = 3;
    bool memoryFull = false;
    bool autoOff = true;

    // Probe temperatures in degrees Celsius; converted when the meter shows Fahrenheit.
    std::array<double, 4> probes{23.5, 21.0, -12.3, 100.2};
    // What the display shows (frozen while HOLD is on), degrees Celsius.
    std::array<double, 4> shown = probes;

    // T1 statistics since a MAX/MIN/AVG mode was entered.
    double maxC = 0, minC = 0, sumC = 0;
    int count = 0;
    QDateTime maxAt, minAt, avgSince;

    std::uint64_t step = 0;  // frames generated so far; drives the motion

    // Setup: the meter's clock runs this far ahead of the computer's (set
    // by the set-clock frame), and the firmware version it reports for "V".
    qint64 clockOffsetMs = 0;
    std::uint8_t firmwareVersion = 0x21;

    // Moves the probes on by one frame and updates the statistics.
    void advance(const QDateTime& now);
    // Steps the MAX/MIN/AVG key: 0 -> 1 -> 2 -> 3 -> 4 -> 1 ...
    void nextMode(const QDateTime& now);
    void leaveModes() { mode = 0; }
};

// A reading in the model's wire encoding: tenths, high bit for negative values
// (sign and magnitude for 612, two's complement for 618).
std::uint16_t encodeReading(double degrees, int model);

// The live frame for the state, with a valid checksum.
QByteArray buildLiveFrame(const MeterState& state, int model);

} // namespace metersim
