// Move text players read and write: Standard Algebraic Notation (SAN) both
// ways, and UCI text read against the legal list. Every reader answers with
// a move that legal_moves() lists, or rejects the text (RejectedInput).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "board/board.hpp"

namespace plindervox {

// The SAN of a move that legal_moves() lists: "e4", "Nbd2", "exd6", "e8=Q",
// "O-O", "Qh5#". The board is unchanged afterwards. Any other move is
// rejected: "Illegal move: <uci> in <position text>".
std::string san(Board& board, const Move& move);
// The same text worked out from the whole legal list: what san() does on an
// inconsistent board, and what the tests compare its quicker way with.
std::string san_from_legal_list(Board& board, const Move& move);

// What a SAN text says about its move, read without a position.
struct SanFields {
    enum class Kind { KING_SIDE, QUEEN_SIDE, PIECE } kind = Kind::PIECE;
    char letter = 'P';  // the upper-case piece letter, P for a pawn
    int file = -1;      // of the origin, when the text names it
    int rank = -1;
    unsigned to = 0;
    char promotion = 0;  // the upper-case letter, or 0
};

// The fields of a text that has the form of SAN, as parse_san reads it
// (the leniency below); none for any other text.
std::optional<SanFields> read_san_fields(std::string_view text);

// The legal move a SAN text names. Beyond strict SAN it reads "0-0" and
// "0-0-0", a missing, extra or wrong check sign, a trailing annotation, a
// promotion without "=" or in lower case, more disambiguation than needed,
// and a capture with or without "x". Rejects text that is no SAN
// ("Invalid SAN: <text>"), that names no legal move ("Illegal SAN: <text>
// in <position text>") and that names more than one ("Ambiguous SAN: <text>
// in <position text>").
Move parse_san(Board& board, std::string_view text);
// The same move found among the legal moves onto the text's square: what
// parse_san() does on an inconsistent board, for the tests to compare with.
Move parse_san_from_legal_list(Board& board, std::string_view text);
// The same move, then applied and recorded.
Move apply_san(Board& board, std::string_view text);

// The legal move a UCI text names ("e2e4", "e7e8q"): four characters naming
// two squares, and for a promotion a fifth, the letter. Rejects any other
// text ("Invalid UCI: <text>") and a move legal_moves() does not list
// ("Illegal UCI: <text> in <position text>").
Move parse_uci(Board& board, std::string_view text);
Move apply_uci(Board& board, std::string_view text);

// The position in FEN's six fields, the placement as the diagram shows it,
// for messages: the castling field is the rights text as held, or "-".
std::string position_text(const Board& board);

}  // namespace plindervox
