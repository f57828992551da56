#include "DemoMemory.h"

#include "MemoryImageBuilder.h"

#include <cmath>

namespace metersim {

namespace {
// Fills `set` with `count` records whose four readings `reading(record, channel)` gives in degrees.
template <typename Reading>
void fill(RecordedDataSet& set, int count, int model, Reading reading)
{
    set.records.clear();
    for (int r = 0; r < count; ++r) {
        std::array<std::uint16_t, 4> words{};
        for (int c = 0; c < 4; ++c)
            words[c] = MemoryImageBuilder::encodeReading(reading(r, c), model);
        set.records.push_back(words);
    }
}
} // namespace

QByteArray demoMemory(int model)
{
    MemoryImageBuilder b;
    b.model = model;
    b.currentIntervalSecs = 30;

    RecordedDataSet& cold = b.addDataSet(0, 30);
    cold.start = QDateTime(QDate(2026, 1, 12), QTime(7, 30, 0));
    fill(cold, 20, model, [](int r, int c) {
        switch (c) {
        case 0: return 4.0 - 0.5 * r;                 // a probe in the freezer: 4.0 down to -5.5
        case 1: return 21.5 + std::sin(r / 3.0);      // the room
        case 2: return -12.3 + 0.1 * r;               // ice warming slowly
        default: return 60.0 + 1.5 * r;               // a warming plate
        }
    });

    RecordedDataSet& quick = b.addDataSet(0, 2);
    quick.start = QDateTime(QDate(2026, 1, 12), QTime(9, 15, 20));
    fill(quick, 120, model, [](int r, int c) {
        const double t = r / 12.0;
        switch (c) {
        case 0: return 25.0 + 5.0 * std::sin(t);
        case 1: return 25.0 + 5.0 * std::cos(t);
        case 2: return 18.0 + 0.05 * r;
        default: return 37.0 + 0.4 * std::sin(3 * t);
        }
    });

    RecordedDataSet& fahrenheit = b.addDataSet(0, 60, true);
    fahrenheit.start = QDateTime(QDate(2026, 1, 13), QTime(14, 0, 0));
    fill(fahrenheit, 8, model, [](int r, int c) {
        switch (c) {
        case 0: return 72.5 + r;
        case 1: return 68.0;
        case 2: return 32.0 - 0.5 * r;
        default: return 98.6;
        }
    });
    return b.build();
}

} // namespace metersim
