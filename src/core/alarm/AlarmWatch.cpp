#include "alarm/AlarmWatch.h"

AlarmWatch::AlarmWatch(QObject* parent)
    : QObject(parent)
{
    // Kept first, so that whoever hears alarm() finds activeAlarms() up to date.
    connect(&alarmRule, &AlarmRule::alarm, this, &AlarmWatch::track);
    connect(&alarmRule, &AlarmRule::limitsConverted, this, &AlarmWatch::limitsChanged);
}

void AlarmWatch::setSettings(const AlarmSettings& settings, TDateTime time)
{
    alarmRule.setSettings(settings, time);
    emit limitsChanged();
}

void AlarmWatch::frameTick(TDateTime time, const LiveFrame& frame, int rateSeconds, bool runRecording)
{
    linkChanged(true, time);
    if (runRecording) {
        idleTicks = 0;   // the run's samples are judged
        return;
    }
    if (++idleTicks < rateSeconds)
        return;
    idleTicks = 0;
    judge(time, frame);
}

void AlarmWatch::runSample(TDateTime time, const LiveFrame& frame)
{
    judge(time, frame);
}

void AlarmWatch::judge(TDateTime time, const LiveFrame& frame)
{
    if (alarmRule.settings().watchesAny())
        alarmRule.takeSample(AlarmSample::fromFrame(time, frame));
}

void AlarmWatch::linkChanged(bool connected, TDateTime time)
{
    if (connected) {
        linkKnown = true;
        alarmRule.linkFound(time);
    } else if (linkKnown) {
        idleTicks = 0;
        alarmRule.linkLost(time);
    }
}

unsigned AlarmWatch::channelsInAlarm() const
{
    unsigned channels = 0;
    for (const AlarmEvent& e : active)
        channels |= 1u << e.channel;
    return channels;
}

void AlarmWatch::track(const AlarmEvent& event)
{
    if (event.begins) {
        active << event;
    } else {
        active.removeIf([&](const AlarmEvent& e) { return e.channel == event.channel && e.kind == event.kind; });
    }
    emit alarm(event);
    emit activeChanged();
}
