#include "board/saved_board.hpp"

#include "board/error.hpp"

namespace plindervox {
namespace {

constexpr std::uint32_t ABSENT_TEXT = 0xFFFFFFFF;
constexpr std::uint8_t ABSENT_SQUARE = 0xFF;
// The fewest bytes one history entry takes: the move, then a position with
// an absent castling text.
constexpr std::size_t SMALLEST_ENTRY = 3 * 4 + 4 + 8 * 8 + 2 * 8 + 2;

template <class Unsigned>
void put(std::string& out, Unsigned value) {
    for (std::size_t i = 0; i < sizeof(Unsigned); ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void put_text(std::string& out, std::string_view text) {
    put(out, static_cast<std::uint32_t>(text.size()));
    out += text;
}

// A board or a snapshot: both hold the position fields under the same names.
template <class Position>
void write_position(std::string& out, const Position& position) {
    if (position.castling_rights) {
        put_text(out, *position.castling_rights);
    } else {
        put(out, ABSENT_TEXT);
    }
    for (const Bitboard set : {position.pawns, position.rooks, position.knights, position.bishops, position.queens,
                               position.kings, position.white_pieces, position.black_pieces}) {
        put(out, set);
    }
    put(out, position.half_move_clock);
    put(out, position.full_move_number);
    put(out, position.en_passant_square ? *position.en_passant_square : ABSENT_SQUARE);
    put(out, static_cast<std::uint8_t>(position.turn ? 1 : 0));
}

// Whether the bytes are UTF-8 as Python writes it: no overlong forms, no
// surrogates, nothing above U+10FFFF.
bool is_utf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const auto lead = static_cast<unsigned char>(text[pos]);
        std::size_t extra;
        char32_t c;
        if (lead < 0x80) {
            ++pos;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1, c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2, c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3, c = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - pos - 1 < extra) return false;
        for (std::size_t i = 1; i <= extra; ++i) {
            const auto next = static_cast<unsigned char>(text[pos + i]);
            if ((next & 0xC0) != 0x80) return false;
            c = (c << 6) | (next & 0x3F);
        }
        const char32_t smallest = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
        if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        pos += 1 + extra;
    }
    return true;
}

bool is_character(char32_t c) { return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF); }

// Reads the bytes front to back. The first fault stops it: every later read
// gives zero, and the fault names what was being read.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    template <class Unsigned>
    Unsigned take(const char* what) {
        if (!fault_.empty()) return 0;
        if (bytes_.size() - pos_ < sizeof(Unsigned)) {
            refuse(std::string("it ends inside ") + what);
            return 0;
        }
        Unsigned value = 0;
        for (std::size_t i = 0; i < sizeof(Unsigned); ++i) {
            value |= static_cast<Unsigned>(static_cast<unsigned char>(bytes_[pos_ + i])) << (8 * i);
        }
        pos_ += sizeof(Unsigned);
        return value;
    }

    std::string_view take_text(std::uint32_t size, const char* what) {
        if (!fault_.empty()) return {};
        if (bytes_.size() - pos_ < size) {
            refuse(std::string("it ends inside ") + what);
            return {};
        }
        const std::string_view text = bytes_.substr(pos_, size);
        pos_ += size;
        if (!is_utf8(text)) refuse(std::string(what) + " is not UTF-8");
        return text;
    }

    void refuse(std::string reason) {
        if (fault_.empty()) fault_ = std::move(reason) + " (at byte " + std::to_string(pos_) + ")";
    }

    std::size_t left() const { return bytes_.size() - pos_; }
    const std::string& fault() const { return fault_; }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
    std::string fault_;
};

