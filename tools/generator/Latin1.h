#pragma once

// The generator's texts are UTF-8 in the source and Latin-1 in the files.
#include <string>
#include <string_view>

namespace leitzahl::generator {

// Only for the German letters the source holds (two-byte sequences starting 0xC3).
std::string ToLatin1(std::string_view utf8);
std::string ToUtf8(std::string_view latin1);

}  // namespace leitzahl::generator
