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

// The square of `set` (a non-empty subset of one ray) nearest the ray's start.
constexpr unsigned nearest_on_ray(std::size_t dir, Bitboard set) {
    return KING_DIRS[dir] > 0 ? static_cast<unsigned>(std::countr_zero(set)) : highest_square(set);
}

// Diagonal rays (+9, +7, -7, -9) are a bishop's; the others a rook's.
constexpr bool is_diagonal_ray(std::size_t dir) { return KING_DIRS[dir] % 8 != 0 && KING_DIRS[dir] != 1 && KING_DIRS[dir] != -1; }

// The tables are built on first read, once, safely under concurrent first
// readers, and read without locking afterwards.
const AttackMasks& knight_attack_masks();
const AttackMasks& king_attack_masks();

}  // namespace plindervox
