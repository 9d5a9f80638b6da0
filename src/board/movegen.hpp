// Move generation for the side to move. The order of every list is fixed:
// pieces are visited from the highest square down (pawns by destination),
// and each generator says how its moves follow.
#pragma once

#include <optional>
#include <vector>

#include "board/board.hpp"
#include "board/move_buffer.hpp"

namespace plindervox {

// Piece generators append to `out` (piece_moves.cpp, pawn_moves.cpp,
// sliding_moves.cpp). The `_within` forms let each piece go only where
// `destinations` allows (AnyDestination or SafeDestination, legal_plan.hpp);
// the plain forms, anywhere its movement rules take it.
template <class Destinations> void add_knight_moves_within(const Board& board, MoveBuffer& out, const Destinations& destinations);
template <class Destinations> void add_king_moves_within(const Board& board, MoveBuffer& out, const Destinations& destinations);
template <class Destinations> void add_pawn_moves_within(const Board& board, MoveBuffer& out, const Destinations& destinations);
template <class Destinations> void add_bishop_moves_within(const Board& board, MoveBuffer& out, const Destinations& destinations);
template <class Destinations> void add_rook_moves_within(const Board& board, MoveBuffer& out, const Destinations& destinations);
template <class Destinations> void add_queen_moves_within(const Board& board, MoveBuffer& out, const Destinations& destinations);
void add_knight_moves(const Board& board, MoveBuffer& out);
void add_king_moves(const Board& board, MoveBuffer& out);
void add_pawn_moves(const Board& board, MoveBuffer& out);
void add_bishop_moves(const Board& board, MoveBuffer& out);
void add_rook_moves(const Board& board, MoveBuffer& out);
void add_queen_moves(const Board& board, MoveBuffer& out);

// Pawn, knight, king, bishop, rook and queen moves, in that order; no castling
// (pseudo_legal.cpp).
template <class Destinations>
void add_pseudo_legal_moves_within(const Board& board, MoveBuffer& out, const Destinations& destinations);
void add_pseudo_legal_moves(const Board& board, MoveBuffer& out);

// The squares pawns of one side capture onto, whatever stands there; no
// capture wraps round a side edge.
constexpr Bitboard pawn_attacks(Bitboard pawns, bool white) {
    if (white) return ((pawns << 7) & NOT_H_FILE) | ((pawns << 9) & NOT_A_FILE);
    return ((pawns >> 7) & NOT_A_FILE) | ((pawns >> 9) & NOT_H_FILE);
}

// Whether a pawn push or capture of one side ends on the square, and whether
// its pawns have an en passant capture (pawn_moves.cpp); used by the reach test.
bool pawn_reaches(const Board& board, unsigned square, bool white);
// Every square a push, double push or capture of that side ends on.
Bitboard pawn_reach(const Board& board, bool white);
bool pawn_reaches_en_passant(const Board& board, bool white);

// Whether some move of that side's pseudo-legal list would end on `square`
// (attacks.cpp). Decided without building the list, with the same answer.
bool reached_by(const Board& board, unsigned square, bool white);
// The pieces of that side that would capture a piece of the other side
// standing on `square`, were the board occupied as `occupied` says: pawn
// diagonals, knight and king steps (the highest king only) and the first
// piece met along each slider line (attacks.cpp). On a consistent board, for
// a square holding a piece of the other side, the set is empty exactly when
// reached_by is false, unless the square is also the en passant square
// (reached_by counts an en passant capture onto it).
Bitboard attackers_of(const Board& board, unsigned square, Bitboard occupied, bool white);
// The two halves of attackers_of: pawns, knights and the king, which do not
// depend on the occupancy; and bishops, rooks and queens, which do.
Bitboard stepping_attackers(const Board& board, unsigned square, bool white);
Bitboard slider_attackers_of(const Board& board, unsigned square, Bitboard occupied, bool white);
// Every square the pawns, knights and highest king of that side attack.
Bitboard stepping_attacks(const Board& board, bool white);
// Every square that side reaches, all at once: the set of squares for which
// reached_by is true (attacks.cpp).
Bitboard reached_squares(const Board& board, bool white);
// Reached by the side not to move.
bool is_attacked(const Board& board, unsigned square);
// The side to move's highest king is reached; false without a king.
bool is_check(const Board& board);

// Castling king moves allowed by the rights text, the back rank and the
// opponent's reach, in the order of the rights letters (castling.cpp); one
// move at most per letter, however long the text.
std::vector<Move> castling_moves(const Board& board);
// Whether the castling moves fit a buffer's castling room: the rights text
// is absent or at most CASTLING_ROOM bytes.
bool castling_moves_fit_buffer(const Board& board);
// The same moves appended to `out`; only where they fit the buffer.
void add_castling_moves(const Board& board, MoveBuffer& out);

// Plays the move on the position alone, asks whether the mover's king is then
// reached by the opponent, and puts the position back (legal.cpp): the legal
// filter's trial of a pseudo-legal move. A side without a king is never in check.
bool leaves_king_safe(Board& board, const Move& move);
// Every occupied square holds exactly one piece: one kind, one colour.
bool is_consistent(const Board& board);

// Castling moves first, then every pseudo-legal move that does not leave the
// mover's king reached (legal.cpp), appended to `out` in that final
// order; only where the castling moves fit the buffer. Moves the filter
// cannot settle from the position are tried on the board and the board put back.
void add_legal_moves(Board& board, MoveBuffer& out);
// The same list as a vector, for any rights text.
std::vector<Move> legal_moves(Board& board);
bool has_legal_move(Board& board);
bool is_checkmate(Board& board);
bool is_stalemate(Board& board);
bool is_game_over(Board& board);
// Leaf count of the legal-move tree to `depth`.
std::uint64_t perft(Board& board, int depth);

}  // namespace plindervox
