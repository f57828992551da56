#include "logger/LoadCommand.h"

#include "app/Clock.h"
#include "app/Prompts.h"
#include "logger/ImageDownload.h"
#include "logger/LoadResult.h"
#include "logger/UErr.h"

#include <QLabel>
#include <QPushButton>

namespace {
constexpr int ReceiveWaitLimitMs = 2000;
constexpr int PortSettleMs = 1000;
constexpr int HandBackPauseMs = 500;

const QString NoConnection = QStringLiteral("There is no connection with meter !");
const QString MeterRecording = QStringLiteral("The meter is recording data, please stop recording before loading data.");
const QString MemoryError = QStringLiteral("Memory error!");
const QString NoData = QStringLiteral("There is not any recorded data in memory!");
const QString DataError = QStringLiteral("Data error ! Choose Try Again to reload or Fix Error to delete the error data set.");
const QString ReadError = QStringLiteral("There was error when reading data from meter");

// Calls `f` when the scope ends, however it ends.
template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F f) : f(std::move(f)) {}
    ~ScopeExit() { f(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F f;
};
} // namespace

LoadCommand::LoadCommand(LoggerLink& meterLink, DataSetParser& parser, Hooks loadHooks)
    : link(meterLink)
    , dataSets(parser)
    , hooks(std::move(loadHooks))
{
}

void LoadCommand::LoadData1Click()
{
    if (loadRunning)
        return;  // re-entered through message processing
    if (link.InMainTimer()) {
        // Reached from inside a tick of MainTimer: the tick must end first.
        if (hooks.defer)
            hooks.defer([this] { LoadData1Click(); });
        return;
    }
    loadRunning = true;
    const ScopeExit clearMark([this] { loadRunning = false; });

    if (!link.Connected()) {
        Prompts::current().information(NoConnection);
        return;
    }
    if (link.MeterRecording()) {
        Prompts::current().information(MeterRecording);
        return;
    }
    dataSets.showDataLoggerWindow();

    // The link goes back after the error dialog has gone, on every way out.
    const ScopeExit handBack([this] { giveLinkBack(); });
    TfrmErr frmErr;
    try {
        for (;;) {
            const int code = LoadDataSets();
            if (code == LoadResult::Success) {
                if (hooks.markDataSetsUnsaved)
                    hooks.markDataSetsUnsaved();
                break;
            }
            if (code == LoadResult::MemoryError) {
                Prompts::current().information(MemoryError);
                break;
            }
            if (code == LoadResult::NoData) {
                Prompts::current().information(NoData);
                break;
            }
            if (code == LoadResult::ScratchFileError)
                break;  // reported by the writer
            const int answer = askAboutError(frmErr, code);
            if (answer == TfrmErr::TryAgain)
                continue;
            if (answer == TfrmErr::FixError && code == LoadResult::DataError)
                fixDataError();
            break;
        }
    } catch (const PortAborted&) {
        // A port failure ends the command silently; the link is given back all the same.
    }
}

int LoadCommand::askAboutError(TfrmErr& dialog, int code)
{
    const bool dataError = code == LoadResult::DataError;
    dialog.Button1->setVisible(dataError);
    dialog.Label1->setText(dataError ? DataError : ReadError);
    return Prompts::current().exec(dialog);
}

int LoadCommand::LoadDataSets()
{
    takeLinkOver();

    ImageDownload download(*port, {
        [this] { link.processMessages(); },
        hooks.openProgress,
    });
    int code = download.DownloadImage();
    if (code != LoadResult::Success)
        return code;

    const QByteArray& image = download.image();
    code = dataSets.ParseImage(image);
    if (code == LoadResult::Success) {
        if (!dataSets.WriteScratchFile(image))
            return LoadResult::ScratchFileError;
        dataSets.drawDataSet(1);
    }
    return code;
}

void LoadCommand::takeLinkOver()
{
    link.setMainTimerEnabled(false);
    const qint64 start = Clock::current().tickMs();
    while (link.InReceive() && Clock::current().tickMs() - start <= ReceiveWaitLimitMs)
        link.waitMs(10);
    port = nullptr;
    link.closePorts();
    port = link.openDownloadPort();
    if (!port)
        throw PortAborted("the download port could not be opened");
    link.waitMs(PortSettleMs);
    port->clearInput();
}

void LoadCommand::giveLinkBack()
{
    port = nullptr;
    try {
        link.closePorts();
        link.waitMs(HandBackPauseMs);
        link.reopenLivePort();
        link.waitMs(HandBackPauseMs);
    } catch (const PortAborted&) {
        // The live link's own supervision notices a port that stays closed.
    }
    link.setMainTimerEnabled(true);
}

void LoadCommand::fixDataError()
{
    // With no good data set before the bad one nothing is kept: as Cancel.
    if (dataSets.KeepGoodDataSets() == LoadResult::Success && hooks.markDataSetsUnsaved)
        hooks.markDataSetsUnsaved();
}
