// Standard Algebraic Notation, written and read. Both directions ask the
// generators only for the legal moves onto the move's destination, and both
// compare pieces by the letter SAN writes for them: the diagram's letter on
// the origin square in upper case, "P" for a pawn (written without it). The
// writer disambiguates among exactly the moves the reader would match, so
// reading what was written gives the move back.
#include <algorithm>
#include <optional>
#include <vector>

#include "board/apply.hpp"
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
    if (promotion == NO_PROMOTION || promotion >= 0x80) return promotion == NO_PROMOTION ? 0 : '?';
    return upper(static_cast<char>(promotion));
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

// What a SAN text says about its move.
struct SanText {
    enum class Kind { KING_SIDE, QUEEN_SIDE, PIECE } kind = Kind::PIECE;
    char letter = 'P';
    int file = -1;  // of the origin, when the text names it
    int rank = -1;
    unsigned to = 0;
    char promotion = 0;
};

bool ends_with(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool is_file(char c) { return c >= 'a' && c <= 'h'; }
bool is_rank(char c) { return c >= '1' && c <= '8'; }

// Reads the text; none when it is no SAN at all.
std::optional<SanText> read_san(std::string_view text) {
    // A trailing annotation, then up to two check or mate signs, right or wrong.
    for (const std::string_view annotation : {"!!", "??", "!?", "?!", "!", "?"}) {
        if (ends_with(text, annotation)) {
            text.remove_suffix(annotation.size());
            break;
        }
    }
    for (int sign = 0; sign < 2 && !text.empty() && (text.back() == '+' || text.back() == '#'); ++sign) {
        text.remove_suffix(1);
    }
    SanText san;
    if (text == "O-O" || text == "0-0") {
        san.kind = SanText::Kind::KING_SIDE;
        return san;
    }
    if (text == "O-O-O" || text == "0-0-0") {
        san.kind = SanText::Kind::QUEEN_SIDE;
        return san;
    }
    if (!text.empty() && std::string_view("NBRQK").find(text.front()) != std::string_view::npos) {
        san.letter = text.front();
        text.remove_prefix(1);
    }
    // A promotion: "=Q", or the letter straight after the destination, in either case.
    if (text.size() >= 3 && std::string_view("QRBNqrbn").find(text.back()) != std::string_view::npos &&
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

[[noreturn]] void reject_with_position(const char* reason, std::string_view text, const Board& board) {
    reject(reason + std::string(text) + " in " + position_text(board));
}

// Whether a legal move onto the text's destination is one the text names.
bool matches(const Board& board, const SanText& san, const Move& move) {
    const unsigned from = move.from_square;
    if (piece_letter(board, from) != san.letter || promotion_letter(move.promotion) != san.promotion) return false;
    if (san.file >= 0 && file_of(from) != san.file) return false;
    if (san.rank >= 0 && rank_of(from) - 1 != san.rank) return false;
    // A pawn that changes file captures, and SAN names its file.
    return !(san.letter == 'P' && san.file < 0 && file_of(from) != file_of(move.to_square));
}

Move resolve(Board& board, const SanText& san, std::string_view text) {
    const std::vector<Move> castling = castling_moves(board);
    if (san.kind != SanText::Kind::PIECE) {
        const bool king_side = san.kind == SanText::Kind::KING_SIDE;
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

}  // namespace

std::string san(Board& board, const Move& move) {
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

Move parse_san(Board& board, std::string_view text) {
    const std::optional<SanText> read = read_san(text);
    if (!read) reject("Invalid SAN: " + std::string(text));
    return resolve(board, *read, text);
}

Move apply_san(Board& board, std::string_view text) {
    const Move move = parse_san(board, text);
    apply_move(board, move);
    return move;
}

}  // namespace plindervox
