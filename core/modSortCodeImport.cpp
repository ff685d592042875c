#include "core/modSortCodeImport.h"

#include "core/InputForm.h"
#include "core/MemoryEntryList.h"
#include "core/SortCodeCsv.h"
#include "core/SortCodeXml.h"
#include "core/SideBySide.h"
#include "core/SystemFile.h"
#include "core/TextRules.h"
#include "core/ZipMember.h"
#include "core/modFileToTextBox.h"

#include <algorithm>

namespace leitzahl {

namespace {

constexpr std::size_t kSortCodeLength = 8;
constexpr std::size_t kNameStart = 9;  // after the sort code and one flag character
constexpr std::size_t kNameEnd = 67;
constexpr std::size_t kMethodFromEnd = 18;  // the method code leads the record's last 18 characters
constexpr std::size_t kExtendedMethodFromEnd = 24;  // ... and the extended record's last 24
constexpr std::size_t kMethodLength = 2;
constexpr std::size_t kRecordLength = 168;
// A copy re-saved as UTF-8 is longer by the second bytes of its umlauts: at most
// one per character of the name (58), the town (35) and the short name (27) of an
// extended record (174).
constexpr std::size_t kLongestRecordLength = 174 + 58 + 35 + 27;
constexpr std::size_t kSuccessorDigits = 8;
constexpr std::size_t kExtendedTailDigits = 14;  // the successor and the IBAN rule with its version

bool AllDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsChangeFlag(char c)
{
    return c == 'A' || c == 'D' || c == 'U' || c == 'M';
}

// The end of a record: change flag, deletion flag, then digits.
bool EndsInTail(std::string_view line, std::size_t digits)
{
    if (line.size() < digits + 2) {
        return false;
    }
    const std::string_view tail = line.substr(line.size() - digits - 2);
    return IsChangeFlag(tail[0]) && (tail[1] == '0' || tail[1] == '1') && AllDigits(tail.substr(2));
}

// A sort code, then the record's kind: head office (1) or branch (2).
bool StartsWithSortCodeAndKind(std::string_view line)
{
    return line.size() > kSortCodeLength && AllDigits(line.substr(0, kSortCodeLength)) &&
           (line[kSortCodeLength] == '1' || line[kSortCodeLength] == '2');
}

bool LooksLikeRecord(std::string_view line, bool extended)
{
    return line.size() >= kRecordLength && line.size() <= kLongestRecordLength && StartsWithSortCodeAndKind(line) &&
           (extended || EndsInTail(line, kSuccessorDigits));
}

// A ZIP's member that starts like the fixed-width file.
bool StartsLikeSortCodeText(std::string_view text)
{
    text = WithoutUtf8Mark(text);
    return StartsWithSortCodeAndKind(text.substr(std::min(text.find_first_not_of(" \r\n"), text.size())));
}

Failure LineTooShort(std::int64_t lineNumber)
{
    return Failure{kErrorLineTooShort,
                   "Zeile " + std::to_string(lineNumber) +
                       " ist zu kurz für einen Eintrag der Bankleitzahlendatei."};
}

}  // namespace

namespace {

char* Put(char* out, std::string_view piece)
{
    return std::copy(piece.begin(), piece.end(), out);
}

// A ";" in any of the entry's fields adds a column to its line of the CSV.
bool AddsColumn(std::string_view sortCode, std::string_view name, std::string_view method)
{
    const auto holds = [](std::string_view field) { return field.find(';') != std::string_view::npos; };
    return holds(name) || holds(sortCode) || holds(method);
}

// The entry of a trimmed line of at least 9 characters, written to entry, which holds
// kLongestEntry bytes; gives back its length. extraColumn tells whether a field holds a ";".
std::size_t CutEntry(std::string_view line, bool extended, char* entry, bool& extraColumn)
{
    const std::string_view sortCode = line.substr(0, kSortCodeLength);
    const std::string_view name =
        TrimSpaces(line.substr(0, std::min(line.size(), kNameEnd)).substr(kNameStart));
    const std::size_t fromEnd = extended ? kExtendedMethodFromEnd : kMethodFromEnd;
    const std::string_view method =
        (line.size() > fromEnd ? line.substr(line.size() - fromEnd) : line).substr(0, kMethodLength);
    extraColumn = AddsColumn(sortCode, name, method);

    char* out = Put(entry, sortCode);
    *out++ = ';';
    out = Put(out, name);
    *out++ = ';';
    out = Put(out, method);
    return static_cast<std::size_t>(out - entry);
}

}  // namespace

namespace {

void CutLines(std::string_view text, EntryList& list, ImportResult& result)
{
    if (text.empty()) {
        return;
    }
    char entry[kLongestEntry];
    std::int64_t piece = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t lineFeed = text.find('\n', start);
        const bool endsInLineFeed = lineFeed != std::string_view::npos;
        std::string_view line = text.substr(start, (endsInLineFeed ? lineFeed : text.size()) - start);
        // The published file has CR LF line ends; left in place, the CR would shift
        // the method code, which is counted from the end of the line. A CR that ends
        // the text is the end of a last line that lost its LF.
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        line = TrimSpaces(line);
        if (!line.empty()) {
            if (line.size() < kNameStart) {
                result.failure = LineTooShort(piece + 1);
                result.linesRead = piece + 1;
                return;
            }
            const bool extended = EndsInTail(line, kExtendedTailDigits);
            bool extraColumn = false;
            list.append(std::string_view(entry, CutEntry(line, extended, entry, extraColumn)));
            ++result.entriesRead;
            if (extraColumn) {
                CountExtraColumn(line.substr(0, kSortCodeLength), result);
            }
            if (!LooksLikeRecord(line, extended)) {
                CountUnfit(piece + 1, result);
            }
        }
        if (!endsInLineFeed) {
            break;
        }
        start = lineFeed + 1;
        ++piece;
    }
    // The empty piece after a final line feed is no line.
    result.linesRead = text.back() == '\n' ? piece : piece + 1;
}

ImportResult ImportInOnePass(std::string_view text, EntryList& list, LineCutter cutLines)
{
    ImportResult result;
    if (MaybeFailure failure = GuardMemory([&] { cutLines(text, list, result); })) {
        result.failure = std::move(failure);
    }
    return result;
}

// Adds the second half's result to the first's, as one pass over the whole text would
// have given it: line numbers count on, and the second half's entries join the list
// also when a short line stopped it, so that the list holds every entry counted.
void JoinHalves(ImportResult& result, ImportResult& second, MemoryEntryList& first, MemoryEntryList& secondList)
{
    const std::int64_t offset = result.linesRead;
    result.linesRead += second.linesRead;
    result.entriesRead += second.entriesRead;
    if (result.unfitLines == 0 && second.unfitLines > 0) {
        result.firstUnfitLine = offset + second.firstUnfitLine;
    }
    result.unfitLines += second.unfitLines;
    if (result.semicolonNames == 0) {
        result.firstSemicolonCode = std::move(second.firstSemicolonCode);
    }
    result.semicolonNames += second.semicolonNames;
    if (MaybeFailure failure = GuardMemory([&] { first.takeOver(std::move(secondList)); })) {
        result.failure = std::move(failure);
    } else if (second.failure) {
        result.failure = second.failure->number == kErrorLineTooShort ? LineTooShort(result.linesRead)
                                                                      : std::move(second.failure);
    }
}

}  // namespace

