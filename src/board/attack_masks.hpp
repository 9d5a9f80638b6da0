// Knight and king step tables, built once per process on first use.
#pragma once

#include <array>
#include <cstdint>

#include "board/squares.hpp"

namespace plindervox {

using AttackMasks = std::array<Bitboard, SQUARE_COUNT>;

// Squares reached from `square` by the offsets of `dirs`, keeping only steps
// shorter than `distance_limit` (a longer step wrapped around a side edge).
Bitboard get_attack_masks(Square square, const std::array<std::int8_t, 8>& dirs, std::int8_t distance_limit);

// RAY_MASKS[i][s]: the squares a slider on s passes along direction
// KING_DIRS[i] on an empty board, stopping at the edge as the ray walk does.
inline constexpr std::array<std::array<Bitboard, SQUARE_COUNT>, 8> RAY_MASKS = [] {
    std::array<std::array<Bitboard, SQUARE_COUNT>, 8> masks{};
    for (std::size_t dir = 0; dir < KING_DIRS.size(); ++dir) {
        for (unsigned square = 0; square < SQUARE_COUNT; ++square) {
            unsigned previous = square;
            for (unsigned next = step(square, KING_DIRS[dir]); on_board(next) && distance(previous, next) <= 1;
                 previous = next, next = step(next, KING_DIRS[dir])) {
                masks[dir][square] |= square_mask(next);
            }
        }
    }
    return masks;
}();

// Ray indices of the bishop's directions (+9, +7, -7, -9) and the rook's
// (+8, +1, -1, -8), each in the order the pieces' moves are listed.
inline constexpr std::array<std::size_t, 4> DIAGONAL_RAYS = {0, 2, 5, 7};
inline constexpr std::array<std::size_t, 4> ORTHOGONAL_RAYS = {1, 3, 4, 6};

// Every square along the four rays of DIAGONAL_RAYS (or ORTHOGONAL_RAYS) from
// a square: where a slider must stand to be able to reach it at all.
inline constexpr auto lines_of(const std::array<std::size_t, 4>& rays) {
    std::array<Bitboard, SQUARE_COUNT> lines{};
    for (unsigned square = 0; square < SQUARE_COUNT; ++square) {
        for (const std::size_t dir : rays) lines[square] |= RAY_MASKS[dir][square];
    }
    return lines;
}
inline constexpr std::array<Bitboard, SQUARE_COUNT> DIAGONAL_LINES = lines_of(DIAGONAL_RAYS);
inline constexpr std::array<Bitboard, SQUARE_COUNT> ORTHOGONAL_LINES = lines_of(ORTHOGONAL_RAYS);

// The square of `set` (a non-empty subset of one ray) nearest the ray's start.
constexpr unsigned nearest_on_ray(std::size_t dir, Bitboard set) {
    return KING_DIRS[dir] > 0 ? static_cast<unsigned>(std::countr_zero(set)) : highest_square(set);
}

// Diagonal rays (+9, +7, -7, -9) are a bishop's; the others a rook's.
constexpr bool is_diagonal_ray(std::size_t dir) { return KING_DIRS[dir] % 8 != 0 && KING_DIRS[dir] != 1 && KING_DIRS[dir] != -1; }

// All 64 masks of a step table (attack_masks.cpp).
AttackMasks build_masks(const std::array<std::int8_t, 8>& dirs, std::int8_t distance_limit);

// The tables are built on first read, once, safely under concurrent first
// readers (function-local statics), and read without locking afterwards.
// Inline, so that the hot paths pay a load and a test per read, not a call;
// forced, as the compiler stops inlining them once enough generators read them.
[[gnu::always_inline]] inline const AttackMasks& knight_attack_masks() {
    static const AttackMasks masks = build_masks(KNIGHT_DIRS, 3);
    return masks;
}

[[gnu::always_inline]] inline const AttackMasks& king_attack_masks() {
    static const AttackMasks masks = build_masks(KING_DIRS, 2);
    return masks;
}

}  // namespace plindervox
