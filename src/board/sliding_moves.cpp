// Bishop, rook and queen moves. Each ray runs, nearest square first, until it
// leaves the board, would wrap round a side edge, meets an own piece (not
// included) or captures an opposing one: the ray's squares up to its first
// occupied one, that one kept unless it is the mover's own.
#include "board/attack_masks.hpp"
#include "board/legal_plan.hpp"
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

// The first square of every ray of a piece, per square: a piece whose first
// squares all hold own pieces (or lie off the board) has no move.
template <std::size_t N>
constexpr std::array<Bitboard, SQUARE_COUNT> first_steps(const SliderRays<N>& rays) {
    std::array<Bitboard, SQUARE_COUNT> steps{};
    for (unsigned square = 0; square < SQUARE_COUNT; ++square) {
        for (const std::size_t dir : rays.up) steps[square] |= RAY_MASKS[dir][square] & (~RAY_MASKS[dir][square] + 1);
        for (const std::size_t dir : rays.down) {
            if (RAY_MASKS[dir][square] != 0) steps[square] |= square_mask(highest_square(RAY_MASKS[dir][square]));
        }
    }
    return steps;
}

constexpr std::array<Bitboard, SQUARE_COUNT> BISHOP_STEPS = first_steps(BISHOP);
constexpr std::array<Bitboard, SQUARE_COUNT> ROOK_STEPS = first_steps(ROOK);
constexpr std::array<Bitboard, SQUARE_COUNT> QUEEN_STEPS = first_steps(QUEEN);

// The rays are a template argument, fixed when the function is compiled.
template <const auto& rays, class Destinations>
void add_slides(const Board& board, Bitboard pieces, const std::array<Bitboard, SQUARE_COUNT>& first, MoveBuffer& out,
                const Destinations& destinations) {
    const Bitboard own = own_pieces(board);
    const Bitboard occupied = board.white_pieces | board.black_pieces;
    for (Bitboard origins = pieces & own; origins != 0;) {
        const Square from = pop_highest(origins);
        if ((first[from] & ~own) == 0) continue;  // hemmed in by its own side
        const Bitboard excluded = own | ~destinations.from(from);
        // Upward the nearest square is the lowest, downward the highest. The
        // loops are unrolled so that every ray reads its own table row.
#pragma GCC unroll 4
        for (const std::size_t dir : rays.up) {
            Bitboard targets = RAY_MASKS[dir][from];
            const Bitboard blockers = targets & occupied;
            if (blockers != 0) targets &= ~RAY_MASKS[dir][std::countr_zero(blockers)];
            out.push_each_lowest_first(from, targets & ~excluded);
        }
#pragma GCC unroll 4
        for (const std::size_t dir : rays.down) {
            Bitboard targets = RAY_MASKS[dir][from];
            const Bitboard blockers = targets & occupied;
            if (blockers != 0) targets &= ~RAY_MASKS[dir][highest_square(blockers)];
            out.push_each_highest_first(from, targets & ~excluded);
        }
    }
}

}  // namespace

template <class Destinations>
void add_bishop_moves_within(const Board& board, MoveBuffer& out, const Destinations& destinations) {
    add_slides<BISHOP>(board, board.bishops, BISHOP_STEPS, out, destinations);
}
template <class Destinations>
void add_rook_moves_within(const Board& board, MoveBuffer& out, const Destinations& destinations) {
    add_slides<ROOK>(board, board.rooks, ROOK_STEPS, out, destinations);
}
template <class Destinations>
void add_queen_moves_within(const Board& board, MoveBuffer& out, const Destinations& destinations) {
    add_slides<QUEEN>(board, board.queens, QUEEN_STEPS, out, destinations);
}

template void add_bishop_moves_within(const Board&, MoveBuffer&, const AnyDestination&);
template void add_bishop_moves_within(const Board&, MoveBuffer&, const SafeDestination&);
template void add_bishop_moves_within(const Board&, MoveBuffer&, const OnlyMove&);
template void add_rook_moves_within(const Board&, MoveBuffer&, const AnyDestination&);
template void add_rook_moves_within(const Board&, MoveBuffer&, const SafeDestination&);
template void add_rook_moves_within(const Board&, MoveBuffer&, const OnlyMove&);
template void add_queen_moves_within(const Board&, MoveBuffer&, const AnyDestination&);
template void add_queen_moves_within(const Board&, MoveBuffer&, const SafeDestination&);
template void add_queen_moves_within(const Board&, MoveBuffer&, const OnlyMove&);

void add_bishop_moves(const Board& board, MoveBuffer& out) { add_bishop_moves_within(board, out, AnyDestination{}); }
void add_rook_moves(const Board& board, MoveBuffer& out) { add_rook_moves_within(board, out, AnyDestination{}); }
void add_queen_moves(const Board& board, MoveBuffer& out) { add_queen_moves_within(board, out, AnyDestination{}); }

}  // namespace plindervox
