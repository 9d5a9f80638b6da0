// Legal moves: every pseudo-legal move that does not leave the mover's king
// reached by the opponent. On a consistent board the position after a move is
// known from the move alone, so the filter reads each answer off a plan made
// once per position (see MovePlan); a move it cannot vouch for is tried: played
// on the board itself, the king tested, and the position put back.
#include <algorithm>

#include "board/apply.hpp"
#include "board/attack_masks.hpp"
#include "board/legal_plan.hpp"
#include "board/movegen.hpp"

namespace plindervox {

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
// Each kind set is checked against the union of those before it, without
// branches: the board is almost always consistent, so every check runs anyway.
bool is_consistent(const Board& board) {
    Bitboard kinds = board.pawns;
    Bitboard overlaps = 0;
    for (const Bitboard set : {board.rooks, board.knights, board.bishops, board.queens, board.kings}) {
        overlaps |= kinds & set;
        kinds |= set;
    }
    overlaps |= board.white_pieces & board.black_pieces;
    return overlaps == 0 && kinds == (board.white_pieces | board.black_pieces);
}

namespace {

// The checkers and pins along the eight lines from the king.
void plan_lines(const Board& board, MovePlan& plan, Bitboard& checkers) {
    const Square king = *plan.king;
    const Bitboard occupied = board.white_pieces | board.black_pieces;
    const Bitboard opponent = opponent_pieces(board);
    const Bitboard diagonal = (board.bishops | board.queens) & opponent & DIAGONAL_LINES[king];
    const Bitboard orthogonal = (board.rooks | board.queens) & opponent & ORTHOGONAL_LINES[king];
    if ((diagonal | orthogonal) == 0) return;  // no slider on any line through the king
    for (std::size_t dir = 0; dir < RAY_MASKS.size(); ++dir) {
        const Bitboard line = RAY_MASKS[dir][king];
        const Bitboard sliders = (is_diagonal_ray(dir) ? diagonal : orthogonal) & line;
        if (sliders == 0) continue;
        const Bitboard blockers = line & occupied;
        const unsigned first = nearest_on_ray(dir, blockers);
        if (contains(sliders, first)) {
            checkers |= square_mask(first);
            plan.meets_check &= line & ~RAY_MASKS[dir][first];  // the checker and the squares before it
            continue;
        }
        const Bitboard behind = blockers & ~square_mask(first);
        if (contains(own_pieces(board), first) && behind != 0 && contains(sliders, nearest_on_ray(dir, behind))) {
            plan.pinned |= square_mask(first);
            plan.pin_lines[dir] = line;
        }
    }
}

Bitboard pin_line_of(const MovePlan& plan, unsigned square) {
    for (const Bitboard line : plan.pin_lines) {
        if (contains(line, square)) return line;
    }
    return ~Bitboard{0};
}

// Safe destinations of the king: nothing attacks them once it has left its
// square. Pawns, knights and the king attack the same squares wherever the
// king stands; only the sliders' lines depend on it.
Bitboard safe_king_steps(const Board& board, Square king) {
    const bool opponent = !board.turn;
    Bitboard safe = king_attack_masks()[king] & ~own_pieces(board) & ~stepping_attacks(board, opponent);
    const Bitboard without_king = (board.white_pieces | board.black_pieces) & ~square_mask(king);
    for (Bitboard targets = safe; targets != 0;) {
        const Square to = pop_highest(targets);
        if (slider_attackers_of(board, to, without_king, opponent) != 0) safe &= ~square_mask(to);
    }
    return safe;
}

// Pawn, knight and king checkers, then the slider lines: the checkers, the
// pinned pieces and what answers every check.
void plan_king_safety(const Board& board, MovePlan& plan) {
    const Square king = *plan.king;
    Bitboard checkers = stepping_attackers(board, king, !board.turn);
    if (checkers != 0) plan.meets_check = checkers;  // a capture is the only answer to them
    plan_lines(board, plan, checkers);
    if (has_several(checkers)) plan.meets_check = 0;
    plan.king_to = safe_king_steps(board, king);
    plan.own_lines = plan.pinned | square_mask(king);
}

// An en passant square is ordinary when it is empty and an opposing pawn
// stands behind it: a capture onto it then takes that pawn off and nothing
// else. Returns the pawn, or none.
std::optional<Bitboard> ordinary_en_passant_victim(const Board& board, Square square) {
    const int behind = static_cast<int>(square) + (board.turn ? -8 : 8);
    if (contains(board.white_pieces | board.black_pieces, square) || behind < 0 || behind >= SQUARE_COUNT ||
        !contains(board.pawns & opponent_pieces(board), static_cast<unsigned>(behind))) {
        return std::nullopt;
    }
    return square_mask(static_cast<unsigned>(behind));
}

// By the plan's sets, or played on the board itself when the plan leaves the
// move to a trial (every move of an inconsistent board).
bool is_legal_by_plan_or_trial(Board& board, const Move& move, const MovePlan& plan) {
    if (plan.try_all || contains(plan.try_from, move.from_square) || contains(plan.try_to, move.to_square)) {
        return leaves_king_safe(board, move);
    }
    if (contains(board.pawns, move.from_square)) return pawn_move_is_safe(board, plan, move.from_square, move.to_square);
    return contains(allowed(plan, move.from_square), move.to_square);
}

// Keeps the legal moves of out[first, size) in place, in their order.
void keep_legal(Board& board, MoveBuffer& out, std::size_t first, const MovePlan& plan) {
    std::size_t kept = first;
    for (std::size_t i = first; i < out.size; ++i) {
        const Move move = out[i];
        out.moves[kept] = move;
        kept += is_legal_by_plan_or_trial(board, move, plan);
    }
    out.size = kept;
}

}  // namespace

Bitboard allowed(const MovePlan& plan, unsigned from) {
    if (!contains(plan.own_lines, from)) return plan.meets_check;
    if (from == *plan.king) return plan.king_to;
    return plan.meets_check & pin_line_of(plan, from);
}

MovePlan plan_moves(const Board& board) {
    MovePlan plan;
    if (!is_consistent(board)) return plan;
    plan.try_all = false;
    plan.king = king_square(board, board.turn);
    if (!plan.king) return plan;  // no king to expose, and no move makes one
    const Bitboard own = own_pieces(board);
    const Bitboard their_kings = board.kings & opponent_pieces(board);
    if (has_several(their_kings)) plan.try_to = square_mask(highest_square(their_kings));
    if (has_several(board.kings & own)) plan.try_from = square_mask(*plan.king);
    if (board.en_passant_square) {
        if (const auto victim = ordinary_en_passant_victim(board, *board.en_passant_square)) {
            plan.en_passant = board.en_passant_square;
            plan.en_passant_victim = *victim;
        } else {
            plan.try_to |= square_mask(*board.en_passant_square);  // a capture onto it does something else
        }
    }
    plan_king_safety(board, plan);
    return plan;
}

bool pawn_move_is_safe(const Board& board, const MovePlan& plan, unsigned from, unsigned to) {
    if (plan.en_passant != to) return contains(allowed(plan, from), to);
    const Bitboard captured = plan.en_passant_victim;
    const Bitboard after = (board.white_pieces | board.black_pieces) ^ square_mask(from) ^ square_mask(to) ^ captured;
    return (attackers_of(board, *plan.king, after, !board.turn) & ~captured) == 0;
}

namespace {

// Every pseudo-legal move that does not leave the mover's king reached, in
// generation order.
void add_legal_piece_moves(Board& board, MoveBuffer& out) {
    const MovePlan plan = plan_moves(board);
    if (!plan.try_all && !plan.king) {
        add_pseudo_legal_moves(board, out);  // no king to expose
    } else if (plan.settles_every_move()) {
        add_pseudo_legal_moves_within(board, out, SafeDestination{board, plan});
    } else {
        const std::size_t first = out.size;
        add_pseudo_legal_moves(board, out);
        keep_legal(board, out, first, plan);
    }
}

}  // namespace

void add_legal_moves(Board& board, MoveBuffer& out) {
    add_castling_moves(board, out);
    add_legal_piece_moves(board, out);
}

std::vector<Move> legal_moves(Board& board) {
    std::vector<Move> legal = castling_moves(board);
    MoveBuffer moves;
    add_legal_piece_moves(board, moves);
    legal.insert(legal.end(), moves.begin(), moves.end());
    return legal;
}

// The same answer as asking whether legal_moves is non-empty. Where every
// move is tried, the trials stop at the first legal one; castling is looked
// at only when no other move is legal.
bool has_legal_move(Board& board) {
    MoveBuffer candidates;
    if (is_consistent(board)) {
        add_legal_piece_moves(board, candidates);
        if (candidates.size > 0) return true;
    } else {
        add_pseudo_legal_moves(board, candidates);
        const auto safe = [&](const Move& move) { return leaves_king_safe(board, move); };
        if (std::any_of(candidates.begin(), candidates.end(), safe)) return true;
    }
    return !castling_moves(board).empty();
}

bool is_checkmate(Board& board) { return is_check(board) && !has_legal_move(board); }

bool is_stalemate(Board& board) { return !is_check(board) && !has_legal_move(board); }

// Checkmate or stalemate: in check or not, the side to move has no legal
// move, so the check test that tells the two apart is not needed.
bool is_game_over(Board& board) { return !has_legal_move(board); }

namespace {

template <class Moves>
std::uint64_t perft_below(Board& board, int depth, const Moves& moves) {
    std::uint64_t leaves = 0;
    for (const Move& move : moves) {
        apply_move(board, move);
        leaves += perft(board, depth - 1);
        undo(board);
    }
    return leaves;
}

}  // namespace

std::uint64_t perft(Board& board, int depth) {
    if (depth <= 0) return 1;
    if (!castling_moves_fit_buffer(board)) {
        const std::vector<Move> moves = legal_moves(board);
        return depth == 1 ? moves.size() : perft_below(board, depth, moves);
    }
    MoveBuffer moves;
    add_legal_moves(board, moves);
    return depth == 1 ? moves.size : perft_below(board, depth, moves);
}

}  // namespace plindervox
