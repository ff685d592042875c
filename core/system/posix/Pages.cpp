// Telling the system about pages: input ones done with, fresh ones about to be written.
#include "core/system/SystemFile.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace leitzahl {

namespace {

std::uintptr_t PageSize()
{
    static const auto size = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    return size;
}

}  // namespace

void FileMapping::release(std::string_view part) const
{
    const auto* begin = static_cast<const char*>(address_);
    if (!mapped() || part.data() < begin || part.data() + part.size() > begin + size_) {
        return;
    }
    const std::uintptr_t page = PageSize();
    const auto first = (reinterpret_cast<std::uintptr_t>(part.data()) + page - 1) / page * page;
    const auto end = (reinterpret_cast<std::uintptr_t>(part.data()) + part.size()) / page * page;
    if (first < end) {
        // Unchanged pages of a private mapping: dropping them loses nothing.
        madvise(reinterpret_cast<void*>(first), end - first, MADV_DONTNEED);
    }
}

void PrepareForWriting(char* begin, std::size_t size)
{
    // The first page holds begin, so it belongs to the process; the last whole one ends it.
    const std::uintptr_t page = PageSize();
    const auto first = reinterpret_cast<std::uintptr_t>(begin) / page * page;
    const auto end = (reinterpret_cast<std::uintptr_t>(begin) + size) / page * page;
#ifdef MADV_POPULATE_WRITE
    if (first < end) {
        // Best effort: a kernel before 5.14 refuses, and the pages then come one fault each.
        madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
    }
#else
    static_cast<void>(first);
    static_cast<void>(end);
#endif
}

}  // namespace leitzahl
