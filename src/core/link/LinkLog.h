#pragma once
// The link's own log: which port the probe asked, what came back, why a port
// did not open, when the link was lost and found again. Quiet unless asked
// for: QT_LOGGING_RULES="tq612.link.debug=true" writes it to stderr.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(linkLog)
