// Data Logger > Load in the main window, end to end: the simulated meter on a
// real pseudo-terminal (unpaced), the live link handed over to Comm2 and
// back, the data sets listed and drawn, then saved and opened again as a
// collection file.
#include "DemoMemory.h"
#include "support/MainWindowStart.h"
#include "FastClock.h"
#include "MemoryImageBuilder.h"
#include "MeterSim.h"
#include "app/UMain.h"
#include "chart/PESGraph.h"
#include "files/UOpenSave.h"
#include "files/UScope.h"
#include "graph/UGraph.h"
#include "logger/DataSetsGrid.h"
#include "support/FakePrompts.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <set>

namespace {

constexpr int Model = 612;

bool waitUntil(const std::function<bool()>& done, int timeoutMs = 3000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return done();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QList<QStringList> gridRows(const QTableWidget& grid)
{
    QList<QStringList> rows;
    for (int r = 0; r < grid.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid.columnCount(); ++c)
            cells << (grid.item(r, c) ? grid.item(r, c)->text() : QString());
        rows << cells;
    }
    return rows;
}

// The rows the grid must show for an image, from a model of its own.
QList<QStringList> expectedRows(const QByteArray& image)
{
    DataSetModel model;
    model.RawImage = image;
    EXPECT_EQ(model.ParseImage(Model), 0);
    QList<QStringList> rows;
    for (int k = 0; k < model.dataSetCount(); ++k)
        rows << DataSetsGrid::rowTexts(model, k);
    return rows;
}

class MainLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        metersim::Options o;
        o.model = Model;
        o.rateMs = 50;
        o.memory = metersim::demoMemory(Model);
        o.pacedDownload = false;
        sim = std::make_unique<metersim::MeterSim>(o);
        ASSERT_TRUE(sim->start());
        window = std::make_unique<TfrmMain>();
    }

    // Starts the window with the simulated meter as its only port, and keeps
    // its documents (and the scratch file) in a folder of the test.
    void showWithTheSimulatorOnly()
    {
        showWithOnlyPort(*window, sim->portPath());
        ASSERT_TRUE(waitUntil([&] { return window->Link.Connected && window->Link.FrameSeen; }));
        window->DocumentFolder = dir.path() + QLatin1Char('/');
        prompts.messages.clear();
    }

    // Data Logger > Load, with the program's time running five times as fast.
    void load()
    {
        FastClock fast(5);
        ScopedClock scoped(fast);
        window->LoadData1->trigger();
    }

    QStringList userMessages() const
    {
        QStringList shown = prompts.messages;
        shown.removeIf([](const QString& m) { return m.startsWith(QLatin1String("Can not fine the file ")); });
        return shown;
    }

    void activateDataLogger()
    {
        window->MdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window->DataLoggerGraph->parentWidget()));
    }

    QString scratch() const { return DataSetModel::scratchFilePath(window->DocumentFolder); }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    QTemporaryDir dir;
    FakePrompts prompts;
    ScopedPrompts answering{prompts};
    std::unique_ptr<metersim::MeterSim> sim;
    std::unique_ptr<TfrmMain> window;
};

