// The pseudo-legal list: every move the side to move could make by the
// movement rules of its pieces, before checks are considered.
#include "board/movegen.hpp"

namespace plindervox {

void add_pseudo_legal_moves(const Board& board, MoveBuffer& out) {
    add_pawn_moves(board, out);
    add_knight_moves(board, out);
    add_king_moves(board, out);
    add_bishop_moves(board, out);
    add_rook_moves(board, out);
    add_queen_moves(board, out);
}

}  // namespace plindervox
