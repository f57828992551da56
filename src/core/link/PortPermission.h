#pragma once
// Whether an account may read and write a serial device, and if not, why:
// the device's group is not among the account's groups, the account was
// added to the group after this login began, the mode serves nobody but its
// owner, or an access control list says no.

#include "link/SystemView.h"

#include <QList>
#include <QString>
#include <optional>
#include <sys/types.h>

struct Account {
    QString name;
    uid_t uid = 0;
    gid_t gid = 0;
    QList<gid_t> activeGroups;  // the supplementary groups of this login (getgroups)

    // The real user of this process, as access() judges it.
    static Account ofThisProcess();
    bool inActiveGroup(gid_t group) const { return gid == group || activeGroups.contains(group); }
};

enum class AccessProblem {
    None,
    NotInGroup,       // the account is not a member of the device's group
    GroupNotActive,   // a member in the group database, but not in this login
    ModeTooNarrow,    // the mode lets neither the group nor others read and write
    AclDenies,        // the mode would allow it; an ACL or a security module does not
};

struct AccessVerdict {
    bool allowed = false;
    bool grantedByAcl = false;  // allowed although the mode bits alone would not
    AccessProblem problem = AccessProblem::None;
};

// `systemAnswer` is access()'s answer when `account` is this process's own;
// without it the verdict follows the mode bits alone.
AccessVerdict judgeAccess(const SerialPortFacts& device, const Account& account,
                          const std::optional<GroupEntry>& deviceGroup, std::optional<bool> systemAnswer);

// access(R_OK | W_OK) on the path.
bool mayReadAndWrite(const QString& path);
