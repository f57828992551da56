#pragma once
// Shows the hourglass over the program for the lifetime of this object.

#include "logger/DownloadProgress.h"

#include <QCursor>
#include <QGuiApplication>

class WaitCursor : public BusyIndicator {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() override { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
