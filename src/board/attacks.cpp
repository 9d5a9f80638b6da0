// "Reached": a square is reached by a side when some move of that side's
// pseudo-legal list ends on it. This answers the question piece by piece,
// looking outward from the square, without building the list.
#include "board/attack_masks.hpp"
#include "board/movegen.hpp"

namespace plindervox {
namespace {

// The first piece met walking from `square` along `offset` is one of `sliders`.
bool slider_on_ray(unsigned square, int offset, Bitboard occupied, Bitboard sliders) {
    unsigned previous = square;
    for (unsigned next = step(square, offset); on_board(next) && distance(previous, next) <= 1;
         previous = next, next = step(next, offset)) {
        if (contains(occupied, next)) return contains(sliders, next);
    }
    return false;
}

template <std::size_t N>
bool slider_reaches(unsigned square, const std::array<std::int8_t, N>& dirs, Bitboard occupied, Bitboard sliders) {
    if (sliders == 0) return false;
    for (const std::int8_t offset : dirs) {
        if (slider_on_ray(square, -offset, occupied, sliders)) return true;
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
    return slider_reaches(square, BISHOP_DIRS, occupied, (board.bishops | board.queens) & own) ||
           slider_reaches(square, ROOK_DIRS, occupied, (board.rooks | board.queens) & own);
}

bool is_attacked(const Board& board, unsigned square) { return reached_by(board, square, !board.turn); }

bool is_check(const Board& board) {
    const std::optional<Square> king = king_square(board, board.turn);
    return king && reached_by(board, *king, !board.turn);
}

}  // namespace plindervox
