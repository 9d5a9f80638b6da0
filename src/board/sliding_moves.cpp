// Bishop, rook and queen moves. Each ray runs, nearest square first, until it
// leaves the board, would wrap round a side edge, meets an own piece (not
// included) or captures an opposing one: the ray's squares up to its first
// occupied one, that one kept unless it is the mover's own.
#include "board/attack_masks.hpp"
#include "board/movegen.hpp"

namespace plindervox {
namespace {

// The queen's directions are KING_DIRS in their own order.
constexpr std::array<std::size_t, 8> QUEEN_RAYS = {0, 1, 2, 3, 4, 5, 6, 7};

template <std::size_t N>
void add_slides(const Board& board, Bitboard pieces, const std::array<std::size_t, N>& rays, MoveBuffer& out) {
    const Bitboard own = own_pieces(board);
    const Bitboard occupied = board.white_pieces | board.black_pieces;
    for (Bitboard origins = pieces & own; origins != 0;) {
        const Square from = pop_highest(origins);
        for (const std::size_t dir : rays) {
            Bitboard targets = RAY_MASKS[dir][from];
            const Bitboard blockers = targets & occupied;
            if (blockers != 0) targets &= ~RAY_MASKS[dir][nearest_on_ray(dir, blockers)];
            targets &= ~own;
            // Nearest first: upward rays from the lowest square, downward ones from the highest.
            if (KING_DIRS[dir] > 0) {
                for (; targets != 0; targets &= targets - 1) out.push(from, static_cast<unsigned>(std::countr_zero(targets)));
            } else {
                while (targets != 0) out.push(from, pop_highest(targets));
            }
        }
    }
}

}  // namespace

void add_bishop_moves(const Board& board, MoveBuffer& out) { add_slides(board, board.bishops, DIAGONAL_RAYS, out); }
void add_rook_moves(const Board& board, MoveBuffer& out) { add_slides(board, board.rooks, ORTHOGONAL_RAYS, out); }
void add_queen_moves(const Board& board, MoveBuffer& out) { add_slides(board, board.queens, QUEEN_RAYS, out); }

}  // namespace plindervox
