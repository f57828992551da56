// The alarm rule on sequences of samples, as a run feeds it: which alarms
// begin and end, on which sample, with which reading and limit.
#include "alarm/AlarmRule.h"

#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>
#include <cmath>
#include <limits>

namespace {

constexpr TDateTime Start = 46143.5;

// Sample i of a case is taken at Start + i seconds, so an event names its sample.
int sampleIndex(TDateTime time)
{
    return int(std::lround((time - Start) / DateTime::OneSecond));
}

QString number(const std::optional<double>& value)
{
    return value ? QString::number(*value) : QStringLiteral("-");
}

// "ALARM T1 high 26.4/26 @2": begins or ends, channel, kind, reading ("OL"
// when the channel read OL, "-" when none), limit ("-" when none), the sample.
QString describe(const AlarmEvent& e)
{
    return QStringLiteral("%1 T%2 %3 %4/%5 @%6")
        .arg(e.begins ? QStringLiteral("ALARM") : QStringLiteral("CLEAR"))
        .arg(e.channel + 1)
        .arg(alarmKindText(e.kind), e.overRange ? QStringLiteral("OL") : number(e.reading), number(e.limit))
        .arg(sampleIndex(e.time));
}

// One step of a case: "T1=26.4 T3=OL" (unnamed channels read 20.0, in °C;
// "F" first for a frame in °F, "nan" for a reading that is not a number),
// "lost" or "found" for the link.
void feed(AlarmRule& rule, const QString& step, int index)
{
    const TDateTime time = Start + index * DateTime::OneSecond;
    if (step == QLatin1String("lost"))
        return rule.linkLost(time);
    if (step == QLatin1String("found"))
        return rule.linkFound(time);
    AlarmSample sample;
    sample.time = time;
    sample.readings = {20.0f, 20.0f, 20.0f, 20.0f};
    static const QRegularExpression reading(QStringLiteral("^T([1-4])=(.+)$"));
    for (const QString& word : step.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (word == QLatin1String("F")) {
            sample.unit = TemperatureUnit::Fahrenheit;
            continue;
        }
        const QRegularExpressionMatch m = reading.match(word);
        ASSERT_TRUE(m.hasMatch()) << word.toStdString();
        const int c = m.captured(1).toInt() - 1;
        if (m.captured(2) == QLatin1String("OL")) {
            sample.readings[size_t(c)] = 3276.7f;  // what the meter sends beyond its range
            sample.overRange |= std::uint8_t(1u << c);
        } else if (m.captured(2) == QLatin1String("nan")) {
            sample.readings[size_t(c)] = std::numeric_limits<float>::quiet_NaN();
        } else {
            sample.readings[size_t(c)] = m.captured(2).toFloat();  // as the decoder makes it: a float
        }
    }
    rule.takeSample(sample);
}

AlarmSettings limits(std::initializer_list<std::tuple<int, std::optional<double>, std::optional<double>>> channels,
                     double hysteresis = AlarmSettings::DefaultHysteresis, int delay = 0,
                     std::optional<TemperatureUnit> unit = TemperatureUnit::Celsius)
{
    AlarmSettings s;
    for (const auto& [channel, high, low] : channels)
        s.limits[size_t(channel - 1)] = {high, low};
    s.hysteresis = hysteresis;
    s.delaySamples = delay;
    s.unit = unit;
    return s;
}

struct RuleCase {
    const char* name;
    AlarmSettings settings;
    QStringList steps;
    QStringList events;
};

std::ostream& operator<<(std::ostream& os, const RuleCase& c)
{
    return os << c.name;
}

const std::optional<double> None;
constexpr auto F = TemperatureUnit::Fahrenheit;

const RuleCase Cases[] = {
    {"HighBeginsAboveTheLimitAndEndsBelowItLessTheHysteresis",
     limits({{1, 26.0, None}}),
     {"T1=25.9", "T1=26.0", "T1=26.1", "T1=25.6", "T1=25.5", "T1=25.4", "T1=26.0", "T1=26.2"},
     {"ALARM T1 high 26.1/26 @2", "CLEAR T1 high 25.4/26 @5", "ALARM T1 high 26.2/26 @7"}},
    {"LowMirrorsHigh",
     limits({{2, None, -18.0}}),
     {"T2=-17.9", "T2=-18.0", "T2=-18.1", "T2=-17.6", "T2=-17.5", "T2=-17.4"},
     {"ALARM T2 low -18.1/-18 @2", "CLEAR T2 low -17.4/-18 @5"}},
    {"AReadingOnALimitIsNotBeyondIt",
     limits({{1, 26.1, 20.3}}, 0.3),
     {"T1=26.1", "T1=20.3", "T1=26.2", "T1=25.8", "T1=25.7"},
     {"ALARM T1 high 26.2/26.1 @2", "CLEAR T1 high 25.7/26.1 @4"}},
    {"AKilnReadingOnALimitIsNotBeyondItThoughItsFloatIs",  // 1200.3f is 1200.30005
     limits({{1, 1200.3, 1000.1}}, 0.3),
     {"T1=1200.3", "T1=1000.1", "T1=1200.4", "T1=1200.0", "T1=1199.9"},
     {"ALARM T1 high 1200.4/1200.3 @2", "CLEAR T1 high 1199.9/1200.3 @4"}},
    {"WithoutHysteresisTheFirstSampleBelowTheLimitEndsIt",
     limits({{1, 26.0, None}}, 0.0),
     {"T1=26.5", "T1=26.0", "T1=25.9"},
     {"ALARM T1 high 26.5/26 @0", "CLEAR T1 high 25.9/26 @2"}},
    {"TheFirstSampleAlreadyBeyondTheLimitBeginsTheAlarm",
     limits({{1, 26.0, None}, {2, None, -18.0}}),
     {"T1=30.0 T2=-25.0"},
     {"ALARM T1 high 30/26 @0", "ALARM T2 low -25/-18 @0"}},
    {"ADelayOfOneSampleIgnoresASpikeOfOne",
     limits({{1, 26.0, None}}, 0.5, 1),
     {"T1=27.0", "T1=25.0", "T1=27.0", "T1=27.5", "T1=28.0"},
     {"ALARM T1 high 27.5/26 @3"}},
    {"ADelayCountsSamplesInARowBeyondTheLimit",
     limits({{2, None, -18.0}}, 0.5, 2),
     {"T2=-19", "T2=-19", "T2=-18", "T2=-19", "T2=-19", "T2=-19"},
     {"ALARM T2 low -19/-18 @5"}},
    {"TheDelayDoesNotHoldUpTheEnd",
     limits({{1, 26.0, None}}, 0.5, 2),
     {"T1=27", "T1=27", "T1=27", "T1=25"},
     {"ALARM T1 high 27/26 @2", "CLEAR T1 high 25/26 @3"}},
    {"AnUnpluggedProbeIsNoReadingNotAQuietFreezer",
     limits({{2, None, -18.0}}),
     {"T2=-19", "T2=OL", "T2=OL", "T2=-19.5", "T2=-17"},
     {"ALARM T2 low -19/-18 @0", "ALARM T2 no reading OL/- @1", "CLEAR T2 no reading -19.5/- @3",
      "CLEAR T2 low -17/-18 @4"}},
    {"AReadingThatIsNoNumberIsNoReading",
     limits({{1, 26.0, None}}),
     {"T1=nan", "T1=21"},
     {"ALARM T1 no reading -/- @0", "CLEAR T1 no reading 21/- @1"}},
    {"AChannelWithoutLimitsRaisesNothing",
     limits({{1, 26.0, None}}),
     {"T2=OL T3=99 T4=nan", "lost", "found"},
     {"ALARM T1 no meter -/- @1", "CLEAR T1 no meter -/- @2"}},
    {"ADelayIgnoresASingleOL",
     limits({{1, 26.0, None}}, 0.5, 1),
     {"T1=OL", "T1=21", "T1=OL", "T1=OL"},
     {"ALARM T1 no reading OL/- @3"}},
    {"AnOLBetweenReadingsBeyondTheLimitBreaksTheirRow",
     limits({{1, 26.0, None}}, 0.5, 1),
     {"T1=27", "T1=OL", "T1=27", "T1=27"},
     {"ALARM T1 high 27/26 @3"}},
    {"NoReadingLeavesAHighAlarmOnUntilAReadingEndsIt",
     limits({{1, 26.0, None}}),
     {"T1=27", "T1=OL", "T1=27", "T1=25"},
     {"ALARM T1 high 27/26 @0", "ALARM T1 no reading OL/- @1", "CLEAR T1 no reading 27/- @2",
      "CLEAR T1 high 25/26 @3"}},
    {"ALostLinkRaisesNoMeterOnEveryWatchedChannelOnce",
     limits({{1, 26.0, None}, {3, None, 5.0}}),
     {"T1=21", "lost", "lost", "found", "found"},
     {"ALARM T1 no meter -/- @1", "ALARM T3 no meter -/- @1", "CLEAR T1 no meter -/- @3",
      "CLEAR T3 no meter -/- @3"}},
    {"ALostLinkBreaksTheRowOfADelay",
     limits({{1, 26.0, None}}, 0.5, 1),
     {"T1=27", "lost", "found", "T1=27", "T1=27"},
     {"ALARM T1 no meter -/- @1", "CLEAR T1 no meter -/- @2", "ALARM T1 high 27/26 @4"}},
    {"AHighAlarmOutlivesALostLink",
     limits({{1, 26.0, None}}),
     {"T1=27", "lost", "found", "T1=27", "T1=25"},
     {"ALARM T1 high 27/26 @0", "ALARM T1 no meter -/- @1", "CLEAR T1 no meter -/- @2", "CLEAR T1 high 25/26 @4"}},
    {"TheMeterTurnedToFahrenheitConvertsTheLimits",
     limits({{1, 26.0, None}, {2, None, -18.0}}),
     {"T1=25 T2=-17", "F T1=78.8 T2=-0.4", "F T1=78.9 T2=-0.5"},
     {"ALARM T1 high 78.9/78.8 @2", "ALARM T2 low -0.5/-0.4 @2"}},
    {"TheHysteresisIsConvertedWithTheLimits",
     limits({{1, 26.0, None}}),
     {"T1=26.4", "F T1=79.0", "F T1=77.9", "F T1=77.8"},
     {"ALARM T1 high 26.4/26 @0", "CLEAR T1 high 77.8/78.8 @3"}},
    {"LimitsSetInFahrenheitOnAMeterShowingCelsius",
     limits({{1, 78.8, None}}, 0.9, 0, F),
     {"T1=26.0", "T1=26.1", "T1=25.6", "T1=25.4"},
     {"ALARM T1 high 26.1/26 @1", "CLEAR T1 high 25.4/26 @3"}},
    {"LimitsWithoutAUnitAreInTheUnitOfTheFirstSample",
     limits({{1, 26.0, None}}, 0.5, 0, std::nullopt),
     {"F T1=27", "F T1=25", "T1=-3.4", "T1=-3.2"},
     {"ALARM T1 high 27/26 @0", "CLEAR T1 high 25/26 @1", "ALARM T1 high -3.2/-3.33333 @3"}},
};

class AlarmRuleTable : public ::testing::TestWithParam<RuleCase> {};

TEST_P(AlarmRuleTable, SamplesGiveTheseEvents)
{
    const RuleCase& c = GetParam();
    AlarmRule rule(c.settings);
    QStringList heard;
    QObject::connect(&rule, &AlarmRule::alarm, [&](const AlarmEvent& e) { heard << describe(e); });
    for (int i = 0; i < c.steps.size(); ++i)
        feed(rule, c.steps[i], i);
    EXPECT_EQ(heard.join(QLatin1Char('\n')).toStdString(), c.events.join(QLatin1Char('\n')).toStdString());
}

INSTANTIATE_TEST_SUITE_P(Sequences, AlarmRuleTable, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- the meter's unit --------------------------------------------------------------------------

TEST(AlarmRuleUnit, SaysWhenItConvertedTheLimitsAndNeverDriftsOverRoundTrips)
{
    AlarmRule rule(limits({{1, 78.9, None}}, 0.9, 0, F));
    QList<TemperatureUnit> said;
    QObject::connect(&rule, &AlarmRule::limitsConverted, [&](TemperatureUnit u) { said << u; });
    for (int i = 0; i < 40; ++i)
        feed(rule, i % 2 ? QStringLiteral("F T1=70") : QStringLiteral("T1=20"), i);
    // Every change of the meter's unit is said; the first sample in the
    // limits' own unit is not a change.
    ASSERT_EQ(said.size(), 40);
    EXPECT_EQ(said.front(), TemperatureUnit::Celsius);
    EXPECT_EQ(said.back(), TemperatureUnit::Fahrenheit);
    // Converted each time from the limits as set, not from the last conversion.
    EXPECT_EQ(*rule.limitsInForce().limits[0].high, 78.9);
    EXPECT_EQ(rule.limitsInForce().hysteresis, 0.9);
    EXPECT_EQ(rule.settings(), limits({{1, 78.9, None}}, 0.9, 0, F));
}

TEST(AlarmRuleUnit, LimitsWithoutAUnitTakeTheFirstSamplesQuietly)
{
    AlarmRule rule(limits({{1, 26.0, None}}, 0.5, 0, std::nullopt));
    int said = 0;
    QObject::connect(&rule, &AlarmRule::limitsConverted, [&] { ++said; });
    feed(rule, QStringLiteral("T1=20"), 0);
    EXPECT_EQ(said, 0);
    EXPECT_EQ(rule.limitsInForce().unit, TemperatureUnit::Celsius);
    feed(rule, QStringLiteral("F T1=70"), 1);
    EXPECT_EQ(said, 1);
    EXPECT_NEAR(*rule.limitsInForce().limits[0].high, 78.8, 1e-9);
}

// ---- limits changed during a run --------------------------------------------------------------

TEST(AlarmRuleSettings, LimitsTakenAwayEndTheirAlarmsAndNewOnesCountFromTheNextSample)
{
    AlarmRule rule(limits({{1, 26.0, None}, {2, None, -18.0}}));
    QStringList heard;
    QObject::connect(&rule, &AlarmRule::alarm, [&](const AlarmEvent& e) { heard << describe(e); });
    feed(rule, QStringLiteral("T1=27 T2=-19"), 0);
    feed(rule, QStringLiteral("lost"), 1);
    ASSERT_EQ(heard.size(), 4);
    heard.clear();

    // T1 keeps no limit, T2 a lower one, T3 is watched from now on.
    rule.setSettings(limits({{2, None, -25.0}, {3, 30.0, None}}), Start + 2 * DateTime::OneSecond);
    EXPECT_EQ(heard.join(QLatin1Char('\n')).toStdString(), "CLEAR T1 high -/26 @2\nCLEAR T1 no meter -/- @2\nALARM T3 no meter -/- @2");
    heard.clear();
    // T2's low alarm was on and stays on until a reading above the new limit and its hysteresis.
    feed(rule, QStringLiteral("found"), 3);
    feed(rule, QStringLiteral("T1=40 T2=-24.6"), 4);
    feed(rule, QStringLiteral("T2=-24.4"), 5);
    EXPECT_EQ(heard.join(QLatin1Char('\n')).toStdString(), "CLEAR T2 no meter -/- @3\nCLEAR T3 no meter -/- @3\nCLEAR T2 low -24.4/-25 @5");
    EXPECT_FALSE(rule.inAlarm(0));
}

TEST(AlarmRuleSettings, ResetForgetsEveryAlarmWithoutEvents)
{
    AlarmRule rule(limits({{1, 26.0, None}}, 0.5, 1));
    int events = 0;
    QObject::connect(&rule, &AlarmRule::alarm, [&] { ++events; });
    feed(rule, QStringLiteral("T1=27"), 0);
    feed(rule, QStringLiteral("T1=27"), 1);
    ASSERT_EQ(events, 1);
    EXPECT_TRUE(rule.isActive(0, AlarmKind::High));
    rule.reset();
    EXPECT_EQ(events, 1);
    EXPECT_FALSE(rule.inAlarm(0));
    // A new run: the delay counts again from its first sample.
    feed(rule, QStringLiteral("T1=27"), 3);
    EXPECT_EQ(events, 1);
    feed(rule, QStringLiteral("T1=27"), 4);
    EXPECT_EQ(events, 2);
}

} // namespace
