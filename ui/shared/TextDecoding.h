#pragma once
// Bytes as the list shows them: Windows 1252 or UTF-8, in UTF-16.

#include "core/text/Utf8Text.h"

#include <string>
#include <string_view>

namespace leitzahl {

// Bytes as the list shows them, in UTF-16: Windows 1252, the code page the sort-code
// file is written in, or UTF-8 for a copy somebody re-saved that way. Bytes that
// Windows 1252 leaves unassigned show as the control characters of the same number.
std::u16string DecodeWindows1252(std::string_view bytes);
std::u16string DecodeUtf8(std::string_view bytes);

}  // namespace leitzahl
