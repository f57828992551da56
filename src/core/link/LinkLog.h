#pragma once
// The logs of the meter's line, quiet unless asked for:
//  - tq612.link: which port the probe asked, what came back, why a port did
//    not open, the live frames and commands in hex, the link lost and found;
//  - tq612.download: the memory download's commands, its blocks in hex, bad
//    checksums, repeats, time-outs and retries;
//  - tq612.setup: the setup commands' frames and the meter's replies in hex,
//    and the replies that did not come in time.
// QT_LOGGING_RULES="tq612.*.debug=true" writes them to stderr; LinkLogSink
// adds the time to every line. Every statement goes through qCDebug, which
// looks at the category first: switched off, no text is built.

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(linkLog)
Q_DECLARE_LOGGING_CATEGORY(downloadLog)
Q_DECLARE_LOGGING_CATEGORY(setupLog)

namespace LinkLog {

// Bytes as the log shows them: two hex digits each, blank-separated.
inline QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}
inline QString hex(const char* bytes, int count)
{
    return hex(QByteArray::fromRawData(bytes, count));
}

} // namespace LinkLog
