#include "app/UMain.h"

#include "alarm/AlarmResponder.h"
#include "alarm/DesktopNotifier.h"
#include "realtime/ScheduledRun.h"
#include "app/AppPaths.h"
#include "app/CloseQuery.h"
#include "app/HelpWindow.h"
#include "app/Prompts.h"
#include "app/ToolIcons.h"
#include "app/UAbout.h"
#include "app/UConnectionCheck.h"
#include "files/CheckedFileWriter.h"
#include "link/ConnectionCheck.h"
#include "link/LinkLogSink.h"
#include "app/MeterPanelLink.h"
#include "panel/PanelLayout.h"
#include "panel/PanelPictures.h"
#include "panel/UPanel.h"
#include "graph/UGraph.h"
#include "realtime/RealTimeRecorder.h"
#include "logger/ErrorDialogUser.h"
#include "logger/MainLoadWiring.h"
#include "setup/MeterSetup.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPrinter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

TfrmMain::TfrmMain(TfrmAbout* splashScreen, QWidget* parent)
    : QMainWindow(parent)
    , splash(splashScreen)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("TQ612"));

    MdiArea = new QMdiArea(this);
    // A child that does not fit (the front panel on a small or scaled screen)
    // is scrolled to, never cut off.
    MdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    MdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    MdiArea->setBackground(palette().brush(QPalette::Dark));
    setCentralWidget(MdiArea);
    MdiArea->viewport()->installEventFilter(this);
    connect(MdiArea, &QMdiArea::subWindowActivated, this, &TfrmMain::childActivated);

    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    for (QAction* a : {btnRun, Run1, btnDataLogger, LoadData1})
        connect(a, &QAction::enabledChanged, this, &TfrmMain::explainMeterControls);

    MainTimer.setInterval(1000);
    MaxMinTimer.setInterval(500);
    connect(&MaxMinTimer, &QTimer::timeout, this, &TfrmMain::MaxMinTimerTimer);
    FrontPanelLink = std::make_unique<MeterPanelLink>(Link);

    FormCreate();
    RealTime = std::make_unique<RealTimeRecorder>(*this, Session);
    connect(&Session, &RealTimeSession::runStarted, this, [this] { showRecording(true); });
    connect(&Session, &RealTimeSession::runStopped, this, [this] { showRecording(false); });
    connect(&Session, &RealTimeSession::samplesDiscarded, this, [this] { showRecording(false); });
    connect(&Session, &RealTimeSession::recoveryFailed, this,
            [this](const QString& text) { statusBar()->showMessage(text); });
    connect(RealTime.get(), &RealTimeRecorder::realTimeGraphOpened, this, [this](TfrmGraph* window) {
        RealTimeGraph = window;
        RealTimeGraph1->setChecked(true);
    });
    connect(RealTime.get(), &RealTimeRecorder::realTimeGraphClosed, this, [this] {
        RealTimeGraph1->setChecked(false);
        RealTimeGraph = nullptr;
        // Run needs a meter; a new run makes a new window.
        showRecording(false);
        btnRun->setEnabled(Link.Connected);
        Run1->setEnabled(Link.Connected);
    });
    createAlarms();
    RealTime->setLink({[this] { return Link.Connected; },
                       [this] { return Link.InMainTimer; },
                       [this](int ticks) { Link.RateTicks = ticks; }});

    DataLoggerLink = makeMainLoggerLink(*this);
    DataLoggerDataSets = makeMainDataSets(*this);
    DataLoggerUser = std::make_unique<ErrorDialogUser>();
    DataLoggerLoad = std::make_unique<LoadCommand>(*DataLoggerLink, *DataLoggerDataSets, *DataLoggerUser,
                                                   makeMainLoadHooks(*this));
}

TfrmMain::~TfrmMain()
{
    // The schedule works the recorder: it goes first.
    Scheduled.reset();
    // The recorder goes before the child windows, so that tearing them down
    // is not taken for the user closing them.
    RealTime.reset();
}

