// Legal moves by trial: each pseudo-legal move is played on the board itself,
// the mover's king is tested, and the move is taken back. Moves whose trial
// is known in advance (see TrialPlan) are decided without one.
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

// What the filter settles before trying any move. On a consistent board
// whose side to move is not in check, a move of a piece other than the king
// can only block or capture, so it leaves the king unreached, unless the
// piece is pinned: the only piece between the king and an opposing slider
// that moves along that line. A pinned piece stays safe exactly while it
// stays on the line. Everything else is tried: king moves, en passant
// captures (they empty a second square), positions in check, boards whose
// sets overlap, and an opponent with several kings, where capturing the
// highest one hands its role to another.
struct TrialPlan {
    Bitboard try_from = ~Bitboard{0};  // origins whose moves are always tried
    Bitboard pinned = 0;
    std::array<Bitboard, 8> pin_lines{};  // by direction from the king
};

TrialPlan plan_trials(const Board& board) {
    TrialPlan plan;
    if (!is_consistent(board) || std::popcount(board.kings & opponent_pieces(board)) > 1) return plan;
    const std::optional<Square> king = king_square(board, board.turn);
    if (!king) {
        plan.try_from = 0;  // no king, nothing to expose
        return plan;
    }
    if (reached_by(board, *king, !board.turn)) return plan;
    plan.try_from = board.kings;
    const Bitboard occupied = board.white_pieces | board.black_pieces;
    for (std::size_t dir = 0; dir < RAY_MASKS.size(); ++dir) {
        const Bitboard line = RAY_MASKS[dir][*king];
        const Bitboard sliders = ((is_diagonal_ray(dir) ? board.bishops : board.rooks) | board.queens) &
                                 opponent_pieces(board);
        if ((line & sliders) == 0) continue;
        const Bitboard blockers = line & occupied;
        const unsigned first = nearest_on_ray(dir, blockers);
        const Bitboard behind = blockers & ~square_mask(first);
        if (!contains(own_pieces(board), first) || behind == 0) continue;
        if (contains(sliders, nearest_on_ray(dir, behind))) {
            plan.pinned |= square_mask(first);
            plan.pin_lines[dir] = line;
        }
    }
    return plan;
}

bool stays_on_pin_line(const TrialPlan& plan, const Move& move) {
    for (const Bitboard line : plan.pin_lines) {
        if (contains(line, move.from_square)) return contains(line, move.to_square);
    }
    return true;
}

bool is_legal(Board& board, const Move& move, const TrialPlan& plan) {
    const bool en_passant = board.en_passant_square == move.to_square && contains(board.pawns, move.from_square);
    if (en_passant || contains(plan.try_from, move.from_square)) return leaves_king_safe(board, move);
    return !contains(plan.pinned, move.from_square) || stays_on_pin_line(plan, move);
}

}  // namespace

std::vector<Move> legal_moves(Board& board) {
    std::vector<Move> legal = castling_moves(board);
    MoveBuffer candidates;
    add_pseudo_legal_moves(board, candidates);
    legal.reserve(legal.size() + candidates.size);
    const TrialPlan plan = plan_trials(board);
    for (const Move& move : candidates) {
        if (is_legal(board, move, plan)) legal.push_back(move);
    }
    return legal;
}

// The same answer as asking whether legal_moves is non-empty, stopping at the first legal move.
bool has_legal_move(Board& board) {
    MoveBuffer candidates;
    add_pseudo_legal_moves(board, candidates);
    const TrialPlan plan = plan_trials(board);
    for (const Move& move : candidates) {
        if (is_legal(board, move, plan)) return true;
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
