// Small helpers shared by the core unit tests: square names, move lists as
// text, whole-position comparison and catching core failures.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "board/apply.hpp"
#include "board/board.hpp"
#include "board/error.hpp"
#include "board/movegen.hpp"

namespace plindervox::support {

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

// "e4" -> 28, written independently of the core's own square text.
inline unsigned sq(std::string_view name) {
    return static_cast<unsigned>((name[1] - '1') * 8 + (name[0] - 'a'));
}

// Space-separated square names -> bitboard.
inline Bitboard squares(std::string_view names) {
    Bitboard set = 0;
    for (std::size_t pos = 0; pos + 1 < names.size(); pos += 3) set |= Bitboard{1} << sq(names.substr(pos, 2));
    return set;
}

inline Move mv(std::string_view uci) {
    return Move{sq(uci.substr(0, 2)), sq(uci.substr(2, 2)),
                uci.size() > 4 ? static_cast<char32_t>(uci[4]) : NO_PROMOTION};
}

template <class Moves>
std::string uci_list(const Moves& moves) {
    std::string text;
    for (const Move& move : moves) text += (text.empty() ? "" : " ") + move_text(move);
    return text;
}

inline Board board_of(const std::string& fen) { return make_board(fen); }

inline void play(Board& board, std::string_view moves) {
    for (std::size_t pos = 0; pos < moves.size();) {
        std::size_t end = moves.find(' ', pos);
        if (end == std::string_view::npos) end = moves.size();
        apply_move(board, mv(moves.substr(pos, end - pos)));
        pos = end + 1;
    }
}

inline std::string describe(const BoardState& s) {
    std::string text = "castling=" + (s.castling_rights ? "\"" + *s.castling_rights + "\"" : std::string("absent"));
    const Bitboard sets[] = {s.pawns, s.rooks, s.knights, s.bishops, s.queens, s.kings, s.white_pieces, s.black_pieces};
    for (Bitboard set : sets) text += " " + std::to_string(set);
    text += " clocks=" + std::to_string(s.half_move_clock) + "/" + std::to_string(s.full_move_number);
    text += " ep=" + (s.en_passant_square ? std::to_string(*s.en_passant_square) : std::string("none"));
    return text + (s.turn ? " w" : " b");
}

// Field-by-field equality of two position snapshots.
inline ::testing::AssertionResult SameState(const BoardState& a, const BoardState& b) {
    const bool same = a.castling_rights == b.castling_rights && a.pawns == b.pawns && a.rooks == b.rooks &&
                      a.knights == b.knights && a.bishops == b.bishops && a.queens == b.queens &&
                      a.kings == b.kings && a.white_pieces == b.white_pieces &&
                      a.black_pieces == b.black_pieces && a.half_move_clock == b.half_move_clock &&
                      a.full_move_number == b.full_move_number && a.en_passant_square == b.en_passant_square &&
                      a.turn == b.turn;
    if (same) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\n  " << describe(a) << "\n  " << describe(b);
}

using Generator = void (*)(const Board&, MoveBuffer&);

inline std::vector<Move> generate(const Board& board, Generator generator) {
    MoveBuffer buffer;
    generator(board, buffer);
    return {buffer.begin(), buffer.end()};
}

}  // namespace plindervox::support
