#include "core/forms/SortCodeCsv.h"

#include "core/forms/CsvLines.h"
#include "core/forms/InputForm.h"
#include "core/text/TextRules.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

namespace leitzahl {

namespace {

// The first c at or after from, or npos: a line's fields are a few bytes each, where a
// library search's setting up costs more than eight bytes at a time take.
inline std::size_t Find(std::string_view line, char c, std::size_t from)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    const std::uint64_t pattern = kOnes * static_cast<unsigned char>(c);
    for (; from + 8 <= line.size(); from += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, line.data() + from, sizeof word);
        const std::uint64_t zeroWhereC = word ^ pattern;
        // The lowest byte marked is the first that equals c (the word is little-endian).
        const std::uint64_t marked = (zeroWhereC - kOnes) & ~zeroWhereC & kHighs;
        if (marked != 0) {
            return from + static_cast<std::size_t>(std::countr_zero(marked)) / 8;
        }
    }
    for (; from < line.size(); ++from) {
        if (line[from] == c) {
            return from;
        }
    }
    return std::string_view::npos;
}

// One field from at: a quoted one gives its inner bytes (doubled quotes still doubled)
// and must end at its closing quote. Moves at past the field's separator.
std::string_view NextField(std::string_view line, std::size_t& at, csv::CsvLine& split)
{
    bool& wellFormed = split.wellFormed;
    if (at < line.size() && line[at] == '"') {
        std::size_t close = at + 1;
        for (;; close += 2) {
            close = Find(line, '"', close);
            if (close == std::string_view::npos) {
                wellFormed = false;
                const std::string_view rest = line.substr(at + 1);
                at = line.size() + 1;
                return rest;
            }
            if (close + 1 >= line.size() || line[close + 1] != '"') {
                break;
            }
            split.mayHoldQuotes = true;
        }
        const std::string_view inner = line.substr(at + 1, close - at - 1);
        at = close + 1;
        // As nearly always, the separator right after the closing quote.
        if (at >= line.size() || line[at] == ';') {
            ++at;
            return inner;
        }
        wellFormed = false;  // bytes after the closing quote
        at = std::min(Find(line, ';', at), line.size()) + 1;
        return inner;
    }
    const std::size_t separator = std::min(Find(line, ';', at), line.size());
    const std::string_view field = line.substr(at, separator - at);
    split.mayHoldQuotes = split.mayHoldQuotes || !field.empty();
    at = separator + 1;
    return field;
}

}  // namespace

namespace csv {

CsvLine SplitLine(std::string_view line)
{
    CsvLine split;
    for (std::size_t at = 0; at <= line.size();) {
        const std::string_view field = NextField(line, at, split);
        switch (split.count++) {
        case kSortCodeField:
            split.sortCode = field;
            break;
        case kNameField:
            split.name = field;
            break;
        case kMethodField:
            split.method = field;
            break;
        default:
            break;
        }
    }
    return split;
}

// A field's bytes with each doubled quote made single; scratch holds them where needed.
std::string_view Unquoted(std::string_view field, std::string& scratch)
{
    // A quote alone leaves the field as it is too.
    if (Find(field, '"', 0) == std::string_view::npos) {
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

CsvBody BodyOf(std::string_view text)
{
    const std::size_t found = CsvHeaderEnd(text);
    const std::size_t headerEnd = found == std::string_view::npos ? 0 : found;
    return {text.substr(headerEnd),
            static_cast<std::int64_t>(std::count(text.begin(), text.begin() + headerEnd, '\n'))};
}

}  // namespace csv

namespace {

void CutCsvLinesIntoList(std::string_view text, EntryList& list, ImportResult& result)
{
    csv::CutCsvLines(text, result, [&](std::string_view sortCode, std::string_view name, std::string_view method) {
        return std::optional<bool>(AppendEntry(sortCode, name, method, list, result));
    });
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
    const csv::CsvBody body = csv::BodyOf(text);
    ImportResult result = ImportLines(body.lines, list, CutCsvLinesIntoList);
    result.form = InputForm::Csv;
    // Line numbers count the header and any blank lines before it too.
    result.linesRead += body.linesBefore;
    result.firstUnfitLine += result.unfitLines > 0 ? body.linesBefore : 0;
    return result;
}

}  // namespace leitzahl
