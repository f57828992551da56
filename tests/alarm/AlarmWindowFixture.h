#pragma once
// The main window with its real-time graph and front panel, the link's tick
// stood in for, and the alarms' notification and sound caught by the test.

#include "realtime/RealTimeFixture.h"

#include "alarm/AlarmNotifier.h"
#include "alarm/UAlarms.h"
#include "app/Settings.h"
#include "panel/UPanel.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>

struct Notification {
    QString summary;
    QString body;
    bool urgent = false;
};

class CaughtNotifications : public AlarmNotifier {
public:
    void notify(const QString& summary, const QString& body, bool urgent) override
    {
        shown.push_back({summary, body, urgent});
    }
    std::vector<Notification> shown;
};

// What the user types into Real Time > Alarms...
struct AlarmChoice {
    int channel;
    std::optional<double> high;
    std::optional<double> low;
};

class AlarmWindowTest : public RealTimeTest {
protected:
    void SetUp() override
    {
        // Every test starts without alarms in the settings file.
        AppSettings::open()->remove(QStringLiteral("Alarms"));
        RealTimeTest::SetUp();
        main->useAlarmNotifier(notifications, [this] { ++sounds; });
        main->ControlPanel1Click();   // the front panel, whose frame shows the alarms
        ASSERT_TRUE(main->FrontPanel);
    }
    void TearDown() override { AppSettings::open()->remove(QStringLiteral("Alarms")); }

    // Fills in Real Time > Alarms... and presses OK; returns the dialog's result.
    int chooseAlarms(const std::vector<AlarmChoice>& limits, double hysteresis = 0.5, int delay = 0,
                     bool notify = true, bool sound = true, const QString& program = {})
    {
        int result = QDialog::Rejected;
        prompts.dialogs.push_back([=, &result](QDialog& d) {
            auto& dialog = dynamic_cast<TfrmAlarms&>(d);
            for (const AlarmChoice& c : limits) {
                TfrmAlarms::ChannelRow& row = dialog.rows[size_t(c.channel)];
                row.chkHigh->setChecked(c.high.has_value());
                if (c.high)
                    row.edtHigh->setValue(*c.high);
                row.chkLow->setChecked(c.low.has_value());
                if (c.low)
                    row.edtLow->setValue(*c.low);
            }
            dialog.edtHysteresis->setValue(hysteresis);
            dialog.edtDelay->setValue(delay);
            dialog.chkNotify->setChecked(notify);
            dialog.chkSound->setChecked(sound);
            dialog.chkProgram->setChecked(!program.isEmpty());
            dialog.edtProgram->setText(program);
            dialog.accept();   // refuses, and stays open, when a limit makes no sense
            result = dialog.result();
            return result;
        });
        main->Alarms1Click();
        return result;
    }

    void setReadings(float t1, float t2, float t3, float t4, std::uint8_t overRange = 0)
    {
        driver.readings = {t1, t2, t3, t4};
        driver.overRange = overRange;
    }

    CaughtNotifications notifications;
    int sounds = 0;
};
