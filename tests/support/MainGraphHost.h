#pragma once
// The main window as its graph windows see it: the marks they share and the
// save dialog they use.

#include "app/UMain.h"
#include "graph/GraphHost.h"

inline GraphHost& host(TfrmMain& main)
{
    return main;
}
