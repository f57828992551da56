#include "realtime/RealTimeRecorder.h"

#include "app/Clock.h"
#include "app/Prompts.h"
#include "app/Regional.h"
#include "app/UMain.h"
#include "chart/ChartTypes.h"
#include "chart/PESGraph.h"
#include "files/SaveGraph.h"
#include "stats/GraphStatistics.h"
#include "graph/UGraph.h"
#include "realtime/USetupRealtime.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QToolButton>

namespace {

constexpr int Channels = GraphStatistics::Channels;
constexpr double NoDataValue = 9999;
// How long Stop waits for a tick that is running elsewhere.
constexpr qint64 StopWaitMs = 2500;

TDateTime now()
{
    return DateTime::fromQDateTime(Clock::current().now());
}

void restoreNormal(QWidget* window)
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget()))
        sub->showNormal();
}

int rateOfBoxes(const QComboBox* minutes, const QComboBox* seconds)
{
    return minutes->currentText().toInt() * 60 + seconds->currentText().toInt();
}

void showRate(QComboBox* minutes, QComboBox* seconds, int rate)
{
    minutes->setCurrentIndex(qMax(0, minutes->findText(GraphStatistics::minutesText(rate))));
    seconds->setCurrentIndex(qMax(0, seconds->findText(GraphStatistics::secondsText(rate))));
}

// Every point of every subset back to "no data".
void emptyPoints(PESGraph& chart)
{
    for (int s = 0; s < chart.Subsets(); ++s) {
        for (int p = 0; p < chart.Points(); ++p)
            chart.setXDataII(s, p, 0);
        chart.setYDataII(-1, s, NoDataValue);
    }
}

} // namespace

RealTimeRecorder::RealTimeRecorder(TfrmMain& mainWindow)
    : QObject(&mainWindow)
    , main(mainWindow)
{
}

QString RealTimeRecorder::runQuestion()
{
    return QStringLiteral("There are datas in Real_Time graph ,it have to reset the graph.\n")
        + QStringLiteral("Do you want to save the Real-Time graph ?");
}

QString RealTimeRecorder::rateQuestion()
{
    return QStringLiteral("Sampling Rate is being changed and it is recording Real-Time data or there are data in Real_Time graph.")
        + QStringLiteral("If you want to make new sampling rate effective,it have to reset the graph.\n")
        + QStringLiteral("Do you want to save the Real-Time graph ?");
}

TfrmGraph* RealTimeRecorder::graph() const
{
    return main.RealTimeGraph.data();
}

QString RealTimeRecorder::recoveryFileName() const
{
    return RealTimeRecovery::fileName(main.DocumentFolder);
}

void RealTimeRecorder::setRunStopEnabled(bool running)
{
    main.btnRun->setEnabled(!running);
    main.Run1->setEnabled(!running);
    main.btnStop->setEnabled(running);
    main.Stop1->setEnabled(running);
}

void RealTimeRecorder::setClearEnabled(bool enabled)
{
    if (TfrmGraph* g = graph())
        g->tbntClr->setEnabled(enabled);
}

bool RealTimeRecorder::saveGraph()
{
    TfrmGraph* g = graph();
    return g && SaveGraph(*g->PESGraph1);
}

void RealTimeRecorder::discardRecovery()
{
    recovery.reset();
    const QString path = recoveryFileName();
    if (!path.isEmpty())
        QFile::remove(path);
}

// ---- The real-time window ---------------------------------------------------

void RealTimeRecorder::CreateRealTimeGraph()
{
    auto* window = new TfrmGraph(main);
    main.RealTimeGraph = window;
    window->setWindowTitle(QString::fromLatin1(TfrmGraph::RealTimeCaption));
    main.RealTimeGraph1->setChecked(true);
    QMdiSubWindow* sub = main.addChild(window);
    sub->move(sub->x(), 0);
    window->showClearButton(true);

    PESGraph& chart = *window->PESGraph1;
    const TDateTime start = now();
    PrepareGraph(chart, Channels, 50, -10, start + 110 * DateTime::OneSecond, start, 100);
    window->updateToolsForLayout();
    chart.setNoRandomPointsToExport(true);
    chart.setFocalRect(false);
    chart.setAllowBar(false);
    breakLinesAtMissedSamples(chart);

    window->ComboBox1->setEnabled(true);
    window->ComboBox2->setEnabled(true);
    showRate(window->ComboBox1, window->ComboBox2, main.Settings.RealTimeRate);
    connect(window->ComboBox1, &QComboBox::activated, this, &RealTimeRecorder::RateBoxChange);
    connect(window->ComboBox2, &QComboBox::activated, this, &RealTimeRecorder::RateBoxChange);
    // Runs after the window's own "Clear" handler: the samples are gone then.
    connect(window->tbntClr, &QToolButton::clicked, this, &RealTimeRecorder::graphCleared);
    // Closing the window after its samples were saved or discarded ends the recovery file.
    connect(window, &QObject::destroyed, this, [this] {
        if (!main.RealTimeUnsaved)
            discardRecovery();
    });
    sub->show();
}

