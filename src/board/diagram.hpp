// The position as the diagram shows it: for every square the one letter that
// str(board) prints there. On a consistent board that is simply the piece on
// the square; where sets overlap, the diagram's own rule decides (Black over
// White, the later kind over the earlier one), and a square in a kind set but
// in neither colour set shows nothing. The notation and the rules read
// inconsistent boards through these letters.
#pragma once

#include <array>

#include "board/board.hpp"

namespace plindervox {

// Kind indices in the order of WHITE_PIECES / BLACK_PIECES.
inline constexpr int PAWN_KIND = 0, ROOK_KIND = 1, KNIGHT_KIND = 2, BISHOP_KIND = 3, QUEEN_KIND = 4, KING_KIND = 5;

// The squares showing each letter: white[k] shows WHITE_PIECES[k], black[k]
// BLACK_PIECES[k]. The twelve sets are disjoint.
struct ShownPieces {
    std::array<Bitboard, 6> white{};
    std::array<Bitboard, 6> black{};

    Bitboard of(bool white_side, int kind) const { return white_side ? white[kind] : black[kind]; }
    Bitboard occupied() const {
        Bitboard all = 0;
        for (int kind = 0; kind < 6; ++kind) all |= white[kind] | black[kind];
        return all;
    }
};

ShownPieces shown_pieces(const Board& board);

// The letter shown on a square ("PRNBQK" or "prnbqk"), or '.' for none.
char shown_letter(const Board& board, unsigned square);

}  // namespace plindervox
