// Squares, sets of squares (bitboards) and piece letters: the numbering every
// other file of the core speaks, the constant tables and the small helpers
// the move generators are written with.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace plindervox {

// A square is (rank - 1) * 8 + file index: a1 = 0, h1 = 7, a8 = 56, h8 = 63.
using Square = std::uint8_t;
// Bit n of a bitboard stands for square n.
using Bitboard = std::uint64_t;

inline constexpr int SQUARE_COUNT = 64;

// Piece kinds always come in this order: pawn, rook, knight, bishop, queen, king.
inline constexpr std::array<char32_t, 6> WHITE_PIECES = {U'P', U'R', U'N', U'B', U'Q', U'K'};
inline constexpr std::array<char32_t, 6> BLACK_PIECES = {U'p', U'r', U'n', U'b', U'q', U'k'};
inline constexpr std::array<char32_t, 8> BOARD_FILES = {U'a', U'b', U'c', U'd', U'e', U'f', U'g', U'h'};

inline constexpr std::array<Bitboard, SQUARE_COUNT> BOARD_SQUARES = [] {
    std::array<Bitboard, SQUARE_COUNT> table{};
    for (int square = 0; square < SQUARE_COUNT; ++square) table[square] = Bitboard{1} << square;
    return table;
}();

// Rank numbers are one-based (1-8), file indices zero-based (0-7).
inline constexpr std::array<std::uint8_t, SQUARE_COUNT> SQUARE_RANK_INDICES = [] {
    std::array<std::uint8_t, SQUARE_COUNT> table{};
    for (int square = 0; square < SQUARE_COUNT; ++square) table[square] = static_cast<std::uint8_t>(square / 8 + 1);
    return table;
}();

inline constexpr std::array<std::uint8_t, SQUARE_COUNT> SQUARE_FILE_INDICES = [] {
    std::array<std::uint8_t, SQUARE_COUNT> table{};
    for (int square = 0; square < SQUARE_COUNT; ++square) table[square] = static_cast<std::uint8_t>(square % 8);
    return table;
}();

// Step offsets: +8 is one rank up, +1 one file towards the h-file.
inline constexpr std::array<std::int8_t, 8> KNIGHT_DIRS = {17, 15, 10, 6, -6, -10, -15, -17};
inline constexpr std::array<std::int8_t, 8> KING_DIRS = {9, 8, 7, 1, -1, -7, -8, -9};

inline constexpr Bitboard A_FILE = 0x0101010101010101ULL;
inline constexpr Bitboard H_FILE = 0x8080808080808080ULL;
inline constexpr Bitboard NOT_A_FILE = ~A_FILE;
inline constexpr Bitboard NOT_H_FILE = ~H_FILE;
inline constexpr Bitboard RANK_1 = 0x00000000000000FFULL;
inline constexpr Bitboard RANK_4 = 0x00000000FF000000ULL;
inline constexpr Bitboard RANK_5 = 0x000000FF00000000ULL;
inline constexpr Bitboard RANK_8 = 0xFF00000000000000ULL;

// The single-square set of a square, BOARD_SQUARES[square] computed with a
// shift rather than a table read; the caller keeps the square within 0-63.
constexpr Bitboard square_mask(unsigned square) { return Bitboard{1} << square; }

constexpr bool contains(Bitboard set, unsigned square) { return (set & square_mask(square)) != 0; }

constexpr int rank_of(unsigned square) { return SQUARE_RANK_INDICES[square]; }
constexpr int file_of(unsigned square) { return SQUARE_FILE_INDICES[square]; }

// The larger of the rank and file differences: 1 for a king step, 2 for a
// knight step or a double pawn push, 6 or 7 for a step that wrapped around a side edge.
// Worked out from the square numbers, for squares 0-63, with no table reads.
constexpr int distance(unsigned a, unsigned b) {
    const int rank_step = static_cast<int>(a / 8) - static_cast<int>(b / 8);
    const int file_step = static_cast<int>(a % 8) - static_cast<int>(b % 8);
    const int ranks = rank_step < 0 ? -rank_step : rank_step;
    const int files = file_step < 0 ? -file_step : file_step;
    return ranks > files ? ranks : files;
}

// More than one square in the set.
constexpr bool has_several(Bitboard set) { return (set & (set - 1)) != 0; }

// Highest square of a non-empty set. 63 ^ n is 63 - n for n in 0-63, and
// compilers turn it into the one bit-scan instruction.
constexpr Square highest_square(Bitboard set) { return static_cast<Square>(63 ^ std::countl_zero(set)); }

// Removes and returns the highest square of a non-empty set: iterating with it
// visits squares from h8 down to a1, the order of every generated list.
constexpr Square pop_highest(Bitboard& set) {
    const Square square = highest_square(set);
    set ^= square_mask(square);
    return square;
}

// One step from a square by an offset, as an unsigned 8-bit sum: a step off
// the bottom edge wraps to 192 or more and so is never a square.
constexpr unsigned step(unsigned square, int offset) { return static_cast<std::uint8_t>(square + offset); }

constexpr bool on_board(unsigned square) { return square < SQUARE_COUNT; }

}  // namespace plindervox
