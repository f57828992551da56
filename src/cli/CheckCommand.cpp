// tq612-cli check: why the meter is (not) found, port by port, with the fixes.
#include "Commands.h"
#include "Console.h"

#include "link/ConnectionCheck.h"

#include <QFileInfo>

namespace cli {

int runCheck(const QCommandLineParser& parser)
{
    if (parser.positionalArguments().size() > 1) {
        error(QStringLiteral("check takes no arguments"));
        return Usage;
    }
    const QString root = parser.isSet(QStringLiteral("root")) ? parser.value(QStringLiteral("root")) : QStringLiteral("/");
    if (!QFileInfo(root).isDir()) {
        error(QStringLiteral("--root %1: there is no such folder").arg(root));
        return Usage;
    }
    const ConnectionCheck check(SystemView(root), Account::ofThisProcess(), true);
    const QStringList ports = parser.isSet(QStringLiteral("port")) ? QStringList{parser.value(QStringLiteral("port"))}
                                                                   : check.portsToCheck();
    const ConnectionReport report = check.run(ports);
    for (const QString& line : report.lines)
        out(line);
    return report.meterAnswered() ? Done : NoMeter;
}

} // namespace cli
