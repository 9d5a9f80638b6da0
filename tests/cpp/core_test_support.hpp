// Helpers shared by the core unit tests: square names, move lists as text,
// whole-position comparison and catching core failures.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "board/apply.hpp"
#include "board/error.hpp"
#include "board/movegen.hpp"

namespace plindervox {

// How failed expectations show a castling text.
inline void PrintTo(const CastlingText& text, std::ostream* out) {
    if (text) {
        *out << '"' << *text << '"';
    } else {
        *out << "absent";
    }
}

}  // namespace plindervox

namespace plindervox::support {

inline const std::string EMPTY_FEN = "8/8/8/8/8/8/8/8 w - - 0 1";

// The message of the CoreError the action throws, or none when it returns.
template <class Action>
std::optional<std::string> error_of(Action&& action) {
    try {
        action();
    } catch (const CoreError& error) {
        return error.message;
    }
    return std::nullopt;
}

// "e4" -> 28, written independently of the core's square text.
inline unsigned sq(std::string_view name) { return static_cast<unsigned>((name[1] - '1') * 8 + (name[0] - 'a')); }

// "a1 h8" -> the set of those squares.
inline Bitboard squares(std::string_view names) {
    Bitboard set = 0;
    for (std::size_t pos = 0; pos + 1 < names.size(); pos += 3) set |= Bitboard{1} << sq(names.substr(pos, 2));
    return set;
}

inline Move mv(std::string_view uci) {
    return Move{sq(uci.substr(0, 2)), sq(uci.substr(2, 2)), uci.size() > 4 ? char32_t(uci[4]) : NO_PROMOTION};
}

template <class Moves>
std::string uci_list(const Moves& moves) {
    std::string text;
    for (const Move& move : moves) text += (text.empty() ? "" : " ") + move_text(move);
    return text;
}

inline std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> out;
    for (std::size_t pos = 0, end; pos < text.size(); pos = end + 1) {
        end = std::min(text.find(' ', pos), text.size());
        out.emplace_back(text.substr(pos, end - pos));
    }
    return out;
}

inline Board board_of(const std::string& fen, std::string_view moves = "") {
    Board board = make_board(fen);
    for (const std::string& uci : words(moves)) apply_move(board, mv(uci));
    return board;
}

inline ::testing::AssertionResult SameState(const BoardState& a, const BoardState& b) {
    const auto fields = [](const BoardState& s) {
        return std::tie(s.castling_rights, s.pawns, s.rooks, s.knights, s.bishops, s.queens, s.kings, s.white_pieces,
                        s.black_pieces, s.half_move_clock, s.full_move_number, s.en_passant_square, s.turn);
    };
    if (fields(a) == fields(b)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "positions differ";
}

using Generator = void (*)(const Board&, MoveBuffer&);

inline std::vector<Move> generate(const Board& board, Generator generator) {
    MoveBuffer buffer;
    generator(board, buffer);
    return {buffer.begin(), buffer.end()};
}

}  // namespace plindervox::support
