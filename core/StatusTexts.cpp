#include "core/StatusTexts.h"

#include "core/text/Printable.h"

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

std::string UnfitLinesText(std::size_t unfitLines, std::size_t lines, std::int64_t firstUnfitLine, bool byRecord)
{
    const std::string counts =
        std::to_string(unfitLines) + " von " + std::to_string(lines) + (byRecord ? " Einträgen " : " Zeilen ");
    const std::string first = std::to_string(firstUnfitLine);
    if (unfitLines == 1) {
        return counts + "sieht nicht wie ein Eintrag der Bankleitzahlendatei aus (" +
               (byRecord ? "Eintrag " : "Zeile ") + first + ").";
    }
    return counts + "sehen nicht wie Einträge der Bankleitzahlendatei aus (" +
           (byRecord ? "erster: Eintrag " : "erste: Zeile ") + first + ").";
}

namespace {

// "1 Eintrag hat …" or "N Einträge haben …", with the first one's sort code.
std::string EntriesText(std::size_t count, std::string_view one, std::string_view many, std::string_view rest,
                        std::string_view firstCode)
{
    std::string text = std::to_string(count);
    text += count == 1 ? " Eintrag " : " Einträge ";
    text += count == 1 ? one : many;
    text += rest;
    text += count == 1 ? " (Bankleitzahl " : " (erster: Bankleitzahl ";
    text += Printable(firstCode);
    return text + ").";
}

}  // namespace

std::vector<std::string> ImportWarnings(const ImportResult& imported, bool forWorkbook)
{
    std::vector<std::string> warnings;
    if (imported.unfitLines > 0) {
        warnings.push_back(UnfitLinesText(imported.unfitLines, imported.entriesRead, imported.firstUnfitLine,
                                          imported.form == InputForm::Xml));
    }
    // Both speak of the CSV: a workbook keeps a ";" in its cell and holds any character.
    if (imported.semicolonNames > 0 && !forWorkbook) {
        warnings.push_back(EntriesText(imported.semicolonNames, "hat", "haben",
                                       " ein „;“ im Text, das in der CSV-Datei eine weitere Spalte ergibt",
                                       imported.firstSemicolonCode));
    }
    if (imported.wideCharacterEntries > 0 && !forWorkbook) {
        warnings.push_back(EntriesText(imported.wideCharacterEntries, "enthält", "enthalten",
                                       " Zeichen, die ISO 8859-1 nicht kennt; die CSV-Datei ist daher ganz in "
                                       "UTF-8 geschrieben",
                                       imported.firstWideCharacterCode));
    }
    return warnings;
}

std::string ValidityText(std::string_view validFrom, std::string_view validTill)
{
    // YYYY-MM-DD to DD.MM.YYYY
    const auto german = [](std::string_view iso) {
        const bool wellFormed = iso.size() == 10 && iso[4] == '-' && iso[7] == '-' &&
                                iso.find_first_not_of("0123456789-") == std::string_view::npos;
        return wellFormed ? std::string(iso.substr(8, 2)) + "." + std::string(iso.substr(5, 2)) + "." +
                                std::string(iso.substr(0, 4))
                          : std::string();
    };
    const std::string from = german(validFrom);
    const std::string till = german(validTill);
    return from.empty() || till.empty() ? std::string() : "gültig vom " + from + " bis " + till;
}

std::string SavedToText(std::string_view finalName)
{
    std::string text = "Ergebnis gespeichert unter : ";
    text.append(finalName);
    return text;
}

}  // namespace leitzahl
