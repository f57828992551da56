#include "app/AppIcon.h"
#include "app/ProgramOptions.h"
#include "app/UAbout.h"
#include "app/UMain.h"
#include "files/FileSizeLimit.h"
#include "link/LinkLogSink.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>
#include <exception>

namespace {

void nameTheProgram()
{
    QCoreApplication::setOrganizationName(QStringLiteral("TQ612"));
    QCoreApplication::setApplicationName(QStringLiteral("TQ612"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TQ612_VERSION));
}

// --help and --version print and exit without a display or a window.
int answerInformation(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    nameTheProgram();
    QCommandLineParser parser;
    ProgramOptions::describe(parser);
    parser.process(app);  // ends the process after printing
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    // A save past a file size limit fails and says so; the downloads and
    // samples in the windows stay.
    FileSizeLimit::failWritesInsteadOfEnding();
    if (ProgramOptions::asksForInformation(argc, argv))
        return answerInformation(argc, argv);

    QApplication app(argc, argv);
    nameTheProgram();
    // Qt has taken its own options out of the arguments; anything left that the
    // program does not know is a mistake worth telling (exit code 1).
    QCommandLineParser parser;
    ProgramOptions::describe(parser);
    parser.process(app);
    // The link's recent events are kept for Help > Save Connection Log; --log also writes them out.
    constexpr int KeptLogLines = 5000;
    QString logError;
    if (!LinkLogSink::start({false, parser.value(QStringLiteral("log")), KeptLogLines}, &logError)) {
        std::fprintf(stderr, "tq612: %s\n", qPrintable(logError));
        return 1;
    }
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
