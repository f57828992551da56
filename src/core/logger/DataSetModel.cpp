#include "logger/DataSetModel.h"

#include "app/AppPaths.h"
#include "app/Clock.h"
#include "files/CheckedFileWriter.h"
#include "logger/LoadResult.h"

#include <QDir>
#include <numeric>

namespace {

// The value of a reading word in tenths of a degree. Model 612 codes negative
// values as sign and magnitude, 618 (and any other) as two's complement.
int decodeReadingWord(std::uint8_t high, std::uint8_t low, int meterModel)
{
    const std::uint16_t w = static_cast<std::uint16_t>((high << 8) | low);
    if (!(w & 0x8000))
        return w;
    if (meterModel == 612)
        return -(w & 0x7FFF);
    return static_cast<std::int16_t>(w);
}

// A BCD byte written as two hex digits and read as a decimal number:
// 0x59 is 59; a byte with a digit above 9 is no number.
std::optional<int> bcdValue(std::uint8_t b)
{
    const int high = b >> 4;
    const int low = b & 0x0F;
    if (high > 9 || low > 9)
        return std::nullopt;
    return high * 10 + low;
}

// The year byte counts from 2000; "1A" to "1F" stand for 10 to 15.
std::optional<int> bcdYear(std::uint8_t b)
{
    if (b >= 0x1A && b <= 0x1F)
        return 2000 + 10 + (b - 0x1A);
    const auto v = bcdValue(b);
    if (!v)
        return std::nullopt;
    return 2000 + *v;
}

struct ImageReader {
    const QByteArray& image;
    std::uint8_t at(qsizetype i) const { return static_cast<std::uint8_t>(image[i]); }
    int word(qsizetype i) const { return (at(i) << 8) | at(i + 1); }
    int triple(qsizetype i) const { return (at(i) << 16) | (at(i + 1) << 8) | at(i + 2); }
};

} // namespace

int DataSetModel::ParseImage(int meterModel)
{
    const ImageReader img{RawImage};
    const qsizetype size = RawImage.size();
    clearBadDataSet();
    if (size < 11)
        return LoadResult::Incomplete;
    const int count = img.word(9);
    if (count == 0)
        return LoadResult::NoData;
    if (count > MaxDataSets)
        return LoadResult::MemoryError;
    if (size < HeaderSize)
        return LoadResult::Incomplete;

    const QDateTime now = Clock::current().now();
    const QDate today = now.date();
    const QTime timeNow = now.time();

    DataSetModel parsed;
    qint64 p = HeaderSize;
    for (int k = 0; k < count; ++k) {
        // The header and every record must lie within the bytes received.
        if (p + DataSetHeaderSize > size) {
            noteBadDataSet(k, static_cast<int>(p));
            return LoadResult::DataError;
        }
        const int n = img.triple(p + 11);
        // No image the meter can hold has more than 65,535 records in a data set.
        if (n > 0xFFFF || p + DataSetHeaderSize + qint64(RecordSize) * n > size
            || img.at(p) != 0xA5 || img.at(p + 1) != 0x5A) {
            noteBadDataSet(k, static_cast<int>(p));
            return LoadResult::DataError;
        }
        const auto intervalMinutes = bcdValue(img.at(p + 9));
        const auto intervalSeconds = bcdValue(img.at(p + 10));
        if (!intervalMinutes || !intervalSeconds) {
            noteBadDataSet(k, static_cast<int>(p));
            return LoadResult::DataError;
        }

        const int year = bcdYear(img.at(p + 3)).value_or(today.year());
        const int month = bcdValue(img.at(p + 4)).value_or(today.month());
        const int day = bcdValue(img.at(p + 5)).value_or(today.day());
        const int hour = bcdValue(img.at(p + 6)).value_or(timeNow.hour());
        const int minute = bcdValue(img.at(p + 7)).value_or(timeNow.minute());
        const int second = bcdValue(img.at(p + 8)).value_or(timeNow.second());
        const QDate date(year, month, day);
        const QTime time(hour, minute, second);
        const QDateTime start = date.isValid() && time.isValid() ? QDateTime(date, time) : now;

        parsed.StartTimes.push_back(DateTime::fromQDateTime(start));
        parsed.IntervalSecs.push_back(*intervalMinutes * 60 + *intervalSeconds);
        parsed.RecordCounts.push_back(n);
        parsed.UnitFlags.push_back(img.at(p + 2));
        parsed.SetStarts.push_back(static_cast<int>(p));
        parsed.SetEnds.push_back(static_cast<int>(p + qint64(RecordSize) * n + 15));
        p += qint64(RecordSize) * n + 16;
    }

    const int totalRecords = std::accumulate(parsed.RecordCounts.begin(), parsed.RecordCounts.end(), 0);
    parsed.Readings.reserve(4 * std::size_t(totalRecords));
    parsed.ReadingTimes.reserve(4 * std::size_t(totalRecords));
    for (int k = 0; k < count; ++k) {
        const double step = parsed.IntervalSecs[k] / DateTime::SecondsPerDay;
        const qsizetype first = parsed.SetStarts[k] + DataSetHeaderSize;
        for (int r = 0; r < parsed.RecordCounts[k]; ++r) {
            const double time = parsed.StartTimes[k] + r * step;
            for (int c = 0; c < 4; ++c) {
                const qsizetype l = first + qsizetype(RecordSize) * r + 2 * c;
                parsed.Readings.push_back(static_cast<float>(decodeReadingWord(img.at(l), img.at(l + 1), meterModel) * 0.1));
                parsed.ReadingTimes.push_back(time);
            }
        }
    }

    StartTimes = std::move(parsed.StartTimes);
    IntervalSecs = std::move(parsed.IntervalSecs);
    RecordCounts = std::move(parsed.RecordCounts);
    UnitFlags = std::move(parsed.UnitFlags);
    SetStarts = std::move(parsed.SetStarts);
    SetEnds = std::move(parsed.SetEnds);
    Readings = std::move(parsed.Readings);
    ReadingTimes = std::move(parsed.ReadingTimes);
    return LoadResult::Success;
}

