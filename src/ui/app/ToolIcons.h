#pragma once
// The program's own tool button pictures, kept as resources.

#include <QIcon>

namespace ToolIcons {

// A question mark on a blue disc: the Help button.
QIcon help();

} // namespace ToolIcons
