// The graph window: shared set-up, clearing, closing, marks, scale and split.
#include "GraphFixture.h"

#include "app/AppPaths.h"
#include "app/UMain.h"
#include "chart/ChartCustomizeDialog.h"
#include "chart/PESGraph.h"
#include "files/GraphFile.h"
#include "files/OpenGraphFile.h"
#include "files/SaveGraph.h"
#include "realtime/RealTimeRecorder.h"
#include "files/UOpenSave.h"
#include "graph/UAnnoEdit.h"
#include "graph/UGraph.h"
#include "graph/USetupScale.h"
#include "panel/UPanel.h"
#include "support/FakePrompts.h"
#include "support/MainGraphHost.h"
#include "support/ProgressCancel.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QMessageBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>
#include <array>
#include <cmath>
#include <memory>

namespace {

class GraphWindowTest : public GraphFixture {
protected:
    std::unique_ptr<TfrmGraph> makeWindow(const QString& caption = QStringLiteral("Real-Time Graph"))
    {
        auto window = std::make_unique<TfrmGraph>(main);
        window->setWindowTitle(caption);
        PrepareGraph(*window->PESGraph1, 4, 50, -10, Start + 110 * Second, Start, 100);
        window->show();
        prompts.messages.clear();
        return window;
    }

    void storeTemplate(void (*style)(PESGraph&))
    {
        PESGraph chart;
        style(chart);
        ASSERT_TRUE(StoreGraphFile(chart, AppPaths::userTemplateFile()));
    }
};

} // namespace

TEST_F(GraphWindowTest, LayoutAndControls)
{
    TfrmGraph window(main);
    EXPECT_EQ(window.size(), QSize(1175, 612));
    EXPECT_EQ(window.ComboBox1->count(), 61);
    EXPECT_EQ(window.ComboBox2->itemText(60), QStringLiteral("60"));
    EXPECT_EQ(window.txtT3Avg->text(), QStringLiteral("***.* "));
    EXPECT_EQ(window.txtDataNo->text(), QStringLiteral("0"));
    EXPECT_TRUE(window.chkSplit->isChecked());
    EXPECT_FALSE(window.UndoZoom->isEnabled());
    ASSERT_EQ(window.Grid2->columnCount(), 6);
    EXPECT_EQ(window.Grid2->rowCount(), 1);
    EXPECT_EQ(window.Grid2->horizontalHeaderItem(3)->text(), QStringLiteral("Rate"));
    EXPECT_EQ(window.Grid2->columnWidth(0), 25);
    EXPECT_EQ(window.Grid2->columnWidth(3), 65);
    EXPECT_EQ(window.btnChangeScale->toolTip(), QStringLiteral("set the maximum and minimum extent of the left y axis."));
}

TEST_F(GraphWindowTest, PrepareGraphWithoutTemplateShowsTheMessageAndSetsDefaults)
{
    PESGraph chart;
    PrepareGraph(chart, 4, 50, -10, Start + 110 * Second, Start, 100);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0],
              QStringLiteral("Can not fine the file ") + QDir::toNativeSeparators(AppPaths::userTemplateFile())
                  + QStringLiteral(" to initialize the graph ,it will use default setting. You can click Graph Option button , then make some change and save."));
    EXPECT_EQ(chart.Points(), 100);
    EXPECT_EQ(chart.YData(3, 99), 9999.0f);
    EXPECT_EQ(chart.XDataII(0, 0), 0.0);
    EXPECT_EQ(chart.SubsetColors(1), 0xFFFF00);
    EXPECT_EQ(chart.GraphForeColor(), 0x008000);
    EXPECT_EQ(chart.MultiAxesSubsets(3), 1);
    EXPECT_EQ(chart.ManualMinX(), Start);
    for (int axis = 0; axis < 4; ++axis) {
        chart.setWorkingAxis(axis);
        EXPECT_EQ(chart.ManualMinY(), -10);
        EXPECT_EQ(chart.ManualMaxY(), 50);
    }
    EXPECT_EQ(chart.axisRectCount(), 4);
}

