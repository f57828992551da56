// tq612-metersim: a simulated meter on a pseudo-terminal.
//
// Prints the terminal's path on standard output once it is registered, then
// runs until SIGINT or SIGTERM, when it unregisters the port. SIGUSR1 makes
// the meter fall silent or speak again.
//
// The logger memory that Data Logger > Load downloads is a few demonstration
// data sets, a collection file (--memory), or nothing (--empty-memory).
#include "DemoMemory.h"
#include "MemoryImageBuilder.h"
#include "MeterSim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <pthread.h>

using metersim::BadIdentify;

namespace {

// An option with a value whose help names the value it takes when not given.
QCommandLineOption withDefault(const QString& name, const QString& description, const QString& valueName,
                               const QString& defaultValue)
{
    return {name, QStringLiteral("%1 Default: %2.").arg(description, defaultValue), valueName, defaultValue};
}

} // namespace

int main(int argc, char* argv[])
{
    // Block the handledSignals before any thread starts, then wait for them here.
    sigset_t handledSignals;
    sigemptyset(&handledSignals);
    sigaddset(&handledSignals, SIGINT);
    sigaddset(&handledSignals, SIGTERM);
    sigaddset(&handledSignals, SIGHUP);
    sigaddset(&handledSignals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &handledSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tq612-metersim"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A simulated TQ612 meter on a pseudo-terminal."));
    parser.addHelpOption();
    QCommandLineOption model = withDefault(QStringLiteral("model"), QStringLiteral("Model code, 612 or 618."),
                                           QStringLiteral("code"), QStringLiteral("612"));
    QCommandLineOption rate = withDefault(QStringLiteral("rate-ms"), QStringLiteral("Live-frame period in ms."),
                                          QStringLiteral("ms"), QStringLiteral("500"));
    QCommandLineOption badIdentify(QStringLiteral("bad-identify"),
                                   QStringLiteral("Answer K wrongly: short or wrong (without it: rightly)."), QStringLiteral("kind"));
    QCommandLineOption noRegister(QStringLiteral("no-register"), QStringLiteral("Do not list the port in the settings file."));
    QCommandLineOption keepAlive = withDefault(QStringLiteral("keepalive-ms"),
                                               QStringLiteral("Stop streaming after this long without X (0: never)."),
                                               QStringLiteral("ms"), QStringLiteral("5000"));
    QCommandLineOption memory(QStringLiteral("memory"),
                              QStringLiteral("Serve the data sets of this collection file (*.ch4) "
                                             "(without it: three demonstration data sets)."),
                              QStringLiteral("file"));
    QCommandLineOption emptyMemory(QStringLiteral("empty-memory"), QStringLiteral("Serve a memory without data sets."));
    QCommandLineOption unpaced(QStringLiteral("unpaced"), QStringLiteral("Send downloads at once instead of at 9600 baud."));
    QCommandLineOption chunk = withDefault(QStringLiteral("chunk"),
                                           QStringLiteral("Behave like a USB serial adapter: hand bytes over in chunks "
                                                          "of at most this many (0: as they come)."),
                                           QStringLiteral("bytes"), QStringLiteral("0"));
    QCommandLineOption latency = withDefault(QStringLiteral("latency-ms"),
                                             QStringLiteral("The adapter's latency timer: a chunk that is not full goes "
                                                            "this long after its first byte."),
                                             QStringLiteral("ms"), QStringLiteral("16"));
    QCommandLineOption lateAckEvery = withDefault(QStringLiteral("late-ack-every"),
                                                  QStringLiteral("Answer every n-th acknowledgement of a download late "
                                                                 "(0: none)."),
                                                  QStringLiteral("n"), QStringLiteral("0"));
    QCommandLineOption lateAckMs = withDefault(QStringLiteral("late-ack-ms"), QStringLiteral("How late such an answer comes."),
                                               QStringLiteral("ms"), QStringLiteral("150"));
    QCommandLineOption pauseEvery = withDefault(QStringLiteral("pause-every"),
                                                QStringLiteral("Pause inside every n-th block of a download, as a meter "
                                                               "reading its next memory page (0: never)."),
                                                QStringLiteral("n"), QStringLiteral("0"));
    QCommandLineOption pauseMs = withDefault(QStringLiteral("pause-ms"), QStringLiteral("How long such a pause lasts."),
                                             QStringLiteral("ms"), QStringLiteral("40"));
    parser.addOptions({model, rate, badIdentify, noRegister, keepAlive, memory, emptyMemory, unpaced, chunk, latency,
                       lateAckEvery, lateAckMs, pauseEvery, pauseMs});
    parser.process(app);

    metersim::Options options;
    options.model = parser.value(model).toInt();
    if (options.model != 612 && options.model != 618) {
        std::fprintf(stderr, "tq612-metersim: --model must be 612 or 618\n");
        return 2;
    }
    options.rateMs = std::max(0, parser.value(rate).toInt());
    options.keepAliveTimeoutMs = std::max(0, parser.value(keepAlive).toInt());
    options.registerPort = !parser.isSet(noRegister);
    options.pacedDownload = !parser.isSet(unpaced);
    options.adapter.chunk = std::clamp(parser.value(chunk).toInt(), 0, 4096);
    options.adapter.latencyMs = std::clamp(parser.value(latency).toInt(), 0, 1000);
    options.lateAckEvery = std::max(0, parser.value(lateAckEvery).toInt());
    options.lateAckMs = std::clamp(parser.value(lateAckMs).toInt(), 0, 10000);
    options.pauseEvery = std::max(0, parser.value(pauseEvery).toInt());
    options.pauseMs = std::clamp(parser.value(pauseMs).toInt(), 0, 10000);
    if (parser.isSet(memory) && parser.isSet(emptyMemory)) {
        std::fprintf(stderr, "tq612-metersim: --memory and --empty-memory exclude each other\n");
        return 2;
    }
    if (parser.isSet(memory)) {
        options.memory = metersim::MemoryImageBuilder::loadCollectionFile(parser.value(memory));
        if (options.memory.isEmpty()) {
            std::fprintf(stderr, "tq612-metersim: cannot read %s\n", qPrintable(parser.value(memory)));
            return 2;
        }
    } else if (!parser.isSet(emptyMemory)) {
        options.memory = metersim::demoMemory(options.model);
    }
    if (parser.isSet(badIdentify)) {
        const QString kind = parser.value(badIdentify);
        if (kind == QLatin1String("short"))
            options.badIdentify = BadIdentify::Short;
        else if (kind == QLatin1String("wrong"))
            options.badIdentify = BadIdentify::Wrong;
        else {
            std::fprintf(stderr, "tq612-metersim: --bad-identify must be short or wrong\n");
            return 2;
        }
    }

    metersim::MeterSim sim(options);
    QString error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "tq612-metersim: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(sim.portPath()));
    std::fflush(stdout);

    for (;;) {
        int signal = 0;
        if (sigwait(&handledSignals, &signal) != 0)
            continue;
        if (signal == SIGUSR1) {
            sim.setSilent(!sim.silent());
            std::fprintf(stderr, "tq612-metersim: %s\n", sim.silent() ? "silent" : "speaking");
            continue;
        }
        break;
    }
    sim.stop();
    return 0;
}
