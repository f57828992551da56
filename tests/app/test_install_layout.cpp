// The program finds its user guide and default template both in the build
// folder (beside the executable) and in an installed tree (bin/ and share/tq612/).
#include "app/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
}

struct LayoutCase {
    const char* name;
    QStringList files;          // relative to the tree
    const char* expectedHelp;   // relative to the tree
    const char* expectedTemplate;   // relative to the tree, "" for none
};

} // namespace

TEST(InstallLayout, GuideAndTemplateAreFoundWhereTheyAreShipped)
{
    const LayoutCase cases[] = {
        {"build folder", {"bin/TQ612HELP.htm", "bin/template/graph.ghf"},
         "bin/TQ612HELP.htm", "bin/template/graph.ghf"},
        {"installed tree", {"share/tq612/TQ612HELP.htm", "share/tq612/template/graph.ghf"},
         "share/tq612/TQ612HELP.htm", "share/tq612/template/graph.ghf"},
        {"both: the build's copies win",
         {"bin/TQ612HELP.htm", "bin/template/graph.ghf", "share/tq612/TQ612HELP.htm", "share/tq612/template/graph.ghf"},
         "bin/TQ612HELP.htm", "bin/template/graph.ghf"},
        {"guide installed, template missing", {"share/tq612/TQ612HELP.htm"},
         "share/tq612/TQ612HELP.htm", ""},
        // Help > Contents then hands the missing file to the desktop, which says so.
        {"nothing shipped", {}, "bin/TQ612HELP.htm", ""},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir tree;
        ASSERT_TRUE(tree.isValid());
        QDir().mkpath(tree.filePath(QStringLiteral("bin")));
        for (const QString& file : c.files)
            touch(tree.filePath(file));
        const QString bin = tree.filePath(QStringLiteral("bin")) + QLatin1Char('/');

        EXPECT_EQ(AppPaths::helpFileFor(bin), tree.filePath(QLatin1String(c.expectedHelp)));
        const QString expectedTemplate = *c.expectedTemplate ? tree.filePath(QLatin1String(c.expectedTemplate)) : QString();
        EXPECT_EQ(AppPaths::shippedTemplateFor(bin), expectedTemplate);
    }
}