TEST_F(GraphWindowTest, PrepareGraphWithTemplateKeepsItsLookAndRanges)
{
    storeTemplate([](PESGraph& c) {
        c.setMainTitle(QStringLiteral("My style"));
        c.setSubsetColors(0, 0x00FFFF);
        c.setWorkingAxis(0);
        c.setManualScaleControlY(sgManualMinAndMax);
        c.setManualMinY(0);
        c.setManualMaxY(200);
        c.setManualScaleControlX(sgManualMinAndMax);
        c.setManualMinX(10);
        c.setManualMaxX(20);
    });
    PESGraph chart;
    PrepareGraph(chart, 4, 50, -10, 5, 0, 30);
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(chart.MainTitle(), QStringLiteral("My style"));
    EXPECT_EQ(chart.SubsetColors(0), 0x00FFFF);
    EXPECT_EQ(chart.ManualMaxY(), 200);
    // X minimum 0: the template's X scaling stays.
    EXPECT_EQ(chart.ManualMinX(), 10);
    EXPECT_EQ(chart.ManualMaxX(), 20);
    EXPECT_EQ(chart.Subsets(), 4);
    EXPECT_EQ(chart.Points(), 30);
    EXPECT_EQ(chart.YData(2, 29), 9999.0f);
    EXPECT_TRUE(chart.AllowGraphAnnotHotSpots());
}

TEST_F(GraphWindowTest, ASavedTemplateCarriesTheLookAndLinesButNoMarksIntoLaterGraphs)
{
    // The user's graph: a title, T1 renamed, a text mark and a vertical line, then
    // Y Axis with "save" ticked.
    auto window = makeWindow();
    PESGraph& chart = *window->PESGraph1;
    chart.setMainTitle(QStringLiteral("Oven test"));
    chart.setSubsetLabels(0, QStringLiteral("Oven"));
    chart.setGraphAnnotationX(7, Start + 5 * Second);
    chart.setGraphAnnotationY(7, 22);
    chart.setGraphAnnotationType(7, sgAnnotTextOnly);
    chart.setGraphAnnotationText(7, QStringLiteral("peak here"));
    chart.setVertLineAnnotation(3, Start + 9 * Second);
    chart.setVertLineAnnotationText(3, QStringLiteral("door"));
    chart.setXDataII(0, 0, Start);
    chart.setYData(0, 0, 21.5f);
    window->chkSplit->setChecked(false);
    window->applySplit(false);
    prompts.dialogs.push_back([](QDialog& d) {
        dynamic_cast<TfrmSetupScale&>(d).chkSave->setChecked(true);
        return int(QDialog::Accepted);
    });
    window->btnChangeScaleClick();

    // The file holds the look with the vertical line, without the mark or the reading.
    PESGraph stored;
    ASSERT_TRUE(LoadGraphFile(stored, AppPaths::userTemplateFile()));
    EXPECT_EQ(stored.MainTitle(), QStringLiteral("Oven test"));
    EXPECT_FALSE(stored.hasGraphAnnotation(7));
    EXPECT_EQ(stored.VertLineAnnotation(3), Start + 9 * Second);
    EXPECT_EQ(stored.VertLineAnnotationText(3), QStringLiteral("door"));
    EXPECT_EQ(stored.Points(), 0);

    // Later graphs, and a template an earlier version saved with marks in it.
    const auto later = [this] {
        auto w = makeWindow(QStringLiteral("Data Set 1"));
        w->updateToolsForLayout();  // as every window does once its graph is prepared
        return w;
    };
    const auto fromNewTemplate = later();
    ASSERT_TRUE(StoreGraphFile(chart, AppPaths::userTemplateFile()));
    const auto fromOldTemplate = later();
    for (TfrmGraph* w : {fromNewTemplate.get(), fromOldTemplate.get()}) {
        PESGraph* next = w->PESGraph1;
        EXPECT_EQ(next->MultiAxesProportions(0), 1.0) << "drawn unsplit, as saved";
        EXPECT_FALSE(w->chkSplit->isChecked()) << "the Split box shows the drawn layout";
        EXPECT_EQ(next->MainTitle(), QStringLiteral("Oven test"));
        EXPECT_EQ(next->SubsetLabels(0), QStringLiteral("Oven"));
        EXPECT_TRUE(next->state().graphAnnotations.isEmpty());
        // Vertical lines belong to the look.
        EXPECT_EQ(next->VertLineAnnotation(3), Start + 9 * Second);
        EXPECT_EQ(next->VertLineAnnotationText(3), QStringLiteral("door"));
        EXPECT_EQ(next->YData(0, 0), 9999.0f) << "no reading of the old graph";
    }
}

TEST_F(GraphWindowTest, RestoreDefaultsPutsTheShippedLookBackAfterAsking)
{
    storeTemplate([](PESGraph& c) { c.setMainTitle(QStringLiteral("Oven test")); });
    PESGraph chart;
    ChartCustomizeDialog dialog(chart, nullptr);
    prompts.answers = {QMessageBox::No};
    dialog.btnRestoreDefaults->click();
    EXPECT_TRUE(prompts.answers.empty()) << "it asked first";
    EXPECT_TRUE(QFile::exists(AppPaths::userTemplateFile())) << "No keeps the saved look";

    prompts.answers = {QMessageBox::Yes};
    dialog.btnRestoreDefaults->click();
    EXPECT_FALSE(QFile::exists(AppPaths::userTemplateFile()));
    EXPECT_NE(makeWindow()->PESGraph1->MainTitle(), QStringLiteral("Oven test"));
}

