// A scratch file in memory (memfd), which its name in /proc reaches like any other file.
#include "core/system/SystemFile.h"

#include <cerrno>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace leitzahl {

int WriteThroughScratchFile(const std::function<int(const std::string& name)>& write, std::string& bytes)
{
    const int fd = memfd_create("leitzahl-scratch", MFD_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    int error = write("/proc/self/fd/" + std::to_string(fd));
    struct stat info {};
    if (error == 0 && fstat(fd, &info) != 0) {
        error = errno;
    }
    if (error == 0) {
        bytes.resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (error == 0 && done < bytes.size()) {
            const ssize_t got = pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
            if (got <= 0) {
                error = got < 0 ? errno : EIO;
            }
            done += got > 0 ? static_cast<std::size_t>(got) : 0;
        }
    }
    close(fd);
    return error;
}

}  // namespace leitzahl
