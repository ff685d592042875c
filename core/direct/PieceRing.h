#pragma once
// The pieces of an unpacked file, handed from the unpacking on one core to the reading on another.

#include <array>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>

namespace leitzahl {

// The pieces handed on in order, each back once read: a few, small enough to stay in the
// cache between the two cores, so that the unpacking fills one while another is read.
class PieceRing {
public:
    static constexpr std::size_t kPieceSize = LEITZAHL_UNPACK_PIECE;
    static constexpr std::size_t kPieces = 4;

    PieceRing();

    // The unpacking's side: the room for the next piece, once the reading has given it
    // back; nullptr once stopped. fill hands it on with its bytes, 0 at the file's end.
    char* emptyPiece();
    void fill(std::size_t made);

    // The reading's side: the next piece's bytes, empty at the file's end; nothing once
    // stopped and the pieces filled before are read. giveBack hands the piece back once
    // it is read.
    std::optional<std::string_view> fullPiece();
    void giveBack();

    // Either side stops, for a failure or as it gives up; the other then stops too.
    void stop();

private:
    struct Piece {
        std::unique_ptr<char[]> bytes;
        std::size_t made = 0;
        bool full = false;
    };
    std::array<Piece, kPieces> pieces_;
    std::size_t filling_ = 0;
    std::size_t reading_ = 0;
    bool stopped_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
};

}  // namespace leitzahl