TEST_F(GraphWindowTest, ClearGraphEmptiesDataFieldsAndMarks)
{
    auto window = makeWindow();
    // The real-time graph, holding the one sample of a stopped run.
    main.RealTime->attachRealTimeGraph(*window);
    main.Session.startRun(Start, 100);
    main.Session.TakeSample(Start, {21.5f, 21.5f, 21.5f, 21.5f});
    main.Session.Stop();
    PESGraph& chart = *window->PESGraph1;
    chart.setXDataII(0, 0, Start);
    chart.setYData(0, 0, 21.5f);
    window->txtStartTime->setText(QStringLiteral("start"));
    window->txtDataNo->setText(QStringLiteral("1"));
    window->txtT1Max->setText(QStringLiteral("21.5"));
    ASSERT_EQ(main.Session.SampleCount(), 1);
    host(main).setAnnotationCount(6);
    chart.setGraphAnnotationX(5, Start);
    chart.setGraphAnnotationY(5, 20);
    chart.setGraphAnnotationText(5, QStringLiteral("mark"));

    ClearGraph(*window);
    EXPECT_EQ(chart.XDataII(0, 0), 0.0);
    EXPECT_EQ(chart.YData(0, 0), 9999.0f);
    EXPECT_TRUE(window->txtDataNo->text().isEmpty());
    EXPECT_TRUE(window->txtT1Max->text().isEmpty());
    EXPECT_EQ(window->txtStartTime->text(), QStringLiteral("start"));
    EXPECT_EQ(main.Session.SampleCount(), 0);
    EXPECT_EQ(host(main).annotationCount(), 3);
    EXPECT_EQ(chart.GraphAnnotationX(5), 0.0);
    EXPECT_EQ(chart.GraphAnnotationText(5), QStringLiteral("mark"));
}

