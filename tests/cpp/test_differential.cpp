// The core against the plain reference implementation (reference.hpp), on
// positions from random play and on randomly edited, inconsistent boards.
// Seeded, so every run sees the same positions. PLINDERVOX_DIFF_SCALE
// (default 1) multiplies the number of positions, e.g. 0.2 for slow builds;
// PLINDERVOX_DIFF_SEED (default 0) shifts the seeds to see other positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "board/apply.hpp"
#include "board/board.hpp"
#include "board/error.hpp"
#include "board/movegen.hpp"
#include "reference.hpp"

namespace plindervox {
namespace {

namespace ref = reference;

int scaled(int count) {
    static const double scale = [] {
        const char* text = std::getenv("PLINDERVOX_DIFF_SCALE");
        return text ? std::atof(text) : 1.0;
    }();
    return std::max(1, static_cast<int>(count * scale));
}

std::uint64_t seed(std::uint64_t base) {
    const char* text = std::getenv("PLINDERVOX_DIFF_SEED");
    return base + (text ? std::strtoull(text, nullptr, 10) : 0);
}

// splitmix64: the same sequence on every platform.
struct Rng {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    unsigned below(unsigned n) { return static_cast<unsigned>(next() % n); }
    bool percent(unsigned p) { return below(100) < p; }
    template <class T> const T& pick(const std::vector<T>& items) { return items[below(items.size())]; }
};

const std::vector<std::string> FENS = {
    STANDARD_START_FEN,
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    "rnbqkbnr/pppp1ppp/8/8/3Pp3/8/PPP1PPPP/RNBQKBNR b KQkq d3 0 2",
    "r3k2r/1P4P1/8/8/8/8/1p4p1/R3K2R w KQkq - 0 1",
    "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r3k2r/2P5/8/8/8/8/6p1/R3K2R w KQkq - 0 1",  // pawns guarding castling squares
};

bool same(const Move& a, const Move& b) {
    return a.from_square == b.from_square && a.to_square == b.to_square && a.promotion == b.promotion;
}
bool same(const std::vector<Move>& a, const std::vector<Move>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Move& x, const Move& y) { return same(x, y); });
}

std::string list_text(const std::vector<Move>& moves) {
    std::string text = "[" + std::to_string(moves.size()) + "]";
    for (const Move& m : moves) text += " " + move_text(m);
    return text;
}

std::string hex(std::uint64_t value) {
    std::ostringstream out;
    out << "0x" << std::hex << value;
    return out.str();
}
std::string rights_text(const CastlingText& rights) { return rights ? '"' + std::string(*rights) + '"' : "absent"; }
std::string ep_text(const std::optional<Square>& ep) { return ep ? square_text(*ep) : "-"; }

std::string describe(const Board& b) {
    return "pawns=" + hex(b.pawns) + " rooks=" + hex(b.rooks) + " knights=" + hex(b.knights) +
           " bishops=" + hex(b.bishops) + " queens=" + hex(b.queens) + " kings=" + hex(b.kings) +
           " white=" + hex(b.white_pieces) + " black=" + hex(b.black_pieces) + " turn=" + (b.turn ? "w" : "b") +
           " ep=" + ep_text(b.en_passant_square) + " castling=" + rights_text(b.castling_rights) +
           " clocks=" + std::to_string(b.half_move_clock) + "/" + std::to_string(b.full_move_number) +
           " history=" + std::to_string(b.move_stack.size());
}

