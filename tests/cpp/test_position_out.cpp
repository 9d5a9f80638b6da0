// What comes back out of a board: position text, the letter on a square,
// moves from UCI text, whether one move is listed, and the saved record.
#include <tuple>

#include "board/castling.hpp"
#include "board/move_query.hpp"
#include "board/position_text.hpp"
#include "board/saved_board.hpp"
#include "core_test_support.hpp"

namespace plindervox {
namespace {
using namespace support;

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
};

const std::vector<std::string> GAMES = {
    STANDARD_START_FEN,
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    "r3k2r/1P4P1/8/8/8/8/1p4p1/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "4k3/8/8/8/8/8/8/4K2R w Kk - 7 40",
};

auto position_of(const Board& b) {
    return std::tie(b.pawns, b.rooks, b.knights, b.bishops, b.queens, b.kings, b.white_pieces, b.black_pieces, b.turn,
                    b.castling_rights, b.en_passant_square, b.half_move_clock, b.full_move_number);
}

bool same_move(const Move& a, const Move& b) {
    return a.from_square == b.from_square && a.to_square == b.to_square && a.promotion == b.promotion;
}

bool lists(const std::vector<Move>& moves, const Move& move) {
    return std::any_of(moves.begin(), moves.end(), [&](const Move& m) { return same_move(m, move); });
}

// The record as a whole: position, position text and both stacks.
::testing::AssertionResult SameRecord(const Board& a, const Board& b) {
    if (position_of(a) != position_of(b) || a.starting_fen != b.starting_fen) {
        return ::testing::AssertionFailure() << "positions differ";
    }
    if (a.move_stack.size() != b.move_stack.size() || a.state_stack.size() != b.state_stack.size()) {
        return ::testing::AssertionFailure() << "history lengths differ";
    }
    for (std::size_t i = 0; i < a.move_stack.size(); ++i) {
        if (!same_move(a.move_stack[i], b.move_stack[i]) || !SameState(a.state_stack[i], b.state_stack[i])) {
            return ::testing::AssertionFailure() << "history entry " << i << " differs";
        }
    }
    return ::testing::AssertionSuccess();
}

// Moves around the listed ones: random squares (some off the board) and
// promotion letters, and the listed moves with one field changed.
std::vector<Move> candidates(Rng& rng, const std::vector<Move>& listed) {
    const char32_t letters[] = {NO_PROMOTION, U'q', U'r', U'n', U'b', U'Q', U'k', U'\u00e9'};
    std::vector<Move> moves;
    for (int i = 0; i < 24; ++i) {
        moves.push_back(Move{rng.below(70), rng.below(70), letters[rng.below(rng.percent(70) ? 1 : 8)]});
    }
    for (const Move& move : listed) {
        moves.push_back(Move{move.from_square, move.to_square ^ (1u << rng.below(3)), move.promotion});
        moves.push_back(Move{move.from_square, move.to_square, has_promotion(move) ? NO_PROMOTION : U'q'});
        moves.push_back(Move{move.from_square + 64, move.to_square, move.promotion});
    }
    return moves;
}

// is_legal and is_pseudo_legal agree with the lists on every move listed and
// on moves around them, and leave the board as it was.
void check_move_queries(Board& board, Rng& rng) {
    const std::vector<Move> legal = legal_moves(board);
    const std::vector<Move> pseudo = generate(board, add_pseudo_legal_moves);
    const Board before = board;
    std::vector<Move> asked = candidates(rng, legal);
    asked.insert(asked.end(), legal.begin(), legal.end());
    asked.insert(asked.end(), pseudo.begin(), pseudo.end());
    for (const Move& move : asked) {
        ASSERT_EQ(is_legal(board, move), lists(legal, move)) << move_text(move) << " on " << stored_position_text(board);
        ASSERT_EQ(is_pseudo_legal(board, move), lists(pseudo, move)) << move_text(move) << " on " << stored_position_text(board);
    }
    ASSERT_TRUE(SameRecord(board, before));
}

void check_saved_record(const Board& board) {
    const LoadedBoard loaded = load_board(SAVED_BOARD_FORMAT, save_board(board));
    ASSERT_TRUE(loaded.board) << loaded.fault;
    ASSERT_TRUE(SameRecord(*loaded.board, board));
}

// Every piece set may be changed directly, so boards come to overlap.
void edit(Board& board, Rng& rng) {
    const char letters[] = "PRNBQKprnbqk";
    const Bitboard bits = Bitboard{1} << rng.below(64) | (rng.percent(20) ? rng.next() & rng.next() : 0);
    if (rng.percent(50)) {
        set_pieces_or(board, static_cast<unsigned char>(letters[rng.below(12)]), bits);
    } else {
        set_pieces_xor(board, static_cast<unsigned char>(letters[rng.below(12)]), bits);
    }
}

// Written apart from the core's own test, which the legal filter relies on.
bool sets_are_consistent(const Board& b) {
    const Bitboard kinds[] = {b.pawns, b.rooks, b.knights, b.bishops, b.queens, b.kings};
    Bitboard seen = 0;
    for (const Bitboard set : kinds) {
        if ((seen & set) != 0) return false;
        seen |= set;
    }
    return (b.white_pieces & b.black_pieces) == 0 && seen == (b.white_pieces | b.black_pieces);
}

// Played games, some of them edited on the way: position text loads back to
// the same position while the sets are consistent; every board, consistent
// or not, answers the move queries as its lists do and saves and loads back
// whole; every legal move's UCI text reads back to the same move.
TEST(PositionOut, RoundTripsOnRandomGames) {
    Rng rng{20261210};
    int consistent = 0, inconsistent = 0;
    for (int game = 0; game < 60; ++game) {
        Board board = make_board(GAMES[game % GAMES.size()]);
        const bool edited = game % 3 == 2;
        for (int ply = 0; ply < 40; ++ply) {
            if (edited && rng.percent(25)) edit(board, rng);
            if (sets_are_consistent(board)) {
                ++consistent;
                const Board loaded = make_board(stored_position_text(board));
                ASSERT_EQ(position_of(loaded), position_of(board)) << stored_position_text(board);
            } else {
                ++inconsistent;
            }
            check_move_queries(board, rng);
            check_saved_record(board);
            const std::vector<Move> legal = legal_moves(board);
            for (const Move& move : legal) {
                const auto parsed = parse_move_text(move_text(move));
                ASSERT_TRUE(parsed && same_move(*parsed, move)) << move_text(move);
            }
            if (legal.empty()) break;
            apply_move(board, legal[rng.below(static_cast<unsigned>(legal.size()))]);
        }
    }
    EXPECT_GT(consistent, 1000);
    EXPECT_GT(inconsistent, 100);
}

TEST(PositionOut, TextOfKnownPositions) {
    for (const std::string& fen : std::vector<std::string>{STANDARD_START_FEN, "r3k2r/8/8/8/8/8/8/R3K2R b Kq - 12 40",
                                  "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2",
                                  "8/8/8/8/8/8/8/8 w  - 0 18446744073709551615", "7k/8/8/8/8/8/8/K7 b \u00e9Kx h3 3 0"}) {
        EXPECT_EQ(stored_position_text(make_board(fen)), fen);
    }
    // Fields the loader reads leniently come out as they are stored.
    EXPECT_EQ(stored_position_text(make_board("8/8/8/8/8/8/8/8 W - i3 +5 x")), "8/8/8/8/8/8/8/8 b - a3 5 0");
    EXPECT_EQ(stored_position_text(board_of(STANDARD_START_FEN, "e2e4 c7c5 g1f3")),
              "rnbqkbnr/pp1ppppp/8/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2");
}

// A square claimed by several sets shows the diagram's last writer, and a
// kind or colour bit alone shows nothing; the text says the same.
TEST(PositionOut, OverlappingSetsShowTheDiagramsLetter) {
    Board board = make_board("8/8/8/8/8/8/8/8 w - - 0 1");
    set_pieces_or(board, U'P', squares("a1 b1 c1"));
    set_pieces_or(board, U'p', squares("a1"));     // both colours, pawn: black wins
    set_pieces_or(board, U'K', squares("b1"));     // pawn and king, White: the king
    set_pieces_xor(board, U'r', squares("c1 d1"));  // c1 pawn and rook; d1 rook without colour
    set_pieces_or(board, U'N', squares("e1"));
    set_pieces_xor(board, U'n', squares("e1"));  // White without a kind
    EXPECT_EQ(piece_letter(board, sq("a1")), U'p');
    EXPECT_EQ(piece_letter(board, sq("b1")), U'K');
    EXPECT_EQ(piece_letter(board, sq("c1")), U'R');
    EXPECT_EQ(piece_letter(board, sq("d1")), std::nullopt);
    EXPECT_EQ(piece_letter(board, sq("e1")), std::nullopt);
    EXPECT_EQ(stored_position_text(board), "8/8/8/8/8/8/8/pKR5 w - - 0 1");
    Rng rng{77};
    for (int round = 0; round < 200; ++round) {
        Board random = make_board("8/8/8/8/8/8/8/8 w - - 0 1");
        for (Bitboard* set : {&random.pawns, &random.rooks, &random.knights, &random.bishops, &random.queens,
                              &random.kings, &random.white_pieces, &random.black_pieces}) {
            *set = rng.next() & rng.next();
        }
        const std::string diagram = render(random);
        for (unsigned square = 0; square < 64; ++square) {
            const char cell = diagram[((7 - square / 8) * 8 + square % 8) * 2];
            const auto letter = piece_letter(random, square);
            ASSERT_EQ(cell, letter ? static_cast<char>(*letter) : '.') << square;
        }
        ASSERT_EQ(render(make_board(stored_position_text(random))), diagram);
    }
}

TEST(PositionOut, MoveTextsReadBack) {
    const std::pair<const char*, std::optional<Move>> cases[] = {
        {"e2e4", Move{12, 28, NO_PROMOTION}}, {"e7e8q", Move{52, 60, U'q'}}, {"a1h8", Move{0, 63, NO_PROMOTION}},
        {"b2a1n", Move{9, 0, U'n'}}, {"h7h8r", Move{55, 63, U'r'}}, {"c7c8b", Move{50, 58, U'b'}},
        {"e7e8Q", std::nullopt}, {"e7e8k", std::nullopt}, {"a9h32", std::nullopt}, {"e2e9", std::nullopt},
        {"i2e4", std::nullopt}, {"E2E4", std::nullopt}, {"e2e", std::nullopt}, {"e2e4qq", std::nullopt},
        {"", std::nullopt}, {"0000", std::nullopt}, {"e2e4 ", std::nullopt}, {"e7e8\u00e9", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        const auto parsed = parse_move_text(text);
        ASSERT_EQ(parsed.has_value(), expected.has_value()) << text;
        if (parsed) {
            EXPECT_TRUE(same_move(*parsed, *expected)) << text;
        }
    }
}

// Whatever a board can come to hold through its operations saves and loads.
TEST(SavedBoard, KeepsWhatABoardCanReach) {
    Board board = make_board("8/8/8/8/8/8/8/8 w \u00e9K\u00e9 - 18446744073709551615 0");
    set_pieces_or(board, U'P', 0xFF00FF);
    set_pieces_xor(board, U'k', Bitboard{1} << 40);
    error_of([&] { apply_move(board, Move{70, 4000000000u, U'\U0001F600'}); });  // refused, recorded
    remove_castling_rights(board, U'a');
    apply_move(board, Move{16, 24, NO_PROMOTION});
    check_saved_record(board);
    Board empty_text = make_board("8/8/8/8/8/8/8/8 b  e6 0 1");
    check_saved_record(empty_text);
}

TEST(SavedBoard, RefusesDamagedBytes) {
    const Board board = board_of(GAMES[1], "a1b1 h8g8");  // castling text "Kq" left
    const std::string saved = save_board(board);
    // Cut short anywhere, or run on: refused, never read past the end.
    for (std::size_t size = 0; size < saved.size(); ++size) {
        EXPECT_FALSE(load_board(SAVED_BOARD_FORMAT, saved.substr(0, size)).board) << size;
    }
    EXPECT_EQ(load_board(SAVED_BOARD_FORMAT, saved + "x").fault,
              "invalid Board state: 1 bytes follow the history (at byte " + std::to_string(saved.size()) + ")");
    EXPECT_EQ(load_board(2, saved).fault, "invalid Board state: unknown format version 2 (this build reads version 1)");

    const std::size_t text_end = 4 + board.starting_fen.size();
    const std::size_t castling_size = text_end;  // the position's castling text comes first
    const auto with = [&](std::size_t at, std::string_view bytes) {
        std::string damaged = saved;
        damaged.replace(at, bytes.size(), bytes);
        return load_board(SAVED_BOARD_FORMAT, damaged).fault;
    };
    const std::size_t sets = castling_size + 4 + (*board.castling_rights).size();
    const std::size_t en_passant = sets + 8 * 8 + 2 * 8;
    const auto starts = [](const std::string& fault, std::string_view prefix) { return fault.rfind(prefix, 0) == 0; };
    EXPECT_TRUE(starts(with(en_passant, "\x40"), "invalid Board state: en passant square 64 is off the board"));
    EXPECT_TRUE(starts(with(en_passant + 1, "\x02"), "invalid Board state: side to move 2 is neither 0 nor 1"));
    EXPECT_TRUE(starts(with(castling_size + 4, " "), "invalid Board state: a castling text holds a space"));
    EXPECT_TRUE(starts(with(castling_size + 4, "\xC0"), "invalid Board state: a castling text is not UTF-8"));
    EXPECT_TRUE(starts(with(4, "\xED\xA0\x80"), "invalid Board state: the position text is not UTF-8"));  // a surrogate
    EXPECT_TRUE(starts(with(4, "x"), "invalid Board state: its position text does not load: Invalid piece type"));
    const std::size_t history = en_passant + 2;
    EXPECT_TRUE(starts(with(history, std::string("\xFF\xFF\xFF\x0F", 4)), "invalid Board state: a history of"));
    EXPECT_TRUE(starts(with(history + 4 + 8, std::string("\x00\x00\x11\x00", 4)),
                       "invalid Board state: promotion 1114112 is not a character"));
    // Any single byte changed gives a whole board or a refusal, nothing in between.
    for (std::size_t at = 0; at < saved.size(); ++at) {
        for (const char byte : {'\x00', '\x01', '\x3f', '\x80', '\xff'}) {
            std::string damaged = saved;
            damaged[at] = byte;
            const LoadedBoard loaded = load_board(SAVED_BOARD_FORMAT, damaged);
            EXPECT_NE(loaded.board.has_value(), !loaded.fault.empty()) << at;
            if (loaded.board) check_saved_record(*loaded.board);
        }
    }
}

}  // namespace
}  // namespace plindervox