void TfrmMain::createActions()
{
    const auto make = [this](const QString& text, const char* name, void (TfrmMain::*handler)()) {
        auto* a = new QAction(text, this);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    QStyle* s = style();

    SpeedButton1 = make(QStringLiteral("Open File"), "SpeedButton1", &TfrmMain::Open1Click);
    SpeedButton1->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
    SpeedButton2 = make(QStringLiteral("Save to file"), "SpeedButton2", &TfrmMain::Save1Click);
    SpeedButton2->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    btnPrint = make(QStringLiteral("Print"), "btnPrint", &TfrmMain::btnPrintClick);
    btnPrint->setIcon(QIcon::fromTheme(QStringLiteral("document-print"), s->standardIcon(QStyle::SP_FileDialogDetailedView)));
    btnDataLogger = make(QStringLiteral("Data Logger"), "btnDataLogger", &TfrmMain::LoadData1Click);
    btnDataLogger->setIcon(s->standardIcon(QStyle::SP_ArrowDown));
    btnOutputToGraph = make(QStringLiteral("Output Tabular to graph"), "btnOutputToGraph", &TfrmMain::btnOutputToGraphClick);
    btnOutputToGraph->setIcon(s->standardIcon(QStyle::SP_FileDialogContentsView));
    btnOutputToGraph->setEnabled(false);
    btnRun = make(QStringLiteral("Start Graphing Real Time Data"), "btnRun", &TfrmMain::btnRunClick);
    btnRun->setIcon(s->standardIcon(QStyle::SP_MediaPlay));
    btnRun->setEnabled(false);
    btnStop = make(QStringLiteral("Stop Graphing Real Time Data"), "btnStop", &TfrmMain::btnStopClick);
    btnStop->setIcon(s->standardIcon(QStyle::SP_MediaStop));
    btnStop->setEnabled(false);
    SpeedButton8 = make(QStringLiteral("Help"), "SpeedButton8", &TfrmMain::Contents1Click);
    SpeedButton8->setIcon(ToolIcons::help());

    Open1 = make(QStringLiteral("&Open"), "Open1", &TfrmMain::Open1Click);
    Open1->setShortcut(QKeySequence::Open);
    Save1 = make(QStringLiteral("&Save"), "Save1", &TfrmMain::Save1Click);
    Save1->setShortcut(QKeySequence::Save);
    Print1 = make(QStringLiteral("&Print"), "Print1", &TfrmMain::btnPrintClick);
    Print1->setShortcut(QKeySequence::Print);
    PrinterSetup1 = make(QStringLiteral("Printer Set&up"), "PrinterSetup1", &TfrmMain::PrinterSetup1Click);
    Exit1 = make(QStringLiteral("E&xit"), "Exit1", &TfrmMain::Exit1Click);
    Run1 = make(QStringLiteral("&Run"), "Run1", &TfrmMain::btnRunClick);
    Run1->setShortcut(Qt::Key_F5);
    Run1->setEnabled(false);
    Stop1 = make(QStringLiteral("&Stop"), "Stop1", &TfrmMain::btnStopClick);
    Stop1->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    Stop1->setEnabled(false);
    Alarms1 = make(QStringLiteral("&Alarms..."), "Alarms1", &TfrmMain::Alarms1Click);
    Schedule1 = make(QStringLiteral("Sc&hedule..."), "Schedule1", &TfrmMain::Schedule1Click);
    LoadData1 = make(QStringLiteral("&Load "), "LoadData1", &TfrmMain::LoadData1Click);
    Setup1 = make(QStringLiteral("&Setup"), "Setup1", &TfrmMain::Setup1Click);
    Setup1->setVisible(false);
    ControlPanel1 = make(QStringLiteral("&Control Panel"), "ControlPanel1", &TfrmMain::ControlPanel1Click);
    ControlPanel1->setCheckable(true);
    ControlPanel1->setChecked(true);
    RealTimeGraph1 = make(QStringLiteral("Real Time &Graph"), "RealTimeGraph1", &TfrmMain::RealTimeGraph1Click);
    RealTimeGraph1->setCheckable(true);
    RealTimeGraph1->setChecked(true);
    Tile1 = new QAction(QStringLiteral("&Tile"), this);
    Tile1->setObjectName(QStringLiteral("Tile1"));
    connect(Tile1, &QAction::triggered, MdiArea, &QMdiArea::tileSubWindows);
    Cascade1 = new QAction(QStringLiteral("&Cascade"), this);
    Cascade1->setObjectName(QStringLiteral("Cascade1"));
    connect(Cascade1, &QAction::triggered, MdiArea, &QMdiArea::cascadeSubWindows);
    // The front panel has no title bar of its own: this is its way to the side.
    Minimize1 = new QAction(QStringLiteral("Minimi&ze"), this);
    Minimize1->setObjectName(QStringLiteral("Minimize1"));
    Minimize1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    connect(Minimize1, &QAction::triggered, this, [this] {
        if (QMdiSubWindow* w = MdiArea->activeSubWindow())
            w->showMinimized();
    });
    Contents1 = make(QStringLiteral("&Contents"), "Contents1", &TfrmMain::Contents1Click);
    Contents1->setShortcut(QKeySequence::HelpContents);
    ConnectionCheck1 = make(QStringLiteral("Connection C&heck"), "ConnectionCheck1", &TfrmMain::ConnectionCheck1Click);
    SaveConnectionLog1 = make(QStringLiteral("Save Connection &Log..."), "SaveConnectionLog1",
                              &TfrmMain::SaveConnectionLog1Click);
    About1 = make(QStringLiteral("&About"), "About1", &TfrmMain::About1Click);
}

void TfrmMain::createMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    file->addAction(Open1);
    file->addAction(Save1);
    file->addSeparator();
    file->addAction(Print1);
    file->addAction(PrinterSetup1);
    file->addSeparator();
    file->addAction(Exit1);

    QMenu* realTime = bar->addMenu(QStringLiteral("&Real Time"));
    realTime->setObjectName(QStringLiteral("RealTime1"));
    realTime->addAction(Run1);
    realTime->setToolTipsVisible(true);   // Run says why it is disabled
    realTime->addAction(Stop1);
    realTime->addSeparator();
    realTime->addAction(Alarms1);
    realTime->addAction(Schedule1);

    DataLogger1 = bar->addMenu(QStringLiteral("&Data Logger"));
    DataLogger1->setObjectName(QStringLiteral("DataLogger1"));
    DataLogger1->addAction(LoadData1);
    DataLogger1->setToolTipsVisible(true);     // Load says why it is disabled
    DataLogger1->addAction(Setup1);

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("View1"));
    view->addAction(ControlPanel1);
    view->addAction(RealTimeGraph1);

    Window1 = bar->addMenu(QStringLiteral("&Window"));
    Window1->setObjectName(QStringLiteral("Window1"));
    // The window menu lists the open child windows below Tile and Cascade.
    connect(Window1, &QMenu::aboutToShow, this, [this] {
        Window1->clear();
        Window1->addAction(Tile1);
        Window1->addAction(Cascade1);
        Window1->addAction(Minimize1);
        Minimize1->setEnabled(MdiArea->activeSubWindow() != nullptr);
        const auto windows = MdiArea->subWindowList();
        if (!windows.isEmpty())
            Window1->addSeparator();
        int n = 1;
        // Two windows of one file are told apart: run1.txt, run1.txt (2).
        QHash<QString, int> seen;
        for (QMdiSubWindow* w : windows) {
            const int copy = ++seen[w->windowTitle()];
            const QString name = copy == 1 ? w->windowTitle() : QStringLiteral("%1 (%2)").arg(w->windowTitle()).arg(copy);
            QAction* a = Window1->addAction(QStringLiteral("&%1 %2").arg(n++).arg(name));
            a->setCheckable(true);
            a->setChecked(w == MdiArea->activeSubWindow());
            connect(a, &QAction::triggered, MdiArea, [this, w] {
                if (w->isMinimized())
                    w->showNormal();
                MdiArea->setActiveSubWindow(w);
            });
        }
    });
    Window1->addAction(Tile1);
    Window1->addAction(Cascade1);
    Window1->addAction(Minimize1);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    help->addAction(Contents1);
    help->addAction(ConnectionCheck1);
    help->addAction(SaveConnectionLog1);
    help->addSeparator();
    help->addAction(About1);
}