int DataSetModel::firstReadingIndex(int k) const
{
    return 4 * std::accumulate(RecordCounts.begin(), RecordCounts.begin() + k, 0);
}

void DataSetModel::clearBadDataSet()
{
    BadDataSet = -1;
    BadDataSetOffset = -1;
    RejectedImage.clear();
}

void DataSetModel::noteBadDataSet(int index, int start)
{
    BadDataSet = index;
    BadDataSetOffset = start - 1;
    RejectedImage = RawImage;
}

QByteArray DataSetModel::imageBeforeBadDataSet() const
{
    const int length = BadDataSetOffset + 1;
    if (BadDataSet <= 0 || length <= HeaderSize || length > RejectedImage.size())
        return {};
    // The header's data set count and announced length match what is kept,
    // so the image also stands as a collection file of its own.
    QByteArray image = RejectedImage.left(length);
    image[9] = static_cast<char>((BadDataSet >> 8) & 0xFF);
    image[10] = static_cast<char>(BadDataSet & 0xFF);
    image[11] = static_cast<char>((length >> 16) & 0xFF);
    image[12] = static_cast<char>((length >> 8) & 0xFF);
    image[13] = static_cast<char>(length & 0xFF);
    return image;
}

QString DataSetModel::scratchFolder(const QString& documentFolder)
{
    const QString base = documentFolder.isEmpty() ? AppPaths::executableFolder() : documentFolder;
    return QDir(base).filePath(QStringLiteral("temp"));
}

QString DataSetModel::scratchFilePath(const QString& documentFolder)
{
    return QDir(scratchFolder(documentFolder)).filePath(QStringLiteral("DataSetsTemp.tmp"));
}

std::optional<QString> DataSetModel::WriteScratchFile(int count, const QString& documentFolder) const
{
    const QString folder = scratchFolder(documentFolder);
    if (!QDir().mkpath(folder))
        return folder;
    // A half-written scratch file would later be saved as a collection, so
    // the old one is replaced only once the new one is complete.
    const QString path = scratchFilePath(documentFolder);
    QString reason;
    if (!CheckedFile::write(path, RawImage.left(std::max(count, 0)), &reason))
        return path + QStringLiteral(": ") + reason;
    return std::nullopt;
}
