// Where a save goes: links followed as a plain write would, the kernel's own names.
#include "core/system/posix/FileCalls.h"

#include <cerrno>
#include <climits>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <utility>

namespace leitzahl {

namespace posix {

namespace {

// Whether the kernel's guard against links planted by others (protected_symlinks)
// lets this process follow the link: not one in a sticky folder that anyone may write
// to, unless it belongs to the process or to the folder's owner.
bool MayFollow(const std::string& path, const struct stat& link)
{
    const std::size_t slash = path.rfind('/');
    struct stat folder {};
    if (stat(slash == std::string::npos ? "." : path.substr(0, slash + 1).c_str(), &folder) != 0) {
        return true;
    }
    const bool open = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !open || link.st_uid == geteuid() || link.st_uid == folder.st_uid;
}

bool InKernelFolder(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    struct statfs folder {};
    return statfs(slash == std::string::npos ? "." : path.substr(0, slash + 1).c_str(), &folder) == 0 &&
           folder.f_type == PROC_SUPER_MAGIC;
}

}  // namespace

int ResolveLinks(std::string path, Target& target)
{
    constexpr int kMostLinks = 40;
    for (int hops = 0; hops < kMostLinks; ++hops) {
        target = Target{};
        if (InKernelFolder(path)) {
            target.path = std::move(path);
            target.kernelName = true;
            return 0;
        }
        struct stat info {};
        const bool found = lstat(path.c_str(), &info) == 0;
        if (!found || !S_ISLNK(info.st_mode)) {
            target.exists = found;
            target.info = info;
            target.path = std::move(path);
            return 0;
        }
        if (!MayFollow(path, info)) {
            return EACCES;
        }
        std::string text(PATH_MAX, '\0');
        const ssize_t length = readlink(path.c_str(), text.data(), text.size());
        if (length < 0) {
            return errno;
        }
        text.resize(static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        path = text.starts_with('/') || slash == std::string::npos ? text : path.substr(0, slash + 1) + text;
    }
    return ELOOP;
}

}  // namespace posix

FileKind KindOfFile(const std::string& path)
{
    struct stat info {};
    const bool found = stat(path.c_str(), &info) == 0;
    if (found && S_ISDIR(info.st_mode)) {
        return FileKind::Folder;
    }
    // A name of the kernel's (/dev/stdout, also redirected to a file or closed) is
    // written into under that name; no file is made beside it.
    posix::Target target;
    if (posix::ResolveLinks(path, target) == 0 && target.kernelName) {
        return FileKind::Other;
    }
    return !found ? FileKind::Missing : S_ISREG(info.st_mode) ? FileKind::Regular : FileKind::Other;
}

bool NamesStandardOutput(const std::string& path)
{
    struct stat named {};
    struct stat output {};
    return stat(path.c_str(), &named) == 0 && fstat(STDOUT_FILENO, &output) == 0 && named.st_dev == output.st_dev &&
           named.st_ino == output.st_ino;
}

}  // namespace leitzahl
