#include "board/diagram.hpp"

namespace plindervox {

ShownPieces shown_pieces(const Board& board) {
    const std::array<Bitboard, 6> kinds = {board.pawns,   board.rooks,  board.knights,
                                           board.bishops, board.queens, board.kings};
    ShownPieces shown;
    // Walking the kinds from the last painted down, each square goes to the
    // first kind that holds it: Black's letters first, then White's on what is left.
    Bitboard taken = 0;
    for (int kind = 5; kind >= 0; --kind) {
        shown.black[kind] = kinds[kind] & board.black_pieces & ~taken;
        taken |= shown.black[kind];
    }
    for (int kind = 5; kind >= 0; --kind) {
        shown.white[kind] = kinds[kind] & board.white_pieces & ~taken;
        taken |= shown.white[kind];
    }
    return shown;
}

char shown_letter(const Board& board, unsigned square) {
    const std::array<Bitboard, 6> kinds = {board.pawns,   board.rooks,  board.knights,
                                           board.bishops, board.queens, board.kings};
    for (const bool black : {true, false}) {
        if (!contains(black ? board.black_pieces : board.white_pieces, square)) continue;
        for (int kind = 5; kind >= 0; --kind) {
            if (contains(kinds[kind], square)) return static_cast<char>((black ? BLACK_PIECES : WHITE_PIECES)[kind]);
        }
    }
    return '.';
}

}  // namespace plindervox
