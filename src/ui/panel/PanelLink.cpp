#include "panel/PanelLink.h"

#include "app/Clock.h"

#include <QCoreApplication>

void NoPanelLink::waitMs(int ms)
{
    const qint64 start = Clock::current().tickMs();
    while (Clock::current().tickMs() - start <= ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}
