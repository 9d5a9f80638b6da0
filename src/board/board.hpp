// The board record (one game: position, position text and history) and the
// snapshot of the position kept for every applied move.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "board/castling_text.hpp"
#include "board/move.hpp"
#include "board/squares.hpp"

namespace plindervox {

inline constexpr const char* STANDARD_START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

struct Board;

// The position fields of a board, as they stood before one applied move.
struct BoardState {
    BoardState() = default;
    // The board's position now, made in place.
    explicit BoardState(const Board& board);

    CastlingText castling_rights;
    Bitboard pawns = 0;
    Bitboard rooks = 0;
    Bitboard knights = 0;
    Bitboard bishops = 0;
    Bitboard queens = 0;
    Bitboard kings = 0;
    Bitboard white_pieces = 0;
    Bitboard black_pieces = 0;
    std::uint64_t half_move_clock = 0;
    std::uint64_t full_move_number = 0;
    std::optional<Square> en_passant_square;
    bool turn = true;
};

// Piece sets are kept by kind (both colours) and by colour. Nothing keeps
// them consistent: direct set writes and reloading a position may overlap them.
struct Board {
    std::string starting_fen;
    std::vector<Move> move_stack;         // moves applied so far, oldest first
    std::vector<BoardState> state_stack;  // the position before each of them
    CastlingText castling_rights;  // FEN letters, or absent
    Bitboard pawns = 0;
    Bitboard rooks = 0;
    Bitboard knights = 0;
    Bitboard bishops = 0;
    Bitboard queens = 0;
    Bitboard kings = 0;
    Bitboard white_pieces = 0;
    Bitboard black_pieces = 0;
    std::uint64_t half_move_clock = 0;
    std::uint64_t full_move_number = 0;
    std::optional<Square> en_passant_square;
    bool turn = true;  // true: White to move
};

// A board loaded from the position text, or from the standard start when none is given.
Board make_board(std::optional<std::string> starting_fen);

inline BoardState::BoardState(const Board& board)
    : castling_rights(board.castling_rights),
      pawns(board.pawns),
      rooks(board.rooks),
      knights(board.knights),
      bishops(board.bishops),
      queens(board.queens),
      kings(board.kings),
      white_pieces(board.white_pieces),
      black_pieces(board.black_pieces),
      half_move_clock(board.half_move_clock),
      full_move_number(board.full_move_number),
      en_passant_square(board.en_passant_square),
      turn(board.turn) {}

BoardState snapshot(const Board& board);
// The same snapshot, made in place on top of state_stack.
inline void push_snapshot(Board& board) { board.state_stack.emplace_back(board); }
// Overwrites every position field from the snapshot, which it consumes;
// history and position text stay.
void restore(Board& board, BoardState state);
// The same from a snapshot left in place (undo's, on the history): its
// castling text is moved out, the rest copied. Inline: undo is little else.
inline void take_position(Board& board, BoardState& state) {
    // Every field is read before any is written, so the copy can move in wide
    // blocks whether or not the compiler can tell the two records apart.
    const BoardState& from = state;
    const Bitboard sets[8] = {from.pawns, from.rooks,  from.knights,      from.bishops,
                              from.queens, from.kings, from.white_pieces, from.black_pieces};
    const std::uint64_t half_move_clock = from.half_move_clock, full_move_number = from.full_move_number;
    const std::optional<Square> en_passant_square = from.en_passant_square;
    const bool turn = from.turn;
    board.pawns = sets[0];
    board.rooks = sets[1];
    board.knights = sets[2];
    board.bishops = sets[3];
    board.queens = sets[4];
    board.kings = sets[5];
    board.white_pieces = sets[6];
    board.black_pieces = sets[7];
    board.half_move_clock = half_move_clock;
    board.full_move_number = full_move_number;
    board.en_passant_square = en_passant_square;
    board.turn = turn;
    board.castling_rights = std::move(state.castling_rights);
}

// Pieces of the side to move, and of the other side.
constexpr Bitboard own_pieces(const Board& board) { return board.turn ? board.white_pieces : board.black_pieces; }
constexpr Bitboard opponent_pieces(const Board& board) { return board.turn ? board.black_pieces : board.white_pieces; }
constexpr Bitboard colour_pieces(const Board& board, bool white) { return white ? board.white_pieces : board.black_pieces; }

// The highest king of a colour; a colour without a king has none.
inline std::optional<Square> king_square(const Board& board, bool white) {
    const Bitboard kings = board.kings & colour_pieces(board, white);
    if (kings == 0) return std::nullopt;
    return highest_square(kings);
}

// Letter -> the kind's set to write (P/R/N/B/Q/K in either case), else "Invalid piece type".
Bitboard& kind_set(Board& board, char32_t letter);
// Letter -> set to read: a kind letter, A/a (every piece) or W/w (White), else
// "Invalid piece type: " and the letter.
Bitboard piece_set(const Board& board, char32_t letter);

// Direct access to the piece sets, with no consistency check.
Bitboard get_pieces(const Board& board, char32_t piece_type);
void set_pieces_or(Board& board, char32_t piece_type, Bitboard bitboard);
void set_pieces_xor(Board& board, char32_t piece_type, Bitboard bitboard);

// Loads starting_fen on top of the current position (fen.cpp).
void set_board(Board& board);

// The eight-line diagram, rank 8 first (render.cpp).
std::string render(const Board& board);

}  // namespace plindervox
