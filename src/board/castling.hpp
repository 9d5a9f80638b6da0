// Castling rights, kept as the FEN castling text: "K" White king-side, "Q"
// White queen-side, "k" and "q" Black's. The text keeps its order and any
// duplicates; absent and empty both mean nobody may castle.
#pragma once

#include "board/board.hpp"

namespace plindervox {

// The side to move still holds one of its two letters.
bool check_castling_rights(const Board& board);

// "a": drop the whole text (it becomes absent). "k"/"q": remove every
// king-side/queen-side letter of the side to move; the text must be present.
// Anything else fails with "Invalid castling rights".
void remove_castling_rights(Board& board, char32_t id);

}  // namespace plindervox
