// SAN text to a legal move, for reading games. On a consistent board the
// candidates of a piece move come from the named kind and the destination
// alone (a knight's step back from the square, the first piece along each
// line, the pawn one or two squares behind or diagonally behind), so the
// legal list is never built; each candidate is then tried as the legal
// filter tries a move, and a lone candidate is tried by playing it for good.
// Castling, and every move of an inconsistent board, go through parse_san.
#include "board/san_read.hpp"

#include <vector>

#include "board/apply.hpp"
#include "board/attack_masks.hpp"
#include "board/movegen.hpp"
#include "board/rejection.hpp"

namespace plindervox {
namespace {

constexpr Bitboard file_squares(int file) { return A_FILE << file; }
constexpr Bitboard rank_squares(int rank) { return RANK_1 << (8 * rank); }

// The origins the text's file and rank leave open.
Bitboard origins_allowed(const SanFields& san) {
    Bitboard allowed = ~Bitboard{0};
    if (san.file >= 0) allowed &= file_squares(san.file);
    if (san.rank >= 0) allowed &= rank_squares(san.rank);
    return allowed;
}

// The promotion letter a move of the text carries: lower case, as the generators give it.
char32_t promotion_of(const SanFields& san) {
    return san.promotion != 0 ? static_cast<char32_t>(san.promotion - 'A' + 'a') : NO_PROMOTION;
}

Move move_of(unsigned from, const SanFields& san) { return Move{from, san.to, promotion_of(san)}; }

// Pawns of the side to move with a pseudo-legal move onto san.to: a push
// from one square behind (or two, over an empty square, onto the double-push
// rank), or a capture from the named file diagonally behind, onto an
// opposing piece or the en passant square. Consistent boards only.
Bitboard pawn_origins(const Board& board, const SanFields& san) {
    const bool white = board.turn;
    const Bitboard own_pawns = board.pawns & own_pieces(board);
    const Bitboard occupied = board.white_pieces | board.black_pieces;
    const int to = static_cast<int>(san.to);
    const int forward = white ? 8 : -8;
    const int to_file = file_of(san.to);
    if (san.file < 0 || san.file == to_file) {
        if (contains(occupied, san.to)) return 0;
        const int one_back = to - forward;
        if (one_back < 0 || one_back >= SQUARE_COUNT) return 0;
        if (contains(own_pawns, static_cast<unsigned>(one_back))) return square_mask(static_cast<unsigned>(one_back));
        const int two_back = one_back - forward;
        const bool double_push_rank = contains(white ? RANK_4 : RANK_5, san.to);
        if (double_push_rank && !contains(occupied, static_cast<unsigned>(one_back)) &&
            contains(own_pawns, static_cast<unsigned>(two_back))) {
            return square_mask(static_cast<unsigned>(two_back));
        }
        return 0;
    }
    const int side = san.file - to_file;
    if (side != 1 && side != -1) return 0;
    const int from = to - forward + side;
    if (from < 0 || from >= SQUARE_COUNT || !contains(own_pawns, static_cast<unsigned>(from))) return 0;
    const Bitboard origin = square_mask(static_cast<unsigned>(from));
    if (contains(opponent_pieces(board), san.to)) return origin;
    // En passant: onto the square from beside it, from the fifth rank (White) or the fourth.
    if (board.en_passant_square == san.to && (origin & (white ? RANK_5 : RANK_4)) != 0) return origin;
    return 0;
}

// Pieces of the named kind of the side to move with a pseudo-legal move onto
// san.to. Consistent boards only.
Bitboard piece_origins(const Board& board, const SanFields& san) {
    const Bitboard own = own_pieces(board);
    if (contains(own, san.to)) return 0;
    const Bitboard occupied = board.white_pieces | board.black_pieces;
    switch (san.letter) {
        case U'N': return knight_attack_masks()[san.to] & board.knights & own;
        case U'K': {
            // Only the highest king of a side moves.
            const std::optional<Square> king = king_square(board, board.turn);
            return king && contains(king_attack_masks()[san.to], *king) ? square_mask(*king) : 0;
        }
        case U'B': return slider_attackers_of(board, san.to, occupied, board.turn) & board.bishops;
        case U'R': return slider_attackers_of(board, san.to, occupied, board.turn) & board.rooks;
        default: return slider_attackers_of(board, san.to, occupied, board.turn) & board.queens;
    }
}

// A pawn's move onto the last rank must name its promotion, and no other move may.
bool promotion_fits(const Board& board, const SanFields& san) {
    if (san.letter != U'P') return san.promotion == 0;
    const bool last_rank = contains(board.turn ? RANK_8 : RANK_1, san.to);
    return last_rank == (san.promotion != 0);
}

bool same_move(const Move& a, const Move& b) {
    return a.from_square == b.from_square && a.to_square == b.to_square && a.promotion == b.promotion;
}

// Counts the distinct legal moves among the candidates, keeping the first.
struct Choice {
    SanReading reading{SanFault::illegal, Move{0, 0, NO_PROMOTION}};
    void offer(const Move& move) {
        if (reading.fault == SanFault::illegal) {
            reading = {SanFault::none, move};
        } else if (!same_move(reading.move, move)) {
            reading.fault = SanFault::ambiguous;
        }
    }
};

// The origins of the pseudo-legal moves the text names on a consistent board.
Bitboard candidate_origins(const Board& board, const SanFields& san) {
    if (!promotion_fits(board, san)) return 0;
    return (san.letter == U'P' ? pawn_origins(board, san) : piece_origins(board, san)) & origins_allowed(san);
}

// The legal move the text names on a consistent board, found from the
// candidates of its piece kind.
SanReading from_candidates(Board& board, const SanFields& san) {
    Choice choice;
    for (Bitboard origins = candidate_origins(board, san); origins != 0;) {
        const Move move = move_of(pop_highest(origins), san);
        if (leaves_king_safe(board, move)) choice.offer(move);
    }
    return choice.reading;
}

// Applies a pseudo-legal move and keeps it when it leaves the mover's king
// unreached; otherwise takes it back. The trial and the play in one.
bool applied_if_legal(Board& board, const Move& move) {
    const bool mover = board.turn;
    apply_move(board, move);
    const std::optional<Square> king = king_square(board, mover);
    if (!king || !reached_by(board, *king, !mover)) return true;
    undo(board);
    return false;
}

// Any other board or text: Board.parse_san's own reading, its rejection
// told apart by the word it begins with.
SanReading read_by_parse_san(Board& board, std::string_view text) {
    try {
        return {SanFault::none, parse_san(board, text)};
    } catch (const RejectedInput& rejected) {
        const std::string_view message = rejected.message;
        if (message.starts_with("Invalid")) return {SanFault::not_san, Move{0, 0, NO_PROMOTION}};
        if (message.starts_with("Ambiguous")) return {SanFault::ambiguous, Move{0, 0, NO_PROMOTION}};
        return {SanFault::illegal, Move{0, 0, NO_PROMOTION}};
    }
}

}  // namespace

SanReading read_san(Board& board, std::string_view text) {
    const std::optional<SanFields> san = read_san_fields(text);
    if (!san) return {};
    if (san->kind != SanFields::Kind::PIECE || !is_consistent(board)) return read_by_parse_san(board, text);
    return from_candidates(board, *san);
}

SanReading play_san(Board& board, std::string_view text, bool consistent) {
    const std::optional<SanFields> san = read_san_fields(text);
    if (!san) return {};
    if (san->kind != SanFields::Kind::PIECE || !consistent) {
        const SanReading reading = read_by_parse_san(board, text);
        if (reading.fault == SanFault::none) apply_move(board, reading.move);
        return reading;
    }
    // The common case, one piece of the kind that can go there: tried by
    // playing it for good, and taken back only if it proves illegal.
    const Bitboard origins = candidate_origins(board, *san);
    if (origins != 0 && !has_several(origins)) {
        const Move move = move_of(highest_square(origins), *san);
        if (applied_if_legal(board, move)) return {SanFault::none, move};
        return {SanFault::illegal, Move{0, 0, NO_PROMOTION}};
    }
    const SanReading reading = from_candidates(board, *san);
    if (reading.fault == SanFault::none) apply_move(board, reading.move);
    return reading;
}

}  // namespace plindervox
