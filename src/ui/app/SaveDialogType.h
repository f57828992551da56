#pragma once
// What the save dialog does when the user picks another file type: the name
// in its box takes the extension of the new type, so "run1.GHF" becomes
// "run1.TXT" when the TXT type is chosen.

#include <QString>
#include <QStringList>

class QFileDialog;

namespace SaveDialogType {

// The extensions (".GHF", ".TXT", ...) of the types of a "Text|*.EXT|..."
// filter, taken from each type's pattern; at most five.
QStringList filterExtensions(const QString& filter);

// The name of `fileName`, without its folder, with the extension of type
// `filterIndex` (counted from 1) of `filter`; empty when there is no name or
// that type has no extension.
QString nameForType(const QString& fileName, const QString& filter, int filterIndex);

// The save dialog's handler of a type change to `filterIndex` of `filter`:
// the name in the box takes the new extension, and names typed later without
// one get it too.
void SaveDialog1TypeChange(QFileDialog& dialog, const QString& filter, int filterIndex);

} // namespace SaveDialogType
