// What a game needs beyond the move lists: the position key of the Polyglot
// book format, repeated positions, the move-count rules, insufficient
// material and the result. Each is computed when asked, from the position
// and (for repetitions) the snapshots of the history; nothing is kept.
#pragma once

#include <cstdint>
#include <string>

#include "board/board.hpp"

namespace plindervox {

// The Polyglot key: pieces by the letter each square shows, the castling
// letters K, Q, k, q the rights text holds, the en passant file when a pawn
// of the side to move attacks the en passant square, and White to move
// (zobrist.cpp).
std::uint64_t zobrist_hash(const Board& board);

// Whether the current position has occurred at least `count` times in the
// game: the positions before each recorded move, and the current one.
bool is_repetition(Board& board, std::uint32_t count);
bool is_fivefold_repetition(Board& board);
// The half-move clock has reached 100 (150) and the side to move has a legal move.
bool is_fifty_moves(Board& board);
bool is_seventyfive_moves(Board& board);
// No pawn, rook or queen; besides the kings nothing, one knight, or bishops
// all on squares of one colour.
bool is_insufficient_material(const Board& board);
// "1-0", "0-1", "1/2-1/2" or "*".
std::string result(Board& board, bool claim_draw);

}  // namespace plindervox
