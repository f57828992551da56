#pragma once
// The program's alarms: the rule, fed the readings at the sampling rate
// whether or not a run records them, and the live link's losses and returns.
// While a run records, its samples are what the rule judges (so each mark on
// the chart sits on a sample); otherwise every rate-th tick of the link that
// brought a frame is. A meter lost counts only once it had answered: a
// program started without a meter raises no "no meter".
//
// It keeps the alarms that are on, for the status bar, the front panel and a
// run that starts while a channel is in alarm.

#include "alarm/AlarmRule.h"
#include "link/LiveFrame.h"

#include <QList>
#include <QObject>

class AlarmWatch : public QObject {
    Q_OBJECT
public:
    explicit AlarmWatch(QObject* parent = nullptr);

    const AlarmRule& rule() const { return alarmRule; }
    // New limits count from the next reading; an alarm they no longer watch ends at `time`.
    void setSettings(const AlarmSettings& settings, TDateTime time);

    // A tick of the live link that found a frame since the tick before.
    void frameTick(TDateTime time, const LiveFrame& frame, int rateSeconds, bool runRecording);
    // A sample the run took at `time` of `frame`.
    void runSample(TDateTime time, const LiveFrame& frame);
    void linkChanged(bool connected, TDateTime time);

    // The beginnings of the alarms that are on, oldest first.
    const QList<AlarmEvent>& activeAlarms() const { return active; }
    // Bit c set: channel c is in alarm.
    unsigned channelsInAlarm() const;

signals:
    void alarm(const AlarmEvent& event);
    // activeAlarms() changed.
    void activeChanged();
    // The limits in force changed: new settings, or converted to the unit
    // the meter now shows.
    void limitsChanged();

private:
    void judge(TDateTime time, const LiveFrame& frame);
    void track(const AlarmEvent& event);

    AlarmRule alarmRule;
    QList<AlarmEvent> active;
    int idleTicks = 0;
    bool linkKnown = false;   // the meter answered at least once
};
