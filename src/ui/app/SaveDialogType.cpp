#include "app/SaveDialogType.h"

#include <QFileDialog>
#include <QFileInfo>

namespace SaveDialogType {

QStringList filterExtensions(const QString& filter)
{
    static const QLatin1String pattern("*.");
    QStringList extensions;
    QStringView rest(filter);
    while (extensions.size() < 5) {
        // The first "*." is in the type's text, the second one is its pattern.
        qsizetype at = rest.indexOf(pattern);
        if (at < 0)
            break;
        rest = rest.mid(at + 1);
        at = rest.indexOf(pattern);
        if (at < 0)
            break;
        rest = rest.mid(at + 1);
        if (rest.size() < 4)
            break;
        extensions << rest.left(4).toString();
    }
    return extensions;
}

QString nameForType(const QString& fileName, const QString& filter, int filterIndex)
{
    const QStringList extensions = filterExtensions(filter);
    if (filterIndex < 1 || filterIndex > extensions.size())
        return {};
    const QString name = QFileInfo(fileName).fileName();
    if (name.isEmpty())
        return {};
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    return stem + extensions[filterIndex - 1].toLower();
}

void SaveDialog1TypeChange(QFileDialog& dialog, const QString& filter, int filterIndex)
{
    const QStringList extensions = filterExtensions(filter);
    if (filterIndex >= 1 && filterIndex <= extensions.size())
        dialog.setDefaultSuffix(extensions[filterIndex - 1].mid(1).toLower());
    const QStringList typed = dialog.selectedFiles();
    if (typed.isEmpty() || QFileInfo(typed.constFirst()).isDir())
        return;  // no name in the box yet
    const QString renamed = nameForType(typed.constFirst(), filter, filterIndex);
    if (!renamed.isEmpty())
        dialog.selectFile(renamed);
}

} // namespace SaveDialogType