// Field-by-field differences of two states; empty when they are equal.
std::string state_diff(const BoardState& a, const BoardState& b) {
    std::string diff;
    auto sets = [&](const char* name, Bitboard x, Bitboard y) {
        if (x != y) diff += std::string(" ") + name + ": " + hex(x) + " vs " + hex(y) + ";";
    };
    auto text = [&](const char* name, const std::string& x, const std::string& y) {
        if (x != y) diff += std::string(" ") + name + ": " + x + " vs " + y + ";";
    };
    if (a.castling_rights != b.castling_rights)
        text("castling", rights_text(a.castling_rights), rights_text(b.castling_rights));
    sets("pawns", a.pawns, b.pawns);
    sets("rooks", a.rooks, b.rooks);
    sets("knights", a.knights, b.knights);
    sets("bishops", a.bishops, b.bishops);
    sets("queens", a.queens, b.queens);
    sets("kings", a.kings, b.kings);
    sets("white", a.white_pieces, b.white_pieces);
    sets("black", a.black_pieces, b.black_pieces);
    if (a.half_move_clock != b.half_move_clock)
        text("half_move_clock", std::to_string(a.half_move_clock), std::to_string(b.half_move_clock));
    if (a.full_move_number != b.full_move_number)
        text("full_move_number", std::to_string(a.full_move_number), std::to_string(b.full_move_number));
    if (a.en_passant_square != b.en_passant_square)
        text("ep", ep_text(a.en_passant_square), ep_text(b.en_passant_square));
    if (a.turn != b.turn) text("turn", a.turn ? "w" : "b", b.turn ? "w" : "b");
    return diff;
}

BoardState position(const Board& b) { return snapshot(b); }

std::string board_diff(const Board& a, const Board& b) {
    std::string diff = state_diff(position(a), position(b));
    if (a.starting_fen != b.starting_fen) diff += " starting_fen differs;";
    if (a.move_stack.size() != b.move_stack.size() || a.state_stack.size() != b.state_stack.size())
        return diff + " stacks: " + std::to_string(a.move_stack.size()) + "/" + std::to_string(a.state_stack.size()) +
               " vs " + std::to_string(b.move_stack.size()) + "/" + std::to_string(b.state_stack.size()) + ";";
    for (std::size_t i = 0; i < a.move_stack.size(); ++i)
        if (!same(a.move_stack[i], b.move_stack[i]))
            diff += " move_stack[" + std::to_string(i) + "]: " + move_text(a.move_stack[i]) + " vs " +
                    move_text(b.move_stack[i]) + ";";
    for (std::size_t i = 0; i < a.state_stack.size(); ++i) {
        const std::string d = state_diff(a.state_stack[i], b.state_stack[i]);
        if (!d.empty()) diff += " state_stack[" + std::to_string(i) + "]:" + d;
    }
    return diff;
}

std::vector<Move> core_list(void (*generate)(const Board&, MoveBuffer&), const Board& board) {
    static MoveBuffer buffer;
    buffer.size = 0;
    generate(board, buffer);
    return std::vector<Move>(buffer.begin(), buffer.end());
}

// Compares the core and the reference on one position; reports the first
// mismatch of each kind in full and counts the rest.
class Differ {
public:
    int positions = 0;
    int mismatches = 0;
    int castling_moves_seen = 0;

    void compare(Board& board, const std::string& origin) {
        ++positions;
        origin_ = &origin;
        const Board before = board;
        const std::pair<const char*, void (*)(const Board&, MoveBuffer&)> core_generators[] = {
            {"add_pawn_moves", add_pawn_moves},     {"add_knight_moves", add_knight_moves},
            {"add_king_moves", add_king_moves},     {"add_bishop_moves", add_bishop_moves},
            {"add_rook_moves", add_rook_moves},     {"add_queen_moves", add_queen_moves},
            {"add_pseudo_legal_moves", add_pseudo_legal_moves}};
        std::vector<Move> (*const ref_generators[])(const Board&) = {
            ref::pawn_moves, ref::knight_moves, ref::king_moves, ref::bishop_moves,
            ref::rook_moves, ref::queen_moves,  ref::pseudo_legal_moves};
        for (int i = 0; i < 7; ++i)
            lists(board, core_generators[i].first, core_list(core_generators[i].second, board),
                  ref_generators[i](board));
        unchanged(board, before, "the move generators");
        const std::vector<Move> castling = ref::castling_moves(board);
        castling_moves_seen += static_cast<int>(castling.size());
        lists(board, "castling_moves", castling_moves(board), castling);
        unchanged(board, before, "castling_moves");
        const std::vector<Move> legal = ref::legal_moves(board);
        lists(board, "legal_moves", legal_moves(board), legal);
        unchanged(board, before, "legal_moves");

        const Bitboard reached = reached_squares(board, !board.turn);
        for (unsigned square = 0; square < 64; ++square) {
            const bool expected = ref::is_attacked(board, square);
            answer(board, "is_attacked", is_attacked(board, square), expected, " of " + square_text(square));
            answer(board, "reached_squares", contains(reached, square), expected, " of " + square_text(square));
        }
        for (unsigned square : {64u, 100u, 255u})
            answer(board, "is_attacked", is_attacked(board, square), ref::is_attacked(board, square),
                   " of square " + std::to_string(square));
        unchanged(board, before, "is_attacked");
        answer(board, "is_check", is_check(board), ref::is_check(board));
        unchanged(board, before, "is_check");
        answer(board, "is_checkmate", is_checkmate(board), ref::is_checkmate(board));
        unchanged(board, before, "is_checkmate");
        answer(board, "is_stalemate", is_stalemate(board), ref::is_stalemate(board));
        unchanged(board, before, "is_stalemate");
        answer(board, "is_game_over", is_game_over(board), ref::is_game_over(board));
        unchanged(board, before, "is_game_over");

        for (const Move& move : legal) round_trip(board, move);
    }

private:
    const std::string* origin_ = nullptr;
    std::map<std::string, int> seen_;

