// Bishop, rook and queen moves. Each ray runs, nearest square first, until it
// leaves the board, would wrap round a side edge, meets an own piece (not
// included) or captures an opposing one: the ray's squares up to its first
// occupied one, that one kept unless it is the mover's own.
#include "board/attack_masks.hpp"
#include "board/movegen.hpp"

namespace plindervox {
namespace {

// A piece's rays (indices into KING_DIRS and RAY_MASKS) in its listing order.
// For all three pieces every upward ray (towards h8) comes before every
// downward one, so each group can be walked with its own nearest-square rule.
template <std::size_t N>
struct SliderRays {
    std::array<std::size_t, N> up;
    std::array<std::size_t, N> down;
};

constexpr SliderRays<2> BISHOP = {{0, 2}, {5, 7}};             // +9, +7 | -7, -9
constexpr SliderRays<2> ROOK = {{1, 3}, {4, 6}};               // +8, +1 | -1, -8
constexpr SliderRays<4> QUEEN = {{0, 1, 2, 3}, {4, 5, 6, 7}};  // +9, +8, +7, +1 | -1, -7, -8, -9

template <std::size_t N>
void add_slides(const Board& board, Bitboard pieces, const SliderRays<N>& rays, MoveBuffer& out) {
    const Bitboard own = own_pieces(board);
    const Bitboard occupied = board.white_pieces | board.black_pieces;
    for (Bitboard origins = pieces & own; origins != 0;) {
        const Square from = pop_highest(origins);
        // Upward the nearest square is the lowest, downward the highest.
        for (const std::size_t dir : rays.up) {
            Bitboard targets = RAY_MASKS[dir][from];
            const Bitboard blockers = targets & occupied;
            if (blockers != 0) targets &= ~RAY_MASKS[dir][std::countr_zero(blockers)];
            for (targets &= ~own; targets != 0; targets &= targets - 1) {
                out.push(from, static_cast<unsigned>(std::countr_zero(targets)));
            }
        }
        for (const std::size_t dir : rays.down) {
            Bitboard targets = RAY_MASKS[dir][from];
            const Bitboard blockers = targets & occupied;
            if (blockers != 0) targets &= ~RAY_MASKS[dir][highest_square(blockers)];
            for (targets &= ~own; targets != 0;) out.push(from, pop_highest(targets));
        }
    }
}

}  // namespace

void add_bishop_moves(const Board& board, MoveBuffer& out) { add_slides(board, board.bishops, BISHOP, out); }
void add_rook_moves(const Board& board, MoveBuffer& out) { add_slides(board, board.rooks, ROOK, out); }
void add_queen_moves(const Board& board, MoveBuffer& out) { add_slides(board, board.queens, QUEEN, out); }

}  // namespace plindervox
