#pragma once
// Coarser copies of one large line, for drawing it quickly when many points
// share a pixel column. Each level keeps, of every run of points of the level
// below, the lowest and the highest in their order, and every gap (a NaN
// value). When the runs of a level are narrower than half a pixel column,
// each column still holds its lowest and highest point, so the line looks as
// the full line does, and a wheel zoom over a million points redraws from a
// few thousand.

#include <qcustomplot.h>

#include <vector>

class DetailLevels {
public:
    // Lines shorter than this are always drawn whole.
    static constexpr int MinPointsForLevels = 100000;

    // Forget the levels: the full line has changed.
    void clear() { levels.clear(); }

    // What to draw of `full` when the keys `visible` span `pixels` columns:
    // the coarsest level fine enough, or `full` itself.
    QSharedPointer<QCPGraphDataContainer> forView(const QSharedPointer<QCPGraphDataContainer>& full,
                                                  const QCPRange& visible, int pixels);

    // One level: of every `run` points of `source`, the lowest and highest.
    static QSharedPointer<QCPGraphDataContainer> reduce(const QCPGraphDataContainer& source, int run);

private:
    void build(const QCPGraphDataContainer& full);

    struct Level {
        double pointsPerRun = 1;  // points of the full line behind each run
        QSharedPointer<QCPGraphDataContainer> data;
    };
    std::vector<Level> levels;  // finest first
};