    void report(const Board& board, const std::string& what, const std::string& detail) {
        ++mismatches;
        if (seen_[what]++ > 0 || seen_.size() > 12) return;
        ADD_FAILURE() << what << " differs\n  position: " << describe(board) << "\n  made by: " << *origin_
                      << "\n" << detail;
    }
    void lists(const Board& board, const std::string& what, const std::vector<Move>& core,
               const std::vector<Move>& expected) {
        if (!same(core, expected))
            report(board, what, "  core:      " + list_text(core) + "\n  reference: " + list_text(expected));
    }
    void answer(const Board& board, const std::string& what, bool core, bool expected, const std::string& of = "") {
        if (core != expected)
            report(board, what, "  " + what + of + ": core " + (core ? "true" : "false") + ", reference " +
                                    (expected ? "true" : "false"));
    }
    void unchanged(const Board& board, const Board& before, const std::string& what) {
        const std::string diff = board_diff(board, before);
        if (!diff.empty()) report(before, what + " left the board changed", "  now vs before:" + diff);
    }
    void round_trip(const Board& board, const Move& move) {
        Board core = board, expected = board;
        bool core_failed = false, expected_failed = false;
        try { apply_move(core, move); } catch (const CoreError&) { core_failed = true; }
        try { ref::apply_move(expected, move); } catch (const std::invalid_argument&) { expected_failed = true; }
        const std::string what = "apply_move " + move_text(move);
        if (core_failed != expected_failed)
            report(board, "apply_move refusal", "  " + what + ": core " + (core_failed ? "refused" : "played") +
                                                    ", reference " + (expected_failed ? "refused" : "played"));
        std::string diff = board_diff(core, expected);
        if (!diff.empty()) report(board, "apply_move", "  " + what + ", core vs reference:" + diff);
        const Move taken = undo(core);
        if (!same(taken, move)) report(board, "undo", "  undo returned " + move_text(taken) + " for " + what);
        diff = board_diff(core, board);
        if (!diff.empty()) report(board, "undo", "  after " + what + " and undo, core vs before:" + diff);
        ref::undo(expected);
        diff = board_diff(expected, board);
        if (!diff.empty()) report(board, "reference undo", "  after " + what + " and undo:" + diff);
    }
};

// Plays up to `plies` random legal moves with the core, comparing every position on the way.
void play(Differ& differ, Board& board, Rng& rng, int plies, std::string& origin) {
    for (int ply = 0; ply < plies; ++ply) {
        const std::vector<Move> legal = ref::legal_moves(board);
        if (legal.empty()) return;
        const Move move = rng.pick(legal);
        origin += " " + move_text(move);
        try { apply_move(board, move); } catch (const CoreError&) { undo(board); return; }
        differ.compare(board, origin);
        if (differ.mismatches > 0) return;
    }
}

