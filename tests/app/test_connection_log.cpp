// The link's log in the program: Help > Save Connection Log writes the recent
// events, and --log FILE that cannot be written stops the start with a reason.
#include "app/UMain.h"
#include "link/LinkLogSink.h"
#include "support/FakePrompts.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QProcess>
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
