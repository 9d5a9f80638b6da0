#include "board/castling.hpp"

#include "board/error.hpp"
#include "board/movegen.hpp"
#include "board/text.hpp"

namespace plindervox {
namespace {

constexpr Bitboard F_AND_G_FILES = 0x6060606060606060ULL;
constexpr Bitboard B_C_AND_D_FILES = 0x0E0E0E0E0E0E0E0EULL;

// The squares one side's castling uses.
struct CastlingSquares {
    Square king_from;
    Square king_side_rook;   // h1 / h8
    Square queen_side_rook;  // a1 / a8
    Square king_side[2];     // f and g: the king crosses f and lands on g
    Square queen_side[2];    // d and c: the king crosses d and lands on c
    Bitboard back_rank;
};

constexpr CastlingSquares WHITE_CASTLING = {4, 7, 0, {5, 6}, {3, 2}, RANK_1};
constexpr CastlingSquares BLACK_CASTLING = {60, 63, 56, {61, 62}, {59, 58}, RANK_8};

// The opponent's attacks on single squares: every square it reaches, and
// every square one of its pawns attacks (a pawn's capture onto an empty
// square is no move of its list, yet the king may not pass there). Worked
// out at once for the first square asked about, and read for the others.
struct OpponentAttacks {
    const Board& board;
    std::optional<Bitboard> attacked = std::nullopt;

    bool operator()(Square square) {
        if (!attacked) {
            const bool opponent = !board.turn;
            attacked = reached_squares(board, opponent) |
                       pawn_attacks(board.pawns & colour_pieces(board, opponent), opponent);
        }
        return contains(*attacked, square);
    }
};

// One of the mover's letters: upper case for White, lower case for Black.
// Letters are read as characters; ASCII ones without decoding.
bool is_movers_letter(char32_t letter, bool white) {
    if (letter < 0x80) return white ? (letter >= U'A' && letter <= U'Z') : (letter >= U'a' && letter <= U'z');
    return white ? is_uppercase(letter) : is_lowercase(letter);
}

// The king's square and the two it crosses and lands on are all unattacked,
// tested in that order.
bool path_is_safe(OpponentAttacks& attacked, Square king_from, const Square (&path)[2]) {
    return !attacked(king_from) && !attacked(path[0]) && !attacked(path[1]);
}

// Calls push(from, to) for each castling move, in the order of the letters.
// A letter gives its move when the side's king stands on e1 (e8), the side's
// rook on the corner the letter names, the squares between them are empty,
// and no square the king stands on, crosses or lands on is attacked.
template <class Push>
void for_each_castling_move(const Board& board, Push push) {
    if (!board.castling_rights) return;
    const CastlingSquares& squares = board.turn ? WHITE_CASTLING : BLACK_CASTLING;
    const Bitboard own = own_pieces(board);
    if (!contains(board.kings & own, squares.king_from)) return;
    const Bitboard back_rank = (board.white_pieces | board.black_pieces) & squares.back_rank;
    const Bitboard own_rooks = board.rooks & own;
    const bool king_side_open = (back_rank & F_AND_G_FILES) == 0 && contains(own_rooks, squares.king_side_rook);
    const bool queen_side_open = (back_rank & B_C_AND_D_FILES) == 0 && contains(own_rooks, squares.queen_side_rook);
    // Pieces between the king and both corners, or rooks gone from them (the
    // usual case): no letter can give a move, so the text need not be read.
    if (!king_side_open && !queen_side_open) return;
    const std::string_view rights = *board.castling_rights;
    OpponentAttacks attacked{board};
    for (std::size_t pos = 0; pos < rights.size();) {
        const auto byte = static_cast<unsigned char>(rights[pos]);
        const char32_t letter = byte < 0x80 ? rights[pos++] : next_char(rights, pos);
        if (!is_movers_letter(letter, board.turn)) continue;
        // "K" and "k" are king-side; every other letter of the mover's case is queen-side.
        if ((letter | 0x20) == U'k') {
            if (!king_side_open || !path_is_safe(attacked, squares.king_from, squares.king_side)) continue;
            push(squares.king_from, squares.king_side[1]);
        } else {
            if (!queen_side_open || !path_is_safe(attacked, squares.king_from, squares.queen_side)) continue;
            push(squares.king_from, squares.queen_side[1]);
        }
    }
}

}  // namespace

bool check_castling_rights(const Board& board) {
    if (!board.castling_rights) return false;
    return board.turn ? board.castling_rights.contains_either('K', 'Q')
                      : board.castling_rights.contains_either('k', 'q');
}

void remove_castling_rights(Board& board, char32_t id) {
    if (id == U'a') {
        board.castling_rights.reset();
        return;
    }
    if (id != U'k' && id != U'q') fail("Invalid castling rights");
    if (!board.castling_rights) fail("Invalid castling rights: there are no castling rights to remove");
    const char letter = static_cast<char>(board.turn ? id - U'a' + U'A' : id);
    board.castling_rights.erase(letter);
}

std::vector<Move> castling_moves(const Board& board) {
    std::vector<Move> moves;
    for_each_castling_move(board, [&](Square from, Square to) { moves.push_back(Move{from, to, NO_PROMOTION}); });
    return moves;
}

bool castling_moves_fit_buffer(const Board& board) {
    return !board.castling_rights || (*board.castling_rights).size() <= CASTLING_ROOM;
}

void add_castling_moves(const Board& board, MoveBuffer& out) {
    for_each_castling_move(board, [&](Square from, Square to) { out.push(from, to); });
}

}  // namespace plindervox
