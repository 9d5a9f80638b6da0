// Loading positions from position text, fresh and on top of a board.
#include "core_test_support.hpp"

namespace plindervox {
namespace {
using namespace support;

const std::string EMPTY = "8/8/8/8/8/8/8/8";

TEST(Loading, FieldsReadLeniently) {
    struct Case { std::string fen; bool turn; std::optional<std::string> castling; std::optional<Square> ep; std::uint64_t half, full; };
    const auto none = std::nullopt;
    const Case cases[] = {
        {STANDARD_START_FEN, true, "KQkq", none, 0, 1},
        {"rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2", true, "KQkq", 44, 0, 2},
        {EMPTY + " w  - - 0 1", true, "", none, 0, 0},
        {EMPTY + " b - - 3 40", false, none, none, 3, 40},
        {EMPTY + " W Qk e3 +5 007 extra", false, "Qk", 20, 5, 7},
        {EMPTY + " x kqKQk i3 -5 5a", false, "kqKQk", 16, 0, 0},
        {EMPTY + " ww xyz A3 + ++5", false, "xyz", 16, 0, 0},
        {EMPTY + " w - e3xyz 18446744073709551615 18446744073709551616", true, none, 20, 18446744073709551615ULL, 0},
        {EMPTY + " w - \u00e93  1", true, none, 16, 0, 1},
        {EMPTY + " w - h6 12 5 ", true, none, 47, 12, 5},
    };
    for (const Case& c : cases) {
        const Board board = make_board(c.fen);
        EXPECT_EQ(std::tie(board.turn, board.castling_rights, board.en_passant_square, board.half_move_clock, board.full_move_number),
                  std::tie(c.turn, c.castling, c.ep, c.half, c.full)) << c.fen;
    }
}

TEST(Loading, RefusesFewerThanSixFields) {
    for (const auto& [fen, parts] : {std::pair<std::string, int>{EMPTY + " w - - 0", 5}, {EMPTY, 1}, {"", 1}, {"a b c d e", 5}}) {
        EXPECT_EQ(error_of([&fen = fen] { make_board(fen); }), "Invalid starting fen; got " + fen + ", with " + std::to_string(parts) + " parts");
    }
}

TEST(Loading, EnPassantNeedsARankDigit) {
    for (const char* field : {"e", "e9", "e0", "ex", "3e", "", "\u00e9"}) {
        const auto message = error_of([&] { make_board(EMPTY + " w - " + field + " 0 1"); });
        ASSERT_TRUE(message) << field;
        EXPECT_EQ(message->rfind("Invalid en passant square", 0), 0u) << *message;
    }
}

// The cursor starts on the square before a8 (55); digits add, '/' steps back
// 16, each piece letter advances one and lands there, which must be 0-63.
TEST(Loading, PlacementFollowsTheCursor) {
    struct Case { const char* placement; Bitboard white, black; };
    for (const Case& c : {Case{"p/p", 0, squares("a8 b6")}, {"7p/7P", squares("h7"), squares("h8")},
                          {"0p1K", squares("c8"), squares("a8")}, {"8/8/8/8/8/8/8/7P", squares("h1"), 0},
                          {"9/p", 0, squares("b7")}, {"8/8/8/8/8/8/8/8/8/8", 0, 0}}) {
        const Board board = make_board(std::string(c.placement) + " w - - 0 1");
        EXPECT_EQ(std::tie(board.white_pieces, board.black_pieces), std::tie(c.white, c.black)) << c.placement;
        EXPECT_EQ(board.pawns | board.kings, c.white | c.black) << c.placement;
    }
    for (const char* placement : {"8/8/8/8/8/8/8/8/p", "8p/8/8/8/8/8/8/8", "ppppppppp/8/8/8/8/8/8/8", "8/8/8/8/8/8/8/8/8/P",
                                  "p9p", "8/8/8/8/8/8/8/7/K"}) {
        const std::string fen = std::string(placement) + " w - - 0 1";
        const auto message = error_of([&] { make_board(fen); });
        ASSERT_TRUE(message) << fen;
        EXPECT_NE(message->find(fen), std::string::npos) << *message;
    }
}

TEST(Loading, UnknownPlacementLetterKeepsEarlierPieces) {
    struct Case { const char* placement; Bitboard white, black; };
    for (const Case& c : {Case{"pxp5/8/8/8/8/8/8/8", 0, squares("a8")}, {"8/8/8/8/8/8/8/KR4\u00e91", squares("a1 b1"), 0},
                          {"2N1.3/8/8/8/8/8/8/8", squares("c8"), 0}, {"x7/8/8/8/8/8/8/8", 0, 0}}) {
        Board board = make_board(EMPTY + " b - - 7 9");
        board.starting_fen = std::string(c.placement) + " w KQ - 0 1";
        EXPECT_EQ(error_of([&] { set_board(board); }), "Invalid piece type") << c.placement;
        EXPECT_EQ(std::tie(board.white_pieces, board.black_pieces), std::tie(c.white, c.black)) << c.placement;
        EXPECT_EQ(board.pawns | board.rooks | board.knights | board.kings, c.white | c.black) << c.placement;
    }
}

TEST(Loading, ReloadOrsPlacementOntoCurrentPosition) {
    Board board = make_board(std::nullopt);
    const BoardState start = snapshot(board);
    set_board(board);
    EXPECT_TRUE(SameState(snapshot(board), start));

    board = board_of(STANDARD_START_FEN, "e2e4 g8f6");
    set_board(board);
    EXPECT_EQ(std::tie(board.pawns, board.knights), std::make_tuple(start.pawns | squares("e4"), start.knights | squares("f6")));
    EXPECT_EQ(board.white_pieces, start.white_pieces | squares("e4"));
    EXPECT_EQ(board.black_pieces, start.black_pieces | squares("f6"));
    EXPECT_EQ(std::tie(board.turn, board.castling_rights, board.half_move_clock, board.full_move_number),
              std::tie(start.turn, start.castling_rights, start.half_move_clock, start.full_move_number));
    EXPECT_EQ(board.move_stack.size() + board.state_stack.size(), 4u);

    for (const auto& rights : {std::optional<std::string>("Qk"), std::optional<std::string>(""), std::optional<std::string>()}) {
        board = make_board(EMPTY + " w - - 0 1");  // "-" keeps whatever rights the board has
        board.castling_rights = rights;
        set_board(board);
        EXPECT_EQ(board.castling_rights, rights);
    }
}

}  // namespace
}  // namespace plindervox
