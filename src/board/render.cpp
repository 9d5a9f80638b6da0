// The text diagram: eight lines, rank 8 first, cells separated by spaces.
#include <array>

#include "board/board.hpp"

namespace plindervox {
namespace {

constexpr std::size_t CELL_WIDTH = 2;  // the letter, then a space or the line's end
constexpr std::size_t DIAGRAM_SIZE = SQUARE_COUNT * CELL_WIDTH - 1;

// Every cell is one ASCII character, a piece letter or '.', so the diagram
// has a fixed layout: the cell of a square sits at a fixed offset.
constexpr std::size_t cell_offset(unsigned square) {
    const unsigned rank_from_top = 7 - square / 8;
    return (rank_from_top * 8 + square % 8) * CELL_WIDTH;
}

// Later letters overwrite earlier ones, so on an overlapping board a square
// shows the last writer: Black over White, and the later kind within a colour.
void paint(std::string& text, const Board& board, const std::array<char32_t, 6>& letters, Bitboard colour) {
    for (const char32_t letter : letters) {
        for (Bitboard squares = piece_set(board, letter) & colour; squares != 0;) {
            text[cell_offset(pop_highest(squares))] = static_cast<char>(letter);
        }
    }
}

}  // namespace

std::string render(const Board& board) {
    std::string text(DIAGRAM_SIZE, ' ');
    for (unsigned square = 0; square < SQUARE_COUNT; ++square) text[cell_offset(square)] = '.';
    for (std::size_t line_end = 8 * CELL_WIDTH - 1; line_end < DIAGRAM_SIZE; line_end += 8 * CELL_WIDTH) {
        text[line_end] = '\n';
    }
    paint(text, board, WHITE_PIECES, board.white_pieces);
    paint(text, board, BLACK_PIECES, board.black_pieces);
    return text;
}

}  // namespace plindervox
