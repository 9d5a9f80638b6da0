// Position loading. The loader is lenient on purpose: it ORs the placement
// into the existing sets, reads side to move, en passant file and clocks with
// fixed fallbacks, and refuses only what would leave the 64 squares.
#include <array>
#include <charconv>
#include <string_view>

#include "board/board.hpp"
#include "board/error.hpp"
#include "board/text.hpp"

namespace plindervox {
namespace {

constexpr std::size_t FEN_FIELDS = 6;

// The fields a position text is read from, and how many fields it has in all
// (extra ones are counted and ignored).
struct Fields {
    std::array<std::string_view, FEN_FIELDS> first;
    std::size_t count = 0;
};

// Every single space separates two fields, so runs of spaces give empty fields.
Fields split_fields(std::string_view text) {
    Fields fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(' ', start);
        if (fields.count < FEN_FIELDS) fields.first[fields.count] = text.substr(start, end - start);
        ++fields.count;
        if (end == std::string_view::npos) return fields;
        start = end + 1;
    }
}

void place_pieces(Board& board, std::string_view placement) {
    // The square last filled: 55 is the square before a8.
    std::int64_t cursor = 55;
    for (std::size_t pos = 0; pos < placement.size();) {
        const auto byte = static_cast<unsigned char>(placement[pos]);
        const char32_t c = byte < 0x80 ? (++pos, byte) : next_char(placement, pos);
        if (c >= U'0' && c <= U'9') {
            cursor += c - U'0';
        } else if (c == U'/') {
            cursor -= 16;
        } else {
            cursor += 1;
            if (cursor < 0 || cursor >= SQUARE_COUNT) {
                fail("Invalid starting fen; piece placement runs off the board in " + board.starting_fen);
            }
            set_pieces_or(board, c, square_mask(static_cast<unsigned>(cursor)));
        }
    }
}

// The file letter falls back to the a-file; the rank must be a digit 1-8.
Square read_en_passant(std::string_view field) {
    std::size_t pos = 0;
    const char32_t file_letter = field.empty() ? U'\0' : next_char(field, pos);
    const char32_t rank_digit = pos < field.size() ? next_char(field, pos) : U'\0';
    if (rank_digit < U'1' || rank_digit > U'8') fail("Invalid en passant square: " + std::string(field));
    const int file = (file_letter >= U'b' && file_letter <= U'h') ? static_cast<int>(file_letter - U'a') : 0;
    return static_cast<Square>((rank_digit - U'1') * 8 + file);
}

// An optional '+' and decimal digits that fit 64 bits; anything else reads as 0.
std::uint64_t read_clock(std::string_view field) {
    if (!field.empty() && field.front() == '+') field.remove_prefix(1);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || error != std::errc{} || end != field.data() + field.size()) return 0;
    return value;
}

}  // namespace

void set_board(Board& board) {
    // Loading never changes the position text, so the fields can view it.
    const std::string_view fen = board.starting_fen;
    const auto [fields, count] = split_fields(fen);
    if (count < FEN_FIELDS) {
        fail("Invalid starting fen; got " + board.starting_fen + ", with " + std::to_string(count) + " parts");
    }
    place_pieces(board, fields[0]);
    board.turn = fields[1] == "w";
    if (fields[2] != "-") board.castling_rights = std::string(fields[2]);
    if (fields[3] != "-") board.en_passant_square = read_en_passant(fields[3]);
    board.half_move_clock = read_clock(fields[4]);
    board.full_move_number = read_clock(fields[5]);
}

}  // namespace plindervox
