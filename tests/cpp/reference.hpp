// A second, deliberately plain implementation of the move rules, kept only
// for the tests: every answer is worked out the long way (the reach test
// builds the other side's whole move list), so the fast core can be checked
// against it. It reads and writes the core's Board record and returns moves
// in the core's order.
#pragma once

#include <optional>
#include <vector>

#include "board/board.hpp"
#include "board/move.hpp"

namespace plindervox::reference {

// Generators for the side to move, each in the core's order.
std::vector<Move> pawn_moves(const Board& board);
std::vector<Move> knight_moves(const Board& board);
std::vector<Move> king_moves(const Board& board);
std::vector<Move> bishop_moves(const Board& board);
std::vector<Move> rook_moves(const Board& board);
std::vector<Move> queen_moves(const Board& board);
std::vector<Move> pseudo_legal_moves(const Board& board);
std::vector<Move> castling_moves(const Board& board);
std::vector<Move> legal_moves(const Board& board);

// Some move of the side not to move would end on `square`.
bool is_attacked(const Board& board, unsigned square);
std::optional<unsigned> king_square(const Board& board, bool white);
bool is_check(const Board& board);
bool is_checkmate(const Board& board);
bool is_stalemate(const Board& board);
bool is_game_over(const Board& board);

bool check_castling_rights(const Board& board);
// 'a', 'k' or 'q'.
void remove_castling_rights(Board& board, char id);

// Plays a generated move (pushing it and a snapshot of the position first);
// throws std::invalid_argument, after the pushes, when no piece stands on the origin.
void apply_move(Board& board, const Move& move);
Move undo(Board& board);

}  // namespace plindervox::reference