void RealTimeRecorder::programClosing()
{
    // Unsaved samples were offered for saving when their window closed.
    if (!main.RealTimeUnsaved)
        discardRecovery();
}

void RealTimeRecorder::graphCleared()
{
    if (main.SampleCount == 0)
        discardRecovery();
}

// ---- Run ----------------------------------------------------------------------

void RealTimeRecorder::Run()
{
    if (!link.connected())
        return;

    if (TfrmGraph* g = graph()) {
        restoreNormal(g);
        if (main.RealTimeRunning || main.SampleCount != 0) {
            const auto answer = Prompts::current().confirm(
                runQuestion(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            if (answer == QMessageBox::Cancel)
                return;
            // A save that did not happen must not lose the samples.
            if (answer == QMessageBox::Yes && !saveGraph())
                return;
        }
    } else {
        CreateRealTimeGraph();
    }
    TfrmGraph* g = graph();

    TfrmSetupRealTime setup(&main);
    setup.setRateBoxes(g->ComboBox1->currentText(), g->ComboBox2->currentText());
    setup.showOpeningPeriod(main.Settings.RealTimeRate);
    if (Prompts::current().exec(setup) != QDialog::Accepted)
        return;
    g->ComboBox1->setCurrentIndex(setup.ComboBox1->currentIndex());
    g->ComboBox2->setCurrentIndex(setup.ComboBox2->currentIndex());
    const QString numberText = setup.edtRealTimeNo->text();
    bool ok = false;
    const int points = numberText.trimmed().toInt(&ok);
    // A graph of no points could hold no sample.
    if (!ok || points < 1) {
        Prompts::current().information(numberText + QStringLiteral(" is not valid.\n"));
        return;
    }

    main.Settings.RealTimeRate = rateOfBoxes(g->ComboBox1, g->ComboBox2);
    if (main.Settings.RealTimeRate <= 0) {
        main.Settings.RealTimeRate = 2;
        showRate(g->ComboBox1, g->ComboBox2, 2);
    }

    PESGraph& chart = *g->PESGraph1;
    breakLinesAtMissedSamples(chart);
    chart.setPoints(points);
    emptyPoints(chart);
    main.SampleCount = 0;
    main.RunningMax.fill(-9999);
    main.RunningMin.fill(9999);

    for (int c = 0; c < Channels; ++c) {
        g->minField(c)->clear();
        g->maxField(c)->clear();
    }
    for (int c = 0; c < Channels; ++c)
        g->avgField(c)->clear();

    const TDateTime start = now();
    g->txtStartTime->setText(Regional::dateTimeText(start));
    chart.setManualMinX(start);
    chart.setManualMaxX(start + 100 * DateTime::OneSecond);
    chart.redraw();

    // The first tick with a frame takes the first sample.
    link.setRateTicks(main.Settings.RealTimeRate);

    setClearEnabled(false);
    main.RealTimeRunning = true;
    setRunStopEnabled(true);

    // The new run replaces what the recovery file held: those samples were
    // saved or knowingly discarded by the question above.
    recovery = std::make_unique<RealTimeRecovery::Writer>(recoveryFileName());
    recoveryFailed = false;
    if (!recovery->begin(start, points))
        recoveryFailure();
}

// The run goes on in the chart; the user learns once that a crash would now lose it.
void RealTimeRecorder::recoveryFailure()
{
    if (!recovery)
        return;
    if (!recoveryFailed) {
        recoveryFailed = true;
        main.statusBar()->showMessage(recoveryFailureText(recovery->path(), recovery->errorString()));
    }
    // Half a line may have been written: nothing more goes after it.
    recovery->close();
}

QString RealTimeRecorder::recoveryFailureText(const QString& path, const QString& reason)
{
    return QStringLiteral("The Real-Time samples can not be written to %1 (%2). "
                          "Recording goes on; save the graph, a crash would lose it.")
        .arg(QDir::toNativeSeparators(path), reason);
}

// ---- Sampling -------------------------------------------------------------------

void RealTimeRecorder::sampleDue(TDateTime tickTime, const Readings& readings)
{
    if (!graph())
        return;
    // A Stop reached from here runs inside the tick and must not wait for it.
    samplingInTick = true;
    const bool stored = TakeSample(tickTime, readings);
    samplingInTick = false;
    if (stored)
        main.RealTimeUnsaved = true;
}

bool RealTimeRecorder::TakeSample(TDateTime t, const Readings& readings)
{
    TfrmGraph* g = graph();
    if (!g)
        return false;
    PESGraph& chart = *g->PESGraph1;
    const int n = main.SampleCount;
    if (n >= chart.Points()) {
        Stop();   // nowhere to put the sample
        return false;
    }

    if (chart.ManualMaxX() < t)
        chart.setManualMaxX(t + main.XExtensionStep);
    for (int i = 0; i < Channels; ++i) {
        chart.setXDataII(i, n, t);
        chart.setYData(i, n, readings[i]);
    }
    if (recovery && recovery->isOpen() && !recovery->append(t, readings))
        recoveryFailure();

    for (int c = 0; c < Channels; ++c) {
        GraphStatistics::Extremes extremes{main.RunningMax[c], main.RunningMin[c], 0, 0};
        const auto changed = extremes.offer(readings[c], t);
        if (changed.max) {
            main.RunningMax[c] = extremes.max;
            g->maxField(c)->setText(GraphStatistics::extremeText(extremes.max, t));
        }
        if (changed.min) {
            main.RunningMin[c] = extremes.min;
            g->minField(c)->setText(GraphStatistics::extremeText(extremes.min, t));
        }
    }
    chart.redraw();

    main.SampleCount = n + 1;
    g->txtDataNo->setText(QString::number(main.SampleCount));
    if (main.SampleCount >= chart.Points())
        Stop();
    return true;
}

// ---- Stop -----------------------------------------------------------------------

void RealTimeRecorder::Stop()
{
    // Let a tick that is running elsewhere (inside a wait) finish its sample;
    // the tick we are called from cannot finish before we return.
    if (!samplingInTick && link.inMainTimer()) {
        const qint64 begin = Clock::current().tickMs();
        while (link.inMainTimer() && Clock::current().tickMs() - begin <= StopWaitMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }

    main.RealTimeRunning = false;
    setRunStopEnabled(false);

    TfrmGraph* g = graph();
    if (!g)
        return;
    restoreNormal(g);
    setClearEnabled(true);
    const TDateTime t = now();

    PESGraph& chart = *g->PESGraph1;
    const int n = main.SampleCount;
    if (n >= 1 && n < chart.Points()) {
        const double lastX = chart.XDataII(3, n - 1);
        const float lastY = chart.YData(3, n - 1);
        chart.setPoints(n);
        chart.setXDataII(3, n - 1, lastX);
        chart.setYData(3, n - 1, lastY);
        chart.redraw();
    }
    chart.setManualMaxX(t);

    for (int c = 0; c < Channels; ++c) {
        GraphStatistics::Average average;
        const std::vector<float>& ys = chart.state().y[size_t(c)];   // straight from the array: 100,000 points
        for (int p = 0; p < n && p < chart.Points(); ++p)
            average.add(ys[size_t(p)]);
        g->avgField(c)->setText(GraphStatistics::averageText(average, 3));
    }
    chart.redraw();
}

// ---- Sampling rate ----------------------------------------------------------------

void RealTimeRecorder::breakLinesAtMissedSamples(PESGraph& chart) const
{
    // Samples come one rate apart, on whole timer ticks. Where the meter fell
    // silent none were taken, and a line drawn across would show readings
    // that never were: the line breaks once the next sample is half a rate
    // and a tick late.
    const double rate = main.Settings.RealTimeRate;
    chart.setLineGapThreshold((1.5 * rate + 1) * DateTime::OneSecond);
}

void RealTimeRecorder::RateBoxChange()
{
    TfrmGraph* g = graph();
    if (!g)
        return;
    int rate = rateOfBoxes(g->ComboBox1, g->ComboBox2);
    if (rate == main.Settings.RealTimeRate)
        return;
    if (rate == 0) {
        rate = 2;
        showRate(g->ComboBox1, g->ComboBox2, 2);
        // 00:00 falls back to the rate in force: nothing changes.
        if (rate == main.Settings.RealTimeRate)
            return;
    }
    main.Settings.RealTimeRate = rate;
    breakLinesAtMissedSamples(*g->PESGraph1);

    auto answer = QMessageBox::No;
    if (main.RealTimeRunning || main.SampleCount != 0) {
        answer = Prompts::current().confirm(rateQuestion(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel)
            return;   // the new rate is in force; recording goes on
        // A save that did not happen keeps the samples, as Cancel does.
        if (answer == QMessageBox::Yes && !saveGraph())
            return;
    }

    main.RealTimeRunning = false;
    setClearEnabled(true);
    setRunStopEnabled(false);
    ClearGraph(*g);
    discardRecovery();
    breakLinesAtMissedSamples(*g->PESGraph1);
    main.XExtensionStep = rate * 100 * DateTime::OneSecond;
    g->PESGraph1->setFocus();
}

// ---- Recovery after a crash ---------------------------------------------------------

void RealTimeRecorder::offerRecovery()
{
    const QString path = recoveryFileName();
    if (path.isEmpty() || !QFile::exists(path))
        return;
    const auto run = RealTimeRecovery::read(path);
    if (!run || run->samples.empty()) {
        QFile::remove(path);   // nothing in it worth keeping
        return;
    }
    const auto answer = Prompts::current().confirm(
        QStringLiteral("A Real-Time recording of %1 samples was not saved when the program ended.\n"
                       "Do you want to open it in the Real-Time graph ?\n"
                       "(No discards the samples, Cancel keeps them for the next start.)")
            .arg(run->samples.size()),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel)
        return;
    if (answer == QMessageBox::No) {
        discardRecovery();
        return;
    }
    if (!graph())
        CreateRealTimeGraph();
    loadRecoveredRun(*run);
}

// The recovered samples become the real-time graph, as if that run had been
// stopped: unsaved, so every way out asks to save them.
void RealTimeRecorder::loadRecoveredRun(const RealTimeRecovery::Run& run)
{
    TfrmGraph* g = graph();
    if (!g || main.RealTimeRunning)
        return;
    PESGraph& chart = *g->PESGraph1;
    const int n = int(run.samples.size());
    chart.setPoints(n);
    main.SampleCount = 0;
    main.RunningMax.fill(-9999);
    main.RunningMin.fill(9999);
    g->txtStartTime->setText(Regional::dateTimeText(run.start));
    chart.setManualMinX(run.start);
    chart.setManualMaxX(run.samples.back().time);
    for (const RealTimeRecovery::Sample& s : run.samples) {
        const int p = main.SampleCount++;
        for (int c = 0; c < Channels; ++c) {
            chart.setXDataII(c, p, s.time);
            chart.setYData(c, p, s.readings[c]);
            GraphStatistics::Extremes extremes{main.RunningMax[c], main.RunningMin[c], 0, 0};
            const auto changed = extremes.offer(s.readings[c], s.time);
            main.RunningMax[c] = extremes.max;
            main.RunningMin[c] = extremes.min;
            if (changed.max)
                g->maxField(c)->setText(GraphStatistics::extremeText(extremes.max, s.time));
            if (changed.min)
                g->minField(c)->setText(GraphStatistics::extremeText(extremes.min, s.time));
        }
    }
    g->txtDataNo->setText(QString::number(n));
    for (int c = 0; c < Channels; ++c) {
        GraphStatistics::Average average;
        for (const RealTimeRecovery::Sample& s : run.samples)
            average.add(s.readings[c]);
        g->avgField(c)->setText(GraphStatistics::averageText(average, 3));
    }
    main.RealTimeUnsaved = true;
    setClearEnabled(true);
    chart.redraw();
}
