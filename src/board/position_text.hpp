// The position written back out: as position text (FEN) and square by square.
// (position_text(), which game files and messages use, writes an empty
// castling text "-"; see notation.hpp.)
#pragma once

#include <optional>
#include <string>

#include "board/board.hpp"

namespace plindervox {

// The letter the diagram shows on a square 0-63, or none where it shows ".".
// On overlapping sets the last writer of the diagram wins: a Black letter
// over a White one, and within a colour the later kind in the order pawn,
// rook, knight, bishop, queen, king.
std::optional<char32_t> piece_letter(const Board& board, unsigned square);

// Six fields: the placement of the letters piece_letter gives, "w" or "b",
// the castling text as stored ("-" when absent), the en passant square's
// name or "-", the half-move clock and the full-move number: what fen()
// gives. Loading it gives back every field of a consistent board (see
// docs/reference.md).
std::string stored_position_text(const Board& board);

}  // namespace plindervox
