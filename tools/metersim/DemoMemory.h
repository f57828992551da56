#pragma once
// The logger memory the simulator serves unless told otherwise: a few data
// sets that show the program's views at work.

#include <QByteArray>

namespace metersim {

// Three data sets for a meter of `model` (negative readings follow its form):
//   1. 20 records every 30 s in °C, T1 falling below zero;
//   2. 120 records every 2 s in °C;
//   3. 8 records every minute in °F.
QByteArray demoMemory(int model);

} // namespace metersim
