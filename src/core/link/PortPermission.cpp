#include "link/PortPermission.h"

#include <QFile>
#include <algorithm>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

Account Account::ofThisProcess()
{
    Account a;
    a.uid = ::getuid();
    a.gid = ::getgid();
    if (const struct passwd* p = ::getpwuid(a.uid))
        a.name = QString::fromLocal8Bit(p->pw_name);
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(std::max(count, 0)));
    if (count > 0 && ::getgroups(count, groups.data()) == count)
        a.activeGroups = QList<gid_t>(groups.begin(), groups.end());
    return a;
}

bool mayReadAndWrite(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0;
}

namespace {

constexpr mode_t rw(mode_t read, mode_t write)
{
    return read | write;
}

bool modeAllows(const SerialPortFacts& device, const Account& account)
{
    if (account.uid == 0)
        return true;
    mode_t needed = rw(S_IROTH, S_IWOTH);
    if (account.uid == device.ownerId)
        needed = rw(S_IRUSR, S_IWUSR);
    else if (account.inActiveGroup(device.groupId))
        needed = rw(S_IRGRP, S_IWGRP);
    return (device.mode & needed) == needed;
}

} // namespace

AccessVerdict judgeAccess(const SerialPortFacts& device, const Account& account,
                          const std::optional<GroupEntry>& deviceGroup, std::optional<bool> systemAnswer)
{
    AccessVerdict v;
    const bool byMode = modeAllows(device, account);
    v.allowed = systemAnswer.value_or(byMode);
    if (v.allowed) {
        v.grantedByAcl = !byMode;  // a desktop session's seat ACL, for one
        return v;
    }
    if (byMode) {
        v.problem = AccessProblem::AclDenies;
        return v;
    }
    const mode_t groupRw = rw(S_IRGRP, S_IWGRP);
    if ((device.mode & groupRw) != groupRw || account.uid == device.ownerId || account.inActiveGroup(device.groupId)) {
        v.problem = AccessProblem::ModeTooNarrow;
        return v;
    }
    const bool member = deviceGroup && deviceGroup->members.contains(account.name);
    v.problem = member ? AccessProblem::GroupNotActive : AccessProblem::NotInGroup;
    return v;
}
