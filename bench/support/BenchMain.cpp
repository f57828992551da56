// Every benchmark program starts here: an offscreen application, throw-away
// settings and documents, and prompts that answer nothing, so no run waits for a user.
#include "app/Prompts.h"
#include "support/ScratchHome.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

class SilentPrompts : public Prompts {
public:
    void information(const QString&) override {}
    QMessageBox::StandardButton confirm(const QString&, QMessageBox::StandardButtons) override
    {
        return QMessageBox::No;
    }
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ScratchHome home;   // never touch the user's own settings or documents
    QApplication app(argc, argv);
    SilentPrompts prompts;
    ScopedPrompts scopedPrompts(prompts);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
