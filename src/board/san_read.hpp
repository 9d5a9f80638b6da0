// Reading a move written in Standard Algebraic Notation ("Nf3", "exd6",
// "e8=Q", "O-O") against a position, as Board.parse_san reads the text
// (read_san_fields), but answering with what was wrong instead of throwing,
// and able to play the move it finds at once: the PGN reader's way in.
#pragma once

#include <string_view>

#include "board/board.hpp"
#include "board/notation.hpp"

namespace plindervox {

enum class SanFault { none, not_san, illegal, ambiguous };

struct SanReading {
    SanFault fault = SanFault::not_san;
    Move move{0, 0, NO_PROMOTION};  // the legal move named, where fault is none
};

// The legal move of `board` that the text names. The board is unchanged
// afterwards (candidates are played and taken back to test them).
SanReading read_san(Board& board, std::string_view text);

// The same, the move then applied as apply_move applies it (with its
// history entry) when it is legal; the board is unchanged otherwise.
// `consistent`: the caller knows is_consistent(board), so it is not asked.
SanReading play_san(Board& board, std::string_view text, bool consistent);

}  // namespace plindervox
