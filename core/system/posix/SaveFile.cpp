// Saving: which way a file is written, by what its name leads to.
#include "core/system/posix/FileCalls.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace leitzahl {

namespace {

// Why no temporary file could take the target's place where a plain write still can:
// a folder closed to the user, a sticky folder, a file mounted on its own, a name with
// no room left for the temporary one.
bool InPlaceMayHelp(int error)
{
    return error == EACCES || error == EPERM || error == EBUSY || error == ENAMETOOLONG;
}

}  // namespace

int SaveFile(const std::string& path, std::string_view bytes)
{
    posix::Target target;
    if (const int error = posix::ResolveLinks(path, target)) {
        return error;
    }
    if (target.kernelName) {
        return posix::WriteThroughKernelName(target, bytes);
    }
    if (!target.exists) {
        return posix::ReplaceThroughTemporary(target.path, bytes, nullptr).error;
    }
    const struct stat& existing = target.info;
    if (S_ISDIR(existing.st_mode)) {
        return EISDIR;
    }
    int fd = -1;
    if (!S_ISREG(existing.st_mode)) {
        const int error = posix::OpenChecked(target, fd);
        return error != 0 ? error : posix::WriteOpened(fd, bytes);
    }
    // A write-protected file stays as it is, for root too, although its folder would
    // allow replacing it.
    if ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return kErrorWriteProtected;
    }
    if (faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0) {
        return errno;
    }
    // Replacing one of several names would part it from the others.
    const bool inPlace = existing.st_nlink > 1;
    if (!inPlace) {
        const posix::Replacement replaced = posix::ReplaceThroughTemporary(target.path, bytes, &existing);
        if (replaced.inWriting || !InPlaceMayHelp(replaced.error)) {
            return replaced.error;
        }
    }
    const int error = posix::OpenChecked(target, fd);
    return error != 0 ? error : posix::WriteInPlace(fd, bytes);
}

}  // namespace leitzahl
