#include "board/move_query.hpp"

#include <algorithm>

#include "board/legal_plan.hpp"
#include "board/movegen.hpp"

namespace plindervox {
namespace {

bool same_move(const Move& a, const Move& b) {
    return a.from_square == b.from_square && a.to_square == b.to_square && a.promotion == b.promotion;
}

bool lists(const MoveBuffer& moves, const Move& move) {
    return std::any_of(moves.begin(), moves.end(), [&](const Move& listed) { return same_move(listed, move); });
}

// Castling moves start on the king's square of either side and have no promotion.
bool may_be_castling(const Move& move) {
    return !has_promotion(move) && (move.from_square == 4 || move.from_square == 60);
}

}  // namespace

bool is_pseudo_legal(const Board& board, const Move& move) {
    if (!on_board(move.from_square) || !on_board(move.to_square)) return false;
    const unsigned from = move.from_square;
    if (!contains(own_pieces(board), from)) return false;  // every generator moves own pieces only
    const OnlyMove only{from, square_mask(move.to_square)};
    MoveBuffer moves;
    if (contains(board.pawns, from)) add_pawn_moves_within(board, moves, only);
    if (contains(board.knights, from)) add_knight_moves_within(board, moves, only);
    if (king_square(board, board.turn) == from) add_king_moves_within(board, moves, only);
    if (contains(board.bishops, from)) add_bishop_moves_within(board, moves, only);
    if (contains(board.rooks, from)) add_rook_moves_within(board, moves, only);
    if (contains(board.queens, from)) add_queen_moves_within(board, moves, only);
    return lists(moves, move);
}

bool is_legal(Board& board, const Move& move) {
    if (may_be_castling(move)) {
        const std::vector<Move> castling = castling_moves(board);
        if (std::any_of(castling.begin(), castling.end(), [&](const Move& listed) { return same_move(listed, move); })) {
            return true;
        }
    }
    return is_pseudo_legal(board, move) && leaves_king_safe(board, move);
}

}  // namespace plindervox
