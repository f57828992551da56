#pragma once
// Opening a graph file (.ghf) as a new graph window.

#include <QString>

class TfrmGraph;
class TfrmMain;

// Reads the file first; only a file that loads completely gets a window.
// On a fault the reason is shown with the file's path and null is returned.
TfrmGraph* OpenGraphFile(TfrmMain& main, const QString& path);
