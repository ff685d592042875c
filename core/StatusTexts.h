#pragma once
// The German status and warning texts of an import and a save, shared by the window and the converter.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/modSortCodeImport.h"

namespace leitzahl {

// "N Einträge in PATH"
std::string EntriesInFileText(std::size_t entriesRead, std::string_view path);

// "K Einträge in obiger Liste (R doppelte Einträge entfernt)."
std::string EntriesKeptText(std::size_t entriesRead, std::size_t kept);

// "U von N Zeilen sehen nicht wie Einträge der Bankleitzahlendatei aus (erste: Zeile K)."
// byRecord: the XML form, which names records, not lines.
std::string UnfitLinesText(std::size_t unfitLines, std::size_t lines, std::int64_t firstUnfitLine,
                           bool byRecord = false);

// Each warning the import gives, one text each; none for a clean import. For a
// workbook, none of those that only the CSV's lines concern.
std::vector<std::string> ImportWarnings(const ImportResult& imported, bool forWorkbook = false);

// "gültig vom 05.12.2022 bis 05.03.2023" for the quarter an XML header gives; empty
// where the header gives none or not as ISO dates.
std::string ValidityText(std::string_view validFrom, std::string_view validTill);

// "Ergebnis gespeichert unter : NAME"
std::string SavedToText(std::string_view finalName);

}  // namespace leitzahl
