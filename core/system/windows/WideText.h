#pragma once
// UTF-8 and the UTF-16 of the Windows API, both ways.

#ifdef _WIN32
#include <string>
#include <string_view>

namespace leitzahl {

// The Windows API speaks UTF-16; the program holds texts and paths in UTF-8.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

}  // namespace leitzahl
#endif
