// Generator orders and the reach test.
#include <random>

#include "core_test_support.hpp"

namespace plindervox {
namespace {
using namespace support;

const std::string START_BLACK = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1";

TEST(MoveGen, GeneratorListsFollowTheirOrder) {
    struct Case { std::string fen; Generator generator; const char* expected; };
    const Case cases[] = {
        {STANDARD_START_FEN, add_knight_moves, "g1h3 g1f3 b1c3 b1a3"},
        {START_BLACK, add_knight_moves, "g8h6 g8f6 b8c6 b8a6"},
        {STANDARD_START_FEN, add_pawn_moves, "h2h3 g2g3 f2f3 e2e3 d2d3 c2c3 b2b3 a2a3 h2h4 g2g4 f2f4 e2e4 d2d4 c2c4 b2b4 a2a4"},
        {START_BLACK, add_pawn_moves, "h7h6 g7g6 f7f6 e7e6 d7d6 c7c6 b7b6 a7a6 h7h5 g7g5 f7f5 e7e5 d7d5 c7c5 b7b5 a7a5"},
        {"r7/1P6/8/8/8/8/8/8 w - - 0 1", add_pawn_moves, "b7b8q b7b8r b7b8n b7b8b b7a8q b7a8r b7a8n b7a8b"},
        {"8/8/8/8/8/8/6p1/7R b - - 0 1", add_pawn_moves, "g2g1q g2g1r g2g1n g2g1b g2h1q g2h1r g2h1n g2h1b"},
        {"8/8/8/2p1p3/3P4/8/8/8 w - - 0 1", add_pawn_moves, "d4d5 d4e5 d4c5"},
        {"8/8/8/p7/1P6/7P/8/8 w - - 0 1", add_pawn_moves, "b4b5 h3h4 b4a5"},
        {"8/8/8/8/p7/6p1/7P/8 b - - 0 1", add_pawn_moves, "a4a3 g3g2 g3h2"},
        {"8/8/8/2PpP3/8/8/8/8 w - d6 0 1", add_pawn_moves, "e5e6 c5c6 e5d6 c5d6"},
        {"8/8/8/8/3pP3/8/8/8 b - e3 0 1", add_pawn_moves, "d4d3 d4e3"},
        {"8/8/8/P7/8/8/8/8 w - h5 0 1", add_pawn_moves, "a5a6"},  // en passant never wraps either
        {"8/8/8/7P/8/8/8/8 w - a7 0 1", add_pawn_moves, "h5h6"},
        {"8/8/8/8/p7/8/8/8 b - h2 0 1", add_pawn_moves, "a4a3"},
        {"8/8/8/8/7p/8/8/8 b - a4 0 1", add_pawn_moves, "h4h3"},
        {"8/8/8/8/4p3/4P3/8/8 w - - 0 1", add_pawn_moves, ""},
        {"8/8/8/8/4p3/8/4P3/8 w - - 0 1", add_pawn_moves, "e2e3"},
        {"8/8/8/8/3B4/8/8/8 w - - 0 1", add_bishop_moves, "d4e5 d4f6 d4g7 d4h8 d4c5 d4b6 d4a7 d4e3 d4f2 d4g1 d4c3 d4b2 d4a1"},
        {"7k/8/8/8/3R4/8/8/K7 w - - 0 1", add_rook_moves, "d4d5 d4d6 d4d7 d4d8 d4e4 d4f4 d4g4 d4h4 d4c4 d4b4 d4a4 d4d3 d4d2 d4d1"},
        {"8/8/3P4/8/3R1p2/8/8/8 w - - 0 1", add_rook_moves, "d4d5 d4e4 d4f4 d4c4 d4b4 d4a4 d4d3 d4d2 d4d1"},
        {"8/8/8/8/3Q4/8/8/8 w - - 0 1", add_queen_moves,
         "d4e5 d4f6 d4g7 d4h8 d4d5 d4d6 d4d7 d4d8 d4c5 d4b6 d4a7 d4e4 d4f4 d4g4 d4h4 d4c4 d4b4 d4a4 "
         "d4e3 d4f2 d4g1 d4d3 d4d2 d4d1 d4c3 d4b2 d4a1"},
        {"8/8/8/8/8/8/8/K7 w - - 0 1", add_king_moves, "a1b2 a1a2 a1b1"},
        {"8/8/8/8/8/8/Pp6/K7 w - - 0 1", add_king_moves, "a1b2 a1b1"},
        {"4K3/8/8/8/8/8/8/K7 w - - 0 1", add_king_moves, "e8f8 e8d8 e8f7 e8e7 e8d7"},
        {"8/8/8/8/8/8/8/k7 w - - 0 1", add_king_moves, ""},
        {"8/8/8/8/8/8/8/N6N w - - 0 1", add_knight_moves, "h1g3 h1f2 a1b3 a1c2"},
        {"8/8/8/8/8/1P6/2p5/N7 w - - 0 1", add_knight_moves, "a1c2"},
    };
    for (const Case& c : cases) EXPECT_EQ(uci_list(generate(board_of(c.fen), c.generator)), c.expected) << c.fen;
}

// Fixed boards, plus boards whose sets overlap or disagree with each other.
std::vector<Board> sample_boards() {
    std::vector<Board> boards;
    for (const char* fen : {STANDARD_START_FEN, "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                            "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", "8/8/3N4/3pP3/8/8/8/8 w - d6 0 1",
                            "8/8/8/8/3pP3/8/8/8 b - e3 0 1", "8/8/8/2PpP3/8/8/8/8 w - d6 0 1"}) {
        boards.push_back(board_of(fen));
    }
    Board overlapped = board_of(STANDARD_START_FEN);
    set_pieces_or(overlapped, U'q', squares("d2 e2 d4"));
    set_pieces_or(overlapped, U'N', squares("c6 e5"));
    set_pieces_xor(overlapped, U'p', squares("a2 a7 h4"));
    boards.push_back(overlapped);

    std::mt19937_64 random(20240607);
    for (int i = 0; i < 150; ++i) {
        Board board = board_of(EMPTY_FEN);
        for (Bitboard* set : {&board.pawns, &board.rooks, &board.knights, &board.bishops, &board.queens, &board.kings}) {
            *set = random() & random() & random();
        }
        board.white_pieces = random() & random();
        board.black_pieces = random() & random();
        if (i % 2 == 0) board.en_passant_square = static_cast<Square>(random() % 64);
        boards.push_back(board);
    }
    return boards;
}

TEST(MoveGen, PseudoLegalListIsPawnKnightKingBishopRookQueen) {
    for (Board& board : sample_boards()) {
        for (const bool side : {true, false}) {
            board.turn = side;
            std::vector<Move> blocks;
            for (const Generator g : {add_pawn_moves, add_knight_moves, add_king_moves, add_bishop_moves, add_rook_moves, add_queen_moves}) {
                const std::vector<Move> block = generate(board, g);
                blocks.insert(blocks.end(), block.begin(), block.end());
            }
            ASSERT_EQ(uci_list(generate(board, add_pseudo_legal_moves)), uci_list(blocks)) << render(board);
        }
    }
}

TEST(Reach, ReachedByMatchesPseudoLegalDestinations) {
    for (Board& board : sample_boards()) {
        for (const bool side : {true, false}) {
            Board mover = board;
            mover.turn = side;
            MoveBuffer moves;
            add_pseudo_legal_moves(mover, moves);
            ASSERT_LE(moves.size, MAX_PSEUDO_MOVES);
            Bitboard destinations = 0;
            for (const Move& move : moves) destinations |= Bitboard{1} << move.to_square;
            for (const bool turn : {true, false}) {
                board.turn = turn;
                for (unsigned square = 0; square < 64; ++square) {
                    ASSERT_EQ(reached_by(board, square, side), (destinations >> square) & 1)
                        << render(board) << "\nsquare " << square << " side " << side << " turn " << turn;
                }
            }
        }
    }
}

TEST(Reach, ReachFollowsMovementRules) {
    struct Case { std::string fen; const char* square; bool white, reached; };
    const std::string pawn = "8/8/8/8/4P3/8/8/8 w - - 0 1", ep = "8/8/3N4/3pP3/8/8/8/8 w - d6 0 1",
                      rooks = "8/8/8/8/8/8/8/R3r3 w - - 0 1";
    const Case cases[] = {
        {STANDARD_START_FEN, "c6", false, true}, {STANDARD_START_FEN, "e3", false, false},
        {STANDARD_START_FEN, "e2", true, false}, {STANDARD_START_FEN, "d1", true, false},
        {STANDARD_START_FEN, "e4", true, true},  {STANDARD_START_FEN, "e5", true, false},
        {pawn, "e5", true, true}, {pawn, "d5", true, false}, {pawn, "e6", true, false},
        {"8/8/8/3n4/4P3/8/8/8 w - - 0 1", "d5", true, true}, {"8/8/8/3N4/4P3/8/8/8 w - - 0 1", "d5", true, false},
        {ep, "d6", true, true}, {ep, "d6", false, false}, {"8/8/8/8/3pP3/8/8/8 b - e3 0 1", "e3", false, true},
        {rooks, "e1", true, true}, {rooks, "f1", true, false}, {rooks, "a1", false, true},
    };
    for (const Case& c : cases) EXPECT_EQ(reached_by(board_of(c.fen), sq(c.square), c.white), c.reached) << c.fen << " " << c.square;
    const Board start = board_of(STANDARD_START_FEN);
    EXPECT_TRUE(is_attacked(start, sq("c6")));
    EXPECT_FALSE(is_attacked(start, sq("e3")));
    for (const unsigned square : {64u, 200u, 4096u}) EXPECT_FALSE(reached_by(start, square, true) || reached_by(start, square, false));
}

// A square in both colour sets holds a piece of the attacker, so no knight,
// king or slider of the attacker moves there. Pawn captures only ask for a
// piece of the other colour, so they do land on such a square.
TEST(Reach, OwnPiecesAreReachedOnlyByPawnCaptures) {
    struct Case {
        const char* fen;
        const char* square;
        bool reached;
    };
    for (const Case& c : {Case{"8/8/8/8/8/8/8/K7 w - - 0 1", "b2", false}, Case{"8/8/8/8/8/8/8/N7 w - - 0 1", "b3", false},
                          Case{"8/8/8/8/8/8/8/R7 w - - 0 1", "a5", false}, Case{EMPTY_FEN.c_str(), "d5", false},
                          Case{"8/8/8/8/4P3/8/8/8 w - - 0 1", "d5", true}}) {
        Board board = board_of(c.fen);
        set_pieces_or(board, U'n', squares(c.square));
        board.white_pieces |= squares(c.square);
        EXPECT_EQ(reached_by(board, sq(c.square), true), c.reached) << c.fen << " " << c.square;
    }
}

}  // namespace
}  // namespace plindervox