template <class Position>
void read_position(Reader& in, Position& position) {
    const auto castling_size = in.take<std::uint32_t>("a castling text");
    if (castling_size != ABSENT_TEXT) {
        const std::string_view text = in.take_text(castling_size, "a castling text");
        if (text.find(' ') != std::string_view::npos) in.refuse("a castling text holds a space");
        position.castling_rights = text;
    }
    for (Bitboard* set : {&position.pawns, &position.rooks, &position.knights, &position.bishops, &position.queens,
                          &position.kings, &position.white_pieces, &position.black_pieces}) {
        *set = in.template take<std::uint64_t>("the piece sets");
    }
    position.half_move_clock = in.template take<std::uint64_t>("the half-move clock");
    position.full_move_number = in.template take<std::uint64_t>("the full-move number");
    const auto en_passant = in.template take<std::uint8_t>("the en passant square");
    if (en_passant != ABSENT_SQUARE) {
        if (!on_board(en_passant)) in.refuse("en passant square " + std::to_string(en_passant) + " is off the board");
        position.en_passant_square = en_passant;
    }
    const auto turn = in.template take<std::uint8_t>("the side to move");
    if (turn > 1) in.refuse("side to move " + std::to_string(turn) + " is neither 0 nor 1");
    position.turn = turn == 1;
}

// The position text must load as it did when the board was made: set_board
// reads it again.
void check_position_text(Reader& in, const std::string& text) {
    Board scratch;
    scratch.starting_fen = text;
    try {
        set_board(scratch);
    } catch (const CoreError& error) {
        in.refuse("its position text does not load: " + error.message);
    }
}

}  // namespace

std::string save_board(const Board& board) {
    std::string out;
    out.reserve(4 + board.starting_fen.size() + 4 + (board.move_stack.size() + 1) * (SMALLEST_ENTRY + 8));
    put_text(out, board.starting_fen);
    write_position(out, board);
    put(out, static_cast<std::uint32_t>(board.move_stack.size()));
    for (std::size_t i = 0; i < board.move_stack.size(); ++i) {
        const Move& move = board.move_stack[i];
        put(out, move.from_square);
        put(out, move.to_square);
        put(out, static_cast<std::uint32_t>(move.promotion));
        write_position(out, board.state_stack[i]);
    }
    return out;
}

LoadedBoard load_board(std::uint64_t format, std::string_view bytes) {
    if (format != SAVED_BOARD_FORMAT) {
        return {std::nullopt, "invalid Board state: unknown format version " + std::to_string(format) +
                                  " (this build reads version " + std::to_string(SAVED_BOARD_FORMAT) + ")"};
    }
    Reader in(bytes);
    Board board;
    board.starting_fen = in.take_text(in.take<std::uint32_t>("the position text"), "the position text");
    if (in.fault().empty()) check_position_text(in, board.starting_fen);
    read_position(in, board);
    const auto entries = in.take<std::uint32_t>("the history length");
    if (in.fault().empty() && entries > in.left() / SMALLEST_ENTRY) {
        in.refuse("a history of " + std::to_string(entries) + " entries cannot fit in the " +
                  std::to_string(in.left()) + " bytes left");
    }
    if (in.fault().empty()) {
        board.move_stack.reserve(entries);
        board.state_stack.reserve(entries);
    }
    for (std::uint32_t i = 0; i < entries && in.fault().empty(); ++i) {
        Move move{};
        move.from_square = in.take<std::uint32_t>("a move");
        move.to_square = in.take<std::uint32_t>("a move");
        move.promotion = in.take<std::uint32_t>("a move");
        if (move.promotion != NO_PROMOTION && !is_character(move.promotion)) {
            in.refuse("promotion " + std::to_string(move.promotion) + " is not a character");
        }
        board.move_stack.push_back(move);
        read_position(in, board.state_stack.emplace_back());
    }
    if (in.fault().empty() && in.left() != 0) in.refuse(std::to_string(in.left()) + " bytes follow the history");
    if (!in.fault().empty()) return {std::nullopt, "invalid Board state: " + in.fault()};
    return {std::move(board), {}};
}

}  // namespace plindervox
