#include "logger/MainLoadWiring.h"

#include "app/UMain.h"
#include "logger/EventWait.h"
#include "logger/LoadResult.h"
#include "logger/RetrievingProgress.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

// The main window's side of the link. The live link (Comm1, Comm2, the
// connection state and the busy marks) plugs in here; until it does, the
// meter counts as not connected and the Load command says so.
class MainLoggerLink : public LoggerLink {
public:
    explicit MainLoggerLink(TfrmMain& main) : main(main) {}
    bool Connected() const override { return false; }
    bool MeterRecording() const override { return false; }
    bool InMainTimer() const override { return false; }
    bool InReceive() const override { return false; }
    void setMainTimerEnabled(bool enabled) override
    {
        if (enabled)
            main.MainTimer.start();
        else
            main.MainTimer.stop();
    }
    void closePorts() override {}
    DownloadPort* openDownloadPort() override { return nullptr; }
    void reopenLivePort() override {}
    void waitMs(int ms) override { waitProcessingMessages(ms); }
    void processMessages() override { QCoreApplication::processEvents(); }

private:
    TfrmMain& main;
};

// The data set model and the DataLogger window plug in here.
class MainDataSets : public DataSetParser {
public:
    void showDataLoggerWindow() override {}
    int ParseImage(const QByteArray&) override { return LoadResult::NoData; }
    int badDataSetIndex() const override { return -1; }
    int offsetBeforeBadDataSet() const override { return -1; }
    void WriteScratchFile(const QByteArray&) override {}
    void drawDataSet(int) override {}
};

} // namespace

std::unique_ptr<LoggerLink> makeMainLoggerLink(TfrmMain& main)
{
    return std::make_unique<MainLoggerLink>(main);
}

std::unique_ptr<DataSetParser> makeMainDataSets(TfrmMain&)
{
    return std::make_unique<MainDataSets>();
}

LoadCommand::Hooks makeMainLoadHooks(TfrmMain& main)
{
    LoadCommand::Hooks hooks;
    hooks.openProgress = [&main](int total) { return openRetrievingProgress(total, &main); };
    hooks.markDataSetsUnsaved = [&main] { main.DataSetsUnsaved = true; };
    hooks.defer = [&main](std::function<void()> again) { QTimer::singleShot(100, &main, std::move(again)); };
    return hooks;
}