ImportResult ImportLines(std::string_view text, EntryList& list, LineCutter cutLines)
{
    // Below this size a second thread costs more than it saves. The fuzzing build sets
    // a small one, so that its short inputs take the two-half way too.
    constexpr std::size_t kSplitFrom = LEITZAHL_IMPORT_SPLIT_FROM;
    const std::size_t middle =
        !list.takesOver() || text.size() < kSplitFrom ? std::string_view::npos : text.find('\n', text.size() / 2);
    if (middle == std::string_view::npos || middle + 1 == text.size()) {
        return ImportInOnePass(text, list, cutLines);
    }
    // The halves meet at a line feed, so no line is cut in two.
    ImportResult result;
    ImportResult second;
    MemoryEntryList first;
    MemoryEntryList secondList;
    if (MaybeFailure failure = GuardMemory([&] {
            // A place per 168 bytes of the whole text in the first list, so that neither
            // joining the halves nor handing them to an empty list moves a place.
            first.reserve(text.size() / kRecordLength + 1);
            secondList.reserve((text.size() - middle) / kRecordLength + 1);
            RunSideBySide([&] { result = ImportInOnePass(text.substr(0, middle + 1), first, cutLines); },
                          [&] { second = ImportInOnePass(text.substr(middle + 1), secondList, cutLines); });
        })) {
        result.failure = std::move(failure);
        return result;
    }
    if (!result.failure) {
        JoinHalves(result, second, first, secondList);
    }
    if (MaybeFailure failure = GuardMemory([&] { list.takeOver(std::move(first)); })) {
        result.failure = std::move(failure);
    }
    return result;
}

