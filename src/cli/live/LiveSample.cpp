#include "LiveSample.h"

#include "app/DateTime.h"

#include <QJsonDocument>
#include <QStringList>
#include <cmath>
#include <cstdlib>

namespace cli {

namespace {

float channelValue(const LiveFrame& frame, int channel)
{
    const float values[] = {frame.T1, frame.T2, frame.T3, frame.T4};
    return values[channel];
}

bool hasReading(const LiveFrame& frame, int channel)
{
    return std::isfinite(channelValue(frame, channel));
}

// A reading as the meter shows it: one decimal.
QString shownValue(const LiveFrame& frame, int channel)
{
    return QString::number(double(channelValue(frame, channel)), 'f', 1);
}

QString unit(const LiveFrame& frame)
{
    return frame.Celsius ? QStringLiteral("C") : QStringLiteral("F");
}

QDateTime withOffset(const QDateTime& local, int offsetSeconds)
{
    return QDateTime(local.date(), local.time(), Qt::OffsetFromUTC, offsetSeconds);
}

} // namespace

QDateTime momentOf(TDateTime tick, const QDateTime& now)
{
    const QDateTime local = DateTime::toQDateTime(tick);
    // The offsets in force at the tick (as Qt resolves it) and now: in the hour
    // the clocks go back, the wall time fits both, and the moment is recent.
    QDateTime best = withOffset(local, local.offsetFromUtc());
    const QDateTime other = withOffset(local, now.offsetFromUtc());
    if (std::llabs(other.msecsTo(now)) < std::llabs(best.msecsTo(now)))
        best = other;
    return best;
}

LiveSample makeSample(TDateTime tick, const LiveFrame& frame, const QDateTime& now)
{
    return {momentOf(tick, now), frame};
}

QString timeText(const QDateTime& time)
{
    return DateTime::zonedText(time);
}

QJsonObject sampleJson(const LiveSample& sample)
{
    QJsonObject object{{QStringLiteral("time"), timeText(sample.time)}};
    for (int c = 0; c < 4; ++c) {
        QJsonValue value;  // null: no reading
        if (sample.frame.overRange(c))
            value = QStringLiteral("OL");
        else if (hasReading(sample.frame, c))
            value = shownValue(sample.frame, c).toDouble();  // 21.5, not 21.500000953674316
        object.insert(QStringLiteral("T%1").arg(c + 1), value);
    }
    object.insert(QStringLiteral("unit"), unit(sample.frame));
    object.insert(QStringLiteral("hold"), sample.frame.Hold);
    object.insert(QStringLiteral("rec"), sample.frame.Recording);
    return object;
}

QString jsonLine(const LiveSample& sample)
{
    return QString::fromUtf8(QJsonDocument(sampleJson(sample)).toJson(QJsonDocument::Compact));
}

QString csvHeading()
{
    return QStringLiteral("time,T1,T2,T3,T4,unit");
}

QString csvLine(const LiveSample& sample)
{
    QStringList fields{timeText(sample.time)};
    for (int c = 0; c < 4; ++c) {
        if (sample.frame.overRange(c))
            fields << QStringLiteral("OL");
        else
            fields << (hasReading(sample.frame, c) ? shownValue(sample.frame, c) : QString());
    }
    fields << unit(sample.frame);
    return fields.join(QLatin1Char(','));
}

QString influxLine(const LiveSample& sample, const QString& meterId)
{
    const auto flag = [](bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); };
    QStringList fields;
    for (int c = 0; c < 4; ++c) {
        if (!sample.frame.overRange(c) && hasReading(sample.frame, c))
            fields << QStringLiteral("T%1=%2").arg(c + 1).arg(shownValue(sample.frame, c));
    }
    fields << QStringLiteral("unit=\"%1\"").arg(unit(sample.frame)) << QStringLiteral("hold=") + flag(sample.frame.Hold)
           << QStringLiteral("rec=") + flag(sample.frame.Recording);
    return QStringLiteral("tq612,meter=%1 %2 %3")
        .arg(meterId, fields.join(QLatin1Char(',')))
        .arg(sample.time.toMSecsSinceEpoch() * 1000000);
}

} // namespace cli
