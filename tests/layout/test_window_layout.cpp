// The windows on small and scaled screens. This program runs on the screen
// that TQ612_LAYOUT_SCREEN names ("WIDTHxHEIGHT@SCALE", by default a
// 1600 × 1000 screen at scale 2); the test list runs it on several. Every
// window opens inside the main window's client area, no two of its visible
// controls overlap, each lies inside its window, and every chart keeps a
// usable height. The real-time graph fills the room beside the front panel
// once the frame has been maximised, as a window manager does it.
#include "app/UMain.h"
#include "chart/PESGraph.h"
#include "graph/UGraph.h"
#include "panel/UPanel.h"
#include "MemoryImageBuilder.h"
#include "support/FakePrompts.h"
#include "support/MainWindowStart.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRegularExpression>
#include <QScreen>
#include <QFontMetrics>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QGuiApplication>
#include <gtest/gtest.h>
#include <iostream>

namespace {

struct Screen {
    int width = 1600, height = 1000;
    double scale = 2;
};

Screen screenFromEnvironment()
{
    Screen s;
    const QRegularExpression form(QStringLiteral(R"(^(\d+)x(\d+)@([\d.]+)$)"));
    const auto m = form.match(qEnvironmentVariable("TQ612_LAYOUT_SCREEN"));
    if (m.hasMatch())
        s = {m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toDouble()};
    return s;
}

// The screen must be chosen before main() creates the application object.
const Screen TheScreen = [] {
    const Screen s = screenFromEnvironment();
    const QString config = QDir::temp().filePath(QStringLiteral("tq612-layout-%1.json").arg(QCoreApplication::applicationPid()));
    QFile file(config);
    if (file.open(QIODevice::WriteOnly))
        file.write(QStringLiteral(R"({"screens":[{"name":"test","x":0,"y":0,"width":%1,"height":%2,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})")
                       .arg(s.width).arg(s.height).toUtf8());
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toUtf8());
    qputenv("QT_SCALE_FACTOR", QByteArray::number(s.scale));
    return s;
}();

// The controls a user reads or operates, visible in `window`.
QList<QWidget*> controlsOf(QWidget* window)
{
    QList<QWidget*> out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w)
            || qobject_cast<QComboBox*>(w);
        if (control && w->isVisibleTo(window) && !w->size().isEmpty() && !qobject_cast<QLineEdit*>(w->parentWidget())
            && !qobject_cast<QComboBox*>(w->parentWidget()))
            out << w;
    }
    return out;
}

// Where `w` shows within `window`: its rectangle clipped by every scrolling
// viewport above it (a control scrolled out of sight is not drawn over others).
QRect shownRect(QWidget* w, QWidget* window)
{
    QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
        if (qobject_cast<QAbstractScrollArea*>(p->parentWidget()) && p == static_cast<QAbstractScrollArea*>(p->parentWidget())->viewport())
            r &= QRect(p->mapTo(window, QPoint(0, 0)), p->size());
    }
    return r;
}

// Each axis of a chart shows at least this many pixels of its plotting area.
void expectUsableAxes(const PESGraph& chart, const char* name)
{
    for (int axis = 0; axis < chart.axisRectCount(); ++axis)
        EXPECT_GE(chart.axisArea(axis).height(), 40) << name << ": axis " << axis;
}

void expectTidy(QWidget* window, const char* name)
{
    SCOPED_TRACE(name);
    const QList<QWidget*> controls = controlsOf(window);
    const QRect inside = window->rect();
    for (int i = 0; i < controls.size(); ++i) {
        const QRect a = shownRect(controls[i], window);
        if (a.isEmpty())
            continue;
        EXPECT_TRUE(inside.contains(a)) << controls[i]->objectName().toStdString() << " lies inside its window";
        for (int j = i + 1; j < controls.size(); ++j) {
            if (controls[i]->isAncestorOf(controls[j]) || controls[j]->isAncestorOf(controls[i]))
                continue;
            const QRect b = shownRect(controls[j], window);
            EXPECT_FALSE(a.intersects(b)) << controls[i]->objectName().toStdString() << " "
                                          << qPrintable(controls[i]->property("text").toString()) << " overlaps "
                                          << controls[j]->objectName().toStdString() << " "
                                          << qPrintable(controls[j]->property("text").toString());
        }
    }
}

