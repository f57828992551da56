#include "ProgramOptions.h"

#include <QByteArray>

namespace ProgramOptions {

void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "The desktop companion of a four-channel thermometer with a data logger.\n\n"
        "It finds the meter on a serial port, mirrors its display, graphs T1 to T4 live,\n"
        "downloads the data sets recorded in the meter's memory, and saves, opens and\n"
        "prints graphs and tables.\n\n"
        "Besides the options below, it takes Qt's standard options, such as\n"
        "-platform NAME, -style NAME and -reverse."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("log"),
                      QStringLiteral("Append the connection log (ports asked, answers, frames and download blocks in hex, time-outs) to FILE; "
                                     "Help > Save Connection Log saves the recent part of it at any time."),
                      QStringLiteral("FILE")});
}

bool asksForInformation(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--") break;
        if (argument == "-h" || argument == "--help" || argument == "--help-all"
            || argument == "-?" || argument == "-v" || argument == "--version")
            return true;
    }
    return false;
}

}  // namespace ProgramOptions
