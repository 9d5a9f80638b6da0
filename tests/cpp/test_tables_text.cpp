// Square tables, step masks, texts, the diagram and direct piece-set access.
#include <bit>

#include "board/attack_masks.hpp"
#include "core_test_support.hpp"

namespace plindervox {
namespace {
using namespace support;

TEST(Tables, SquaresCountFromA1WithOneBasedRanks) {
    struct Case { unsigned square; Bitboard bit; int rank, file; };
    for (const Case& c : {Case{0, 1, 1, 0}, {7, 128, 1, 7}, {8, 256, 2, 0}, {28, 268435456, 4, 4},
                          {56, 72057594037927936ULL, 8, 0}, {63, 9223372036854775808ULL, 8, 7}}) {
        EXPECT_EQ(BOARD_SQUARES[c.square], c.bit) << c.square;
        EXPECT_EQ(SQUARE_RANK_INDICES[c.square], c.rank) << c.square;
        EXPECT_EQ(SQUARE_FILE_INDICES[c.square], c.file) << c.square;
    }
}

// A step is kept only when it stays on the board without wrapping a side edge
// (g1+10 would be a3, h1+1 would be a2); a limit at the step's own length keeps nothing.
TEST(Tables, StepMasksKeepOnlyStepsThatStayOnTheBoard) {
    struct Case { const AttackMasks* table; const std::array<std::int8_t, 8>& dirs; std::int8_t limit; const char* from; const char* targets; };
    const AttackMasks* knight = &knight_attack_masks();
    const AttackMasks* king = &king_attack_masks();
    const Case cases[] = {
        {knight, KNIGHT_DIRS, 3, "a1", "b3 c2"}, {knight, KNIGHT_DIRS, 3, "b1", "a3 c3 d2"},
        {knight, KNIGHT_DIRS, 3, "h1", "f2 g3"}, {knight, KNIGHT_DIRS, 3, "d4", "b3 b5 c2 c6 e2 e6 f3 f5"},
        {knight, KNIGHT_DIRS, 3, "h8", "f7 g6"}, {knight, KNIGHT_DIRS, 3, "g1", "e2 f3 h3"},
        {knight, KNIGHT_DIRS, 3, "b8", "a6 c6 d7"}, {knight, KNIGHT_DIRS, 3, "h5", "f4 f6 g3 g7"},
        {king, KING_DIRS, 2, "a1", "a2 b1 b2"},  {king, KING_DIRS, 2, "e1", "d1 d2 e2 f1 f2"},
        {king, KING_DIRS, 2, "h8", "g7 g8 h7"},  {king, KING_DIRS, 2, "h1", "g1 g2 h2"},
        {king, KING_DIRS, 2, "a8", "a7 b7 b8"},  {king, KING_DIRS, 2, "d4", "c3 c4 c5 d3 d5 e3 e4 e5"},
        {nullptr, KNIGHT_DIRS, 2, "d4", ""},     {nullptr, KING_DIRS, 1, "d4", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " limit " + std::to_string(c.limit));
        EXPECT_EQ(get_attack_masks(static_cast<Square>(sq(c.from)), c.dirs, c.limit), squares(c.targets));
        if (c.table) {
            EXPECT_EQ((*c.table)[sq(c.from)], squares(c.targets));
        }
    }
    for (const auto& [table, total] : {std::pair{knight, 336}, std::pair{king, 420}}) {
        int sum = 0;
        for (Bitboard set : *table) sum += std::popcount(set);
        EXPECT_EQ(sum, total);
    }
}

TEST(Text, SquareTextUsesLowByteOnly) {
    for (const auto& [square, text] : {std::pair<std::uint32_t, const char*>{28, "e4"}, {0, "a1"}, {7, "h1"}, {56, "a8"},
                                       {63, "h8"}, {64, "a9"}, {255, "h32"}, {256, "a1"}, {284, "e4"}, {0xFFFFFFFF, "h32"}}) {
        EXPECT_EQ(square_text(square), text) << square;
    }
}

TEST(Text, MoveTextAppendsPromotionAsStored) {
    for (const auto& [move, text] : {std::pair<Move, const char*>{{12, 28, NO_PROMOTION}, "e2e4"}, {{52, 60, U'q'}, "e7e8q"},
                                     {{52, 60, U'Q'}, "e7e8Q"}, {{11, 3, U'n'}, "d2d1n"},
                                     {{52, 60, U'\u00e9'}, "e7e8\u00e9"}, {{64, 255, NO_PROMOTION}, "a9h32"}}) {
        EXPECT_EQ(move_text(move), text);
    }
}

TEST(Render, DiagramShowsLastWriterPerSquare) {
    const std::string e = ". . . . . . . .\n";
    struct Case { const char* name; void (*edit)(Board&); std::string expected; };
    const Case cases[] = {
        {"start", [](Board&) {},
         "r n b q k b n r\np p p p p p p p\n" + e + e + e + e + "P P P P P P P P\nR N B Q K B N R"},
        {"empty", [](Board& b) { b = board_of("8/8/8/8/8/8/8/8 w - - 0 1"); }, e + e + e + e + e + e + e + ". . . . . . . ."},
        {"pawn of both colours", [](Board& b) { b = board_of("P7/8/8/8/8/8/8/8 w - - 0 1"); b.black_pieces |= 1ULL << 56; },
         "p . . . . . . .\n" + e + e + e + e + e + e + ". . . . . . . ."},
        {"white pawn and king", [](Board& b) { b = board_of("8/8/8/8/8/8/8/7P w - - 0 1"); set_pieces_or(b, U'K', 128); },
         e + e + e + e + e + e + e + ". . . . . . . K"},
        {"colour without kind", [](Board& b) { b = board_of("8/8/8/8/8/8/8/8 w - - 0 1"); b.white_pieces = 1; b.black_pieces = 2; },
         e + e + e + e + e + e + e + ". . . . . . . ."},
    };
    for (const Case& c : cases) {
        Board board = make_board(std::nullopt);
        c.edit(board);
        EXPECT_EQ(render(board).size(), 127u) << c.name;
        EXPECT_EQ(render(board), c.expected) << c.name;
    }
}

TEST(PieceAccess, GetPiecesReadsByLetter) {
    const Board start = make_board(std::nullopt);
    const Bitboard white = 65535, black = 18446462598732840960ULL, pawns = 71776119061282560ULL;
    for (const auto& [letter, expected] : {std::pair<char32_t, Bitboard>{U'p', pawns}, {U'P', pawns}, {U'w', white},
                                           {U'W', white}, {U'a', white | black}, {U'A', white | black},
                                           {U'K', squares("e1 e8")}, {U'n', squares("b1 g1 b8 g8")},
                                           {U'r', squares("a1 h1 a8 h8")}, {U'q', squares("d1 d8")}, {U'B', squares("c1 f1 c8 f8")}}) {
        EXPECT_EQ(get_pieces(start, letter), expected) << char(letter);
    }
    for (const auto& [letter, message] : {std::pair<char32_t, std::string>{U'x', "Invalid piece type: x"},
                                          {U'Z', "Invalid piece type: Z"}, {U'1', "Invalid piece type: 1"},
                                          {U'\u00e9', "Invalid piece type: \u00e9"}}) {
        EXPECT_EQ(error_of([&, letter = letter] { get_pieces(start, letter); }), message);
    }
}

TEST(PieceAccess, SetPiecesWritesKindAndColourSets) {
    struct Case { bool use_or; char32_t letter; const char* where; Bitboard queens, knights, white, black; };
    const Bitboard knights = squares("b1 g1 b8 g8"), queens = squares("d1 d8"), white = 65535, black = 18446462598732840960ULL;
    const Case cases[] = {
        {true, U'Q', "d4", queens | squares("d4"), knights, white | squares("d4"), black},
        {true, U'q', "d4", queens | squares("d4"), knights, white, black | squares("d4")},
        {true, U'N', "b8", queens, knights, white | squares("b8"), black},
        {false, U'n', "b1", queens, squares("g1 b8 g8"), white, black},
        {false, U'N', "c3", queens, knights | squares("c3"), white, black},
        {false, U'q', "d1 d8", 0, knights, white, black},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.use_or ? "or " : "xor ") + char(c.letter) + " " + c.where);
        Board board = make_board(std::nullopt);
        const Bitboard others = board.pawns | board.rooks | board.bishops | board.kings;
        (c.use_or ? set_pieces_or : set_pieces_xor)(board, c.letter, squares(c.where));
        EXPECT_EQ(std::tie(board.queens, board.knights, board.white_pieces, board.black_pieces),
                  std::tie(c.queens, c.knights, c.white, c.black));
        EXPECT_EQ(board.pawns | board.rooks | board.bishops | board.kings, others);
    }
    for (const char32_t letter : {U'A', U'W', U'a', U'w', U'x'}) {
        for (const auto write : {set_pieces_or, set_pieces_xor}) {
            Board board = make_board(std::nullopt);
            EXPECT_EQ(error_of([&] { write(board, letter, squares("d4")); }), "Invalid piece type") << char(letter);
            EXPECT_TRUE(SameState(snapshot(board), snapshot(make_board(std::nullopt))));
        }
    }
}

}  // namespace
}  // namespace plindervox
