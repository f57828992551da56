// Graph files at the edges: a graph without points, the pointer of the cross
// tool, and files whose settings or ranges no chart can draw.
#include "app/AppPaths.h"
#include "app/UMain.h"
#include "chart/PESGraph.h"
#include "files/GraphFile.h"
#include "files/OpenGraphFile.h"
#include "graph/UGraph.h"
#include "graph/USetupScale.h"
#include "support/FakePrompts.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

namespace {

const double Start = 46000.5;
const double Second = 1.0 / 86400;

class GraphFileEdges : public ::testing::Test {
protected:
    FakePrompts prompts;
    ScopedPrompts scopedPrompts{prompts};
    QTemporaryDir templateDir;
    AppPaths::ScopedTemplateFolder scopedTemplate{templateDir.path()};
    QTemporaryDir dir;
    TfrmMain main;

    std::unique_ptr<TfrmGraph> makeWindow(int points)
    {
        auto window = std::make_unique<TfrmGraph>(main);
        window->setWindowTitle(QStringLiteral("DataLogger"));
        PrepareGraph(*window->PESGraph1, 4, 50, -10, Start + points * Second, Start, points);
        window->show();
        prompts.messages.clear();
        return window;
    }

    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    // The pointer the plot shows, read from the widget under the mouse.
    static Qt::CursorShape pointerShape(PESGraph& chart)
    {
        for (QWidget* child : chart.findChildren<QWidget*>())
            if (QLatin1String(child->metaObject()->className()) == QLatin1String("QCustomPlot"))
                return child->cursor().shape();
        return Qt::BlankCursor;
    }
};

} // namespace

TEST_F(GraphFileEdges, AGraphWithoutPointsSavesAndOpensAsAnEmptyGraph)
{
    auto window = makeWindow(0);
    ASSERT_EQ(window->PESGraph1->Points(), 0);
    const QString file = path("empty.ghf");
    ASSERT_TRUE(StoreGraphFile(*window->PESGraph1, file));

    TfrmGraph* opened = OpenGraphFile(main, file);
    ASSERT_NE(opened, nullptr) << prompts.messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(opened->PESGraph1->Subsets(), 4);
    EXPECT_EQ(opened->PESGraph1->Points(), 0);
    for (int subset = 0; subset < 4; ++subset)
        EXPECT_TRUE(opened->PESGraph1->plottedData(subset).empty());
}

TEST_F(GraphFileEdges, TheCrossToolsPointerIsSavedWithTheGraph)
{
    auto window = makeWindow(20);
    window->applySplit(false);
    const struct {
        QToolButton* tool;
        int pointer;
        Qt::CursorShape shape;
    } cases[] = {
        {window->ToolButton5, sgCrossCursor, Qt::BitmapCursor},
        {window->ToolButton9, sgTextCursor, Qt::IBeamCursor},
        {window->ToolButton4, sgArrowCursor, Qt::ArrowCursor},
    };
    for (const auto& c : cases) {
        c.tool->click();
        EXPECT_EQ(window->PESGraph1->ArrowCursor(), c.pointer);
        const QString file = path("pointer.ghf");
        ASSERT_TRUE(StoreGraphFile(*window->PESGraph1, file));
        TfrmGraph* opened = OpenGraphFile(main, file);
        ASSERT_NE(opened, nullptr);
        EXPECT_EQ(opened->PESGraph1->ArrowCursor(), c.pointer);
        EXPECT_EQ(pointerShape(*opened->PESGraph1), c.shape) << c.pointer;
    }
}

TEST_F(GraphFileEdges, FilesThatNoChartCanDrawAreRefusedWithTheirPath)
{
    const struct {
        const char* name;
        void (*damage)(ChartState&);
    } cases[] = {
        {"separator.ghf", [](ChartState& s) { s.options.multiAxesSeparators = 1'100'000'000; }},
        {"nan-range.ghf", [](ChartState& s) { s.axis(1).manualMaxY = std::numeric_limits<double>::quiet_NaN(); }},
        {"nan-share.ghf", [](ChartState& s) { s.axis(2).multiAxesProportion = std::numeric_limits<double>::quiet_NaN(); }},
    };
    auto window = makeWindow(20);
    for (const auto& c : cases) {
        ChartState state = window->PESGraph1->state();
        c.damage(state);
        QString error;
        ASSERT_TRUE(GraphFile::writeBlock(path(c.name), state.serialize(), &error));
        prompts.messages.clear();
        EXPECT_EQ(OpenGraphFile(main, path(c.name)), nullptr) << c.name;
        ASSERT_EQ(prompts.messages.size(), 1) << c.name;
        EXPECT_TRUE(prompts.messages[0].contains(QLatin1String(c.name))) << prompts.messages[0].toStdString();
        EXPECT_TRUE(main.MdiArea->subWindowList().isEmpty()) << c.name;
    }
}

TEST_F(GraphFileEdges, TheYAxisDialogShowsRangesNoWholeNumberHoldsAsInvalid)
{
    auto window = makeWindow(20);
    PESGraph& chart = *window->PESGraph1;
    chart.setWorkingAxis(0);
    chart.setManualMinY(std::numeric_limits<double>::quiet_NaN());
    chart.setWorkingAxis(1);
    chart.setManualMaxY(1e300);
    chart.setWorkingAxis(0);

    QString shownMin;
    QString shownMax;
    prompts.dialogs.push_back([&](QDialog& d) {
        auto& dialog = static_cast<TfrmSetupScale&>(d);
        shownMin = dialog.edtT1Min->text();
        shownMax = dialog.edtT2Max->text();
        return int(QDialog::Accepted);
    });
    window->btnChangeScaleClick();
    EXPECT_EQ(shownMin, QStringLiteral("NAN"));
    EXPECT_FALSE(shownMax.contains(QLatin1String("9223372036854775")));
    // Accepting such fields changes nothing: they are reported as invalid.
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].endsWith(QStringLiteral(" is invalid.")));
    chart.setWorkingAxis(1);
    EXPECT_EQ(chart.ManualMaxY(), 1e300);
}