Bitboard random_mask(Rng& rng) {
    switch (rng.below(6)) {
        case 0: case 1: return Bitboard{1} << rng.below(64);
        case 2: return rng.next();
        case 3: return rng.next() & rng.next() & rng.next();
        case 4: return Bitboard{0xff} << (8 * rng.below(8));
        default: return 0x0101010101010101ULL << rng.below(8);
    }
}

const std::vector<char> KIND_LETTERS = {'P', 'R', 'N', 'B', 'Q', 'K', 'p', 'r', 'n', 'b', 'q', 'k'};
const std::vector<std::optional<std::string>> RIGHTS = {
    std::nullopt, "", "KQkq", "KKq", "QkQ", "xK-q", "K", "q", "kq", "KQ", "-", "qkQK", "Aa", "Kx", "kkkk",
    "kqKQ-kqKQ-kqKQ-kqKQ"};

// One random change to the position, described in `origin`.
void edit(Board& board, Rng& rng, std::string& origin) {
    switch (rng.below(10)) {
        case 0: case 1: {
            const char letter = rng.pick(KIND_LETTERS);
            const Bitboard mask = random_mask(rng);
            set_pieces_or(board, static_cast<char32_t>(letter), mask);
            origin += std::string(" | or ") + letter + " " + hex(mask);
            break;
        }
        case 2: {
            const char letter = rng.pick(KIND_LETTERS);
            const Bitboard mask = random_mask(rng);
            set_pieces_xor(board, static_cast<char32_t>(letter), mask);
            origin += std::string(" | xor ") + letter + " " + hex(mask);
            break;
        }
        case 3:
            board.turn = !board.turn;
            origin += " | turn flipped";
            break;
        case 4: {
            const bool white = rng.percent(50);
            if (const auto king = king_square(board, white)) set_pieces_xor(board, 'K', Bitboard{1} << *king);
            origin += std::string(" | remove ") + (white ? "white" : "black") + " king";
            break;
        }
        case 5:
            board.castling_rights = rng.pick(RIGHTS);
            origin += " | castling " + rights_text(board.castling_rights);
            break;
        case 6: {
            if (rng.percent(20)) board.en_passant_square.reset();
            else if (rng.percent(50)) board.en_passant_square = static_cast<Square>(rng.below(64));
            else board.en_passant_square = static_cast<Square>((rng.percent(50) ? 16 : 40) + rng.below(8));
            origin += " | ep " + ep_text(board.en_passant_square);
            break;
        }
        case 8: case 9: {  // put a piece on a square, replacing what stood there: the board stays consistent
            const char letter = rng.pick(KIND_LETTERS);
            const Bitboard square = Bitboard{1} << rng.below(64);
            for (Bitboard* set : {&board.pawns, &board.rooks, &board.knights, &board.bishops, &board.queens,
                                  &board.kings, &board.white_pieces, &board.black_pieces})
                *set &= ~square;
            set_pieces_or(board, static_cast<char32_t>(letter), square);
            origin += std::string(" | put ") + letter + " " + hex(square);
            break;
        }
        default: {  // empty some back-rank squares, or toggle a colour set directly
            if (rng.percent(60)) {
                const Bitboard mask = (rng.next() & 0x6e) << (rng.percent(50) ? 0 : 56);
                for (Bitboard* set : {&board.pawns, &board.rooks, &board.knights, &board.bishops, &board.queens,
                                      &board.kings, &board.white_pieces, &board.black_pieces})
                    *set &= ~mask;
                origin += " | clear " + hex(mask);
            } else {
                const bool white = rng.percent(50);
                const Bitboard mask = random_mask(rng);
                (white ? board.white_pieces : board.black_pieces) ^= mask;
                origin += std::string(" | toggle ") + (white ? "white " : "black ") + hex(mask);
            }
        }
    }
}

// --- positions built round the king of the side to move ----------------------
// Checks, double checks, pins, en passant beside the king and promotions with
// check are rare in random play; these positions are made to have them.

// Puts a piece on a square, replacing what stood there: the board stays consistent.
void put(Board& board, char letter, unsigned square) {
    const Bitboard mask = Bitboard{1} << square;
    for (Bitboard* set : {&board.pawns, &board.rooks, &board.knights, &board.bishops, &board.queens, &board.kings,
                          &board.white_pieces, &board.black_pieces})
        *set &= ~mask;
    set_pieces_or(board, static_cast<char32_t>(letter), mask);
}

