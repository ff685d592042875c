#pragma once

#include <string_view>

namespace leitzahl {

// Removes leading and trailing space characters only; tabs, CR and LF stay.
constexpr std::string_view TrimSpaces(std::string_view text)
{
    std::size_t first = 0;
    std::size_t end = text.size();
    while (first < end && text[first] == ' ') {
        ++first;
    }
    while (end > first && text[end - 1] == ' ') {
        --end;
    }
    return text.substr(first, end - first);
}

}  // namespace leitzahl