QString screenName()
{
    return qEnvironmentVariable("TQ612_LAYOUT_SCREEN", QStringLiteral("default"));
}

// Where the pictures of a run go: TQ612_LAYOUT_SHOTS, or a folder beside the test program.
QString shotsFolder()
{
    const QString chosen = qEnvironmentVariable("TQ612_LAYOUT_SHOTS");
    const QString folder = chosen.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/shots") : chosen;
    QDir().mkpath(folder);
    return folder;
}

// The rows of plot, in device pixels, that the four channels of a 1600 × 1000
// screen get together at least; other screens only have to fit.
int leastPlotRows()
{
    if (TheScreen.width != 1600 || TheScreen.height != 1000)
        return 0;
    return TheScreen.scale == 1 ? 400 : 200;
}

} // namespace

// As on a desktop: the window manager shows the frame at its normal size and
// maximises it a moment later, after the program has laid out its children.
TEST(WindowLayout, RealTimeGraphFillsTheRoomBesideThePanelOnceTheFrameIsMaximised)
{
    FakePrompts prompts;
    ScopedPrompts answering(prompts);
    TfrmMain main;
    main.resize(QGuiApplication::primaryScreen()->availableGeometry().size() * 3 / 4);
    showWithOnlyPort(main, QStringLiteral("/nonexistent/ttyTQ612"));
    for (int i = 0; i < 50 && !(main.FrontPanel && main.RealTimeGraph); ++i)
        QCoreApplication::processEvents();
    ASSERT_TRUE(main.FrontPanel && main.RealTimeGraph);
    const QSize normal = main.size();
    main.showMaximized();
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    ASSERT_NE(main.size(), normal) << "the frame was maximised after the start-up";

    auto* graphFrame = qobject_cast<QMdiSubWindow*>(main.RealTimeGraph->parentWidget());
    auto* panelFrame = qobject_cast<QMdiSubWindow*>(main.FrontPanel->parentWidget());
    const QRect client = main.MdiArea->viewport()->rect();
    const QRect graph = graphFrame->geometry();
    SCOPED_TRACE(QStringLiteral("client %1x%2, graph %3,%4 %5x%6")
                     .arg(client.width()).arg(client.height())
                     .arg(graph.x()).arg(graph.y()).arg(graph.width()).arg(graph.height()).toStdString());
    EXPECT_EQ(graph.topLeft(), QPoint(panelFrame->width(), 0)) << "at the top, right of the panel";
    EXPECT_TRUE(client.contains(graph)) << "inside the client area";
    EXPECT_LE(client.right() - graph.right(), 5) << "up to the client area's right edge";
    EXPECT_LE(client.bottom() - graph.bottom(), 40) << "down to the client area's bottom";

    // The four plots show whole as the window opens, without scrolling to
    // them (on a small screen the statistics below may need it).
    PESGraph& chart = *main.RealTimeGraph->PESGraph1;
    chart.redrawNow();
    auto* scroller = main.RealTimeGraph->findChild<QScrollArea*>(QStringLiteral("GraphScroller"));
    ASSERT_TRUE(scroller);
    const QRect shown(scroller->viewport()->mapTo(main.RealTimeGraph, QPoint(0, 0)), scroller->viewport()->size());
    ASSERT_EQ(chart.axisRectCount(), 4);
    double rows = 0;
    for (int axis = 0; axis < 4; ++axis) {
        const QRect area = chart.axisArea(axis);
        EXPECT_TRUE(shown.contains(QRect(chart.mapTo(main.RealTimeGraph, area.topLeft()), area.size())))
            << "plot " << axis << " lies in sight";
        rows += area.height() * chart.devicePixelRatioF();
        // Its value labels stand apart, however short the plot.
        const std::vector<int> labels = chart.valueLabelRows(axis);
        EXPECT_GE(labels.size(), 2u) << "plot " << axis;
        const int lineHeight = QFontMetrics(chart.font()).height();
        for (size_t i = 1; i < labels.size(); ++i)
            EXPECT_GT(labels[i] - labels[i - 1], lineHeight) << "plot " << axis << ": labels overlap";
    }
    std::cout << "plot rows on " << screenName().toStdString() << ": " << rows << " device pixels" << std::endl;
    EXPECT_GE(rows, leastPlotRows());

    const QString shot = QDir(shotsFolder()).filePath(QStringLiteral("realtime-%1.png").arg(screenName()));
    EXPECT_TRUE(main.grab().save(shot));
    std::cout << "screenshot: " << shot.toStdString() << std::endl;

    // Once the user has placed the graph, it stays where they put it.
    const QRect placed = graph.adjusted(20, 20, -40, -40);
    graphFrame->setGeometry(placed);
    main.showNormal();
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    ASSERT_NE(main.MdiArea->viewport()->rect(), client);
    EXPECT_EQ(graphFrame->geometry(), placed);
}

