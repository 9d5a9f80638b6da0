// A board's whole record as bytes, and the board such bytes describe: the
// state a pickled or copied-out board carries. The bytes are data only, read
// field by field with every value checked, so any damaged or hostile input
// is refused with the reason.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "board/board.hpp"

namespace plindervox {

// The layout save_board writes. Little-endian throughout:
//   position text      u32 byte count, UTF-8
//   position           see below
//   history            u32 entry count, then per entry the move (u32 origin,
//                      u32 destination, u32 promotion: a Unicode scalar value
//                      or FFFFFFFF for none) and the position before it
// A position is the castling text (u32 byte count, FFFFFFFF when absent;
// UTF-8 without spaces), the eight sets in record order (u64 each), the two
// clocks (u64 each), the en passant square (u8: 0-63, FF when absent) and
// the side to move (u8: 1 White, 0 Black).
inline constexpr std::uint64_t SAVED_BOARD_FORMAT = 1;

std::string save_board(const Board& board);

// The board that bytes of the given format describe, or the reason they
// describe none. Refused: another format, bytes that end early or run on,
// texts that are not UTF-8, castling texts with a space, en passant squares
// off the board, a side to move other than 0 or 1, a promotion that is no
// character, and a position text that does not load. Everything else a
// board can reach (overlapping sets, any squares in the history, any clock)
// is accepted.
struct LoadedBoard {
    std::optional<Board> board;
    std::string fault;  // when there is no board
};
LoadedBoard load_board(std::uint64_t format, std::string_view bytes);

}  // namespace plindervox
