#pragma once

#include <string_view>

namespace leitzahl {

// Removes leading and trailing space characters only; tabs, CR and LF stay.
constexpr std::string_view TrimSpaces(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace leitzahl
