#pragma once
// The progress dialog of the download in its data retrieving mode.

#include "logger/DownloadProgress.h"

class QWidget;

// Opens "Data Retriving Progress" for a transfer of `totalBytes`, stay on top
// and modeless; it closes when the returned object goes.
std::unique_ptr<DownloadProgress> openRetrievingProgress(int totalBytes, QWidget* mainWindow);
