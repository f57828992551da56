// The commands of the live link: identify, start, keep-alive.
#include "MeterSim.h"

namespace metersim {

namespace {

QByteArray identifyReply(const Options& o)
{
    if (!o.identifyReply.isEmpty())
        return o.identifyReply;
    QByteArray reply(10, '\0');
    reply[0] = 0x02;
    reply[9] = 0x03;
    switch (o.badIdentify) {
    case BadIdentify::Short:
        return QByteArray("\x02" "61", 3);
    case BadIdentify::Wrong:
        reply.replace(1, 3, "700");
        return reply;
    case BadIdentify::None:
        break;
    }
    reply.replace(1, 3, QByteArray::number(o.model));
    return reply;
}

} // namespace

void installLinkCommands(MeterSim& sim)
{
    sim.registerHandler('K', [](MeterSim& s, const QByteArray&) { s.send(identifyReply(s.options())); });
    sim.registerHandler('a', [](MeterSim& s, const QByteArray&) {
        s.setDownloading(false);  // a download left without "Q" is over
        s.keepAlive();
        s.setStreaming(true);
    });
    sim.registerHandler('X', [](MeterSim& s, const QByteArray&) { s.keepAlive(); });
}

} // namespace metersim
