// Legal moves by trial: each pseudo-legal move is played on the board itself,
// the mover's king is tested, and the move is taken back. Moves whose trial
// cannot find the king reached are let through without one.
#include "board/apply.hpp"
#include "board/attack_masks.hpp"
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

// Every occupied square holds exactly one piece: one kind, one colour.
bool is_consistent(const Board& board) {
    Bitboard kinds = 0;
    for (const Bitboard set : {board.pawns, board.rooks, board.knights, board.bishops, board.queens, board.kings}) {
        if ((kinds & set) != 0) return false;
        kinds |= set;
    }
    return (board.white_pieces & board.black_pieces) == 0 && kinds == (board.white_pieces | board.black_pieces);
}

// The rays from the king along which an opposing slider of the ray's kind
// stands somewhere: only there can moving a piece away uncover the king.
Bitboard rays_to_opposing_sliders(const Board& board, Square king) {
    const Bitboard opponent = opponent_pieces(board);
    Bitboard rays = 0;
    for (std::size_t dir = 0; dir < RAY_MASKS.size(); ++dir) {
        const Bitboard sliders = (is_diagonal_ray(dir) ? board.bishops : board.rooks) | board.queens;
        if ((RAY_MASKS[dir][king] & sliders & opponent) != 0) rays |= RAY_MASKS[dir][king];
    }
    return rays;
}

// Origins whose moves need a trial. On a consistent board whose side to move
// is not in check, a move of a piece other than the king, from a square on no
// ray between the king and an opposing slider, can only block or capture: it
// never makes the king reached. Everything else is tried: boards whose sets
// overlap, and an opponent with several kings, where capturing the highest
// one hands its role to another.
Bitboard origins_to_try(const Board& board) {
    if (!is_consistent(board) || std::popcount(board.kings & opponent_pieces(board)) > 1) return ~Bitboard{0};
    const std::optional<Square> king = king_square(board, board.turn);
    if (!king) return 0;
    if (reached_by(board, *king, !board.turn)) return ~Bitboard{0};
    return board.kings | rays_to_opposing_sliders(board, *king);
}

bool is_legal(Board& board, const Move& move, Bitboard try_from) {
    // An en passant capture empties a second square, so it is always tried.
    const bool en_passant = board.en_passant_square == move.to_square && contains(board.pawns, move.from_square);
    return (!contains(try_from, move.from_square) && !en_passant) || leaves_king_safe(board, move);
}

}  // namespace

std::vector<Move> legal_moves(Board& board) {
    std::vector<Move> legal = castling_moves(board);
    MoveBuffer candidates;
    add_pseudo_legal_moves(board, candidates);
    legal.reserve(legal.size() + candidates.size);
    const Bitboard try_from = origins_to_try(board);
    for (const Move& move : candidates) {
        if (is_legal(board, move, try_from)) legal.push_back(move);
    }
    return legal;
}

// The same answer as asking whether legal_moves is non-empty, stopping at the first legal move.
bool has_legal_move(Board& board) {
    MoveBuffer candidates;
    add_pseudo_legal_moves(board, candidates);
    const Bitboard try_from = origins_to_try(board);
    for (const Move& move : candidates) {
        if (is_legal(board, move, try_from)) return true;
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
