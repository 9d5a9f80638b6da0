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

namespace {

// "e4" -> 28; none for anything but a file a-h followed by a rank 1-8.
std::optional<std::uint32_t> parse_square(std::string_view name) {
    if (name[0] < 'a' || name[0] > 'h' || name[1] < '1' || name[1] > '8') return std::nullopt;
    return static_cast<std::uint32_t>((name[1] - '1') * 8 + (name[0] - 'a'));
}

}  // namespace

std::optional<Move> parse_move_text(std::string_view text) {
    if (text.size() != 4 && text.size() != 5) return std::nullopt;
    const auto from = parse_square(text.substr(0, 2));
    const auto to = parse_square(text.substr(2, 2));
    if (!from || !to) return std::nullopt;
    char32_t promotion = NO_PROMOTION;
    if (text.size() == 5) {
        promotion = static_cast<unsigned char>(text[4]);
        if (promotion != U'n' && promotion != U'b' && promotion != U'r' && promotion != U'q') return std::nullopt;
    }
    return Move{*from, *to, promotion};
}

}  // namespace plindervox
