// What the programs say about their own use: each tq612-cli command's help,
// the options that make sense only together, and the simulator's help.
#include "CliRun.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// `tq612-cli <command> --help`: the program's name and the command in the
// usage line, the command's own options (and the log's, which every command
// takes), nothing of the other commands.
TEST(CliHelp, EachCommandShowsItsNameAndOnlyItsOwnOptions)
{
    const struct {
        const char* command;
        QStringList usage;   // the usage line (the program itself: no command)
        QStringList shown;
        QStringList notShown;
    } cases[] = {
        {"", {"Usage: tq612-cli [options] command"}, {"Commands:", "check", "convert", "--version", "--log"}, {"--retries"}},
        {"ports", {"Usage: tq612-cli ports [options]"}, {"-v, --verbose", "--log <FILE>"}, {"--port", "Commands:"}},
        {"check", {"Usage: tq612-cli check [options]"}, {"--port <P>", "--root <DIR>"}, {"--every", "--retries"}},
        {"live",
         {"Usage: tq612-cli live [options]"},
         {"--every <SECONDS>", "--no-recovery", "--mqtt <HOST[:PORT]>", "--mqtt-user <NAME>", "-v, --verbose"},
         {"--retries", "--interval", "--root", "Commands:"}},
        {"download", {"Usage: tq612-cli download [options]"}, {"-o, --output <FILE.ch4>", "--csv <DIR>", "--retries <N>"},
         {"--every", "--mqtt", "--clock"}},
        {"setup", {"Usage: tq612-cli setup [options]"}, {"--clock", "--interval <MM:SS>", "--erase", "--yes", "--info"},
         {"--csv", "--every"}},
        {"convert", {"Usage: tq612-cli convert [options] FILE.ch4|FILE.ghf"}, {"--csv <DIR>", "--txt <DIR>"},
         {"--port", "--retries", "--version"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        QStringList args{QStringLiteral("--help")};
        if (*c.command)
            args.prepend(QLatin1String(c.command));
        const CliRun run = runCli(args);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        EXPECT_EQ(run.outLines().value(0), c.usage.first()) << run.out.toStdString();
        EXPECT_FALSE(run.out.contains(QStringLiteral(TQ612_CLI))) << "the build folder's path: " << run.out.toStdString();
        for (const QString& text : c.shown)
            EXPECT_TRUE(run.out.contains(text)) << "missing: " << text.toStdString() << "\n" << run.out.toStdString();
        for (const QString& text : c.notShown)
            EXPECT_FALSE(run.out.contains(text)) << "unexpected: " << text.toStdString() << "\n" << run.out.toStdString();
    }
}

// The broker's options without --mqtt would be dropped without a word: each
// one is a usage error, found before any port is opened (this one does not exist).
TEST(CliUsage, BrokerOptionsWithoutTheBrokerAreRefused)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("any"));
    const QStringList cases[] = {
        {"--mqtt-user", "lab"},   {"--topic", "lab/bench1"},        {"--qos", "2"},
        {"--mqtt-password-file", file}, {"--mqtt-cafile", file}, {"--mqtt-cert", file},
        {"--mqtt-key", file},     {"--ha-discovery"},
    };
    for (const QStringList& option : cases) {
        SCOPED_TRACE(option.join(' ').toStdString());
        const CliRun run = runCli(QStringList{"live", "--port", "/dev/tq612-none", "--count", "1"} + option);
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_EQ(run.err, QStringLiteral("tq612-cli: %1 is for the broker: give --mqtt HOST[:PORT] too\n").arg(option.first()));
        EXPECT_TRUE(run.out.isEmpty());
    }
}

// tq612-metersim --help says what each value is when it is not given.
TEST(MeterSimHelp, ShowsTheDefaults)
{
    const CliRun run = runProgram(QStringLiteral(TQ612_METERSIM), {QStringLiteral("--help")});
    EXPECT_EQ(run.exitCode, 0);
    const QString help = run.out.simplified();  // Qt wraps the descriptions
    const struct {
        const char* option;
        const char* saying;
    } cases[] = {
        {"--model <code>", "Default: 612."},      {"--rate-ms <ms>", "Default: 500."},
        {"--keepalive-ms <ms>", "Default: 5000."}, {"--chunk <bytes>", "Default: 0."},
        {"--latency-ms <ms>", "Default: 16."},    {"--late-ack-every <n>", "Default: 0."},
        {"--late-ack-ms <ms>", "Default: 150."},  {"--memory <file>", "three demonstration data sets"},
    };
    for (const auto& c : cases) {
        const qsizetype at = help.indexOf(QLatin1String(c.option));
        ASSERT_GE(at, 0) << c.option << "\n" << help.toStdString();
        // The option's own description: up to the next option.
        const QString own = help.mid(at).section(QStringLiteral(" --"), 0, 0);
        EXPECT_TRUE(own.contains(QLatin1String(c.saying))) << c.option << ": " << own.toStdString();
    }
}

} // namespace
