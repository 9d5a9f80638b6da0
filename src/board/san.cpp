// Standard Algebraic Notation, written and read. Both directions compare
// pieces by the letter SAN writes for them: the diagram's letter on the
// origin square in upper case, "P" for a pawn (written without it). The
// writer disambiguates among exactly the moves the reader would match, so
// reading what was written gives the move back.
//
// On a consistent board both work from the piece kind and the destination
// alone, without the legal list: the pieces of that kind whose moves onto
// the square the generators list, each tried once as the legal filter tries
// a move (for the writer, that trial also tells the check the move gives).
// Any other board goes through the legal moves onto the square, each move's
// piece read off the diagram.
#include <algorithm>
#include <optional>
#include <vector>

#include "board/apply.hpp"
#include "board/attack_masks.hpp"
#include "board/diagram.hpp"
#include "board/legal_onto.hpp"
#include "board/movegen.hpp"
#include "board/notation.hpp"
#include "board/rejection.hpp"

namespace plindervox {
namespace {

constexpr char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The piece letter SAN uses for the piece on a square: "P" for a pawn.
char piece_letter(const Board& board, unsigned square) {
    const char shown = shown_letter(board, square);
    return shown == '.' ? 'P' : upper(shown);
}

// The promotion as SAN writes it (upper case), or 0 for none.
char promotion_letter(char32_t promotion) {
    if (promotion == NO_PROMOTION) return 0;
    return promotion < 0x80 ? upper(static_cast<char>(promotion)) : '?';
}

bool is_one_of(const std::vector<Move>& moves, const Move& move) {
    return std::any_of(moves.begin(), moves.end(), [&](const Move& other) { return same_move(other, move); });
}

// Plays a move for a look at the position after it, and puts the position
// back however the look ends.
class TrialMove {
public:
    TrialMove(Board& board, const Move& move) : board_(board), before_(snapshot(board)) { play_move(board, move); }
    TrialMove(const TrialMove&) = delete;
    TrialMove& operator=(const TrialMove&) = delete;
    ~TrialMove() { restore(board_, std::move(before_)); }

private:
    Board& board_;
    BoardState before_;
};

// "+" when the move leaves the opponent in check, "#" when checkmated.
const char* check_sign(Board& board, const Move& move) {
    const TrialMove trial(board, move);
    if (!is_check(board)) return "";
    return has_legal_move(board) ? "+" : "#";
}

bool is_file(char c) { return c >= 'a' && c <= 'h'; }
bool is_rank(char c) { return c >= '1' && c <= '8'; }
bool is_annotation_mark(char c) { return c == '!' || c == '?'; }
bool is_piece_letter(char c) { return c == 'N' || c == 'B' || c == 'R' || c == 'Q' || c == 'K'; }
bool is_promotion_letter(char c) {
    switch (c) {
        case 'Q': case 'R': case 'B': case 'N': case 'q': case 'r': case 'b': case 'n': return true;
        default: return false;
    }
}

// "O-O" or "0-0" (king-side), "O-O-O" or "0-0-0" (queen-side); none for other text.
// Read a byte at a time: it runs for every move of every game read.
std::optional<SanFields::Kind> castling_named(std::string_view text) {
    if (text.size() != 3 && text.size() != 5) return std::nullopt;
    const char o = text[0];
    if (o != 'O' && o != '0') return std::nullopt;
    for (std::size_t i = 1; i < text.size(); i += 2) {
        if (text[i] != '-' || text[i + 1] != o) return std::nullopt;
    }
    return text.size() == 3 ? SanFields::Kind::KING_SIDE : SanFields::Kind::QUEEN_SIDE;
}

}  // namespace

std::optional<SanFields> read_san_fields(std::string_view text) {
    // A trailing annotation ("!", "?", "!!", "??", "!?", "?!": one or two
    // marks), then up to two check or mate signs, right or wrong.
    for (int mark = 0; mark < 2 && !text.empty() && is_annotation_mark(text.back()); ++mark) text.remove_suffix(1);
    for (int sign = 0; sign < 2 && !text.empty() && (text.back() == '+' || text.back() == '#'); ++sign) {
        text.remove_suffix(1);
    }
    SanFields san;
    if (const std::optional<SanFields::Kind> castling = castling_named(text)) {
        san.kind = *castling;
        return san;
    }
    if (!text.empty() && is_piece_letter(text.front())) {
        san.letter = text.front();
        text.remove_prefix(1);
    }
    // A promotion: "=Q", or the letter straight after the destination, in either case.
    if (text.size() >= 3 && is_promotion_letter(text.back()) &&
        (text[text.size() - 2] == '=' || is_rank(text[text.size() - 2]))) {
        san.promotion = upper(text.back());
        text.remove_suffix(text[text.size() - 2] == '=' ? 2 : 1);
    }
    if (text.size() < 2 || !is_file(text[text.size() - 2]) || !is_rank(text.back())) return std::nullopt;
    san.to = static_cast<unsigned>((text.back() - '1') * 8 + (text[text.size() - 2] - 'a'));
    text.remove_suffix(2);
    // What stands before the destination: the origin's file, its rank, a capture sign.
    if (!text.empty() && is_file(text.front())) {
        san.file = text.front() - 'a';
        text.remove_prefix(1);
    }
    if (!text.empty() && is_rank(text.front())) {
        san.rank = text.front() - '1';
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == 'x') {
        if (san.letter == 'P' && san.file < 0) return std::nullopt;  // a pawn capture names its file
        text.remove_prefix(1);
    }
    if (!text.empty()) return std::nullopt;
    return san;
}

namespace {

[[noreturn]] void reject_with_position(const char* reason, std::string_view text, const Board& board) {
    reject(reason + std::string(text) + " in " + position_text(board));
}

// Whether a legal move onto the text's destination is one the text names.
bool matches(const Board& board, const SanFields& san, const Move& move) {
    const unsigned from = move.from_square;
    if (piece_letter(board, from) != san.letter || promotion_letter(move.promotion) != san.promotion) return false;
    if (san.file >= 0 && file_of(from) != san.file) return false;
    if (san.rank >= 0 && rank_of(from) - 1 != san.rank) return false;
    // A pawn that changes file captures, and SAN names its file.
    return !(san.letter == 'P' && san.file < 0 && file_of(from) != file_of(move.to_square));
}

Move resolve(Board& board, const SanFields& san, std::string_view text) {
    const std::vector<Move> castling = castling_moves(board);
    if (san.kind != SanFields::Kind::PIECE) {
        const bool king_side = san.kind == SanFields::Kind::KING_SIDE;
        for (const Move& move : castling) {
            if ((move.to_square > move.from_square) == king_side) return move;
        }
        reject_with_position("Illegal SAN: ", text, board);
    }
    MoveBuffer onto;
    add_legal_moves_onto(board, san.to, onto);
    std::optional<Move> found;
    for (const Move& move : onto) {
        if (!matches(board, san, move) || is_one_of(castling, move)) continue;
        if (found && !same_move(*found, move)) reject_with_position("Ambiguous SAN: ", text, board);
        found = move;
    }
    if (!found) reject_with_position("Illegal SAN: ", text, board);
    return *found;
}

// The origin's file, rank or both, as much as tells the move from the other
// legal moves onto its square that the reader would take for it.
std::string piece_move_text(const Board& board, const Move& move, const MoveBuffer& onto,
                            const std::vector<Move>& castling) {
    const unsigned from = move.from_square;
    const unsigned to = move.to_square;
    const char letter = piece_letter(board, from);
    const char promotion = promotion_letter(move.promotion);
    const bool pawn = letter == 'P';
    const bool capture = shown_letter(board, to) != '.' || (pawn && file_of(from) != file_of(to));
    bool others = false, same_file = false, same_rank = false;
    for (const Move& other : onto) {
        if (other.from_square == from || piece_letter(board, other.from_square) != letter ||
            promotion_letter(other.promotion) != promotion || is_one_of(castling, other)) {
            continue;
        }
        others = true;
        same_file |= file_of(other.from_square) == file_of(from);
        same_rank |= rank_of(other.from_square) == rank_of(from);
    }
    bool show_file = false, show_rank = false;
    if (pawn && capture) {
        show_file = true;
        show_rank = same_file;
    } else if (others) {
        show_file = !same_file || same_rank;
        show_rank = same_file;
    }
    std::string text;
    if (!pawn) text += letter;
    if (show_file) text += static_cast<char>('a' + file_of(from));
    if (show_rank) text += static_cast<char>('0' + rank_of(from));
    if (capture) text += 'x';
    text += square_text(to);
    if (promotion != 0) {
        text += '=';
        text += promotion;
    }
    return text;
}

constexpr Bitboard Board::*KIND_SETS[6] = {&Board::pawns,   &Board::rooks,  &Board::knights,
                                           &Board::bishops, &Board::queens, &Board::kings};

int kind_on(const Board& board, unsigned square) {
    for (int kind = 0; kind < 6; ++kind) {
        if (contains(board.*KIND_SETS[kind], square)) return kind;
    }
    return -1;
}

bool is_generated_promotion(char32_t letter) {
    return letter == U'q' || letter == U'r' || letter == U'n' || letter == U'b';
}

// What a trial of the move shows: whether it leaves the mover's king
// unreached (it is legal, if the generators list it), and the check it gives.
struct TrialOutcome {
    bool legal;
    const char* sign;
};

TrialOutcome try_move(Board& board, const Move& move, bool want_sign) {
    const bool mover = board.turn;
    const TrialMove trial(board, move);
    const std::optional<Square> king = king_square(board, mover);
    if (king && reached_by(board, *king, !mover)) return {false, ""};
    if (!want_sign || !is_check(board)) return {true, ""};
    return {true, has_legal_move(board) ? "+" : "#"};
}

// The generators' pawn rules for one pawn of the side to move: a push onto an
// empty square (two from the second rank over an empty one), a capture onto
// an opposing piece, an en passant capture from beside and behind the en
// passant square; a push or capture onto the last rank promotes to q, r, n or b.
bool pawn_lists(const Board& board, unsigned from, unsigned to, char32_t promotion) {
    const bool white = board.turn;
    const int forward = white ? 8 : -8;
    const Bitboard occupied = board.white_pieces | board.black_pieces;
    const int step = static_cast<int>(to) - static_cast<int>(from);
    const bool captures = contains(pawn_attacks(square_mask(from), white), to);
    const bool promotes = contains(white ? RANK_8 : RANK_1, to);
    const bool promotion_fits = promotes ? is_generated_promotion(promotion) : promotion == NO_PROMOTION;
    if (step == forward && !contains(occupied, to) && promotion_fits) return true;
    if (captures && contains(opponent_pieces(board), to) && promotion_fits) return true;
    if (promotion != NO_PROMOTION) return false;
    if (step == 2 * forward && contains(white ? RANK_4 : RANK_5, to) && !contains(occupied, to) &&
        !contains(occupied, static_cast<unsigned>(static_cast<int>(from) + forward))) {
        return true;
    }
    return captures && board.en_passant_square == to && contains(white ? RANK_5 : RANK_4, from);
}

// The own pieces of the mover's kind, the mover included, whose moves onto
// `to` (with that promotion) the generators list, on a consistent board.
Bitboard listing_pieces(const Board& board, int kind, unsigned to, char32_t promotion) {
    const Bitboard own = own_pieces(board);
    const Bitboard kind_set = board.*KIND_SETS[kind] & own;
    if (kind == PAWN_KIND) {
        Bitboard listing = 0;
        for (Bitboard pawns = kind_set & (pawn_attacks(square_mask(to), !board.turn) |
                                          square_mask(to) >> 8 | square_mask(to) >> 16 |
                                          square_mask(to) << 8 | square_mask(to) << 16);
             pawns != 0;) {
            const Square from = pop_highest(pawns);
            if (pawn_lists(board, from, to, promotion)) listing |= square_mask(from);
        }
        return listing;
    }
    if (contains(own, to) || promotion != NO_PROMOTION) return 0;
    switch (kind) {
        case KNIGHT_KIND: return knight_attack_masks()[to] & kind_set;
        case KING_KIND: {
            const std::optional<Square> king = king_square(board, board.turn);  // only the highest king moves
            return king && contains(king_attack_masks()[*king], to) ? square_mask(*king) : 0;
        }
        default: return slider_attackers_of(board, to, board.white_pieces | board.black_pieces, board.turn) & kind_set;
    }
}

[[noreturn]] void reject_move(const Board& board, const Move& move) {
    reject("Illegal move: " + move_text(move) + " in " + position_text(board));
}

bool is_castling_step(int kind, const Move& move) {
    return kind == KING_KIND && (move.from_square == 4 || move.from_square == 60) &&
           (move.to_square == move.from_square + 2 || move.to_square + 2 == move.from_square);
}

// The writer on a consistent board: the piece on the origin has one kind,
// and the move's letter and the other candidates follow from it.
std::string san_on_consistent_board(Board& board, const Move& move) {
    const unsigned from = move.from_square, to = move.to_square;
    if (!on_board(from) || !on_board(to) || !contains(own_pieces(board), from)) reject_move(board, move);
    const int kind = kind_on(board, from);
    if (is_castling_step(kind, move) && board.castling_rights) {
        if (!is_one_of(castling_moves(board), move)) reject_move(board, move);
        return std::string(to > from ? "O-O" : "O-O-O") + check_sign(board, move);
    }
    const Bitboard listing = listing_pieces(board, kind, to, move.promotion);
    if (!contains(listing, from)) reject_move(board, move);
    const TrialOutcome outcome = try_move(board, move, true);
    if (!outcome.legal) reject_move(board, move);

    const bool pawn = kind == PAWN_KIND;
    const bool capture = contains(opponent_pieces(board), to) || (pawn && file_of(from) != file_of(to));
    bool same_file = false, same_rank = false, others = false;
    for (Bitboard rivals = listing & ~square_mask(from); rivals != 0;) {
        const Square other = pop_highest(rivals);
        // A pawn capture names its file, and no other pawn of that file takes on the same square.
        if (pawn && capture) break;
        if (!try_move(board, Move{other, to, move.promotion}, false).legal) continue;
        others = true;
        same_file |= file_of(other) == file_of(from);
        same_rank |= rank_of(other) == rank_of(from);
    }
    char text[12];
    std::size_t size = 0;
    if (!pawn) text[size++] = static_cast<char>(WHITE_PIECES[kind]);
    if ((pawn && capture) || (others && (!same_file || same_rank))) text[size++] = static_cast<char>('a' + file_of(from));
    if (others && same_file) text[size++] = static_cast<char>('0' + rank_of(from));
    if (capture) text[size++] = 'x';
    text[size++] = static_cast<char>('a' + file_of(to));
    text[size++] = static_cast<char>('0' + rank_of(to));
    if (move.promotion != NO_PROMOTION) {
        text[size++] = '=';
        text[size++] = promotion_letter(move.promotion);
    }
    for (const char* sign = outcome.sign; *sign != '\0'; ++sign) text[size++] = *sign;
    return std::string(text, size);
}

// The reader on a consistent board: the pieces of the named kind whose moves
// onto the square the generators list, narrowed by the text, each tried.
Move resolve_on_consistent_board(Board& board, const SanFields& san, std::string_view text) {
    const int kind = static_cast<int>(std::string_view("PRNBQK").find(san.letter));
    const char32_t promotion = san.promotion == 0 ? NO_PROMOTION : static_cast<char32_t>(san.promotion - 'A' + 'a');
    std::optional<Move> found;
    for (Bitboard origins = listing_pieces(board, kind, san.to, promotion); origins != 0;) {
        const Square from = pop_highest(origins);
        const Move move{from, san.to, promotion};
        if (!matches(board, san, move) || !try_move(board, move, false).legal) continue;
        if (found) reject_with_position("Ambiguous SAN: ", text, board);
        found = move;
    }
    if (!found) reject_with_position("Illegal SAN: ", text, board);
    return *found;
}

Move parse_with(Board& board, std::string_view text, bool quick) {
    const std::optional<SanFields> read = read_san_fields(text);
    if (!read) reject("Invalid SAN: " + std::string(text));
    if (quick && read->kind == SanFields::Kind::PIECE && is_consistent(board)) {
        return resolve_on_consistent_board(board, *read, text);
    }
    return resolve(board, *read, text);
}

}  // namespace

std::string san(Board& board, const Move& move) {
    if (is_consistent(board)) return san_on_consistent_board(board, move);
    return san_from_legal_list(board, move);
}

std::string san_from_legal_list(Board& board, const Move& move) {
    const std::vector<Move> castling = castling_moves(board);
    std::string text;
    if (is_one_of(castling, move)) {
        text = move.to_square > move.from_square ? "O-O" : "O-O-O";
    } else {
        MoveBuffer onto;
        if (on_board(move.from_square)) add_legal_moves_onto(board, move.to_square, onto);
        if (std::none_of(onto.begin(), onto.end(), [&](const Move& other) { return same_move(other, move); })) {
            reject("Illegal move: " + move_text(move) + " in " + position_text(board));
        }
        text = piece_move_text(board, move, onto, castling);
    }
    return text + check_sign(board, move);
}

Move parse_san(Board& board, std::string_view text) { return parse_with(board, text, true); }

Move parse_san_from_legal_list(Board& board, std::string_view text) { return parse_with(board, text, false); }

Move apply_san(Board& board, std::string_view text) {
    const Move move = parse_san(board, text);
    apply_move(board, move);
    return move;
}

}  // namespace plindervox
