#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace leitzahl {

// An error as the user sees it: a number (never 0) and a short German description.
struct Failure {
    std::int32_t number = 0;
    std::string description;
};

// System errors use the system's error numbers; the program's own start here,
// well above them.
inline constexpr std::int32_t kErrorLineTooShort = 1001;

using MaybeFailure = std::optional<Failure>;

}  // namespace leitzahl
