#pragma once

// Text quoted from a file in a message, its control characters made visible.
#include <string>
#include <string_view>

namespace leitzahl {

// Control characters (C0, DEL and C1 in UTF-8) become "\xNN", so that a name from a
// file can neither break a message into lines nor steer the terminal; other bytes stay.
std::string Printable(std::string_view text);

}  // namespace leitzahl
