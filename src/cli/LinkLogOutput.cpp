#include "LinkLogOutput.h"

#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <QTextStream>
#include <cstdio>
#include <memory>

namespace cli {

namespace {

// Qt's message handler is one plain function for the whole program, so the
// place it writes to lives here, set once at start.
struct LogTargets {
    bool toStderr = false;
    std::unique_ptr<QFile> file;
    QtMessageHandler previous = nullptr;
};
LogTargets& targets()
{
    static LogTargets t;
    return t;
}

void writeLogLine(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    LogTargets& t = targets();
    const bool linkLine = context.category && QByteArray(context.category).startsWith("tq612.");
    if (!linkLine) {
        if (t.previous)
            t.previous(type, context, message);
        return;
    }
    const QByteArray line = (QDateTime::currentDateTime().toString(Qt::ISODateWithMs) + QLatin1Char(' ')
                             + QLatin1String(context.category) + QLatin1String(": ") + message + QLatin1Char('\n'))
                                .toUtf8();
    if (t.toStderr) {
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
    }
    if (t.file) {
        t.file->write(line);
        t.file->flush();
    }
}

} // namespace

bool startLinkLog(bool verbose, const QString& file, QString* error)
{
    if (!verbose && file.isEmpty())
        return true;
    LogTargets& t = targets();
    t.toStderr = verbose;
    if (!file.isEmpty()) {
        t.file = std::make_unique<QFile>(file);
        if (!t.file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            *error = QStringLiteral("cannot write the log %1: %2").arg(file, t.file->errorString());
            t.file.reset();
            return false;
        }
    }
    QLoggingCategory::setFilterRules(QStringLiteral("tq612.*.debug=true"));
    t.previous = qInstallMessageHandler(writeLogLine);
    return true;
}

} // namespace cli
