// What a replaced file carried (owner, group, mode, ACLs, extended attributes), passed on.
#include "core/system/posix/FileCalls.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace leitzahl::posix {

namespace {

constexpr char kAccessList[] = "system.posix_acl_access";

// The extended attributes of the old file, the access control list among them, go
// to the new one. What the file system or the user's rights refuse is left out, as
// a careful editor does.
void CopyExtendedAttributes(const std::string& from, int to)
{
    // A new file takes the folder's default ACL; the old file's rights hold instead.
    if (getxattr(from.c_str(), kAccessList, nullptr, 0) < 0) {
        fremovexattr(to, kAccessList);
    }
    std::vector<char> names(1024);
    ssize_t length = 0;
    while ((length = listxattr(from.c_str(), names.data(), names.size())) < 0 && errno == ERANGE) {
        names.resize(names.size() * 4);
    }
    std::vector<char> value;
    for (ssize_t at = 0; at < length; at += static_cast<ssize_t>(std::strlen(names.data() + at)) + 1) {
        const char* name = names.data() + at;
        const ssize_t size = getxattr(from.c_str(), name, nullptr, 0);
        if (size < 0) {
            continue;
        }
        value.resize(static_cast<std::size_t>(size) + 1);
        const ssize_t got = getxattr(from.c_str(), name, value.data(), value.size());
        if (got >= 0) {
            fsetxattr(to, name, value.data(), static_cast<std::size_t>(got), 0);
        }
    }
}

}  // namespace

int KeepWhatTheFileCarried(const std::string& target, const struct stat& existing, int fd)
{
    if (fchown(fd, existing.st_uid, existing.st_gid) != 0) {
        return EPERM;
    }
    CopyExtendedAttributes(target, fd);
    return fchmod(fd, existing.st_mode & 07777) != 0 ? errno : 0;
}

}  // namespace leitzahl::posix
