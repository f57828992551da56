#pragma once
// Collects the lines of the program's own logs (the tq612.* categories) as
// "category: message" while it lives, with the categories switched on by
// `rules` (QT_LOGGING_RULES syntax; empty: as they are by default). Puts the
// defaults back at the end.

#include <QLoggingCategory>
#include <QMutex>
#include <QString>
#include <QStringList>

class LogCapture {
public:
    explicit LogCapture(const QString& rules)
    {
        {
            const QMutexLocker lock(&mutex());
            lines().clear();
        }
        previous() = qInstallMessageHandler(capture);
        QLoggingCategory::setFilterRules(rules);
    }
    ~LogCapture()
    {
        QLoggingCategory::setFilterRules(QString());
        qInstallMessageHandler(previous());
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList captured() const
    {
        const QMutexLocker lock(&mutex());
        return lines();
    }
    QString text() const { return captured().join(QLatin1Char('\n')); }

    // The first of `expected` (each the start of a line) that no line after
    // the one before it holds; empty when the log holds them all in order.
    QString firstMissing(const QStringList& expected) const
    {
        const QStringList lines = captured();
        qsizetype at = 0;
        for (const QString& wanted : expected) {
            while (at < lines.size() && !lines.at(at).startsWith(wanted))
                ++at;
            if (at == lines.size())
                return wanted;
            ++at;
        }
        return {};
    }

private:
    static void capture(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (context.category && QByteArray(context.category).startsWith("tq612.")) {
            const QMutexLocker lock(&mutex());
            lines() << QLatin1String(context.category) + QLatin1String(": ") + message;
        } else if (previous()) {
            previous()(type, context, message);
        }
    }
    // Qt's message handler is a plain function: what it fills lives here.
    static QStringList& lines()
    {
        static QStringList l;
        return l;
    }
    static QtMessageHandler& previous()
    {
        static QtMessageHandler p = nullptr;
        return p;
    }
    static QMutex& mutex()
    {
        static QMutex m;
        return m;
    }
};
