#include "app/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace AppPaths {

QString makeDocumentFolder()
{
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (docs.isEmpty())
        return {};
    const QString folder = docs + QStringLiteral("/TQ612/");
    if (QDir().mkpath(folder))
        return folder;
    return docs;
}

QString executableFolder()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

QString dialogFolder(const QString& documentFolder)
{
    return documentFolder.isEmpty() ? executableFolder() : documentFolder;
}

static QString firstExisting(const QStringList& candidates)
{
    for (const QString& c : candidates)
        if (QFileInfo::exists(c))
            return c;
    return {};
}

QString helpFileFor(const QString& folder)
{
    const QString beside = folder + QStringLiteral("TQ612HELP.htm");
    const QString shared = folder + QStringLiteral("../share/tq612/TQ612HELP.htm");
    const QString found = firstExisting({beside, shared});
    return found.isEmpty() ? beside : QDir::cleanPath(found);
}

QString helpFile()
{
    return helpFileFor(executableFolder());
}

QString shippedTemplateFor(const QString& folder)
{
    const QString found = firstExisting({folder + QStringLiteral("template/graph.ghf"),
                                         folder + QStringLiteral("../share/tq612/template/graph.ghf")});
    return found.isEmpty() ? found : QDir::cleanPath(found);
}

namespace {
QString templateFolderOverride;  // set only by ScopedTemplateFolder
}

ScopedTemplateFolder::ScopedTemplateFolder(const QString& folder)
    : previous(templateFolderOverride)
{
    templateFolderOverride = folder;
}

ScopedTemplateFolder::~ScopedTemplateFolder()
{
    templateFolderOverride = previous;
}

QString userTemplateFile()
{
    if (!templateFolderOverride.isEmpty())
        return templateFolderOverride + QStringLiteral("/graph.ghf");
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
        + QStringLiteral("/template/graph.ghf");
}

QString templateFileToRead()
{
    if (!templateFolderOverride.isEmpty())
        return firstExisting({userTemplateFile()});
    if (QFileInfo::exists(userTemplateFile()))
        return userTemplateFile();
    return shippedTemplateFor(executableFolder());
}

} // namespace AppPaths
