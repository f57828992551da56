// tq612-cli download: the logger memory as Data Logger > Load brings it in,
// through the same Load command, with the console in place of its dialogs:
// progress on stderr, and "Try Again" answered --retries times.
#include "Commands.h"
#include "Console.h"
#include "MeterConnection.h"
#include "OutputFiles.h"

#include "files/CheckedFileWriter.h"
#include "logger/CollectionFile.h"
#include "logger/DataSetModel.h"
#include "logger/LoadCommand.h"
#include "logger/LoadResult.h"
#include "logger/MeterLoggerLink.h"

#include <cstdio>

namespace cli {

namespace {

// How long the download waits for the first live frame, which tells whether
// the meter is recording (a recording meter refuses the download).
constexpr int FirstFrameMs = 3500;

// The parse into a model of the command's own; the image of a good load is kept.
class ConsoleDataSets : public DataSetParser {
public:
    explicit ConsoleDataSets(const MeterLink& link) : link(link) {}

    void showDataLoggerWindow() override {}
    int ParseImage(const QByteArray& image) override
    {
        model.RawImage = image;
        const int code = model.ParseImage(link.MeterModel);
        model.RawImage.clear();
        return code;
    }
    // Not offered: the command line has no "Fixed the error ".
    int KeepGoodDataSets() override { return LoadResult::DataError; }
    bool WriteScratchFile(const QByteArray& image) override
    {
        loadedImage = image;
        return true;
    }
    void drawDataSet(int) override {}

    DataSetModel model;
    QByteArray loadedImage;

private:
    const MeterLink& link;
};

// The error dialog's question answered by the count of retries.
class ConsoleUser : public LoadUser {
public:
    explicit ConsoleUser(int retries) : retriesLeft(retries) {}

    void inform(const QString& text) override { message = text; }
    Choice askAboutError(int code, const QString& text, bool) override
    {
        lastCode = code;
        message = text;
        if (retriesLeft <= 0)
            return Choice::Cancel;
        --retriesLeft;
        error(QStringLiteral("%1 (code %2); trying again").arg(text).arg(code));
        return Choice::TryAgain;
    }

    QString message;
    int lastCode = -1;

private:
    int retriesLeft;
};

// Bytes received against the transfer length: a bar on a terminal, else a
// line at every tenth.
class ConsoleProgress : public DownloadProgress {
public:
    explicit ConsoleProgress(int total) : total(std::max(total, 1)), bar(stderrIsTerminal()) { setReceived(0); }
    ~ConsoleProgress() override
    {
        if (bar)
            std::fputc('\n', stderr);
    }
    void setReceived(int bytes) override
    {
        const int percent = int(qint64(bytes) * 100 / total);
        if (bar) {
            constexpr int Width = 40;
            const int filled = percent * Width / 100;
            std::fprintf(stderr, "\r[%s%s] %3d%%  %d of %d bytes", QByteArray(filled, '#').constData(),
                         QByteArray(Width - filled, ' ').constData(), percent, bytes, total);
            std::fflush(stderr);
        } else if (percent / 10 > lastTenth || bytes == 0) {
            lastTenth = percent / 10;
            note(QStringLiteral("received %1 of %2 bytes").arg(bytes).arg(total));
        }
    }

private:
    int total;
    bool bar;
    int lastTenth = 0;
};

bool writeCollection(const QString& fileName, const QByteArray& image)
{
    QString reason;
    if (CheckedFile::write(fileName, image, &reason))
        return true;
    error(QStringLiteral("could not write %1: %2").arg(fileName, reason));
    return false;
}

} // namespace

int runDownload(const QCommandLineParser& parser)
{
    if (parser.positionalArguments().size() > 1) {
        error(QStringLiteral("download takes no arguments"));
        return Usage;
    }
    TextOutput text;
    if (!textOutputFrom(parser.value(QStringLiteral("csv")), parser.value(QStringLiteral("txt")), text))
        return Usage;
    const QString collection = parser.value(QStringLiteral("o"));
    bool retriesOk = false;
    const int retries = parser.value(QStringLiteral("retries")).toInt(&retriesOk);
    if (!retriesOk || retries < 0) {
        error(QStringLiteral("--retries must be a whole number, 0 or more"));
        return Usage;
    }
    if (collection.isEmpty() && text.folder.isEmpty()) {
        error(QStringLiteral("nothing to write: give -o FILE.ch4, --csv DIR or --txt DIR"));
        return Usage;
    }

    MeterConnection connection(parser.value(QStringLiteral("port")));
    if (const int code = connection.connect())
        return code;
    connection.waitForFrame(FirstFrameMs);

    MeterLoggerLink link(connection.link(), connection.mainTimer());
    ConsoleDataSets dataSets(connection.link());
    ConsoleUser user(retries);
    bool loaded = false;
    LoadCommand::Hooks hooks;
    hooks.openProgress = [](int total) { return std::make_unique<ConsoleProgress>(total); };
    hooks.markDataSetsUnsaved = [&loaded] { loaded = true; };
    LoadCommand load(link, dataSets, user, hooks);
    load.LoadData1Click();

    if (!loaded) {
        if (user.lastCode >= 0)
            error(QStringLiteral("download failed: %1 (code %2)").arg(user.message).arg(user.lastCode));
        else if (!user.message.isEmpty())
            error(QStringLiteral("download failed: %1").arg(user.message));
        else
            error(QStringLiteral("download failed: the port %1 failed").arg(connection.link().Comm1.DeviceName()));
        return TransferFailed;
    }
    if (!collection.isEmpty() && !writeCollection(collection, dataSets.loadedImage))
        return Usage;
    if (!text.folder.isEmpty() && !writeDataSets(dataSets.model, text))
        return Usage;
    note(QStringLiteral("%1 data sets downloaded").arg(dataSets.model.dataSetCount()));
    return Done;
}

} // namespace cli
