#pragma once

// The fixed-width record's rules, and the cutting of a text's lines into entries, which
// the list's import and the converter's direct way share.
#include "core/forms/InputForm.h"
#include "core/text/TextRules.h"
#include "core/modSortCodeImport.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace leitzahl::record {

constexpr std::size_t kSortCodeLength = 8;
constexpr std::size_t kNameStart = 9;  // after the sort code and one flag character
constexpr std::size_t kNameEnd = 67;
constexpr std::size_t kMethodFromEnd = 18;  // the method code leads the record's last 18 characters
constexpr std::size_t kExtendedMethodFromEnd = 24;  // ... and the extended record's last 24
constexpr std::size_t kMethodLength = 2;
constexpr std::size_t kRecordLength = 168;
constexpr std::size_t kLongestRecordLength = 174;  // with the IBAN rule
constexpr std::size_t kSuccessorDigits = 8;
constexpr std::size_t kExtendedTailDigits = 14;  // the successor and the IBAN rule with its version

// Whether all eight bytes of word are digits: each high half is 3, and each low half
// stays below 16 when 6 is added.
constexpr bool EightDigits(std::uint64_t word)
{
    constexpr std::uint64_t kHighHalves = 0xF0F0F0F0F0F0F0F0ULL;
    constexpr std::uint64_t kThrees = 0x3030303030303030ULL;
    return (word & kHighHalves) == kThrees && ((word + 0x0606060606060606ULL) & kHighHalves) == kThrees;
}

inline std::uint64_t EightBytesAt(const char* bytes)
{
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// Every line has several fields of digits to check: eight bytes at a time.
inline bool AllDigits(std::string_view text)
{
    while (text.size() >= 8) {
        if (!EightDigits(EightBytesAt(text.data()))) {
            return false;
        }
        text.remove_prefix(8);
    }
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

inline bool IsChangeFlag(char c)
{
    return c == 'A' || c == 'D' || c == 'U' || c == 'M';
}

// The end of a record: change flag, deletion flag, then digits.
inline bool EndsInTail(std::string_view line, std::size_t digits)
{
    if (line.size() < digits + 2) {
        return false;
    }
    const std::string_view tail = line.substr(line.size() - digits - 2);
    return IsChangeFlag(tail[0]) && (tail[1] == '0' || tail[1] == '1') && AllDigits(tail.substr(2));
}

// A sort code, then the record's kind: head office (1) or branch (2).
inline bool StartsWithSortCodeAndKind(std::string_view line)
{
    return line.size() > kSortCodeLength && AllDigits(line.substr(0, kSortCodeLength)) &&
           (line[kSortCodeLength] == '1' || line[kSortCodeLength] == '2');
}

// A ZIP's member that starts like the fixed-width file.
inline bool StartsLikeSortCodeText(std::string_view text)
{
    text = WithoutUtf8Mark(text);
    return StartsWithSortCodeAndKind(text.substr(std::min(text.find_first_not_of(" \r\n"), text.size())));
}

// length: the line's characters.
inline bool LooksLikeRecord(std::string_view line, std::size_t length, bool extended)
{
    return length >= kRecordLength && length <= kLongestRecordLength && StartsWithSortCodeAndKind(line) &&
           (extended || EndsInTail(line, kSuccessorDigits));
}

inline Failure LineTooShort(std::int64_t lineNumber)
{
    return Failure{kErrorLineTooShort,
                   "Zeile " + std::to_string(lineNumber) +
                       " ist zu kurz für einen Eintrag der Bankleitzahlendatei."};
}

// The most bytes an entry takes: in a UTF-8 copy a character may take four.
constexpr std::size_t LongestEntry(bool utf8)
{
    return utf8 ? 4 * (kLongestEntry - 2) + 2 : kLongestEntry;
}

inline char* Put(char* out, std::string_view piece)
{
    return std::copy(piece.begin(), piece.end(), out);
}

// A record without a name or a method code (only spaces) does not look like one in any form.
inline bool LacksNameOrMethod(std::string_view name, std::string_view method)
{
    return TrimSpaces(name).empty() || TrimSpaces(method).empty();
}

// The fields of a CSV or XML record, its name trimmed, as a record of the sort-code file
// has them.
inline bool FieldsFitRecord(std::string_view sortCode, std::string_view name, std::string_view method)
{
    return sortCode.size() == kSortCodeLength && AllDigits(sortCode) && method.size() == kMethodLength &&
           !LacksNameOrMethod(name, method);
}

// A ";" in any of the entry's fields adds a column to its line of the CSV.
inline bool AddsColumn(std::string_view sortCode, std::string_view name, std::string_view method)
{
    const auto holds = [](std::string_view field) { return field.find(';') != std::string_view::npos; };
    return holds(name) || holds(sortCode) || holds(method);
}

// A trimmed line's fields, where they lie in its bytes, and its length in characters.
struct LineFields {
    std::size_t length = 0;
    std::string_view sortCode;
    std::string_view nameField;  // not yet trimmed
    std::string_view method;
};

inline bool HoldsHighByte(std::string_view text)
{
    while (text.size() >= 8) {
        if ((EightBytesAt(text.data()) & 0x8080808080808080ULL) != 0) {
            return true;
        }
        text.remove_prefix(8);
    }
    return std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; });
}

