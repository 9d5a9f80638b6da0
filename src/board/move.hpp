// The move record: origin, destination and an optional promotion letter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plindervox {

// Marks a move without promotion; it is not a Unicode scalar value, so no
// real character can be mistaken for it.
inline constexpr char32_t NO_PROMOTION = 0xFFFFFFFF;

// Any 32-bit value may be stored in either square and any character as the
// promotion; only the generators promise squares 0-63 and the letters q, r, n, b.
struct Move {
    std::uint32_t from_square;
    std::uint32_t to_square;
    char32_t promotion;
};

constexpr bool has_promotion(const Move& move) { return move.promotion != NO_PROMOTION; }

// "e4" for 28. Only the low 8 bits count: 64 is "a9", 255 "h32", 256 "a1" again.
std::string square_text(std::uint32_t square);

// The UCI text: "e2e4", "e7e8q"; the promotion letter is appended as stored.
std::string move_text(const Move& move);

// The move a UCI text names: two square names a1-h8, then optionally one of
// the promotion letters n, b, r, q; none for any other text. The inverse of
// move_text for every move the generators produce.
std::optional<Move> parse_move_text(std::string_view text);

}  // namespace plindervox
