// Replacing a file through a temporary file beside it, synced and renamed over it.
#include "core/system/posix/FileCalls.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace leitzahl {

namespace posix {

namespace {

// The temporary file of the save under way, for removal from a signal handler.
char pendingTemporary[PATH_MAX];
volatile std::sig_atomic_t temporaryPending = 0;

// A new hidden file beside the target, created with the given permissions (less the
// umask). The target's name is shortened so that a long one still leaves room for the
// added characters within the file system's limit.
int CreateTemporary(const std::string& folder, const std::string& file, mode_t mode, std::string& name)
{
    constexpr std::size_t kKeptLength = 200;
    constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    auto seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                static_cast<std::uint64_t>(getpid()) << 40;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + "." + file.substr(0, kKeptLength) + ".";
        for (int i = 0; i < 6; ++i) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            name += kLetters[(seed >> 33) % (sizeof kLetters - 1)];
        }
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            if (fd >= 0 && name.size() < sizeof pendingTemporary) {
                std::memcpy(pendingTemporary, name.c_str(), name.size() + 1);
                std::atomic_signal_fence(std::memory_order_release);  // the name before the flag
                temporaryPending = 1;
            }
            return fd;
        }
    }
    return -1;
}

// After a rename only the folder records the new name; syncing it makes the
// replacement survive a power loss. A failure is not reported: the file has been
// replaced by then, and "not written" would be untrue. Some file systems cannot sync
// a folder, and a folder one may write to but not read cannot be opened.
void SyncFolder(const std::string& folder)
{
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Until the old file's rights are on it, the temporary file is the user's alone.
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kPrivateMode = 0600;

}  // namespace

Replacement ReplaceThroughTemporary(const std::string& target, std::string_view bytes, const struct stat* existing)
{
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temporary;
    const int fd = CreateTemporary(folder, file, existing != nullptr ? kPrivateMode : kNewFileMode, temporary);
    if (fd < 0) {
        return {errno};
    }
    int error = existing != nullptr ? KeepWhatTheFileCarried(target, *existing, fd) : 0;
    const bool kept = error == 0;
    if (error == 0) {
        error = WriteAll(fd, bytes);
    }
    if (error == 0 && fsync(fd) != 0) {
        error = errno;
    }
    if (close(fd) != 0 && error == 0) {
        error = errno;
    }
    const bool written = error == 0;
    if (written && std::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        unlink(temporary.c_str());
    }
    temporaryPending = 0;
    if (error == 0) {
        SyncFolder(folder);
    }
    return {error, kept && !written};
}

}  // namespace posix

void RemovePendingTemporaryFile()
{
    if (posix::temporaryPending != 0) {
        unlink(posix::pendingTemporary);
    }
}

}  // namespace leitzahl
