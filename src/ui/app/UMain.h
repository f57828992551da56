#pragma once
// The main window: the multiple-document frame with its menus, tool buttons
// and status bar. It owns everything that lives as long as the program.

#include "alarm/AlarmWatch.h"
#include "app/DateTime.h"
#include "app/Settings.h"
#include "graph/GraphHost.h"
#include "link/LinkHost.h"
#include "link/MeterLink.h"
#include "logger/DataSetModel.h"
#include "panel/MaxMinBlink.h"
#include "realtime/RealTimeSession.h"
#include "realtime/RunSchedule.h"

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class AlarmNotifier;
class AlarmResponder;
class DesktopNotifier;
class ScheduledRun;
class QAction;
class QComboBox;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QPrinter;
class PESGraph;
class QToolBar;
class QToolButton;
class RealTimeRecorder;
class TfrmAbout;
class THelpWindow;
class TfrmGraph;
class TfrmList;
class TfrmPanel;
class PanelLink;
struct LiveFrame;
class LoggerLink;
class DataSetParser;
class LoadUser;
class LoadCommand;
class MeterSetup;
class TfrmSetup;

class TfrmMain : public QMainWindow, public LinkHost, public GraphHost {
    Q_OBJECT
public:
    // `splash` is closed once the window has been shown for the first time.
    explicit TfrmMain(TfrmAbout* splash = nullptr, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // ---- Application-wide state --------------------------------------------
    AppSettings Settings;                 // RealTimeRate, LastConnectedPort, LastConnectedModel, AnnoColor
    QString DocumentFolder;
    std::array<QPixmap, 4> BatteryBitmaps;

    // Child windows of which at most one each exists; null while closed.
    QPointer<TfrmPanel> FrontPanel;
    QPointer<THelpWindow> HelpWindow;   // the user guide, made on the first F1
    QPointer<TfrmGraph> RealTimeGraph;
    QPointer<TfrmGraph> DataLoggerGraph;

    // Real-time recording: the run with its samples, and the windows' side of
    // it (Run, Stop, the sample of a tick, the rate change). Declared after
    // Settings and DocumentFolder, which the session uses.
    RealTimeSession Session{Settings, DocumentFolder};
    std::unique_ptr<RealTimeRecorder> RealTime;

    // ---- Alarms and the schedule (app/MainAlarms.cpp) -------------------------
    // The limits watched at the sampling rate, run or no run; what an alarm
    // does; the run that starts and stops by itself.
    AlarmWatch Alarms;
    std::unique_ptr<DesktopNotifier> Notifier;
    std::unique_ptr<AlarmResponder> AlarmResponse;
    std::unique_ptr<ScheduledRun> Scheduled;
    // Notifications and the sound go to `notifier` and `sound` from now on (tests).
    void useAlarmNotifier(AlarmNotifier& notifier, std::function<void()> sound);
    // Makes `plan` the schedule in force, in place of any other.
    void startSchedule(const RunSchedule::Plan& plan);
    // The latest frame, whose readings, "OL" marks and unit the alarms judge.
    LiveFrame LastFrame;

    // Data logger.
    bool DataSetsUnsaved = false;
    DataSetModel DataSets;                // the data sets shown; replaced by each successful parse
    // The Load command and what it works through; a load may be running
    // while messages are processed, so the DataLogger window asks first.
    std::unique_ptr<LoggerLink> DataLoggerLink;
    std::unique_ptr<DataSetParser> DataLoggerDataSets;
    std::unique_ptr<LoadUser> DataLoggerUser;
    std::unique_ptr<LoadCommand> DataLoggerLoad;
    bool DataLoggerLoading() const;

    // ---- Controls ------------------------------------------------------------
    QMdiArea* MdiArea = nullptr;
    QToolBar* Panel1 = nullptr;
    QComboBox* ComboBoxDeviceName = nullptr;
    QLabel* StatusPanel0 = nullptr;       // Comm1's device name
    QLabel* StatusPanel1 = nullptr;       // "On Connection" / "Off Connection"
    QLabel* StatusAlarm = nullptr;        // the channels in alarm, while any is
    QLabel* StatusSchedule = nullptr;     // the schedule in force, while there is one

    // Tool buttons (separate from the menu items: their enabled states differ).
    QAction* SpeedButton1 = nullptr;      // Open File
    QAction* SpeedButton2 = nullptr;      // Save to file
    QAction* btnPrint = nullptr;
    QAction* btnDataLogger = nullptr;
    QAction* btnOutputToGraph = nullptr;
    QAction* btnRun = nullptr;
    QAction* btnStop = nullptr;
    QAction* SpeedButton8 = nullptr;      // Help

    // Menu items.
    QAction* Open1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* PrinterSetup1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Run1 = nullptr;
    QAction* Stop1 = nullptr;
    QAction* Alarms1 = nullptr;           // Real Time > Alarms...
    QAction* Schedule1 = nullptr;         // Real Time > Schedule...
    QAction* LoadData1 = nullptr;
    QAction* Setup1 = nullptr;
    QAction* ControlPanel1 = nullptr;
    QAction* RealTimeGraph1 = nullptr;
    QAction* Tile1 = nullptr;
    QAction* Cascade1 = nullptr;
    QAction* Minimize1 = nullptr;   // minimises the active window, the front panel too
    QAction* Contents1 = nullptr;
    QAction* ConnectionCheck1 = nullptr;  // Help > Connection Check
    QAction* SaveConnectionLog1 = nullptr;  // Help > Save Connection Log
    QToolButton* btnNoMeter = nullptr;    // in the status bar while no meter answers
    QAction* About1 = nullptr;
    QMenu* Window1 = nullptr;
    QMenu* DataLogger1 = nullptr;   // the "&Data Logger" menu

    QTimer MainTimer;
    QTimer MaxMinTimer;

    // ---- Front panel -------------------------------------------------------------
    // BlinkPhase and InMaxMinTimer: MaxMinTimer blinks the panel's MAX and MIN
    // marks, and its phase runs on while the panel is closed.
    MaxMinBlink MaxMinState;
    // How the panel reaches the meter link (a stand-in that is never connected
    // until the link is attached).
    std::unique_ptr<PanelLink> FrontPanelLink;
    void MaxMinTimerTimer();
    std::unique_ptr<QPrinter> Printer;    // the printer chosen by Printer Setup

    // ---- Meter link --------------------------------------------------------------
    // Declared after Settings and MainTimer, which it uses. The ports, the
    // connection state (Connected, InReceive, InMainTimer, SendingCommand ...),
    // LatestReadings, MeterRecording and WaitMs live in Link.
    MeterLink Link{*this, Settings, MainTimer};
    TComPort& Comm1 = Link.Comm1;
    TComPort& Comm2 = Link.Comm2;
    int& MeterModel = Link.MeterModel;    // 612 or 618; written as LastConnectedModel on closing

    // ---- Meter setup (setup/MainSetup.cpp) -----------------------------------------
    // The setup window while it is open, and its commands, whose frame and
    // reply time-out keep their changes for the rest of the run.
    QPointer<TfrmSetup> frmSetup;
    std::unique_ptr<MeterSetup> Setup;


    // LinkHost: how the link shows itself in this window (UMainLink.cpp).
    int portCount() const override;
    QString portText(int index) const override;
    void selectPort(int index) override;
    void removePort(int index) override;
    void setControlEnabled(LinkControl control, bool enabled) override;
    void setStatus(const QString& deviceName, const QString& connectionText) override;
    void setNoConnectionVisible(bool visible) override;
    void portsNotOpened(const QList<LinkHost::UnopenedPort>& ports) override;
    void setClearButtonEnabled(bool enabled) override;
    void showLiveFrame(const LiveFrame& frame, bool previousHold) override;
    bool realTimeRunning() const override;
    void takeSample(TDateTime tickTime, const std::array<float, 4>& readings) override;
    void frameTick(TDateTime tickTime) override;

    // ---- Handlers --------------------------------------------------------------
    void Open1Click();
    void Save1Click();
    void btnPrintClick();
    void PrinterSetup1Click();
    void Exit1Click();
    void btnRunClick();
    void btnStopClick();
    void Alarms1Click();
    void Schedule1Click();
    void LoadData1Click();
    void Setup1Click();
    void ControlPanel1Click();
    void RealTimeGraph1Click();
    void Contents1Click();
    void ConnectionCheck1Click();
    void SaveConnectionLog1Click();
    void About1Click();
    void btnOutputToGraphClick();

    // ---- Data sets (logger/MainDataSets.cpp) -----------------------------------
    // Parses DataSets.RawImage by the current MeterModel; on success lists the
    // data sets in the DataLogger window. Returns a LoadResult code.
    int ParseImage();
    // Writes the first `count` bytes of DataSets.RawImage to the scratch file;
    // a failure is shown to the user and gives false.
    bool WriteScratchFile(int count);
    // "Fixed the error ": keeps the data sets before the bad one of the last
    // parse, as if only they had been loaded (the Load command marks them
    // unsaved). Returns a LoadResult code.
    int KeepGoodDataSets();
    // False when the collection file was not written.
    bool SaveCollection();
    void OpenCollection();
    // Names the collection file the DataLogger window shows in its caption (none: plain "DataLogger").
    void nameDataLoggerWindow(const QString& collectionFile);
    // Creates the DataLogger window (logger/DataLoggerWindow.cpp), or shows
    // the one that exists in its normal state; sets DataLoggerGraph.
    TfrmGraph* ShowDataLoggerGraph();
    // Lists the model's data sets in the DataLogger window's grid.
    void FillDataSetsGrid();
    // Draws the data set of the grid's selected row.
    void Grid2Click();
    // Draws data set k (from 0) of the model in the DataLogger window.
    void DrawDataSet(int k);
    // Reads a collection file into the model; false (after telling the user)
    // when the file cannot be read or holds no valid data sets.
    bool OpenCollectionFile(const QString& path);

    // ---- Save and Open (files/MainOpenSave.cpp) ------------------------------
    // Reads a TAB- or comma-separated text file into a new table window.
    TfrmList* OpenTextFile(const QString& path, QChar separator);
    // Reads a graph file into a new graph window; null when it cannot be read.
    TfrmGraph* OpenGraphFile(const QString& path);
    // Where the file dialogs start.
    QString dialogFolder() const;

    // Adds a child window to the frame and returns its frame window.
    QMdiSubWindow* addChild(QWidget* child) override;
    // The widget of the active child window, or null.
    QWidget* activeChild() const;

signals:
    // Data set k is drawn in the DataLogger window.
    void dataSetDrawn(int k);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void FormCreate();
    void FormShow();
    // Asks every child window whether it may close; false when one refuses.
    bool closeChildren();
    void FormClose();
    // Waits until no frame is being handled and closes Comm1.
    void FormCloseQuery();
    void ComboBoxDeviceNameChange(const QString& text);
    // Enables "Output Tabular to graph" while a table window is active.
    void childActivated(QMdiSubWindow* window);
    // Run and Load, disabled for want of a meter, say so in their tooltips
    // and status tips (UMainLink.cpp).
    void explainMeterControls();
    bool meterOffline = false;
    // Run and Stop, tool buttons and menu items, follow the recording.
    void showRecording(bool running);
    // Alarms (app/MainAlarms.cpp).
    void createAlarms();
    void alarmEvent(const AlarmEvent& event);
    // The status bar and the front panel's frame show the channels in alarm.
    void showAlarms();
    void showSchedule();
    // The user took the run over (Run, Stop): the schedule that recorded it ends.
    void userTakesRunOver();

    // GraphHost: what the graph windows share and ask of the program (app/MainGraphHost.cpp).
    CursorTool cursorTool() const override { return CursorMode; }
    void setCursorTool(CursorTool tool) override { CursorMode = tool; }
    int annotationColor() const override { return Settings.AnnoColor; }
    void setAnnotationColor(int color) override { Settings.AnnoColor = color; }
    int annotationCount() const override { return AnnotationCount; }
    void setAnnotationCount(int count) override { AnnotationCount = count; }
    bool saveGraph(PESGraph& chart) override;
    bool graphMayClose(TfrmGraph& graph) override;
    void graphClosing(TfrmGraph& graph) override;

    // Graph marks, shared by all graph windows.
    int AnnotationCount = 3;
    CursorTool CursorMode = CursorTool::Normal;
    // The file type last chosen in the graph save dialog, counted from 1.
    int SaveDialog1FilterIndex = 1;

    // Used only by the main window's own parts.
    // Creates the panel at the top-left corner of the frame and keeps it in FrontPanel.
    void createFrontPanel();
    // Puts the real-time graph beside the panel, filling the rest of the frame.
    void layOutRealTimeGraphBesidePanel();
    // Lays the start-up graph out again for the frame's new size, unless the
    // user has placed it since.
    void keepRealTimeGraphBesidePanel();
    QRect graphPlacedAt;   // where the start-up graph was put; null once the user placed it
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool PrinterChosen = false;           // the user accepted Printer Setup
    bool PortHintShown = false;  // the ports that would not open are told once a run
    // Saves the graph or table window `child` as Save does; false when nothing
    // was written (dialog cancelled, write failed).
    bool SaveChild(QWidget* child);
    void printGraph(PESGraph& chart);
    void OpenSingleFile();

    QPointer<TfrmAbout> splash;
    bool shownOnce = false;
};
