// Repetitions, the move-count rules, insufficient material and the result.
#include <optional>

#include "board/diagram.hpp"
#include "board/game_rules.hpp"
#include "board/legal_onto.hpp"
#include "board/movegen.hpp"

namespace plindervox {
namespace {

constexpr Bitboard DARK_SQUARES = 0xAA55AA55AA55AA55ULL;  // a1 is dark

// Which of K, Q, k, q the rights text holds, as four bits.
unsigned castling_letters(const CastlingText& rights) {
    if (!rights) return 0;
    unsigned held = 0;
    for (const char c : *rights) {
        held |= c == 'K' ? 1u : c == 'Q' ? 2u : c == 'k' ? 4u : c == 'q' ? 8u : 0u;
    }
    return held;
}

// The same sets, side to move and castling letters; the en passant square is
// compared apart, only for positions that pass this. Board and BoardState
// share the field names.
template <class A, class B>
bool same_placement_and_rights(const A& a, const B& b) {
    return a.turn == b.turn && a.white_pieces == b.white_pieces && a.black_pieces == b.black_pieces &&
           a.pawns == b.pawns && a.kings == b.kings && a.knights == b.knights && a.bishops == b.bishops &&
           a.rooks == b.rooks && a.queens == b.queens &&
           castling_letters(a.castling_rights) == castling_letters(b.castling_rights);
}

// The en passant square where an en passant capture is legal: a legal move
// onto it from a square showing a pawn, changing file. None otherwise.
std::optional<Square> capturable_en_passant(Board& board) {
    if (!board.en_passant_square) return std::nullopt;
    const Square target = *board.en_passant_square;
    MoveBuffer onto;
    add_legal_moves_onto(board, target, onto);
    for (const Move& move : onto) {
        const char letter = shown_letter(board, move.from_square);
        if ((letter == 'P' || letter == 'p') && file_of(move.from_square) != file_of(target)) return target;
    }
    return std::nullopt;
}

// The same for a position of the history, on a board of its own.
std::optional<Square> capturable_en_passant(const BoardState& state) {
    if (!state.en_passant_square) return std::nullopt;
    Board position;
    restore(position, BoardState(state));
    return capturable_en_passant(position);
}

}  // namespace

bool is_repetition(Board& board, std::uint32_t count) {
    if (count <= 1) return true;  // the current position has occurred once
    std::optional<std::optional<Square>> en_passant_now;  // worked out once, when first needed
    std::uint32_t seen = 1;
    for (auto state = board.state_stack.rbegin(); state != board.state_stack.rend(); ++state) {
        if (!same_placement_and_rights(board, *state)) continue;
        if (!en_passant_now) en_passant_now = capturable_en_passant(board);
        if (capturable_en_passant(*state) != *en_passant_now) continue;
        if (++seen >= count) return true;
    }
    return false;
}

bool is_fivefold_repetition(Board& board) { return is_repetition(board, 5); }

bool is_fifty_moves(Board& board) { return board.half_move_clock >= 100 && has_legal_move(board); }

bool is_seventyfive_moves(Board& board) { return board.half_move_clock >= 150 && has_legal_move(board); }

bool is_insufficient_material(const Board& board) {
    const ShownPieces shown = shown_pieces(board);
    const auto both = [&](int kind) { return shown.white[kind] | shown.black[kind]; };
    if ((both(PAWN_KIND) | both(ROOK_KIND) | both(QUEEN_KIND)) != 0) return false;
    const Bitboard knights = both(KNIGHT_KIND);
    const Bitboard bishops = both(BISHOP_KIND);
    if (bishops == 0) return !has_several(knights);
    return knights == 0 && ((bishops & DARK_SQUARES) == 0 || (bishops & ~DARK_SQUARES) == 0);
}

std::string result(Board& board, bool claim_draw) {
    constexpr const char* DRAW = "1/2-1/2";
    if (!has_legal_move(board)) {
        if (!is_check(board)) return DRAW;
        return board.turn ? "0-1" : "1-0";
    }
    if (is_insufficient_material(board) || board.half_move_clock >= 150 || is_repetition(board, 5)) return DRAW;
    if (claim_draw && (board.half_move_clock >= 100 || is_repetition(board, 3))) return DRAW;
    return "*";
}

}  // namespace plindervox
