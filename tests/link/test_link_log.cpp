// The link log: quiet by default; switched on, it tells which ports the
// probe asked, why one did not open and what each one answered.
#include "LinkTestSupport.h"
#include "MeterSim.h"

#include <QLoggingCategory>
#include <gtest/gtest.h>

namespace {

QStringList captured;

void capture(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (context.category && QLatin1String(context.category) == QLatin1String("tq612.link"))
        captured << message;
}

// Collects the link log's messages while it lives.
class LinkLogCapture {
public:
    LinkLogCapture() : previous(qInstallMessageHandler(capture)) { captured.clear(); }
    ~LinkLogCapture()
    {
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QStringLiteral("tq612.link.debug=false"));
    }

private:
    QtMessageHandler previous;
};

QStringList probeAMissingPortAndAMeter(metersim::MeterSim& sim)
{
    LinkFixture f;
    f.host.ports << QStringLiteral("/dev/no-such-meter") << sim.portPath();
    captured.clear();
    f.link.ProbePorts();
    EXPECT_TRUE(f.link.Connected);
    return captured;
}

} // namespace

TEST(LinkLog, TellsWhatTheProbeAskedAndHeardWhenSwitchedOn)
{
    metersim::Options o;
    o.registerPort = false;
    o.rateMs = 0;
    metersim::MeterSim sim(o);
    ASSERT_TRUE(sim.start());
    LinkLogCapture log;

    EXPECT_TRUE(probeAMissingPortAndAMeter(sim).isEmpty()) << "quiet unless asked for";

    QLoggingCategory::setFilterRules(QStringLiteral("tq612.link.debug=true"));
    const QString lines = probeAMissingPortAndAMeter(sim).join(QLatin1Char('\n'));
    for (const QString& expected : {QStringLiteral("probe: asking /dev/no-such-meter, ") + sim.portPath(),
                                    QStringLiteral("probe: /dev/no-such-meter does not open: No such file or directory"),
                                    QStringLiteral("probe: ") + sim.portPath() + QStringLiteral(" answers 02 36 31 32"),
                                    QStringLiteral("probe: meter 612 on ") + sim.portPath()})
        EXPECT_TRUE(lines.contains(expected)) << "missing: " << expected.toStdString() << "\n" << lines.toStdString();
}
