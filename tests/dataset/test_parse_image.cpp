// Parsing a memory image into the data set model, and the scratch file.
#include "ImageBuilder.h"

#include "app/DateTime.h"
#include "logger/DataSetModel.h"
#include "logger/LoadResult.h"
#include "support/FakeClock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <functional>

namespace {

TDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    return DateTime::fromQDateTime(QDateTime(QDate(y, mo, d), QTime(h, mi, s)));
}

class ParseImage : public ::testing::Test {
protected:
    FakeClock clock;  // "now" is 10 Dec 2026 10:00:00
    ScopedClock scoped{clock};
    DataSetModel model;

    int parse(const QByteArray& image, int meterModel = 612)
    {
        model.RawImage = image;
        return model.ParseImage(meterModel);
    }
    TDateTime now() const { return DateTime::fromQDateTime(clock.current); }
};

DataSetSpec stamped(std::array<std::uint8_t, 8> stamp, int records = 1)
{
    DataSetSpec s = countingSet(records);
    s.stamp = stamp;
    return s;
}

} // namespace

TEST_F(ParseImage, ResultCodes)
{
    const DataSetSpec good = countingSet(2);
    DataSetSpec badMarker = countingSet(2);
    badMarker.marker1 = 0x5B;
    DataSetSpec badInterval = countingSet(1);
    badInterval.stamp[7] = 0x3A;
    const QByteArray twoSets = buildImage({good, good}, -1, false);

    struct Case {
        const char* what;
        QByteArray image;
        int code;
    };
    const Case cases[] = {
        {"empty image", QByteArray(), LoadResult::Incomplete},
        {"image too short to hold the count", QByteArray(10, '\0'), LoadResult::Incomplete},
        {"no data sets", buildImage({}), LoadResult::NoData},
        {"no data sets in a 256-byte image", buildImage({}).left(256), LoadResult::NoData},
        {"4001 data sets", buildImage({good}, 4001), LoadResult::MemoryError},
        {"count but header cut short", buildImage({good}).left(200), LoadResult::Incomplete},
        {"bad marker", buildImage({good, badMarker}), LoadResult::DataError},
        {"interval seconds not decimal", buildImage({badInterval}), LoadResult::DataError},
        {"count promises more data sets than arrived", buildImage({good}, 2, false), LoadResult::DataError},
        {"data set header passes the end", twoSets.left(257 + 32 + 10), LoadResult::DataError},
        {"records pass the end", twoSets.left(twoSets.size() - 3), LoadResult::DataError},
        {"trailing bytes may be missing", twoSets.left(twoSets.size() - 2), LoadResult::Success},
        {"good image", twoSets, LoadResult::Success},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse(c.image), c.code) << c.what;
}

TEST_F(ParseImage, FailureLeavesModelAndNotesBadDataSet)
{
    ASSERT_EQ(parse(buildImage({countingSet(3), countingSet(5)})), LoadResult::Success);
    const auto readings = model.Readings;
    const auto starts = model.StartTimes;

    std::vector<DataSetSpec> five(5, countingSet(2));
    five[2].marker0 = 0x00;
    const QByteArray bad = buildImage(five);
    EXPECT_EQ(parse(bad), LoadResult::DataError);
    EXPECT_EQ(model.Readings, readings);
    EXPECT_EQ(model.StartTimes, starts);
    EXPECT_EQ(model.dataSetCount(), 2);
    // Two good data sets of 32 bytes each lie before the bad one.
    EXPECT_EQ(model.BadDataSet, 2);
    EXPECT_EQ(model.BadDataSetOffset, 257 + 2 * 32 - 1);

    // The image cut before the bad data set parses to the two good ones,
    // also once the load has emptied RawImage.
    model.RawImage.clear();
    const QByteArray kept = model.imageBeforeBadDataSet();
    EXPECT_EQ(kept.size(), 257 + 2 * 32);
    EXPECT_EQ(kept.left(9), bad.left(9));
    // Its header counts 2 data sets in 321 bytes, so it stands as a collection file.
    EXPECT_EQ(kept.mid(9, 5), QByteArray::fromHex("0002000141"));
    EXPECT_EQ(kept.mid(14), bad.mid(14, kept.size() - 14));
    EXPECT_EQ(parse(kept), LoadResult::Success);
    EXPECT_EQ(model.dataSetCount(), 2);
    EXPECT_TRUE(model.imageBeforeBadDataSet().isEmpty());

    // A bad first data set leaves nothing to keep.
    EXPECT_EQ(parse(buildImage({five[2], countingSet(2)})), LoadResult::DataError);
    EXPECT_EQ(model.BadDataSet, 0);
    EXPECT_TRUE(model.imageBeforeBadDataSet().isEmpty());
}

