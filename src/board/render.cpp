// The text diagram: eight lines, rank 8 first, cells separated by spaces.
#include <array>

#include "board/board.hpp"
#include "board/text.hpp"

namespace plindervox {
namespace {

// Later letters overwrite earlier ones, so on an overlapping board a square
// shows the last writer: Black over White, and the later kind within a colour.
void paint(std::array<char32_t, SQUARE_COUNT>& cells, const Board& board,
           const std::array<char32_t, 6>& letters, Bitboard colour) {
    for (const char32_t letter : letters) {
        for (Bitboard squares = piece_set(board, letter) & colour; squares != 0;) {
            cells[pop_highest(squares)] = letter;
        }
    }
}

}  // namespace

std::string render(const Board& board) {
    std::array<char32_t, SQUARE_COUNT> cells;
    cells.fill(U'.');
    paint(cells, board, WHITE_PIECES, board.white_pieces);
    paint(cells, board, BLACK_PIECES, board.black_pieces);

    std::string text;
    text.reserve(127);
    for (int rank = 8; rank >= 1; --rank) {
        for (int file = 0; file < 8; ++file) {
            append_utf8(text, cells[(rank - 1) * 8 + file]);
            if (file < 7) text += ' ';
        }
        if (rank > 1) text += '\n';
    }
    return text;
}

}  // namespace plindervox
