// Pawn moves, found for all pawns at once by shifting whole sets: single
// pushes, double pushes, captures, then en passant captures.
#include "board/legal_plan.hpp"
#include "board/movegen.hpp"

namespace plindervox {
namespace {

inline constexpr char32_t PROMOTION_LETTERS[] = {U'q', U'r', U'n', U'b'};

constexpr Bitboard shift_up(Bitboard set, int squares) { return set << squares; }
constexpr Bitboard shift_down(Bitboard set, int squares) { return set >> squares; }

inline void add_promotions(MoveBuffer& out, unsigned from, unsigned to) {
    for (const char32_t letter : PROMOTION_LETTERS) out.push(from, to, letter);
}

inline void add_pawn_move(MoveBuffer& out, unsigned from, unsigned to, Bitboard promotion_squares) {
    if (!contains(promotion_squares, to)) {
        out.push(from, to);
        return;
    }
    add_promotions(out, from, to);
}

bool holds_pawn(Bitboard own_pawns, int square, Bitboard allowed_files) {
    return square >= 0 && square < SQUARE_COUNT && contains(own_pawns & allowed_files, static_cast<unsigned>(square));
}

// Everything that differs between the two colours; the steps below are shared.
struct PawnGeometry {
    int forward;              // +8 for White, -8 for Black
    Bitboard double_rank;     // where a double push lands
    Bitboard promotion_squares;
    int first_capture_from;   // offset from destination to the first candidate origin
    Bitboard first_files;     // files that origin may stand on
    int second_capture_from;
    Bitboard second_files;
};

constexpr PawnGeometry WHITE_PAWNS = {8, RANK_4, RANK_8, -9, NOT_H_FILE, -7, NOT_A_FILE};
constexpr PawnGeometry BLACK_PAWNS = {-8, RANK_5, RANK_1, 9, NOT_A_FILE, 7, NOT_H_FILE};

Bitboard advance(Bitboard set, bool white) { return white ? shift_up(set, 8) : shift_down(set, 8); }

// The four promotions onto every square of `targets`, each from `offset`
// squares away, highest destination first.
void add_promotion_pushes(MoveBuffer& out, Bitboard targets, int offset) {
    while (targets != 0) {
        const Square to = pop_highest(targets);
        add_promotions(out, static_cast<unsigned>(static_cast<int>(to) + offset), to);
    }
}

// Single pushes onto every square of `targets`, highest destination first,
// the plain ones written in one run. The promotion rank is the top one for
// White and the bottom one for Black, so White's promotions come before the
// plain pushes and Black's after them.
void add_pushes(MoveBuffer& out, Bitboard targets, const PawnGeometry& g) {
    const Bitboard promoting = targets & g.promotion_squares;
    const bool promotions_first = g.forward > 0;
    if (promotions_first) add_promotion_pushes(out, promoting, -g.forward);
    out.push_each_onto_highest_first(targets & ~g.promotion_squares, -g.forward);
    if (!promotions_first) add_promotion_pushes(out, promoting, -g.forward);
}

// Own pawns beside and one rank behind the en passant square.
Bitboard en_passant_origins(Bitboard own_pawns, Square en_passant, bool white) {
    const Bitboard target = square_mask(en_passant);
    if (white) {
        return own_pawns & ((shift_down(target, 7) & RANK_5 & NOT_A_FILE) | (shift_down(target, 9) & RANK_5 & NOT_H_FILE));
    }
    return own_pawns & ((shift_up(target, 9) & RANK_4 & NOT_A_FILE) | (shift_up(target, 7) & RANK_4 & NOT_H_FILE));
}

}  // namespace

// Whether a push, double push or capture of the side `white` ends on the
// square; shared with the reach test. One square is looked at from behind:
// a pawn one step back (or two, over an empty square, onto the double-push
// rank) pushes onto it when it is empty, a pawn diagonally behind captures
// onto it when it holds a piece of the other side.
bool pawn_reaches(const Board& board, unsigned square, bool white) {
    const Bitboard own_pawns = board.pawns & colour_pieces(board, white);
    const Bitboard target = square_mask(square);
    const Bitboard empty = ~(board.white_pieces | board.black_pieces);
    if ((target & empty) != 0) {
        const Bitboard one_back = advance(target, !white);
        if ((own_pawns & one_back) != 0) return true;
        return (target & (white ? RANK_4 : RANK_5)) != 0 && (one_back & empty) != 0 &&
               (own_pawns & advance(one_back, !white)) != 0;
    }
    return (target & colour_pieces(board, !white)) != 0 && (own_pawns & pawn_attacks(target, !white)) != 0;
}

Bitboard pawn_reach(const Board& board, bool white) {
    const Bitboard own_pawns = board.pawns & colour_pieces(board, white);
    const Bitboard empty = ~(board.white_pieces | board.black_pieces);
    const Bitboard single = advance(own_pawns, white) & empty;
    const Bitboard double_push = advance(single, white) & empty & (white ? RANK_4 : RANK_5);
    return single | double_push | (pawn_attacks(own_pawns, white) & colour_pieces(board, !white));
}

bool pawn_reaches_en_passant(const Board& board, bool white) {
    return board.en_passant_square &&
           en_passant_origins(board.pawns & colour_pieces(board, white), *board.en_passant_square, white) != 0;
}

template <class Destinations>
void add_pawn_moves_within(const Board& board, MoveBuffer& out, const Destinations& destinations) {
    const bool white = board.turn;
    const PawnGeometry& g = white ? WHITE_PAWNS : BLACK_PAWNS;
    const Bitboard own_pawns = board.pawns & own_pieces(board);
    const Bitboard empty = ~(board.white_pieces | board.black_pieces);

    const bool ask_each = destinations.asks_each_pawn(own_pawns);
    const Bitboard allowed = ask_each ? ~Bitboard{0} : destinations.pawn_targets();
    const auto keep = [&](unsigned from, unsigned to) { return !ask_each || destinations.pawn_move(from, to); };

    const Bitboard single = advance(own_pawns, white) & empty;
    const Bitboard doubles = advance(single, white) & empty & g.double_rank;
    if (ask_each) {  // a pinned pawn: every push is asked about
        for (Bitboard targets = single; targets != 0;) {
            const Square to = pop_highest(targets);
            if (destinations.pawn_move(to - g.forward, to)) add_pawn_move(out, to - g.forward, to, g.promotion_squares);
        }
        for (Bitboard targets = doubles; targets != 0;) {
            const Square to = pop_highest(targets);
            if (destinations.pawn_move(to - 2 * g.forward, to)) out.push(to - 2 * g.forward, to);
        }
    } else {
        add_pushes(out, single & allowed, g);
        out.push_each_onto_highest_first(doubles & allowed, -2 * g.forward);
    }

    for (Bitboard targets = pawn_attacks(own_pawns, white) & opponent_pieces(board) & allowed; targets != 0;) {
        const Square to = pop_highest(targets);
        const int first = to + g.first_capture_from;
        const int second = to + g.second_capture_from;
        if (holds_pawn(own_pawns, first, g.first_files) && keep(first, to)) add_pawn_move(out, first, to, g.promotion_squares);
        if (holds_pawn(own_pawns, second, g.second_files) && keep(second, to)) {
            add_pawn_move(out, second, to, g.promotion_squares);
        }
    }

    if (!board.en_passant_square) return;
    const Square en_passant = *board.en_passant_square;
    for (Bitboard origins = en_passant_origins(own_pawns, en_passant, white); origins != 0;) {
        const Square from = pop_highest(origins);
        if (destinations.pawn_move(from, en_passant)) out.push(from, en_passant);
    }
}

template void add_pawn_moves_within(const Board&, MoveBuffer&, const AnyDestination&);
template void add_pawn_moves_within(const Board&, MoveBuffer&, const SafeDestination&);
template void add_pawn_moves_within(const Board&, MoveBuffer&, const OnlyMove&);

void add_pawn_moves(const Board& board, MoveBuffer& out) { add_pawn_moves_within(board, out, AnyDestination{}); }

}  // namespace plindervox
