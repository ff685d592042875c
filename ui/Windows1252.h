#pragma once

#include <QString>
#include <string_view>

namespace leitzahl {

// Shows bytes as Windows 1252 text, the code page the sort-code file is written in.
// Bytes that code page leaves unassigned show as the control characters of the same number.
QString DecodeWindows1252(std::string_view bytes);

}  // namespace leitzahl
