// Legal moves by trial: each pseudo-legal move is played on the board itself,
// the mover's king is tested, and the move is taken back.
#include "board/apply.hpp"
#include "board/movegen.hpp"

namespace plindervox {
namespace {

// Plays the move, asks whether the mover's king is then reached by the
// opponent, and puts the position back. A side without a king is never in
// check. The history is not involved: the board ends as it started.
bool leaves_king_safe(Board& board, const Move& move) {
    const bool mover = board.turn;
    BoardState before = snapshot(board);
    play_move(board, move);
    const std::optional<Square> king = king_square(board, mover);
    const bool safe = !king || !reached_by(board, *king, !mover);
    restore(board, std::move(before));
    return safe;
}

}  // namespace

std::vector<Move> legal_moves(Board& board) {
    std::vector<Move> legal = castling_moves(board);
    MoveBuffer candidates;
    add_pseudo_legal_moves(board, candidates);
    legal.reserve(legal.size() + candidates.size);
    for (const Move& move : candidates) {
        if (leaves_king_safe(board, move)) legal.push_back(move);
    }
    return legal;
}

// The same answer as asking whether legal_moves is non-empty, stopping at the first legal move.
bool has_legal_move(Board& board) {
    MoveBuffer candidates;
    add_pseudo_legal_moves(board, candidates);
    for (const Move& move : candidates) {
        if (leaves_king_safe(board, move)) return true;
    }
    return !castling_moves(board).empty();
}

bool is_checkmate(Board& board) { return is_check(board) && !has_legal_move(board); }

bool is_stalemate(Board& board) { return !is_check(board) && !has_legal_move(board); }

bool is_game_over(Board& board) { return is_checkmate(board) || is_stalemate(board); }

std::uint64_t perft(Board& board, int depth) {
    if (depth <= 0) return 1;
    const std::vector<Move> moves = legal_moves(board);
    if (depth == 1) return moves.size();
    std::uint64_t leaves = 0;
    for (const Move& move : moves) {
        apply_move(board, move);
        leaves += perft(board, depth - 1);
        undo(board);
    }
    return leaves;
}

}  // namespace plindervox
