// A board's game written in PGN's export format: the seven-tag roster, the
// other tags, a FEN tag where the game did not start from the standard
// position, then the moves in SAN with their numbers, in lines of at most
// 80 characters, and the result.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "board/board.hpp"

namespace plindervox {

using PgnHeaders = std::vector<std::pair<std::string, std::string>>;

// The game from the position before the board's first recorded move (its
// current position when it has none) through its history. Tags given in
// `headers` take the roster's places or follow it, in their order; a
// Result tag given there is kept, else the board's result() is written.
// Rejected (RejectedInput): a tag name that is not letters, digits and "_",
// a tag value with a line break, a move of the history that is not legal
// where it was played, and a history whose positions its moves do not lead
// to (the piece sets or fields were changed between moves).
std::string write_pgn(const Board& board, const PgnHeaders& headers);

}  // namespace plindervox
