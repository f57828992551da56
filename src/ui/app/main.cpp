#include "app/AppIcon.h"
#include "app/UAbout.h"
#include "app/UMain.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <exception>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("TQ612"));
    QApplication::setApplicationName(QStringLiteral("TQ612"));
    QApplication::setApplicationVersion(QStringLiteral(TQ612_VERSION));
    // The desktop entry's name lets the desktop match the windows to the
    // installed entry and its icon; the window icon serves the rest.
    QApplication::setDesktopFileName(QStringLiteral("io.github.tq612.TQ612"));
    QApplication::setWindowIcon(AppIcon::icon());

    try {
        // The About box is the splash screen while the main window starts;
        // the main window closes it at the end of its first showing.
        auto* splash = new TfrmAbout;
        splash->setAttribute(Qt::WA_DeleteOnClose);
        splash->BitBtn1->hide();
        splash->show();
        splash->repaint();
        QApplication::processEvents();

        TfrmMain frmMain(splash);
        frmMain.showMaximized();
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("TQ612"), QString::fromLocal8Bit(e.what()));
        return 1;
    }
}
