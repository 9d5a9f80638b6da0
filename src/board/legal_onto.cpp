#include "board/legal_onto.hpp"

#include <algorithm>
#include <vector>

#include "board/legal_plan.hpp"
#include "board/movegen.hpp"

namespace plindervox {

void add_legal_moves_onto(Board& board, unsigned to, MoveBuffer& out) {
    if (!on_board(to)) return;
    const MovePlan plan = plan_moves(board);
    if (plan.settles_every_move() && plan.king) {
        // The plan's destination sets cut down to the one square: every
        // generator then lets its pieces go there only, and only where the
        // king stays safe. An en passant capture onto another square is
        // left out with them.
        MovePlan onto = plan;
        const Bitboard target = square_mask(to);
        onto.meets_check &= target;
        onto.king_to &= target;
        if (onto.en_passant != to) onto.en_passant.reset();
        add_pseudo_legal_moves_within(board, out, SafeDestination{board, onto});
        return;
    }
    const std::vector<Move> legal = legal_moves(board);
    const std::size_t castling = castling_moves(board).size();  // the legal list starts with them
    for (std::size_t i = castling; i < legal.size(); ++i) {
        if (legal[i].to_square == to) out.push(legal[i].from_square, legal[i].to_square, legal[i].promotion);
    }
}

bool is_listed_legal(Board& board, const Move& move) {
    const auto same = [&](const Move& other) { return same_move(other, move); };
    const std::vector<Move> castling = castling_moves(board);
    if (std::any_of(castling.begin(), castling.end(), same)) return true;
    if (!on_board(move.to_square) || !on_board(move.from_square)) return false;
    MoveBuffer onto;
    add_legal_moves_onto(board, move.to_square, onto);
    return std::any_of(onto.begin(), onto.end(), same);
}

}  // namespace plindervox
