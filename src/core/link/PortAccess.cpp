#include "link/PortAccess.h"

#include <cerrno>

namespace PortAccess {

bool isPermissionDenied(int errorCode)
{
    return errorCode == EACCES || errorCode == EPERM;
}

bool isInUse(int errorCode)
{
    return errorCode == EBUSY;
}

QString permissionHint(const QString& device)
{
    return QStringLiteral("The serial port %1 exists, but this account may not open it.\n"
                          "The account needs the dialout group: sudo adduser $USER dialout, then log in again.")
        .arg(device);
}

QString inUseText(const QString& device)
{
    return QStringLiteral("The serial port %1 is in use by another program (TQ612 or another tq612-cli).")
        .arg(device);
}

} // namespace PortAccess
