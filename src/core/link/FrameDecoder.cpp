#include "link/FrameDecoder.h"

#include <numeric>

namespace {

float degrees(const std::uint8_t* word, int meterModel)
{
    return float(DecodeReading(word[0], word[1], meterModel) * 0.1);
}

} // namespace

int DecodeReading(std::uint8_t high, std::uint8_t low, int meterModel)
{
    const int word = high * 256 + low;
    if (!(high & 0x80))
        return word;
    if (meterModel == 612)
        return -((high & 0x7F) * 256 + low);
    return word - 65536;
}

QString StampText(std::uint8_t first, std::uint8_t second, QChar separator)
{
    if (first > 0x99)
        return QStringLiteral("- - - -");
    // Built in place: six stamps per frame, so no formatting machinery here.
    static constexpr char Hex[] = "0123456789ABCDEF";
    const QChar text[5] = {QLatin1Char(Hex[first >> 4]), QLatin1Char(Hex[first & 0xF]), separator,
                           QLatin1Char(Hex[second >> 4]), QLatin1Char(Hex[second & 0xF])};
    return QString(text, 5);
}

bool IsValidLiveFrame(const std::uint8_t* frame)
{
    if (frame[0] != LiveFrameFormat::Start || frame[32] != LiveFrameFormat::End)
        return false;
    const std::uint8_t sum = std::accumulate(frame + 1, frame + 31, std::uint8_t(0),
                                             [](std::uint8_t a, std::uint8_t b) { return std::uint8_t(a + b); });
    return frame[31] == sum;
}

bool IsOverRange(float value, bool celsius)
{
    const float lower = celsius ? -200.0f : -328.0f;
    const float upper = celsius ? 1370.0f : 2498.0f;
    return value > upper || value < lower;
}

LiveFrame DecodeLiveFrame(const std::uint8_t* frame, int meterModel)
{
    LiveFrame f;
    const std::uint8_t a = frame[1];
    const std::uint8_t b = frame[2];
    f.Mode = a & 0x07;
    f.Celsius = a & 0x08;
    f.Recording = a & 0x10;
    f.T1T2 = a & 0x20;
    f.Hold = a & 0x40;
    f.Battery = b & 0x03;
    f.MemoryFull = b & 0x40;
    f.AutoOff = b & 0x80;

    f.T1 = degrees(frame + 3, meterModel);
    f.T2 = degrees(frame + 5, meterModel);
    f.T3 = degrees(frame + 7, meterModel);
    f.T4 = degrees(frame + 9, meterModel);
    // Offsets 11 and 12 carry a fifth value that nothing uses.
    f.Max = degrees(frame + 13, meterModel);
    f.Min = degrees(frame + 15, meterModel);
    f.Avg = degrees(frame + 17, meterModel);

    f.MaxDate = StampText(frame[19], frame[20], QLatin1Char('-'));
    f.MaxTime = StampText(frame[21], frame[22], QLatin1Char(':'));
    f.MinDate = StampText(frame[23], frame[24], QLatin1Char('-'));
    f.MinTime = StampText(frame[25], frame[26], QLatin1Char(':'));
    f.AvgDate = StampText(frame[27], frame[28], QLatin1Char('-'));
    f.AvgTime = StampText(frame[29], frame[30], QLatin1Char(':'));

    const float values[7] = {f.T1, f.T2, f.T3, f.T4, f.Max, f.Min, f.Avg};
    f.OverRange = 0;
    for (int bit = 0; bit < 7; ++bit) {
        if (IsOverRange(values[bit], f.Celsius))
            f.OverRange |= std::uint8_t(1u << bit);
    }
    return f;
}