TEST(WindowLayout, WindowsFitTheirPlaceAndKeepTheirControlsApart)
{
    ASSERT_NEAR(QGuiApplication::primaryScreen()->geometry().width(), TheScreen.width / TheScreen.scale, 1);
    FakePrompts prompts;
    ScopedPrompts answering(prompts);
    TfrmMain main;
    main.setWindowState(Qt::WindowMaximized);
    showWithOnlyPort(main, QStringLiteral("/nonexistent/ttyTQ612"));
    for (int i = 0; i < 50 && !(main.FrontPanel && main.RealTimeGraph); ++i)
        QCoreApplication::processEvents();
    ASSERT_TRUE(main.FrontPanel && main.RealTimeGraph);
    QCoreApplication::processEvents();

    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    EXPECT_LE(main.frameGeometry().width(), screen.width() + 1);
    EXPECT_LE(main.frameGeometry().height(), screen.height() + 1);

    // The real-time graph opens inside the client area, its chart usable.
    auto* graphFrame = qobject_cast<QMdiSubWindow*>(main.RealTimeGraph->parentWidget());
    const QRect client = main.MdiArea->viewport()->rect();
    EXPECT_TRUE(client.contains(graphFrame->geometry())) << "the real-time graph fits the client area";
    EXPECT_GE(main.RealTimeGraph->PESGraph1->height(), TfrmGraph::MinimumPlotHeight);
    expectTidy(main.RealTimeGraph, "real-time graph");
    expectUsableAxes(*main.RealTimeGraph->PESGraph1, "real-time graph");

    // The front panel is whole or scrolled to: its lowest key can be reached.
    auto* panelFrame = qobject_cast<QMdiSubWindow*>(main.FrontPanel->parentWidget());
    if (!client.contains(panelFrame->geometry()))
        EXPECT_TRUE(main.MdiArea->verticalScrollBar()->isVisible() || main.MdiArea->horizontalScrollBar()->isVisible())
            << "a panel that does not fit is reached by scrolling";

    // The DataLogger window with a collection of data sets.
    QTemporaryDir dir;
    metersim::MemoryImageBuilder memory;
    memory.addDataSet(120);
    memory.addDataSet(40, 30, true);
    const QString collection = dir.filePath(QStringLiteral("mem1.ch4"));
    QFile file(collection);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(memory.build());
    file.close();
    prompts.fileNames.push_back(collection);
    main.OpenCollection();
    QCoreApplication::processEvents();
    ASSERT_TRUE(main.DataLoggerGraph);
    auto* loggerFrame = qobject_cast<QMdiSubWindow*>(main.DataLoggerGraph->parentWidget());
    EXPECT_TRUE(client.contains(loggerFrame->geometry())) << "the DataLogger window fits the client area";
    EXPECT_GE(main.DataLoggerGraph->PESGraph1->height(), TfrmGraph::MinimumPlotHeight);
    expectTidy(main.DataLoggerGraph, "DataLogger");
    expectUsableAxes(*main.DataLoggerGraph->PESGraph1, "DataLogger");

    // Pictures of what the user sees, for a look by eye.
    if (const QString shots = qEnvironmentVariable("TQ612_LAYOUT_SHOTS"); !shots.isEmpty()) {
        main.MdiArea->setActiveSubWindow(loggerFrame);
        main.grab().save(QDir(shots).filePath(QStringLiteral("datalogger-%1.png").arg(screenName())));
        loggerFrame->showMinimized();
        QCoreApplication::processEvents();
        main.grab().save(QDir(shots).filePath(QStringLiteral("main-%1.png").arg(screenName())));
        loggerFrame->showNormal();
    }

    // Tile keeps the main window's size.
    const QSize before = main.size();
    main.Tile1->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(main.size(), before);
    EXPECT_GE(main.RealTimeGraph->PESGraph1->height(), TfrmGraph::MinimumPlotHeight);
}
