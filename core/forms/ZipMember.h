#pragma once
// The one file of a ZIP archive, unpacked in memory.

#include "core/Failure.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace leitzahl {

// The largest member unpacked: far above any real sort-code file (a few megabytes in
// any form), far below what would exhaust memory.
inline constexpr std::size_t kLargestZipMember = std::size_t{512} << 20;

// A member's bytes, in room that was not cleared before they were unpacked into it.
struct UnpackedMember {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;

    std::string_view view() const { return {bytes.get(), size}; }
};

// Unpacks the one file of a ZIP archive in memory into member, its name into name.
// Refuses an empty archive, several files, an encrypted or oversized one, and a damaged
// or cut archive (the CRC-32 is checked); only then may member's bytes be read.
MaybeFailure UnpackOnlyMember(std::string_view archive, UnpackedMember& member, std::string& name);

// The failure for a member that holds no sort-code file.
Failure NotSortCodeMember(std::string_view name);

}  // namespace leitzahl