void TfrmMain::createToolBar()
{
    Panel1 = addToolBar(QStringLiteral("Tools"));
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setMovable(false);
    Panel1->setIconSize(QSize(24, 24));
    Panel1->addAction(SpeedButton1);
    Panel1->addAction(SpeedButton2);
    Panel1->addAction(btnPrint);
    Panel1->addSeparator();
    Panel1->addAction(btnDataLogger);
    Panel1->addAction(btnOutputToGraph);
    Panel1->addSeparator();
    Panel1->addAction(btnRun);
    Panel1->addAction(btnStop);
    Panel1->addSeparator();
    Panel1->addAction(SpeedButton8);
    Panel1->addSeparator();

    ComboBoxDeviceName = new QComboBox(Panel1);
    ComboBoxDeviceName->setObjectName(QStringLiteral("ComboBoxDeviceName"));
    ComboBoxDeviceName->setEditable(true);
    ComboBoxDeviceName->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxDeviceName->setMinimumWidth(160);
    ComboBoxDeviceName->setToolTip(QStringLiteral("ComPort"));
    ComboBoxDeviceName->setAccessibleName(QStringLiteral("Serial port of the meter"));
    ComboBoxDeviceName->lineEdit()->setAccessibleName(ComboBoxDeviceName->accessibleName());
    ComboBoxDeviceName->lineEdit()->setPlaceholderText(QStringLiteral("ComPort"));
    Panel1->addWidget(ComboBoxDeviceName);
}

