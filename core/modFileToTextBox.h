#pragma once

#include "core/Failure.h"

#include <string>

namespace leitzahl {

// The shared text buffer: the whole input during an import, the output during a save.
extern std::string FileText;

// Replaces FileText with the file's bytes, exactly as they stand. On failure
// FileText is left empty. An empty file is read as an empty text.
MaybeFailure LoadFileText(const std::string& path);

// Empties FileText and hands its memory back.
void EmptyFileText();

// The same for standard input, which the command-line converter accepts as "-".
MaybeFailure LoadStandardInputText();

}  // namespace leitzahl
