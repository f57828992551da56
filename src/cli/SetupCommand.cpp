// tq612-cli setup: the meter setup's operations, each run alone as its
// button in the Data Logger Setup window runs it (command mode entered and
// left around it), in the order clock, interval, erase, information.
#include "Commands.h"
#include "Console.h"
#include "MeterConnection.h"

#include "app/Clock.h"
#include "setup/MeterSetup.h"
#include "setup/SetupReplies.h"

#include <QRegularExpression>
#include <QTextStream>
#include <cstdio>

namespace cli {

namespace {

// The clock the meter is set to: a given moment that runs on from the start.
class ClockFrom : public Clock {
public:
    explicit ClockFrom(const QDateTime& start) : start(start) { sinceStart.start(); }
    QDateTime now() const override { return start.addMSecs(sinceStart.elapsed()); }

private:
    QDateTime start;
    QElapsedTimer sinceStart;
};

struct IntervalText {
    QString minutes, seconds;
};

std::optional<IntervalText> parseIntervalOption(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{1,2}):(\\d{1,2})$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch() || !SetupReplies::parseInterval(m.captured(1), m.captured(2)))
        return std::nullopt;
    return IntervalText{m.captured(1), m.captured(2)};
}

bool confirmErase()
{
    std::fputs("Erase all data sets in the meter's memory? [y/N] ", stderr);
    std::fflush(stderr);
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

void printInformation(const MeterSetup::Display& d)
{
    out(QStringLiteral("Firmware Version: %1").arg(d.lblFirmwareVersion));
    out(QStringLiteral("Meter Time: %1").arg(d.lblMeterTime));
    out(QStringLiteral("Recording Interval: %1").arg(d.lblInt));
    out(QStringLiteral("Data Sets In Memory: %1").arg(d.lblDataSets));
    // The meter counts its free memory in places for records.
    out(QStringLiteral("Memory Available: %1 records").arg(d.lblMemoryAvailable));
    out(QStringLiteral("Parameters: %1").arg(QStringList(d.parameters.begin(), d.parameters.end()).join(QLatin1Char(' '))));
}

} // namespace

int runSetup(const QCommandLineParser& parser)
{
    if (parser.positionalArguments().size() > 1) {
        error(QStringLiteral("setup takes no arguments"));
        return Usage;
    }
    const bool setClock = parser.isSet(QStringLiteral("clock"));
    const bool setInterval = parser.isSet(QStringLiteral("interval"));
    const bool erase = parser.isSet(QStringLiteral("erase"));
    const bool info = parser.isSet(QStringLiteral("info"));
    if (!setClock && !setInterval && !erase && !info) {
        error(QStringLiteral("nothing to do: give --clock, --interval, --erase or --info"));
        return Usage;
    }
    std::optional<QDateTime> clockStart;
    if (setClock) {
        const QString value = parser.value(QStringLiteral("clock"));
        if (value != QLatin1String("now")) {
            clockStart = QDateTime::fromString(value, QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
            if (!clockStart->isValid() || clockStart->date().year() < 2000 || clockStart->date().year() > 2099) {
                error(QStringLiteral("--clock must be now or YYYY-MM-DDTHH:MM:SS (years 2000 to 2099)"));
                return Usage;
            }
        }
    }
    std::optional<IntervalText> interval;
    if (setInterval) {
        interval = parseIntervalOption(parser.value(QStringLiteral("interval")));
        if (!interval) {
            error(QStringLiteral("--interval must be MM:SS, 00:01 to 59:59"));
            return Usage;
        }
    }
    if (erase && !parser.isSet(QStringLiteral("yes")) && !confirmErase()) {
        error(QStringLiteral("the memory was not erased; nothing was done"));
        return Usage;
    }

    MeterConnection connection(parser.value(QStringLiteral("port")));
    if (const int code = connection.connect())
        return code;
    MeterSetup setup(connection.link(), connection.host(), connection.mainTimer());
    setup.showMessage = [](const QString& text) { note(text); };

    bool allOk = true;
    if (setClock) {
        std::optional<ClockFrom> given;
        std::optional<ScopedClock> installed;
        if (clockStart) {
            given.emplace(*clockStart);
            installed.emplace(*given);
        }
        allOk = setup.AdjustMeterTime(true) && allOk;
    }
    if (interval)
        allOk = setup.AdjustRecordingInterval(true, interval->minutes, interval->seconds) && allOk;
    if (erase)
        allOk = setup.EraseMeterMemory(true) && allOk;
    if (info) {
        if (setup.ReadMeterInformation(true))
            printInformation(setup.display);
        else {
            error(QStringLiteral("the meter's information could not be read"));
            allOk = false;
        }
    }
    return allOk ? Done : TransferFailed;
}

} // namespace cli
