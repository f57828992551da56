#pragma once
// What the download shows the user while blocks arrive. The Load command
// opens the data retrieving progress dialog behind this; tests record it.

#include <functional>
#include <memory>

class DownloadProgress {
public:
    virtual ~DownloadProgress() = default;  // closes what it shows
    virtual void setReceived(int bytes) = 0;
    // The user asked to stop the transfer.
    virtual bool cancelled() const { return false; }
};

// Opens the progress display for a transfer of `totalBytes`; may return null.
using DownloadProgressFactory = std::function<std::unique_ptr<DownloadProgress>(int totalBytes)>;

// What the program shows while it waits for the meter (the hourglass); it
// goes when this object goes.
class BusyIndicator {
public:
    virtual ~BusyIndicator() = default;
};

using BusyIndicatorFactory = std::function<std::unique_ptr<BusyIndicator>()>;
