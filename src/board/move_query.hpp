// Whether one given move is among the moves the board lists, asked of the
// generators for that move alone.
#pragma once

#include "board/board.hpp"

namespace plindervox {

// A move with the same origin, destination and promotion is in the
// pseudo-legal list. Only the generators of the kinds standing on the
// origin run, each letting its pieces go to the destination alone.
bool is_pseudo_legal(const Board& board, const Move& move);

// The same for the legal list: a castling move the rights allow, or a
// pseudo-legal move that leaves the mover's king unreached, found by playing
// it and putting the position back. The board ends as it started.
bool is_legal(Board& board, const Move& move);

}  // namespace plindervox
