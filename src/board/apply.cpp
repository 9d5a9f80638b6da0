#include "board/apply.hpp"

#include <array>

#include "board/castling.hpp"
#include "board/error.hpp"

namespace plindervox {
namespace {

// The kind letters in kind order; a piece is identified by kind only.
constexpr std::array<char32_t, 6> KIND_LETTERS = BLACK_PIECES;

// Index into KIND_LETTERS of the first kind set holding the square, or -1.
int kind_at(const Board& board, Bitboard mask) {
    const std::array<Bitboard, 6> sets = {board.pawns,   board.rooks,  board.knights,
                                          board.bishops, board.queens, board.kings};
    for (int kind = 0; kind < 6; ++kind) {
        if ((sets[kind] & mask) != 0) return kind;
    }
    return -1;
}

constexpr int PAWN = 0;

bool is_promotion_letter(char32_t letter) {
    return letter == U'q' || letter == U'r' || letter == U'b' || letter == U'n';
}

// The three checks a move must pass before anything changes; returns the
// kind of the piece on the origin square.
int checked_moving_kind(const Board& board, const Move& move) {
    if (move.from_square >= SQUARE_COUNT || move.to_square >= SQUARE_COUNT) {
        fail("Move squares must lie within 0-63 for " + move_text(move));
    }
    const int moving = kind_at(board, square_mask(move.from_square));
    if (moving < 0) fail("Could not find the piece to move for " + move_text(move));
    if (has_promotion(move) && !is_promotion_letter(move.promotion)) {
        fail("Panic in the disco!!! (promotion issue) for " + move_text(move));
    }
    return moving;
}

// Square `offset` away from a square, or none when that leaves the board.
std::optional<Square> offset_square(unsigned square, int offset) {
    const int target = static_cast<int>(square) + offset;
    if (target < 0 || target >= SQUARE_COUNT) return std::nullopt;
    return static_cast<Square>(target);
}

// Castling and rook moves update the rights while `turn` still names the mover.
// Returns whether the move is a castling king move.
bool update_castling_rights(Board& board, unsigned from, int move_distance) {
    const Bitboard own = own_pieces(board);
    const Bitboard from_mask = square_mask(from);
    if (((board.kings | board.rooks) & own & from_mask) == 0) return false;
    if (!check_castling_rights(board)) return false;
    if ((board.kings & own & from_mask) != 0) {
        // Any king move of a side holding a right clears every right, both sides'.
        remove_castling_rights(board, U'a');
        return move_distance == 2;
    }
    if ((from_mask & A_FILE) != 0) {
        remove_castling_rights(board, U'q');
    } else if ((from_mask & H_FILE) != 0) {
        remove_castling_rights(board, U'k');
    }
    return false;
}

// The rook beside a castling king: h-rook to f, a-rook to d. Only a rook of
// the mover standing on its corner moves; a missing rook is not conjured up.
void move_castling_rook(Board& board, const Move& move, Bitboard& own) {
    const bool king_side = move.to_square > move.from_square;
    const auto rook_from = offset_square(move.to_square, king_side ? 1 : -2);
    const auto rook_to = offset_square(move.to_square, king_side ? -1 : 1);
    if (!rook_from || !rook_to || !contains(board.rooks & own, *rook_from)) return;
    const Bitboard toggle = square_mask(*rook_from) | square_mask(*rook_to);
    board.rooks ^= toggle;
    own ^= toggle;
}

Bitboard& promotion_set(Board& board, char32_t letter) {
    switch (letter) {
        case U'q': return board.queens;
        case U'r': return board.rooks;
        case U'b': return board.bishops;
        default: return board.knights;
    }
}

}  // namespace

bool resets_half_move_clock(const Board& board, Bitboard from_mask, Bitboard to_mask) {
    return ((board.pawns & own_pieces(board) & from_mask) | (opponent_pieces(board) & to_mask)) != 0;
}

void apply_move(Board& board, const Move& move) {
    const Move played = move;  // the caller's record may alias the history
    board.move_stack.push_back(played);
    board.state_stack.push_back(snapshot(board));
    play_move(board, played);
}

void play_move(Board& board, const Move& played) {
    const int moving = checked_moving_kind(board, played);

    const bool white = board.turn;
    const unsigned from = played.from_square;
    const unsigned to = played.to_square;
    const Bitboard from_mask = square_mask(from);
    const Bitboard to_mask = square_mask(to);
    const int move_distance = distance(from, to);
    const int captured = kind_at(board, to_mask);

    board.half_move_clock = resets_half_move_clock(board, from_mask, to_mask) ? 0 : board.half_move_clock + 1;
    if (!white) board.full_move_number += 1;

    const bool en_passant_capture = moving == PAWN && board.en_passant_square == to;
    if (move_distance == 2 && contains(board.pawns, from)) {
        board.en_passant_square = offset_square(to, white ? -8 : 8);
    } else {
        board.en_passant_square.reset();
    }
    const bool castling = update_castling_rights(board, from, move_distance);

    Bitboard& own = white ? board.white_pieces : board.black_pieces;
    Bitboard& opponent = white ? board.black_pieces : board.white_pieces;
    const std::array<Bitboard*, 6> kind_sets = {&board.pawns,   &board.rooks,  &board.knights,
                                                &board.bishops, &board.queens, &board.kings};
    *kind_sets[moving] ^= from_mask | to_mask;
    own ^= from_mask | to_mask;

    if (!has_promotion(played)) {
        if (castling) {
            move_castling_rook(board, played, own);
        } else if (en_passant_capture) {
            if (const auto victim = offset_square(to, white ? -8 : 8)) {
                board.pawns ^= square_mask(*victim);
                opponent ^= square_mask(*victim);
            }
        }
    } else {
        board.pawns ^= to_mask;
        promotion_set(board, played.promotion) |= to_mask;
    }

    if (captured >= 0) {
        // A pawn taking a queen and promoting to one already set that bit.
        if (!(has_promotion(played) && played.promotion == KIND_LETTERS[captured])) *kind_sets[captured] ^= to_mask;
        opponent ^= to_mask;
    }
    board.turn = !white;
}

Move undo(Board& board) {
    if (board.move_stack.empty()) fail("Cannot pop a move: the move history is empty");
    const Move move = board.move_stack.back();
    board.move_stack.pop_back();
    restore(board, std::move(board.state_stack.back()));
    board.state_stack.pop_back();
    return move;
}

}  // namespace plindervox
