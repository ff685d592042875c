#pragma once

#include "core/Failure.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace leitzahl {

// A sheet holds 1,048,576 rows; the first is the header.
inline constexpr std::size_t kMostWorkbookEntries = 1048576 - 1;

// Whether the name ends in ".xlsx", in any letter case: such a name is saved as a workbook.
bool IsWorkbookName(std::string_view name);

// A name chosen under the workbook's filter: ".xlsx" added where its file name has no
// extension at all.
std::string NameUnderWorkbookFilter(std::string_view name);

// Whether the text holds only well-formed UTF-8; else its bytes are ISO 8859-1 or
// Windows 1252.
bool IsUtf8(std::string_view text);

// Replaces the export text in FileText with the bytes of a workbook holding the same
// entries: one sheet, a header row that stays in view and carries a filter, then one row
// per entry, every cell text, each column as wide as its content. A longer list than a
// sheet holds is refused, and FileText left as it was.
MaybeFailure BuildWorkbookText();

}  // namespace leitzahl
