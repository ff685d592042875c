#include "core/forms/SortCodeCsv.h"

#include "core/forms/InputForm.h"
#include "core/text/TextRules.h"

#include <algorithm>
#include <array>
#include <string>

namespace leitzahl {

namespace {

constexpr std::size_t kFields = 13;
constexpr std::size_t kExtendedFields = 14;  // with the IBAN rule
constexpr std::size_t kSortCodeField = 0;
constexpr std::size_t kNameField = 2;
constexpr std::size_t kMethodField = 8;

struct CsvLine {
    std::array<std::string_view, kExtendedFields + 1> fields{};  // a 15th counts any more
    std::size_t count = 0;
    bool wellFormed = true;
};

// One field from at: a quoted one gives its inner bytes (doubled quotes still doubled)
// and must end at its closing quote. Moves at past the field's separator.
std::string_view NextField(std::string_view line, std::size_t& at, bool& wellFormed)
{
    if (at < line.size() && line[at] == '"') {
        std::size_t close = at + 1;
        for (;; close += 2) {
            close = line.find('"', close);
            if (close == std::string_view::npos) {
                wellFormed = false;
                const std::string_view rest = line.substr(at + 1);
                at = line.size() + 1;
                return rest;
            }
            if (close + 1 >= line.size() || line[close + 1] != '"') {
                break;
            }
        }
        const std::string_view inner = line.substr(at + 1, close - at - 1);
        at = close + 1;
        if (at < line.size() && line[at] != ';') {
            wellFormed = false;  // bytes after the closing quote
        }
        at = std::min(line.find(';', at), line.size()) + 1;
        return inner;
    }
    const std::size_t separator = std::min(line.find(';', at), line.size());
    const std::string_view field = line.substr(at, separator - at);
    at = separator + 1;
    return field;
}

CsvLine SplitLine(std::string_view line)
{
    CsvLine split;
    for (std::size_t at = 0; at <= line.size();) {
        const std::string_view field = NextField(line, at, split.wellFormed);
        if (split.count < split.fields.size()) {
            split.fields[split.count] = field;
        }
        ++split.count;
    }
    return split;
}

// A field's bytes with each doubled quote made single; scratch holds them where needed.
std::string_view Unquoted(std::string_view field, std::string& scratch)
{
    if (field.find("\"\"") == std::string_view::npos) {
        return field;
    }
    scratch.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        scratch += field[i];
        if (field[i] == '"' && i + 1 < field.size() && field[i + 1] == '"') {
            ++i;
        }
    }
    return scratch;
}

void CutCsvLines(std::string_view text, EntryList& list, ImportResult& result)
{
    if (text.empty()) {
        return;
    }
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
        const auto field = [&](std::size_t index, std::string& scratch) {
            return index < split.count ? Unquoted(split.fields[index], scratch) : std::string_view();
        };
        if (!AppendEntry(field(kSortCodeField, sortCode), field(kNameField, name), field(kMethodField, method),
                         list, result) ||
            !fieldsFit) {
            CountUnfit(number, result);
        }
    }
    result.linesRead = number;
}

}  // namespace

ImportResult ImportSortCodeCsv(std::string_view text, EntryList& list)
{
    text = WithoutUtf8Mark(text);
    // A file with CR alone at its line ends (an old Mac's, some spreadsheets' export) would
    // be one line: its CRs become the line feeds the reader splits at.
    std::string crLines;
    if (text.find('\n') == std::string_view::npos && text.find('\r') != std::string_view::npos) {
        if (MaybeFailure failure = GuardMemory([&] { crLines.assign(text); })) {
            ImportResult result;
            result.form = InputForm::Csv;
            result.failure = std::move(failure);
            return result;
        }
        std::replace(crLines.begin(), crLines.end(), '\r', '\n');
        text = crLines;
    }
    const std::size_t found = CsvHeaderEnd(text);
    const std::size_t headerEnd = found == std::string_view::npos ? 0 : found;
    ImportResult result = ImportLines(text.substr(headerEnd), list, CutCsvLines);
    result.form = InputForm::Csv;
    // Line numbers count the header and any blank lines before it too.
    const auto headerLines = static_cast<std::int64_t>(std::count(text.begin(), text.begin() + headerEnd, '\n'));
    result.linesRead += headerLines;
    result.firstUnfitLine += result.unfitLines > 0 ? headerLines : 0;
    return result;
}

}  // namespace leitzahl
