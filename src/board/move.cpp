#include "board/move.hpp"

#include "board/squares.hpp"
#include "board/text.hpp"

namespace plindervox {

std::string square_text(std::uint32_t square) {
    const unsigned low_byte = square % 256;
    std::string text;
    append_utf8(text, BOARD_FILES[low_byte % 8]);
    text += std::to_string(low_byte / 8 + 1);
    return text;
}

std::string move_text(const Move& move) {
    std::string text = square_text(move.from_square) + square_text(move.to_square);
    if (has_promotion(move)) append_utf8(text, move.promotion);
    return text;
}

}  // namespace plindervox
