#include "core/direct/ZippedConversion.h"

#include "core/direct/CsvPlace.h"
#include "core/direct/PieceRing.h"
#include "core/RecordLines.h"
#include "core/direct/XmlConversion.h"
#include "core/forms/CsvLines.h"
#include "core/forms/InputForm.h"
#include "core/forms/ZipMember.h"
#include "core/modFileToTextBox.h"
#include "core/system/SystemFile.h"
#include "core/text/Utf8Text.h"

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace leitzahl {

namespace {

using namespace record;

// The results of parts of the text, one after the other, as one pass would give them.
class Results {
public:
    void add(ImportResult& part)
    {
        if (empty_) {
            whole_ = std::move(part);
            empty_ = false;
        } else {
            AddSecondHalf(whole_, part);
        }
    }
    ImportResult& whole() { return whole_; }

private:
    ImportResult whole_;
    bool empty_ = true;
};

// Whether the text's lines are cut in characters of UTF-8: as long as only ASCII has
// come, either way cuts the same; the first high byte decides, and a text that turns
// out not to be UTF-8 after UTF-8 was cut needs the list's way.
class Utf8Decision {
public:
    // False where the lines cut so far were cut wrongly.
    bool take(std::string_view lines)
    {
        if (state_ == State::Latin1) {
            return true;
        }
        if (IsUtf8Text(lines)) {
            state_ = State::Utf8;
        } else if (HoldsHighByte(lines)) {
            if (state_ == State::Utf8) {
                return false;
            }
            state_ = State::Latin1;
        }
        return true;
    }
    bool utf8() const { return state_ != State::Latin1; }

private:
    enum class State { AsciiOnly, Utf8, Latin1 } state_ = State::AsciiOnly;
};

// Hands the unpacked text's whole lines on as they come, a line that two pieces share
// joined first.
class LineStream {
public:
    // Cuts whole lines; false where the short way gives up.
    using Cut = std::function<bool(std::string_view lines)>;

    explicit LineStream(Cut cut) : cut_(std::move(cut)) {}

    bool take(std::string_view piece)
    {
        const std::size_t lastLineFeed = piece.rfind('\n');
        if (lastLineFeed == std::string_view::npos) {
            carried_.append(piece);
            return true;
        }
        std::string_view lines = piece.substr(0, lastLineFeed + 1);
        if (!carried_.empty()) {
            const std::size_t lineFeed = lines.find('\n');
            carried_.append(lines.substr(0, lineFeed + 1));
            lines.remove_prefix(lineFeed + 1);
            if (!cut_(carried_)) {
                return false;
            }
        }
        carried_.assign(piece.substr(lastLineFeed + 1));
        return lines.empty() || cut_(lines);
    }
    // The last line, which no line feed ends.
    bool finish() { return carried_.empty() || cut_(carried_); }

private:
    Cut cut_;
    std::string carried_;
};

// Reads the ring's pieces into lines until the file's end, from the lines of the first,
// whose piece the ring still holds.
bool ReadLines(PieceRing& ring, std::string_view firstLines, LineStream& lines)
{
    bool taken = lines.take(firstLines);
    for (;;) {
        ring.giveBack();
        if (!taken) {
            return false;
        }
        const std::optional<std::string_view> piece = ring.fullPiece();
        if (!piece) {
            return false;
        }
        if (piece->empty()) {
            return lines.finish();
        }
        taken = lines.take(*piece);
    }
}

// Unpacks into the ring until the member is whole; false where it is damaged.
bool Unpack(const PackedMember& member, const std::string& name, PieceRing& ring)
{
    MemberInflater inflater(member, name);
    for (;;) {
        char* const piece = ring.emptyPiece();
        if (piece == nullptr) {
            return false;
        }
        std::size_t made = 0;
        if (inflater.next(piece, PieceRing::kPieceSize, made)) {
            return false;
        }
        ring.fill(made);
        if (made == 0) {
            return true;
        }
    }
}

// Runs read on this thread while the member is unpacked into the ring on another; false
// where either fails or gives up, or no thread can be started. The reading takes the
// file's end only from an unpacking that checked it.
bool ReadWhileUnpacking(const PackedMember& member, const std::string& name, const std::function<bool(PieceRing&)>& read)
{
    std::optional<PieceRing> ring;
    if (GuardMemory([&] { ring.emplace(); })) {
        return false;
    }
    std::exception_ptr unpackFailure;
    std::thread unpacking;
    try {
        unpacking = std::thread([&] {
            bool unpacked = false;
            try {
                unpacked = Unpack(member, name, *ring);
            } catch (...) {
                unpackFailure = std::current_exception();
            }
            if (!unpacked) {
                ring->stop();
            }
        });
    } catch (const std::system_error&) {
        return false;
    }
    // Each side stops the other as it ends early, also by an exception.
    bool done = false;
    try {
        done = read(*ring);
    } catch (...) {
        ring->stop();
        unpacking.join();
        throw;
    }
    if (!done) {
        ring->stop();
    }
    unpacking.join();
    if (unpackFailure) {
        std::rethrow_exception(unpackFailure);
    }
    return done;
}

// Room as for a copy re-saved as UTF-8, the larger; pages no line reaches are never
// touched.
struct Room {
    explicit Room(std::size_t unpacked)
        : size(unpacked + LongestEntry(true) + 1), bytes(std::make_unique_for_overwrite<char[]>(size))
    {
    }
    std::size_t size;
    std::unique_ptr<char[]> bytes;
};

MadeCsv Made(ImportResult imported, Room& room, const CsvPlace& place)
{
    MadeCsv made;
    made.conversion.imported = std::move(imported);
    made.conversion.done = true;
    made.conversion.kept = place.kept();
    made.size = place.text().size();
    made.bytes = std::move(room.bytes);
    return made;
}

// The fixed-width text, from its first piece, which starts like it.
MadeCsv ReadRecords(PieceRing& ring, std::string_view first, std::size_t unpacked)
{
    Room room(unpacked);
    std::atomic<bool> givenUp = false;
    CsvPlace place(room.bytes.get(), room.size, LongestEntry(true), givenUp);
    Utf8Decision decision;
    Results results;
    LineStream lines([&](std::string_view text) {
        ImportResult cut;
        if (!decision.take(text) || !CutRecordLines(text, decision.utf8(), cut, place) || cut.failure) {
            return false;
        }
        results.add(cut);
        return true;
    });
    // A mark is no part of the first record.
    if (!ReadLines(ring, WithoutUtf8Mark(first), lines)) {
        return MadeCsv();
    }
    return Made(std::move(results.whole()), room, place);
}

// The CSV form, from its first piece, which holds its first line whole: the header
// skipped by it, and a line feed in it, so that no CR alone ends the lines.
MadeCsv ReadCsv(PieceRing& ring, std::string_view first, std::size_t unpacked)
{
    Room room(unpacked);
    std::atomic<bool> givenUp = false;
    CsvPlace place(room.bytes.get(), room.size, LongestEntry(true), givenUp);
    Results results;
    LineStream lines([&](std::string_view text) {
        ImportResult cut;
        if (!CutCsvLinesInto(text, cut, place)) {
            return false;
        }
        results.add(cut);
        return true;
    });
    const csv::CsvBody body = csv::BodyOf(WithoutUtf8Mark(first));
    if (!ReadLines(ring, body.lines, lines)) {
        return MadeCsv();
    }
    MadeCsv made = Made(std::move(results.whole()), room, place);
    ImportResult& imported = made.conversion.imported;
    imported.form = InputForm::Csv;
    // Line numbers count the header and any blank lines before it too.
    imported.linesRead += body.linesBefore;
    imported.firstUnfitLine += imported.unfitLines > 0 ? body.linesBefore : 0;
    return made;
}

// The XML form, parsed piece by piece from its first.
MadeCsv ReadXml(PieceRing& ring, std::string_view first, std::size_t unpacked)
{
    std::optional<std::string_view> piece = first;
    bool given = false;
    const XmlPieces pieces = [&] {
        if (std::exchange(given, true)) {
            if (!piece->empty()) {
                ring.giveBack();
            }
            piece = ring.fullPiece();
            if (!piece) {
                throw ShortWayGivenUp();
            }
        }
        return *piece;
    };
    return ConvertXmlDocument([&](const XmlElementEnd& onEnd) { return ReadXmlElements(pieces, onEnd); }, unpacked);
}

// Reads the member in whichever form its first piece shows; a first piece that does not
// hold the bytes that tell the form takes the list's way.
MadeCsv ReadMember(PieceRing& ring, std::size_t unpacked)
{
    const std::optional<std::string_view> first = ring.fullPiece();
    if (!first || first->empty()) {
        return MadeCsv();  // an empty file is no sort-code file
    }
    if (StartsLikeSortCodeText(*first)) {
        return ReadRecords(ring, *first, unpacked);
    }
    const std::string_view text = WithoutUtf8Mark(*first);
    const std::size_t start = text.find_first_not_of(" \r\n");
    const bool firstLineWhole = start != std::string_view::npos && text.find('\n', start) != std::string_view::npos;
    switch (RecogniseForm(*first)) {
    case RecognisedForm::Csv:
        return firstLineWhole ? ReadCsv(ring, *first, unpacked) : MadeCsv();
    case RecognisedForm::Xml:
        return ReadXml(ring, *first, unpacked);
    default:
        return MadeCsv();
    }
}

}  // namespace

DirectConversion ConvertZippedTextDirectly(const std::string& shownName)
{
    PackedMember member;
    std::string name;
    if (FindOnlyMember(FileText.view(), member, name)) {
        return DirectConversion();
    }
    MadeCsv made;
    if (GuardMemory([&] {
            ReadWhileUnpacking(member, name, [&](PieceRing& ring) {
                made = ReadMember(ring, member.size);
                return made.conversion.done;
            });
        })) {
        return DirectConversion();
    }
    return TakeMadeCsv(std::move(made), shownName);
}

}  // namespace leitzahl
