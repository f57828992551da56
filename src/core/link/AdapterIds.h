#pragma once
// USB serial adapters by their vendor:product ids (lower-case hex, "1a86:7523").

#include <QString>

namespace AdapterIds {

// The chip of a common USB serial adapter ("CH340"), empty for other ids.
QString chipOf(const QString& usbId);
// Whether brltty's udev rules claim the id for a braille display: plugging
// such an adapter in starts brltty, which takes the port for itself.
bool claimedByBrltty(const QString& usbId);

} // namespace AdapterIds
