// Legal moves: every pseudo-legal move that does not leave the mover's king
// reached by the opponent. On a consistent board the position after a move is
// known from the move alone, so the filter reads each answer off a plan made
// once per position (see MovePlan); a move it cannot vouch for is tried: played
// on the board itself, the king tested, and the position put back.
#include <algorithm>

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

// What the filter knows before looking at any move, on a consistent board
// whose side to move has the king K (its highest king). After a move the
// opponent's en passant square is absent or the square a double push passed,
// which is empty, and no pawn push reaches an occupied square; so K is
// reached afterwards exactly when an opponent piece attacks it: a pawn
// diagonal, a knight or king step, or the first piece along a slider line.
//
// - A king move to t is safe when nothing attacks t with the king gone from
//   K. A piece captured on t attacks nothing on t itself, so it need not be
//   taken off first.
// - Any other move f -> t leaves the opponent's pieces in place but the one
//   captured on t, fills t and empties f. The pieces attacking K now
//   (checkers) keep attacking unless t takes the checker or, for a slider,
//   stands between it and K; with two checkers no single square does both.
//   Emptying f opens only the line from K through f, and only when f is the
//   first piece on it with an opposing slider of that line's kind next: the
//   pin. A pinned piece stays safe exactly while it stays on its line.
// - An en passant capture empties the captured pawn's square as well; its
//   answer is worked out from the occupancy after the capture.
//
// Left to a trial: every move on an inconsistent board; king moves of a side
// with several kings (the highest king after the move may be another one);
// captures of the opponent's highest king while it has another, which then
// takes its role; en passant moves whose square is occupied or whose
// captured pawn is missing, where the capture does something else.
struct MovePlan {
    bool try_all = true;
    std::optional<Square> king;
    Bitboard try_to = 0;    // destinations always tried
    Bitboard try_from = 0;  // origins always tried
    Bitboard look_to = 0;   // destinations of moves not settled by allowed() alone
    Bitboard meets_check = ~Bitboard{0};  // destinations of other pieces that answer every check
    Bitboard pinned = 0;
    std::array<Bitboard, 8> pin_lines{};    // by direction from the king
    Bitboard king_to = 0;  // safe destinations of the king
    Bitboard own_lines = 0;  // the king and the pinned pieces, whose moves have their own destinations
};

// The checkers and pins along the eight lines from the king.
void plan_lines(const Board& board, MovePlan& plan, Bitboard& checkers) {
    const Square king = *plan.king;
    const Bitboard occupied = board.white_pieces | board.black_pieces;
    const Bitboard opponent = opponent_pieces(board);
    const Bitboard diagonal = (board.bishops | board.queens) & opponent & DIAGONAL_LINES[king];
    const Bitboard orthogonal = (board.rooks | board.queens) & opponent & ORTHOGONAL_LINES[king];
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

// The safe destinations of the piece on `from`, one of the own pieces.
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
    const Square king = *plan.king;
    const Bitboard own = own_pieces(board);
    const Bitboard their_kings = board.kings & opponent_pieces(board);
    if (has_several(their_kings)) plan.try_to = square_mask(highest_square(their_kings));
    if (has_several(board.kings & own)) plan.try_from = square_mask(king);
    plan.look_to = plan.try_to | (board.en_passant_square ? square_mask(*board.en_passant_square) : 0);

    // Pawn, knight and king checkers; a capture is the only answer to them.
    Bitboard checkers = stepping_attackers(board, king, !board.turn);
    if (checkers != 0) plan.meets_check = checkers;
    plan_lines(board, plan, checkers);
    if (has_several(checkers)) plan.meets_check = 0;

    plan.king_to = safe_king_steps(board, king);
    plan.own_lines = plan.pinned | square_mask(king);
    return plan;
}

