#pragma once

#include <string_view>

namespace leitzahl {

// The form of an input, told from its first bytes, never from its name: downloads get
// renamed.
enum class RecognisedForm { Text, Csv, Xml, Zip };
RecognisedForm RecogniseForm(std::string_view bytes);

// True when the text starts like the fixed-width file: a sort code and a record kind.
bool StartsLikeSortCodeText(std::string_view text);

}  // namespace leitzahl
