// The main window's alarms and schedule: Real Time > Alarms... and
// Schedule..., the alarm rule fed from the link and the run, and what each
// alarm shows and does (marks, status bar, the panel's frame, notification,
// sound, program).

#include "app/UMain.h"

#include "alarm/AlarmResponder.h"
#include "alarm/AlarmWording.h"
#include "alarm/DesktopNotifier.h"
#include "alarm/UAlarms.h"
#include "alarm/USchedule.h"
#include "app/Clock.h"
#include "app/Prompts.h"
#include "app/Regional.h"
#include "graph/UGraph.h"
#include "panel/UPanel.h"
#include "realtime/RealTimeRecorder.h"
#include "realtime/ScheduledRun.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QSettings>
#include <QStatusBar>

namespace {

TDateTime now()
{
    return DateTime::fromQDateTime(Clock::current().now());
}

QString momentText(const QDateTime& moment)
{
    return Regional::dateTimeText(DateTime::fromQDateTime(moment));
}

} // namespace

void TfrmMain::createAlarms()
{
    const auto file = AppSettings::open();
    Notifier = std::make_unique<DesktopNotifier>();
    connect(Notifier.get(), &DesktopNotifier::unavailable, this, [this](const QString& text) {
        statusBar()->showMessage(text);
    });
    useAlarmNotifier(*Notifier, [] { QApplication::beep(); });
    AlarmResponse->setActions(AlarmActions::load(*file));

    connect(&Alarms, &AlarmWatch::alarm, this, &TfrmMain::alarmEvent);
    connect(&Alarms, &AlarmWatch::activeChanged, this, &TfrmMain::showAlarms);
    connect(&Alarms, &AlarmWatch::limitsChanged, this, [this] { RealTime->showLimits(Alarms.rule().limitsInForce()); });
    connect(&Alarms.rule(), &AlarmRule::limitsConverted, this, [this](TemperatureUnit unit) {
        statusBar()->showMessage(
            QStringLiteral("The meter shows %1 now: the alarm limits are converted to it.").arg(AlarmWording::unitText(unit)));
    });
    // A run that begins while channels are in alarm shows them from its start.
    connect(&Session, &RealTimeSession::runStarted, this, [this] {
        for (AlarmEvent alarm : Alarms.activeAlarms()) {
            alarm.time = Session.startTime();
            RealTime->markAlarm(alarm);
        }
    });
    Alarms.setSettings(AlarmSettings::load(*file), now());
}

void TfrmMain::useAlarmNotifier(AlarmNotifier& notifier, std::function<void()> sound)
{
    const AlarmActions actions = AlarmResponse ? AlarmResponse->actions() : AlarmActions{};
    AlarmResponse = std::make_unique<AlarmResponder>(notifier, std::move(sound));
    // The runner words its reports for a line of its own ("the alarm program ... failed").
    connect(AlarmResponse.get(), &AlarmResponder::problem, this, [this](const QString& text) {
        statusBar()->showMessage(text.left(1).toUpper() + text.mid(1) + QLatin1Char('.'));
    });
    AlarmResponse->setActions(actions);
}

void TfrmMain::frameTick(TDateTime tickTime)
{
    // Each tick looks at the schedule too: its own timer may sleep long.
    if (Scheduled)
        Scheduled->check();
    Alarms.frameTick(tickTime, LastFrame, Session.rate(), Session.RealTimeRunning());
}

void TfrmMain::takeSample(TDateTime tickTime, const std::array<float, 4>& readings)
{
    // A scheduled run takes no sample past its end.
    if (Scheduled && Scheduled->recording() && !Scheduled->takesSampleAt(tickTime))
        return;
    const int before = Session.SampleCount();
    RealTime->sampleDue(tickTime, readings);
    if (Session.SampleCount() == before)
        return;
    Alarms.runSample(tickTime, LastFrame);
    if (Scheduled && Scheduled->recording())
        Scheduled->sampleTaken();
}

void TfrmMain::alarmEvent(const AlarmEvent& event)
{
    AlarmResponse->respond(event);
    // Marked before a run it starts, which marks the alarms that are on at its start.
    RealTime->markAlarm(event);
    if (event.begins && Scheduled && !Scheduled->finished())
        Scheduled->alarmBegan();
}

