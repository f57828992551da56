// The sample object every output of tq612-cli live is made from: its time
// with the UTC offset in force when it was taken, even in the hour the clocks
// go back, and its readings as JSON values.
#include "live/LiveSample.h"
#include "support/LocalZone.h"

#include <QJsonDocument>
#include <cmath>
#include <gtest/gtest.h>

namespace {

QDateTime utc(const char* text)
{
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate).toUTC();
}

} // namespace

TEST(LiveSampleTime, NamesTheMomentWithTheOffsetInForceAroundTheClockChanges)
{
    LocalZone berlin("Europe/Berlin");
    struct Case {
        const char* localTick;  // the wall clock at the sample
        const char* now;        // the moment just after it
        const char* expected;
    };
    const Case cases[] = {
        {"2026-03-29T01:59:59", "2026-03-29T00:59:59.400Z", "2026-03-29T01:59:59+01:00"},
        {"2026-03-29T03:00:00", "2026-03-29T01:00:00.400Z", "2026-03-29T03:00:00+02:00"},
        // 02:30 comes twice on 25 October: first in summer time, then an hour later in winter time.
        {"2026-10-25T02:30:00", "2026-10-25T00:30:00.400Z", "2026-10-25T02:30:00+02:00"},
        {"2026-10-25T02:30:00", "2026-10-25T01:30:00.400Z", "2026-10-25T02:30:00+01:00"},
        {"2026-12-11T12:00:00", "2026-12-11T11:00:00.400Z", "2026-12-11T12:00:00+01:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.now);
        const TDateTime tick =
            DateTime::fromQDateTime(QDateTime::fromString(QString::fromLatin1(c.localTick), Qt::ISODate));
        const cli::LiveSample sample = cli::makeSample(tick, LiveFrame{}, utc(c.now).toLocalTime());
        EXPECT_EQ(cli::timeText(sample.time).toStdString(), c.expected);
        EXPECT_LT(std::abs(sample.time.msecsTo(utc(c.now))), 1000) << "the same moment";
    }
}

TEST(LiveSampleJson, ReadingsAreNumbersOlOrNullAndCsvSaysTheSame)
{
    LiveFrame frame;
    frame.T1 = 21.5f;
    frame.T2 = -3.2f;  // not -3.2000000476837158
    frame.T3 = 1234.5f;
    frame.T4 = std::nanf("");
    frame.OverRange = 0b0100;  // T3 beyond the range
    frame.Celsius = false;
    frame.Hold = true;
    const cli::LiveSample sample{QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::OffsetFromUTC, -5 * 3600), frame};
    EXPECT_EQ(cli::jsonLine(sample).toStdString(), "{\"T1\":21.5,\"T2\":-3.2,\"T3\":\"OL\",\"T4\":null,\"hold\":true,"
                                                   "\"rec\":false,\"time\":\"2026-01-02T03:04:05-05:00\",\"unit\":\"F\"}");
    EXPECT_EQ(cli::csvLine(sample).toStdString(), "2026-01-02T03:04:05-05:00,21.5,-3.2,OL,,F");
}