TEST_F(GraphWindowTest, CloseQuestionsOfEachUse)
{
    using B = QMessageBox::StandardButton;
    QTemporaryDir saveDir;
    const QString goodFile = saveDir.filePath(QStringLiteral("kept.ghf"));
    const QString unwritable = saveDir.filePath(QStringLiteral("missing/kept.ghf"));
    const QString earlierText = saveDir.filePath(QStringLiteral("earlier.csv"));
    const QByteArray earlierBytes = "an earlier save\r\n";
    // How the Save of a Yes ends: no save asked, file dialog cancelled, saved, write failed,
    // Cancel in the progress of a text save over an earlier file, and for the
    // DataLogger the save choice dialog cancelled.
    enum class Save { NotAsked, Cancelled, Written, Fails, CancelledWhileWriting, ChoiceCancelled };
    const struct {
        const char* caption;
        bool dataSetsUnsaved, realTimeUnsaved;
        QMessageBox::StandardButton answer;
        Save save;
        const char* question;  // null: nothing asked
        bool closes;
        bool realTimeUnsavedAfter;
        int saveDialogs;
    } cases[] = {
        {"DataLogger", true, false, B::Cancel, Save::NotAsked, "Save DataLogger Data ?", false, false, 0},
        {"DataLogger", true, false, B::No, Save::NotAsked, "Save DataLogger Data ?", true, false, 0},
        {"DataLogger", true, false, B::Yes, Save::ChoiceCancelled, "Save DataLogger Data ?", false, false, 0},
        {"DataLogger", true, false, B::Yes, Save::Cancelled, "Save DataLogger Data ?", false, false, 1},
        {"DataLogger", true, false, B::Yes, Save::Written, "Save DataLogger Data ?", true, false, 1},
        {"DataLogger", true, false, B::Yes, Save::CancelledWhileWriting, "Save DataLogger Data ?", false, false, 1},
        {"DataLogger", false, false, B::Yes, Save::NotAsked, nullptr, true, false, 0},
        {"Real-Time Graph", false, true, B::Cancel, Save::NotAsked, "Save Real-Time Graph ?", false, true, 0},
        {"Real-Time Graph", false, true, B::No, Save::NotAsked, "Save Real-Time Graph ?", true, false, 0},
        {"Real-Time Graph", false, true, B::Yes, Save::Cancelled, "Save Real-Time Graph ?", false, true, 1},
        {"Real-Time Graph", false, true, B::Yes, Save::Fails, "Save Real-Time Graph ?", false, true, 1},
        {"Real-Time Graph", false, true, B::Yes, Save::Written, "Save Real-Time Graph ?", true, false, 1},
        {"Real-Time Graph", false, true, B::Yes, Save::CancelledWhileWriting, "Save Real-Time Graph ?", false, true, 1},
        {"Real-Time Graph", false, false, B::Yes, Save::NotAsked, nullptr, true, false, 0},
        {"/tmp/a.ghf", true, true, B::Yes, Save::NotAsked, nullptr, true, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.caption) + " " + std::to_string(int(c.answer)) + " save " + std::to_string(int(c.save)));
        auto window = makeWindow(QString::fromLatin1(c.caption));
        const bool realTime = QString::fromLatin1(c.caption) == QLatin1String("Real-Time Graph");
        if (realTime)
            main.RealTime->attachRealTimeGraph(*window);
        if (QString::fromLatin1(c.caption) == QLatin1String("DataLogger"))
            main.DataLoggerGraph = window.get();   // as a load or an opened collection makes it
        main.DataSetsUnsaved = c.dataSetsUnsaved;
        // A run going on with five samples.
        main.Session.startRun(Start, 100);
        for (int k = 0; k < 5; ++k)
            main.Session.TakeSample(Start + k * Second, {20, 21, 22, 23});
        main.Session.setRealTimeUnsaved(c.realTimeUnsaved);
        prompts.answers = {c.answer};
        prompts.warnings.clear();
        prompts.fileRequests.clear();
        prompts.fileNames.clear();
        prompts.dialogs.clear();
        QFile::remove(goodFile);
        {
            QFile earlier(earlierText);
            ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
            earlier.write(earlierBytes);
        }
        if (c.save == Save::Written)
            prompts.fileNames = {goodFile};
        else if (c.save == Save::Fails)
            prompts.fileNames = {unwritable};
        else if (c.save == Save::CancelledWhileWriting)
            prompts.fileNames = {earlierText};
        if (c.save != Save::ChoiceCancelled && !realTime) {
            // The DataLogger's save choice: this data set as a single file.
            prompts.dialogs = {[](QDialog&) { return int(TfrmOpenSave::OpenSingleSet); }};
        }
        if (c.save == Save::CancelledWhileWriting) {
            // The text save's range: all points.
            prompts.dialogs.push_back([](QDialog& d) {
                dynamic_cast<TfrmScope&>(d).radAll->setChecked(true);
                return 1;
            });
        }
        for (int p = 0; p < 5; ++p)
            for (int s = 0; s < 4; ++s) {
                window->PESGraph1->setXDataII(s, p, Start + p * Second);
                window->PESGraph1->setYData(s, p, 20.0f + float(s));
            }
        ProgressCancel cancel([](const TfrmScope& scope) {
            return scope.mode() == TfrmScope::Mode::Saving && scope.Progress1->value() == 2;
        });

        EXPECT_EQ(window->close(), c.closes);
        EXPECT_EQ(cancel.presses, c.save == Save::CancelledWhileWriting ? 1 : 0);
        QFile earlier(earlierText);
        ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
        EXPECT_EQ(earlier.readAll(), earlierBytes) << "the earlier file keeps its bytes";
        EXPECT_EQ(QDir(saveDir.path()).entryList(QDir::Files | QDir::Hidden).size(), c.save == Save::Written ? 2 : 1)
            << "nothing partial is left";
        if (c.question) {
            ASSERT_EQ(prompts.messages.size(), 1);
            EXPECT_EQ(prompts.messages[0], QLatin1String(c.question));
            // A failed write is reported after the question, as a warning.
            EXPECT_EQ(prompts.warnings.size(), c.save == Save::Fails ? 1 : 0);
        } else {
            EXPECT_TRUE(prompts.messages.isEmpty());
        }
        EXPECT_EQ(prompts.fileRequests.size(), c.saveDialogs);
        EXPECT_EQ(QFileInfo::exists(goodFile), c.save == Save::Written);
        EXPECT_EQ(main.Session.RealTimeUnsaved(), c.realTimeUnsavedAfter);
        if (c.closes) {
            // The DataLogger window's data sets end with it, and only with it.
            EXPECT_EQ(main.DataSetsUnsaved,
                      c.dataSetsUnsaved && QString::fromLatin1(c.caption) != QLatin1String("DataLogger"));
            if (realTime) {
                EXPECT_TRUE(main.RealTimeGraph.isNull());
                EXPECT_FALSE(main.Session.RealTimeRunning());
                EXPECT_EQ(main.Session.SampleCount(), 0);
                EXPECT_FALSE(main.RealTimeGraph1->isChecked());
            }
        } else {
            // Still open: whatever was unsaved stays unsaved, the run goes on.
            EXPECT_TRUE(window->isVisible());
            EXPECT_EQ(main.DataSetsUnsaved, c.dataSetsUnsaved);
            if (realTime) {
                EXPECT_EQ(main.RealTimeGraph.data(), window.get());
                EXPECT_TRUE(main.Session.RealTimeRunning());
                EXPECT_EQ(main.Session.SampleCount(), 5);
            }
        }
        prompts.messages.clear();
    }
}

