// The position as FEN, written from the same letters the diagram shows: as
// fen() gives it, the castling text exactly as stored, and for messages and
// game files, an empty castling text written "-".
#include "board/position_text.hpp"

#include <array>
#include <bit>
#include <charconv>

#include "board/diagram.hpp"
#include "board/notation.hpp"

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

// The placement field: at most 64 letters or digits and 7 slashes.
constexpr std::size_t MOST_PLACEMENT = SQUARE_COUNT + 7;
// The other fields but the castling text: " w ", then " e3 ", two clocks of
// up to 20 digits and the space between them.
constexpr std::size_t MOST_TAIL = 3 + 4 + 20 + 1 + 20;

// Rank by rank, rank 8 first: a digit for each run of empty squares, the
// letter of each square that shows one. Only the shown squares are visited.
char* write_placement(const Board& board, const Cells& cells, char* out) {
    const Bitboard kinds = board.pawns | board.rooks | board.knights | board.bishops | board.queens | board.kings;
    const Bitboard shown = kinds & (board.white_pieces | board.black_pieces);
    for (int rank = 7; rank >= 0; --rank) {
        unsigned file = 0;
        for (unsigned row = static_cast<unsigned>(shown >> (rank * 8)) & 0xFF; row != 0; row &= row - 1) {
            const unsigned next = static_cast<unsigned>(std::countr_zero(row));
            if (next != file) *out++ = static_cast<char>('0' + (next - file));
            *out++ = cells[static_cast<std::size_t>(rank * 8) + next];
            file = next + 1;
        }
        if (file != 8) *out++ = static_cast<char>('0' + (8 - file));
        if (rank != 0) *out++ = '/';
    }
    return out;
}

char* write_number(char* out, std::uint64_t value) { return std::to_chars(out, out + 20, value).ptr; }

// Written into fixed buffers and joined once: fen() makes the text on every
// call, and growing a string piece by piece costs more than the rest.
std::string text_with_castling(const Board& board, std::string_view castling) {
    char placement[MOST_PLACEMENT + 3];
    char* head_end = write_placement(board, letters_of(board), placement);
    *head_end++ = ' ';
    *head_end++ = board.turn ? 'w' : 'b';
    *head_end++ = ' ';

    char tail[MOST_TAIL];
    char* out = tail;
    *out++ = ' ';
    if (board.en_passant_square) {
        const Square square = *board.en_passant_square;
        *out++ = static_cast<char>(BOARD_FILES[file_of(square)]);
        *out++ = static_cast<char>('0' + rank_of(square));
    } else {
        *out++ = '-';
    }
    *out++ = ' ';
    out = write_number(out, board.half_move_clock);
    *out++ = ' ';
    out = write_number(out, board.full_move_number);

    std::string text;
    text.reserve(static_cast<std::size_t>(head_end - placement) + castling.size() + static_cast<std::size_t>(out - tail));
    text.append(placement, head_end).append(castling).append(tail, out);
    return text;
}

}  // namespace

std::optional<char32_t> piece_letter(const Board& board, unsigned square) {
    const char letter = shown_letter(board, square);
    if (letter == '.') return std::nullopt;
    return static_cast<char32_t>(letter);
}

std::string stored_position_text(const Board& board) {
    return text_with_castling(board, board.castling_rights ? *board.castling_rights : std::string_view("-"));
}

std::string position_text(const Board& board) {
    const bool rights = board.castling_rights && !(*board.castling_rights).empty();
    return text_with_castling(board, rights ? *board.castling_rights : std::string_view("-"));
}

}  // namespace plindervox
