#include "files/TextExport.h"

#include "files/CheckedFileWriter.h"
#include "files/TextLines.h"
#include "logger/DataSetModel.h"

#include <algorithm>

namespace TextExport {

namespace {
// The chart's mark of a point without data; the text writer writes it "OL".
constexpr float NoDataValue = 9999.0f;
} // namespace

Points dataSetPoints(const DataSetModel& model, int k)
{
    Points points;
    const size_t first = size_t(model.firstReadingIndex(k));
    const size_t records = size_t(model.RecordCounts[size_t(k)]);
    points.x.reserve(records);
    for (auto& channel : points.y)
        channel.reserve(records);
    for (size_t r = 0; r < records; ++r) {
        const size_t at = first + 4 * r;
        points.x.push_back(model.ReadingTimes[at]);
        for (size_t c = 0; c < 4; ++c)
            points.y[c].push_back(model.Readings[at + c]);
    }
    return points;
}

Points chartPoints(const ChartState& chart)
{
    Points points;
    const size_t count = size_t(std::max(chart.points, 0));
    if (!chart.x.empty())
        points.x.assign(chart.x[0].begin(), chart.x[0].begin() + std::min(count, chart.x[0].size()));
    for (size_t c = 0; c < 4; ++c) {
        std::vector<float>& channel = points.y[c];
        if (c < chart.y.size())
            channel.assign(chart.y[c].begin(), chart.y[c].begin() + std::min(count, chart.y[c].size()));
        channel.resize(points.x.size(), NoDataValue);
    }
    return points;
}

QByteArray lines(const Points& points, QChar separator)
{
    QByteArray text;
    for (size_t i = 0; i < points.x.size(); ++i) {
        if (points.x[i] == 0)
            break;  // the recorded points end here
        const std::array<float, 4> y{points.y[0][i], points.y[1][i], points.y[2][i], points.y[3][i]};
        text += TextLines::graphLine(points.x[i], y, separator).toUtf8() + "\r\n";
    }
    return text;
}

bool writeFile(const QString& fileName, const Points& points, QChar separator, QString* error)
{
    return CheckedFile::write(fileName, lines(points, separator), error);
}

} // namespace TextExport