char letter_of(char kind, bool white) { return white ? static_cast<char>(kind - 'a' + 'A') : kind; }

// A square `steps` squares from `from` along a king direction, or none where
// the line leaves the board or wraps round a side edge.
std::optional<unsigned> along(unsigned from, int dir, int steps) {
    unsigned square = from;
    for (int i = 0; i < steps; ++i) {
        const unsigned next = static_cast<std::uint8_t>(square + dir);
        if (next > 63 || std::abs(int(next % 8) - int(square % 8)) > 1) return std::nullopt;
        square = next;
    }
    return square;
}

constexpr int KING_STEPS[] = {9, 8, 7, 1, -1, -7, -8, -9};
constexpr int KNIGHT_STEPS[] = {17, 15, 10, 6, -6, -10, -15, -17};

// A square that bears on the king: on one of its lines, a knight step away,
// or anywhere.
unsigned near_king(Rng& rng, unsigned king) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::optional<unsigned> square;
        if (rng.percent(65)) square = along(king, KING_STEPS[rng.below(8)], 1 + rng.below(7));
        else if (rng.percent(50)) {
            const unsigned target = static_cast<std::uint8_t>(king + KNIGHT_STEPS[rng.below(8)]);
            if (target <= 63 && std::abs(int(target % 8) - int(king % 8)) <= 2) square = target;
        } else square = rng.below(64);
        if (square && *square != king) return *square;
    }
    return (king + 1 + rng.below(63)) % 64;
}

// Two pawns side by side after a double step, the en passant square behind
// the one that moved, often with the mover's king on their rank or diagonal
// and an opposing slider beyond, so that the capture may uncover the king.
void add_en_passant(Board& board, Rng& rng, bool white, unsigned& king, std::string& origin) {
    const unsigned rank_start = white ? 32 : 24;  // the capturing pawn's rank
    const unsigned file = rng.below(8);
    const int side = file == 0 ? 1 : file == 7 ? -1 : (rng.percent(50) ? 1 : -1);
    const unsigned capturer = rank_start + file, victim = capturer + side;
    const unsigned passed = white ? victim + 8 : victim - 8, start = white ? victim + 16 : victim - 16;
    put(board, letter_of('p', white), capturer);
    put(board, letter_of('p', !white), victim);
    for (unsigned square : {passed, start}) {
        for (Bitboard* set : {&board.pawns, &board.rooks, &board.knights, &board.bishops, &board.queens,
                              &board.kings, &board.white_pieces, &board.black_pieces})
            *set &= ~(Bitboard{1} << square);
    }
    board.en_passant_square = static_cast<Square>(passed);
    origin += " | en passant " + square_text(capturer) + "x" + square_text(passed);
    if (rng.percent(70)) {
        // The king on the pawns' rank with a rook or queen beyond, or on a
        // diagonal through the captured pawn with a bishop or queen beyond.
        const bool rank = rng.percent(50);
        const int dir = rank ? (rng.percent(50) ? 1 : -1) : (white ? (rng.percent(50) ? 9 : 7) : (rng.percent(50) ? -9 : -7));
        std::vector<unsigned> line;
        for (int steps = 1; auto square = along(victim, -dir, steps); ++steps)
            if (*square != capturer) line.push_back(*square);
        if (!line.empty()) king = line[rng.below(line.size())];
        std::vector<unsigned> beyond;
        for (int steps = 1; auto square = along(victim, dir, steps); ++steps)
            if (*square != capturer) beyond.push_back(*square);
        if (!beyond.empty()) {
            const char slider = rng.percent(40) ? 'q' : (rank ? 'r' : 'b');
            const unsigned square = beyond[rng.below(beyond.size())];
            put(board, letter_of(slider, !white), square);
            origin += std::string(" slider ") + letter_of(slider, !white) + " " + square_text(square);
        }
    }
}

