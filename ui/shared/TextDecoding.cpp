#include "ui/shared/TextDecoding.h"

#include "core/text/Windows1252.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace leitzahl {

std::u16string DecodeWindows1252(std::string_view bytes)
{
    std::u16string text(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto code = static_cast<unsigned char>(bytes[i]);
        text[i] = (code >= 0x80 && code < 0xA0) ? kWindows1252From0x80[code - 0x80] : char16_t{code};
    }
    return text;
}

std::u16string DecodeUtf8(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size());
    while (!bytes.empty()) {
        char32_t code = 0;
        std::size_t length = Utf8SequenceLength(bytes, code);
        if (length == 0) {
            code = u'\uFFFD';
            length = 1;
        }
        if (code >= 0x10000) {
            text += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            text += static_cast<char16_t>(code);
        }
        bytes.remove_prefix(length);
    }
    return text;
}

}  // namespace leitzahl
