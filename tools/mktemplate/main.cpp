// Writes the default graph template: the chart that PrepareGraph sets up
// without a template, with Y from -20 to 100 on every axis, stored by the
// program's own graph file writer. Usage: tq612-mktemplate <output file>
#include "app/AppPaths.h"
#include "app/Prompts.h"
#include "chart/PESGraph.h"
#include "files/GraphFile.h"
#include "graph/UGraph.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// The "no template" notice is expected here; every other message is an error.
class QuietPrompts : public Prompts {
public:
    void information(const QString& text) override
    {
        if (!text.startsWith(QLatin1String("Can not fine the file ")))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    }
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tq612-mktemplate <output file>\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    QuietPrompts prompts;
    ScopedPrompts scopedPrompts(prompts);
    QTemporaryDir empty;  // no template to start from
    AppPaths::ScopedTemplateFolder noTemplate(empty.path());

    PESGraph chart;
    PrepareGraph(chart, 4, 100, -20, 0, 0, 1);
    QDir().mkpath(QFileInfo(output).absolutePath());
    return StoreGraphFile(chart, output) ? 0 : 1;
}
