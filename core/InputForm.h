#pragma once

#include <cstddef>
#include <string_view>

namespace leitzahl {

// The form of an input, told from its first bytes, never from its name: downloads get
// renamed.
enum class RecognisedForm { Text, Csv, Xml, Zip };
RecognisedForm RecogniseForm(std::string_view bytes);

// Where the records start when the first non-blank line is the CSV form's header (also
// quoted, in any case), past its line feed; npos where there is none.
std::size_t CsvHeaderEnd(std::string_view text);

// True when the text starts like the fixed-width file: a sort code and a record kind.
bool StartsLikeSortCodeText(std::string_view text);

}  // namespace leitzahl
