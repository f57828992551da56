#pragma once
// One live sample as tq612-cli hands it on: the moment it was taken, with the
// local clock's offset from UTC, and the meter's frame at that moment. Every
// output (csv, jsonl, the broker) is made from it here, so they agree.

#include "app/DateTime.h"
#include "link/LiveFrame.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

namespace cli {

struct LiveSample {
    QDateTime time;  // carries its UTC offset
    LiveFrame frame;
};

// The local time `tick` with its UTC offset, the clock now reading `now`.
// Where the clocks go back a local time names two moments; the one nearer
// `now` is meant.
QDateTime momentOf(TDateTime tick, const QDateTime& now = QDateTime::currentDateTime());

// The sample taken on the tick at local time `tick` (its moment as above).
LiveSample makeSample(TDateTime tick, const LiveFrame& frame,
                      const QDateTime& now = QDateTime::currentDateTime());

// 2026-03-29T01:59:59+01:00
QString timeText(const QDateTime& time);

// {"time":..., "T1".."T4": number, "OL" beyond the range or null without a
// reading, "unit": "C"|"F", "hold": bool, "rec": bool}
QJsonObject sampleJson(const LiveSample& sample);
// The object above on one line.
QString jsonLine(const LiveSample& sample);

QString csvHeading();
QString csvLine(const LiveSample& sample);

// InfluxDB line protocol, nanoseconds since 1970 UTC:
// tq612,meter=<id> T1=21.5,T2=-3.2,T4=30,unit="C",hold=false,rec=false 1796958245000000000
// A channel without a number (OL, no reading) is left out, so each field keeps one type.
// `meterId` is made of letters, digits, '-' and '_'.
QString influxLine(const LiveSample& sample, const QString& meterId);

} // namespace cli
