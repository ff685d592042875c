#pragma once
// The reader of the Bundesbank's CSV form.

#include "core/EntryList.h"
#include "core/modSortCodeImport.h"

#include <string_view>

namespace leitzahl {

// Appends one entry per record of the Bundesbank's CSV form (ISO 8859-1, a header line,
// 13 or 14 fields separated by ";", quoted where not empty): sort code (field 1), bank
// name (field 3) and method code (field 9), their bytes unchanged. Lines with another
// number of fields are converted as far as they go and counted as unfit.
ImportResult ImportSortCodeCsv(std::string_view text, EntryList& list);

}  // namespace leitzahl
