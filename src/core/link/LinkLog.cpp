#include "link/LinkLog.h"

Q_LOGGING_CATEGORY(linkLog, "tq612.link", QtInfoMsg)
Q_LOGGING_CATEGORY(downloadLog, "tq612.download", QtInfoMsg)
Q_LOGGING_CATEGORY(setupLog, "tq612.setup", QtInfoMsg)
