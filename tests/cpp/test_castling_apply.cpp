// Castling rights and moves, playing moves and taking them back.
#include "board/castling.hpp"
#include "core_test_support.hpp"

namespace plindervox {
namespace {
using namespace support;

TEST(Castling, CastlingOrderFollowsRightsText) {
    const std::string both = "r3k2r/8/8/8/8/8/8/R3K2R ", rooks = "/8/8/8/8/8/8/R3K2R w KQ - 0 1";
    const std::pair<std::string, const char*> cases[] = {
        {both + "w KQkq - 0 1", "e1g1 e1c1"}, {both + "w QK - 0 1", "e1c1 e1g1"},
        {both + "w KkQK - 0 1", "e1g1 e1c1 e1g1"}, {both + "b KQkq - 0 1", "e8g8 e8c8"},
        {both + "b qKk - 0 1", "e8c8 e8g8"}, {both + "w kq - 0 1", ""}, {both + "w - - 0 1", ""}, {both + "w  - 0 1", ""},
        {"4kr2" + rooks, "e1c1"},       // f1 reached
        {"4k1r1" + rooks, "e1c1"},      // g1 reached
        {"3rk3" + rooks, "e1g1"},       // d1 reached
        {"2r1k3" + rooks, "e1g1"},      // c1 reached
        {"1r2k3" + rooks, "e1g1 e1c1"}, // b1 reached but empty
        {"4r2k" + rooks, ""},           // in check
        {"4k3/8/8/8/8/8/8/RN2K2R w KQ - 0 1", "e1g1"}, {"4k3/8/8/8/8/8/8/R3K1nR w KQ - 0 1", "e1c1"},
        {"4k3/8/8/8/8/8/8/R2bK2R w KQ - 0 1", "e1g1"},
        {"4k3/8/8/8/8/8/4p3/R3K2R w KQ - 0 1", ""},           // pawn diagonals onto empty d1, f1
        {"4k3/8/8/8/8/8/2p5/R3K2R w KQ - 0 1", "e1g1"},       // pawn push reaches c1
        {"4k3/8/8/8/8/8/6p1/R3K2R w KQ - 0 1", "e1c1"},       // pawn push reaches g1
        // A pawn guarding each square the king crosses or lands on, on either side of it.
        {"4k3/8/8/8/8/8/7p/R3K2R w KQ - 0 1", "e1c1"},        // h2 guards g1
        {"4k3/8/8/8/8/8/5p2/R3K2R w KQ - 0 1", ""},           // f2 guards e1 and g1: check
        {"4k3/8/8/8/8/8/1p6/R3K2R w KQ - 0 1", "e1g1"},       // b2 guards c1 (a1 is the rook's)
        {"4k3/8/8/8/8/8/3p4/R3K2R w KQ - 0 1", ""},           // d2 guards c1 and e1: check
        {"r3k2r/6P1/8/8/8/8/8/4K3 b kq - 0 1", "e8c8"},       // g7 guards f8
        {"r3k2r/7P/8/8/8/8/8/4K3 b kq - 0 1", "e8c8"},        // h7 guards g8
        {"r3k2r/2P5/8/8/8/8/8/4K3 b kq - 0 1", "e8g8"},       // c7 guards d8 (and b8)
        {"r3k2r/1P6/8/8/8/8/8/4K3 b kq - 0 1", "e8g8"},       // b7 guards c8
        {"r3k2r/P7/8/8/8/8/8/4K3 b kq - 0 1", "e8g8 e8c8"},   // a7 guards b8, which only has to be empty
        // The king on its square and the side's own rook on the corner.
        {"4k3/8/8/8/8/8/8/4K3 w K - 0 1", ""}, {"4k3/8/8/8/8/8/8/R3K3 w KQ - 0 1", "e1c1"},
        {"4k3/8/8/8/8/8/8/4K2R w KQ - 0 1", "e1g1"}, {"4k3/8/8/8/8/8/8/r3K2r w KQ - 0 1", ""},
        {"4k3/8/8/8/8/8/8/R3KB1R w KQ - 0 1", "e1c1"}, {"4k3/8/8/8/8/8/8/R2K3R w KQ - 0 1", ""},
        {"4k3/8/8/8/8/8/8/R3k2R w KQ - 0 1", ""}, {"r3K2r/8/8/8/8/8/8/8 b kq - 0 1", ""},
        {"r3k2R/8/8/8/8/8/8/4K3 b kq - 0 1", ""},              // h8 holds White's rook, which checks
        {"r3k1Nr/8/8/8/8/8/8/4K3 b kq - 0 1", "e8c8"}, {"n3k2r/8/8/8/8/8/8/4K3 b kq - 0 1", "e8g8"},
        {"r3k2r/8/8/8/8/8/8/5R1K b kq - 0 1", "e8c8"}, {"r3k2r/8/8/8/8/8/8/2R4K b kq - 0 1", "e8g8"},
        {"r3k2r/8/8/8/8/8/8/4R2K b kq - 0 1", ""},
    };
    for (const auto& [fen, expected] : cases) EXPECT_EQ(uci_list(castling_moves(board_of(fen))), expected) << fen;
}

TEST(Castling, RightsTextEditing) {
    using S = std::optional<std::string>;
    struct Held { S rights; bool turn, held; };
    for (const Held& c : {Held{"KQkq", true, true}, {"kq", true, false}, {"kq", false, true}, {"QK", false, false},
                          {"xQ", true, true}, {"", true, false}, {std::nullopt, false, false}}) {
        Board board = board_of(EMPTY_FEN);
        std::tie(board.castling_rights, board.turn) = std::tie(c.rights, c.turn);
        EXPECT_EQ(check_castling_rights(board), c.held) << c.rights.value_or("absent") << " " << c.turn;
    }
    struct Removal { S rights; bool turn; std::u32string ids; S after; };
    for (const Removal& c : {Removal{"KQkq", true, U"k", "Qkq"}, {"KQkq", true, U"kq", "kq"}, {"KQkq", false, U"q", "KQk"},
                             {"K", true, U"k", ""}, {"KQKkK", true, U"k", "Qk"}, {"KQkq", false, U"kq", "KQ"},
                             {"KQkq", true, U"a", std::nullopt}, {"", false, U"a", std::nullopt}}) {
        Board board = board_of(EMPTY_FEN);
        std::tie(board.castling_rights, board.turn) = std::tie(c.rights, c.turn);
        for (const char32_t id : c.ids) remove_castling_rights(board, id);
        EXPECT_EQ(board.castling_rights, c.after) << c.rights.value_or("absent");
    }
    for (const auto& [rights, id] : {std::pair<S, char32_t>{"KQkq", U'x'}, {"KQkq", U'K'}, {"KQkq", U'Q'}, {std::nullopt, U'k'},
                                     {std::nullopt, U'q'}}) {
        Board board = board_of(EMPTY_FEN);
        board.castling_rights = rights;
        const auto message = error_of([&, id = id] { remove_castling_rights(board, id); });
        ASSERT_TRUE(message);
        if (rights) {
            EXPECT_EQ(*message, "Invalid castling rights");
        }
        EXPECT_EQ(board.castling_rights, rights);
    }
}

TEST(Apply, MovesUpdateClocksTurnAndRights) {
    struct Case { std::string fen; const char* moves; bool turn; std::optional<Square> ep; std::uint64_t half, full; std::optional<std::string> castling; };
    const std::string castle = "r3k2r/8/8/8/8/8/1B6/R3K2R w KQkq - 5 9";
    const auto none = std::nullopt;
    const Case cases[] = {
        {STANDARD_START_FEN, "e2e4", false, 20, 0, 1, "KQkq"},       {STANDARD_START_FEN, "e2e4 e7e5", true, 44, 0, 2, "KQkq"},
        {STANDARD_START_FEN, "g1f3", false, none, 1, 1, "KQkq"},     {STANDARD_START_FEN, "g1f3 g8f6 b1c3", false, none, 3, 2, "KQkq"},
        // A king move takes its own side's letters only; castling included.
        {castle, "e1g1", false, none, 6, 9, "kq"},                   {castle, "e1f1", false, none, 6, 9, "kq"},
        {castle, "b2c3 e8c8", true, none, 7, 10, "KQ"},              {castle, "e1g1 e8g8", true, none, 7, 10, ""},
        {castle, "e1d1 e8d8 d1e1", false, none, 8, 10, ""},          {castle, "a1a3", false, none, 6, 9, "Kkq"},
        {castle, "h1h5", false, none, 6, 9, "Qkq"},                  {castle, "a1a3 a8a4", true, none, 7, 10, "Kk"},
        // Only the corner rook's move counts, not a rook's on another a- or h-file square.
        {castle, "a1a3 h8h4 a3a2", false, none, 8, 10, "Kq"},        {castle, "a1a3 h8h4 h1h3 h4h5", true, none, 9, 11, "q"},
        {"4k3/r7/8/8/8/8/7R/4K3 w KQkq - 0 1", "h2h3 a7a6", true, none, 2, 2, "KQkq"},
        // A move onto a corner takes that corner's letter, whoever moves: a rook captured there loses its right.
        {castle, "b2h8", false, none, 0, 9, "KQq"},                  {castle, "a1a8", false, none, 0, 9, "Kk"},
        {"r3k2r/8/8/8/8/8/6b1/R3K2R b KQkq - 0 1", "g2h1", true, none, 0, 2, "Qkq"},
        {"r3k2r/8/8/8/8/8/1n6/R3K2R b KQkq - 0 1", "b2a1", true, none, 0, 2, "Kkq"},
        {"r3k2r/6N1/8/8/8/8/8/R3K2R w KQkq - 0 1", "g7h5 a8a1", true, none, 0, 2, "Kk"},
        {"4k2r/8/6N1/8/8/8/8/4K3 w k - 0 1", "g6h8", false, none, 0, 1, ""},
        // A corner's letter goes whatever stands there: a knight leaving h1, a queen reaching a8.
        {"4k3/8/8/8/8/8/8/4K2N w KQkq - 0 1", "h1g3", false, none, 1, 1, "Qkq"},
        {"4k3/8/8/8/8/8/Q7/4K3 w KQkq - 0 1", "a2a8", false, none, 1, 1, "KQk"},
        {"4k3/8/8/8/8/8/8/3RK3 w KQkq - 0 1", "d1d5", false, none, 1, 1, "KQkq"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w kq - 0 1", "e1g1", false, none, 1, 1, "kq"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KKxQQk - 0 1", "e1e2", false, none, 1, 1, "xk"},
        {"8/8/8/3pP3/8/8/8/8 w - d6 4 3", "e5d6", false, none, 0, 3, none},
        // a two-rank pawn move whose passed square would lie off the board stores none
        {"8/8/8/8/8/2P5/8/8 w - - 0 1", "c3c1", false, none, 0, 1, none},
        {"8/8/2p5/8/8/8/8/8 b - e3 0 1", "c6c8", true, none, 0, 2, none},
    };
    for (const Case& c : cases) {
        const Board board = board_of(c.fen, c.moves);
        EXPECT_EQ(std::tie(board.turn, board.en_passant_square, board.half_move_clock, board.full_move_number, board.castling_rights),
                  std::tie(c.turn, c.ep, c.half, c.full, c.castling)) << c.fen << " " << c.moves;
        EXPECT_EQ(board.move_stack.size() + board.state_stack.size(), 2 * words(c.moves).size());
    }
}

TEST(Apply, MovesPlacePieces) {
    const char* castle = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    const char* black_castle = "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1";
    struct Case { const char* fen; const char* move; const char* placement; };
    const Case cases[] = {
        {STANDARD_START_FEN, "e2e4", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR"},
        {castle, "e1g1", "r3k2r/8/8/8/8/8/8/R4RK1"}, {castle, "e1c1", "r3k2r/8/8/8/8/8/8/2KR3R"},
        {black_castle, "e8g8", "r4rk1/8/8/8/8/8/8/R3K2R"}, {black_castle, "e8c8", "2kr3r/8/8/8/8/8/8/R3K2R"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w kq - 0 1", "e1g1", "r3k2r/8/8/8/8/8/8/R5KR"},
        {"r3k3/8/8/8/8/8/8/R3K3 w KQkq - 0 1", "e1g1", "r3k3/8/8/8/8/8/8/R5K1"},
        {"4k3/8/8/8/8/8/8/R3K2r w KQ - 0 1", "e1g1", "4k3/8/8/8/8/8/8/R5Kr"},
        {"4k3/8/8/8/8/8/8/r3K2R w KQ - 0 1", "e1c1", "4k3/8/8/8/8/8/8/r1K4R"},
        {"4k3/8/8/8/8/8/8/1R2K3 w KQ - 0 1", "e1d1", "4k3/8/8/8/8/8/8/1R1K4"},  // one step never castles
        // A castling step to a corner: the rook's squares would lie off the board, so no rook moves.
        {"4k3/8/8/8/8/8/8/2K5 w KQ - 0 1", "c1a1", "4k3/8/8/8/8/8/8/K7"},
        {"5k2/8/8/8/8/8/8/4K3 b kq - 0 1", "f8h8", "7k/8/8/8/8/8/8/4K3"},
        {"8/8/8/3pP3/8/8/8/8 w - d6 0 1", "e5d6", "8/8/3P4/8/8/8/8/8"},
        {"8/8/8/8/3pP3/8/8/8 b - e3 0 1", "d4e3", "8/8/8/8/8/4p3/8/8"},
        {"8/8/8/3p4/4P3/8/8/8 w - - 0 1", "e4d5", "8/8/8/3P4/8/8/8/8"},
        {"3q4/4P3/8/8/8/8/8/8 w - - 0 1", "e7d8q", "3Q4/8/8/8/8/8/8/8"},
        {"3r4/4P3/8/8/8/8/8/8 w - - 0 1", "e7d8r", "3R4/8/8/8/8/8/8/8"},
        {"3r4/4P3/8/8/8/8/8/8 w - - 0 1", "e7d8n", "3N4/8/8/8/8/8/8/8"},
        {"8/8/8/8/8/8/1p6/Q7 b - - 0 1", "b2a1b", "8/8/8/8/8/8/8/b7"},
        {"8/4P3/8/8/8/8/8/8 w - - 0 1", "e7e8r", "4R3/8/8/8/8/8/8/8"},
    };
    for (const Case& c : cases) {
        const Board board = board_of(c.fen, c.move);
        const Board expected = board_of(std::string(c.placement) + " w - - 0 1");
        EXPECT_EQ(render(board), render(expected)) << c.fen << " " << c.move;
        for (const char32_t letter : {U'p', U'r', U'n', U'b', U'q', U'k', U'w', U'a'}) {
            EXPECT_EQ(get_pieces(board, letter), get_pieces(expected, letter)) << c.fen << " " << c.move << " " << char(letter);
        }
    }
}

TEST(Apply, RefusedMoveLeavesPositionAndGrowsHistory) {
    const char* pawn = "4k3/4P3/8/8/8/8/8/4K3 w - - 3 7";
    const std::pair<const char*, Move> cases[] = {
        {STANDARD_START_FEN, mv("e3e4")}, {pawn, mv("e7e8Q")}, {pawn, mv("e7e8x")}, {pawn, mv("e7e8k")},
        {pawn, {64, 60, NO_PROMOTION}},   {pawn, {52, 64, NO_PROMOTION}}, {pawn, {52, 0xFFFFFFFF, U'q'}},
    };
    for (const auto& [fen, move] : cases) {
        SCOPED_TRACE(std::string(fen) + " " + move_text(move));
        Board board = board_of(fen);
        const BoardState before = snapshot(board);
        const auto message = error_of([&, &move = move] { apply_move(board, move); });
        ASSERT_TRUE(message);
        if (move.to_square < 64 && move.from_square < 64) {
            EXPECT_EQ(*message, (move.from_square == sq("e3") ? "Could not find the piece to move for "
                                                                : "Panic in the disco!!! (promotion issue) for ") + move_text(move));
        }
        EXPECT_TRUE(SameState(snapshot(board), before));
        ASSERT_EQ(board.move_stack.size() + board.state_stack.size(), 2u);
        EXPECT_EQ(move_text(board.move_stack.back()), move_text(move));
        EXPECT_EQ(move_text(undo(board)), move_text(move));
        EXPECT_TRUE(SameState(snapshot(board), before));
    }
}

// Refused moves are history too, so they appear in some sequences below.
TEST(Undo, UndoRestoresEveryField) {
    const std::pair<const char*, const char*> cases[] = {
        {STANDARD_START_FEN, "e2e4 d7d5 e4d5 d8d5 b1c3 d5a5 g1f3 c8g4"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w qKkQ - 7 30", "e1g1 e8c8"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkqKQ - 0 1", "a1a8 h8h1 e1d2"},
        {"3q4/4P3/8/8/8/8/8/4K2k w - - 0 1", "e7d8q h1h2 e7e8"},
        {"4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 1", "d4e3 e1e2 e8d7"},
        {"8/8/8/8/8/8/8/8 w \u00e9K - 0 1", "a1a2"},
    };
    for (const auto& [fen, moves] : cases) {
        SCOPED_TRACE(std::string(fen) + " " + moves);
        Board board = board_of(fen);
        std::vector<BoardState> seen{snapshot(board)};
        for (const std::string& uci : words(moves)) {
            error_of([&] { apply_move(board, mv(uci)); });
            seen.push_back(snapshot(board));
        }
        for (auto played = words(moves); !played.empty(); played.pop_back()) {
            seen.pop_back();
            EXPECT_EQ(move_text(undo(board)), played.back());
            EXPECT_TRUE(SameState(snapshot(board), seen.back()));
        }
        EXPECT_TRUE(error_of([&] { undo(board); }));
        EXPECT_TRUE(SameState(snapshot(board), seen.back()));
        EXPECT_TRUE(board.move_stack.empty() && board.state_stack.empty());
    }
}

}  // namespace
}  // namespace plindervox
