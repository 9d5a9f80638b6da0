// A caller-owned buffer the generators append to without allocating.
#pragma once

#include <array>
#include <cstddef>

#include "board/move.hpp"
#include "board/squares.hpp"

namespace plindervox {

// No position, however overlapped its piece sets, yields more pseudo-legal
// moves than this: per origin square at most 8 knight, 13 bishop, 14 rook,
// 27 queen and 4 + 1 + 8 pawn moves (push with promotions, double push,
// two captures with promotions), plus 2 en passant and 8 king moves.
inline constexpr std::size_t MAX_PSEUDO_MOVES = 64 * (8 + 13 + 14 + 27 + 4 + 1 + 8) + 2 + 8;
// Room for castling moves before them: a rights text gives at most one move
// per letter, so a text of at most this many bytes always fits. A longer text
// (duplicates are kept, so it may be any length) is listed in a vector.
inline constexpr std::size_t CASTLING_ROOM = 16;

struct MoveBuffer {
    std::array<Move, CASTLING_ROOM + MAX_PSEUDO_MOVES> moves;  // left uninitialised: only [0, size) is ever read
    std::size_t size = 0;

    void push(unsigned from, unsigned to, char32_t promotion = NO_PROMOTION) {
        moves[size++] = Move{from, to, promotion};
    }
    // A move from `from` to every square of `targets`: highest square first,
    // or lowest first.
    void push_each_highest_first(unsigned from, Bitboard targets) {
        if (targets == 0) return;
        Move* next = moves.data() + size;
        while (targets != 0) *next++ = Move{from, pop_highest(targets), NO_PROMOTION};
        size = static_cast<std::size_t>(next - moves.data());
    }
    // A move onto every square of `targets`, each from `offset` squares
    // away: highest destination first.
    void push_each_onto_highest_first(Bitboard targets, int offset) {
        Move* next = moves.data() + size;
        while (targets != 0) {
            const Square to = pop_highest(targets);
            *next++ = Move{static_cast<std::uint32_t>(static_cast<int>(to) + offset), to, NO_PROMOTION};
        }
        size = static_cast<std::size_t>(next - moves.data());
    }
    void push_each_lowest_first(unsigned from, Bitboard targets) {
        if (targets == 0) return;
        Move* next = moves.data() + size;
        for (; targets != 0; targets &= targets - 1) {
            *next++ = Move{from, static_cast<std::uint32_t>(std::countr_zero(targets)), NO_PROMOTION};
        }
        size = static_cast<std::size_t>(next - moves.data());
    }
    const Move* begin() const { return moves.data(); }
    const Move* end() const { return moves.data() + size; }
    const Move& operator[](std::size_t i) const { return moves[i]; }
};

}  // namespace plindervox
