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

// The tables are built on first read, once, safely under concurrent first
// readers, and read without locking afterwards.
const AttackMasks& knight_attack_masks();
const AttackMasks& king_attack_masks();

}  // namespace plindervox
