#include "core/direct/PieceRing.h"

namespace leitzahl {

PieceRing::PieceRing()
{
    for (Piece& piece : pieces_) {
        piece.bytes = std::make_unique_for_overwrite<char[]>(kPieceSize);
    }
}

char* PieceRing::emptyPiece()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return stopped_ || !pieces_[filling_ % kPieces].full; });
    return stopped_ ? nullptr : pieces_[filling_ % kPieces].bytes.get();
}

void PieceRing::fill(std::size_t made)
{
    {
        const std::lock_guard lock(mutex_);
        Piece& piece = pieces_[filling_++ % kPieces];
        piece.made = made;
        piece.full = true;
    }
    changed_.notify_all();
}

std::optional<std::string_view> PieceRing::fullPiece()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return stopped_ || pieces_[reading_ % kPieces].full; });
    // Pieces filled before the unpacking stopped are read first, so that how far the
    // reading had got when it stopped changes nothing.
    if (!pieces_[reading_ % kPieces].full) {
        return std::nullopt;
    }
    const Piece& piece = pieces_[reading_ % kPieces];
    return std::string_view(piece.bytes.get(), piece.made);
}

void PieceRing::giveBack()
{
    {
        const std::lock_guard lock(mutex_);
        pieces_[reading_++ % kPieces].full = false;
    }
    changed_.notify_all();
}

void PieceRing::stop()
{
    {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    changed_.notify_all();
}

}  // namespace leitzahl
