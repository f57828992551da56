#pragma once
// The front panel's frame in alarm: a red rim around the meter and a red ring
// around the probe socket of each channel in alarm. It lies over the
// housing, never over the display, which stays what the meter shows, and
// lets every click through to the panel beneath.

#include <QWidget>

class PanelAlarmFrame : public QWidget {
    Q_OBJECT
public:
    static constexpr QRgb AlarmColor = 0xffe0201b;

    explicit PanelAlarmFrame(QWidget* parent = nullptr);

    // Bit c set: channel c is in alarm; `description` says what, for a screen reader.
    void showChannels(unsigned channels, const QString& description);
    unsigned channels() const { return inAlarm; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    unsigned inAlarm = 0;
};
