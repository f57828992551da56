#pragma once
// The application icon, drawn from the same vector artwork that is installed
// for the desktop's menus (":/icons/tq612.svg").

#include <QIcon>
#include <QImage>

namespace AppIcon {

// The artwork drawn `size` pixels square on a transparent background; null
// when it cannot be read.
QImage draw(int size);

// The vector artwork of `svgFile` drawn the same way; null when it cannot be read.
QImage drawFile(const QString& svgFile, int size);

// The icon of every window of the program, at the sizes window systems ask for.
QIcon icon();

} // namespace AppIcon
