#include "MemoryImageBuilder.h"

#include <QFile>
#include <cmath>

namespace metersim {

namespace {
void putBigEndian(QByteArray& image, int offset, std::uint32_t value, int size)
{
    for (int i = size - 1; i >= 0; --i) {
        image[offset + i] = char(value & 0xFF);
        value >>= 8;
    }
}
} // namespace

std::uint8_t MemoryImageBuilder::bcd(int value)
{
    return std::uint8_t(((value / 10) % 10) << 4 | (value % 10));
}

std::uint16_t MemoryImageBuilder::encodeReading(double degrees, int model)
{
    const int tenths = int(std::lround(degrees * 10.0));
    if (tenths >= 0)
        return std::uint16_t(tenths & 0x7FFF);
    if (model == 612)
        return std::uint16_t(0x8000 | ((-tenths) & 0x7FFF));
    return std::uint16_t(tenths & 0xFFFF);
}

RecordedDataSet& MemoryImageBuilder::addDataSet(int count, int intervalSecs, bool fahrenheit)
{
    RecordedDataSet set;
    set.intervalSecs = intervalSecs;
    set.fahrenheit = fahrenheit;
    set.start = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)).addSecs(3600 * qint64(dataSets.size()));
    const int base = int(dataSets.size()) * 100;
    for (int r = 0; r < count; ++r) {
        std::array<std::uint16_t, 4> words{};
        for (int c = 0; c < 4; ++c)
            words[c] = encodeReading((base + r * 4 + c) * 0.1 - 20.0, model);
        set.records.push_back(words);
    }
    dataSets.push_back(std::move(set));
    return dataSets.back();
}

int MemoryImageBuilder::dataLength() const
{
    int length = HeaderLength;
    for (const RecordedDataSet& set : dataSets)
        length += 8 * int(set.records.size()) + 16;
    return length;
}

QByteArray MemoryImageBuilder::build() const
{
    const int length = dataLength();
    const int padded = (length + 63) / 64 * 64;
    QByteArray image(padded, char(0xFF));
    image.replace(0, HeaderLength, QByteArray(HeaderLength, '\0'));

    putBigEndian(image, 9, std::uint32_t(dataSetCount.value_or(int(dataSets.size()))), 2);
    putBigEndian(image, 11, std::uint32_t(announcedLength.value_or(length)), 3);
    image[14] = char(bcd(currentIntervalSecs / 60));
    image[15] = char(bcd(currentIntervalSecs % 60));

    int p = HeaderLength;
    for (const RecordedDataSet& set : dataSets) {
        const auto marker = set.marker.value_or(std::array<std::uint8_t, 2>{0xA5, 0x5A});
        image[p + 0] = char(marker[0]);
        image[p + 1] = char(marker[1]);
        image[p + 2] = char(set.fahrenheit ? 0x08 : 0x00);
        const QDate d = set.start.date();
        const QTime t = set.start.time();
        image[p + 3] = char(bcd(d.year() - 2000));
        image[p + 4] = char(bcd(d.month()));
        image[p + 5] = char(bcd(d.day()));
        image[p + 6] = char(bcd(t.hour()));
        image[p + 7] = char(bcd(t.minute()));
        image[p + 8] = char(bcd(t.second()));
        image[p + 9] = char(bcd(set.intervalSecs / 60));
        image[p + 10] = char(bcd(set.intervalSecs % 60));
        const int n = int(set.records.size());
        putBigEndian(image, p + 11, std::uint32_t(n), 3);
        int l = p + 14;
        for (const auto& words : set.records) {
            for (std::uint16_t w : words) {
                putBigEndian(image, l, w, 2);
                l += 2;
            }
        }
        image[l] = 0;
        image[l + 1] = 0;
        p += 8 * n + 16;
    }
    return image;
}

QByteArray MemoryImageBuilder::loadCollectionFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace metersim
