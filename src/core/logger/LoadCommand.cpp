#include "logger/LoadCommand.h"

#include "app/Clock.h"
#include "link/LinkLog.h"
#include "logger/ImageDownload.h"
#include "logger/LoadResult.h"

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

LoadCommand::LoadCommand(LoggerLink& meterLink, DataSetParser& parser, LoadUser& loadUser, Hooks loadHooks)
    : link(meterLink)
    , dataSets(parser)
    , user(loadUser)
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
        user.inform(NoConnection);
        return;
    }
    if (link.MeterRecording()) {
        user.inform(MeterRecording);
        return;
    }
    dataSets.showDataLoggerWindow();

    // The link goes back after the error dialog has gone, on every way out.
    const ScopeExit handBack([this] { giveLinkBack(); });
    try {
        for (;;) {
            const int code = LoadDataSets();
            if (code == LoadResult::Success) {
                if (hooks.markDataSetsUnsaved)
                    hooks.markDataSetsUnsaved();
                break;
            }
            if (code == LoadResult::MemoryError) {
                user.inform(MemoryError);
                break;
            }
            if (code == LoadResult::NoData) {
                user.inform(NoData);
                break;
            }
            if (code == LoadResult::ScratchFileError)
                break;  // reported by the writer
            if (code == LoadResult::Cancelled)
                break;  // the user's own choice: nothing to report, nothing parsed
            const bool dataError = code == LoadResult::DataError;
            const LoadUser::Choice answer = user.askAboutError(code, dataError ? DataError : ReadError, dataError);
            if (answer == LoadUser::Choice::TryAgain)
                continue;
            if (answer == LoadUser::Choice::FixError && dataError)
                fixDataError();
            break;
        }
    } catch (const PortAborted&) {
        // A port failure ends the command silently; the link is given back all the same.
    }
}

int LoadCommand::LoadDataSets()
{
    takeLinkOver();

    ImageDownload download(*port, {
        [this] { link.processMessages(); },
        hooks.openProgress,
        hooks.showBusy,
    });
    int code = download.DownloadImage();
    qCDebug(downloadLog) << "download result" << code << "with" << download.ImageLength() << "bytes";
    if (code != LoadResult::Success)
        return code;

    const QByteArray& image = download.image();
    code = dataSets.ParseImage(image);
    qCDebug(downloadLog) << "the memory image reads with result" << code;
    if (code == LoadResult::Success) {
        if (!dataSets.WriteScratchFile(image))
            return LoadResult::ScratchFileError;
        dataSets.drawDataSet(1);
    }
    return code;
}

void LoadCommand::takeLinkOver()
{
    qCDebug(downloadLog) << "taking the link over for the download";
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
    qCDebug(downloadLog) << "giving the link back";
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
