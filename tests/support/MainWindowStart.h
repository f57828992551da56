#pragma once
// Shows a main window whose port list holds only `port` (the simulated
// meter's), so its start-up probe asks that port alone and quickly.

#include "app/UMain.h"

#include <QComboBox>

inline void showWithOnlyPort(TfrmMain& window, const QString& port)
{
    window.ComboBoxDeviceName->blockSignals(true);
    window.ComboBoxDeviceName->clear();
    window.ComboBoxDeviceName->addItem(port);
    window.ComboBoxDeviceName->blockSignals(false);
    window.Link.ProbeReplyMs = 60;
    window.show();
}