TEST_F(ParseImage, InvariantsOfTwoDataSets)
{
    DataSetSpec second = countingSet(5, 100);
    second.flags = 0x08;
    second.stamp = {0x25, 0x12, 0x31, 0x23, 0x59, 0x50, 0x01, 0x30};
    ASSERT_EQ(parse(buildImage({countingSet(3), second})), LoadResult::Success);

    EXPECT_EQ(model.dataSetCount(), 2);
    EXPECT_EQ(model.RecordCounts, (std::vector<int>{3, 5}));
    EXPECT_EQ(model.SetStarts, (std::vector<int>{257, 257 + 40}));
    EXPECT_EQ(model.SetEnds, (std::vector<int>{257 + 24 + 15, 297 + 40 + 15}));
    EXPECT_EQ(model.IntervalSecs, (std::vector<int>{30, 90}));
    EXPECT_FALSE(model.isFahrenheit(0));
    EXPECT_TRUE(model.isFahrenheit(1));
    ASSERT_EQ(model.Readings.size(), 32u);
    ASSERT_EQ(model.ReadingTimes.size(), 32u);
    EXPECT_EQ(model.firstReadingIndex(1), 12);

    // Reading 4r + c of data set 2 is channel c + 1 of record r.
    EXPECT_FLOAT_EQ(model.Readings[12], 10.0f);
    EXPECT_FLOAT_EQ(model.Readings[12 + 4 * 2 + 3], 11.1f);
    EXPECT_FLOAT_EQ(model.Readings[31], 11.9f);
    const TDateTime start = at(2025, 12, 31, 23, 59, 50);
    EXPECT_DOUBLE_EQ(model.StartTimes[1], start);
    EXPECT_DOUBLE_EQ(model.ReadingTimes[12], start);
    // The third record is 180 s after the start, on the next day here.
    for (int c = 0; c < 4; ++c)
        EXPECT_NEAR(model.ReadingTimes[12 + 8 + c], at(2026, 1, 1, 0, 2, 50), DateTime::OneSecond / 1000);
}

TEST_F(ParseImage, ZeroRecordDataSet)
{
    ASSERT_EQ(parse(buildImage({countingSet(0), countingSet(2)})), LoadResult::Success);
    EXPECT_EQ(model.SetStarts, (std::vector<int>{257, 273}));
    EXPECT_EQ(model.RecordCounts, (std::vector<int>{0, 2}));
    EXPECT_EQ(model.firstReadingIndex(1), 0);
    EXPECT_EQ(model.Readings.size(), 8u);
}

