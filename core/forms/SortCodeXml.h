#pragma once
// The reader of the Bundesbank's XML form.

#include "core/EntryList.h"
#include "core/modSortCodeImport.h"

#include <string_view>

namespace leitzahl {

// Appends one entry per BLZEintrag of the Bundesbank's XML form: BLZ, Bezeichnung and
// PruefZiffMeth, in ISO 8859-1 like the other forms; where a text holds a character
// that ISO 8859-1 cannot, every entry stays in UTF-8 (and the result says so). The
// header's ValidFrom and ValidTill go to the result.
ImportResult ImportSortCodeXml(std::string_view text, EntryList& list);

}  // namespace leitzahl
