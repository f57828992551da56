#pragma once
// Opening a graph file (.ghf) as a new graph window.

#include <QString>

class GraphHost;
class TfrmGraph;

// Reads the file first; only a file that loads completely gets a window.
// On a fault the reason is shown with the file's path and null is returned.
TfrmGraph* OpenGraphFile(GraphHost& host, const QString& path);
