#include "core/forms/SortCodeXml.h"

#include "core/MemoryEntryList.h"
#include "core/forms/XmlElements.h"

#include <algorithm>
#include <string>

namespace leitzahl {

namespace {

constexpr int kRecordDepth = 2;  // below the root: the header and the records
constexpr int kFieldDepth = 3;

std::string_view TrimXmlSpace(std::string_view text)
{
    constexpr std::string_view kSpace = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

}  // namespace

// Lead bytes from 0xC4 on start characters above U+00FF.
bool HoldsWideCharacter(std::string_view utf8)
{
    return std::any_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xC4; });
}

void AppendLatin1(std::string_view utf8, std::string& latin1)
{
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte >= 0xC0 && i + 1 < utf8.size()) {
            latin1 += static_cast<char>((byte & 0x03) << 6 | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        } else {
            latin1 += static_cast<char>(byte);
        }
    }
}

void XmlRecords::operator()(int depth, std::string_view name, std::string_view field)
{
    XmlRecord& record = record_;
    if (depth == kFieldDepth) {
        std::string* slot = name == "BLZ"             ? &record.sortCode
                            : name == "Bezeichnung"   ? &record.name
                            : name == "PruefZiffMeth" ? &record.method
                            : name == "ValidFrom"     ? &record.validFrom
                            : name == "ValidTill"     ? &record.validTill
                                                      : nullptr;
        if (slot != nullptr) {
            const std::string_view trimmed = TrimXmlSpace(field);
            // A method code of spaces stands as in the text form's two columns.
            const bool spaces = slot == &record.method && field.find_first_not_of(' ') == std::string_view::npos;
            *slot = trimmed.empty() && spaces ? field : trimmed;
            // A line break would cut the entry's line of the CSV in two.
            for (char& c : *slot) {
                if (c == '\n' || c == '\r') {
                    c = ' ';
                    record.lineBreak = true;
                }
            }
        }
        return;
    }
    if (depth != kRecordDepth) {
        return;
    }
    if (name == "BLZEintrag") {
        onRecord_(record, ++number_);
    } else if (name == "FileHdr") {
        result_.validFrom = record.validFrom;
        result_.validTill = record.validTill;
    }
    // Cleared rather than replaced, so that the fields keep their room.
    record.sortCode.clear();
    record.name.clear();
    record.method.clear();
    record.validFrom.clear();
    record.validTill.clear();
    record.lineBreak = false;
}

ImportResult ImportSortCodeXml(std::string_view text, EntryList& list)
{
    ImportResult result;
    result.form = InputForm::Xml;
    MemoryEntryList utf8;
    XmlRecords records(result, [&](const XmlRecord& record, std::int64_t number) {
        const std::size_t before = utf8.count();
        if (!AppendEntry(record.sortCode, record.name, record.method, utf8, result) || record.lineBreak) {
            CountUnfit(number, result);
        }
        if (HoldsWideCharacter(utf8.entry(before)) && result.wideCharacterEntries++ == 0) {
            result.firstWideCharacterCode = record.sortCode;
        }
    });
    result.failure = GuardMemory([&] { return ReadXmlElements(text, std::ref(records)); });
    result.linesRead = records.count();
    // Entries appended before a failure stay in the list, as with the other forms.
    const bool latin1 = result.wideCharacterEntries == 0;
    std::string entry;
    if (MaybeFailure failure = GuardMemory([&] {
            for (std::size_t i = 0; i < utf8.count(); ++i) {
                if (latin1) {
                    entry.clear();
                    AppendLatin1(utf8.entry(i), entry);
                    list.append(entry);
                } else {
                    list.append(utf8.entry(i));
                }
            }
        })) {
        result.failure = std::move(failure);
    }
    return result;
}

}  // namespace leitzahl
