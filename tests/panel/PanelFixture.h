#pragma once
// A front panel on its own, with a scripted meter link, the main window's
// MaxMinTimer and battery pictures, and a fake clock that the link's waits move.

#include "support/FakeClock.h"
#include "support/FakePrompts.h"
#include "app/Regional.h"
#include "link/LiveFrame.h"
#include "panel/KeyCommands.h"
#include "panel/UPanel.h"

#include <QLabel>
#include <QList>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

class FakePanelLink : public PanelLink {
public:
    explicit FakePanelLink(FakeClock& clock) : clock(clock) {}

    bool isConnected = true;
    bool isSendingCommand = false;
    bool isInReceive = false;
    QList<QByteArray> written;
    QList<int> waits;
    std::function<void()> duringWait;   // runs inside every wait, like a message loop

    bool connected() const override { return isConnected; }
    bool sendingCommand() const override { return isSendingCommand; }
    bool inReceive() const override { return isInReceive; }
    void waitMs(int ms) override
    {
        waits << ms;
        clock.advance(ms);
        if (duringWait)
            duringWait();
    }
    void writeCommand(const QByteArray& tenBytes) override { written << tenBytes; }

    // The letters of the frames written so far.
    QString letters() const
    {
        QString text;
        for (const QByteArray& frame : written)
            text += QLatin1Char(frame.at(1));
        return text;
    }

private:
    FakeClock& clock;
};

inline QPixmap solidPixmap(Qt::GlobalColor color)
{
    QPixmap pixmap(22, 11);
    pixmap.fill(color);
    return pixmap;
}

class PanelFixture : public ::testing::Test {
protected:
    PanelFixture()
        : scopedClock(clock)
        , scopedPrompts(prompts)
        , link(clock)
        , batteries{solidPixmap(Qt::red), solidPixmap(Qt::yellow), solidPixmap(Qt::green), solidPixmap(Qt::blue)}
    {
        maxMinTimer.setInterval(500);
        panel = std::make_unique<TfrmPanel>(PanelHost{link, maxMinTimer, batteries, blink});
    }

    bool shown(const QWidget* widget) const { return widget->isVisibleTo(panel.get()); }
    QString valueText(int row) const { return values()[row]->text(); }
    std::array<QLabel*, 4> names() const { return {panel->lblT1, panel->lblT2, panel->lblT3, panel->lblT4}; }
    std::array<QLabel*, 4> values() const
    {
        return {panel->lblT1Value, panel->lblT2Value, panel->lblT3Value, panel->lblT4Value};
    }
    std::array<QLabel*, 4> celsiusMarks() const { return {panel->imgT1C, panel->imgT2C, panel->imgT3C, panel->imgT4C}; }
    std::array<QLabel*, 4> fahrenheitMarks() const { return {panel->imgt1F, panel->imgT2F, panel->imgT3F, panel->imgT4F}; }

    FakeClock clock;
    ScopedClock scopedClock;
    FakePrompts prompts;
    ScopedPrompts scopedPrompts;
    FakePanelLink link;
    QTimer maxMinTimer;
    std::array<QPixmap, 4> batteries;
    MaxMinBlink blink;
    std::unique_ptr<TfrmPanel> panel;
};

// "30.0" written with the user's decimal separator.
inline QString number(const char* text)
{
    QString value = QString::fromLatin1(text);
    value.replace(QLatin1Char('.'), Regional::decimalPoint());
    return value;
}
