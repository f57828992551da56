// tq612-cli live: one line per sample, taken as the program's real-time
// recording takes them: on a MainTimer tick after a live frame, every
// --every ticks, from the latest frame.
#include "Commands.h"
#include "Console.h"
#include "MeterConnection.h"
#include "StopSignal.h"

#include "app/DateTime.h"

#include <QEventLoop>

namespace cli {

namespace {

QString timeStamp(TDateTime t)
{
    return DateTime::toQDateTime(t).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

// A reading as the meter shows it: one decimal, or OL beyond its range.
QString reading(const LiveFrame& frame, int channel, bool quoteOverRange)
{
    if (frame.overRange(channel))
        return quoteOverRange ? QStringLiteral("\"OL\"") : QStringLiteral("OL");
    const float values[] = {frame.T1, frame.T2, frame.T3, frame.T4};
    return QString::number(double(values[channel]), 'f', 1);
}

QString unit(const LiveFrame& frame)
{
    return frame.Celsius ? QStringLiteral("C") : QStringLiteral("F");
}

QString csvLine(TDateTime t, const LiveFrame& frame)
{
    QStringList fields{timeStamp(t)};
    for (int c = 0; c < 4; ++c)
        fields << reading(frame, c, false);
    fields << unit(frame);
    return fields.join(QLatin1Char(','));
}

QString jsonLine(TDateTime t, const LiveFrame& frame)
{
    const auto flag = [](bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); };
    QString line = QStringLiteral("{\"time\":\"%1\"").arg(timeStamp(t));
    for (int c = 0; c < 4; ++c)
        line += QStringLiteral(",\"T%1\":%2").arg(c + 1).arg(reading(frame, c, true));
    line += QStringLiteral(",\"unit\":\"%1\",\"hold\":%2,\"rec\":%3}")
                .arg(unit(frame), flag(frame.Hold), flag(frame.Recording));
    return line;
}

// A whole number of at least 1, or nothing.
std::optional<int> positiveInteger(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= 1 ? std::optional<int>(value) : std::nullopt;
}

} // namespace

int runLive(const QCommandLineParser& parser)
{
    if (parser.positionalArguments().size() > 1) {
        error(QStringLiteral("live takes no arguments"));
        return Usage;
    }
    const QString format = parser.value(QStringLiteral("format"));
    if (format != QLatin1String("csv") && format != QLatin1String("jsonl")) {
        error(QStringLiteral("--format must be csv or jsonl"));
        return Usage;
    }
    const auto every = positiveInteger(parser.value(QStringLiteral("every")));
    if (!every) {
        error(QStringLiteral("--every must be a whole number of seconds, at least 1"));
        return Usage;
    }
    std::optional<int> count;
    if (parser.isSet(QStringLiteral("count"))) {
        count = positiveInteger(parser.value(QStringLiteral("count")));
        if (!count) {
            error(QStringLiteral("--count must be a whole number, at least 1"));
            return Usage;
        }
    }

    MeterConnection connection(parser.value(QStringLiteral("port")));
    if (const int code = connection.connect())
        return code;

    // As Run does: a sample every `every` ticks, the first on the next tick after a frame.
    connection.settings().RealTimeRate = *every;
    connection.link().RateTicks = *every;
    ConsoleHost& host = connection.host();
    host.sampling = true;

    QEventLoop loop;
    const bool jsonl = format == QLatin1String("jsonl");
    if (!jsonl)
        out(QStringLiteral("time,T1,T2,T3,T4,unit"));
    int printed = 0;
    host.onSample = [&](TDateTime tickTime) {
        if (!host.lastFrame)
            return;
        out(jsonl ? jsonLine(tickTime, *host.lastFrame) : csvLine(tickTime, *host.lastFrame));
        if (count && ++printed >= *count)
            loop.quit();
    };
    StopSignal stop;
    QObject::connect(&stop, &StopSignal::stopRequested, &loop, &QEventLoop::quit);
    loop.exec();
    return Done;
}

} // namespace cli
