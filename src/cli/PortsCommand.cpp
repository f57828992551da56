// tq612-cli ports: every port the program would list, and what answers there.
#include "Commands.h"
#include "Console.h"
#include "MeterConnection.h"

#include "link/ComPort.h"
#include "link/MeterIdentify.h"

namespace cli {

int runPorts(const QCommandLineParser& parser)
{
    if (parser.positionalArguments().size() > 1) {
        error(QStringLiteral("ports takes no arguments"));
        return Usage;
    }
    const QStringList ports = MeterConnection::programPorts();
    if (ports.isEmpty()) {
        error(QStringLiteral("no serial port found"));
        return NoMeter;
    }
    bool meterFound = false;
    for (const QString& name : ports) {
        const QString device = TComPort::devicePathFor(name);
        if (!MeterConnection::checkUsable(device)) {
            out(device + QStringLiteral("\tnot usable"));
            continue;
        }
        const int model = MeterIdentify::askModel(device);
        meterFound = meterFound || model != 0;
        out(device + (model ? QStringLiteral("\tmeter %1").arg(model) : QStringLiteral("\tno meter")));
    }
    return meterFound ? Done : NoMeter;
}

} // namespace cli
