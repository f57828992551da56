#include "realtime/RealTimeRecorder.h"

#include "alarm/AlarmWording.h"
#include "app/Clock.h"
#include "app/Prompts.h"
#include "app/Regional.h"
#include "chart/ChartTypes.h"
#include "chart/PESGraph.h"
#include "files/GraphFileBlock.h"
#include "stats/GraphStatistics.h"
#include "graph/GraphHost.h"
#include "graph/UGraph.h"
#include "realtime/USetupRealtime.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QToolButton>

namespace {

constexpr int Channels = GraphStatistics::Channels;
constexpr double NoDataValue = 9999;

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

RealTimeRecorder::RealTimeRecorder(GraphHost& graphHost, RealTimeSession& runSession)
    : host(graphHost)
    , session(runSession)
{
    session.setUser(this);
    connect(&session, &RealTimeSession::sampleTaken, this, &RealTimeRecorder::drawSample);
    connect(&session, &RealTimeSession::runStarted, this, &RealTimeRecorder::runStarted);
    connect(&session, &RealTimeSession::runStopped, this, &RealTimeRecorder::runStopped);
    connect(&session, &RealTimeSession::rateChanged, this, &RealTimeRecorder::rateChanged);
    connect(&session, &RealTimeSession::samplesDiscarded, this, &RealTimeRecorder::samplesDiscarded);
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

RealTimeUser::Answer RealTimeRecorder::askToSave(Question question)
{
    const auto answer = Prompts::current().confirm(question == Question::BeforeRun ? runQuestion() : rateQuestion(),
                                                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Yes)
        return Answer::Yes;
    return answer == QMessageBox::No ? Answer::No : Answer::Cancel;
}

bool RealTimeRecorder::saveSamples()
{
    TfrmGraph* g = graph();
    return g && host.saveGraph(*g->PESGraph1);
}

void RealTimeRecorder::setClearEnabled(bool enabled)
{
    if (TfrmGraph* g = graph())
        g->tbntClr->setEnabled(enabled);
}

// ---- The real-time window ---------------------------------------------------

void RealTimeRecorder::CreateRealTimeGraph()
{
    auto* window = new TfrmGraph(host);
    window->setWindowTitle(QString::fromLatin1(TfrmGraph::RealTimeCaption));
    QMdiSubWindow* sub = host.addChild(window);
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
    chart.setLimitLines(limitLines);

    window->ComboBox1->setEnabled(true);
    window->ComboBox2->setEnabled(true);
    showRate(window->ComboBox1, window->ComboBox2, session.rate());
    connect(window->ComboBox1, &QComboBox::activated, this, &RealTimeRecorder::RateBoxChange);
    connect(window->ComboBox2, &QComboBox::activated, this, &RealTimeRecorder::RateBoxChange);
    attachRealTimeGraph(*window);
    sub->show();
}

void RealTimeRecorder::attachRealTimeGraph(TfrmGraph& window)
{
    realTimeGraph = &window;
    TfrmGraph* w = &window;
    connect(w, &TfrmGraph::cleared, this, [this, w] {
        if (graph() == w)
            session.clear();
    });
    connect(w, &TfrmGraph::closing, this, [this, w] { graphClosed(w); });
    // Closing the window after its samples were saved or discarded ends the recovery file.
    connect(w, &QObject::destroyed, &session, &RealTimeSession::endRecoveryUnlessUnsaved);
    emit realTimeGraphOpened(w);
}

void RealTimeRecorder::graphClosed(TfrmGraph* window)
{
    if (graph() != window)
        return;
    realTimeGraph = nullptr;
    session.graphClosed();
    emit realTimeGraphClosed();
}

void RealTimeRecorder::programClosing()
{
    // Unsaved samples were offered for saving when their window closed.
    session.endRecoveryUnlessUnsaved();
}

// ---- Run ----------------------------------------------------------------------

void RealTimeRecorder::Run()
{
    if (!session.meterLink().connected())
        return;

    if (TfrmGraph* g = graph()) {
        restoreNormal(g);
        if (!session.mayDiscardSamples(Question::BeforeRun))
            return;
    } else {
        CreateRealTimeGraph();
    }
    TfrmGraph* g = graph();

    TfrmSetupRealTime setup(g);
    setup.setRateBoxes(g->ComboBox1->currentText(), g->ComboBox2->currentText());
    setup.showOpeningPeriod(session.rate());
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

    const int chosenRate = rateOfBoxes(g->ComboBox1, g->ComboBox2);
    session.setRate(chosenRate);
    if (chosenRate != session.rate())
        showRate(g->ComboBox1, g->ComboBox2, session.rate());
    beginRun(*g, now(), points);
}

void RealTimeRecorder::beginRun(TfrmGraph& window, TDateTime start, int points)
{
    PESGraph& chart = *window.PESGraph1;
    breakLinesAtMissedSamples(chart);
    chart.setPoints(points);
    emptyPoints(chart);
    chart.clearAlarmMarks();
    chart.setLimitLines(limitLines);

    for (int c = 0; c < Channels; ++c) {
        window.minField(c)->clear();
        window.maxField(c)->clear();
    }
    for (int c = 0; c < Channels; ++c)
        window.avgField(c)->clear();

    window.txtStartTime->setText(Regional::dateTimeText(start));
    chart.setManualMinX(start);
    chart.setManualMaxX(start + 100 * DateTime::OneSecond);
    chart.redraw();

    session.startRun(start, points);
}

// ---- A run by the clock ------------------------------------------------------------

bool RealTimeRecorder::hasUnsavedRun() const
{
    return session.RealTimeUnsaved() && (session.RealTimeRunning() || session.SampleCount() > 0);
}

bool RealTimeRecorder::saveUnsavedRun(const QString& path, QString* error)
{
    TfrmGraph* g = graph();
    if (!g) {
        *error = QStringLiteral("the Real-Time graph is closed");
        return false;
    }
    if (session.RealTimeRunning())
        session.stopWithoutWaiting();
    if (!GraphFile::writeBlock(path, g->PESGraph1->storeState(), error))
        return false;
    session.setRealTimeUnsaved(false);
    return true;
}

void RealTimeRecorder::startRun(TDateTime start, int points)
{
    if (!graph())
        CreateRealTimeGraph();
    TfrmGraph* g = graph();
    restoreNormal(g);
    beginRun(*g, start, points);
}

void RealTimeRecorder::stopRun()
{
    if (session.RealTimeRunning())
        session.stopWithoutWaiting();
}

// ---- Alarms ------------------------------------------------------------------------

void RealTimeRecorder::showLimits(const AlarmSettings& limits)
{
    limitLines.clear();
    for (int c = 0; c < Channels; ++c) {
        const ChannelLimits& l = limits.limits[size_t(c)];
        if (l.high)
            limitLines.push_back({c, *l.high, true});
        if (l.low)
            limitLines.push_back({c, *l.low, false});
    }
    if (TfrmGraph* g = graph()) {
        g->PESGraph1->setLimitLines(limitLines);
        g->PESGraph1->redraw();
    }
}

void RealTimeRecorder::markAlarm(const AlarmEvent& event)
{
    TfrmGraph* g = graph();
    if (!g || !session.RealTimeRunning())
        return;
    PESGraph& chart = *g->PESGraph1;
    chart.addAlarmMark({event.time, event.channel, event.begins, event.begins ? AlarmWording::markText(event) : QString()});
    chart.redraw();
}

void RealTimeRecorder::runStarted()
{
    setClearEnabled(false);
}

// ---- Sampling -------------------------------------------------------------------

void RealTimeRecorder::sampleDue(TDateTime tickTime, const Readings& readings)
{
    if (graph())
        session.sampleDue(tickTime, readings);
}

bool RealTimeRecorder::TakeSample(TDateTime t, const Readings& readings)
{
    return graph() && session.TakeSample(t, readings);
}

void RealTimeRecorder::drawSample(int index, unsigned newMax, unsigned newMin)
{
    TfrmGraph* g = graph();
    if (!g)
        return;
    PESGraph& chart = *g->PESGraph1;
    if (index >= chart.Points())
        return;
    const RealTimeSession::Sample& sample = session.samples()[size_t(index)];
    const TDateTime t = sample.time;
    if (chart.ManualMaxX() < t)
        chart.setManualMaxX(t + session.XExtensionStep());
    for (int i = 0; i < Channels; ++i) {
        chart.setXDataII(i, index, t);
        chart.setYData(i, index, sample.readings[size_t(i)]);
    }
    for (int c = 0; c < Channels; ++c) {
        const GraphStatistics::Extremes& extremes = session.extremes(c);
        if (newMax & (1u << c))
            g->maxField(c)->setText(GraphStatistics::extremeText(extremes.max, t));
        if (newMin & (1u << c))
            g->minField(c)->setText(GraphStatistics::extremeText(extremes.min, t));
    }
    chart.redraw();
    g->txtDataNo->setText(QString::number(session.SampleCount()));
}

// ---- Stop -----------------------------------------------------------------------

void RealTimeRecorder::runStopped()
{
    TfrmGraph* g = graph();
    if (!g)
        return;
    restoreNormal(g);
    setClearEnabled(true);
    const TDateTime t = now();

    PESGraph& chart = *g->PESGraph1;
    const int n = session.SampleCount();
    if (n >= 1 && n < chart.Points()) {
        const double lastX = chart.XDataII(3, n - 1);
        const float lastY = chart.YData(3, n - 1);
        chart.setPoints(n);
        chart.setXDataII(3, n - 1, lastX);
        chart.setYData(3, n - 1, lastY);
    }
    chart.setManualMaxX(t);

    for (int c = 0; c < Channels; ++c)
        g->avgField(c)->setText(GraphStatistics::averageText(session.averages()[size_t(c)], 3));
    chart.redraw();
}

// ---- Sampling rate ----------------------------------------------------------------

void RealTimeRecorder::breakLinesAtMissedSamples(PESGraph& chart) const
{
    // Samples come one rate apart, on whole timer ticks. Where the meter fell
    // silent none were taken, and a line drawn across would show readings
    // that never were: the line breaks once the next sample is half a rate
    // and a tick late.
    const double rate = session.rate();
    chart.setLineGapThreshold((1.5 * rate + 1) * DateTime::OneSecond);
}

void RealTimeRecorder::RateBoxChange()
{
    TfrmGraph* g = graph();
    if (!g)
        return;
    const int rate = rateOfBoxes(g->ComboBox1, g->ComboBox2);
    session.changeRate(rate);
    // 00:00 shows the rate it fell back to.
    if (rate == 0 && graph() == g)
        showRate(g->ComboBox1, g->ComboBox2, session.rate());
}

void RealTimeRecorder::rateChanged()
{
    if (TfrmGraph* g = graph())
        breakLinesAtMissedSamples(*g->PESGraph1);
}

void RealTimeRecorder::samplesDiscarded()
{
    TfrmGraph* g = graph();
    setClearEnabled(true);
    if (!g)
        return;
    ClearGraph(*g);
    breakLinesAtMissedSamples(*g->PESGraph1);
    g->PESGraph1->setFocus();
}

// ---- Recovery after a crash ---------------------------------------------------------

void RealTimeRecorder::offerRecovery()
{
    for (RealTimeRecovery::LeftOver& leftOver : RealTimeRecovery::leftOverRuns(session.recoveryFolder())) {
        const auto answer = Prompts::current().confirm(offerQuestion(leftOver),
                                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::No) {
            if (Prompts::current().confirm(discardQuestion(leftOver), QMessageBox::Yes | QMessageBox::No)
                == QMessageBox::Yes)
                leftOver.file->discard();
        } else if (answer == QMessageBox::Yes) {
            openRecoveredRun(std::move(leftOver));
        }
        // What was neither opened nor discarded is given back for a later start.
    }
}

QString RealTimeRecorder::offerQuestion(const RealTimeRecovery::LeftOver& leftOver)
{
    return QStringLiteral("A Real-Time recording of %1 samples (%2 to %3) was not saved when the program ended.\n"
                          "Do you want to open it in the Real-Time graph ?\n"
                          "(No discards the samples, Cancel keeps them for the next start.)")
        .arg(leftOver.run.samples.size())
        .arg(Regional::dateTimeText(leftOver.run.start), Regional::dateTimeText(leftOver.end()));
}

QString RealTimeRecorder::discardQuestion(const RealTimeRecovery::LeftOver& leftOver)
{
    return QStringLiteral("The %1 samples of the Real-Time recording from %2 to %3 will be deleted.\n"
                          "Do you want to delete them ?")
        .arg(leftOver.run.samples.size())
        .arg(Regional::dateTimeText(leftOver.run.start), Regional::dateTimeText(leftOver.end()));
}

void RealTimeRecorder::openRecoveredRun(RealTimeRecovery::LeftOver leftOver)
{
    if (!graph())
        CreateRealTimeGraph();
    // Samples in the graph already (a run opened a moment ago) are offered for saving first.
    if (!graph() || !session.mayDiscardSamples(Question::BeforeRun))
        return;
    if (session.loadRecoveredRun(std::move(leftOver)))
        drawRecoveredRun();
}

// The recovered samples become the real-time graph, as if that run had been stopped.
void RealTimeRecorder::drawRecoveredRun()
{
    TfrmGraph* g = graph();
    PESGraph& chart = *g->PESGraph1;
    const auto& samples = session.samples();
    const int n = int(samples.size());
    chart.setPoints(n);
    g->txtStartTime->setText(Regional::dateTimeText(session.startTime()));
    chart.setManualMinX(session.startTime());
    chart.setManualMaxX(samples.back().time);
    for (int p = 0; p < n; ++p) {
        for (int c = 0; c < Channels; ++c) {
            chart.setXDataII(c, p, samples[size_t(p)].time);
            chart.setYData(c, p, samples[size_t(p)].readings[size_t(c)]);
        }
    }
    for (int c = 0; c < Channels; ++c) {
        const GraphStatistics::Extremes& extremes = session.extremes(c);
        // A MAX or MIN that no sample reached (no data all along) shows nothing.
        if (extremes.maxTime != 0)
            g->maxField(c)->setText(GraphStatistics::extremeText(extremes.max, extremes.maxTime));
        if (extremes.minTime != 0)
            g->minField(c)->setText(GraphStatistics::extremeText(extremes.min, extremes.minTime));
        g->avgField(c)->setText(GraphStatistics::averageText(session.averages()[size_t(c)], 3));
    }
    g->txtDataNo->setText(QString::number(n));
    setClearEnabled(true);
    chart.redraw();
}
