#pragma once
// The CSV form's lines cut into their entries' fields, for the list's import and the converter's short way.

#include "core/modSortCodeImport.h"
#include "core/text/TextRules.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace leitzahl::csv {

constexpr std::size_t kFields = 13;
constexpr std::size_t kExtendedFields = 14;  // with the IBAN rule
constexpr std::size_t kSortCodeField = 0;
constexpr std::size_t kNameField = 2;
constexpr std::size_t kMethodField = 8;

// The fields an entry takes (empty where the line has fewer), and how many there are.
struct CsvLine {
    std::string_view sortCode;
    std::string_view name;
    std::string_view method;
    std::size_t count = 0;
    bool wellFormed = true;
    bool mayHoldQuotes = false;  // a doubled quote, or a field not quoted
};

// A line's fields: a quoted one gives its inner bytes (doubled quotes still doubled)
// and must end at its closing quote.
CsvLine SplitLine(std::string_view line);

// A field's bytes with each doubled quote made single; scratch holds them where needed.
std::string_view Unquoted(std::string_view field, std::string& scratch);

// The records' lines of a CSV text without its mark: after the header, where there is
// one, and the blank lines before it; linesBefore counts the lines skipped.
struct CsvBody {
    std::string_view lines;
    std::int64_t linesBefore = 0;
};
CsvBody BodyOf(std::string_view text);

// Cuts each non-blank line of text into sort code, name and method code, handed to
// take(sortCode, name, method), which gives back whether the entry looks like a
// record's, or nothing where it refuses the rest; then gives back false.
template <typename Take>
bool CutCsvLines(std::string_view text, ImportResult& result, Take&& take)
{
    std::string sortCode;
    std::string name;
    std::string method;
    std::int64_t number = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t lineFeed = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, lineFeed - start);
        start = lineFeed + 1;
        ++number;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (TrimSpaces(line).empty()) {
            continue;
        }
        const CsvLine split = SplitLine(line);
        const bool fieldsFit = split.wellFormed && (split.count == kFields || split.count == kExtendedFields);
        const std::optional<bool> fits =
            split.mayHoldQuotes
                ? take(Unquoted(split.sortCode, sortCode), Unquoted(split.name, name), Unquoted(split.method, method))
                : take(split.sortCode, split.name, split.method);
        if (!fits) {
            return false;
        }
        if (!*fits || !fieldsFit) {
            CountUnfit(number, result);
        }
    }
    result.linesRead = number;
    return true;
}

}  // namespace leitzahl::csv
