// The graph window under the user's hand: a click places one mark and a drag
// zooms, new marks never overwrite the marks a chart came with, the mouse
// readout hides nothing of the chart, and the save dialog keeps its file type.
#include "GraphFixture.h"

#include "app/AppPaths.h"
#include "app/UMain.h"
#include "chart/PESGraph.h"
#include "files/GraphFile.h"
#include "files/OpenGraphFile.h"
#include "files/SaveGraph.h"
#include "graph/UGraph.h"
#include "graph/UGraphStatistics.h"
#include "support/FakePrompts.h"
#include "support/MainGraphHost.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMdiArea>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

namespace {

class GraphGestureTest : public GraphFixture {
protected:
    std::unique_ptr<QMdiArea> frame;   // the main window's frame on screen, for the windows it opens

    void showFrame()
    {
        frame.reset(main.MdiArea);
        frame->setParent(nullptr);
        frame->resize(1200, 800);
        frame->show();
    }

    // A graph of 100 points in the single view, where the mark tools work.
    std::unique_ptr<TfrmGraph> makeWindow()
    {
        auto window = std::make_unique<TfrmGraph>(main);
        PrepareGraph(*window->PESGraph1, 4, 50, -10, Start + 110 * Second, Start, 100);
        for (int p = 0; p < 100; ++p)
            for (int c = 0; c < 4; ++c) {
                window->PESGraph1->setXDataII(c, p, Start + p * Second);
                window->PESGraph1->setYData(c, p, float(10 + c + p % 7));
            }
        window->chkSplit->setChecked(false);
        window->applySplit(false);
        window->show();
        prompts.messages.clear();
        return window;
    }

