// Legal moves, the end of the game and leaf counts of the move tree.
#include "core_test_support.hpp"
#include "reference.hpp"

namespace plindervox {
namespace {
using namespace support;

bool lists(const std::string& list, const std::string& uci) {
    return (" " + list + " ").find(" " + uci + " ") != std::string::npos;
}

TEST(Legal, LegalMovesDropMovesThatExposeTheKing) {
    struct Case { const char* fen; std::size_t count; const char* first; const char* dropped; };
    const Case cases[] = {
        {STANDARD_START_FEN, 20, "", ""},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1", 20, "", ""},
        {"4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1", 4, "", "e2c3 e2g3 e2d4 e2f4 e2c1 e2g1"},
        {"4k3/4r3/8/8/8/8/4R3/4K3 w - - 0 1", 9, "", "e2d2 e2a2 e2h2"},
        {"4k3/8/8/b7/8/8/3P4/4K3 w - - 0 1", 4, "", "d2d3 d2d4"},       // pinned on a diagonal
        {"4k3/8/8/8/8/2b5/3P4/4K3 w - - 0 1", 5, "", "d2d3 d2d4"},      // ... may take the pinner
        {"8/8/8/K2Pp2r/8/8/8/7k w - e6 0 1", 6, "", "d5e6"},
        {"4k3/8/8/8/8/8/8/r3K3 w - - 0 1", 3, "", "e1d1 e1f1"},
        {"4k3/8/8/8/8/2p5/3q4/4K3 w - - 0 1", 1, "e1f1", "e1d2 e1e2 e1f2 e1d1"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 26, "e1g1 e1c1", ""},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", 26, "e8g8 e8c8", ""},
        {"4k3/8/8/8/8/8/8/8 w K - 0 1", 0, "", ""},  // a rights letter without king and rook gives nothing
        {"4k3/8/8/8/8/8/8/4K2R w K - 0 1", 15, "e1g1", ""},
        // Only the highest king of a colour counts: taking a8 makes g7 the one that reaches f7.
        {"K6r/5kK1/8/8/8/8/8/8 b - - 0 1", 21, "", "h8a8"},
        // In check from a rook: block (a3e3), or step off the file; never back along it.
        {"4k3/8/8/8/4r3/R7/8/4K3 w - - 0 1", 5, "", "a3a4 e1e2"},
        {"4k3/8/8/8/8/8/4K3/4r3 w - - 0 1", 5, "", "e2e3 e2d1 e2f1"},
        // Double check (rook and knight): only the king moves.
        {"4k3/8/8/8/4r3/3n4/8/R3K3 w - - 0 1", 3, "", "a1a2 a1d1 e1e2 e1f2"},
        // The checking pawn taken en passant; a capture that uncovers a diagonal.
        {"8/8/8/3k4/3pP3/8/8/4K3 b - e3 0 1", 8, "", "d4d3"},
        {"8/7k/8/8/3pP3/8/8/1B4K1 b - e3 0 1", 6, "", "d4e3"},
        // Blocking a check by promoting; the king may not stay on the checked rank.
        {"r6K/2P5/8/8/8/8/8/k7 w - - 0 1", 6, "", "h8g8"},
        // A pawn pinned by a queen may still take en passant along the pin line.
        {"8/8/8/2k5/3pP3/8/5Q2/6K1 b - e3 0 1", 7, "", "d4d3 c5d5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fen);
        Board board = board_of(c.fen);
        const std::vector<Move> moves = legal_moves(board);
        const std::string legal = uci_list(moves), pseudo = uci_list(generate(board, add_pseudo_legal_moves));
        EXPECT_EQ(moves.size(), c.count) << legal;
        EXPECT_EQ(legal.rfind(c.first, 0), 0u) << legal;
        for (const std::string& uci : words(c.dropped)) EXPECT_TRUE(lists(pseudo, uci) && !lists(legal, uci)) << uci;
        EXPECT_EQ(has_legal_move(board), c.count > 0);
    }
}

// The list goes into the caller's buffer after whatever it holds, on each of
// the filter's roads: settled by the plan, an en passant capture settled from
// the occupancy, trials (two kings; an en passant square with no pawn behind
// it), and an inconsistent board. Castling stays first among the new moves.
TEST(Legal, ListIsAppendedToTheCallersBufferInItsFinalOrder) {
    struct Case { const char* fen; const char* also_knights; };
    const Case cases[] = {
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", ""},
        {"8/8/8/2k5/3pP3/8/5Q2/6K1 b - e3 0 1", ""},
        {"4k3/8/8/8/8/8/8/R3K2K w Q - 0 1", ""},
        {"r3k2r/8/8/8/3p4/8/8/R3K2R b KQkq c3 0 1", ""},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "a1"},  // a rook and a knight on a1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fen);
        Board board = board_of(c.fen);
        set_pieces_or(board, U'N', squares(c.also_knights));
        const std::string expected = uci_list(legal_moves(board));
        ASSERT_FALSE(expected.empty());
        MoveBuffer buffer;
        buffer.push(sq("a1"), sq("a2"));
        buffer.push(sq("h8"), sq("h7"), U'q');
        add_legal_moves(board, buffer);
        ASSERT_GE(buffer.size, 2u);
        EXPECT_EQ(move_text(buffer[0]) + " " + move_text(buffer[1]), "a1a2 h8h7q");
        EXPECT_EQ(uci_list(std::vector<Move>(buffer.begin() + 2, buffer.end())), expected);
    }
}

TEST(Legal, QueriesLeaveTheBoardUntouched) {
    const std::pair<const char*, const char*> cases[] = {
        {STANDARD_START_FEN, "e2e4 e7e5 g1f3"},
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", "a2a4"},
        {"8/8/8/K2Pp2r/8/8/8/7k w - e6 0 1", ""},
        {"r3k2r/8/8/8/8/8/8/R3K2R w qKkQ - 3 9", ""},
        {STANDARD_START_FEN, "e2e4 f7f6 d2d4 g7g5 d1h5"},
    };
    for (const auto& [fen, moves] : cases) {
        Board board = board_of(fen, moves);
        const BoardState before = snapshot(board);
        const std::string history = uci_list(board.move_stack);
        legal_moves(board); has_legal_move(board); is_checkmate(board); is_stalemate(board); is_game_over(board); perft(board, 2);
        EXPECT_TRUE(SameState(snapshot(board), before)) << fen << " " << moves;
        EXPECT_EQ(uci_list(board.move_stack), history);
        EXPECT_EQ(board.state_stack.size(), board.move_stack.size());
    }
}

TEST(Legal, GameEndDetection) {
    struct Case { std::string fen; const char* moves; bool check, mate, stalemate; };
    const Case cases[] = {
        {STANDARD_START_FEN, "", false, false, false},
        {STANDARD_START_FEN, "e2e4 f7f6 d2d4 g7g5 d1h5", true, true, false},
        {STANDARD_START_FEN, "e2e4 e7e5 f1c4 b8c6 d1h5 g8f6 h5f7", true, true, false},
        {STANDARD_START_FEN, "e2e4 e7e5 f1c4 b8c6 d1h5 g8f6", false, false, false},
        {"4k3/8/8/8/8/8/8/r3K2K w - - 0 1", "", false, false, false},  // only the highest king counts
        {"4k3/8/8/8/8/8/8/r6K w - - 0 1", "", true, false, false},
        {"4k3/8/8/8/8/8/8/r3K3 b - - 0 1", "", false, false, false},
        {"k7/8/1Q6/8/8/8/8/2K5 b - - 0 1", "", false, false, true},
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "", false, false, true},
        {"4k3/8/8/8/8/8/8/r3K3 w - - 0 1", "", true, false, false},
        {"4k3/8/8/8/8/2p5/3q4/4K3 w - - 0 1", "", true, false, false},
        {"4k3/8/8/8/8/2p5/3q4/3K4 w - - 0 1", "", true, true, false},
    };
    for (const Case& c : cases) {
        Board board = board_of(c.fen, c.moves);
        EXPECT_EQ(std::make_tuple(is_check(board), is_checkmate(board), is_stalemate(board), is_game_over(board)),
                  std::make_tuple(c.check, c.mate, c.stalemate, c.mate || c.stalemate)) << c.fen << " " << c.moves;
    }
}

TEST(Perft, LeafCountsMatchKnownValues) {
    const std::string start = STANDARD_START_FEN, endgame = "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1";
    // Positions full of castling: rights kept and lost by king and rook moves,
    // rooks captured on their corners, castling through attacked squares.
    const std::string kiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
    const std::string promotions = "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1";
    const std::string middlegame = "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8";
    struct Case { const std::string& fen; int depth; std::uint64_t leaves; };
    for (const Case& c : {Case{start, 0, 1}, {start, 1, 20}, {start, 2, 400}, {start, 3, 8902}, {start, 4, 197281},
                          {start, 5, 4865609}, {endgame, 1, 14}, {endgame, 2, 191}, {endgame, 3, 2812},
                          {endgame, 4, 43238}, {endgame, 5, 674624}, {kiwipete, 1, 48}, {kiwipete, 2, 2039},
                          {kiwipete, 3, 97862}, {kiwipete, 4, 4085603}, {promotions, 1, 6}, {promotions, 2, 264},
                          {promotions, 3, 9467}, {promotions, 4, 422333}, {middlegame, 1, 44}, {middlegame, 2, 1486},
                          {middlegame, 3, 62379}, {middlegame, 4, 2103487}}) {
        Board board = board_of(c.fen);
        EXPECT_EQ(perft(board, c.depth), c.leaves) << c.fen << " depth " << c.depth;
    }
}

// Duplicated rights letters each castle again; a text of any length is
// counted as the plain implementation counts it.
TEST(Perft, LongRightsTextsCountEveryCastlingMove) {
    for (const std::size_t repeats : {1u, 8u, 9u, 3000u}) {
        std::string rights;
        for (std::size_t i = 0; i < repeats; ++i) rights += "KQkq";
        const std::string fen = "r3k2r/8/8/8/8/8/8/R3K2R w " + rights + " - 0 1";
        Board board = board_of(fen);
        const std::size_t castles = reference::castling_moves(board).size();
        EXPECT_EQ(castles, 2 * repeats) << fen;
        EXPECT_EQ(legal_moves(board).size(), reference::legal_moves(board).size()) << fen;
        EXPECT_EQ(perft(board, 1), castles + 24) << fen;
        EXPECT_TRUE(has_legal_move(board)) << fen;
    }
}

}  // namespace
}  // namespace plindervox
