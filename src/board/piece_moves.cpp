// Knight and king moves: one table read per piece.
#include "board/attack_masks.hpp"
#include "board/movegen.hpp"

namespace plindervox {
namespace {

void add_steps(MoveBuffer& out, unsigned from, Bitboard targets) {
    while (targets != 0) out.push(from, pop_highest(targets));
}

}  // namespace

void add_knight_moves(const Board& board, MoveBuffer& out) {
    const AttackMasks& masks = knight_attack_masks();
    const Bitboard own = own_pieces(board);
    for (Bitboard origins = board.knights & own; origins != 0;) {
        const Square from = pop_highest(origins);
        add_steps(out, from, masks[from] & ~own);
    }
}

// Only the highest king of the side moves; a side without a king has no king moves.
void add_king_moves(const Board& board, MoveBuffer& out) {
    const AttackMasks& masks = king_attack_masks();
    const std::optional<Square> from = king_square(board, board.turn);
    if (!from) return;
    add_steps(out, *from, masks[*from] & ~own_pieces(board));
}

}  // namespace plindervox
