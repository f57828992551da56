// The meter's display keys. Their effect shows in the following live frames.
#include "MeterSim.h"

namespace metersim {

void installKeyCommands(MeterSim& sim)
{
    sim.registerHandler('H', [](MeterSim& s, const QByteArray&) { s.meter().hold = !s.meter().hold; });
    sim.registerHandler('E', [](MeterSim& s, const QByteArray&) { s.meter().recording = !s.meter().recording; });
    sim.registerHandler('C', [](MeterSim& s, const QByteArray&) { s.meter().celsius = !s.meter().celsius; });
    sim.registerHandler('T', [](MeterSim& s, const QByteArray&) { s.meter().t1t2 = !s.meter().t1t2; });
    sim.registerHandler('M', [](MeterSim& s, const QByteArray&) { s.meter().nextMode(QDateTime::currentDateTime()); });
    sim.registerHandler('N', [](MeterSim& s, const QByteArray&) { s.meter().leaveModes(); });
}

} // namespace metersim
