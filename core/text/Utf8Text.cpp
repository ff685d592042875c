#include "core/text/Utf8Text.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace leitzahl {

std::size_t Utf8SequenceLength(std::string_view bytes, char32_t& code)
{
    const auto lead = static_cast<unsigned char>(bytes[0]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                             : lead >= 0xF0 && lead < 0xF5                   ? 4
                                                                             : 0;
    if (length == 0 || length > bytes.size()) {
        return 0;
    }
    code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        code = code << 6 | (next & 0x3F);
    }
    constexpr std::array<char32_t, 5> kSmallest{0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
        return 0;
    }
    return length;
}

bool IsUtf8Text(std::string_view bytes)
{
    bool high = false;
    while (!bytes.empty()) {
        // Eight plain ASCII bytes at a time: most of the file.
        std::uint64_t word = 0;
        if (bytes.size() >= sizeof word) {
            std::memcpy(&word, bytes.data(), sizeof word);
            const std::uint64_t high = word & 0x8080808080808080ULL;
            // Past the plain bytes before the first high one (the word is little-endian).
            bytes.remove_prefix(high == 0 ? sizeof word : static_cast<std::size_t>(std::countr_zero(high)) / 8);
            if (high == 0) {
                continue;
            }
        }
        char32_t code = 0;
        const std::size_t length = Utf8SequenceLength(bytes, code);
        if (length == 0) {
            return false;
        }
        high = high || length > 1;
        bytes.remove_prefix(length);
    }
    return high;
}

}  // namespace leitzahl
