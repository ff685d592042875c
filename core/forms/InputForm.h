#pragma once
// Which download form a text is, told from its content.

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

// The text without a UTF-8 byte-order mark at its start.
std::string_view WithoutUtf8Mark(std::string_view text);

// True when the bytes start with a UTF-16 byte-order mark, either way round.
bool StartsWithUtf16Mark(std::string_view bytes);

}  // namespace leitzahl
