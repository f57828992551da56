// The real-time setup dialog: initial texts, the two period forms and the
// rate that may not be 00:00.
#include "realtime/USetupRealtime.h"

#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {
void choose(QComboBox* box, const QString& text)
{
    const int i = box->findText(text);
    box->setCurrentIndex(i);
    emit box->activated(i);
}
} // namespace

TEST(TfrmSetupRealTime, Designed)
{
    TfrmSetupRealTime d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Real-Time Setup"));
    EXPECT_EQ(d.edtRealTimeNo->text().trimmed(), QStringLiteral("2000"));
    EXPECT_EQ(d.ComboBox1->count(), 61);
    EXPECT_EQ(d.ComboBox1->itemText(60), QStringLiteral("60"));
    EXPECT_EQ(d.ComboBox1->currentText(), QStringLiteral("00"));
    EXPECT_EQ(d.ComboBox2->currentText(), QStringLiteral("02"));
    EXPECT_TRUE(d.edtPeriod->isReadOnly());
    EXPECT_TRUE(d.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST(TfrmSetupRealTime, PeriodForms)
{
    struct Case { qint64 seconds; const char* unpadded; const char* padded; };
    const Case cases[] = {{4000, "1:6:40", "1:06:40"}, {59, "0:0:59", "0:00:59"},
                          {99999 * 3660LL, "101665:39:0", "101665:39:00"}};
    for (const Case& c : cases) {
        EXPECT_EQ(TfrmSetupRealTime::unpaddedPeriod(c.seconds), QLatin1String(c.unpadded));
        EXPECT_EQ(TfrmSetupRealTime::paddedPeriod(c.seconds), QLatin1String(c.padded));
    }
}

TEST(TfrmSetupRealTime, OpeningThenChangingTheRate)
{
    TfrmSetupRealTime d;
    d.setRateBoxes(QStringLiteral("00"), QStringLiteral("02"));
    d.showOpeningPeriod(2);
    EXPECT_EQ(d.edtPeriod->text(), QStringLiteral("1:6:40"));

    choose(d.ComboBox2, QStringLiteral("05"));
    EXPECT_EQ(d.edtPeriod->text(), QStringLiteral("2:46:40"));   // 2000 × 5 s

    d.edtRealTimeNo->setText(QStringLiteral("100"));
    emit d.edtRealTimeNo->textEdited(d.edtRealTimeNo->text());  // as typing does
    EXPECT_EQ(d.edtPeriod->text(), QStringLiteral("0:08:20"));   // typing the number: 100 × 5 s
    choose(d.ComboBox1, QStringLiteral("01"));
    EXPECT_EQ(d.edtPeriod->text(), QStringLiteral("1:48:20"));   // 100 × 65 s
}

TEST(TfrmSetupRealTime, ZeroRateBecomesTwoSeconds)
{
    TfrmSetupRealTime d;
    d.setRateBoxes(QStringLiteral("01"), QStringLiteral("00"));
    choose(d.ComboBox1, QStringLiteral("00"));
    EXPECT_EQ(d.ComboBox1->currentText(), QStringLiteral("00"));
    EXPECT_EQ(d.ComboBox2->currentText(), QStringLiteral("02"));
    EXPECT_EQ(d.edtPeriod->text(), QStringLiteral("1:06:40"));

    d.edtRealTimeNo->clear();
    choose(d.ComboBox2, QStringLiteral("03"));
    EXPECT_EQ(d.edtPeriod->text(), QStringLiteral("0:00:00"));   // no number counts as 0
}

// The five digit places show their blanks as spaces, never as underscores.
TEST(TfrmSetupRealTime, NumberFieldShowsBlanksAsSpaces)
{
    struct Case { const char* typed; const char* number; };
    const Case cases[] = {{nullptr, "2000"}, {"", ""}, {"12", "12"}, {"99999", "99999"}};
    for (const Case& c : cases) {
        TfrmSetupRealTime d;
        if (c.typed) {
            d.edtRealTimeNo->clear();
            d.edtRealTimeNo->insert(QLatin1String(c.typed));
        }
        const QString shown = d.edtRealTimeNo->displayText();
        SCOPED_TRACE(shown.toStdString());
        EXPECT_EQ(shown.size(), 5);
        EXPECT_FALSE(shown.contains(QLatin1Char('_')));
        EXPECT_EQ(shown.trimmed(), QLatin1String(c.number));
        EXPECT_EQ(d.edtRealTimeNo->text().trimmed(), QLatin1String(c.number));
    }
}