ImportResult ImportSortCodeText(std::string_view text, EntryList& list)
{
    return ImportLines(text, list, CutLines);
}

void CountExtraColumn(std::string_view sortCode, ImportResult& result)
{
    if (result.semicolonNames++ == 0) {
        result.firstSemicolonCode = sortCode;
    }
}

void CountUnfit(std::int64_t number, ImportResult& result)
{
    if (result.unfitLines++ == 0) {
        result.firstUnfitLine = number;
    }
}

bool AppendEntry(std::string_view sortCode, std::string_view name, std::string_view method, EntryList& list,
                 ImportResult& result)
{
    name = TrimSpaces(name);
    std::string entry;
    entry.reserve(sortCode.size() + name.size() + method.size() + 2);
    entry.append(sortCode).append(1, ';').append(name).append(1, ';').append(method);
    list.append(entry);
    ++result.entriesRead;
    if (AddsColumn(sortCode, name, method)) {
        CountExtraColumn(sortCode, result);
    }
    return sortCode.size() == kSortCodeLength && AllDigits(sortCode) && !name.empty() &&
           method.size() == kMethodLength;
}

ImportResult ImportFileText(EntryList& list, const std::string& shownName)
{
    RecognisedForm form = RecogniseForm(FileText);
    if (form == RecognisedForm::Zip) {
        std::string member;
        std::string memberName;
        MaybeFailure failure = GuardMemory([&] { return UnpackOnlyMember(FileText, member, memberName); });
        // A damaged archive may be one that another program cut short while it was read.
        if (failure && FileText.damaged()) {
            failure = ReadFailure(shownName, kErrorReadFault);
        }
        if (!failure) {
            form = RecogniseForm(member);
            if (form == RecognisedForm::Zip || (form == RecognisedForm::Text && !StartsLikeSortCodeText(member))) {
                failure = NotSortCodeMember(memberName);
            }
        }
        if (failure) {
            ImportResult result;
            result.failure = std::move(failure);
            return result;
        }
        FileText = std::move(member);
    }
    ImportResult result = form == RecognisedForm::Csv   ? ImportSortCodeCsv(FileText, list)
                          : form == RecognisedForm::Xml ? ImportSortCodeXml(FileText, list)
                                                        : ImportSortCodeText(FileText, list);
    return result;
}

ImportResult ImportSortCodeFile(const std::string& path, EntryList& list)
{
    if (MaybeFailure failure = LoadFileText(path)) {
        ImportResult result;
        result.failure = std::move(failure);
        return result;
    }
    ImportResult result = ImportFileText(list, path);
    if (FileText.damaged() && !result.failure) {
        // Another program cut the file short while it was read.
        result.failure = ReadFailure(path, kErrorReadFault);
    }
    return result;
}

}  // namespace leitzahl
