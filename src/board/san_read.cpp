// SAN text to a legal move. On a consistent board the candidates come from
// the named piece kind and the destination alone (a knight's step back from
// the square, the first piece along each line, the pawn one or two squares
// behind or diagonally behind), so the legal list is never built; each
// candidate is then tried as the legal filter tries a move. An inconsistent
// board reads the text against its legal list and the letters its diagram shows.
#include "board/san_read.hpp"

#include <vector>

#include "board/apply.hpp"
#include "board/attack_masks.hpp"
#include "board/movegen.hpp"

namespace plindervox {
namespace {

bool is_file_letter(char c) { return c >= 'a' && c <= 'h'; }
bool is_rank_digit(char c) { return c >= '1' && c <= '8'; }
bool is_piece_letter(char c) { return c == 'N' || c == 'B' || c == 'R' || c == 'Q' || c == 'K'; }
bool is_check_or_annotation(char c) { return c == '+' || c == '#' || c == '!' || c == '?'; }

// The promotion a letter names, in either case; 0 for any other byte.
char32_t promotion_named(char c) {
    switch (c) {
        case 'Q': case 'q': return U'q';
        case 'R': case 'r': return U'r';
        case 'B': case 'b': return U'b';
        case 'N': case 'n': return U'n';
        default: return 0;
    }
}

std::optional<SanText::Castling> castling_named(std::string_view text) {
    if (text == "O-O" || text == "0-0" || text == "o-o") return SanText::Castling::king_side;
    if (text == "O-O-O" || text == "0-0-0" || text == "o-o-o") return SanText::Castling::queen_side;
    return std::nullopt;
}

constexpr Bitboard file_squares(int file) { return A_FILE << file; }
constexpr Bitboard rank_squares(int rank) { return RANK_1 << (8 * rank); }

// The origins the text's file and rank leave open.
Bitboard origins_allowed(const SanText& san) {
    Bitboard allowed = ~Bitboard{0};
    if (san.from_file >= 0) allowed &= file_squares(san.from_file);
    if (san.from_rank >= 0) allowed &= rank_squares(san.from_rank);
    return allowed;
}

Move move_of(unsigned from, const SanText& san) {
    return Move{from, san.to, san.promotion != 0 ? san.promotion : NO_PROMOTION};
}

// Pawns of the side to move with a pseudo-legal move onto san.to: a push
// from one square behind (or two, over an empty square, onto the double-push
// rank), or a capture from the named file diagonally behind, onto an
// opposing piece or the en passant square. Consistent boards only.
Bitboard pawn_origins(const Board& board, const SanText& san) {
    const bool white = board.turn;
    const Bitboard own_pawns = board.pawns & own_pieces(board);
    const Bitboard occupied = board.white_pieces | board.black_pieces;
    const int to = static_cast<int>(san.to);
    const int forward = white ? 8 : -8;
    const int to_file = file_of(san.to);
    if (san.from_file < 0 || san.from_file == to_file) {
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
    const int side = san.from_file - to_file;
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
Bitboard piece_origins(const Board& board, const SanText& san) {
    const Bitboard own = own_pieces(board);
    if (contains(own, san.to)) return 0;
    const Bitboard occupied = board.white_pieces | board.black_pieces;
    switch (san.piece) {
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
bool promotion_fits(const Board& board, const SanText& san) {
    if (san.piece != U'P') return san.promotion == 0;
    const bool last_rank = contains(board.turn ? RANK_8 : RANK_1, san.to);
    return last_rank == (san.promotion != 0);
}

// The upper-case letter the diagram shows on a square (Black's over White's,
// the later kind over the earlier), or 0 for an empty one.
char32_t shown_piece(const Board& board, unsigned square) {
    constexpr char32_t LETTERS[] = {U'K', U'Q', U'B', U'N', U'R', U'P'};
    const Bitboard kinds[] = {board.kings, board.queens, board.bishops, board.knights, board.rooks, board.pawns};
    for (const Bitboard colour : {board.black_pieces, board.white_pieces}) {
        if (!contains(colour, square)) continue;
        for (std::size_t i = 0; i < 6; ++i) {
            if (contains(kinds[i] & colour, square)) return LETTERS[i];
        }
    }
    return 0;
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

SanReading castling_move(Board& board, SanText::Castling castling) {
    const unsigned file = castling == SanText::Castling::king_side ? 6 : 2;
    for (const Move& move : castling_moves(board)) {
        if (move.to_square % 8 == file) return {SanFault::none, move};
    }
    return {SanFault::illegal, Move{0, 0, NO_PROMOTION}};
}

// An inconsistent board: the legal list, each move's piece read off the diagram.
SanReading from_legal_list(Board& board, const SanText& san) {
    const std::size_t castling_count = castling_moves(board).size();
    const std::vector<Move> legal = legal_moves(board);
    const Bitboard allowed = origins_allowed(san);
    const char32_t promotion = san.promotion != 0 ? san.promotion : NO_PROMOTION;
    Choice choice;
    for (std::size_t i = castling_count; i < legal.size(); ++i) {
        const Move& move = legal[i];
        if (move.to_square != san.to || move.promotion != promotion || !contains(allowed, move.from_square)) continue;
        if (shown_piece(board, move.from_square) == san.piece) choice.offer(move);
    }
    return choice.reading;
}

// The origins of the pseudo-legal moves the text names on a consistent board.
Bitboard candidate_origins(const Board& board, const SanText& san) {
    if (!promotion_fits(board, san)) return 0;
    return (san.piece == U'P' ? pawn_origins(board, san) : piece_origins(board, san)) & origins_allowed(san);
}

// The legal move the text names on a consistent board, found from the
// candidates of its piece kind.
SanReading from_candidates(Board& board, const SanText& san) {
    Choice choice;
    for (Bitboard origins = candidate_origins(board, san); origins != 0;) {
        const Move move = move_of(pop_highest(origins), san);
        if (leaves_king_safe(board, move)) choice.offer(move);
    }
    return choice.reading;
}

SanReading read(Board& board, const SanText& san) {
    if (san.castling != SanText::Castling::none) return castling_move(board, san.castling);
    return is_consistent(board) ? from_candidates(board, san) : from_legal_list(board, san);
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

}  // namespace

std::optional<SanText> parse_san_text(std::string_view text) {
    while (!text.empty() && is_check_or_annotation(text.back())) text.remove_suffix(1);
    SanText san;
    if (const auto castling = castling_named(text)) {
        san.castling = *castling;
        return san;
    }
    if (text.size() >= 3 && promotion_named(text.back()) != 0) {
        const char before = text[text.size() - 2];
        if (before == '=' || is_rank_digit(before)) {
            san.promotion = promotion_named(text.back());
            text.remove_suffix(before == '=' ? 2 : 1);
        }
    }
    if (text.size() < 2 || !is_file_letter(text[text.size() - 2]) || !is_rank_digit(text.back())) return std::nullopt;
    san.to = static_cast<unsigned>((text.back() - '1') * 8 + (text[text.size() - 2] - 'a'));
    text.remove_suffix(2);
    if (!text.empty() && is_piece_letter(text.front())) {
        san.piece = static_cast<char32_t>(text.front());
        text.remove_prefix(1);
    }
    // "x" (or ":") for a capture, "-" between the squares of long algebraic text.
    if (!text.empty() && (text.back() == 'x' || text.back() == ':' || text.back() == '-')) text.remove_suffix(1);
    if (!text.empty() && is_rank_digit(text.back())) {
        san.from_rank = text.back() - '1';
        text.remove_suffix(1);
    }
    if (!text.empty() && is_file_letter(text.back())) {
        san.from_file = text.back() - 'a';
        text.remove_suffix(1);
    }
    if (!text.empty() || (san.promotion != 0 && san.piece != U'P')) return std::nullopt;
    return san;
}

SanReading read_san(Board& board, std::string_view text) {
    const std::optional<SanText> san = parse_san_text(text);
    if (!san) return {};
    return read(board, *san);
}

SanReading play_san(Board& board, std::string_view text, bool consistent) {
    const std::optional<SanText> san = parse_san_text(text);
    if (!san) return {};
    // The common case, one piece of the kind that can go there: tried by
    // playing it for good, and taken back only if it proves illegal.
    if (san->castling == SanText::Castling::none && consistent) {
        const Bitboard origins = candidate_origins(board, *san);
        if (origins != 0 && !has_several(origins)) {
            const Move move = move_of(highest_square(origins), *san);
            if (applied_if_legal(board, move)) return {SanFault::none, move};
            return {SanFault::illegal, Move{0, 0, NO_PROMOTION}};
        }
    }
    const SanReading reading = consistent && san->castling == SanText::Castling::none ? from_candidates(board, *san)
                                                                                       : read(board, *san);
    if (reading.fault == SanFault::none) apply_move(board, reading.move);
    return reading;
}

}  // namespace plindervox
