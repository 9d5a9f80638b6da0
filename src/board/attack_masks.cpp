#include "board/attack_masks.hpp"

namespace plindervox {

AttackMasks build_masks(const std::array<std::int8_t, 8>& dirs, std::int8_t distance_limit) {
    AttackMasks masks{};
    for (int square = 0; square < SQUARE_COUNT; ++square) {
        masks[square] = get_attack_masks(static_cast<Square>(square), dirs, distance_limit);
    }
    return masks;
}

Bitboard get_attack_masks(Square square, const std::array<std::int8_t, 8>& dirs, std::int8_t distance_limit) {
    Bitboard masks = 0;
    for (const std::int8_t offset : dirs) {
        const unsigned target = step(square, offset);
        if (!on_board(target)) continue;
        if (distance(square, target) < distance_limit) masks |= square_mask(target);
    }
    return masks;
}

}  // namespace plindervox
