#pragma once
// The import: a loaded text of any form cut into entries, with its counts and warnings.

#include "core/EntryList.h"
#include "core/Failure.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace leitzahl {

// The forms the Bundesbank publishes the file in; each may also come packed as a ZIP.
enum class InputForm { Text, Csv, Xml };

struct ImportResult {
    InputForm form = InputForm::Text;
    // Lines read: the LF-separated pieces of the text up to the end or to the line that
    // stopped the import, the empty piece after a final LF not counted.
    std::int64_t linesRead = 0;
    // Entries appended to the list: one per non-blank line.
    std::size_t entriesRead = 0;
    // Non-blank lines that do not look like a record of the sort-code file (in its
    // 168- or 174-character form; a CSV line with another number of fields, a code that
    // is not 8 digits, no name or method code), and the number of the first of them,
    // from 1. Of the XML form: records, and the record's number.
    std::size_t unfitLines = 0;
    std::int64_t firstUnfitLine = 0;
    // Entries whose bank name holds a ";", which gives their line of the CSV a fourth
    // column; and the sort code of the first of them.
    std::size_t semicolonNames = 0;
    std::string firstSemicolonCode;
    // XML form: entries with a character that ISO 8859-1 cannot hold, so that all
    // entries stay in UTF-8; and the sort code of the first of them.
    std::size_t wideCharacterEntries = 0;
    std::string firstWideCharacterCode;
    // XML form: the quarter the file is valid for, as its header gives it (ISO dates).
    std::string validFrom;
    std::string validTill;
    // Set when the file could not be read, a line cannot hold a record or memory ran
    // out. The entries appended before the failure stay in the list; callers discard them.
    MaybeFailure failure;
};

// The longest entry: sort code, bank name and method code with their two semicolons.
inline constexpr std::size_t kLongestEntry = 8 + 1 + 58 + 1 + 2;

// Appends one entry per non-blank line of text to the list: "sort code;bank name;
// method code". The method code is counted from the end of the line, where the
// extended record has 6 more digits. A large text goes in two halves at once into a
// list that takes lists over.
ImportResult ImportSortCodeText(std::string_view text, EntryList& list);

// Cuts each line of text into an entry of list, and counts into result.
using LineCutter = void (*)(std::string_view text, EntryList& list, ImportResult& result);

// Runs cutLines over text, a large text in two halves at once into a list that takes
// lists over; the halves meet at a line feed, and the result is one pass's.
ImportResult ImportLines(std::string_view text, EntryList& list, LineCutter cutLines);

// Where a large text is cut in two halves: after the line feed at the index given back;
// npos for a text taken in one pass.
std::size_t HalvesMeetAt(std::string_view text);

// Adds the second half's result to the first's, as one pass over the whole text would
// have given it: line numbers count on. Only for a first half without failure.
void AddSecondHalf(ImportResult& result, ImportResult& second);

// Imports FileText in whichever form it holds, recognised from its bytes. A ZIP's
// member replaces the archive in FileText. shownName names the input in messages.
ImportResult ImportFileText(EntryList& list, const std::string& shownName);

// Imports FileText as loaded from a file or standard input; a mapped file that another
// program cut short meanwhile gives kErrorReadFault.
ImportResult ImportLoadedText(EntryList& list, const std::string& shownName);

// Loads the file into FileText, then imports FileText. FileText keeps the text.
ImportResult ImportSortCodeFile(const std::string& path, EntryList& list);

// Counts an entry one of whose fields holds a ";", which adds a column to its line.
void CountExtraColumn(std::string_view sortCode, ImportResult& result);

// Appends "sort code;bank name;method code" for the fields of a CSV or XML record, and
// gives back whether they look like a record's: 8 digits, a name and a 2-character code.
bool AppendEntry(std::string_view sortCode, std::string_view name, std::string_view method, EntryList& list,
                 ImportResult& result);

// Counts the entry of such fields, its name trimmed, into result, as AppendEntry does;
// extraColumn: a field holds a ";". Gives back the same.
bool CountEntry(std::string_view sortCode, std::string_view name, std::string_view method, bool extraColumn,
                ImportResult& result);

// Counts a record that does not look like one; number names it in the warning.
void CountUnfit(std::int64_t number, ImportResult& result);

}  // namespace leitzahl
