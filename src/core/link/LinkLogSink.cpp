#include "link/LinkLogSink.h"

#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>

namespace LinkLogSink {

namespace {

// Qt's message handler is one plain function for the whole program, so what
// it writes to lives here, set once at start.
struct Sink {
    Targets targets;
    std::unique_ptr<QFile> file;
    std::deque<QString> kept;
    QtMessageHandler previous = nullptr;
    std::mutex mutex;  // the serial port's threads may log too
};
Sink& sink()
{
    static Sink s;
    return s;
}

void writeLine(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    Sink& s = sink();
    if (!context.category || !QByteArray(context.category).startsWith("tq612.")) {
        if (s.previous)
            s.previous(type, context, message);
        return;
    }
    // With the UTC offset, so that logs from two computers or across a
    // daylight-saving change line up.
    const QDateTime now = QDateTime::currentDateTime();
    const QString line = now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODateWithMs) + QLatin1Char(' ')
        + QLatin1String(context.category) + QLatin1String(": ") + message;
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    const std::lock_guard lock(s.mutex);
    if (s.targets.toStderr) {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
        std::fflush(stderr);
    }
    if (s.file) {
        s.file->write(bytes);
        s.file->flush();
    }
    if (s.targets.keptLines > 0) {
        s.kept.push_back(line);
        while (int(s.kept.size()) > s.targets.keptLines)
            s.kept.pop_front();
    }
}

} // namespace

bool start(const Targets& targets, QString* error)
{
    if (!targets.toStderr && targets.file.isEmpty() && targets.keptLines <= 0)
        return true;
    Sink& s = sink();
    if (!targets.file.isEmpty()) {
        auto file = std::make_unique<QFile>(targets.file);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            *error = QStringLiteral("cannot write the log %1: %2").arg(targets.file, file->errorString());
            return false;
        }
        s.file = std::move(file);
    }
    s.targets = targets;
    QLoggingCategory::setFilterRules(QStringLiteral("tq612.*.debug=true"));
    s.previous = qInstallMessageHandler(writeLine);
    return true;
}

QStringList recentLines()
{
    Sink& s = sink();
    const std::lock_guard lock(s.mutex);
    return QStringList(s.kept.begin(), s.kept.end());
}

} // namespace LinkLogSink
