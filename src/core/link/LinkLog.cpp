#include "link/LinkLog.h"

Q_LOGGING_CATEGORY(linkLog, "tq612.link", QtInfoMsg)
