#include "core/StatusTexts.h"

namespace leitzahl {

std::string EntriesInFileText(std::size_t entriesRead, std::string_view path)
{
    std::string text = std::to_string(entriesRead) + " Einträge in ";
    text.append(path);
    return text;
}

std::string EntriesKeptText(std::size_t entriesRead, std::size_t kept)
{
    // Both counts are exact, so the difference is never negative; guard anyway.
    const std::size_t removed = entriesRead > kept ? entriesRead - kept : 0;
    return std::to_string(kept) + " Einträge in obiger Liste (" + std::to_string(removed) +
           " doppelte Einträge entfernt).";
}

std::string UnfitLinesText(std::size_t unfitLines, std::size_t lines, std::int64_t firstUnfitLine)
{
    const std::string counts = std::to_string(unfitLines) + " von " + std::to_string(lines) + " Zeilen ";
    const std::string line = std::to_string(firstUnfitLine);
    if (unfitLines == 1) {
        return counts + "sieht nicht wie ein Eintrag der Bankleitzahlendatei aus (Zeile " + line + ").";
    }
    return counts + "sehen nicht wie Einträge der Bankleitzahlendatei aus (erste: Zeile " + line + ").";
}

std::string SavedToText(std::string_view finalName)
{
    std::string text = "Ergebnis gespeichert unter : ";
    text.append(finalName);
    return text;
}

}  // namespace leitzahl
