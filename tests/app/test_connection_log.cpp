// The link's log in the program: Help > Save Connection Log writes the recent
// events, --log FILE that cannot be written stops the start with a reason,
// and QT_LOGGING_RULES switches the log's lines on for stderr.
#include "app/UMain.h"
#include "link/LinkLogSink.h"
#include "support/FakePrompts.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ConnectionLog, SaveConnectionLogWritesWhatTheProbeAskedAndHeard)
{
    QString error;
    ASSERT_TRUE(LinkLogSink::start({false, {}, 100}, &error)) << error.toStdString();
    FakePrompts prompts;
    ScopedPrompts answering(prompts);
    TfrmMain window;
    window.ComboBoxDeviceName->blockSignals(true);
    window.ComboBoxDeviceName->clear();
    window.ComboBoxDeviceName->addItem(QStringLiteral("/nonexistent/ttyTQ612"));
    window.ComboBoxDeviceName->blockSignals(false);
    window.Link.ProbeReplyMs = 10;
    window.Link.ProbePorts();

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("link.log"));
    prompts.fileNames.push_back(file);
    window.SaveConnectionLog1->trigger();
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(saved.readAll());
    EXPECT_TRUE(text.contains(QLatin1String("tq612.link: probe: asking /nonexistent/ttyTQ612"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QLatin1String("does not open"))) << text.toStdString();
}

TEST(ConnectionLog, ALogFileThatCannotBeWrittenStopsTheStartWithItsReason)
{
    QTemporaryDir dir;
    QProcess program;
    program.start(QStringLiteral(TQ612_EXE), {QStringLiteral("--log"), dir.filePath(QStringLiteral("missing/link.log"))});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 1);
    EXPECT_TRUE(program.readAllStandardError().contains("cannot write the log"));
}

// The program started as a user starts it, with or without QT_LOGGING_RULES,
// and --log FILE to tell when its start-up probe is done. Its probe asks a
// port that does not exist; what stderr shows then is the answer.
TEST(ConnectionLog, QtLoggingRulesSwitchTheLinesOnForStderr)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("TQ612"), QStringLiteral("TQ612"));
    settings.setValue(QStringLiteral("SerialComm/test"), QStringLiteral("/nonexistent/ttyTQ612"));
    settings.sync();
    const struct {
        const char* rules;
        bool printed;
    } cases[] = {{"tq612.*.debug=true", true}, {"tq612.link.debug=true", true}, {"tq612.download.debug=true", false}, {"", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rules);
        QTemporaryDir dir;
        const QString logFile = dir.filePath(QStringLiteral("link.log"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (*c.rules)
            environment.insert(QStringLiteral("QT_LOGGING_RULES"), QLatin1String(c.rules));
        else
            environment.remove(QStringLiteral("QT_LOGGING_RULES"));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TQ612_EXE), {QStringLiteral("--log"), logFile});
        ASSERT_TRUE(program.waitForStarted(30000));
        const auto probed = [&] {
            QFile log(logFile);
            return log.open(QIODevice::ReadOnly) && log.readAll().contains("does not open");
        };
        QElapsedTimer waited;
        waited.start();
        while (!probed() && waited.elapsed() < 60000)
            program.waitForReadyRead(100);
        EXPECT_TRUE(probed()) << "the start-up probe ran";
        program.waitForReadyRead(300);
        program.kill();
        program.waitForFinished(10000);
        const QString errors = QString::fromUtf8(program.readAllStandardError());
        EXPECT_EQ(errors.contains(QLatin1String("tq612.link: probe: /nonexistent/ttyTQ612 does not open")), c.printed)
            << errors.toStdString();
    }
    settings.remove(QStringLiteral("SerialComm"));
}
