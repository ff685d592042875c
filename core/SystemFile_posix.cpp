#include "core/SystemFile.h"

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <atomic>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <utility>
#include <unistd.h>
#include <vector>

namespace leitzahl {

std::string DescribeSystemError(int number)
{
    switch (number) {
    case ENOENT: return "Datei oder Ordner nicht gefunden";
    case EACCES:
    case EPERM: return "Zugriff verweigert";
    case EISDIR: return "Das ist ein Ordner, keine Datei";
    case ENOTDIR: return "Ein Teil des Pfads ist kein Ordner";
    case ENOSPC: return "Kein Speicherplatz mehr auf dem Datenträger";
    case EDQUOT: return "Speicherkontingent erschöpft";
    case EFBIG: return "Die Datei ist zu groß";
    case EROFS: return "Das Dateisystem ist schreibgeschützt";
    case EIO: return "Ein-/Ausgabefehler";
    case ENAMETOOLONG: return "Der Dateiname ist zu lang";
    case EMFILE:
    case ENFILE: return "Zu viele offene Dateien";
    case ENOMEM: return "Nicht genügend Arbeitsspeicher";
    case ELOOP: return "Zu viele symbolische Verknüpfungen";
    case EBUSY:
    case ETXTBSY: return "Die Datei wird gerade verwendet";
    case EXDEV: return "Ziel liegt auf einem anderen Dateisystem";
    case EPIPE: return "Der Empfänger hat die Verbindung geschlossen";
    case EBADF: return "Der Datenstrom ist geschlossen";
    case ENXIO: return "Niemand nimmt die Daten an (kein Programm liest aus der Pipe, dem Gerät oder dem Socket)";
    case kErrorWriteProtected: return "Die Datei ist schreibgeschützt";
    case kErrorReadFault: return "Die Datei wurde beim Lesen verändert";
    case kErrorSwapped: return "Die Datei wurde während des Speicherns gegen eine andere getauscht";
    default: return "Systemfehler " + std::to_string(number);
    }
}

namespace {

int ReadAll(int fd, std::string& text)
{
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        return errno;
    }
    if (S_ISDIR(info.st_mode)) {
        return EISDIR;
    }
    const auto expected = static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 0);
    try {
        // One byte more than the file's size, so that a regular file is read in one
        // call and the next one sees its end; pipes and growing files grow the buffer.
        text.resize(expected + 1 > 65536 ? expected + 1 : 65536);
        std::size_t used = 0;
        for (;;) {
            if (used == text.size()) {
                text.resize(text.size() * 2);
            }
            const ssize_t got = read(fd, text.data() + used, text.size() - used);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                const int error = errno;
                text.clear();
                return error;
            }
            if (got == 0) {
                break;
            }
            used += static_cast<std::size_t>(got);
        }
        text.resize(used);
    } catch (const std::bad_alloc&) {
        text.clear();
        return ENOMEM;
    } catch (const std::length_error&) {
        text.clear();
        return EFBIG;
    }
    return 0;
}

// The mapped file, for the bus error that reading it raises once the file has shrunk
// under the mapping.
char* watchedBegin = nullptr;
std::size_t watchedSize = 0;
std::uintptr_t pageSize = 4096;
volatile std::sig_atomic_t shrunk = 0;
struct sigaction previousBusAction {};

extern "C" void OnBusError(int, siginfo_t* info, void*)
{
    auto* at = static_cast<char*>(info->si_addr);
    // Zeros in place of the lost pages let the reader run to its end; it then reports
    // the file as unreadable.
    char* page = reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(at) & ~(pageSize - 1));
    const bool ours = watchedBegin != nullptr && at >= watchedBegin && at < watchedBegin + watchedSize;
    if (!ours || mmap(page, static_cast<std::size_t>(watchedBegin + watchedSize - page), PROT_READ,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED) {
        // Not ours, or not to be mended: the next try of the same access meets the
        // handler that was there before.
        sigaction(SIGBUS, &previousBusAction, nullptr);
        return;
    }
    shrunk = 1;
}

void WatchMapping(char* begin, std::size_t size)
{
    shrunk = 0;
    pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    watchedSize = size;
    watchedBegin = begin;
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &previousBusAction);
}

void ForgetMapping()
{
    sigaction(SIGBUS, &previousBusAction, nullptr);
    watchedBegin = nullptr;
    watchedSize = 0;
    shrunk = 0;
}

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

// What a save writes to: the path a plain write would reach, with what it found there.
struct Target {
    std::string path;
    bool exists = false;
    struct stat info {};  // the path itself, not followed, where it exists
    // A name of the kernel's (/dev/stdout, /proc/self/fd/1, a process substitution's
    // /dev/fd/63): its link text names no path ("pipe:[N]") or one that no longer leads
    // to the open file, so only the kernel can follow it.
    bool kernelName = false;
};

bool InKernelFolder(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    struct statfs folder {};
    return statfs(slash == std::string::npos ? "." : path.substr(0, slash + 1).c_str(), &folder) == 0 &&
           folder.f_type == PROC_SUPER_MAGIC;
}

// Symbolic links followed, also a dangling one, to the path they name; each name is
// looked up once, and what it was is kept for the open that follows.
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

// Owner, group, extended attributes and permissions of the old file. A user who may
// not give the new file the old one's owner and group gets EPERM, and the file is
// written in place instead, as a careful editor does: handed to this user, the file
// could lock its owner out.
int KeepWhatTheFileCarried(const std::string& target, const struct stat& existing, int fd)
{
    if (fchown(fd, existing.st_uid, existing.st_gid) != 0) {
        return EPERM;
    }
    CopyExtendedAttributes(target, fd);
    return fchmod(fd, existing.st_mode & 07777) != 0 ? errno : 0;
}

