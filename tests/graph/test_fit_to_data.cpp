// "Fit to data" in the Y axis dialog: each channel's MIN and MAX taken from
// its readings with a little room, confirmed with OK, saved as before.
#include "GraphFixture.h"

#include "app/AppPaths.h"
#include "app/Regional.h"
#include "app/UMain.h"
#include "chart/PESGraph.h"
#include "files/GraphFile.h"
#include "graph/UGraph.h"
#include "graph/USetupScale.h"
#include "support/FakePrompts.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

class FitToData : public GraphFixture {
protected:
    // A graph window on the range -10 .. 50 holding `readings[channel]`, one
    // reading per point; the rest of its 100 points hold no data.
    std::unique_ptr<TfrmGraph> window(const std::array<std::vector<float>, 4>& readings)
    {
        auto w = std::make_unique<TfrmGraph>(main);
        PrepareGraph(*w->PESGraph1, 4, 50, -10, Start + 110 * Second, Start, 100);
        for (int s = 0; s < 4; ++s)
            for (size_t p = 0; p < readings[s].size(); ++p) {
                w->PESGraph1->setXDataII(s, int(p), Start + double(p) * Second);
                w->PESGraph1->setYData(s, int(p), readings[s][p]);
            }
        w->show();
        w->PESGraph1->redrawNow();
        prompts.messages.clear();
        return w;
    }

    // The fields after "Fit to data", as "MIN..MAX" per channel.
    static std::array<QString, 4> fields(const TfrmSetupScale& dialog)
    {
        std::array<QString, 4> out;
        for (int i = 0; i < 4; ++i)
            out[i] = dialog.minField(i)->text() + QStringLiteral("..") + dialog.maxField(i)->text();
        return out;
    }

    static std::pair<double, double> yRange(PESGraph& chart, int axis)
    {
        chart.setWorkingAxis(axis);
        const std::pair<double, double> r{chart.ManualMinY(), chart.ManualMaxY()};
        chart.setWorkingAxis(0);
        return r;
    }
};

} // namespace

TEST_F(FitToData, FillsEachChannelFromItsReadingsAndOkAppliesThem)
{
    // T1 steady, T2 a narrow band, T3 below the range, T4 above it with an
    // over-range reading ("OL", an open probe) that must not count.
    auto w = window({std::vector<float>{25.0f, 25.0f, 25.0f},
                     std::vector<float>{20.0f, 24.5f, 30.0f},
                     std::vector<float>{24.0f, -12.7f, 3.0f},
                     std::vector<float>{20.0f, 103.2f, 3276.7f, 60.0f}});
    PESGraph& chart = *w->PESGraph1;
    ASSERT_EQ(chart.offScaleMarks().size(), 2u);   // T3 and T4 leave the range

    std::array<QString, 4> shown;
    std::array<QString, 4> fitted;
    prompts.dialogs.push_back([&](QDialog& d) {
        auto& dialog = static_cast<TfrmSetupScale&>(d);
        shown = fields(dialog);
        EXPECT_EQ(dialog.btnFitToData->text(), QStringLiteral("Fit to data"));
        EXPECT_TRUE(dialog.btnFitToData->isEnabled());
        dialog.btnFitToData->click();
        fitted = fields(dialog);
        dialog.chkSave->setChecked(true);
        return int(QDialog::Accepted);
    });
    w->btnChangeScaleClick();

    EXPECT_EQ(shown, (std::array<QString, 4>{"-10..50", "-10..50", "-10..50", "-10..50"}));
    // A twentieth of the span on each side, at least one degree, out to whole degrees.
    EXPECT_EQ(fitted, (std::array<QString, 4>{"24..26", "19..31", "-15..26", "15..108"}));
    EXPECT_EQ(yRange(chart, 0), (std::pair<double, double>{24, 26}));
    EXPECT_EQ(yRange(chart, 2), (std::pair<double, double>{-15, 26}));
    EXPECT_EQ(yRange(chart, 3), (std::pair<double, double>{15, 108}));
    chart.redrawNow();
    // Only the over-range reading of T4 still lies outside.
    const auto marks = chart.offScaleMarks();
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].subset, 3);
    EXPECT_EQ(marks[0].text, QStringLiteral("T4 3276") + Regional::decimalPoint() + QStringLiteral("7"));

    // "Save this setting " stores the fitted ranges as the template.
    PESGraph saved;
    ASSERT_TRUE(LoadGraphFile(saved, AppPaths::userTemplateFile()));
    EXPECT_EQ(yRange(saved, 3), (std::pair<double, double>{15, 108}));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(FitToData, KeepsChannelsWithoutReadingsAndCancelChangesNothing)
{
    struct Case {
        const char* name;
        std::array<std::vector<float>, 4> readings;
        bool enabled;
        std::array<QString, 4> fitted;
    };
    const Case cases[] = {
        {"no readings at all", {}, false, {"-10..50", "-10..50", "-10..50", "-10..50"}},
        {"only T2 has readings", {std::vector<float>{}, std::vector<float>{61.0f, 70.0f}}, true,
         {"-10..50", "60..71", "-10..50", "-10..50"}},
        {"T1 only over range", {std::vector<float>{4000.0f, -3001.0f}, std::vector<float>{30.0f}}, true,
         {"-10..50", "29..31", "-10..50", "-10..50"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto w = window(c.readings);
        std::array<QString, 4> fitted;
        prompts.dialogs.push_back([&](QDialog& d) {
            auto& dialog = static_cast<TfrmSetupScale&>(d);
            EXPECT_EQ(dialog.btnFitToData->isEnabled(), c.enabled);
            dialog.btnFitToData->click();
            fitted = fields(dialog);
            return int(QDialog::Rejected);
        });
        w->btnChangeScaleClick();
        EXPECT_EQ(fitted, c.fitted);
        for (int axis = 0; axis < 4; ++axis)
            EXPECT_EQ(yRange(*w->PESGraph1, axis), (std::pair<double, double>{-10, 50}));
    }
}

// Not split, the four channels share one axis: "Fit to data" fits it to the
// readings of all of them, so that none of their lines leaves the plot.
TEST_F(FitToData, FitsTheSharedAxisToEveryChannel)
{
    auto w = window({std::vector<float>{25.0f, 25.0f, 25.0f},
                     std::vector<float>{20.0f, 24.5f, 30.0f},
                     std::vector<float>{24.0f, -12.7f, 3.0f},
                     std::vector<float>{20.0f, 103.2f, 3276.7f, 60.0f}});
    w->chkSplit->click();
    PESGraph& chart = *w->PESGraph1;
    ASSERT_EQ(chart.axisRectCount(), 1);

    std::array<QString, 4> fitted;
    prompts.dialogs.push_back([&](QDialog& d) {
        auto& dialog = static_cast<TfrmSetupScale&>(d);
        dialog.btnFitToData->click();
        fitted = fields(dialog);
        return int(QDialog::Accepted);
    });
    w->btnChangeScaleClick();

    // -12.7 .. 103.2 with a twentieth of the span on each side, out to whole degrees.
    EXPECT_EQ(fitted, (std::array<QString, 4>{"-19..109", "-19..109", "-19..109", "-19..109"}));
    chart.redrawNow();
    EXPECT_EQ(chart.visibleYRange(0), (std::pair<double, double>{-19, 109}));
    // Only the over-range reading of T4 lies outside.
    const auto marks = chart.offScaleMarks();
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].subset, 3);
    EXPECT_EQ(marks[0].side, OffScaleMark::Side::Above);
}
