#pragma once

// The fixed-width record's rules, and the cutting of a text's lines into entries, which
// the list's import and the converter's direct way share.
#include "core/TextRules.h"
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
// A copy re-saved as UTF-8 is longer by the second bytes of its umlauts: at most
// one per character of the name (58), the town (35) and the short name (27) of an
// extended record (174).
constexpr std::size_t kLongestRecordLength = 174 + 58 + 35 + 27;
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

inline bool LooksLikeRecord(std::string_view line, bool extended)
{
    return line.size() >= kRecordLength && line.size() <= kLongestRecordLength && StartsWithSortCodeAndKind(line) &&
           (extended || EndsInTail(line, kSuccessorDigits));
}

inline Failure LineTooShort(std::int64_t lineNumber)
{
    return Failure{kErrorLineTooShort,
                   "Zeile " + std::to_string(lineNumber) +
                       " ist zu kurz für einen Eintrag der Bankleitzahlendatei."};
}

inline char* Put(char* out, std::string_view piece)
{
    return std::copy(piece.begin(), piece.end(), out);
}

// A ";" in any of the entry's fields adds a column to its line of the CSV.
inline bool AddsColumn(std::string_view sortCode, std::string_view name, std::string_view method)
{
    const auto holds = [](std::string_view field) { return field.find(';') != std::string_view::npos; };
    return holds(name) || holds(sortCode) || holds(method);
}

// The entry of a trimmed line of at least 9 characters, written to entry, which holds
// kLongestEntry bytes; gives back its length. extraColumn tells whether a field holds a ";".
inline std::size_t CutEntry(std::string_view line, bool extended, char* entry, bool& extraColumn)
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
    if (name.data() == line.data() + kNameStart && line.size() >= kNameEnd) {
        // The whole field at once, a copy of known length; only the name's part counts.
        std::memcpy(out, name.data(), kNameEnd - kNameStart);
        out += name.size();
    } else {
        out = Put(out, name);
    }
    *out++ = ';';
    out = Put(out, method);
    return static_cast<std::size_t>(out - entry);
}

// Cuts each line of text into its entry and counts into result. Each entry is written
// at place.room(), which holds kLongestEntry bytes, then handed on by place.keep(size).
// Gives back false where room() gives nullptr or keep() false: place refused the rest.
template <typename Place>
bool CutRecordLines(std::string_view text, ImportResult& result, Place& place)
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
            if (line.size() < kNameStart) {
                result.failure = LineTooShort(piece + 1);
                result.linesRead = piece + 1;
                return true;
            }
            const bool extended = EndsInTail(line, kExtendedTailDigits);
            bool extraColumn = false;
            char* room = place.room();
            if (room == nullptr || !place.keep(CutEntry(line, extended, room, extraColumn))) {
                return false;
            }
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
    return true;
}

}  // namespace leitzahl::record