TEST_F(ParseImage, StartTimeFromBcdStamp)
{
    struct Case {
        const char* what;
        std::array<std::uint8_t, 8> stamp;
        std::function<TDateTime()> expected;
    };
    const Case cases[] = {
        {"year 0x19", {0x19, 0x07, 0x04, 0x08, 0x09, 0x10, 0, 1}, [] { return at(2019, 7, 4, 8, 9, 10); }},
        {"year 0x1A", {0x1A, 0x07, 0x04, 0x08, 0x09, 0x10, 0, 1}, [] { return at(2010, 7, 4, 8, 9, 10); }},
        {"year 0x10", {0x10, 0x07, 0x04, 0x08, 0x09, 0x10, 0, 1}, [] { return at(2010, 7, 4, 8, 9, 10); }},
        {"year 0x1F", {0x1F, 0x07, 0x04, 0x08, 0x09, 0x10, 0, 1}, [] { return at(2015, 7, 4, 8, 9, 10); }},
        {"year 0x0A: this year", {0x0A, 0x07, 0x04, 0x08, 0x09, 0x10, 0, 1}, [] { return at(2026, 7, 4, 8, 9, 10); }},
        {"month 0x1B: this month", {0x24, 0x1B, 0x04, 0x08, 0x09, 0x10, 0, 1}, [] { return at(2024, 12, 4, 8, 9, 10); }},
        {"hour 0x2C: this hour", {0x24, 0x01, 0x04, 0x2C, 0x09, 0x10, 0, 1}, [] { return at(2024, 1, 4, 10, 9, 10); }},
        {"second 0xFF: this second", {0x24, 0x01, 0x04, 0x08, 0x09, 0xFF, 0, 1}, [] { return at(2024, 1, 4, 8, 9, 0); }},
        {"31 April: now", {0x24, 0x04, 0x31, 0x08, 0x09, 0x10, 0, 1}, [] { return at(2026, 12, 10, 10, 0, 0); }},
        {"hour 25: now", {0x24, 0x04, 0x01, 0x25, 0x09, 0x10, 0, 1}, [] { return at(2026, 12, 10, 10, 0, 0); }},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(parse(buildImage({stamped(c.stamp)})), LoadResult::Success) << c.what;
        EXPECT_DOUBLE_EQ(model.StartTimes[0], c.expected()) << c.what;
    }
}

TEST_F(ParseImage, IntervalAndRecordTimes)
{
    ASSERT_EQ(parse(buildImage({stamped({0x24, 1, 1, 0, 0, 0, 0x01, 0x30}, 3)})), LoadResult::Success);
    EXPECT_EQ(model.IntervalSecs[0], 90);
    EXPECT_NEAR(model.ReadingTimes[8] - model.StartTimes[0], 180 * DateTime::OneSecond, 1e-9);
}

TEST_F(ParseImage, ReadingFormsOfBothModels)
{
    DataSetSpec s;
    s.records = {{0x8064, 0x0064, 0xFFFF, 0x8000}};
    const QByteArray image = buildImage({s});
    struct Case { int model; std::array<float, 4> values; };
    const Case cases[] = {
        {612, {-10.0f, 10.0f, -3276.7f, 0.0f}},
        {618, {-3266.8f, 10.0f, -0.1f, -3276.8f}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(parse(image, c.model), LoadResult::Success);
        for (int i = 0; i < 4; ++i)
            EXPECT_FLOAT_EQ(model.Readings[i], c.values[i]) << c.model << " reading " << i;
    }
}

TEST(ScratchFile, WrittenUnderTempAndReplaced)
{
    QTemporaryDir dir;
    const QString docs = dir.path() + QStringLiteral("/TQ612/");
    DataSetModel model;
    model.RawImage = QByteArray("0123456789");
    ASSERT_FALSE(model.WriteScratchFile(6, docs).has_value());
    const QString path = docs + QStringLiteral("temp/DataSetsTemp.tmp");
    EXPECT_EQ(DataSetModel::scratchFilePath(docs), QDir::cleanPath(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("012345"));
    f.close();

    model.RawImage = QByteArray("ab");
    ASSERT_FALSE(model.WriteScratchFile(2, docs).has_value());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("ab"));
}

TEST(ScratchFile, FolderThatCannotBeMadeIsReported)
{
    QTemporaryDir dir;
    // A plain file where the documents folder should be.
    const QString blocker = dir.path() + QStringLiteral("/file");
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    DataSetModel model;
    model.RawImage = QByteArray("x");
    const auto error = model.WriteScratchFile(1, blocker + QLatin1Char('/'));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error, DataSetModel::scratchFolder(blocker + QLatin1Char('/')));
}
