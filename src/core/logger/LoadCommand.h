#pragma once
// The Load command of the data logger: checks the link and the meter's REC
// state, takes the port over, downloads the memory image, has it parsed and
// drawn, reports what went wrong in the error dialog, and gives the link back.
// Whatever way it ends, the link, MainTimer, the running mark and the cursor
// are restored.

#include "logger/DataSetParser.h"
#include "logger/DownloadProgress.h"
#include "logger/LoadUser.h"
#include "logger/LoggerLink.h"

#include <functional>

class LoadCommand {
public:
    struct Hooks {
        DownloadProgressFactory openProgress;               // the data retrieving progress dialog
        std::function<void()> markDataSetsUnsaved;          // sets `DataSetsUnsaved`
        std::function<void(std::function<void()>)> defer;   // runs the command again a little later
        BusyIndicatorFactory showBusy;                      // the hourglass during a transfer
    };

    LoadCommand(LoggerLink& link, DataSetParser& dataSets, LoadUser& user, Hooks hooks);

    // LoadData1Click: the whole command; reports everything itself.
    void LoadData1Click();
    // A load is running: the DataLogger window must not close meanwhile.
    bool running() const { return loadRunning; }

    // One load cycle: the link taken over, the image downloaded, parsed, kept
    // in the scratch file and data set 1 drawn. Returns a LoadResult code.
    int LoadDataSets();

private:
    void takeLinkOver();
    void giveLinkBack();
    // "Fixed the error ": keeps the data sets before the bad one.
    void fixDataError();

    LoggerLink& link;
    DataSetParser& dataSets;
    LoadUser& user;
    Hooks hooks;
    bool loadRunning = false;
    DownloadPort* port = nullptr;
};