// Writes, syncs and closes the temporary file, then renames it over the target. The
// stage that failed tells whether writing in place may still help.
struct Replacement {
    int error = 0;
    bool inWriting = false;  // the temporary file was made but could not be written
};

// Until the old file's rights are on it, the temporary file is the user's alone.
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kPrivateMode = 0600;

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

// Opens the target that was checked, for writing, and makes sure it is still the one:
// another user may have put a link or another file in its place since (in a folder
// open to all), and the save must not write through that.
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

int CloseKeepingFirstError(int fd, int error)
{
    return close(fd) != 0 && error == 0 ? errno : error;
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

// A regular file written where it stands, through a descriptor that the caller opened:
// for a file with other names (hard links), for one behind a name of the kernel's, and
// where a plain write may write it but no temporary file can take its place (or not
// with the file's owner). The room for the new text is taken first, so that a full
// disk or the file-size limit fails before a byte changes; a failure after that gives
// the file back its old size. Closes fd.
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

// A pipe, a device or a socket takes the bytes as they come (replacing it would destroy
// it); a regular file behind a name of the kernel's is written in place. Closes fd.
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

// The kernel follows its own names: the object it reaches is what a plain write would
// write into, and no file is created there.
int WriteThroughKernelName(const Target& target, std::string_view bytes)
{
    const int fd = OpenForWriting(target.path, 0);
    return fd < 0 ? errno : WriteOpened(fd, bytes);
}

// Why no temporary file could take the target's place where a plain write still can:
// a folder closed to the user, a sticky folder, a file mounted on its own, a name with
// no room left for the temporary one.
bool InPlaceMayHelp(int error)
{
    return error == EACCES || error == EPERM || error == EBUSY || error == ENAMETOOLONG;
}

}  // namespace

FileMapping::~FileMapping()
{
    if (address_ != nullptr) {
        ForgetMapping();
        munmap(address_, size_);
        close(descriptor_);
    }
}

bool FileMapping::damaged() const
{
    if (!mapped()) {
        return false;
    }
    // Cut short within its last page, the file raises no bus error: its size tells.
    struct stat info {};
    return shrunk != 0 || fstat(descriptor_, &info) != 0 || static_cast<std::uint64_t>(info.st_size) != size_;
}

int ReadWholeFile(const std::string& path, FileMapping& mapping, std::string& text)
{
    mapping = FileMapping();
    text.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    struct stat info {};
    int error = fstat(fd, &info) != 0 ? errno : 0;
    if (error == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
        static_cast<std::uint64_t>(info.st_size) <= SIZE_MAX) {
        // Mapping the file takes its pages from the page cache as they are: no copy, and
        // no fresh memory to clear.
        const auto size = static_cast<std::size_t>(info.st_size);
        void* address = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (address != MAP_FAILED) {
            mapping.address_ = address;
            mapping.size_ = size;
            mapping.descriptor_ = fd;
            WatchMapping(static_cast<char*>(address), size);
            return 0;
        }
    }
    if (error == 0) {
        error = ReadAll(fd, text);
    }
    close(fd);
    return error;
}

int ReadStandardInput(std::string& text)
{
    text.clear();
    return ReadAll(STDIN_FILENO, text);
}

FileKind KindOfFile(const std::string& path)
{
    struct stat info {};
    const bool found = stat(path.c_str(), &info) == 0;
    if (found && S_ISDIR(info.st_mode)) {
        return FileKind::Folder;
    }
    // A name of the kernel's (/dev/stdout, also redirected to a file or closed) is
    // written into under that name; no file is made beside it.
    Target target;
    if (ResolveLinks(path, target) == 0 && target.kernelName) {
        return FileKind::Other;
    }
    return !found ? FileKind::Missing : S_ISREG(info.st_mode) ? FileKind::Regular : FileKind::Other;
}

int SaveFile(const std::string& path, std::string_view bytes)
{
    Target target;
    if (const int error = ResolveLinks(path, target)) {
        return error;
    }
    if (target.kernelName) {
        return WriteThroughKernelName(target, bytes);
    }
    if (!target.exists) {
        return ReplaceThroughTemporary(target.path, bytes, nullptr).error;
    }
    const struct stat& existing = target.info;
    if (S_ISDIR(existing.st_mode)) {
        return EISDIR;
    }
    int fd = -1;
    if (!S_ISREG(existing.st_mode)) {
        const int error = OpenChecked(target, fd);
        return error != 0 ? error : WriteOpened(fd, bytes);
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
        const Replacement replaced = ReplaceThroughTemporary(target.path, bytes, &existing);
        if (replaced.inWriting || !InPlaceMayHelp(replaced.error)) {
            return replaced.error;
        }
    }
    const int error = OpenChecked(target, fd);
    return error != 0 ? error : WriteInPlace(fd, bytes);
}

void RefusePipesWithoutReader()
{
    openWaitFlag = O_NONBLOCK;
}

int WriteStandardOutput(std::string_view bytes)
{
    return WriteAll(STDOUT_FILENO, bytes);
}

bool NamesStandardOutput(const std::string& path)
{
    struct stat named {};
    struct stat output {};
    return stat(path.c_str(), &named) == 0 && fstat(STDOUT_FILENO, &output) == 0 && named.st_dev == output.st_dev &&
           named.st_ino == output.st_ino;
}

void RemovePendingTemporaryFile()
{
    if (temporaryPending != 0) {
        unlink(pendingTemporary);
    }
}

}  // namespace leitzahl
