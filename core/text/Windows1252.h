#pragma once

// The characters of Windows 1252 from 0x80 to 0x9F, where it differs from Latin-1.
#include <array>

namespace leitzahl {

// Bytes the code page leaves unassigned stand for the control characters of the same
// number, as Windows decodes them.
inline constexpr std::array<char16_t, 32> kWindows1252From0x80{
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178'};

}  // namespace leitzahl
