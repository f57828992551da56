// Every window as a screen reader walks it: each control that takes the
// keyboard focus has a role and a name.
#include "alarm/UAlarms.h"
#include "alarm/USchedule.h"
#include "app/UMain.h"
#include "graph/UGraph.h"
#include "panel/UPanel.h"
#include "chart/ChartCustomizeDialog.h"
#include "chart/PESGraph.h"
#include "graph/USetupScale.h"
#include "realtime/USetupRealtime.h"
#include "support/FakePrompts.h"
#include "support/MainWindowStart.h"

#include <QAccessible>
#include <QCheckBox>
#include <QCoreApplication>
#include <QWidget>
#include <gtest/gtest.h>
#include <functional>

namespace {

// The focusable controls of `window` that lack a role or a name.
QStringList unnamedControls(QWidget* window)
{
    QStringList missing;
    std::function<void(QAccessibleInterface*, int)> walk = [&](QAccessibleInterface* a, int depth) {
        if (!a || depth > 40)
            return;
        auto* widget = qobject_cast<QWidget*>(a->object());
        if (widget && widget->isVisibleTo(window) && widget->focusPolicy() != Qt::NoFocus && widget->isEnabled()) {
            const bool hasRole = a->role() != QAccessible::NoRole;
            const QString name = a->text(QAccessible::Name).trimmed();
            if (!hasRole || name.isEmpty())
                missing << QStringLiteral("%1 (%2, role %3)")
                               .arg(widget->objectName(), QLatin1String(widget->metaObject()->className()))
                               .arg(int(a->role()));
        }
        for (int i = 0; i < a->childCount(); ++i)
            walk(a->child(i), depth + 1);
    };
    walk(QAccessible::queryAccessibleInterface(window), 0);
    return missing;
}

} // namespace

TEST(Accessibility, EveryFocusableControlHasARoleAndAName)
{
    FakePrompts prompts;
    ScopedPrompts answering(prompts);
    TfrmMain main;
    showWithOnlyPort(main, QStringLiteral("/nonexistent/ttyTQ612"));   // no meter: the start is quick
    for (int i = 0; i < 50 && !(main.FrontPanel && main.RealTimeGraph); ++i)
        QCoreApplication::processEvents();
    ASSERT_TRUE(main.FrontPanel && main.RealTimeGraph) << "the panel and the real-time graph are walked too";
    TfrmSetupRealTime realTimeSetup;
    realTimeSetup.show();
    TfrmSetupScale yAxis;
    yAxis.show();
    PESGraph chart;
    ChartCustomizeDialog customization(chart);
    customization.show();
    PaperLook paper;
    ChartCustomizeDialog printing(chart, nullptr, &paper);
    printing.show();
    // The alarms and the schedule with every choice ticked, so that each field takes the focus.
    TfrmAlarms alarms;
    TfrmSchedule schedule(QStringLiteral("Scheduled run starts at the first alarm"), 60);
    for (QDialog* dialog : {static_cast<QDialog*>(&alarms), static_cast<QDialog*>(&schedule)}) {
        for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
            box->setChecked(true);
        dialog->show();
    }
    struct Window {
        const char* name;
        QWidget* widget;
    } windows[] = {
        {"main window with the panel and the real-time graph", &main},
        {"Real-Time Setup", &realTimeSetup},
        {"Y Axis", &yAxis},
        {"Graph Customization", &customization},
        {"Graph Customization before a print", &printing},
        {"Alarms", &alarms},
        {"Schedule", &schedule},
    };
    for (const Window& w : windows) {
        const QStringList missing = unnamedControls(w.widget);
        EXPECT_TRUE(missing.isEmpty()) << w.name << ": " << missing.join(QStringLiteral("; ")).toStdString();
    }
}
