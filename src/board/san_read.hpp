// Reading a move written in Standard Algebraic Notation ("Nf3", "exd6",
// "e8=Q", "O-O") against a position, leniently: "0-0" for "O-O", check and
// mate signs and annotation suffixes ignored whether right or wrong, a
// promotion with or without "=", more disambiguation than needed, a capture
// with or without "x".
#pragma once

#include <optional>
#include <string_view>

#include "board/board.hpp"

namespace plindervox {

// What a SAN text says, before any position is looked at.
struct SanText {
    enum class Castling { none, king_side, queen_side } castling = Castling::none;
    char32_t piece = U'P';       // the upper-case piece letter, P for a pawn
    int from_file = -1;          // 0-7, or -1 when not given
    int from_rank = -1;          // 0-7, or -1 when not given
    unsigned to = 0;
    char32_t promotion = 0;      // lower-case n, b, r, q, or 0
};

// The fields of a text that has the form of SAN; none for any other text.
std::optional<SanText> parse_san_text(std::string_view text);

enum class SanFault { none, not_san, illegal, ambiguous };

struct SanReading {
    SanFault fault = SanFault::not_san;
    Move move{0, 0, NO_PROMOTION};  // the legal move named, where fault is none
};

// The legal move of `board` that the text names. The board is unchanged
// afterwards (candidates are played and taken back to test them).
SanReading read_san(Board& board, std::string_view text);

// The same, the move then applied as apply_move applies it (with its
// history entry) when it is legal; the board is unchanged otherwise.
// `consistent`: the caller knows is_consistent(board), so it is not asked.
SanReading play_san(Board& board, std::string_view text, bool consistent);

}  // namespace plindervox
