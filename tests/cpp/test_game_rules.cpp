// Position keys, repetitions, the move-count rules, material and the result.
#include <gtest/gtest.h>

#include "board/game_rules.hpp"
#include "board/notation.hpp"
#include "core_test_support.hpp"

namespace plindervox {
namespace {

using support::board_of;
using support::mv;

struct KeyCase {
    const char* moves;
    std::uint64_t key;
};

class PolyglotKey : public ::testing::TestWithParam<KeyCase> {};

// The keys the Polyglot format's description gives for these games.
TEST_P(PolyglotKey, MatchesTheBookFormat) {
    const Board board = board_of(STANDARD_START_FEN, GetParam().moves);
    EXPECT_EQ(zobrist_hash(board), GetParam().key) << GetParam().moves;
}

INSTANTIATE_TEST_SUITE_P(Games, PolyglotKey, ::testing::Values(
    KeyCase{"", 0x463b96181691fc9cULL},
    KeyCase{"e2e4", 0x823c9b50fd114196ULL},
    KeyCase{"e2e4 d7d5", 0x0756b94461c50fb0ULL},
    KeyCase{"e2e4 d7d5 e4e5", 0x662fafb965db29d4ULL},
    KeyCase{"e2e4 d7d5 e4e5 f7f5", 0x22a48b5a8e47ff78ULL},
    KeyCase{"e2e4 d7d5 e4e5 f7f5 e1e2", 0x652a607ca3f242c1ULL},
    KeyCase{"e2e4 d7d5 e4e5 f7f5 e1e2 e8f7", 0x00fdd303c946bdd9ULL}));

TEST(PolyglotKey, ReadsTheRightsTextAndTheDiagram) {
    // Each letter counts once, in any order, and other characters not at all.
    EXPECT_EQ(zobrist_hash(board_of("4k3/8/8/8/8/8/8/4K3 w KQkq - 0 1")),
              zobrist_hash(board_of("4k3/8/8/8/8/8/8/4K3 w qkKQxK- - 0 1")));
    EXPECT_NE(zobrist_hash(board_of("4k3/8/8/8/8/8/8/4K3 w KQkq - 0 1")),
              zobrist_hash(board_of("4k3/8/8/8/8/8/8/4K3 w KQk - 0 1")));
    // An en passant square counts only with a pawn of the side to move beside it.
    EXPECT_EQ(zobrist_hash(board_of("4k3/8/8/3p4/8/8/8/4K3 w - d6 0 1")),
              zobrist_hash(board_of("4k3/8/8/3p4/8/8/8/4K3 w - - 0 1")));
    EXPECT_NE(zobrist_hash(board_of("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1")),
              zobrist_hash(board_of("4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1")));
    // A square in two sets counts once, with the letter the diagram shows.
    Board overlapping = board_of("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    set_pieces_or(overlapping, U'P', support::squares("d4"));
    set_pieces_or(overlapping, U'q', support::squares("d4"));
    EXPECT_EQ(zobrist_hash(overlapping), zobrist_hash(board_of("4k3/8/8/8/3q4/8/8/4K3 w - - 0 1")));
}

// Knights out and back: the start comes back after every four plies.
constexpr const char* SHUFFLE = "g1f3 g8f6 f3g1 f6g8";

TEST(Repetition, CountsThePositionsOfTheGame) {
    Board board = board_of(STANDARD_START_FEN);
    EXPECT_TRUE(is_repetition(board, 1));
    EXPECT_FALSE(is_repetition(board, 2));
    for (int round = 1; round <= 4; ++round) {
        for (const std::string& uci : support::words(SHUFFLE)) apply_move(board, mv(uci));
        EXPECT_EQ(is_repetition(board, 3), round >= 2) << round;
        EXPECT_EQ(is_fivefold_repetition(board), round >= 4) << round;
        EXPECT_TRUE(is_repetition(board, static_cast<std::uint32_t>(round + 1)));
        EXPECT_FALSE(is_repetition(board, static_cast<std::uint32_t>(round + 2)));
    }
    apply_move(board, mv("g1f3"));
    EXPECT_FALSE(is_repetition(board, 6));
    EXPECT_TRUE(is_repetition(board, 5));  // after g1f3 the fifth time
    EXPECT_TRUE(is_repetition(board, 0));
}

TEST(Repetition, CastlingLettersAndSideToMoveCount) {
    // Rooks out and back twice: the placement of the start comes back after
    // four and after eight plies, but from the fourth on without K and k.
    Board board = board_of("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "h1h2 h8h7 h2h1 h7h8 h1h2 h8h7 h2h1 h7h8");
    EXPECT_TRUE(is_repetition(board, 2));
    EXPECT_FALSE(is_repetition(board, 3));
    // The same placement with the other side to move is another position.
    Board turned = board_of(STANDARD_START_FEN, "g1f3 g8f6 f3g1 f6g8 g1h3");
    turned.turn = !turned.turn;
    EXPECT_FALSE(is_repetition(turned, 2));
}

TEST(Repetition, AnEnPassantSquareCountsOnlyWhereTheCaptureIsLegal) {
    // 1. e4 with no black pawn to take on e3: the position after it equals
    // the same placement without the en passant square.
    Board board = board_of("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e2e4 e8d8 e1d1 d8e8 d1e1");
    board.en_passant_square = 20;  // as after e2e4
    board.turn = false;
    EXPECT_TRUE(is_repetition(board, 2));
    // A pawn beside it, but pinned to its king: no legal capture, so no difference.
    Board pinned = board_of("8/8/8/8/k2pP2R/8/8/4K3 b - e3 0 1");
    Board same = board_of("8/8/8/8/k2pP2R/8/8/4K3 b - - 0 1");
    pinned.state_stack.push_back(BoardState(same));
    EXPECT_TRUE(is_repetition(pinned, 2));
    // A legal capture: the en passant square makes it another position.
    Board open = board_of("8/8/8/8/3pP3/8/8/k3K3 b - e3 0 1");
    open.state_stack.push_back(BoardState(board_of("8/8/8/8/3pP3/8/8/k3K3 b - - 0 1")));
    EXPECT_FALSE(is_repetition(open, 2));
}

struct ClockCase {
    const char* fen;
    bool fifty;
    bool seventy_five;
};

class MoveCountRules : public ::testing::TestWithParam<ClockCase> {};

TEST_P(MoveCountRules, NeedTheClockAndALegalMove) {
    Board board = board_of(GetParam().fen);
    EXPECT_EQ(is_fifty_moves(board), GetParam().fifty);
    EXPECT_EQ(is_seventyfive_moves(board), GetParam().seventy_five);
}

INSTANTIATE_TEST_SUITE_P(Clocks, MoveCountRules, ::testing::Values(
    ClockCase{"4k3/8/8/8/8/8/8/R3K3 w - - 99 80", false, false},
    ClockCase{"4k3/8/8/8/8/8/8/R3K3 w - - 100 80", true, false},
    ClockCase{"4k3/8/8/8/8/8/8/R3K3 w - - 149 80", true, false},
    ClockCase{"4k3/8/8/8/8/8/8/R3K3 w - - 150 80", true, true},
    ClockCase{"k7/8/1Q6/8/8/8/8/2K5 b - - 150 80", false, false},     // stalemated
    ClockCase{"R5k1/5ppp/8/8/8/8/8/4K3 b - - 160 90", false, false}));  // checkmated

struct MaterialCase {
    const char* fen;
    bool insufficient;
};

class Material : public ::testing::TestWithParam<MaterialCase> {};

TEST_P(Material, IsInsufficientOnlyWithoutMatingForces) {
    EXPECT_EQ(is_insufficient_material(board_of(GetParam().fen)), GetParam().insufficient) << GetParam().fen;
}

INSTANTIATE_TEST_SUITE_P(Positions, Material, ::testing::Values(
    MaterialCase{"4k3/8/8/8/8/8/8/4K3 w - - 0 1", true},
    MaterialCase{"4k3/8/8/8/8/8/8/4KN2 w - - 0 1", true},
    MaterialCase{"4k1n1/8/8/8/8/8/8/4K3 w - - 0 1", true},
    MaterialCase{"4k3/8/8/8/8/8/8/3NKN2 w - - 0 1", false},
    MaterialCase{"4kn2/8/8/8/8/8/8/4KN2 w - - 0 1", false},
    MaterialCase{"4k3/8/8/8/8/8/8/2B1KB2 w - - 0 1", false},     // c1 and f1: both colours
    MaterialCase{"4k3/8/8/8/8/8/8/B1B1K3 w - - 0 1", true},      // a1 and c1: both dark
    MaterialCase{"4kb2/8/8/8/8/8/8/2B1K3 w - - 0 1", true},      // f8 and c1: both dark
    MaterialCase{"4k1b1/8/8/8/8/8/8/2B1K3 w - - 0 1", false},    // g8 light, c1 dark
    MaterialCase{"4k3/8/8/8/8/8/b7/2B1K3 w - - 0 1", false},     // a2 light, c1 dark
    MaterialCase{"4k3/8/8/8/8/8/8/2B1KN2 w - - 0 1", false},
    MaterialCase{"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", false},
    MaterialCase{"4k3/8/8/8/8/8/8/4K2R w - - 0 1", false},
    MaterialCase{"4k3/8/8/8/8/8/8/3QK3 w - - 0 1", false},
    MaterialCase{"8/8/8/8/8/8/8/8 w - - 0 1", true}));

struct ResultCase {
    const char* fen;
    const char* moves;
    const char* result;
    const char* claimed;
};

class GameResult : public ::testing::TestWithParam<ResultCase> {};

TEST_P(GameResult, FollowsTheRules) {
    const ResultCase& c = GetParam();
    Board board = board_of(c.fen, c.moves);
    const std::size_t history = board.move_stack.size();
    EXPECT_EQ(result(board, false), c.result);
    EXPECT_EQ(result(board, true), c.claimed);
    EXPECT_EQ(board.move_stack.size(), history);
}

constexpr const char* FOUR_SHUFFLES = "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8";

INSTANTIATE_TEST_SUITE_P(Games, GameResult, ::testing::Values(
    ResultCase{STANDARD_START_FEN, "", "*", "*"},
    ResultCase{STANDARD_START_FEN, "f2f3 e7e5 g2g4 d8h4", "0-1", "0-1"},
    ResultCase{"R5k1/5ppp/8/8/8/8/8/4K3 b - - 0 1", "", "1-0", "1-0"},
    ResultCase{"k7/8/1Q6/8/8/8/8/2K5 b - - 0 1", "", "1/2-1/2", "1/2-1/2"},
    ResultCase{"4k3/8/8/8/8/8/8/4KB2 w - - 0 1", "", "1/2-1/2", "1/2-1/2"},
    ResultCase{"4k3/8/8/8/8/8/8/R3K3 w - - 100 80", "", "*", "1/2-1/2"},
    ResultCase{"4k3/8/8/8/8/8/8/R3K3 w - - 150 80", "", "1/2-1/2", "1/2-1/2"},
    ResultCase{STANDARD_START_FEN, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8", "*", "1/2-1/2"},
    ResultCase{STANDARD_START_FEN, FOUR_SHUFFLES, "1/2-1/2", "1/2-1/2"}));

TEST(Rules, AnswerOnBoardsWithoutKingsOrWithOverlappingSets) {
    Board empty = board_of("8/8/8/8/8/8/8/8 w - e6 200 1");
    EXPECT_EQ(result(empty, true), "1/2-1/2");  // no legal move, not in check
    EXPECT_FALSE(is_fifty_moves(empty));
    Board overlapping = board_of(STANDARD_START_FEN);
    set_pieces_or(overlapping, U'q', ~Bitboard{0});
    set_pieces_or(overlapping, U'K', support::squares("d4 e5"));
    EXPECT_NO_THROW(zobrist_hash(overlapping));
    EXPECT_FALSE(is_insufficient_material(overlapping));
    EXPECT_NO_THROW(result(overlapping, true));
    EXPECT_TRUE(is_repetition(overlapping, 1));
}

}  // namespace
}  // namespace plindervox
