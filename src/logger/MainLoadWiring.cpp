#include "logger/MainLoadWiring.h"

#include "app/UMain.h"
#include "logger/ComDownloadPort.h"
#include "link/MeterLink.h"
#include "logger/RetrievingProgress.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

// The meter link of the main window: its connection state and busy marks,
// MainTimer, and the two ports. The download talks on `Comm2`, opened on
// `Comm1`'s device without a receive handler (MeterLink set it up for 9600
// 8N1, DTR off, RTS on, with Comm2Error making port errors silent aborts).
class MainLoggerLink : public LoggerLink {
public:
    explicit MainLoggerLink(TfrmMain& main) : main(main), downloadPort(main.Comm2) {}

    // Not while the meter setup holds Comm1 with the frame receiver detached.
    bool Connected() const override { return main.Link.Connected && main.Link.Comm1.hasOnRxChar(); }
    bool MeterRecording() const override { return main.Link.MeterRecording; }
    bool InMainTimer() const override { return main.Link.InMainTimer; }
    bool InReceive() const override { return main.Link.InReceive; }
    void setMainTimerEnabled(bool enabled) override
    {
        if (enabled)
            main.MainTimer.start();
        else
            main.MainTimer.stop();
    }
    void closePorts() override
    {
        main.Comm1.Close();
        main.Comm2.Close();
    }
    DownloadPort* openDownloadPort() override
    {
        TComPort& comm2 = main.Comm2;
        comm2.setDeviceName(main.Comm1.DeviceName());
        comm2.setOnRxChar(nullptr);  // the transfer is polled
        try {
            comm2.Open();
        } catch (const EComAbort&) {
            // Not opened: the command ends as after any port failure.
        }
        return comm2.Active() ? &downloadPort : nullptr;
    }
    void reopenLivePort() override
    {
        main.Link.attachReceiver();
        try {
            main.Comm1.Open();
        } catch (const EComAbort&) {
            // The watchdog reports a port that stays closed.
        }
        main.Comm1.ClearInput();
    }
    void waitMs(int ms) override { MeterLink::WaitMs(ms); }
    void processMessages() override { QCoreApplication::processEvents(); }

private:
    TfrmMain& main;
    ComDownloadPort downloadPort;
};

// The data set model and the DataLogger window of the main window. The model
// parses and keeps `RawImage`, which holds the image only while it is used.
class MainDataSets : public DataSetParser {
public:
    explicit MainDataSets(TfrmMain& main) : main(main) {}

    void showDataLoggerWindow() override { main.ShowDataLoggerGraph(); }
    int ParseImage(const QByteArray& image) override
    {
        const ImageInModel loaded(main.DataSets, image);
        return main.ParseImage();
    }
    bool WriteScratchFile(const QByteArray& image) override
    {
        const ImageInModel loaded(main.DataSets, image);
        return main.WriteScratchFile(main.DataSets.ImageLength);
    }
    int KeepGoodDataSets() override { return main.KeepGoodDataSets(); }
    void drawDataSet(int number) override { main.DrawDataSet(number - 1); }

private:
    // RawImage and ImageLength hold `image` for the lifetime of this object.
    class ImageInModel {
    public:
        ImageInModel(DataSetModel& model, const QByteArray& image) : model(model)
        {
            model.RawImage = image;
            model.ImageLength = int(image.size());
        }
        ~ImageInModel() { model.RawImage.clear(); }
        ImageInModel(const ImageInModel&) = delete;
        ImageInModel& operator=(const ImageInModel&) = delete;

    private:
        DataSetModel& model;
    };

    TfrmMain& main;
};

} // namespace

std::unique_ptr<LoggerLink> makeMainLoggerLink(TfrmMain& main)
{
    return std::make_unique<MainLoggerLink>(main);
}

std::unique_ptr<DataSetParser> makeMainDataSets(TfrmMain& main)
{
    return std::make_unique<MainDataSets>(main);
}

LoadCommand::Hooks makeMainLoadHooks(TfrmMain& main)
{
    LoadCommand::Hooks hooks;
    hooks.openProgress = [&main](int total) { return openRetrievingProgress(total, &main); };
    hooks.markDataSetsUnsaved = [&main] { main.DataSetsUnsaved = true; };
    hooks.defer = [&main](std::function<void()> again) { QTimer::singleShot(100, &main, std::move(again)); };
    return hooks;
}
