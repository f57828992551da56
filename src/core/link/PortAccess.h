#pragma once
// Why a serial port that exists cannot be opened, in words a user can act on.

#include <QString>

namespace PortAccess {

// The open failed for lack of permission (EACCES, EPERM).
bool isPermissionDenied(int errorCode);
// The port is held by another program (the exclusive open or its lock).
bool isInUse(int errorCode);

// The one hint for a port this account may not open: the dialout group.
QString permissionHint(const QString& device);
// The refusal of a port another program holds.
QString inUseText(const QString& device);

} // namespace PortAccess
