// Playing a move and taking it back.
#pragma once

#include "board/board.hpp"

namespace plindervox {

// Pushes a copy of the move and a snapshot of the position, then plays the
// move: pieces, clocks, en passant square, castling rights, side to move.
// It trusts the move beyond three checks: both squares on the board, a piece
// on the origin, and a promotion letter among q, r, b, n. A failed check
// leaves the position untouched, with both history stacks one entry longer.
void apply_move(Board& board, const Move& move);

// Plays the move on the position only, with the same checks and effects as
// apply_move but nothing recorded: the legal filter's trial moves use it.
void play_move(Board& board, const Move& move);

// Takes the last move off the history and puts the position back as it was
// before it. Fails on an empty history, changing nothing.
Move undo(Board& board);

// Whether a move between these squares resets the half-move clock: an own
// pawn leaves `from_mask` or an opposing piece stands on `to_mask`.
bool resets_half_move_clock(const Board& board, Bitboard from_mask, Bitboard to_mask);

}  // namespace plindervox