    // Marks the chart holds, by index: type and text.
    static std::map<int, std::pair<int, QString>> marks(const PESGraph& chart)
    {
        std::map<int, std::pair<int, QString>> out;
        for (auto it = chart.state().graphAnnotations.cbegin(); it != chart.state().graphAnnotations.cend(); ++it)
            out[it.key()] = {it->type, it->text};
        return out;
    }
};

// Press, move and release the left button on the chart's drawing surface.
void gesture(PESGraph& chart, QPoint from, QPoint to)
{
    QWidget* plot = chart.findChild<QWidget*>(QStringLiteral("plot"));
    ASSERT_NE(plot, nullptr);
    const auto send = [plot](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(at), QPointF(plot->mapToGlobal(at)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(plot, &e);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

} // namespace

TEST_F(GraphGestureTest, AClickMarksAndADragZoomsNeverBoth)
{
    struct Case {
        const char* name;
        QPoint move;   // from the press to the release
        bool mark;
        bool zoom;
    };
    const Case cases[] = {
        {"still click", {0, 0}, true, false},
        {"click with a slight slip", {3, 2}, true, false},
        {"click at the edge of the tolerance", {5, 3}, true, false},
        {"short drag", {6, 4}, false, true},
        {"long drag", {120, 80}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto window = makeWindow();
        PESGraph& chart = *window->PESGraph1;
        window->ToolButton5->click();   // cross tool
        const auto rangeBefore = chart.visibleXRange();
        const int countBefore = host(main).annotationCount();
        const QPoint from = chart.PlottingArea().center() - QPoint(60, 40);
        gesture(chart, from, from + c.move);

        EXPECT_EQ(host(main).annotationCount(), countBefore + (c.mark ? 1 : 0));
        if (c.mark) {
            EXPECT_EQ(chart.GraphAnnotationType(host(main).annotationCount()), sgAnnotCross);
        }
        EXPECT_EQ(chart.visibleXRange() != rangeBefore, c.zoom);
        EXPECT_EQ(window->UndoZoom->isEnabled(), c.zoom);
    }
}

TEST_F(GraphGestureTest, NewMarksGoAboveTheMarksAChartCameWith)
{
    QTemporaryDir dir;
    // A chart whose marks use indices 4 to 6 and 9.
    const auto markedChart = [](PESGraph& chart) {
        for (int i : {4, 5, 6, 9}) {
            chart.setGraphAnnotationType(i, sgAnnotTextOnly);
            chart.setGraphAnnotationText(i, QStringLiteral("stored %1").arg(i));
            chart.setGraphAnnotationX(i, Start + i * Second);
            chart.setGraphAnnotationY(i, 20);
        }
    };
    struct Case {
        const char* name;
        std::function<TfrmGraph*()> open;   // the window whose chart came with the marks
    };
    // A template brings no marks (its look only), so a graph file is the way marks come with a chart.
    const Case cases[] = {
        {"graph file", [&] {
             auto source = makeWindow();
             markedChart(*source->PESGraph1);
             const QString file = dir.filePath(QStringLiteral("marked.ghf"));
             EXPECT_TRUE(StoreGraphFile(*source->PESGraph1, file));
             showFrame();
             TfrmGraph* opened = OpenGraphFile(main, file);
             if (opened) {
                 opened->chkSplit->setChecked(false);
                 opened->applySplit(false);
             }
             return opened;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host(main).setAnnotationCount(3);   // as at the program's start
        TfrmGraph* window = c.open();
        ASSERT_NE(window, nullptr);
        PESGraph& chart = *window->PESGraph1;
        const auto stored = marks(chart);
        ASSERT_EQ(stored.size(), 4u);

        window->ToolButton5->click();
        chart.setLastMousePosition(chart.PlottingArea().center());
        window->PESGraph1Click();   // a cross
        ShowMaxMinOnGraph(*window);  // four texts

        auto now = marks(chart);
        for (const auto& [index, mark] : stored)
            EXPECT_EQ(now[index], mark) << "stored mark " << index;
        EXPECT_EQ(now[10].first, sgAnnotCross);
        for (int i = 11; i <= 14; ++i)
            EXPECT_TRUE(now[i].second.startsWith(QStringLiteral("T%1 MAX:").arg(i - 10))) << i;
        EXPECT_EQ(host(main).annotationCount(), 14);
    }
}

TEST_F(GraphGestureTest, TheMouseReadoutCoversNothingOfTheChart)
{
    struct Case { const char* name; QSize size; bool title; };
    const Case cases[] = {
        {"wide window", {1175, 612}, false},
        {"narrow window with a title", {420, 400}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto window = makeWindow();
        if (c.title)
            window->PESGraph1->setMainTitle(QStringLiteral("Kiln"));
        window->resize(c.size);
        QApplication::processEvents();
        PESGraph& chart = *window->PESGraph1;
        chart.redrawNow();
        chart.setLastMousePosition(chart.PlottingArea().center());
        window->PESGraph1MouseMove();

        ASSERT_FALSE(window->Panel12->text().isEmpty());
        EXPECT_TRUE(window->Panel12->isVisible());
        const QRect readout(window->Panel12->mapTo(window.get(), QPoint(0, 0)), window->Panel12->size());
        const QRect drawn(chart.mapTo(window.get(), QPoint(0, 0)), chart.size());
        EXPECT_FALSE(readout.intersects(drawn));
        EXPECT_LE(readout.left(), drawn.left() + 2) << "at the chart's left";
        EXPECT_LE(std::abs(readout.bottom() - drawn.top()), 2) << "right above the chart";
    }
}

TEST_F(GraphGestureTest, TheSaveDialogStartsOnTheTypeChosenLast)
{
    QTemporaryDir dir;
    auto window = makeWindow();
    struct Step {
        const char* name;
        QString answer;          // the file chosen; empty: cancelled
        int typeChosen;          // the type the user picks in the dialog
        int startsOn;            // the type the dialog shows when it opens
        const char* suffix;      // what a name typed without extension gets
    };
    const Step steps[] = {
        {"first save", dir.filePath(QStringLiteral("a.TXT")), 2, 1, "GHF"},
        {"after TXT", dir.filePath(QStringLiteral("b.CSV")), 3, 2, "TXT"},
        {"after CSV, cancelled", QString(), 1, 3, "CSV"},
        {"a cancel changes nothing", dir.filePath(QStringLiteral("c.GHF")), 1, 3, "CSV"},
        {"back on GHF", QString(), 1, 1, "GHF"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        prompts.fileRequests.clear();
        prompts.fileNames.clear();
        if (!s.answer.isEmpty())
            prompts.fileNames.push_back(s.answer);
        prompts.fileTypes = {s.typeChosen};
        prompts.dialogs.push_back([](QDialog&) { return int(QDialog::Accepted); });  // the range of a text save
        EXPECT_EQ(host(main).saveGraph(*window->PESGraph1), !s.answer.isEmpty());
        ASSERT_EQ(prompts.fileRequests.size(), 1);
        EXPECT_EQ(prompts.fileRequests[0].filterIndex, s.startsOn);
        EXPECT_EQ(prompts.fileRequests[0].defaultSuffix, QLatin1String(s.suffix));
        prompts.dialogs.clear();
    }
}