Board king_position(Rng& rng, std::string& origin) {
    Board board = make_board(std::string("8/8/8/8/8/8/8/8 w - - 0 1"));
    const bool white = rng.percent(50);
    board.turn = white;
    unsigned king = rng.below(64);
    origin = std::string("empty board, ") + (white ? "white" : "black") + " to move:";
    if (rng.percent(35)) add_en_passant(board, rng, white, king, origin);
    const char kinds[] = {'p', 'n', 'b', 'r', 'q', 'q', 'b', 'r', 'k'};
    for (int pieces = 2 + rng.below(8); pieces > 0; --pieces) {
        const bool theirs = rng.percent(55);
        const char kind = kinds[rng.below(theirs ? 9 : 8)];
        const unsigned square = near_king(rng, king);
        if (board.en_passant_square && (square == *board.en_passant_square)) continue;
        put(board, letter_of(kind, theirs ? !white : white), square);
        origin += std::string(" ") + letter_of(kind, theirs ? !white : white) + square_text(square);
    }
    if (rng.percent(30)) {  // pawns one step from promotion, some with something to take
        for (int pawns = 1 + rng.below(2); pawns > 0; --pawns) {
            const unsigned square = (white ? 48 : 8) + rng.below(8);
            if (square == king || (board.en_passant_square && square == *board.en_passant_square)) continue;
            put(board, letter_of('p', white), square);
            origin += std::string(" ") + letter_of('p', white) + square_text(square);
        }
    }
    if (!rng.percent(4)) {
        put(board, letter_of('k', white), king);
        origin += std::string(" ") + letter_of('k', white) + square_text(king);
        if (rng.percent(5)) {
            const unsigned second = near_king(rng, king);
            put(board, letter_of('k', white), second);
            origin += std::string(" second ") + letter_of('k', white) + square_text(second);
        }
    }
    for (int kings = rng.percent(6) ? 2 : rng.percent(95) ? 1 : 0; kings > 0; --kings) {
        const unsigned square = rng.percent(50) ? near_king(rng, king) : rng.below(64);
        if (square == king) continue;
        put(board, letter_of('k', !white), square);
        origin += std::string(" ") + letter_of('k', !white) + square_text(square);
    }
    if (board.en_passant_square && (board.white_pieces | board.black_pieces) >> *board.en_passant_square & 1)
        board.en_passant_square.reset();  // a piece was put on it; keep the capture an ordinary one
    return board;
}

// What a position holds, worked out with the reference alone.
struct Features {
    int check = 0, double_check = 0, en_passant = 0, en_passant_dropped = 0, pinned_dropped = 0,
        promotion_in_check = 0, evasions = 0;

    void count(const Board& board) {
        const std::vector<Move> pseudo = ref::pseudo_legal_moves(board);
        const std::vector<Move> legal = ref::legal_moves(board);
        const auto in = [](const std::vector<Move>& list, const Move& move) {
            return std::any_of(list.begin(), list.end(), [&](const Move& m) { return same(m, move); });
        };
        const std::optional<unsigned> king = ref::king_square(board, board.turn);
        int checkers = 0;
        if (king) {
            Board other = board;
            other.turn = !board.turn;
            Bitboard origins = 0;
            for (const Move& m : ref::pseudo_legal_moves(other))
                if (m.to_square == *king) origins |= Bitboard{1} << m.from_square;
            checkers = std::popcount(origins);
        }
        check += checkers > 0;
        double_check += checkers > 1;
        for (const Move& m : pseudo) {
            const bool pawn = board.pawns >> m.from_square & 1;
            const bool kept = in(legal, m);
            if (pawn && board.en_passant_square == m.to_square) {
                ++en_passant;
                en_passant_dropped += !kept;
            }
            if (checkers == 0 && !kept && (!king || m.from_square != *king)) ++pinned_dropped;
            if (checkers > 0 && kept && (!king || m.from_square != *king)) ++evasions;
            if (checkers > 0 && kept && has_promotion(m)) ++promotion_in_check;
        }
    }
};

