#pragma once
// Presses Cancel of the shared progress dialog from inside the operation that
// shows it: a zero-interval timer looks at the visible TfrmScope each time the
// operation lets events through, and clicks its Cancel button once `when` holds.

#include "files/UScope.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <functional>

class ProgressCancel {
public:
    explicit ProgressCancel(std::function<bool(const TfrmScope&)> when)
    {
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [this, when = std::move(when)] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* scope = qobject_cast<TfrmScope*>(w);
                if (scope && scope->isVisible() && scope->BitBtn2->isVisible() && when(*scope)) {
                    scope->BitBtn2->click();
                    ++presses;
                }
            }
        });
        timer.start();
    }
    int presses = 0;

private:
    QTimer timer;
};

// The progress dialogs still open.
inline int openScopes()
{
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        count += qobject_cast<TfrmScope*>(w) != nullptr;
    return count;
}
