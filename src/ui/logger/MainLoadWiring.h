#pragma once
// Connects the Load command to the main window: its link (ports, MainTimer,
// busy marks), the data set model and the progress dialog.

#include "logger/DataSetParser.h"
#include "logger/LoadCommand.h"
#include "logger/LoggerLink.h"

#include <memory>

class TfrmMain;

std::unique_ptr<LoggerLink> makeMainLoggerLink(TfrmMain& main);
std::unique_ptr<DataSetParser> makeMainDataSets(TfrmMain& main);
LoadCommand::Hooks makeMainLoadHooks(TfrmMain& main);
