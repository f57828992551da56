#pragma once
// Asks one port whether a meter is there: the identify command "K" on a port
// of its own, the reply read after a fixed wait.

#include <QString>

namespace MeterIdentify {

// How long the program's probe waits for the identify reply.
constexpr int ReplyMs = 300;

// The model of the meter on `device` (a path), 0 when nothing answers as a
// meter. When the port cannot be opened, `openError` gets errno (0 otherwise).
int askModel(const QString& device, int replyMs = ReplyMs, int* openError = nullptr);

} // namespace MeterIdentify