TEST_F(GraphWindowTest, AnotherGraphClosingKeepsTheDataLoggersQuestion)
{
    ASSERT_TRUE(main.ShowDataLoggerGraph());
    main.DataSetsUnsaved = true;   // fresh from the meter
    auto opened = makeWindow(QStringLiteral("/tmp/a.ghf"));
    EXPECT_TRUE(opened->close());
    EXPECT_TRUE(prompts.messages.isEmpty());

    // The downloaded data sets are still asked for before they go.
    prompts.answers = {QMessageBox::Cancel};
    EXPECT_FALSE(main.DataLoggerGraph->close());
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("Save DataLogger Data ?")});
    EXPECT_TRUE(main.DataSetsUnsaved);
}

TEST_F(GraphWindowTest, ClosingTheMainWindowClosesNoChildWhenOneRefuses)
{
    main.ControlPanel1Click();  // the front panel comes first in the window list
    ASSERT_TRUE(main.FrontPanel);
    ASSERT_TRUE(main.ShowDataLoggerGraph());
    main.DataSetsUnsaved = true;
    prompts.answers = {QMessageBox::Cancel};
    EXPECT_FALSE(main.close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(main.FrontPanel) << "the panel stays open as well";
    EXPECT_TRUE(main.DataLoggerGraph);
    EXPECT_EQ(main.MdiArea->subWindowList().size(), 2);
    EXPECT_TRUE(main.DataSetsUnsaved);

    // Agreed, everything closes, and the question is asked once.
    prompts.messages.clear();
    prompts.answers = {QMessageBox::No};
    EXPECT_TRUE(main.close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("Save DataLogger Data ?")});
    EXPECT_FALSE(main.FrontPanel);
    EXPECT_FALSE(main.DataLoggerGraph);
}

TEST_F(GraphWindowTest, ClearButtonAsksThenClears)
{
    auto window = makeWindow();
    main.Session.setRealTimeUnsaved(true);
    window->PESGraph1->setYData(1, 3, 5);
    prompts.answers = {QMessageBox::No};
    window->tbntClrClick();
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("Save Real-Time Graph ?")});
    EXPECT_TRUE(prompts.fileRequests.isEmpty());
    EXPECT_EQ(window->PESGraph1->YData(1, 3), 9999.0f);
    EXPECT_TRUE(main.Session.RealTimeUnsaved());
}

TEST_F(GraphWindowTest, CrossAndTextMarks)
{
    auto window = makeWindow();
    window->chkSplit->setChecked(false);
    window->applySplit(false);
    PESGraph& chart = *window->PESGraph1;
    const QRect area = chart.PlottingArea();
    ASSERT_TRUE(area.isValid());

    window->ToolButton5->click();
    EXPECT_EQ(host(main).cursorTool(), GraphHost::CursorTool::Cross);
    chart.setLastMousePosition(area.center());
    window->PESGraph1Click();
    EXPECT_EQ(host(main).annotationCount(), 4);
    EXPECT_EQ(chart.GraphAnnotationType(4), sgAnnotCross);
    const QPointF expected = chart.pixelToGraph(area.center() + QPoint(15, 15));
    EXPECT_DOUBLE_EQ(chart.GraphAnnotationX(4), expected.x());
    EXPECT_DOUBLE_EQ(chart.GraphAnnotationY(4), expected.y());

    window->ToolButton9->click();
    prompts.dialogs.push_back([](QDialog& d) {
        static_cast<TfrmAnnoEdit&>(d).Edit1->setText(QStringLiteral("hot"));
        return int(QDialog::Accepted);
    });
    window->PESGraph1Click();
    EXPECT_EQ(host(main).annotationCount(), 5);
    EXPECT_EQ(chart.GraphAnnotationText(5), QStringLiteral("hot"));
    EXPECT_EQ(chart.GraphAnnotationType(5), sgAnnotTextOnly);

    // Outside the plotting area: no dialog, no mark.
    chart.setLastMousePosition(area.bottomRight() + QPoint(5, 5));
    prompts.dialogs.push_back([](QDialog&) { return int(QDialog::Accepted); });
    window->PESGraph1Click();
    EXPECT_EQ(host(main).annotationCount(), 5);
    EXPECT_EQ(prompts.dialogs.size(), 1u);

    // A double click hides a mark; its index is not reused.
    window->PESGraph1GraphAnnotHotSpot(1, 5);
    EXPECT_TRUE(chart.GraphAnnotationText(5).isEmpty());
    window->PESGraph1GraphAnnotHotSpot(0, 4);
    EXPECT_EQ(chart.GraphAnnotationType(4), sgAnnotCross);

    // Recolour every mark including the data point marker.
    window->PESGraph1DataHotSpot(0, 0, 0);
    prompts.colors.push_back(QColor(255, 0, 0));
    window->ToolButton15Click();
    EXPECT_EQ(main.Settings.AnnoColor, 0x0000FF);
    EXPECT_EQ(chart.GraphAnnotationColor(2), 0x0000FF);
    EXPECT_EQ(chart.GraphAnnotationColor(4), 0x0000FF);
}

