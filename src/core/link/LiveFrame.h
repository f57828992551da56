#pragma once
// One decoded live frame of the meter: what its display shows right now.

#include <QString>
#include <array>
#include <cstdint>

struct LiveFrame {
    int Mode = 0;            // 0 normal, 1 MAX, 2 MIN, 3 MAX and MIN blinking, 4 AVG; 5-7 no mode
    bool Celsius = true;
    bool Recording = false;  // REC: the meter is logging into its memory
    bool T1T2 = false;       // T3's place shows T1 - T2
    bool Hold = false;
    int Battery = 0;         // 0 to 3
    bool MemoryFull = false;
    bool AutoOff = false;
    float T1 = 0, T2 = 0, T3 = 0, T4 = 0;
    float Max = 0, Min = 0, Avg = 0;
    QString MaxDate, MaxTime, MinDate, MinTime, AvgDate, AvgTime;
    // Bit 0-3: T1-T4 over range; bit 4 MAX, bit 5 MIN, bit 6 AVG.
    std::uint8_t OverRange = 0;

    bool overRange(int bit) const { return (OverRange >> bit) & 1; }
};
