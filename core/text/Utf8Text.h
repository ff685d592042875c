#pragma once

// UTF-8 as the sort-code file's copies may hold it: what is valid, and what is a copy.
#include <cstddef>
#include <string_view>

namespace leitzahl {

// The length of the UTF-8 sequence at the start of bytes (not empty), its character in
// code; 0 where it is not valid (overlong, a surrogate, beyond U+10FFFF, or cut short).
std::size_t Utf8SequenceLength(std::string_view bytes, char32_t& code);

// True when the bytes are valid UTF-8 and hold at least one byte above 127: a copy
// re-saved as UTF-8, whose fields count characters and whose umlauts show right only
// when decoded as UTF-8.
bool IsUtf8Text(std::string_view bytes);

}  // namespace leitzahl
