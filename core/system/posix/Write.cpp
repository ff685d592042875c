// Writing bytes to a descriptor, in pieces the page cache takes quickly.
#include "core/system/posix/FileCalls.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace leitzahl {

namespace posix {

int WriteAll(int fd, std::string_view bytes)
{
    // One write of many megabytes makes the kernel gather large page-cache blocks, which on
    // some machines takes ten times as long; a quarter megabyte at a time stays fast.
    constexpr std::size_t kWriteSize = 1 << 18;
    // Every 8 MiB the disk is told to start writing, so that the fsync after the last
    // write has less left to wait for. Pipes and devices refuse; that does no harm.
    constexpr std::size_t kWritebackSize = 8 << 20;
    std::size_t written = 0;
    while (!bytes.empty()) {
        const ssize_t put = write(fd, bytes.data(), std::min(bytes.size(), kWriteSize));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0) {
            return errno;
        }
        written += static_cast<std::size_t>(put);
        if (written % kWritebackSize < static_cast<std::size_t>(put)) {
            sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
        }
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return 0;
}

int CloseKeepingFirstError(int fd, int error)
{
    return close(fd) != 0 && error == 0 ? errno : error;
}

}  // namespace posix

int WriteStandardOutput(std::string_view bytes)
{
    return posix::WriteAll(STDOUT_FILENO, bytes);
}

}  // namespace leitzahl
