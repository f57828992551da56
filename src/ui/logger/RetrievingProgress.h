#pragma once
// The progress of the download in the shared progress dialog TfrmScope.

#include "logger/DownloadProgress.h"

class QWidget;

// Opens the "Data Retriving Progress" dialog for a transfer of `totalBytes`,
// stay on top and modeless; it closes when the returned object goes.
std::unique_ptr<DownloadProgress> openRetrievingProgress(int totalBytes, QWidget* mainWindow);
