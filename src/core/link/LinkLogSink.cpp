#include "link/LinkLogSink.h"

#include "link/LinkLog.h"

#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <cstdio>
#include <deque>
#include <map>
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
    // The message types of each category that the user's own rules
    // (QT_LOGGING_RULES, the logging configuration files) switch on, as bits
    // 1 << QtMsgType; their lines go on to the previous handler as well.
    std::map<QByteArray, unsigned> userSwitchedOn;
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
    // Asked for by the user's rules and not already written to stderr here:
    // Qt's handler prints it as it would without this sink. (The rules were
    // read before the handler was installed and never change afterwards.)
    const auto wished = s.userSwitchedOn.find(QByteArray(context.category));
    if (s.previous && !s.targets.toStderr && wished != s.userSwitchedOn.end() && (wished->second & (1u << type)))
        s.previous(type, context, message);
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
    // What the user's rules say, read before the sink's own rule switches every category on.
    for (const QLoggingCategory* category : {&linkLog(), &downloadLog(), &setupLog()}) {
        if (s.userSwitchedOn.count(QByteArray(category->categoryName())))
            break;  // read by an earlier start, before the sink's rule

        unsigned types = 0;
        for (const QtMsgType type : {QtDebugMsg, QtInfoMsg, QtWarningMsg, QtCriticalMsg})
            if (category->isEnabled(type))
                types |= 1u << type;
        s.userSwitchedOn[QByteArray(category->categoryName())] = types;
    }
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