TEST(Differential, PositionsAroundTheKing) {
    Differ differ;
    Features features;
    Rng rng{seed(5551212)};
    const int rounds = scaled(3000);
    for (int round = 0; round < rounds && differ.mismatches == 0; ++round) {
        std::string origin;
        Board board = king_position(rng, origin);
        features.count(board);
        differ.compare(board, origin);
        if (rng.percent(10)) {
            edit(board, rng, origin);
            differ.compare(board, origin);
        }
        play(differ, board, rng, rng.below(3), origin);
    }
    EXPECT_EQ(differ.mismatches, 0);
    // The generator keeps producing what it is for.
    const int least = std::max(1, rounds / 200);
    EXPECT_GE(features.check, least * 20);
    EXPECT_GE(features.double_check, least * 2);
    EXPECT_GE(features.en_passant, least * 5);
    EXPECT_GE(features.en_passant_dropped, least);
    EXPECT_GE(features.pinned_dropped, least * 5);
    EXPECT_GE(features.evasions, least * 10);
    EXPECT_GE(features.promotion_in_check, least);
    std::printf("[differential] around the king: %d positions compared; of %d built: %d in check, %d in double "
                "check; %d en passant moves (%d illegal), %d moves of pieces dropped while not in check, %d legal "
                "evasions by other pieces (%d promotions)\n",
                differ.positions, rounds, features.check, features.double_check, features.en_passant,
                features.en_passant_dropped, features.pinned_dropped, features.evasions,
                features.promotion_in_check);
}

std::uint64_t reference_perft(Board& board, int depth) {
    if (depth == 0) return 1;
    std::uint64_t count = 0;
    for (const Move& move : ref::legal_moves(board)) {
        ref::apply_move(board, move);
        count += reference_perft(board, depth - 1);
        ref::undo(board);
    }
    return count;
}

TEST(Differential, RandomPlay) {
    Differ differ;
    Rng rng{seed(20240611)};
    const int games = scaled(48);
    for (int game = 0; game < games && differ.mismatches == 0; ++game) {
        const std::string& fen = FENS[game % FENS.size()];
        Board board = make_board(fen);
        std::string origin = "\"" + fen + "\" then";
        differ.compare(board, origin);
        play(differ, board, rng, 60, origin);
    }
    EXPECT_EQ(differ.mismatches, 0);
    EXPECT_GT(differ.positions, games * 10);
    std::printf("[differential] random play: %d positions compared\n", differ.positions);
}

TEST(Differential, EditedPositions) {
    Differ differ;
    Rng rng{seed(987654321)};
    const int rounds = scaled(1500);
    for (int round = 0; round < rounds && differ.mismatches == 0; ++round) {
        const std::string& fen = rng.pick(FENS);
        Board board = make_board(fen);
        std::string origin = "\"" + fen + "\" then";
        for (int ply = rng.below(24); ply > 0; --ply) {
            const std::vector<Move> legal = legal_moves(board);
            if (legal.empty()) break;
            const Move move = rng.pick(legal);
            origin += " " + move_text(move);
            apply_move(board, move);
        }
        for (int edits = 1 + rng.below(4); edits > 0; --edits) edit(board, rng, origin);
        differ.compare(board, origin);
        play(differ, board, rng, rng.below(4), origin);
    }
    EXPECT_EQ(differ.mismatches, 0);
    EXPECT_GT(differ.castling_moves_seen, rounds / 20);
    std::printf("[differential] edited positions: %d positions compared, %d castling moves among them\n",
                differ.positions, differ.castling_moves_seen);
}

// Move counts of the game known independently of both implementations, then
// the core's own tree count against the reference's on every starting position.
TEST(Differential, Perft) {
    Board start = make_board(std::nullopt);
    EXPECT_EQ(reference_perft(start, 1), 20u);
    EXPECT_EQ(reference_perft(start, 2), 400u);
    EXPECT_EQ(reference_perft(start, 3), 8902u);
    Board kiwipete = make_board(FENS[1]);
    EXPECT_EQ(reference_perft(kiwipete, 1), 48u);
    EXPECT_EQ(reference_perft(kiwipete, 2), 2039u);
    Board endgame = make_board(FENS[6]);
    EXPECT_EQ(reference_perft(endgame, 3), 2812u);
    for (const std::string& fen : FENS) {
        Board board = make_board(fen);
        EXPECT_EQ(perft(board, 2), reference_perft(board, 2)) << fen;
    }
}

}  // namespace
}  // namespace plindervox
