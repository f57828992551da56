#pragma once
// Builds memory images of the meter's logger for tests and benchmarks.

#include <QByteArray>
#include <array>
#include <cstdint>
#include <vector>

struct DataSetSpec {
    std::uint8_t flags = 0x00;
    // year, month, day, hour, minute, second, interval minutes, interval seconds
    std::array<std::uint8_t, 8> stamp{0x24, 0x03, 0x15, 0x10, 0x20, 0x30, 0x00, 0x30};
    std::vector<std::array<std::uint16_t, 4>> records;
    std::uint8_t marker0 = 0xA5;
    std::uint8_t marker1 = 0x5A;
};

inline QByteArray buildImage(const std::vector<DataSetSpec>& sets, int countField = -1, int padTo64 = true)
{
    QByteArray image(257, '\0');
    const int count = countField < 0 ? static_cast<int>(sets.size()) : countField;
    image[9] = static_cast<char>(count >> 8);
    image[10] = static_cast<char>(count & 0xFF);
    for (const DataSetSpec& s : sets) {
        image.append(static_cast<char>(s.marker0));
        image.append(static_cast<char>(s.marker1));
        image.append(static_cast<char>(s.flags));
        for (std::uint8_t b : s.stamp)
            image.append(static_cast<char>(b));
        const auto n = static_cast<std::uint32_t>(s.records.size());
        image.append(static_cast<char>(n >> 16));
        image.append(static_cast<char>(n >> 8));
        image.append(static_cast<char>(n));
        for (const auto& r : s.records)
            for (std::uint16_t w : r) {
                image.append(static_cast<char>(w >> 8));
                image.append(static_cast<char>(w & 0xFF));
            }
        image.append(2, '\0');
    }
    const int length = image.size();
    image[11] = static_cast<char>(length >> 16);
    image[12] = static_cast<char>(length >> 8);
    image[13] = static_cast<char>(length);
    if (padTo64)
        image.append((64 - image.size() % 64) % 64, '\xFF');
    return image;
}

// A data set of n records whose readings count up from `first` in tenths.
inline DataSetSpec countingSet(int n, std::uint16_t first = 0)
{
    DataSetSpec s;
    for (int r = 0; r < n; ++r) {
        const auto base = static_cast<std::uint16_t>(first + 4 * r);
        s.records.push_back({base, std::uint16_t(base + 1), std::uint16_t(base + 2), std::uint16_t(base + 3)});
    }
    return s;
}
