#include "board/pgn_writer.hpp"

#include <algorithm>
#include <array>
#include <string_view>

#include "board/apply.hpp"
#include "board/game_rules.hpp"
#include "board/movegen.hpp"
#include "board/notation.hpp"
#include "board/rejection.hpp"

namespace plindervox {
namespace {

constexpr std::size_t LINE_LIMIT = 80;

// The seven-tag roster in its order, with the value each takes when unknown.
constexpr std::array<std::pair<std::string_view, std::string_view>, 7> ROSTER = {{
    {"Event", "?"}, {"Site", "?"}, {"Date", "????.??.??"}, {"Round", "?"},
    {"White", "?"}, {"Black", "?"}, {"Result", "*"},
}};

bool is_tag_name(std::string_view name) {
    if (name.empty()) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    });
}

// A tag value as PGN strings write it: quotes and backslashes escaped.
std::string escaped(std::string_view value) {
    std::string text;
    for (const char c : value) {
        if (c == '"' || c == '\\') text += '\\';
        text += c;
    }
    return text;
}

void check_headers(const PgnHeaders& headers) {
    for (const auto& [name, value] : headers) {
        if (!is_tag_name(name)) reject("Invalid PGN tag name: '" + name + "' (letters, digits and _ only)");
        if (value.find_first_of("\r\n") != std::string::npos) {
            reject("Invalid PGN tag value for " + name + ": a tag value holds no line break");
        }
    }
}

const std::string* given(const PgnHeaders& headers, std::string_view name) {
    const std::string* found = nullptr;
    for (const auto& [tag, value] : headers) {
        if (tag == name) found = &value;  // the last of a repeated name, as a dictionary keeps it
    }
    return found;
}

bool is_roster_tag(std::string_view name) {
    return std::any_of(ROSTER.begin(), ROSTER.end(), [&](const auto& tag) { return tag.first == name; });
}

bool same_position(const Board& a, const BoardState& b) {
    return a.pawns == b.pawns && a.rooks == b.rooks && a.knights == b.knights && a.bishops == b.bishops &&
           a.queens == b.queens && a.kings == b.kings && a.white_pieces == b.white_pieces &&
           a.black_pieces == b.black_pieces && a.turn == b.turn && a.castling_rights == b.castling_rights &&
           a.en_passant_square == b.en_passant_square && a.half_move_clock == b.half_move_clock &&
           a.full_move_number == b.full_move_number;
}

bool is_listed(Board& board, const Move& move) {
    for (const Move& legal : legal_moves(board)) {
        if (legal.from_square == move.from_square && legal.to_square == move.to_square &&
            legal.promotion == move.promotion) {
            return true;
        }
    }
    return false;
}

// Movetext in lines of at most LINE_LIMIT characters, tokens never split.
struct Lines {
    std::string text;
    std::size_t line_length = 0;
    void add(std::string_view token) {
        if (line_length > 0 && line_length + 1 + token.size() > LINE_LIMIT) {
            text += '\n';
            line_length = 0;
        } else if (line_length > 0) {
            text += ' ';
            ++line_length;
        }
        text += token;
        line_length += token.size();
    }
};

}  // namespace

std::string write_pgn(const Board& board, const PgnHeaders& headers) {
    check_headers(headers);
    // The game is replayed from the position before its first move, each move
    // written as SAN where it was played and checked against the history.
    Board game;
    restore(game, board.state_stack.empty() ? BoardState(board) : board.state_stack.front());
    const std::string start = position_text(game);
    Lines movetext;
    for (std::size_t ply = 0; ply < board.move_stack.size(); ++ply) {
        const Move& move = board.move_stack[ply];
        if (!same_position(game, board.state_stack[ply])) {
            reject("Cannot write the game as PGN: the position before move " + std::to_string(ply + 1) + " (" +
                   move_text(move) + ") is not the one its earlier moves lead to");
        }
        if (!is_listed(game, move)) {
            reject("Cannot write the game as PGN: move " + std::to_string(ply + 1) + " (" + move_text(move) +
                   ") is not legal where it was played, in " + position_text(game));
        }
        if (game.turn || ply == 0) {
            movetext.add(std::to_string(game.full_move_number) + (game.turn ? "." : "..."));
        }
        movetext.add(san(game, move));
        apply_move(game, move);
    }
    if (!same_position(game, BoardState(board))) {
        reject("Cannot write the game as PGN: the board's position is not the one its moves lead to");
    }

    const std::string* result = given(headers, "Result");
    const std::string written_result = result ? *result : plindervox::result(game, false);
    std::string text;
    for (const auto& [name, unknown] : ROSTER) {
        const std::string* value = name == "Result" ? &written_result : given(headers, name);
        text += "[" + std::string(name) + " \"" + escaped(value ? *value : std::string(unknown)) + "\"]\n";
    }
    if (start != position_text(make_board(std::nullopt))) {
        text += "[SetUp \"1\"]\n[FEN \"" + escaped(start) + "\"]\n";
    }
    for (std::size_t i = 0; i < headers.size(); ++i) {
        const auto& [name, value] = headers[i];
        if (is_roster_tag(name) || name == "SetUp" || name == "FEN" || given(headers, name) != &value) continue;
        text += "[" + name + " \"" + escaped(value) + "\"]\n";
    }
    movetext.add(written_result);
    return text + "\n" + movetext.text + "\n";
}

}  // namespace plindervox
