#include "core/DirectConversion.h"

#include "core/forms/InputForm.h"
#include "core/RecordLines.h"
#include "core/SideBySide.h"
#include "core/text/Utf8Text.h"
#include "core/system/SystemFile.h"
#include "core/modFileToTextBox.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>

namespace leitzahl {

namespace {

using namespace record;

// Room for the CSV lines of a text of records: at most kLongestEntry bytes and a line
// feed from every 168; in a UTF-8 copy, whose records are longer than their entries by
// their bytes beyond 168, as many bytes as the text and one entry more. Shorter lines
// may need more; their text takes the list's way.
std::size_t RoomFor(std::size_t textBytes, bool utf8)
{
    return utf8 ? textBytes + LongestEntry(true) + 1 : (textBytes / kRecordLength + 1) * (kLongestEntry + 1);
}

// A sort code read as a big-endian number, so that keys compare as their bytes do.
std::uint64_t KeyOrder(const char* key)
{
    return __builtin_bswap64(EightBytesAt(key));
}

// Writes each entry with its line feed into the room given, unless its key repeats the
// one before; refuses a key that descends, or an entry the room cannot hold, and gives
// up once the other half has given up.
class CsvPlace {
public:
    CsvPlace(char* begin, std::size_t size, std::size_t longestEntry, std::atomic<bool>& givenUp)
        : begin_(begin), next_(begin), prepared_(begin), end_(begin + size), longestEntry_(longestEntry),
          givenUp_(givenUp)
    {
    }

    char* room()
    {
        if (static_cast<std::size_t>(end_ - next_) <= longestEntry_ || givenUp_.load(std::memory_order_relaxed)) {
            givenUp_.store(true, std::memory_order_relaxed);
            return nullptr;
        }
        if (static_cast<std::size_t>(prepared_ - next_) <= longestEntry_) {
            // Fresh pages a stretch at a time: a fault for each costs a fifth of the time.
            constexpr std::size_t kStretch = 1 << 20;
            const std::size_t stretch = std::min<std::size_t>(kStretch, static_cast<std::size_t>(end_ - prepared_));
            PrepareForWriting(prepared_, stretch);
            prepared_ += stretch;
        }
        return next_;
    }
    bool keep(std::size_t size)
    {
        if (lastKey_ != nullptr) {
            const std::uint64_t key = KeyOrder(next_);
            const std::uint64_t lastKey = KeyOrder(lastKey_);
            if (key < lastKey) {
                givenUp_.store(true, std::memory_order_relaxed);
                return false;
            }
            if (key == lastKey) {
                return true;  // the next entry is written over it
            }
        } else {
            firstLineBytes_ = size + 1;
        }
        lastKey_ = next_;
        next_ += size;
        *next_++ = '\n';
        ++kept_;
        return true;
    }

