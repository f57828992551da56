#pragma once
// The main window: the multiple-document frame with its menus, tool buttons
// and status bar. It owns everything that lives as long as the program.

#include "app/DateTime.h"
#include "app/Settings.h"

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <array>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QPrinter;
class QToolBar;
class TfrmAbout;
class TfrmGraph;
class TfrmPanel;
class LoggerLink;
class DataSetParser;
class LoadCommand;

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    // `splash` is closed once the window has been shown for the first time.
    explicit TfrmMain(TfrmAbout* splash = nullptr, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // ---- Application-wide state --------------------------------------------
    AppSettings Settings;                 // RealTimeRate, LastConnectedPort, LastConnectedModel, AnnoColor
    int MeterModel = 612;
    QString DocumentFolder;
    std::array<QPixmap, 4> BatteryBitmaps;
    TDateTime XExtensionStep = 0;

    // Child windows of which at most one each exists; null while closed.
    QPointer<TfrmPanel> FrontPanel;
    QPointer<TfrmGraph> RealTimeGraph;
    QPointer<TfrmGraph> DataLoggerGraph;

    // Real-time recording.
    bool RealTimeRunning = false;
    int SampleCount = 0;
    std::array<float, 4> RunningMax{-9999, -9999, -9999, -9999};
    std::array<float, 4> RunningMin{9999, 9999, 9999, 9999};
    bool RealTimeUnsaved = false;

    // Data logger.
    bool DataSetsUnsaved = false;
    // The Load command and what it works through; a load may be running
    // while messages are processed, so the DataLogger window asks first.
    std::unique_ptr<LoggerLink> DataLoggerLink;
    std::unique_ptr<DataSetParser> DataLoggerDataSets;
    std::unique_ptr<LoadCommand> DataLoggerLoad;
    bool DataLoggerLoading() const;

    // Graph marks, shared by all graph windows.
    int AnnotationCount = 3;
    enum class CursorTool { Normal, Text, Cross };
    CursorTool CursorMode = CursorTool::Normal;

    // ---- Controls ------------------------------------------------------------
    QMdiArea* MdiArea = nullptr;
    QToolBar* Panel1 = nullptr;
    QComboBox* ComboBoxDeviceName = nullptr;
    QLabel* StatusPanel0 = nullptr;       // Comm1's device name
    QLabel* StatusPanel1 = nullptr;       // "On Connection" / "Off Connection"

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
    QAction* LoadData1 = nullptr;
    QAction* Setup1 = nullptr;
    QAction* ControlPanel1 = nullptr;
    QAction* RealTimeGraph1 = nullptr;
    QAction* Tile1 = nullptr;
    QAction* Cascade1 = nullptr;
    QAction* Contents1 = nullptr;
    QAction* About1 = nullptr;
    QMenu* Window1 = nullptr;

    QTimer MainTimer;
    QTimer MaxMinTimer;
    std::unique_ptr<QPrinter> Printer;    // the printer chosen by Printer Setup

    // ---- Handlers --------------------------------------------------------------
    void Open1Click();
    void Save1Click();
    void btnPrintClick();
    void PrinterSetup1Click();
    void Exit1Click();
    void btnRunClick();
    void btnStopClick();
    void LoadData1Click();
    void Setup1Click();
    void ControlPanel1Click();
    void RealTimeGraph1Click();
    void Contents1Click();
    void About1Click();
    void btnOutputToGraphClick();

    // Adds a child window to the frame and returns its frame window.
    QMdiSubWindow* addChild(QWidget* child);
    // The widget of the active child window, or null.
    QWidget* activeChild() const;

    // The main window of this run (set while it exists).
    static TfrmMain* instance();

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

    QPointer<TfrmAbout> splash;
    bool shownOnce = false;
};
