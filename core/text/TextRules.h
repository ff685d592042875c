#pragma once
// The text rules every step shares: trimming of spaces only.

#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

namespace leitzahl {

// Removes leading and trailing space characters only; tabs, CR and LF stay.
constexpr std::string_view TrimSpaces(std::string_view text)
{
    std::size_t first = 0;
    std::size_t end = text.size();
    while (first < end && text[first] == ' ') {
        ++first;
    }
    // A record's name is padded with up to 57 spaces: eight at a time where they are.
    constexpr std::uint64_t kEightSpaces = 0x2020202020202020ULL;
    if (!std::is_constant_evaluated()) {
        std::uint64_t word = 0;
        while (end - first >= sizeof word && (std::memcpy(&word, text.data() + end - sizeof word, sizeof word),
                                             word == kEightSpaces)) {
            end -= sizeof word;
        }
    }
    while (end > first && text[end - 1] == ' ') {
        --end;
    }
    return text.substr(first, end - first);
}

}  // namespace leitzahl