// A pawn move onto the en passant square: an en passant capture by the rules
// of move application, which takes the pawn behind that square off. Returns
// whether the king is safe after it, or none when the capture is not the
// ordinary one (the square occupied, or no opposing pawn behind it).
std::optional<bool> en_passant_is_safe(const Board& board, const MovePlan& plan, const Move& move) {
    const int behind = static_cast<int>(move.to_square) + (board.turn ? -8 : 8);
    const Bitboard occupied = board.white_pieces | board.black_pieces;
    if (contains(occupied, move.to_square) || behind < 0 || behind >= SQUARE_COUNT ||
        !contains(board.pawns & opponent_pieces(board), static_cast<unsigned>(behind))) {
        return std::nullopt;
    }
    const Bitboard captured = square_mask(static_cast<unsigned>(behind));
    const Bitboard after = occupied ^ square_mask(move.from_square) ^ square_mask(move.to_square) ^ captured;
    return (attackers_of(board, *plan.king, after, !board.turn) & ~captured) == 0;
}

// For positions where some moves need a closer look: en passant captures,
// and the moves the plan leaves to a trial.
bool is_legal_special(Board& board, const Move& move, const MovePlan& plan) {
    if (contains(plan.try_from, move.from_square) || contains(plan.try_to, move.to_square)) {
        return leaves_king_safe(board, move);
    }
    if (board.en_passant_square == move.to_square && contains(board.pawns, move.from_square)) {
        const std::optional<bool> safe = en_passant_is_safe(board, plan, move);
        return safe ? *safe : leaves_king_safe(board, move);
    }
    return contains(allowed(plan, move.from_square), move.to_square);
}

// Keeps the legal moves of `moves` in place, in their order; returns how many.
std::size_t keep_legal(Board& board, MoveBuffer& moves) {
    const MovePlan plan = plan_moves(board);
    if (!plan.try_all && !plan.king) return moves.size;
    std::size_t kept = 0;
    const auto keep_if = [&](bool (*legal)(Board&, const Move&, const MovePlan&)) {
        for (std::size_t i = 0; i < moves.size; ++i) {
            const Move move = moves[i];
            moves.moves[kept] = move;
            kept += legal(board, move, plan);
        }
    };
    if (plan.try_all) {
        keep_if([](Board& b, const Move& move, const MovePlan&) { return leaves_king_safe(b, move); });
    } else if (plan.look_to != 0 || plan.try_from != 0) {
        keep_if(is_legal_special);
    } else {
        // The common case, decided by the plan's sets alone; moves before the
        // first illegal one are already in place.
        Move* const list = moves.moves.data();
        const std::size_t count = moves.size;
        const auto legal = [&](const Move& move) {
            const Bitboard to = (contains(plan.own_lines, move.from_square) ? allowed(plan, move.from_square)
                                                                             : plan.meets_check);
            return ((to >> move.to_square) & 1) != 0;
        };
        while (kept < count && legal(list[kept])) ++kept;
        for (std::size_t i = kept; i < count; ++i) {
            if (legal(list[i])) list[kept++] = list[i];
        }
    }
    return kept;
}

}  // namespace

std::vector<Move> legal_moves(Board& board) {
    MoveBuffer candidates;
    add_pseudo_legal_moves(board, candidates);
    const std::size_t kept = keep_legal(board, candidates);
    std::vector<Move> legal;
    legal.reserve(kept + 2);  // room for both castling moves of a usual rights text
    add_castling_moves(board, legal);
    legal.insert(legal.end(), candidates.begin(), candidates.begin() + kept);
    return legal;
}

// The same answer as asking whether legal_moves is non-empty. Where every
// move is tried, the trials stop at the first legal one.
bool has_legal_move(Board& board) {
    MoveBuffer candidates;
    add_pseudo_legal_moves(board, candidates);
    if (!is_consistent(board)) {
        const auto safe = [&](const Move& move) { return leaves_king_safe(board, move); };
        if (std::any_of(candidates.begin(), candidates.end(), safe)) return true;
    } else if (keep_legal(board, candidates) > 0) {
        return true;
    }
    return !castling_moves(board).empty();
}

bool is_checkmate(Board& board) { return is_check(board) && !has_legal_move(board); }

bool is_stalemate(Board& board) { return !is_check(board) && !has_legal_move(board); }

// Checkmate or stalemate: in check or not, the side to move has no legal
// move, so the check test that tells the two apart is not needed.
bool is_game_over(Board& board) { return !has_legal_move(board); }

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