void TfrmMain::showAlarms()
{
    QStringList alarms;
    for (const AlarmEvent& alarm : Alarms.activeAlarms())
        alarms << AlarmWording::stateText(alarm);
    const QString text = alarms.isEmpty() ? QString() : QStringLiteral("Alarm: ") + alarms.join(QStringLiteral(", "));
    StatusAlarm->setText(text);
    StatusAlarm->setAccessibleName(text);
    StatusAlarm->setVisible(!alarms.isEmpty());
    if (FrontPanel)
        FrontPanel->showChannelsInAlarm(Alarms.channelsInAlarm(), text);
}

void TfrmMain::Alarms1Click()
{
    const auto file = AppSettings::open();
    TfrmAlarms dialog(this);
    dialog.setSettings(Alarms.rule().settings(), AlarmResponse->actions());
    if (Prompts::current().exec(dialog) != QDialog::Accepted)
        return;
    const AlarmSettings settings = dialog.settings();
    const AlarmActions actions = dialog.actions();
    settings.save(*file);
    actions.save(*file);
    file->sync();
    if (file->status() != QSettings::NoError)
        statusBar()->showMessage(QStringLiteral("The alarms could not be kept in %1; they hold until the program ends.")
                                     .arg(QDir::toNativeSeparators(file->fileName())));
    AlarmResponse->setActions(actions);
    Alarms.setSettings(settings, now());
}

// ---- The schedule -----------------------------------------------------------------

void TfrmMain::Schedule1Click()
{
    const QString pending = Scheduled && !Scheduled->finished() ? StatusSchedule->text() : QString();
    TfrmSchedule dialog(pending, Session.rate(), this);
    if (Scheduled)
        dialog.setPlan(Scheduled->schedule().plan());
    const int result = Prompts::current().exec(dialog);
    if (result == TfrmSchedule::CancelSchedule) {
        if (Scheduled)
            Scheduled->cancel();
        statusBar()->showMessage(QStringLiteral("The schedule was dropped."));
        showSchedule();
    } else if (result == QDialog::Accepted) {
        startSchedule(dialog.plan());
    }
}

void TfrmMain::startSchedule(const RunSchedule::Plan& plan)
{
    if (Scheduled)
        Scheduled->cancel();
    Scheduled = std::make_unique<ScheduledRun>(*RealTime, DocumentFolder, plan);
    connect(Scheduled.get(), &ScheduledRun::started, this, [this](const QString& savedTo) {
        statusBar()->showMessage(savedTo.isEmpty()
                                     ? QStringLiteral("The scheduled Real-Time run began.")
                                     : QStringLiteral("The scheduled Real-Time run began; the run before it was saved to %1.")
                                           .arg(QDir::toNativeSeparators(savedTo)));
        showSchedule();
    });
    connect(Scheduled.get(), &ScheduledRun::failed, this, [this](const QString& why) {
        statusBar()->showMessage(why);
        showSchedule();
        StatusSchedule->setText(QStringLiteral("Scheduled run not started"));
        StatusSchedule->setToolTip(why);
        StatusSchedule->show();
    });
    connect(Scheduled.get(), &ScheduledRun::ended, this, [this] {
        statusBar()->showMessage(QStringLiteral("The scheduled Real-Time run ended."));
        showSchedule();
    });
    Scheduled->begin();
    showSchedule();
}

void TfrmMain::showSchedule()
{
    if (!Scheduled || Scheduled->finished()) {
        StatusSchedule->hide();
        return;
    }
    const RunSchedule& schedule = Scheduled->schedule();
    QString text;
    if (schedule.state() == RunSchedule::State::Waiting) {
        QStringList starts;
        if (schedule.plan().startAt)
            starts << QStringLiteral("at ") + momentText(*schedule.plan().startAt);
        if (schedule.plan().startOnAlarm)
            starts << QStringLiteral("at the first alarm");
        text = QStringLiteral("Scheduled run starts ") + starts.join(QStringLiteral(" or "));
    } else {
        text = schedule.endsAt() ? QStringLiteral("Scheduled run until ") + momentText(*schedule.endsAt())
                                 : QStringLiteral("Scheduled run recording");
    }
    StatusSchedule->setText(text);
    StatusSchedule->setToolTip(text);
    StatusSchedule->show();
}

void TfrmMain::userTakesRunOver()
{
    if (Scheduled && Scheduled->recording()) {
        Scheduled->cancel();
        showSchedule();
    }
}
