#pragma once
// Text and CSV files of a data set or of a saved graph, line for line what
// File > Save writes from a graph window: date, time, T1..T4 joined by the
// separator, CR LF after each line, ending at the first point whose time is 0.

#include "chart/ChartState.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <array>
#include <vector>

class DataSetModel;

namespace TextExport {

// The points of a chart: the time of each point and the four readings.
struct Points {
    std::vector<double> x;
    std::array<std::vector<float>, 4> y;
};

// Data set k of the model, as the DataLogger window draws it.
Points dataSetPoints(const DataSetModel& model, int k);
// The points of a saved chart; a channel the chart does not hold reads as no data.
Points chartPoints(const ChartState& chart);

// The lines of `points`, each ending in CR LF, as a file holds them.
QByteArray lines(const Points& points, QChar separator);
// Writes the lines of `points` to `fileName`, replacing it only when the
// whole file is written; false with the reason in `error`.
bool writeFile(const QString& fileName, const Points& points, QChar separator, QString* error);

} // namespace TextExport
