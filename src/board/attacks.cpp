// "Reached": a square is reached by a side when some move of that side's
// pseudo-legal list ends on it. This answers the question piece by piece,
// looking outward from the square, without building the list.
#include "board/attack_masks.hpp"
#include "board/movegen.hpp"

namespace plindervox {
namespace {

// The first piece met from `square` along each ray, where it is one of `sliders`.
// Rays are symmetric, so looking outward from the square finds every slider
// whose own ray walk would end on it.
Bitboard slider_attackers(unsigned square, const std::array<std::size_t, 4>& rays, Bitboard occupied,
                          Bitboard sliders) {
    Bitboard found = 0;
    if (sliders == 0) return found;
    for (const std::size_t dir : rays) {
        const Bitboard blockers = RAY_MASKS[dir][square] & occupied;
        if ((RAY_MASKS[dir][square] & sliders) == 0 || blockers == 0) continue;
        found |= square_mask(nearest_on_ray(dir, blockers)) & sliders;
    }
    return found;
}

// Whether a first piece met along some ray from `square` is one of the sliders.
[[gnu::noinline]] bool sliders_reach(unsigned square, Bitboard occupied, Bitboard diagonal, Bitboard orthogonal) {
    return slider_attackers(square, DIAGONAL_RAYS, occupied, diagonal) != 0 ||
           slider_attackers(square, ORTHOGONAL_RAYS, occupied, orthogonal) != 0;
}

}  // namespace

Bitboard stepping_attackers(const Board& board, unsigned square, bool white) {
    const Bitboard side = colour_pieces(board, white);
    // A pawn of `white` on p captures onto square exactly when a pawn of the
    // other colour on square would capture onto p.
    Bitboard found = board.pawns & side & pawn_attacks(square_mask(square), !white);
    found |= knight_attack_masks()[square] & board.knights & side;
    const std::optional<Square> king = king_square(board, white);
    if (king && contains(king_attack_masks()[square], *king)) found |= square_mask(*king);
    return found;
}

namespace {

Bitboard knight_and_king_attacks(const Board& board, bool white) {
    const AttackMasks& knight_masks = knight_attack_masks();
    Bitboard attacked = 0;
    for (Bitboard knights = board.knights & colour_pieces(board, white); knights != 0;) {
        attacked |= knight_masks[pop_highest(knights)];
    }
    if (const std::optional<Square> king = king_square(board, white)) attacked |= king_attack_masks()[*king];
    return attacked;
}

// A set moved `steps` squares along direction Dir (an entry of KING_DIRS).
template <int Dir>
constexpr Bitboard shifted(Bitboard set, int steps) {
    return Dir > 0 ? set << (Dir * steps) : set >> (-Dir * steps);
}

// Squares a step along Dir may land on: a step towards the h-file never
// lands on the a-file, nor one towards the a-file on the h-file.
template <int Dir>
constexpr Bitboard landing_squares() {
    if (Dir == 9 || Dir == 1 || Dir == -7) return NOT_A_FILE;
    if (Dir == 7 || Dir == -1 || Dir == -9) return NOT_H_FILE;
    return ~Bitboard{0};
}

// Every square the pieces reach along Dir, sliding over empty squares up to
// and with the first occupied one: all pieces at once, in three doubling
// steps (a Kogge-Stone fill).
template <int Dir>
Bitboard slide(Bitboard pieces, Bitboard occupied) {
    constexpr Bitboard landing = landing_squares<Dir>();
    Bitboard open = ~occupied & landing;
    pieces |= open & shifted<Dir>(pieces, 1);
    open &= shifted<Dir>(open, 1);
    pieces |= open & shifted<Dir>(pieces, 2);
    open &= shifted<Dir>(open, 2);
    pieces |= open & shifted<Dir>(pieces, 4);
    return shifted<Dir>(pieces, 1) & landing;
}

// Every square the bishops, rooks and queens of that side attack, were the
// board occupied as `occupied` says: each line up to and with its first occupied square.
Bitboard slider_attacks(const Board& board, Bitboard occupied, bool white) {
    const Bitboard side = colour_pieces(board, white);
    const Bitboard diagonal = (board.bishops | board.queens) & side;
    const Bitboard orthogonal = (board.rooks | board.queens) & side;
    return slide<9>(diagonal, occupied) | slide<7>(diagonal, occupied) | slide<-7>(diagonal, occupied) |
           slide<-9>(diagonal, occupied) | slide<8>(orthogonal, occupied) | slide<1>(orthogonal, occupied) |
           slide<-1>(orthogonal, occupied) | slide<-8>(orthogonal, occupied);
}

}  // namespace

Bitboard stepping_attacks(const Board& board, bool white) {
    return pawn_attacks(board.pawns & colour_pieces(board, white), white) | knight_and_king_attacks(board, white);
}

Bitboard reached_squares(const Board& board, bool white) {
    const Bitboard side = colour_pieces(board, white);
    Bitboard reached = pawn_reach(board, white);
    if (pawn_reaches_en_passant(board, white)) reached |= square_mask(*board.en_passant_square);
    const Bitboard pieces = knight_and_king_attacks(board, white) |
                            slider_attacks(board, board.white_pieces | board.black_pieces, white);
    return reached | (pieces & ~side);
}

Bitboard slider_attackers_of(const Board& board, unsigned square, Bitboard occupied, bool white) {
    const Bitboard side = colour_pieces(board, white);
    return slider_attackers(square, DIAGONAL_RAYS, occupied,
                            (board.bishops | board.queens) & side & DIAGONAL_LINES[square]) |
           slider_attackers(square, ORTHOGONAL_RAYS, occupied,
                            (board.rooks | board.queens) & side & ORTHOGONAL_LINES[square]);
}

Bitboard attackers_of(const Board& board, unsigned square, Bitboard occupied, bool white) {
    return stepping_attackers(board, square, white) | slider_attackers_of(board, square, occupied, white);
}

bool reached_by(const Board& board, unsigned square, bool white) {
    if (!on_board(square)) return false;
    // Pawn pushes reach empty squares, pawn captures squares of the other colour,
    // and an en passant capture its square whatever stands there.
    if (pawn_reaches(board, square, white)) return true;
    if (board.en_passant_square == square && pawn_reaches_en_passant(board, white)) return true;

    // No other piece moves onto a square of its own colour.
    const Bitboard own = colour_pieces(board, white);
    if (contains(own, square)) return false;
    if ((knight_attack_masks()[square] & board.knights & own) != 0) return true;
    const std::optional<Square> king = king_square(board, white);
    if (king && contains(king_attack_masks()[*king], square)) return true;

    // Most squares have no slider of that side on any of their lines; the
    // ray walks are kept apart so that this common answer stays cheap.
    const Bitboard diagonal = (board.bishops | board.queens) & own & DIAGONAL_LINES[square];
    const Bitboard orthogonal = (board.rooks | board.queens) & own & ORTHOGONAL_LINES[square];
    if ((diagonal | orthogonal) == 0) return false;
    return sliders_reach(square, board.white_pieces | board.black_pieces, diagonal, orthogonal);
}

bool is_attacked(const Board& board, unsigned square) { return reached_by(board, square, !board.turn); }

bool is_check(const Board& board) {
    const std::optional<Square> king = king_square(board, board.turn);
    return king && reached_by(board, *king, !board.turn);
}

}  // namespace plindervox
