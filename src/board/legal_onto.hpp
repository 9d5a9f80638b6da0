// The legal moves that end on one square, without the whole legal list: what
// reading and writing a move's notation asks of the generators.
#pragma once

#include "board/board.hpp"
#include "board/move_buffer.hpp"

namespace plindervox {

// Appends the moves of legal_moves() that end on `to` and are not castling
// moves, in the legal list's order. On a board whose legal filter settles
// every move from its plan, only moves onto `to` are generated; on any other
// board the whole legal list is made and filtered.
void add_legal_moves_onto(Board& board, unsigned to, MoveBuffer& out);

// Whether legal_moves() lists the move (castling moves included).
bool is_listed_legal(Board& board, const Move& move);

constexpr bool same_move(const Move& a, const Move& b) {
    return a.from_square == b.from_square && a.to_square == b.to_square && a.promotion == b.promotion;
}

}  // namespace plindervox