// The byte where the character count characters after the one at byte from starts, or
// the line's end; in a line of valid UTF-8 every byte but 10xxxxxx starts a character.
// A character takes four bytes at most, so that an entry fits its room even in a text
// that another program changed after it was checked.
inline std::size_t Utf8Advance(std::string_view line, std::size_t from, std::size_t count)
{
    for (std::size_t run = 0; from < line.size(); ++from) {
        const bool starts = (line[from] & 0xC0) != 0x80 || run == 4;
        run = starts ? 1 : run + 1;
        if (starts && count-- == 0) {
            break;
        }
    }
    return from;
}

// The characters of a line of UTF-8: its bytes but the continuation bytes (10xxxxxx),
// eight at a time.
inline std::size_t Utf8Length(std::string_view line)
{
    std::size_t continuations = 0;
    std::string_view rest = line;
    for (; rest.size() >= 8; rest.remove_prefix(8)) {
        const std::uint64_t word = EightBytesAt(rest.data());
        // One bit a continuation byte, summed over the bytes by the multiplication.
        const std::uint64_t marks = (word & ~(word << 1) & 0x8080808080808080ULL) >> 7;
        continuations += static_cast<std::size_t>((marks * 0x0101010101010101ULL) >> 56);
    }
    continuations += static_cast<std::size_t>(
        std::count_if(rest.begin(), rest.end(), [](char c) { return (c & 0xC0) == 0x80; }));
    return line.size() - continuations;
}

// The byte where the count-th character from the end of a line of UTF-8 starts.
inline std::size_t Utf8FromEnd(std::string_view line, std::size_t count)
{
    std::size_t at = line.size();
    for (std::size_t run = 0; at > 0 && count > 0;) {
        --at;
        const bool starts = (line[at] & 0xC0) != 0x80 || ++run == 4;
        if (starts) {
            run = 0;
            --count;
        }
    }
    return at;
}

// Cuts the fields of a line; in a copy re-saved as UTF-8 (utf8) they count characters,
// as the record's 168 do, so that an umlaut's second byte moves nothing.
inline LineFields CutFields(std::string_view line, bool extended, bool utf8)
{
    const std::size_t fromEnd = extended ? kExtendedMethodFromEnd : kMethodFromEnd;
    LineFields fields;
    if (!utf8 || !HoldsHighByte(line)) {
        fields.length = line.size();
        fields.sortCode = line.substr(0, kSortCodeLength);
        fields.nameField = line.substr(0, std::min(line.size(), kNameEnd)).substr(std::min(line.size(), kNameStart));
        fields.method = (line.size() > fromEnd ? line.substr(line.size() - fromEnd) : line).substr(0, kMethodLength);
        return fields;
    }
    fields.length = Utf8Length(line);
    // A record's sort code and kind are digits.
    const bool plainStart = line.size() > kNameStart && !HoldsHighByte(line.substr(0, kNameStart));
    const std::size_t sortCodeEnd = plainStart ? kSortCodeLength : Utf8Advance(line, 0, kSortCodeLength);
    const std::size_t nameStart =
        plainStart ? kNameStart : Utf8Advance(line, sortCodeEnd, kNameStart - kSortCodeLength);
    const std::size_t nameEnd = Utf8Advance(line, nameStart, kNameEnd - kNameStart);
    const std::size_t methodStart = fields.length > fromEnd ? Utf8FromEnd(line, fromEnd) : 0;
    fields.sortCode = line.substr(0, sortCodeEnd);
    fields.nameField = line.substr(nameStart, nameEnd - nameStart);
    fields.method = line.substr(methodStart, Utf8Advance(line, methodStart, kMethodLength) - methodStart);
    return fields;
}

// The entry of a line's fields, written to entry, which holds the longest entry's bytes;
// gives back its length. extraColumn tells whether a field holds a ";".
inline std::size_t CutEntry(const LineFields& fields, char* entry, bool& extraColumn)
{
    const std::string_view name = TrimSpaces(fields.nameField);
    extraColumn = AddsColumn(fields.sortCode, name, fields.method);

    char* out = Put(entry, fields.sortCode);
    *out++ = ';';
    constexpr std::size_t kNameWidth = kNameEnd - kNameStart;
    if (name.data() == fields.nameField.data() && fields.nameField.size() == kNameWidth) {
        // The whole field at once, a copy of known length; only the name's part counts.
        std::memcpy(out, name.data(), kNameWidth);
        out += name.size();
    } else {
        out = Put(out, name);
    }
    *out++ = ';';
    out = Put(out, fields.method);
    return static_cast<std::size_t>(out - entry);
}

// Cuts each line of text into its entry and counts into result; utf8: the text is a copy
// re-saved as UTF-8 (IsUtf8Text). Each entry is written at place.room(), which holds
// LongestEntry(utf8) bytes, then handed on by place.keep(size). Gives back false where
// room() gives nullptr or keep() false: place refused the rest.
template <typename Place>
bool CutRecordLines(std::string_view text, bool utf8, ImportResult& result, Place& place)
{
    if (text.empty()) {
        return true;
    }
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
            const bool extended = EndsInTail(line, kExtendedTailDigits);
            const LineFields fields = CutFields(line, extended, utf8);
            if (fields.length < kNameStart) {
                result.failure = LineTooShort(piece + 1);
                result.linesRead = piece + 1;
                return true;
            }
            bool extraColumn = false;
            char* room = place.room();
            if (room == nullptr || !place.keep(CutEntry(fields, room, extraColumn))) {
                return false;
            }
            ++result.entriesRead;
            if (extraColumn) {
                CountExtraColumn(fields.sortCode, result);
            }
            if (!LooksLikeRecord(line, fields.length, extended) || LacksNameOrMethod(fields.nameField, fields.method)) {
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
    return true;
}

}  // namespace leitzahl::record
