// Knight and king moves: one table read per piece.
#include "board/attack_masks.hpp"
#include "board/legal_plan.hpp"
#include "board/movegen.hpp"

namespace plindervox {

template <class Destinations>
void add_knight_moves_within(const Board& board, MoveBuffer& out, const Destinations& destinations) {
    const AttackMasks& masks = knight_attack_masks();
    const Bitboard own = own_pieces(board);
    for (Bitboard origins = board.knights & own; origins != 0;) {
        const Square from = pop_highest(origins);
        out.push_each_highest_first(from, masks[from] & ~own & destinations.from(from));
    }
}

// Only the highest king of the side moves; a side without a king has no king moves.
template <class Destinations>
void add_king_moves_within(const Board& board, MoveBuffer& out, const Destinations& destinations) {
    const AttackMasks& masks = king_attack_masks();
    const std::optional<Square> from = king_square(board, board.turn);
    if (!from) return;
    out.push_each_highest_first(*from, masks[*from] & ~own_pieces(board) & destinations.from(*from));
}

template void add_knight_moves_within(const Board&, MoveBuffer&, const AnyDestination&);
template void add_knight_moves_within(const Board&, MoveBuffer&, const SafeDestination&);
template void add_knight_moves_within(const Board&, MoveBuffer&, const OnlyMove&);
template void add_king_moves_within(const Board&, MoveBuffer&, const AnyDestination&);
template void add_king_moves_within(const Board&, MoveBuffer&, const SafeDestination&);
template void add_king_moves_within(const Board&, MoveBuffer&, const OnlyMove&);

void add_knight_moves(const Board& board, MoveBuffer& out) { add_knight_moves_within(board, out, AnyDestination{}); }
void add_king_moves(const Board& board, MoveBuffer& out) { add_king_moves_within(board, out, AnyDestination{}); }

}  // namespace plindervox
