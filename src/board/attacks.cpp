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

Bitboard stepping_attacks(const Board& board, bool white) {
    const Bitboard side = colour_pieces(board, white);
    Bitboard attacked = pawn_attacks(board.pawns & side, white);
    for (Bitboard knights = board.knights & side; knights != 0;) attacked |= knight_attack_masks()[pop_highest(knights)];
    if (const std::optional<Square> king = king_square(board, white)) attacked |= king_attack_masks()[*king];
    return attacked;
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

    const Bitboard occupied = board.white_pieces | board.black_pieces;
    const Bitboard diagonal = (board.bishops | board.queens) & own & DIAGONAL_LINES[square];
    const Bitboard orthogonal = (board.rooks | board.queens) & own & ORTHOGONAL_LINES[square];
    return slider_attackers(square, DIAGONAL_RAYS, occupied, diagonal) != 0 ||
           slider_attackers(square, ORTHOGONAL_RAYS, occupied, orthogonal) != 0;
}

bool is_attacked(const Board& board, unsigned square) { return reached_by(board, square, !board.turn); }

bool is_check(const Board& board) {
    const std::optional<Square> king = king_square(board, board.turn);
    return king && reached_by(board, *king, !board.turn);
}

}  // namespace plindervox
