// The alarm settings as the program keeps them in its settings file.
#include "alarm/AlarmSettings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString iniText(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

TEST(AlarmSettingsFile, KeepsTheLimitsInTheirGroupAndReadsThemBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TQ612.ini"));
    AlarmSettings a;
    a.limits[0].high = 26.0;
    a.limits[1].low = -18.5;
    a.limits[3] = {80.25, 10.0};
    a.hysteresis = 0.3;
    a.delaySamples = 2;
    a.unit = TemperatureUnit::Fahrenheit;
    {
        QSettings s(path, QSettings::IniFormat);
        s.setValue(QStringLiteral("RealTimeRate"), 2);
        s.beginGroup(QStringLiteral("Alarms"));
        s.setValue(QStringLiteral("T1Low"), QStringLiteral("5"));  // an older limit, since taken away
        s.endGroup();
        a.save(s);
    }
    EXPECT_EQ(iniText(path), QStringLiteral("[General]\nRealTimeRate=2\n\n"
                                            "[Alarms]\nDelay=2\nHysteresis=0.3\nT1High=26\nT2Low=-18.5\n"
                                            "T4High=80.25\nT4Low=10\nUnit=F\n"));
    QSettings s(path, QSettings::IniFormat);
    EXPECT_EQ(AlarmSettings::load(s), a);
}

// A value that is missing or no number of its kind leaves its default alone.
struct BadValue {
    const char* key;
    const char* text;
};

class AlarmSettingsBadValue : public ::testing::TestWithParam<BadValue> {};

TEST_P(AlarmSettingsBadValue, LeavesItsDefault)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("TQ612.ini"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("[Alarms]\nT2High=30\n%1=%2\n").arg(QLatin1String(GetParam().key), QLatin1String(GetParam().text)).toUtf8());
    }
    QSettings s(path, QSettings::IniFormat);
    AlarmSettings expected;
    expected.limits[1].high = 30.0;
    EXPECT_EQ(AlarmSettings::load(s), expected);
}

INSTANTIATE_TEST_SUITE_P(Values, AlarmSettingsBadValue,
                         ::testing::Values(BadValue{"T1High", "warm"}, BadValue{"T1Low", "nan"},
                                           BadValue{"T1High", "inf"}, BadValue{"Hysteresis", "-0.5"},
                                           BadValue{"Hysteresis", "half"}, BadValue{"Delay", "1.5"},
                                           BadValue{"Delay", "-1"}, BadValue{"Delay", "99999999999"},
                                           BadValue{"Unit", "K"}));

} // namespace
