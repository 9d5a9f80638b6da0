// UCI text read against the legal list: only a move legal_moves() lists.
#include "board/apply.hpp"
#include "board/legal_onto.hpp"
#include "board/notation.hpp"
#include "board/rejection.hpp"
#include "board/text.hpp"

namespace plindervox {
namespace {

// The square a file letter and a rank digit name, or none.
std::optional<unsigned> square_named(std::string_view text, std::size_t pos) {
    const char file = text[pos], rank = text[pos + 1];
    if (file < 'a' || file > 'h' || rank < '1' || rank > '8') return std::nullopt;
    return static_cast<unsigned>((rank - '1') * 8 + (file - 'a'));
}

}  // namespace

Move parse_uci(Board& board, std::string_view text) {
    std::optional<unsigned> from, to;
    if (text.size() >= 4) {
        from = square_named(text, 0);
        to = square_named(text, 2);
    }
    Move move{0, 0, NO_PROMOTION};
    std::size_t pos = 4;
    if (text.size() > 4) move.promotion = next_char(text, pos);
    if (!from || !to || pos != text.size()) reject("Invalid UCI: " + std::string(text));
    move.from_square = *from;
    move.to_square = *to;
    if (!is_listed_legal(board, move)) reject("Illegal UCI: " + std::string(text) + " in " + position_text(board));
    return move;
}

Move apply_uci(Board& board, std::string_view text) {
    const Move move = parse_uci(board, text);
    apply_move(board, move);
    return move;
}

}  // namespace plindervox
