// "Reached": a square is reached by a side when some move of that side's
// pseudo-legal list ends on it. This answers the question piece by piece,
// looking outward from the square, without building the list.
#include "board/attack_masks.hpp"
#include "board/movegen.hpp"

namespace plindervox {
namespace {

constexpr std::array<std::size_t, 4> DIAGONAL_RAYS = {0, 2, 5, 7};    // +9, +7, -7, -9
constexpr std::array<std::size_t, 4> ORTHOGONAL_RAYS = {1, 3, 4, 6};  // +8, +1, -1, -8

// The first piece met looking from `square` along each ray is one of `sliders`.
// Rays are symmetric, so looking outward from the square finds every slider
// whose own ray walk would end on it.
bool slider_reaches(unsigned square, const std::array<std::size_t, 4>& rays, Bitboard occupied, Bitboard sliders) {
    if (sliders == 0) return false;
    for (const std::size_t dir : rays) {
        const Bitboard blockers = RAY_MASKS[dir][square] & occupied;
        if (blockers == 0) continue;
        if (contains(sliders, nearest_on_ray(dir, blockers))) return true;
    }
    return false;
}

}  // namespace

bool reached_by(const Board& board, unsigned square, bool white) {
    if (!on_board(square)) return false;
    // Pawn pushes reach empty squares, pawn captures squares of the other colour,
    // and an en passant capture its square whatever stands there.
    if (contains(pawn_targets(board, white), square)) return true;
    if (board.en_passant_square == square && pawn_reaches_en_passant(board, white)) return true;

    // No other piece moves onto a square of its own colour.
    const Bitboard own = colour_pieces(board, white);
    if (contains(own, square)) return false;
    if ((knight_attack_masks()[square] & board.knights & own) != 0) return true;
    const std::optional<Square> king = king_square(board, white);
    if (king && contains(king_attack_masks()[*king], square)) return true;

    const Bitboard occupied = board.white_pieces | board.black_pieces;
    return slider_reaches(square, DIAGONAL_RAYS, occupied, (board.bishops | board.queens) & own) ||
           slider_reaches(square, ORTHOGONAL_RAYS, occupied, (board.rooks | board.queens) & own);
}

bool is_attacked(const Board& board, unsigned square) { return reached_by(board, square, !board.turn); }

bool is_check(const Board& board) {
    const std::optional<Square> king = king_square(board, board.turn);
    return king && reached_by(board, *king, !board.turn);
}

}  // namespace plindervox
