#pragma once
// The one file of a ZIP archive, unpacked in memory.

#include "core/Failure.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct z_stream_s;

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

// Where the one file's packed bytes lie in the archive, and what they must give.
struct PackedMember {
    std::string_view packed;
    std::size_t size = 0;  // unpacked
    std::uint32_t crc = 0;
    bool deflated = false;  // else stored
};

// Finds the one file of a ZIP archive, its name into name. Refuses an empty archive,
// several files, an encrypted or oversized one, another method than stored or deflate,
// and sizes that do not fit the archive.
MaybeFailure FindOnlyMember(std::string_view archive, PackedMember& member, std::string& name);

// Unpacks a member found a piece at a time, summing its CRC-32 as it goes; zlib's
// state lives as long as the object.
class MemberInflater {
public:
    MemberInflater(const PackedMember& member, std::string name);
    ~MemberInflater();
    MemberInflater(const MemberInflater&) = delete;
    MemberInflater& operator=(const MemberInflater&) = delete;

    // Writes the member's next bytes to out, at most room of them, and gives their count
    // in made; made is 0 once the member is whole, and only then are its ending and its
    // CRC-32 checked. A failure where the data is damaged or cut.
    MaybeFailure next(char* out, std::size_t room, std::size_t& made);

private:
    MaybeFailure finish();

    PackedMember member_;
    std::string name_;
    std::unique_ptr<z_stream_s> stream_;
    std::size_t done_ = 0;
    std::uint32_t crc_ = 0;
};

// Unpacks the one file of a ZIP archive in memory into member, its name into name.
// Refuses an empty archive, several files, an encrypted or oversized one, and a damaged
// or cut archive (the CRC-32 is checked); only then may member's bytes be read.
MaybeFailure UnpackOnlyMember(std::string_view archive, UnpackedMember& member, std::string& name);

// The failure for a member that holds no sort-code file.
Failure NotSortCodeMember(std::string_view name);

}  // namespace leitzahl
