#pragma once
// The CSV export: the text assembled from the list, and its careful save.

#include "core/EntryList.h"
#include "core/Failure.h"

#include <string>
#include <string_view>

namespace leitzahl {

struct ExportResult {
    // The name actually written, with ".csv" completed where it was missing.
    std::string finalName;
    MaybeFailure failure;
};

// Replaces FileText with the non-blank entries joined by LF; no LF after the last one.
MaybeFailure BuildExportText(const EntryList& list);

// Appends ".csv" unless the name already ends in it or in ".xlsx", in any letter case.
std::string CompleteCsvName(std::string_view name);

// Writes FileText under the completed name (an existing pipe or device under its own
// name; a folder is refused); a name ending in ".xlsx" takes it as a workbook. A regular file is replaced through a temporary file
// beside it, so a failure at any step leaves an existing file as it was.
ExportResult WriteExportFile(const std::string& name);

// Writes FileText to standard output.
MaybeFailure WriteExportToStandardOutput();

}  // namespace leitzahl