TEST_F(GraphWindowTest, SplitDisablesTheMarkTools)
{
    auto window = makeWindow();
    window->updateToolsForLayout();
    EXPECT_FALSE(window->ToolButton5->isEnabled());
    window->chkSplit->click();  // unchecked: single view
    EXPECT_EQ(window->PESGraph1->MultiAxesProportions(0), 1.0);
    EXPECT_EQ(window->PESGraph1->axisRectCount(), 1);
    EXPECT_TRUE(window->ToolButton9->isEnabled());
    window->ToolButton9->click();
    window->chkSplit->click();
    EXPECT_EQ(window->PESGraph1->axisRectCount(), 4);
    EXPECT_FALSE(window->ToolButton9->isEnabled());
    EXPECT_EQ(host(main).cursorTool(), GraphHost::CursorTool::Normal);
}

TEST_F(GraphWindowTest, YAxisDialog)
{
    auto window = makeWindow();
    PESGraph& chart = *window->PESGraph1;
    chart.setWorkingAxis(2);
    chart.setManualMinY(-10.5);
    chart.setWorkingAxis(0);

    QString shownMin;
    prompts.dialogs.push_back([&](QDialog& d) {
        auto& dialog = static_cast<TfrmSetupScale&>(d);
        shownMin = dialog.edtT3Min->text();
        dialog.edtT1Min->setText(QStringLiteral("abc"));
        dialog.edtT3Max->setText(QStringLiteral("1.5"));
        return int(QDialog::Accepted);
    });
    window->btnChangeScaleClick();
    EXPECT_EQ(shownMin, QStringLiteral("-10"));
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("abc is invalid.")});
    chart.setWorkingAxis(2);
    EXPECT_EQ(chart.ManualMinY(), -10.5);

    // MIN not below MAX, larger or equal: OK says so and keeps the dialog with
    // what was typed; corrected, OK takes it.
    const struct {
        const char* min;
        const char* max;
    } refused[] = {{"50", "10"}, {"25", "25"}};
    for (const auto& c : refused) {
        SCOPED_TRACE(std::string(c.min) + " / " + c.max);
        prompts.messages.clear();
        QFile::remove(AppPaths::userTemplateFile());
        bool keptOpen = false;
        prompts.dialogs.push_back([&](QDialog& d) {
            auto& dialog = static_cast<TfrmSetupScale&>(d);
            dialog.edtT2Min->setText(QLatin1String(c.min));
            dialog.edtT2Max->setText(QLatin1String(c.max));
            dialog.accept();
            keptOpen = dialog.result() != QDialog::Accepted && dialog.edtT2Min->text() == QLatin1String(c.min)
                && dialog.edtT2Max->text() == QLatin1String(c.max);
            dialog.edtT2Min->setText(QStringLiteral("80"));
            dialog.edtT2Max->setText(QStringLiteral("90"));
            dialog.chkSave->setChecked(true);
            dialog.accept();
            return dialog.result();
        });
        window->btnChangeScaleClick();
        EXPECT_TRUE(keptOpen);
        EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("T2: MIN must be less than MAX.")});
        chart.setWorkingAxis(2);
        EXPECT_EQ(chart.ManualMinY(), -10);  // truncated value set back
        chart.setWorkingAxis(1);
        EXPECT_EQ(chart.ManualMinY(), 80);
        EXPECT_EQ(chart.ManualMaxY(), 90);
        EXPECT_EQ(chart.WorkingAxis(), 1);
        EXPECT_TRUE(QFileInfo::exists(AppPaths::userTemplateFile()));
        chart.setWorkingAxis(1);
        chart.setManualMinY(-10);
        chart.setManualMaxY(50);
        chart.setWorkingAxis(0);
    }
}

