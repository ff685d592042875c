// Telling the system about pages: input ones done with, fresh ones about to be written.
#include "core/system/windows/FileCalls.h"

#include <cstdint>

namespace leitzahl {

void FileMapping::release(std::string_view part) const
{
    const auto* begin = static_cast<const char*>(address_);
    if (!mapped() || part.data() < begin || part.data() + part.size() > begin + size_) {
        return;
    }
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const std::uintptr_t page = system.dwPageSize;
    const auto first = (reinterpret_cast<std::uintptr_t>(part.data()) + page - 1) / page * page;
    const auto end = (reinterpret_cast<std::uintptr_t>(part.data()) + part.size()) / page * page;
    if (first < end) {
        // Unlocking pages that were never locked takes them out of the working set.
        VirtualUnlock(reinterpret_cast<void*>(first), end - first);
    }
}

// Windows takes a fresh page in without the cost that makes this worth a call on Linux.
void PrepareForWriting(char*, std::size_t) {}

}  // namespace leitzahl