TEST_F(MainLoad, LoadsListsDrawsAndGivesTheLinkBackThenSaveAndOpenShowTheSame)
{
    showWithTheSimulatorOnly();

    // What the progress dialog shows while blocks arrive.
    std::set<QString> progressSeen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* scope = window->findChild<TfrmScope*>(QStringLiteral("frmScope")); scope && scope->isVisible())
            progressSeen.insert(scope->lblBytesReceived->text());
    });
    watch.start(1);
    load();
    watch.stop();

    EXPECT_TRUE(userMessages().isEmpty()) << userMessages().join(QLatin1Char('|')).toStdString();
    const QByteArray image = sim->memoryImage();
    ASSERT_TRUE(window->DataLoggerGraph);
    TfrmGraph& graph = *window->DataLoggerGraph;
    const QList<QStringList> rows = expectedRows(image);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(gridRows(*graph.Grid2), rows);
    EXPECT_EQ(graph.Grid2->item(1, 4)->text(), QStringLiteral("120"));
    EXPECT_EQ(readFile(scratch()), image) << "the scratch file holds the image byte for byte";
    EXPECT_TRUE(window->DataSetsUnsaved);
    EXPECT_GT(progressSeen.size(), 2u) << "the progress dialog counts the bytes";
    EXPECT_FALSE(window->findChild<TfrmScope*>()) << "and is gone afterwards";

    // Data set 1 is drawn: 20 records, T1 from 4.0 down to -5.5 degrees.
    const PESGraph& chart = *graph.PESGraph1;
    EXPECT_EQ(chart.Points(), 20);
    EXPECT_FLOAT_EQ(chart.YData(0, 0), 4.0f);
    EXPECT_FLOAT_EQ(chart.YData(0, 19), -5.5f);
    EXPECT_EQ(graph.txtDataNo->text(), QStringLiteral("20"));

    // The live link is back: Comm1 with its receiver, MainTimer, live frames.
    EXPECT_TRUE(window->Comm1.Active());
    EXPECT_TRUE(window->Comm1.hasOnRxChar());
    EXPECT_FALSE(window->Comm2.Active());
    EXPECT_TRUE(window->MainTimer.isActive());
    EXPECT_FALSE(window->DataLoggerLoading());
    EXPECT_FALSE(sim->downloading());
    window->Link.FrameSeen = false;
    EXPECT_TRUE(waitUntil([&] { return window->Link.FrameSeen; }));

    // A click on data set 3 draws its 8 records.
    graph.Grid2->setCurrentCell(2, 0);
    EXPECT_EQ(chart.Points(), 8);

    // Save as a collection file, open another one, then the saved one again.
    activateDataLogger();
    prompts.dialogs.push_back([](QDialog&) { return int(TfrmOpenSave::OpenSets); });
    prompts.fileNames.push_back(path("sets.CH4"));
    window->Save1->trigger();
    EXPECT_EQ(readFile(path("sets.CH4")), image);
    EXPECT_FALSE(window->DataSetsUnsaved);

    metersim::MemoryImageBuilder other;
    other.model = Model;
    other.addDataSet(5);
    QFile otherFile(path("other.CH4"));
    ASSERT_TRUE(otherFile.open(QIODevice::WriteOnly));
    otherFile.write(other.build());
    otherFile.close();
    for (const char* name : {"other.CH4", "sets.CH4"}) {
        prompts.dialogs.push_back([](QDialog&) { return int(TfrmOpenSave::OpenSets); });
        prompts.fileNames.push_back(path(name));
        window->Open1->trigger();
    }
    EXPECT_TRUE(userMessages().isEmpty()) << userMessages().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(gridRows(*graph.Grid2), rows);
    EXPECT_EQ(chart.Points(), 20);
    EXPECT_EQ(readFile(scratch()), image);
}

TEST_F(MainLoad, RefusesWithoutALinkAndWhileTheMeterRecords)
{
    // Not shown: no probe, no meter.
    window->LoadData1->trigger();
    EXPECT_EQ(prompts.messages, QStringList({"There is no connection with meter !"}));
    EXPECT_EQ(sim->commandCount('c'), 0);

    showWithTheSimulatorOnly();
    window->Link.SendCommand('E');  // the REC key
    ASSERT_TRUE(waitUntil([&] { return window->Link.MeterRecording; }));
    load();
    EXPECT_EQ(userMessages(),
              QStringList({"The meter is recording data, please stop recording before loading data."}));
    EXPECT_EQ(sim->commandCount('c'), 0);
    EXPECT_FALSE(window->DataLoggerGraph);
    EXPECT_TRUE(window->Comm1.Active());
    EXPECT_TRUE(window->MainTimer.isActive());
}

TEST_F(MainLoad, TheDataLoggerWindowStaysOpenWhileALoadRuns)
{
    showWithTheSimulatorOnly();
    TfrmGraph* graph = window->ShowDataLoggerGraph();
    auto* frame = qobject_cast<QMdiSubWindow*>(graph->parentWidget());
    bool loading = false;
    bool closed = true;
    QTimer::singleShot(0, window.get(), [&] {
        loading = window->DataLoggerLoading();
        closed = frame->close();
    });
    load();
    EXPECT_TRUE(loading);
    EXPECT_FALSE(closed);
    ASSERT_TRUE(window->DataLoggerGraph);
    EXPECT_EQ(window->DataLoggerGraph->Grid2->rowCount(), 3);

    // Once the load is over it closes, after the usual question.
    prompts.answers.push_back(QMessageBox::No);
    EXPECT_TRUE(frame->close());
    EXPECT_EQ(prompts.messages.last(), QStringLiteral("Save DataLogger Data ?"));
}

TEST_F(MainLoad, AScratchFileThatCannotBeWrittenFailsTheLoad)
{
    showWithTheSimulatorOnly();
    // The scratch folder's name is taken by a file: the folder cannot be made.
    QFile blocker(path("temp"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    load();
    EXPECT_TRUE(userMessages().isEmpty()) << userMessages().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(prompts.warnings, QStringList{QDir(dir.path()).filePath(QStringLiteral("temp"))});
    EXPECT_FALSE(window->DataSetsUnsaved) << "nothing that could be saved";
    EXPECT_TRUE(window->Link.Comm1.Active()) << "the link is back";
}

} // namespace
