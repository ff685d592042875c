// Writing a file where it stands: the checked file only, room first, signals held back.
#include "core/system/posix/FileCalls.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace leitzahl {

namespace posix {

namespace {

// Without a reader, opening a pipe for writing waits for one; O_NONBLOCK refuses instead.
int openWaitFlag = 0;

// Opening does not wait; the writes that follow do, as a plain write's would.
int OpenForWriting(const std::string& path, int flags)
{
    const int fd = open(path.c_str(), flags | O_WRONLY | O_NOCTTY | O_CLOEXEC | openWaitFlag);
    if (fd >= 0 && openWaitFlag != 0) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    return fd;
}

// Makes sure the file has room for size bytes before any byte of it changes, without
// changing its size yet. Where the file system cannot reserve room (ext2, NFSv3, some
// FUSE), the C library's stand-in would write zeros past the old end that a failure
// leaves behind; its free space is checked instead, with a margin for the blocks that
// map the new ones.
int TakeRoom(int fd, off_t size, off_t oldSize)
{
    struct rlimit limit {};
    if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<rlim_t>(size) > limit.rlim_cur) {
        return EFBIG;
    }
    if (size == 0 || fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size) == 0) {
        return 0;
    }
    if (errno != EOPNOTSUPP && errno != ENOSYS) {
        return errno;
    }
    struct statvfs space {};
    if (fstatvfs(fd, &space) != 0) {
        return errno;
    }
    const auto growth = static_cast<unsigned long long>(size > oldSize ? size - oldSize : 0);
    const auto margin = growth / 64 + 16ULL * space.f_frsize;
    return growth == 0 || growth + margin <= static_cast<unsigned long long>(space.f_bavail) * space.f_frsize
               ? 0
               : ENOSPC;
}

}  // namespace

int OpenChecked(const Target& target, int& fd)
{
    fd = OpenForWriting(target.path, O_NOFOLLOW);
    if (fd < 0) {
        return errno == ELOOP ? kErrorSwapped : errno;
    }
    struct stat opened {};
    if (fstat(fd, &opened) != 0 || opened.st_dev != target.info.st_dev || opened.st_ino != target.info.st_ino) {
        close(fd);
        fd = -1;
        return kErrorSwapped;
    }
    return 0;
}

int WriteInPlace(int fd, std::string_view bytes)
{
    // Signals that could end the program are held back until the file is whole: cut
    // short in the middle, it would be half old, half new.
    sigset_t all;
    sigset_t before;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &before);
    struct stat info {};
    const auto size = static_cast<off_t>(bytes.size());
    int error = fstat(fd, &info) != 0 ? errno : TakeRoom(fd, size, info.st_size);
    if (error == 0 && lseek(fd, 0, SEEK_SET) != 0) {
        error = errno;
    }
    const bool roomTaken = error == 0;
    if (error == 0) {
        error = WriteAll(fd, bytes);
    }
    if (error == 0 && ftruncate(fd, size) != 0) {
        error = errno;
    }
    if (error == 0 && fsync(fd) != 0) {
        error = errno;
    }
    if (error != 0 && roomTaken) {
        ftruncate(fd, info.st_size);
    }
    error = CloseKeepingFirstError(fd, error);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return error;
}

int WriteOpened(int fd, std::string_view bytes)
{
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        return CloseKeepingFirstError(fd, errno);
    }
    if (S_ISREG(info.st_mode)) {
        // As everywhere else, no write permission means not written, also for root.
        return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ? CloseKeepingFirstError(fd, kErrorWriteProtected)
                                                                     : WriteInPlace(fd, bytes);
    }
    return CloseKeepingFirstError(fd, WriteAll(fd, bytes));
}

int WriteThroughKernelName(const Target& target, std::string_view bytes)
{
    const int fd = OpenForWriting(target.path, 0);
    return fd < 0 ? errno : WriteOpened(fd, bytes);
}

}  // namespace posix

void RefusePipesWithoutReader()
{
    posix::openWaitFlag = O_NONBLOCK;
}

}  // namespace leitzahl
