// The windows on small and scaled screens. This program runs on the screen
// that TQ612_LAYOUT_SCREEN names ("WIDTHxHEIGHT@SCALE", by default a
// 1600 × 1000 screen at scale 2); the test list runs it on several. Every
// window opens inside the main window's client area, no two of its visible
// controls overlap, each lies inside its window, and every chart keeps a
// usable height.
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
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QGuiApplication>
#include <gtest/gtest.h>

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

} // namespace

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
        const QString screenName = qEnvironmentVariable("TQ612_LAYOUT_SCREEN", QStringLiteral("default"));
        main.MdiArea->setActiveSubWindow(loggerFrame);
        main.grab().save(QDir(shots).filePath(QStringLiteral("datalogger-%1.png").arg(screenName)));
        loggerFrame->showMinimized();
        QCoreApplication::processEvents();
        main.grab().save(QDir(shots).filePath(QStringLiteral("main-%1.png").arg(screenName)));
        loggerFrame->showNormal();
    }

    // Tile keeps the main window's size.
    const QSize before = main.size();
    main.Tile1->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(main.size(), before);
    EXPECT_GE(main.RealTimeGraph->PESGraph1->height(), TfrmGraph::MinimumPlotHeight);
}
