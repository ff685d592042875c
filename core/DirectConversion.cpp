#include "core/DirectConversion.h"

#include "core/CsvPlace.h"
#include "core/forms/InputForm.h"
#include "core/RecordLines.h"
#include "core/SideBySide.h"
#include "core/ZippedConversion.h"
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

constexpr std::size_t kCrowded = static_cast<std::size_t>(-1);

// Moves the second half's lines whose keys the first half did not keep to follow the
// first half's; gives back the bytes of both, or kCrowded where keys crowd the set.
std::size_t JoinHalves(CsvPlace& first, CsvPlace& second, std::size_t& secondKept)
{
    char* const out = const_cast<char*>(first.text().data() + first.text().size());
    std::string_view lines = second.text();
    secondKept = second.kept();
    if (first.kept() == 0 || secondKept == 0 ||
        (first.ascending() && second.ascending() && KeyOrder(second.firstKey()) >= KeyOrder(first.lastKey()))) {
        // The second half follows on from the first; its first line goes where it
        // repeats the first half's last key.
        if (first.kept() > 0 && secondKept > 0 && KeyOrder(second.firstKey()) == KeyOrder(first.lastKey())) {
            lines.remove_prefix(second.firstLineBytes());
            --secondKept;
        }
        PrepareForWriting(out, lines.size());
        std::memmove(out, lines.data(), lines.size());
        return first.text().size() + lines.size();
    }
    SeenKeys* const keys = first.keys();
    if (keys == nullptr) {
        return kCrowded;
    }
    // The second half's lines are each of its own key, so each may join the set.
    char* next = out;
    secondKept = 0;
    while (!lines.empty()) {
        const std::size_t lineBytes = lines.find('\n') + 1;
        const Insertion insertion = keys->insert(PackedKey(lines.substr(0, CsvPlace::kKeyLength)));
        if (insertion == Insertion::Crowded) {
            return kCrowded;
        }
        if (insertion == Insertion::New) {
            std::memmove(next, lines.data(), lineBytes);
            next += lineBytes;
            ++secondKept;
        }
        lines.remove_prefix(lineBytes);
    }
    return static_cast<std::size_t>(next - first.text().data());
}

}  // namespace

DirectConversion ConvertTextDirectly(const std::string& shownName)
{
    DirectConversion conversion;
    std::string_view text = FileText.view();
    const RecognisedForm form = RecogniseForm(text);
    if (form == RecognisedForm::Zip) {
        return ConvertZippedTextDirectly(shownName);
    }
    if (form != RecognisedForm::Text) {
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
    std::size_t secondKept = 0;
    std::size_t size = kCrowded;
    if (GuardMemory([&] { size = JoinHalves(firstPlace, secondPlace, secondKept); }) || size == kCrowded) {
        return DirectConversion();
    }
    if (FileText.damaged()) {
        conversion.imported.failure = ReadFailure(shownName, kErrorReadFault);
        conversion.done = true;
        return conversion;
    }
    conversion.kept = firstPlace.kept() + secondKept;
    conversion.done = true;
    // No line feed after the last entry.
    FileText.takeOutput(std::move(output), size > 0 ? size - 1 : 0);
    return conversion;
}

}  // namespace leitzahl
