#pragma once
// The short way for a zipped fixed-width text: unpacked on one core while it is cut on another.

#include "core/DirectConversion.h"

#include <string>

namespace leitzahl {

// Where FileText holds a ZIP archive whose one file is a fixed-width text: its pieces
// are cut into the CSV text as zlib unpacks them, so that the unpacked text is never
// held whole. What it gives is what unpacking and the text's short way give. Not done
// (FileText as it was) where the archive, its file or the text needs the list's way,
// which also names any fault of the archive.
DirectConversion ConvertZippedTextDirectly(const std::string& shownName);

}  // namespace leitzahl