    std::string_view text() const { return {begin_, static_cast<std::size_t>(next_ - begin_)}; }
    std::size_t kept() const { return kept_; }
    // The first and last kept key, once an entry is kept.
    const char* firstKey() const { return begin_; }
    const char* lastKey() const { return lastKey_; }
    std::size_t firstLineBytes() const { return firstLineBytes_; }

private:
    char* begin_;
    char* next_;
    char* prepared_;  // the room before it is taken in
    char* end_;
    std::size_t longestEntry_;
    std::atomic<bool>& givenUp_;
    const char* lastKey_ = nullptr;
    std::size_t kept_ = 0;
    std::size_t firstLineBytes_ = 0;
};

struct Half {
    bool done = false;
    ImportResult imported;
};

// Cuts text part by part, each part's input pages handed back once it is cut, so that
// input and output are not both held whole.
Half CutHalf(std::string_view text, bool utf8, CsvPlace& place)
{
    // The size from which a text is worth two threads is also a part worth a call to
    // hand its pages back; the fuzzing build's small one gives many parts.
    constexpr std::size_t kPartSize = LEITZAHL_IMPORT_SPLIT_FROM;
    Half half;
    for (bool firstPart = true; !text.empty(); firstPart = false) {
        const std::size_t lineFeed = text.size() <= kPartSize ? std::string_view::npos : text.find('\n', kPartSize);
        const std::string_view part = text.substr(0, lineFeed == std::string_view::npos ? text.size() : lineFeed + 1);
        ImportResult cut;
        if (!CutRecordLines(part, utf8, cut, place)) {
            return half;
        }
        if (firstPart) {
            half.imported = std::move(cut);
        } else {
            AddSecondHalf(half.imported, cut);
        }
        FileText.release(part);
        if (half.imported.failure) {
            break;
        }
        text.remove_prefix(part.size());
    }
    half.done = true;
    return half;
}

}  // namespace

DirectConversion ConvertTextDirectly(const std::string& shownName)
{
    DirectConversion conversion;
    std::string_view text = FileText.view();
    if (RecogniseForm(text) != RecognisedForm::Text) {
        return conversion;
    }
    // A byte-order mark is no part of the first record.
    text = WithoutUtf8Mark(text);
    const bool utf8 = IsUtf8Text(text);
    const std::size_t middle = HalvesMeetAt(text);
    const std::string_view firstText = middle == std::string_view::npos ? text : text.substr(0, middle + 1);
    const std::string_view secondText = text.substr(firstText.size());
    // Pages of the room that no line reaches are never touched.
    const std::size_t firstRoom = RoomFor(firstText.size(), utf8);
    const std::size_t secondRoom = secondText.empty() ? 0 : RoomFor(secondText.size(), utf8);
    std::unique_ptr<char[]> output;
    if (GuardMemory([&] { output = std::make_unique_for_overwrite<char[]>(firstRoom + secondRoom); })) {
        return conversion;
    }
    std::atomic<bool> givenUp = false;
    CsvPlace firstPlace(output.get(), firstRoom, LongestEntry(utf8), givenUp);
    CsvPlace secondPlace(output.get() + firstRoom, secondRoom, LongestEntry(utf8), givenUp);
    Half first;
    Half second;
    if (GuardMemory([&] {
            if (secondText.empty()) {
                first = CutHalf(firstText, utf8, firstPlace);
                second.done = true;
            } else {
                RunSideBySide([&] { first = CutHalf(firstText, utf8, firstPlace); },
                              [&] { second = CutHalf(secondText, utf8, secondPlace); });
            }
        }) ||
        !first.done || !second.done) {
        return conversion;
    }
    conversion.imported = std::move(first.imported);
    if (!conversion.imported.failure) {
        AddSecondHalf(conversion.imported, second.imported);
    }
    if (conversion.imported.failure) {
        conversion.done = true;
        return conversion;
    }
    // The second half follows on from the first where its keys go on ascending; its
    // first line goes where it repeats the first half's last key.
    std::string_view secondLines = secondPlace.text();
    std::size_t secondKept = secondPlace.kept();
    if (firstPlace.kept() > 0 && secondKept > 0) {
        const std::uint64_t secondFirst = KeyOrder(secondPlace.firstKey());
        const std::uint64_t firstLast = KeyOrder(firstPlace.lastKey());
        if (secondFirst < firstLast) {
            return DirectConversion();
        }
        if (secondFirst == firstLast) {
            secondLines.remove_prefix(secondPlace.firstLineBytes());
            --secondKept;
        }
    }
    if (FileText.damaged()) {
        conversion.imported.failure = ReadFailure(shownName, kErrorReadFault);
        conversion.done = true;
        return conversion;
    }
    const std::size_t firstBytes = firstPlace.text().size();
    PrepareForWriting(output.get() + firstBytes, secondLines.size());
    std::memmove(output.get() + firstBytes, secondLines.data(), secondLines.size());
    std::size_t size = firstBytes + secondLines.size();
    // No line feed after the last entry.
    if (size > 0) {
        --size;
    }
    conversion.kept = firstPlace.kept() + secondKept;
    conversion.done = true;
    FileText.takeOutput(std::move(output), size);
    return conversion;
}

}  // namespace leitzahl
