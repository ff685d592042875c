#include "core/modSortCodeImport.h"

#include "core/forms/InputForm.h"
#include "core/MemoryEntryList.h"
#include "core/RecordLines.h"
#include "core/forms/SortCodeCsv.h"
#include "core/forms/SortCodeXml.h"
#include "core/SideBySide.h"
#include "core/system/SystemFile.h"
#include "core/text/TextRules.h"
#include "core/text/Utf8Text.h"
#include "core/forms/ZipMember.h"
#include "core/modFileToTextBox.h"

#include <algorithm>

namespace leitzahl {

namespace {

using namespace record;

// Appends each entry to the list, through a place on the stack.
class ListPlace {
public:
    explicit ListPlace(EntryList& list) : list_(list) {}
    char* room() { return entry_; }
    bool keep(std::size_t size)
    {
        list_.append(std::string_view(entry_, size));
        return true;
    }

private:
    EntryList& list_;
    char entry_[LongestEntry(true)];
};

template <bool utf8>
void CutLines(std::string_view text, EntryList& list, ImportResult& result)
{
    ListPlace place(list);
    CutRecordLines(text, utf8, result, place);
}

ImportResult ImportInOnePass(std::string_view text, EntryList& list, LineCutter cutLines)
{
    ImportResult result;
    if (MaybeFailure failure = GuardMemory([&] { cutLines(text, list, result); })) {
        result.failure = std::move(failure);
    }
    return result;
}

}  // namespace

std::size_t HalvesMeetAt(std::string_view text)
{
    // Below this size a second thread costs more than it saves. The fuzzing build sets
    // a small one, so that its short inputs take the two-half way too.
    constexpr std::size_t kSplitFrom = LEITZAHL_IMPORT_SPLIT_FROM;
    const std::size_t middle = text.size() < kSplitFrom ? std::string_view::npos : text.find('\n', text.size() / 2);
    return middle == std::string_view::npos || middle + 1 == text.size() ? std::string_view::npos : middle;
}

void AddSecondHalf(ImportResult& result, ImportResult& second)
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
    if (second.failure) {
        result.failure = second.failure->number == kErrorLineTooShort ? LineTooShort(result.linesRead)
                                                                      : std::move(second.failure);
    }
}

ImportResult ImportLines(std::string_view text, EntryList& list, LineCutter cutLines)
{
    const std::size_t middle = list.takesOver() ? HalvesMeetAt(text) : std::string_view::npos;
    if (middle == std::string_view::npos) {
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
        AddSecondHalf(result, second);
        // The second half's entries join the list also when a short line stopped it, so
        // that the list holds every entry counted.
        if (MaybeFailure failure = GuardMemory([&] { first.takeOver(std::move(secondList)); })) {
            result.failure = std::move(failure);
        }
    }
    if (MaybeFailure failure = GuardMemory([&] { list.takeOver(std::move(first)); })) {
        result.failure = std::move(failure);
    }
    return result;
}

ImportResult ImportSortCodeText(std::string_view text, EntryList& list)
{
    // A byte-order mark is no part of the first record.
    text = WithoutUtf8Mark(text);
    return ImportLines(text, list, IsUtf8Text(text) ? CutLines<true> : CutLines<false>);
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
    return CountEntry(sortCode, name, method, AddsColumn(sortCode, name, method), result);
}

bool CountEntry(std::string_view sortCode, std::string_view name, std::string_view method, bool extraColumn,
                ImportResult& result)
{
    ++result.entriesRead;
    if (extraColumn) {
        CountExtraColumn(sortCode, result);
    }
    return FieldsFitRecord(sortCode, name, method);
}

ImportResult ImportFileText(EntryList& list, const std::string& shownName)
{
    RecognisedForm form = RecogniseForm(FileText);
    if (form == RecognisedForm::Zip) {
        UnpackedMember member;
        std::string memberName;
        MaybeFailure failure = GuardMemory([&] { return UnpackOnlyMember(FileText, member, memberName); });
        // A damaged archive may be one that another program cut short while it was read.
        if (failure && FileText.damaged()) {
            failure = ReadFailure(shownName, kErrorReadFault);
        }
        if (!failure) {
            form = RecogniseForm(member.view());
            if (form == RecognisedForm::Zip ||
                (form == RecognisedForm::Text && !StartsLikeSortCodeText(member.view()))) {
                failure = NotSortCodeMember(memberName);
            }
        }
        if (failure) {
            ImportResult result;
            result.failure = std::move(failure);
            return result;
        }
        FileText.takeOutput(std::move(member.bytes), member.size);
    }
    ImportResult result = form == RecognisedForm::Csv   ? ImportSortCodeCsv(FileText, list)
                          : form == RecognisedForm::Xml ? ImportSortCodeXml(FileText, list)
                                                        : ImportSortCodeText(FileText, list);
    return result;
}

ImportResult ImportLoadedText(EntryList& list, const std::string& shownName)
{
    ImportResult result = ImportFileText(list, shownName);
    if (FileText.damaged() && !result.failure) {
        // Another program cut the file short while it was read.
        result.failure = ReadFailure(shownName, kErrorReadFault);
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
    return ImportLoadedText(list, path);
}

}  // namespace leitzahl
