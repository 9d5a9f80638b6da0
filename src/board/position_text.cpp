// The position as FEN, written from the same letters the diagram shows.
#include "board/position_text.hpp"

#include <array>
#include <charconv>

namespace plindervox {
namespace {

using Cells = std::array<char, SQUARE_COUNT>;

// Every square's letter, '\0' for none: White painted first, then Black, each
// in kind order, so later writers win as in the diagram.
Cells letters_of(const Board& board) {
    Cells cells{};
    const Bitboard kinds[6] = {board.pawns, board.rooks, board.knights, board.bishops, board.queens, board.kings};
    for (const bool white : {true, false}) {
        const Bitboard colour = colour_pieces(board, white);
        const auto& letters = white ? WHITE_PIECES : BLACK_PIECES;
        for (std::size_t kind = 0; kind < 6; ++kind) {
            for (Bitboard squares = kinds[kind] & colour; squares != 0;) {
                cells[pop_highest(squares)] = static_cast<char>(letters[kind]);
            }
        }
    }
    return cells;
}

void append_number(std::string& out, std::uint64_t value) {
    char digits[20];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

}  // namespace

std::optional<char32_t> piece_letter(const Board& board, unsigned square) {
    const Bitboard kinds[6] = {board.pawns, board.rooks, board.knights, board.bishops, board.queens, board.kings};
    for (const bool white : {false, true}) {
        if (!contains(colour_pieces(board, white), square)) continue;
        for (std::size_t kind = 6; kind-- > 0;) {
            if (contains(kinds[kind], square)) return (white ? WHITE_PIECES : BLACK_PIECES)[kind];
        }
    }
    return std::nullopt;
}

std::string position_text(const Board& board) {
    const Cells cells = letters_of(board);
    std::string text;
    text.reserve(96);
    for (int rank = 7; rank >= 0; --rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            const char letter = cells[static_cast<std::size_t>(rank * 8 + file)];
            if (letter == '\0') {
                ++empty;
                continue;
            }
            if (empty != 0) text += static_cast<char>('0' + empty);
            empty = 0;
            text += letter;
        }
        if (empty != 0) text += static_cast<char>('0' + empty);
        if (rank != 0) text += '/';
    }
    text += board.turn ? " w " : " b ";
    if (board.castling_rights) {
        text += *board.castling_rights;
    } else {
        text += '-';
    }
    text += ' ';
    if (board.en_passant_square) {
        text += square_text(*board.en_passant_square);
    } else {
        text += '-';
    }
    text += ' ';
    append_number(text, board.half_move_clock);
    text += ' ';
    append_number(text, board.full_move_number);
    return text;
}

}  // namespace plindervox
