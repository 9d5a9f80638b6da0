// The pseudo-legal list: every move the side to move could make by the
// movement rules of its pieces, before checks are considered.
#include "board/legal_plan.hpp"
#include "board/movegen.hpp"

namespace plindervox {

template <class Destinations>
void add_pseudo_legal_moves_within(const Board& board, MoveBuffer& out, const Destinations& destinations) {
    add_pawn_moves_within(board, out, destinations);
    add_knight_moves_within(board, out, destinations);
    add_king_moves_within(board, out, destinations);
    add_bishop_moves_within(board, out, destinations);
    add_rook_moves_within(board, out, destinations);
    add_queen_moves_within(board, out, destinations);
}

template void add_pseudo_legal_moves_within(const Board&, MoveBuffer&, const AnyDestination&);
template void add_pseudo_legal_moves_within(const Board&, MoveBuffer&, const SafeDestination&);

void add_pseudo_legal_moves(const Board& board, MoveBuffer& out) { add_pseudo_legal_moves_within(board, out, AnyDestination{}); }

}  // namespace plindervox