TEST_F(GraphWindowTest, GraphOptionKeepsTheXRangeAndOffersTheTemplate)
{
    auto window = makeWindow();
    PESGraph& chart = *window->PESGraph1;
    chart.setWorkingAxis(0);
    chart.setManualMaxY(70);
    chart.setWorkingAxis(3);
    chart.setManualMaxY(20);
    chart.setWorkingAxis(0);
    prompts.dialogs.push_back([](QDialog&) { return int(QDialog::Accepted); });
    prompts.answers = {QMessageBox::Yes};
    window->Button1Click();
    EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("Do you want to save the changes ?")});
    EXPECT_TRUE(QFileInfo::exists(AppPaths::userTemplateFile()));
    EXPECT_EQ(chart.ManualMinX(), Start);
    EXPECT_EQ(chart.ManualMaxX(), Start + 110 * Second);
    chart.setWorkingAxis(3);
    EXPECT_EQ(chart.ManualMaxY(), 20) << "T4 keeps its own range";
}

// T4 on a range of its own (90 to 110) around its readings, the chart zoomed:
// Graph Option closed with Cancel changes nothing; OK keeps each channel's
// range unless the dialog itself changed it, and ends the zoom.
TEST_F(GraphWindowTest, GraphOptionKeepsEachChannelsRangeAndCancelChangesNothing)
{
    using Ranges = std::array<std::pair<double, double>, 4>;
    enum class Answer { Cancel, Ok, OkWithNewRange };
    const struct {
        const char* name;
        Answer answer;
        bool zoomedAfter;
        Ranges after;  // the Y range each plot shows afterwards; unset: as zoomed before
    } cases[] = {
        {"Cancel", Answer::Cancel, true, {}},
        {"OK", Answer::Ok, false, {{{-10, 50}, {-10, 50}, {-10, 50}, {90, 110}}}},
        {"OK with a new range for T1", Answer::OkWithNewRange, false, {{{0, 40}, {-10, 50}, {-10, 50}, {90, 110}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto window = makeWindow();
        PESGraph& chart = *window->PESGraph1;
        chart.setAllowAxisPage(true);
        for (int p = 0; p < 100; ++p) {
            for (int s = 0; s < 4; ++s) {
                chart.setXDataII(s, p, Start + p * Second);
                chart.setYData(s, p, s == 3 ? float(100 + 5 * std::sin(p / 7.0)) : float(20 + s + std::sin(p / 9.0)));
            }
        }
        chart.setWorkingAxis(3);
        chart.setManualMinY(90);
        chart.setManualMaxY(110);
        chart.setWorkingAxis(0);
        chart.redrawNow();
        ASSERT_TRUE(chart.offScaleMarks().empty());
        const QRect area = chart.axisArea(3);
        chart.zoomToPixelRect(QRect(area.left() + area.width() / 4, area.top() + 2, area.width() / 2, area.height() - 4));
        ASSERT_TRUE(window->UndoZoom->isEnabled());
        Ranges zoomed;
        for (int axis = 0; axis < 4; ++axis)
            zoomed[size_t(axis)] = chart.visibleYRange(axis);
        const auto zoomedX = chart.visibleXRange();

        prompts.messages.clear();
        prompts.answers = {QMessageBox::No};
        prompts.dialogs.push_back([&c](QDialog& d) {
            if (c.answer == Answer::Cancel)
                return int(QDialog::Rejected);
            if (c.answer == Answer::OkWithNewRange) {
                auto& dialog = dynamic_cast<ChartCustomizeDialog&>(d);
                dialog.edtYMin->setValue(0);
                dialog.edtYMax->setValue(40);
            }
            return int(QDialog::Accepted);
        });
        window->Button1Click();
        chart.redrawNow();

        EXPECT_EQ(prompts.messages.isEmpty(), c.answer == Answer::Cancel) << "the template is offered after OK only";
        EXPECT_EQ(window->UndoZoom->isEnabled(), c.zoomedAfter);
        EXPECT_EQ(chart.isZoomed(), c.zoomedAfter);
        for (int axis = 0; axis < 4; ++axis) {
            SCOPED_TRACE(axis);
            const auto shown = chart.visibleYRange(axis);
            const auto expected = c.zoomedAfter ? zoomed[size_t(axis)] : c.after[size_t(axis)];
            EXPECT_NEAR(shown.first, expected.first, 1e-9);
            EXPECT_NEAR(shown.second, expected.second, 1e-9);
        }
        if (c.zoomedAfter)
            EXPECT_EQ(chart.visibleXRange(), zoomedX);
        else
            EXPECT_EQ(chart.visibleXRange(), (std::pair<double, double>{Start, Start + 110 * Second}));
        // No line hides behind an off-scale flag.
        if (!c.zoomedAfter)
            EXPECT_TRUE(chart.offScaleMarks().empty());
    }
}

TEST_F(GraphWindowTest, SaveGraphOffersTheFormatsAndWritesGraphFiles)
{
    QTemporaryDir dir;
    auto window = makeWindow();
    EXPECT_EQ(SaveGraphFilter(QLatin1Char(',')),
              QStringLiteral("Graph file(*.ghf,only for TQ612)|*.GHF|TXT file(*.txt,data seperated by tab)|*.TXT"));
    prompts.fileNames = {dir.filePath(QStringLiteral("run.GHF"))};
    EXPECT_TRUE(host(main).saveGraph(*window->PESGraph1));
    ASSERT_EQ(prompts.fileRequests.size(), 1);
    EXPECT_EQ(prompts.fileRequests[0].defaultSuffix, QStringLiteral("GHF"));
    PESGraph loaded;
    ASSERT_TRUE(LoadGraphFile(loaded, dir.filePath(QStringLiteral("run.GHF"))));
    EXPECT_TRUE(loaded.state() == window->PESGraph1->state());
}

TEST_F(GraphWindowTest, OpenGraphFileMakesAWindowOnlyForGoodFiles)
{
    QTemporaryDir dir;
    auto source = makeWindow();
    source->applySplit(false);
    const QString good = dir.filePath(QStringLiteral("single.ghf"));
    ASSERT_TRUE(StoreGraphFile(*source->PESGraph1, good));

    TfrmGraph* opened = OpenGraphFile(main, good);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->windowTitle(), QDir::toNativeSeparators(QFileInfo(good).absoluteFilePath()));
    EXPECT_FALSE(opened->chkSplit->isChecked());
    EXPECT_TRUE(opened->ToolButton5->isEnabled());
    EXPECT_TRUE(opened->PESGraph1->AllowGraphAnnotHotSpots());
    EXPECT_EQ(main.MdiArea->subWindowList().size(), 1);

    const QString bad = dir.filePath(QStringLiteral("bad.ghf"));
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\xff\xff\xff\x7f", 4));
    f.close();
    prompts.messages.clear();
    EXPECT_EQ(OpenGraphFile(main, bad), nullptr);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].contains(QStringLiteral("bad.ghf")));
    EXPECT_EQ(main.MdiArea->subWindowList().size(), 1);
}

