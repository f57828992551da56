#include "Console.h"

#include <cstdio>
#include <unistd.h>

namespace cli {

void error(const QString& text)
{
    std::fprintf(stderr, "tq612-cli: %s\n", qPrintable(text));
    std::fflush(stderr);
}

void note(const QString& text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}

bool out(const QString& text)
{
    const bool written = std::fputs(text.toUtf8().constData(), stdout) >= 0 && std::fputc('\n', stdout) != EOF;
    // The flush says whether the line got out, even when the writes above only buffered it.
    return std::fflush(stdout) == 0 && written;
}

bool stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace cli
