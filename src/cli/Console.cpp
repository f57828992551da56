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

void out(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

bool stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace cli
