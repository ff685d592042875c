#pragma once
// The short way for a zipped file of any form: unpacked on one core while it is read on another.

#include "core/direct/DirectConversion.h"

#include <string>

namespace leitzahl {

// Where FileText holds a ZIP archive whose one file is a sort-code file of any form: its
// pieces are read into the CSV text as zlib unpacks them, so that the unpacked file is
// never held whole. What it gives is what unpacking and the list's way give. Not done
// (FileText as it was) where the archive, its file or its text needs the list's way,
// which also names any fault of the archive.
DirectConversion ConvertZippedTextDirectly(const std::string& shownName);

}  // namespace leitzahl
