#include "core/ZippedConversion.h"

#include "core/CsvPlace.h"
#include "core/RecordLines.h"
#include "core/forms/ZipMember.h"
#include "core/modFileToTextBox.h"
#include "core/system/SystemFile.h"
#include "core/text/Utf8Text.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace leitzahl {

namespace {

using namespace record;

// A few pieces small enough to stay in the cache between the two cores; the unpacking
// fills one while the cutting takes another.
constexpr std::size_t kPieceSize = std::size_t{256} << 10;
constexpr std::size_t kPieces = 4;

// The pieces handed from the unpacking to the cutting, in order, each back once cut.
class PieceRing {
public:
    PieceRing()
    {
        for (Piece& piece : pieces_) {
            piece.bytes = std::make_unique_for_overwrite<char[]>(kPieceSize);
        }
    }

    // The room for the next piece, once the cutting has taken it back; nullptr once stopped.
    char* emptyPiece()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopped_ || !pieces_[filling_ % kPieces].full; });
        return stopped_ ? nullptr : pieces_[filling_ % kPieces].bytes.get();
    }
    // Hands the piece on: made bytes, 0 for the member's end.
    void fill(std::size_t made)
    {
        {
            const std::lock_guard lock(mutex_);
            Piece& piece = pieces_[filling_++ % kPieces];
            piece.made = made;
            piece.full = true;
        }
        changed_.notify_all();
    }
    // The next piece's bytes, empty at the member's end; nullopt once stopped.
    std::optional<std::string_view> fullPiece()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopped_ || pieces_[cutting_ % kPieces].full; });
        if (stopped_) {
            return std::nullopt;
        }
        const Piece& piece = pieces_[cutting_ % kPieces];
        return std::string_view(piece.bytes.get(), piece.made);
    }
    void giveBack()
    {
        {
            const std::lock_guard lock(mutex_);
            pieces_[cutting_++ % kPieces].full = false;
        }
        changed_.notify_all();
    }
    // Either side stops, for a failure or as it gives up; the other then stops too.
    void stop()
    {
        {
            const std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
    }

private:
    struct Piece {
        std::unique_ptr<char[]> bytes;
        std::size_t made = 0;
        bool full = false;
    };
    std::array<Piece, kPieces> pieces_;
    std::size_t filling_ = 0;
    std::size_t cutting_ = 0;
    bool stopped_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
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

// Cuts the unpacked text's lines as they come, a line that two pieces share joined
// first; gives up where the text is not the fixed-width form or needs the list's way.
class StreamCutter {
public:
    explicit StreamCutter(CsvPlace& place) : place_(place) {}

    // False where the short way gives up.
    bool take(std::string_view piece)
    {
        if (first_) {
            // A text that starts so is no other form; a mark is no part of its first record.
            if (!StartsLikeSortCodeText(piece)) {
                return false;
            }
            piece = WithoutUtf8Mark(piece);
        }
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
            if (!cut(carried_)) {
                return false;
            }
            carried_.clear();
        }
        carried_.assign(piece.substr(lastLineFeed + 1));
        return cut(lines);
    }
    // The last line, which no line feed ends; false where no piece came, as for an
    // empty file, which is no sort-code file.
    bool finish() { return !first_ && cut(carried_); }

    ImportResult& imported() { return imported_; }

private:
    bool cut(std::string_view lines)
    {
        if (lines.empty()) {
            return true;
        }
        if (!decision_.take(lines)) {
            return false;
        }
        ImportResult cut;
        if (!CutRecordLines(lines, decision_.utf8(), cut, place_) || cut.failure) {
            return false;
        }
        if (first_) {
            imported_ = std::move(cut);
            first_ = false;
        } else {
            AddSecondHalf(imported_, cut);
        }
        return true;
    }

    CsvPlace& place_;
    Utf8Decision decision_;
    ImportResult imported_;
    std::string carried_;
    bool first_ = true;
};

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
        if (inflater.next(piece, kPieceSize, made)) {
            return false;
        }
        ring.fill(made);
        if (made == 0) {
            return true;
        }
    }
}

// Cuts the ring's pieces until the member's end; false where the short way gives up.
bool CutPieces(PieceRing& ring, StreamCutter& cutter)
{
    for (;;) {
        const std::optional<std::string_view> piece = ring.fullPiece();
        if (!piece) {
            return false;
        }
        if (piece->empty()) {
            return cutter.finish();
        }
        const bool taken = cutter.take(*piece);
        ring.giveBack();
        if (!taken) {
            return false;
        }
    }
}

}  // namespace

DirectConversion ConvertZippedTextDirectly(const std::string& shownName)
{
    DirectConversion conversion;
    PackedMember member;
    std::string name;
    if (FindOnlyMember(FileText.view(), member, name)) {
        return conversion;
    }
    // Room as for a copy re-saved as UTF-8, the larger; pages no line reaches are
    // never touched.
    const std::size_t room = member.size + LongestEntry(true) + 1;
    std::unique_ptr<char[]> output;
    std::optional<PieceRing> ring;
    if (GuardMemory([&] {
            output = std::make_unique_for_overwrite<char[]>(room);
            ring.emplace();
        })) {
        return conversion;
    }
    std::atomic<bool> givenUp = false;
    CsvPlace place(output.get(), room, LongestEntry(true), givenUp);
    StreamCutter cutter(place);
    // Each side stops the other as it ends early, also by an exception; the unpacking's
    // comes back here once the thread is joined.
    bool unpacked = false;
    std::exception_ptr unpackFailure;
    std::thread unpacking;
    try {
        unpacking = std::thread([&] {
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
        return conversion;
    }
    bool cut = false;
    const MaybeFailure memory = GuardMemory([&] {
        try {
            cut = CutPieces(*ring, cutter);
        } catch (...) {
            ring->stop();
            unpacking.join();
            throw;
        }
        if (!cut) {
            ring->stop();
        }
        unpacking.join();
        if (unpackFailure) {
            std::rethrow_exception(unpackFailure);
        }
    });
    if (memory || !cut || !unpacked) {
        return conversion;
    }
    conversion.imported = std::move(cutter.imported());
    if (FileText.damaged()) {
        conversion.imported.failure = ReadFailure(shownName, kErrorReadFault);
        conversion.done = true;
        return conversion;
    }
    const std::size_t size = place.text().size();
    conversion.kept = place.kept();
    conversion.done = true;
    // No line feed after the last entry.
    FileText.takeOutput(std::move(output), size > 0 ? size - 1 : 0);
    return conversion;
}

}  // namespace leitzahl
