// Date-time conversion, regional text forms and the settings file.
#include "app/DateTime.h"
#include "app/Regional.h"
#include "app/Settings.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cmath>
#include <limits>

TEST(DateTime, KnownDayCounts)
{
    EXPECT_DOUBLE_EQ(DateTime::fromQDateTime(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    EXPECT_DOUBLE_EQ(DateTime::fromQDateTime(QDateTime(QDate(1900, 1, 1), QTime(12, 0))), 2.5);
    const QDateTime t(QDate(2026, 12, 10), QTime(13, 45, 30, 250));
    EXPECT_EQ(DateTime::toQDateTime(DateTime::fromQDateTime(t)), t);
    EXPECT_FALSE(DateTime::toQDateTime(std::numeric_limits<double>::quiet_NaN()).isValid());
}

TEST(Regional, FixedNotation)
{
    struct Case { double v; int decimals; const char* text; };
    const Case cases[] = {
        {30.0, 1, "30.0"}, {-10.0, 1, "-10.0"}, {2500.0, 1, "2500.0"},
        {12.34567, 3, "12.346"}, {-0.04, 1, "0.0"}, {9999, 1, "9999.0"},
    };
    for (const Case& c : cases) {
        QString expected = QString::fromLatin1(c.text);
        expected.replace(QLatin1Char('.'), Regional::decimalPoint());
        EXPECT_EQ(Regional::fixed(c.v, c.decimals), expected) << c.v;
    }
    EXPECT_EQ(Regional::fixed(std::nan(""), 1), QStringLiteral("NAN"));
}

TEST(Regional, DateTimeTextRoundTrips)
{
    const TDateTime t = DateTime::fromQDateTime(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));
    const auto back = Regional::parseDateTime(Regional::dateTimeText(t));
    ASSERT_TRUE(back.has_value());
    EXPECT_NEAR(*back, t, DateTime::OneSecond / 10);
    EXPECT_FALSE(Regional::parseDateTime(QStringLiteral("not a date")).has_value());
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    }
    QTemporaryDir dir;
};

TEST_F(SettingsFile, MissingFileGivesDefaults)
{
    const AppSettings s = AppSettings::load();
    EXPECT_EQ(s.RealTimeRate, 2);
    EXPECT_EQ(s.LastConnectedPort, 0);
    EXPECT_EQ(s.LastConnectedModel, 612);
    EXPECT_EQ(s.AnnoColor, 0);
}

TEST_F(SettingsFile, EachValueFallsBackOnItsOwn)
{
    {
        auto f = AppSettings::open();
        f->setValue("RealTimeRate", "abc");
        f->setValue("LastConnectedPort", 3);
        f->setValue("LastConnectedModel", "99999999999");
        f->setValue("AnnoColor", 255);
    }
    const AppSettings s = AppSettings::load();
    EXPECT_EQ(s.RealTimeRate, 2);
    EXPECT_EQ(s.LastConnectedPort, 3);
    EXPECT_EQ(s.LastConnectedModel, 612);
    EXPECT_EQ(s.AnnoColor, 255);
}

TEST_F(SettingsFile, SaveThenLoadRoundTrips)
{
    AppSettings s;
    s.RealTimeRate = 75;
    s.LastConnectedPort = -1;
    s.LastConnectedModel = 618;
    s.AnnoColor = 0x0000FF;
    ASSERT_TRUE(s.save());
    const AppSettings back = AppSettings::load();
    EXPECT_EQ(back.RealTimeRate, 75);
    EXPECT_EQ(back.LastConnectedPort, -1);
    EXPECT_EQ(back.LastConnectedModel, 618);
    EXPECT_EQ(back.AnnoColor, 0x0000FF);
}

TEST_F(SettingsFile, ThePortNameIsKeptBesideItsIndex)
{
    EXPECT_TRUE(AppSettings::load().LastConnectedPortName.isEmpty());
    AppSettings s;
    s.LastConnectedPort = 2;
    s.LastConnectedPortName = QStringLiteral("/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0");
    ASSERT_TRUE(s.save());
    EXPECT_EQ(AppSettings::load().LastConnectedPortName, s.LastConnectedPortName);
    EXPECT_EQ(AppSettings::open()->value("LastConnectedPort").toInt(), 2) << "the index stays where it was";
}

TEST_F(SettingsFile, RegisteredPortsComeInKeyOrder)
{
    {
        auto f = AppSettings::open();
        f->beginGroup("SerialComm");
        f->setValue("sim2", "/dev/pts/9");
        f->setValue("sim1", "/dev/pts/7");
    }
    EXPECT_EQ(AppSettings::registeredSerialPorts(), (QStringList{"/dev/pts/7", "/dev/pts/9"}));
}
