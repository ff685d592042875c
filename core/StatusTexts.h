#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace leitzahl {

// "N Einträge in PATH"
std::string EntriesInFileText(std::size_t entriesRead, std::string_view path);

// "K Einträge in obiger Liste (R doppelte Einträge entfernt)."
std::string EntriesKeptText(std::size_t entriesRead, std::size_t kept);

// "U von N Zeilen sehen nicht wie Einträge der Bankleitzahlendatei aus (erste: Zeile K)."
std::string UnfitLinesText(std::size_t unfitLines, std::size_t lines, std::int64_t firstUnfitLine);

// "Ergebnis gespeichert unter : NAME"
std::string SavedToText(std::string_view finalName);

}  // namespace leitzahl
