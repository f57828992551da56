// Data Logger > Setup (a hidden menu item): the meter setup window.
#include "app/UMain.h"
#include "app/Prompts.h"
#include "setup/MeterSetup.h"
#include "setup/USetup.h"

#include <QMdiArea>
#include <QMdiSubWindow>

void TfrmMain::Setup1Click()
{
    if (frmSetup) {
        if (auto* frame = qobject_cast<QMdiSubWindow*>(frmSetup->parentWidget()))
            frame->showNormal();
        return;
    }
    if (!Setup) {
        Setup = std::make_unique<MeterSetup>(Link, *this, MainTimer);
        Setup->showMessage = [](const QString& text) { Prompts::current().information(text); };
    }
    auto* window = new TfrmSetup(*Setup);
    QMdiSubWindow* frame = addChild(window);  // the frame window owns the setup window
    frame->adjustSize();
    frame->move(std::max(0, (MdiArea->width() - frame->width()) / 2),
                std::max(0, (MdiArea->height() - frame->height()) / 2));
    frame->show();
    frmSetup = window;
}
