#include "reference.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <stdexcept>
#include <string>

namespace plindervox::reference {
namespace {

using Set = std::uint64_t;

constexpr Set A_FILE = 0x0101010101010101ULL;
constexpr Set H_FILE = 0x8080808080808080ULL;
constexpr Set RANK_4 = 0x00000000ff000000ULL;
constexpr Set RANK_5 = 0x000000ff00000000ULL;

// A step past the first or last rank (an unsigned wrap below a1 or a number
// above h8) names no square, so its set is empty.
Set bit(unsigned square) { return square < 64 ? Set{1} << square : 0; }
bool has(Set set, unsigned square) { return square < 64 && (set >> square & 1) != 0; }
int rank(unsigned square) { return static_cast<int>(square / 8) + 1; }  // 1-8
int file(unsigned square) { return static_cast<int>(square % 8); }      // 0-7
int distance(unsigned a, unsigned b) {
    return std::max(std::abs(rank(a) - rank(b)), std::abs(file(a) - file(b)));
}

// Squares of a set, highest first.
std::vector<unsigned> squares(Set set) {
    std::vector<unsigned> list;
    while (set != 0) {
        const unsigned highest = 63 - std::countl_zero(set);
        list.push_back(highest);
        set &= ~bit(highest);
    }
    return list;
}

Set own(const Board& b) { return b.turn ? b.white_pieces : b.black_pieces; }
Set opponent(const Board& b) { return b.turn ? b.black_pieces : b.white_pieces; }

void add(std::vector<Move>& out, unsigned from, unsigned to, char32_t promotion = NO_PROMOTION) {
    out.push_back(Move{from, to, promotion});
}
// A pawn step or capture: four moves (q, r, n, b) onto the mover's last rank.
void add_pawn_move(std::vector<Move>& out, unsigned from, unsigned to, int last_rank) {
    if (rank(to) != last_rank) return add(out, from, to);
    for (char32_t letter : {U'q', U'r', U'n', U'b'}) add(out, from, to, letter);
}

Set step_mask(unsigned origin, std::initializer_list<int> offsets, int max_distance) {
    Set mask = 0;
    for (int offset : offsets) {
        const unsigned target = static_cast<std::uint8_t>(origin + offset);
        if (target > 63) continue;
        if (distance(origin, target) <= max_distance) mask |= bit(target);
    }
    return mask;
}
Set knight_mask(unsigned origin) { return step_mask(origin, {17, 15, 10, 6, -6, -10, -15, -17}, 2); }
Set king_mask(unsigned origin) { return step_mask(origin, {9, 8, 7, 1, -1, -7, -8, -9}, 1); }

std::vector<Move> slides(const Board& b, Set pieces, std::initializer_list<int> directions) {
    std::vector<Move> out;
    for (unsigned origin : squares(pieces & own(b))) {
        for (int d : directions) {
            unsigned prev = origin;
            unsigned next = static_cast<std::uint8_t>(origin + d);
            while (next <= 63 && distance(prev, next) <= 1 && !has(own(b), next)) {
                add(out, origin, next);
                if (has(opponent(b), next)) break;
                prev = next;
                next = static_cast<std::uint8_t>(next + d);
            }
        }
    }
    return out;
}

BoardState snapshot_of(const Board& b) {
    BoardState s;
    s.castling_rights = b.castling_rights;
    s.pawns = b.pawns;
    s.rooks = b.rooks;
    s.knights = b.knights;
    s.bishops = b.bishops;
    s.queens = b.queens;
    s.kings = b.kings;
    s.white_pieces = b.white_pieces;
    s.black_pieces = b.black_pieces;
    s.half_move_clock = b.half_move_clock;
    s.full_move_number = b.full_move_number;
    s.en_passant_square = b.en_passant_square;
    s.turn = b.turn;
    return s;
}

void load(Board& b, const BoardState& s) {
    b.castling_rights = s.castling_rights;
    b.pawns = s.pawns;
    b.rooks = s.rooks;
    b.knights = s.knights;
    b.bishops = s.bishops;
    b.queens = s.queens;
    b.kings = s.kings;
    b.white_pieces = s.white_pieces;
    b.black_pieces = s.black_pieces;
    b.half_move_clock = s.half_move_clock;
    b.full_move_number = s.full_move_number;
    b.en_passant_square = s.en_passant_square;
    b.turn = s.turn;
}

// A copy of the position alone, without history or position text.
Board position_of(const Board& b) {
    Board p;
    load(p, snapshot_of(b));
    return p;
}

bool reaches(const std::vector<Move>& moves, unsigned square) {
    for (const Move& m : moves)
        if (m.to_square == square) return true;
    return false;
}

}  // namespace

std::vector<Move> pawn_moves(const Board& b) {
    std::vector<Move> out;
    const Set empty = ~(b.white_pieces | b.black_pieces);
    const Set pawns = b.pawns & own(b);
    const Set opp = opponent(b);
    if (b.turn) {
        const Set single = (pawns << 8) & empty;
        for (unsigned t : squares(single)) add_pawn_move(out, t - 8, t, 8);
        for (unsigned t : squares((single << 8) & empty & RANK_4)) add(out, t - 16, t);
        const Set captures = opp & (((pawns << 7) & ~H_FILE) | ((pawns << 9) & ~A_FILE));
        for (unsigned t : squares(captures)) {
            if (t >= 9 && has(pawns, t - 9) && file(t - 9) != 7) add_pawn_move(out, t - 9, t, 8);
            if (t >= 7 && has(pawns, t - 7) && file(t - 7) != 0) add_pawn_move(out, t - 7, t, 8);
        }
        if (b.en_passant_square) {
            const Set e = bit(*b.en_passant_square);
            for (unsigned p : squares(pawns & (((e >> 7) & RANK_5 & ~A_FILE) | ((e >> 9) & RANK_5 & ~H_FILE))))
                add(out, p, *b.en_passant_square);
        }
    } else {
        const Set single = (pawns >> 8) & empty;
        for (unsigned t : squares(single)) add_pawn_move(out, t + 8, t, 1);
        for (unsigned t : squares((single >> 8) & empty & RANK_5)) add(out, t + 16, t);
        const Set captures = opp & (((pawns >> 7) & ~A_FILE) | ((pawns >> 9) & ~H_FILE));
        for (unsigned t : squares(captures)) {
            if (t + 9 <= 63 && has(pawns, t + 9) && file(t + 9) != 0) add_pawn_move(out, t + 9, t, 1);
            if (t + 7 <= 63 && has(pawns, t + 7) && file(t + 7) != 7) add_pawn_move(out, t + 7, t, 1);
        }
        if (b.en_passant_square) {
            const Set e = bit(*b.en_passant_square);
            for (unsigned p : squares(pawns & (((e << 9) & RANK_4 & ~A_FILE) | ((e << 7) & RANK_4 & ~H_FILE))))
                add(out, p, *b.en_passant_square);
        }
    }
    return out;
}

std::vector<Move> knight_moves(const Board& b) {
    std::vector<Move> out;
    for (unsigned origin : squares(b.knights & own(b)))
        for (unsigned t : squares(knight_mask(origin) & ~own(b))) add(out, origin, t);
    return out;
}

std::vector<Move> king_moves(const Board& b) {
    std::vector<Move> out;
    const std::vector<unsigned> kings = squares(b.kings & own(b));
    if (kings.empty()) return out;
    for (unsigned t : squares(king_mask(kings.front()) & ~own(b))) add(out, kings.front(), t);
    return out;
}

std::vector<Move> bishop_moves(const Board& b) { return slides(b, b.bishops, {9, 7, -7, -9}); }
std::vector<Move> rook_moves(const Board& b) { return slides(b, b.rooks, {8, 1, -1, -8}); }
std::vector<Move> queen_moves(const Board& b) { return slides(b, b.queens, {9, 8, 7, 1, -1, -7, -8, -9}); }

std::vector<Move> pseudo_legal_moves(const Board& b) {
    std::vector<Move> out;
    for (auto generate : {pawn_moves, knight_moves, king_moves, bishop_moves, rook_moves, queen_moves}) {
        std::vector<Move> part = generate(b);
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

bool is_attacked(const Board& b, unsigned square) {
    Board other = position_of(b);
    other.turn = !b.turn;
    return reaches(pseudo_legal_moves(other), square);
}

std::optional<unsigned> king_square(const Board& b, bool white) {
    const std::vector<unsigned> kings = squares(b.kings & (white ? b.white_pieces : b.black_pieces));
    if (kings.empty()) return std::nullopt;
    return kings.front();
}

bool is_check(const Board& b) {
    const std::optional<unsigned> king = reference::king_square(b, b.turn);
    return king && is_attacked(b, *king);
}

namespace {

// A pawn of the side not to move stands diagonally in front of the square,
// as that side sees it, and so attacks it whatever stands there.
bool pawn_attacks_square(const Board& b, unsigned square) {
    const Set pawns = b.pawns & opponent(b);
    const int forward = b.turn ? 8 : -8;  // towards the opponent's pawns
    for (int side : {-1, 1}) {
        if (file(square) + side < 0 || file(square) + side > 7) continue;
        const unsigned origin = static_cast<std::uint8_t>(square + forward + side);
        if (has(pawns, origin)) return true;
    }
    return false;
}

bool castling_square_attacked(const Board& b, unsigned square) {
    return is_attacked(b, square) || pawn_attacks_square(b, square);
}

}  // namespace

std::vector<Move> castling_moves(const Board& b) {
    std::vector<Move> out;
    if (!b.castling_rights) return out;
    const unsigned base = b.turn ? 0 : 56;
    const Set back = (b.white_pieces | b.black_pieces) & (Set{0xff} << base);
    const bool king_home = has(b.kings & own(b), base + 4);
    for (char c : *b.castling_rights) {
        const bool upper = c >= 'A' && c <= 'Z', lower = c >= 'a' && c <= 'z';
        if (b.turn ? !upper : !lower) continue;
        if (!king_home) continue;
        const bool king_side = (c | 0x20) == 'k';
        const unsigned rook = king_side ? base + 7 : base;
        if (!has(b.rooks & own(b), rook)) continue;
        const unsigned cross = king_side ? base + 5 : base + 3, land = king_side ? base + 6 : base + 2;
        if (back & (king_side ? 0x6060606060606060ULL : 0x0e0e0e0e0e0e0e0eULL)) continue;
        if (castling_square_attacked(b, base + 4) || castling_square_attacked(b, cross) ||
            castling_square_attacked(b, land))
            continue;
        add(out, base + 4, land);
    }
    return out;
}

bool check_castling_rights(const Board& b) {
    if (!b.castling_rights) return false;
    const std::string_view text = *b.castling_rights;
    return b.turn ? text.find_first_of("KQ") != std::string_view::npos : text.find_first_of("kq") != std::string_view::npos;
}

void remove_castling_rights(Board& b, char id) {
    if (id == 'a') {
        b.castling_rights.reset();
        return;
    }
    if (!b.castling_rights || (id != 'k' && id != 'q')) throw std::invalid_argument("Invalid castling rights");
    const char letter = b.turn ? static_cast<char>(id - 0x20) : id;
    std::string kept;
    for (char c : *b.castling_rights)
        if (c != letter) kept += c;
    b.castling_rights = kept;
}

void apply_move(Board& b, const Move& move) {
    b.move_stack.push_back(move);
    b.state_stack.push_back(snapshot_of(b));
    Set* kinds[6] = {&b.pawns, &b.rooks, &b.knights, &b.bishops, &b.queens, &b.kings};
    const char letters[6] = {'p', 'r', 'n', 'b', 'q', 'k'};
    const unsigned from = move.from_square, to = move.to_square;
    int moving = -1, captured = -1;  // the first kind in that order holding the square
    for (int k = 0; k < 6; ++k) {
        if (moving < 0 && has(*kinds[k], from)) moving = k;
        if (captured < 0 && has(*kinds[k], to)) captured = k;
    }
    if (moving < 0) throw std::invalid_argument("no piece on the origin");
    Set& mine = b.turn ? b.white_pieces : b.black_pieces;
    Set& theirs = b.turn ? b.black_pieces : b.white_pieces;

    if (has(b.pawns & mine, from) || has(theirs, to)) b.half_move_clock = 0;
    else b.half_move_clock += 1;
    if (!b.turn) b.full_move_number += 1;
    const bool en_passant_capture = moving == 0 && b.en_passant_square == to;
    // The square behind `to`; past the edge (a knight standing on a pawn square
    // and jumping to the last rank, say) there is none, and so no en passant square.
    const unsigned behind = b.turn ? to - 8 : to + 8;
    if (distance(from, to) == 2 && has(b.pawns, from) && behind <= 63)
        b.en_passant_square = static_cast<Square>(behind);
    else
        b.en_passant_square.reset();

    // The mover's king takes its side's letters; a move from or onto a
    // corner takes that corner's letter, whoever moves.
    bool castling = false;
    if (b.castling_rights) {
        std::string kept;
        const bool king_move = has(b.kings & mine, from);
        castling = king_move && distance(from, to) == 2 && check_castling_rights(b);
        const std::string lost = std::string(king_move ? (b.turn ? "KQ" : "kq") : "") +
                                 (from == 0 || to == 0 ? "Q" : "") + (from == 7 || to == 7 ? "K" : "") +
                                 (from == 56 || to == 56 ? "q" : "") + (from == 63 || to == 63 ? "k" : "");
        for (char c : *b.castling_rights)
            if (lost.find(c) == std::string::npos) kept += c;
        b.castling_rights = kept;
    }

    *kinds[moving] ^= bit(from) | bit(to);
    mine ^= bit(from) | bit(to);
    if (!has_promotion(move)) {
        if (castling) {
            const unsigned rook_from = to > from ? to + 1 : to - 2;
            const unsigned rook_to = to > from ? to - 1 : to + 1;
            if (has(b.rooks & mine, rook_from)) {
                b.rooks ^= bit(rook_from) | bit(rook_to);
                mine ^= bit(rook_from) | bit(rook_to);
            }
        } else if (en_passant_capture) {
            b.pawns ^= bit(behind);
            theirs ^= bit(behind);
        }
    } else {
        b.pawns ^= bit(to);
        for (int k = 0; k < 6; ++k)
            if (static_cast<char32_t>(letters[k]) == move.promotion) *kinds[k] |= bit(to);
    }
    if (captured >= 0) {
        if (move.promotion != static_cast<char32_t>(letters[captured])) *kinds[captured] ^= bit(to);
        theirs ^= bit(to);
    }
    b.turn = !b.turn;
}

Move undo(Board& b) {
    const Move move = b.move_stack.back();
    b.move_stack.pop_back();
    load(b, b.state_stack.back());
    b.state_stack.pop_back();
    return move;
}

std::vector<Move> legal_moves(const Board& board) {
    Board b = position_of(board);
    std::vector<Move> out = castling_moves(b);
    for (const Move& move : pseudo_legal_moves(b)) {
        apply_move(b, move);
        const std::optional<unsigned> king = reference::king_square(b, !b.turn);
        const bool legal = !king || !reaches(pseudo_legal_moves(b), *king);
        undo(b);
        if (legal) out.push_back(move);
    }
    return out;
}

bool is_checkmate(const Board& b) { return is_check(b) && legal_moves(b).empty(); }
bool is_stalemate(const Board& b) { return !is_check(b) && legal_moves(b).empty(); }
bool is_game_over(const Board& b) { return is_checkmate(b) || is_stalemate(b); }

}  // namespace plindervox::reference
