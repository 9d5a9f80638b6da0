// The position as FEN text, for the messages that name a position.
#include "board/diagram.hpp"
#include "board/notation.hpp"

namespace plindervox {

std::string position_text(const Board& board) {
    std::string text;
    for (int rank = 7; rank >= 0; --rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            const char letter = shown_letter(board, static_cast<unsigned>(rank * 8 + file));
            if (letter == '.') {
                ++empty;
                continue;
            }
            if (empty > 0) text += static_cast<char>('0' + empty);
            empty = 0;
            text += letter;
        }
        if (empty > 0) text += static_cast<char>('0' + empty);
        if (rank > 0) text += '/';
    }
    text += board.turn ? " w " : " b ";
    const bool rights = board.castling_rights && !(*board.castling_rights).empty();
    text += rights ? std::string(*board.castling_rights) : std::string("-");
    text += ' ';
    text += board.en_passant_square ? square_text(*board.en_passant_square) : std::string("-");
    text += ' ' + std::to_string(board.half_move_clock) + ' ' + std::to_string(board.full_move_number);
    return text;
}

}  // namespace plindervox
