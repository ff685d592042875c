// Reading a whole file (mapped where it can be) or standard input.
#include "core/system/posix/FileCalls.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace leitzahl {

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

}  // namespace

FileMapping::~FileMapping()
{
    if (address_ != nullptr) {
        posix::ForgetMapping();
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
    return posix::MappingShrunk() || fstat(descriptor_, &info) != 0 || static_cast<std::uint64_t>(info.st_size) != size_;
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
        // no fresh memory to clear. They come in as the two halves read them, each on its
        // own thread, and those read go again; the system is told to read ahead.
        const auto size = static_cast<std::size_t>(info.st_size);
        void* address = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (address != MAP_FAILED) {
            madvise(address, size, MADV_WILLNEED);
            mapping.address_ = address;
            mapping.size_ = size;
            mapping.descriptor_ = fd;
            posix::WatchMapping(static_cast<char*>(address), size);
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

}  // namespace leitzahl