// Renders a window in both views with marks on it; with TQ612_SCREENSHOT_DIR
// set, the pictures are saved there for a look.
TEST_F(GraphWindowTest, RendersSplitAndSingleViews)
{
    auto window = makeWindow();
    PESGraph& chart = *window->PESGraph1;
    for (int p = 0; p < 100; ++p) {
        for (int s = 0; s < 4; ++s) {
            chart.setXDataII(s, p, Start + p * Second);
            chart.setYData(s, p, float(20 + s * 6 + 5 * std::sin(p / (8.0 + s)) + (p > 60 && s == 2 ? 8 : 0)));
        }
    }
    chart.setYData(1, 40, 9999);
    chart.setYData(1, 41, 9999);
    main.Settings.AnnoColor = 0x00FFFF;
    chart.redrawNow();
    const QString folder = qEnvironmentVariable("TQ612_SCREENSHOT_DIR");
    QImage split = window->grab().toImage();
    EXPECT_FALSE(split.isNull());
    if (!folder.isEmpty())
        split.save(folder + QStringLiteral("/graph-split.png"));

    window->chkSplit->click();
    const QRect area = chart.PlottingArea();
    window->ToolButton5->click();
    chart.setLastMousePosition(area.topLeft() + QPoint(area.width() / 3, area.height() / 3));
    window->PESGraph1Click();
    window->ToolButton9->click();
    prompts.dialogs.push_back([](QDialog& d) {
        static_cast<TfrmAnnoEdit&>(d).Edit1->setText(QStringLiteral("door opened"));
        return int(QDialog::Accepted);
    });
    chart.setLastMousePosition(area.topLeft() + QPoint(area.width() / 2, area.height() / 5));
    window->PESGraph1Click();
    chart.setAllowDataHotSpots(true);
    window->PESGraph1DataHotSpot(0, 2, 70);
    chart.setVertLineAnnotation(0, Start + 80 * Second);
    chart.setVertLineAnnotationText(0, QStringLiteral("cursor"));
    chart.redrawNow();
    QImage single = window->grab().toImage();
    EXPECT_FALSE(single.isNull());
    if (!folder.isEmpty())
        single.save(folder + QStringLiteral("/graph-single.png"));
}
