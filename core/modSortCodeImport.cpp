#include "core/modSortCodeImport.h"

#include "core/TextRules.h"
#include "core/modFileToTextBox.h"

#include <algorithm>

namespace leitzahl {

namespace {

constexpr std::size_t kSortCodeLength = 8;
constexpr std::size_t kNameStart = 9;  // after the sort code and one flag character
constexpr std::size_t kNameEnd = 67;
constexpr std::size_t kMethodFromEnd = 18;  // the method code leads the record's last 18 characters
constexpr std::size_t kMethodLength = 2;

Failure LineTooShort(std::int64_t lineNumber)
{
    return Failure{kErrorLineTooShort,
                   "Zeile " + std::to_string(lineNumber) +
                       " ist zu kurz für einen Eintrag der Bankleitzahlendatei."};
}

}  // namespace

void CutEntry(std::string_view line, std::string& entry)
{
    const std::string_view name =
        TrimSpaces(line.substr(0, std::min(line.size(), kNameEnd)).substr(kNameStart));
    const std::string_view tail =
        line.size() > kMethodFromEnd ? line.substr(line.size() - kMethodFromEnd) : line;

    entry.assign(line.substr(0, kSortCodeLength));
    entry += ';';
    entry.append(name);
    entry += ';';
    entry.append(tail.substr(0, kMethodLength));
}

namespace {

void CutLines(std::string_view text, EntryList& list, ImportResult& result)
{
    if (text.empty()) {
        return;
    }
    std::string entry;
    std::int64_t piece = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t lineFeed = text.find('\n', start);
        const bool endsInLineFeed = lineFeed != std::string_view::npos;
        std::string_view line = text.substr(start, (endsInLineFeed ? lineFeed : text.size()) - start);
        // The published file has CR LF line ends; left in place, the CR would shift
        // the method code, which is counted from the end of the line.
        if (endsInLineFeed && !line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        line = TrimSpaces(line);
        if (!line.empty()) {
            if (line.size() < kNameStart) {
                result.failure = LineTooShort(piece + 1);
                result.lastPieceIndex = piece;
                return;
            }
            CutEntry(line, entry);
            list.append(entry);
            ++result.entriesRead;
        }
        if (!endsInLineFeed) {
            break;
        }
        start = lineFeed + 1;
        ++piece;
    }
    result.lastPieceIndex = piece;
}

}  // namespace

ImportResult ImportSortCodeText(std::string_view text, EntryList& list)
{
    ImportResult result;
    if (MaybeFailure failure = GuardMemory([&] { CutLines(text, list, result); })) {
        result.failure = std::move(failure);
    }
    return result;
}

ImportResult ImportSortCodeFile(const std::string& path, EntryList& list)
{
    if (MaybeFailure failure = LoadFileText(path)) {
        ImportResult result;
        result.failure = std::move(failure);
        return result;
    }
    return ImportSortCodeText(FileText, list);
}

}  // namespace leitzahl
