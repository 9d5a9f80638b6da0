// The Polyglot position key, worked out from the position when asked: its
// cost is a table read per piece, so apply and undo carry nothing for it.
#include "board/diagram.hpp"
#include "board/game_rules.hpp"
#include "board/movegen.hpp"
#include "board/polyglot_keys.hpp"

namespace plindervox {
namespace {

// Where each kind's values start, by colour, in kind order (pawn, rook,
// knight, bishop, queen, king): Polyglot counts black pawn 0, white pawn 1,
// black knight 2, ... white king 11, 64 values each.
constexpr std::array<int, 6> BLACK_BASE = {0 * 64, 6 * 64, 2 * 64, 4 * 64, 8 * 64, 10 * 64};
constexpr int CASTLING_BASE = 768;
constexpr int EN_PASSANT_BASE = 772;
constexpr int WHITE_TO_MOVE = 780;

std::uint64_t pieces_key(Bitboard squares, int base) {
    std::uint64_t key = 0;
    for (; squares != 0; squares &= squares - 1) key ^= POLYGLOT_RANDOM64[base + std::countr_zero(squares)];
    return key;
}

// Each of the four letters once, wherever it stands in the text.
std::uint64_t castling_key(const Board& board) {
    if (!board.castling_rights) return 0;
    unsigned held = 0;
    for (const char c : *board.castling_rights) {
        switch (c) {
            case 'K': held |= 1; break;
            case 'Q': held |= 2; break;
            case 'k': held |= 4; break;
            case 'q': held |= 8; break;
            default: break;
        }
    }
    std::uint64_t key = 0;
    for (int letter = 0; letter < 4; ++letter) {
        if ((held >> letter) & 1) key ^= POLYGLOT_RANDOM64[CASTLING_BASE + letter];
    }
    return key;
}

}  // namespace

std::uint64_t zobrist_hash(const Board& board) {
    const ShownPieces shown = shown_pieces(board);
    std::uint64_t key = 0;
    for (int kind = 0; kind < 6; ++kind) {
        key ^= pieces_key(shown.black[kind], BLACK_BASE[kind]);
        key ^= pieces_key(shown.white[kind], BLACK_BASE[kind] + 64);
    }
    key ^= castling_key(board);
    if (board.en_passant_square) {
        const Bitboard movers_pawns = shown.of(board.turn, PAWN_KIND);
        if (contains(pawn_attacks(movers_pawns, board.turn), *board.en_passant_square)) {
            key ^= POLYGLOT_RANDOM64[EN_PASSANT_BASE + file_of(*board.en_passant_square)];
        }
    }
    if (board.turn) key ^= POLYGLOT_RANDOM64[WHITE_TO_MOVE];
    return key;
}

}  // namespace plindervox
