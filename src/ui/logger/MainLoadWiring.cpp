#include "logger/MainLoadWiring.h"

#include "app/UMain.h"
#include "logger/MeterLoggerLink.h"
#include "logger/RetrievingProgress.h"
#include "logger/WaitCursor.h"

#include <QTimer>

namespace {

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
    return std::make_unique<MeterLoggerLink>(main.Link, main.MainTimer);
}

std::unique_ptr<DataSetParser> makeMainDataSets(TfrmMain& main)
{
    return std::make_unique<MainDataSets>(main);
}

LoadCommand::Hooks makeMainLoadHooks(TfrmMain& main)
{
    LoadCommand::Hooks hooks;
    hooks.openProgress = [&main](int total) { return openRetrievingProgress(total, &main); };
    hooks.markDataSetsUnsaved = [&main] {
        main.DataSetsUnsaved = true;
        main.nameDataLoggerWindow({});   // fresh from the meter: no file yet
    };
    hooks.defer = [&main](std::function<void()> again) { QTimer::singleShot(100, &main, std::move(again)); };
    hooks.showBusy = [] { return std::make_unique<WaitCursor>(); };
    return hooks;
}
