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

// Lead bytes from 0xC4 on start characters above U+00FF.
bool HoldsWideCharacter(std::string_view utf8)
{
    return std::any_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xC4; });
}

// UTF-8 of characters up to U+00FF to ISO 8859-1.
std::string ToLatin1(std::string_view utf8)
{
    std::string latin1;
    latin1.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte >= 0xC0 && i + 1 < utf8.size()) {
            latin1 += static_cast<char>((byte & 0x03) << 6 | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        } else {
            latin1 += static_cast<char>(byte);
        }
    }
    return latin1;
}

struct Record {
    std::string sortCode;
    std::string name;
    std::string method;
    std::string validFrom;
    std::string validTill;
    bool lineBreak = false;
};

}  // namespace

ImportResult ImportSortCodeXml(std::string_view text, EntryList& list)
{
    ImportResult result;
    result.form = InputForm::Xml;
    MemoryEntryList utf8;
    Record record;
    std::int64_t number = 0;
    result.failure = GuardMemory([&] {
        return ReadXmlElements(text, [&](int depth, std::string_view name, std::string_view field) {
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
                ++number;
                const std::size_t before = utf8.count();
                if (!AppendEntry(record.sortCode, record.name, record.method, utf8, result) || record.lineBreak) {
                    CountUnfit(number, result);
                }
                if (HoldsWideCharacter(utf8.entry(before)) && result.wideCharacterEntries++ == 0) {
                    result.firstWideCharacterCode = record.sortCode;
                }
            } else if (name == "FileHdr") {
                result.validFrom = record.validFrom;
                result.validTill = record.validTill;
            }
            record = Record();
        });
    });
    result.linesRead = number;
    // Entries appended before a failure stay in the list, as with the other forms.
    const bool latin1 = result.wideCharacterEntries == 0;
    if (MaybeFailure failure = GuardMemory([&] {
            for (std::size_t i = 0; i < utf8.count(); ++i) {
                if (latin1) {
                    list.append(ToLatin1(utf8.entry(i)));
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