void TfrmMain::createStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    StatusPanel0 = new QLabel(bar);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setFixedWidth(150);
    StatusPanel1 = new QLabel(bar);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setMinimumWidth(50);
    // Offered while no meter answers: the check tells why and how to fix it.
    btnNoMeter = new QToolButton(bar);
    btnNoMeter->setObjectName(QStringLiteral("btnNoMeter"));
    btnNoMeter->setText(QStringLiteral("No meter found: Connection Check..."));
    btnNoMeter->setAutoRaise(true);
    btnNoMeter->hide();
    connect(btnNoMeter, &QToolButton::clicked, this, &TfrmMain::ConnectionCheck1Click);
    // The channels in alarm, in red while any is.
    StatusAlarm = new QLabel(bar);
    StatusAlarm->setObjectName(QStringLiteral("StatusAlarm"));
    StatusAlarm->setStyleSheet(QStringLiteral("QLabel { color: white; background: #c4161c; padding: 0 4px; }"));
    StatusAlarm->hide();
    StatusSchedule = new QLabel(bar);
    StatusSchedule->setObjectName(QStringLiteral("StatusSchedule"));
    StatusSchedule->hide();
    bar->addPermanentWidget(StatusAlarm);
    bar->addPermanentWidget(StatusSchedule);
    bar->addPermanentWidget(btnNoMeter);
    bar->addPermanentWidget(StatusPanel0);
    bar->addPermanentWidget(StatusPanel1);
}

void TfrmMain::FormCreate()
{
    Settings = AppSettings::load();

    // ---- Meter link: the port list and Comm1's device ----
    QStringList ports;
    TComPort::ListPorts(ports);
    ComboBoxDeviceName->addItems(ports);
    selectPort(0);
    Comm1.setDeviceName(ports.isEmpty() ? QString() : TComPort::devicePathFor(ports.first()));
    // A pick from the list and every keystroke in it change the port.
    connect(ComboBoxDeviceName, &QComboBox::currentTextChanged, this, &TfrmMain::ComboBoxDeviceNameChange);
    // ---- end meter link ----

    // Drawn for the densest screen: sharp there, smoothly reduced elsewhere.
    const qreal ratio = qApp->devicePixelRatio();
    for (int i = 0; i < 4; ++i)
        BatteryBitmaps[i] = PanelPictures::mark(QStringLiteral("BAT%1").arg(i), PanelLayout::Battery.size(), ratio);
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shownOnce)
        return;
    shownOnce = true;
    // Let the maximised frame take its size before the children are laid out.
    QTimer::singleShot(0, this, &TfrmMain::FormShow);
}

