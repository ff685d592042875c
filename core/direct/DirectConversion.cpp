#include "core/direct/DirectConversion.h"

#include "core/direct/CsvPlace.h"
#include "core/forms/CsvLines.h"
#include "core/forms/InputForm.h"
#include "core/RecordLines.h"
#include "core/SideBySide.h"
#include "core/direct/XmlConversion.h"
#include "core/direct/ZippedConversion.h"
#include "core/text/Utf8Text.h"
#include "core/system/SystemFile.h"
#include "core/modFileToTextBox.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>

namespace leitzahl {

namespace {

using namespace record;

// Room for the CSV lines of a text of records: at most kLongestEntry bytes and a line
// feed from every 168; in a UTF-8 copy, whose records are longer than their entries by
// their bytes beyond 168, and in the CSV form, whose records are longer than their
// entries, as many bytes as the text and one entry more. Shorter lines may need more;
// their text takes the list's way.
std::size_t RoomFor(std::size_t textBytes, bool latin1Records)
{
    return latin1Records ? (textBytes / kRecordLength + 1) * (kLongestEntry + 1)
                         : textBytes + LongestEntry(true) + 1;
}

// Cuts a part of whole lines into the place and counts into cut; false where the place
// refused the rest.
using PartCutter = std::function<bool(std::string_view part, ImportResult& cut, CsvPlace& place)>;

struct Half {
    bool done = false;
    ImportResult imported;
};

// Cuts text part by part, each part's input pages handed back once it is cut, so that
// input and output are not both held whole.
Half CutHalf(std::string_view text, const PartCutter& cutPart, CsvPlace& place)
{
    // The size from which a text is worth two threads is also a part worth a call to
    // hand its pages back; the fuzzing build's small one gives many parts.
    constexpr std::size_t kPartSize = LEITZAHL_IMPORT_SPLIT_FROM;
    Half half;
    for (bool firstPart = true; !text.empty(); firstPart = false) {
        const std::size_t lineFeed = text.size() <= kPartSize ? std::string_view::npos : text.find('\n', kPartSize);
        const std::string_view part = text.substr(0, lineFeed == std::string_view::npos ? text.size() : lineFeed + 1);
        ImportResult cut;
        if (!cutPart(part, cut, place)) {
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
        (first.ascending() && second.ascending() && !KeyBefore(second.firstKey(), first.lastKey()))) {
        // The second half follows on from the first; its first line goes where it
        // repeats the first half's last key.
        if (first.kept() > 0 && secondKept > 0 && second.firstKey() == first.lastKey()) {
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
        const Insertion insertion = keys->insert(KeyOfLine(lines.data(), lineBytes - 1));
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

// The short way through two halves at once for a large text; latin1Records: the text's
// records take 168 or 174 bytes each.
MadeCsv ConvertInHalves(std::string_view text, bool latin1Records, std::size_t longestEntry, const PartCutter& cutPart)
{
    MadeCsv made;
    DirectConversion& conversion = made.conversion;
    const std::size_t middle = HalvesMeetAt(text);
    const std::string_view firstText = middle == std::string_view::npos ? text : text.substr(0, middle + 1);
    const std::string_view secondText = text.substr(firstText.size());
    // Pages of the room that no line reaches are never touched.
    const std::size_t firstRoom = RoomFor(firstText.size(), latin1Records);
    const std::size_t secondRoom = secondText.empty() ? 0 : RoomFor(secondText.size(), latin1Records);
    std::unique_ptr<char[]> output;
    if (GuardMemory([&] { output = std::make_unique_for_overwrite<char[]>(firstRoom + secondRoom); })) {
        return made;
    }
    std::atomic<bool> givenUp = false;
    CsvPlace firstPlace(output.get(), firstRoom, longestEntry, givenUp);
    CsvPlace secondPlace(output.get() + firstRoom, secondRoom, longestEntry, givenUp);
    Half first;
    Half second;
    if (GuardMemory([&] {
            if (secondText.empty()) {
                first = CutHalf(firstText, cutPart, firstPlace);
                second.done = true;
            } else {
                RunSideBySide([&] { first = CutHalf(firstText, cutPart, firstPlace); },
                              [&] { second = CutHalf(secondText, cutPart, secondPlace); });
            }
        }) ||
        !first.done || !second.done) {
        return made;
    }
    conversion.imported = std::move(first.imported);
    if (!conversion.imported.failure) {
        AddSecondHalf(conversion.imported, second.imported);
    }
    if (conversion.imported.failure) {
        conversion.done = true;
        return made;
    }
    std::size_t secondKept = 0;
    std::size_t size = kCrowded;
    if (GuardMemory([&] { size = JoinHalves(firstPlace, secondPlace, secondKept); }) || size == kCrowded) {
        return MadeCsv();
    }
    conversion.kept = firstPlace.kept() + secondKept;
    conversion.done = true;
    made.bytes = std::move(output);
    made.size = size;
    return made;
}

DirectConversion ConvertRecordsDirectly(std::string_view text, const std::string& shownName)
{
    // A byte-order mark is no part of the first record.
    text = WithoutUtf8Mark(text);
    const bool utf8 = IsUtf8Text(text);
    return TakeMadeCsv(ConvertInHalves(text, !utf8, LongestEntry(utf8),
                                       [utf8](std::string_view part, ImportResult& cut, CsvPlace& place) {
                                           return CutRecordLines(part, utf8, cut, place);
                                       }),
                       shownName);
}

DirectConversion ConvertCsvDirectly(std::string_view text, const std::string& shownName)
{
    text = WithoutUtf8Mark(text);
    // CR alone at the line ends takes the list's way, which makes them line feeds.
    if (text.find('\n') == std::string_view::npos) {
        return DirectConversion();
    }
    const csv::CsvBody body = csv::BodyOf(text);
    MadeCsv made = ConvertInHalves(body.lines, false, LongestEntry(true), CutCsvLinesInto);
    ImportResult& imported = made.conversion.imported;
    imported.form = InputForm::Csv;
    // Line numbers count the header and any blank lines before it too.
    imported.linesRead += body.linesBefore;
    imported.firstUnfitLine += imported.unfitLines > 0 ? body.linesBefore : 0;
    return TakeMadeCsv(std::move(made), shownName);
}

// Each piece's pages are handed back once it is parsed, so that the document and the
// CSV text are not both held whole.
DirectConversion ConvertXmlDirectly(std::string_view document, const std::string& shownName)
{
    return TakeMadeCsv(ConvertXmlDocument(
                           [document](const XmlElementEnd& onEnd) {
                               return ReadXmlElements(document, onEnd,
                                                      [](std::string_view piece) { FileText.release(piece); });
                           },
                           document.size()),
                       shownName);
}

}  // namespace

DirectConversion ConvertTextDirectly(const std::string& shownName)
{
    const std::string_view text = FileText.view();
    switch (RecogniseForm(text)) {
    case RecognisedForm::Text:
        return ConvertRecordsDirectly(text, shownName);
    case RecognisedForm::Csv:
        return ConvertCsvDirectly(text, shownName);
    case RecognisedForm::Zip:
        return ConvertZippedTextDirectly(shownName);
    case RecognisedForm::Xml:
        return ConvertXmlDirectly(text, shownName);
    }
    return DirectConversion();
}

}  // namespace leitzahl
