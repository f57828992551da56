#pragma once
// The front panel: a picture of the meter's face that mirrors the meter's
// display frame by frame, and whose keys send the meter's key commands.

#include "link/LiveFrame.h"
#include "panel/MaxMinBlink.h"
#include "panel/PanelLink.h"

#include <QPixmap>
#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <array>
#include <utility>
#include <vector>

class ClickArea;
class PanelAlarmFrame;
class QLabel;
class QMdiSubWindow;

// What the panel uses of the main window, which owns all of it and outlives
// every panel.
struct PanelHost {
    PanelLink& link;
    QTimer& maxMinTimer;                          // 500 ms, blinks MAX and MIN in mode 3
    const std::array<QPixmap, 4>& batteryBitmaps; // battery levels 0 to 3
    MaxMinBlink& blink;
};

class TfrmPanel : public QWidget {
    Q_OBJECT
public:
    explicit TfrmPanel(const PanelHost& host, QWidget* parent = nullptr);

    // Shows one decoded live frame. `previousHold` is the HOLD bit of the
    // frame before it: the values freeze from the second held frame on.
    void ShowLiveFrame(const LiveFrame& frame, bool previousHold);

    // What the display shows, as a screen reader reads it: "T1 23.4 °C, ..., HOLD".
    QString displayText() const;

    // The frame shows the channels in alarm (bit c: channel c), described by
    // `description`; the display goes on showing what the meter shows.
    void showChannelsInAlarm(unsigned channels, const QString& description);

    // Shows or hides both blinking marks (driven by MaxMinBlink).
    void showMaxMinMarks(bool shown);

    // Sends one key command: waits for the link to be free, writes if connected, beeps.
    void KeyCommand(char letter);

    // ---- Key handlers ----------------------------------------------------------
    void btnHOLDClick();
    void btnRecClick();
    void btnCFClick();
    void btnT1_T2Click();
    void btnMMAMouseDown();
    void btnMMAMouseUp();
    void MMATimerTimer();
    void btnCloseClick();

    bool mmaPressed() const { return MmaPressed; }
    int mmaTicks() const { return MmaTicks; }
    // The long press fires on the third tick of this timer (1000 ms normally).
    void setMmaTimerInterval(int ms) { MMATimer.setInterval(ms); }
    const QTimer& mmaTimer() const { return MMATimer; }

    // The spoken name of a mark's picture ("DEGC" is "°C").
    static QString spokenMark(const QString& picture);

    // Gives the panel's frame window its caption-less, fixed-size look.
    static void fitFrame(QMdiSubWindow& frame);

    // ---- Controls --------------------------------------------------------------
    QLabel* imgPanel = nullptr;
    ClickArea* btnClose = nullptr;
    ClickArea* btnHOLD = nullptr;
    ClickArea* btnRec = nullptr;
    ClickArea* btnCF = nullptr;
    ClickArea* btnT1_T2 = nullptr;
    ClickArea* btnMMA = nullptr;
    QLabel* lblNoConnection = nullptr;
    PanelAlarmFrame* pnlAlarmFrame = nullptr;
    QLabel* lblT1 = nullptr;
    QLabel* lblT2 = nullptr;
    QLabel* lblT3 = nullptr;
    QLabel* lblT4 = nullptr;
    QLabel* lblT1Value = nullptr;
    QLabel* lblT2Value = nullptr;
    QLabel* lblT3Value = nullptr;
    QLabel* lblT4Value = nullptr;
    QLabel* imgT1C = nullptr;
    QLabel* imgt1F = nullptr;
    QLabel* imgT2C = nullptr;
    QLabel* imgT2F = nullptr;
    QLabel* imgT3C = nullptr;
    QLabel* imgT3F = nullptr;
    QLabel* imgT4C = nullptr;
    QLabel* imgT4F = nullptr;
    QLabel* lblMAX = nullptr;
    QLabel* lblMIN = nullptr;
    QLabel* lblAVG = nullptr;
    QLabel* imgHOLD = nullptr;
    QLabel* imgREC = nullptr;
    QLabel* imgFULL = nullptr;
    QLabel* imgAutoOff = nullptr;
    QLabel* imgBAT = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* imgK = nullptr;

signals:
    void activated();   // the panel became the active child window
    void closed();      // the panel is closing and frees itself

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void drawPictures();
    void connectKeys();
    void showMarks(const LiveFrame& frame);
    void showValues(const LiveFrame& frame);
    void FormActivate();
    void FormCloseQuery();
    void FormClose();
    void imgPanelMouseDown(const QPoint& globalPos);
    void watchFrame();
    void frameStateChanged(Qt::WindowStates oldState, Qt::WindowStates newState);
    QMdiSubWindow* frame() const;

    PanelHost host;
    QTimer MMATimer;
    bool MmaPressed = false;
    int MmaTicks = 0;

    // The labels that show artwork, with the picture's name ("" for the face).
    std::vector<std::pair<QLabel*, QString>> pictureLabels;
    qreal picturesRatio = 0;   // the device pixel ratio they were drawn for

    std::array<QLabel*, 4> names{};
    std::array<QLabel*, 4> values{};
    std::array<QLabel*, 4> celsiusMarks{};
    std::array<QLabel*, 4> fahrenheitMarks{};

    bool mmaKeyDown = false;   // M held on the keyboard
    bool dragging = false;
    QPoint dragOffset;   // mouse position minus frame position while dragging
};