void TfrmMain::FormShow()
{
    DocumentFolder = AppPaths::makeDocumentFolder();
    Session.setXExtensionStep(10 * DateTime::OneSecond);

    // ---- Child windows created at start-up: the real-time graph and the front panel ----
    // (created here, before the probe, so that the probe can show the link state on them)
    RealTime->CreateRealTimeGraph();
    createFrontPanel();
    layOutRealTimeGraphBesidePanel();
    if (RealTimeGraph)
        RealTimeGraph->setFocus();
    // ---- end child windows ----

    // ---- Meter link: find the meter, start the live frames, start the watchdog ----
    Link.ProbePorts();
    MainTimer.start();
    // ---- end meter link ----

    if (splash)
        splash->close();
    // Samples of a run that never ended properly are offered back.
    RealTime->offerRecovery();
}

QMdiSubWindow* TfrmMain::addChild(QWidget* child)
{
    QMdiSubWindow* sub = MdiArea->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    return sub;
}

QWidget* TfrmMain::activeChild() const
{
    QMdiSubWindow* sub = MdiArea->activeSubWindow();
    return sub ? sub->widget() : nullptr;
}

bool TfrmMain::closeChildren()
{
    // Every child is asked before any closes: one that refuses keeps them all.
    QList<CloseQuery*> agreed;
    for (QMdiSubWindow* sub : MdiArea->subWindowList()) {
        auto* child = dynamic_cast<CloseQuery*>(sub->widget());
        if (!child)
            continue;
        if (!child->queryClose()) {
            for (CloseQuery* other : agreed)
                other->closeCancelled();
            return false;
        }
        agreed << child;
    }
    for (QMdiSubWindow* sub : MdiArea->subWindowList()) {
        if (!sub->close())
            return false;
    }
    return true;
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    if (!closeChildren()) {
        event->ignore();
        return;
    }
    FormCloseQuery();
    FormClose();
    event->accept();
}

void TfrmMain::FormCloseQuery()
{
    // Never close the port in the middle of handling a frame.
    while (Link.InReceive)
        QApplication::processEvents();
    MainTimer.stop();
    Comm1.Close();
}

void TfrmMain::FormClose()
{
    Settings.LastConnectedModel = MeterModel;
    Settings.save();
    RealTime->programClosing();
}

// File > Exit closes the main window the normal way, so that no child window
// loses unsaved data without being asked and the settings are written.
void TfrmMain::Exit1Click()
{
    close();
}

void TfrmMain::PrinterSetup1Click()
{
    if (!Printer)
        Printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (Prompts::current().pageSetupDialog(*Printer))
        PrinterChosen = true;
}

void TfrmMain::Contents1Click()
{
    // The guide opens in a window of the program: a desktop without a
    // browser launcher would otherwise show nothing at all.
    if (!HelpWindow) {
        HelpWindow = new THelpWindow(this);
        HelpWindow->showGuide(AppPaths::helpFile());
    }
    HelpWindow->show();
    HelpWindow->raise();
    HelpWindow->activateWindow();
}

void TfrmMain::ConnectionCheck1Click()
{
    TfrmConnectionCheck window([this] {
        ConnectionCheck check(SystemView(), Account::ofThisProcess(), true);
        // The live link's port is held by this program: its state is the answer there.
        if (Comm1.Active()) {
            check.ownLinkDevice = Comm1.DeviceName();
            check.ownLinkModel = Link.Connected ? MeterModel : 0;
        }
        return check.run(check.portsToCheck()).text();
    }, this);
    Prompts::current().exec(window);
}

