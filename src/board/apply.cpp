#include "board/apply.hpp"

#include <algorithm>
#include <array>

#include "board/castling.hpp"
#include "board/error.hpp"

namespace plindervox {
namespace {

// The kind letters in kind order; a piece is identified by kind only.
constexpr std::array<char32_t, 6> KIND_LETTERS = BLACK_PIECES;

// Index into KIND_LETTERS of the first kind set holding the square, or -1.
inline int kind_at(const Board& board, Bitboard mask) {
    if ((board.pawns & mask) != 0) return 0;
    if ((board.rooks & mask) != 0) return 1;
    if ((board.knights & mask) != 0) return 2;
    if ((board.bishops & mask) != 0) return 3;
    if ((board.queens & mask) != 0) return 4;
    if ((board.kings & mask) != 0) return 5;
    return -1;
}

// Any kind set holds the square: whether kind_at finds something there.
bool holds_any_kind(const Board& board, Bitboard mask) {
    return ((board.pawns | board.rooks | board.knights | board.bishops | board.queens | board.kings) & mask) != 0;
}

constexpr Bitboard Board::*KIND_SETS[6] = {&Board::pawns,   &Board::rooks,  &Board::knights,
                                           &Board::bishops, &Board::queens, &Board::kings};

constexpr int PAWN = 0;

bool is_promotion_letter(char32_t letter) {
    return letter == U'q' || letter == U'r' || letter == U'b' || letter == U'n';
}

// Kept out of line so that the checks cost the played move nothing but the tests.
[[noreturn]] [[gnu::cold]] [[gnu::noinline]] void refuse(const char* reason, const Move& move,
                                                          SourceLocation where = SourceLocation::current()) {
    fail(reason + move_text(move), where);
}

// The three checks a move must pass before anything changes; returns the
// kind of the piece on the origin square.
inline int checked_moving_kind(const Board& board, const Move& move) {
    if (move.from_square >= SQUARE_COUNT || move.to_square >= SQUARE_COUNT) [[unlikely]] {
        refuse("Move squares must lie within 0-63 for ", move);
    }
    const int moving = kind_at(board, square_mask(move.from_square));
    if (moving < 0) refuse("Could not find the piece to move for ", move);
    if (has_promotion(move) && !is_promotion_letter(move.promotion)) {
        refuse("Panic in the disco!!! (promotion issue) for ", move);
    }
    return moving;
}

// The squares two king steps from each square: where a double pawn push or a
// castling king step lands. One read in place of working the distance out.
constexpr std::array<Bitboard, SQUARE_COUNT> TWO_STEPS_AWAY = [] {
    std::array<Bitboard, SQUARE_COUNT> table{};
    for (unsigned from = 0; from < SQUARE_COUNT; ++from) {
        for (unsigned to = 0; to < SQUARE_COUNT; ++to) {
            if (distance(from, to) == 2) table[from] |= square_mask(to);
        }
    }
    return table;
}();

bool two_steps_apart(unsigned from, unsigned to) { return contains(TWO_STEPS_AWAY[from], to); }

// Square `offset` away from a square, or none when that leaves the board.
std::optional<Square> offset_square(unsigned square, int offset) {
    const int target = static_cast<int>(square) + offset;
    if (target < 0 || target >= SQUARE_COUNT) return std::nullopt;
    return static_cast<Square>(target);
}

// The corners whose rooks castle, and the right each one's rook gives.
constexpr Bitboard CORNERS = square_mask(0) | square_mask(7) | square_mask(56) | square_mask(63);

constexpr std::array<unsigned char, SQUARE_COUNT> RIGHT_OF_CORNER = [] {
    std::array<unsigned char, SQUARE_COUNT> table{};
    table[0] = RIGHT_WHITE_QUEEN_SIDE;
    table[7] = RIGHT_WHITE_KING_SIDE;
    table[56] = RIGHT_BLACK_QUEEN_SIDE;
    table[63] = RIGHT_BLACK_KING_SIDE;
    return table;
}();

// A move of the mover's king, or a move from or onto a corner, while a rights
// text is present (the only moves that change it), updates the rights while
// `turn` still names the mover: the king's move takes its own side's two
// letters, a move from or onto a corner that corner's letter, whoever moves
// (so a rook captured on its corner takes its right along). Returns whether
// the move castles: a two-square step of the mover's king while it held a letter.
[[gnu::noinline]] bool update_castling_rights(Board& board, unsigned from, unsigned to) {
    const bool king_move = contains(board.kings & own_pieces(board), from);
    const bool castling = king_move && two_steps_apart(from, to) && check_castling_rights(board);
    const unsigned own_rights = board.turn ? RIGHT_WHITE_KING_SIDE | RIGHT_WHITE_QUEEN_SIDE
                                           : RIGHT_BLACK_KING_SIDE | RIGHT_BLACK_QUEEN_SIDE;
    board.castling_rights.erase_rights((king_move ? own_rights : 0) | RIGHT_OF_CORNER[from] | RIGHT_OF_CORNER[to]);
    return castling;
}

// The rook beside a castling king: h-rook to f, a-rook to d. Only a rook of
// the mover standing on its corner moves; a missing rook is not conjured up.
void move_castling_rook(Board& board, const Move& move, Bitboard& own) {
    const bool king_side = move.to_square > move.from_square;
    // A square off the board's either end wraps to a large unsigned value.
    const unsigned rook_from = move.to_square + (king_side ? 1u : -2u);
    const unsigned rook_to = move.to_square + (king_side ? -1u : 1u);
    if (!on_board(rook_from) || !on_board(rook_to) || !contains(board.rooks & own, rook_from)) return;
    const Bitboard toggle = square_mask(rook_from) | square_mask(rook_to);
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

// The move on the position: apply_move and play_move share it, inlined in both.
[[gnu::always_inline]] inline void play(Board& board, const Move& played) {
    const int moving = checked_moving_kind(board, played);

    const bool white = board.turn;
    const unsigned from = played.from_square;
    const unsigned to = played.to_square;
    const Bitboard from_mask = square_mask(from);
    const Bitboard to_mask = square_mask(to);
    const int captured = holds_any_kind(board, to_mask) ? kind_at(board, to_mask) : -1;

    // Written without branches: which way they go changes from move to move.
    const std::uint64_t keeps_clock = resets_half_move_clock(board, from_mask, to_mask) ? 0 : ~std::uint64_t{0};
    board.half_move_clock = (board.half_move_clock + 1) & keeps_clock;
    board.full_move_number += white ? 0 : 1;

    const bool en_passant_capture = moving == PAWN && board.en_passant_square == to;
    if (contains(board.pawns, from) && two_steps_apart(from, to)) {
        board.en_passant_square = offset_square(to, white ? -8 : 8);
    } else {
        board.en_passant_square.reset();
    }
    // Only a king move or a move touching a corner can change the rights or
    // castle, and without a rights text nothing does, so the text is not read.
    const bool castling = (((board.kings & own_pieces(board) & from_mask) | ((from_mask | to_mask) & CORNERS)) != 0) &&
                          board.castling_rights && update_castling_rights(board, from, to);

    Bitboard& own = white ? board.white_pieces : board.black_pieces;
    Bitboard& opponent = white ? board.black_pieces : board.white_pieces;
    board.*KIND_SETS[moving] ^= from_mask | to_mask;
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
        if (!(has_promotion(played) && played.promotion == KIND_LETTERS[captured])) board.*KIND_SETS[captured] ^= to_mask;
        opponent ^= to_mask;
    }
    board.turn = !white;
}

// Both history stacks grow together (they always hold as many entries), in
// steps large enough that a game rarely grows them twice; popped entries keep
// their storage for the next move.
void make_room_in_history(Board& board) {
    constexpr std::size_t FIRST_CAPACITY = 32;
    const std::size_t capacity = std::max(FIRST_CAPACITY, 2 * board.state_stack.size());
    board.move_stack.reserve(capacity);
    board.state_stack.reserve(capacity);
}

}  // namespace

bool resets_half_move_clock(const Board& board, Bitboard from_mask, Bitboard to_mask) {
    return ((board.pawns & own_pieces(board) & from_mask) | (opponent_pieces(board) & to_mask)) != 0;
}

void apply_move(Board& board, const Move& move) {
    const Move played = move;  // the caller's record may alias the history
    if (board.state_stack.size() == board.state_stack.capacity()) make_room_in_history(board);
    board.move_stack.push_back(played);
    push_snapshot(board);
    play(board, played);
}

void play_move(Board& board, const Move& played) { play(board, played); }

Move undo(Board& board) {
    if (board.move_stack.empty()) fail("Cannot pop a move: the move history is empty");
    const Move move = board.move_stack.back();
    board.move_stack.pop_back();
    take_position(board, board.state_stack.back());
    board.state_stack.pop_back();
    return move;
}

}  // namespace plindervox
