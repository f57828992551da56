#pragma once
// The simulated meter the broker tests read, and how they compare what the
// broker handed on with what was printed.

#include "MeterSim.h"

#include <QStringList>
#include <memory>

// A meter on a pseudo-terminal sending ten frames a second; with
// `holdKnownValues` its display holds known readings in every frame.
inline std::unique_ptr<metersim::MeterSim> startMeter(bool holdKnownValues)
{
    metersim::Options o;
    o.rateMs = 100;
    o.registerPort = false;
    auto sim = std::make_unique<metersim::MeterSim>(o);
    if (!sim->start())
        return nullptr;
    if (holdKnownValues) {
        auto locked = sim->lock();
        metersim::MeterState& m = sim->meter();
        m.hold = true;  // the display keeps these values in every frame
        m.recording = true;
        m.shown = {21.5, -3.2, 1500.0, 30.0};  // T3 beyond the Celsius range: OL
    }
    return sim;
}

// Readings in the order they came, each once (a reading the broker took but
// could not confirm before the connection went may come twice).
inline QStringList withoutRepeats(QStringList readings)
{
    readings.removeDuplicates();  // keeps the first of each, in order
    return readings;
}