void TfrmMain::SaveConnectionLog1Click()
{
    // The link's recent events, for a question to a helpdesk.
    FileDialogRequest request;
    request.directory = DocumentFolder;
    request.filter = QStringLiteral("Log files (*.log *.txt *.LOG *.TXT)");
    request.defaultSuffix = QStringLiteral("log");
    const QString name = Prompts::current().saveFileName(request);
    if (name.isEmpty())
        return;
    QStringList lines = LinkLogSink::recentLines();
    if (lines.isEmpty())
        lines << QStringLiteral("No link events since the program started.");
    QString error;
    if (!CheckedFile::write(name, (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8(), &error))
        Prompts::current().warning(QStringLiteral("Can not save the connection log to ") + error);
}

void TfrmMain::About1Click()
{
    TfrmAbout about(this);
    Prompts::current().exec(about);
}

void TfrmMain::RealTimeGraph1Click()
{
    if (RealTimeGraph) {
        RealTimeGraph1->setChecked(true);   // the item stays checked while the window exists
        if (auto* sub = qobject_cast<QMdiSubWindow*>(RealTimeGraph->parentWidget()))
            sub->showNormal();
        return;
    }
    RealTime->CreateRealTimeGraph();
}
void TfrmMain::showRecording(bool running)
{
    btnRun->setEnabled(!running);
    Run1->setEnabled(!running);
    btnStop->setEnabled(running);
    Stop1->setEnabled(running);
}

void TfrmMain::btnRunClick()
{
    userTakesRunOver();
    RealTime->Run();
}

void TfrmMain::btnStopClick()
{
    userTakesRunOver();
    RealTime->Stop();
}
void TfrmMain::LoadData1Click()
{
    DataLoggerLoad->LoadData1Click();
}

bool TfrmMain::DataLoggerLoading() const
{
    return DataLoggerLoad && DataLoggerLoad->running();
}
// ---- Front panel -------------------------------------------------------------------

void TfrmMain::createFrontPanel()
{
    auto* panel = new TfrmPanel(PanelHost{*FrontPanelLink, MaxMinTimer, BatteryBitmaps, MaxMinState});
    QMdiSubWindow* frame = addChild(panel);   // the frame window owns the panel
    TfrmPanel::fitFrame(*frame);
    frame->move(0, 0);
    connect(panel, &TfrmPanel::activated, this, [this] { btnOutputToGraph->setEnabled(false); });
    connect(panel, &TfrmPanel::closed, this, [this] {
        FrontPanel = nullptr;
        ControlPanel1->setChecked(false);
    });
    frame->show();
    FrontPanel = panel;
    ControlPanel1->setChecked(true);
    showAlarms();
}

void TfrmMain::layOutRealTimeGraphBesidePanel()
{
    graphPlacedAt = QRect();
    if (!RealTimeGraph || !FrontPanel)
        return;
    auto* graphFrame = qobject_cast<QMdiSubWindow*>(RealTimeGraph->parentWidget());
    auto* panelFrame = qobject_cast<QMdiSubWindow*>(FrontPanel->parentWidget());
    if (!graphFrame || !panelFrame)
        return;
    // From the main window's size: beside the panel, above the status bar.
    const int left = panelFrame->width();
    QRect place(left, 0, width() - left - 5, height() - Panel1->height() - statusBar()->height() - 40);
    // Never beyond the client area, whose scroll bars would then hide the graph's edges.
    place = place.intersected(MdiArea->viewport()->rect());
    if (place.width() < 200 || place.height() < 200)
        place.setSize(place.size().expandedTo(QSize(200, 200)));
    graphFrame->setGeometry(place);
    graphPlacedAt = graphFrame->geometry();
}

void TfrmMain::keepRealTimeGraphBesidePanel()
{
    const auto* graphFrame = RealTimeGraph ? qobject_cast<QMdiSubWindow*>(RealTimeGraph->parentWidget()) : nullptr;
    // Once the user has moved or resized the graph (or closed it), it stays as they left it.
    if (graphPlacedAt.isNull() || !graphFrame || graphFrame->geometry() != graphPlacedAt) {
        graphPlacedAt = QRect();
        return;
    }
    layOutRealTimeGraphBesidePanel();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    // The frame takes its final size after it was first shown (a window
    // manager maximises it a moment later): the start-up graph follows.
    if (watched == MdiArea->viewport() && event->type() == QEvent::Resize)
        keepRealTimeGraphBesidePanel();
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::ControlPanel1Click()
{
    if (FrontPanel) {
        if (auto* frame = qobject_cast<QMdiSubWindow*>(FrontPanel->parentWidget()))
            frame->showNormal();
        ControlPanel1->setChecked(true);   // the menu click toggled it
        return;
    }
    createFrontPanel();
}

void TfrmMain::MaxMinTimerTimer()
{
    MaxMinState.MaxMinTimerTimer(FrontPanel.data());
}
