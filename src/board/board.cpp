#include "board/board.hpp"

#include "board/error.hpp"
#include "board/text.hpp"

namespace plindervox {

Board make_board(std::optional<std::string> starting_fen) {
    Board board;
    board.starting_fen = starting_fen ? std::move(*starting_fen) : std::string(STANDARD_START_FEN);
    set_board(board);
    return board;
}

BoardState snapshot(const Board& board) { return BoardState(board); }

void restore(Board& board, BoardState state) { take_position(board, state); }

namespace {

// The kind set a letter names, P/R/N/B/Q/K in either case; null for any other letter.
Bitboard* kind_field(Board& board, char32_t letter) {
    switch (letter) {
        case U'P': case U'p': return &board.pawns;
        case U'R': case U'r': return &board.rooks;
        case U'N': case U'n': return &board.knights;
        case U'B': case U'b': return &board.bishops;
        case U'Q': case U'q': return &board.queens;
        case U'K': case U'k': return &board.kings;
        default: return nullptr;
    }
}

// Capital ASCII letters are White; every other character is Black.
Bitboard& colour_set_of_letter(Board& board, char32_t letter) {
    return (letter >= U'A' && letter <= U'Z') ? board.white_pieces : board.black_pieces;
}

}  // namespace

Bitboard& kind_set(Board& board, char32_t letter) {
    Bitboard* set = kind_field(board, letter);
    if (set == nullptr) fail("Invalid piece type");
    return *set;
}

Bitboard piece_set(const Board& board, char32_t letter) {
    if (const Bitboard* set = kind_field(const_cast<Board&>(board), letter)) return *set;
    switch (letter) {
        case U'A': case U'a': return board.white_pieces | board.black_pieces;
        case U'W': case U'w': return board.white_pieces;
        default: {
            std::string message = "Invalid piece type: ";
            append_utf8(message, letter);
            fail(std::move(message));
        }
    }
}

Bitboard get_pieces(const Board& board, char32_t piece_type) { return piece_set(board, piece_type); }

void set_pieces_or(Board& board, char32_t piece_type, Bitboard bitboard) {
    kind_set(board, piece_type) |= bitboard;
    colour_set_of_letter(board, piece_type) |= bitboard;
}

void set_pieces_xor(Board& board, char32_t piece_type, Bitboard bitboard) { kind_set(board, piece_type) ^= bitboard; }

}  // namespace plindervox
