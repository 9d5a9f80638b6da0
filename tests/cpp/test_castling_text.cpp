// The castling text kept inside the record (short texts) or on the heap
// (long ones): both must behave as one verbatim text, and snapshots must own
// their copies.
#include <string>
#include <utility>

#include "board/castling.hpp"
#include "core_test_support.hpp"

namespace plindervox {
namespace {

using namespace support;

// Around the inline limit, and texts with foreign bytes and repeats.
const std::string TEXTS[] = {
    "", "K", "KQkq", std::string(CastlingText::INLINE_BYTES, 'K'), std::string(CastlingText::INLINE_BYTES + 1, 'q'),
    "KQkqKQkqKQkqKQkqKQkq-x\u00e9", std::string("K\0q", 3),
};

TEST(CastlingText, KeepsEveryTextVerbatimAndApartFromItsCopies) {
    for (const std::string& text : TEXTS) {
        SCOPED_TRACE(text);
        CastlingText original(text);
        ASSERT_TRUE(original.has_value());
        EXPECT_EQ(*original, text);
        CastlingText copy = original;
        CastlingText assigned;
        assigned = original;
        copy.erase('K');
        assigned.reset();
        EXPECT_EQ(*original, text);
        EXPECT_FALSE(assigned.has_value());
        std::string expected = text;
        std::erase(expected, 'K');
        EXPECT_EQ(*copy, expected);

        CastlingText moved = std::move(original);
        EXPECT_EQ(*moved, text);
        original = moved;  // a moved-from text can be assigned again
        EXPECT_EQ(original, moved);
        EXPECT_EQ(moved, std::optional<std::string>(text));
        EXPECT_FALSE(moved == std::optional<std::string>(text + "k"));
        EXPECT_FALSE(moved == std::optional<std::string>());
    }
    EXPECT_EQ(CastlingText(), CastlingText(std::nullopt));
    EXPECT_FALSE(CastlingText() == CastlingText(""));
}

// Erasing several rights at once takes out exactly their letters, every
// occurrence, inline or on the heap, and leaves foreign bytes alone.
TEST(CastlingText, ErasingRightsTakesOnlyTheirLetters) {
    const std::pair<unsigned, const char*> rights[] = {
        {0, ""}, {RIGHT_WHITE_KING_SIDE, "K"}, {RIGHT_WHITE_KING_SIDE | RIGHT_WHITE_QUEEN_SIDE, "KQ"},
        {RIGHT_BLACK_KING_SIDE | RIGHT_BLACK_QUEEN_SIDE, "kq"}, {RIGHT_WHITE_QUEEN_SIDE | RIGHT_BLACK_KING_SIDE, "Qk"},
        {15, "KQkq"}};
    for (const std::string& text : TEXTS) {
        for (const auto& [bits, letters] : rights) {
            SCOPED_TRACE(text + " less " + letters);
            CastlingText edited(text);
            edited.erase_rights(bits);
            std::string expected = text;
            std::erase_if(expected, [&, letters = letters](char c) { return std::string_view(letters).find(c) != std::string_view::npos; });
            EXPECT_EQ(*edited, expected);
        }
    }
}

TEST(CastlingText, EditingFollowsTheMoverWhateverTheLength) {
    const std::string long_text = "KQkqKQkqKQkqKQkqKk";  // past the inline limit
    ASSERT_GT(long_text.size(), CastlingText::INLINE_BYTES);
    Board board = board_of(EMPTY_FEN);
    board.castling_rights = long_text;
    EXPECT_TRUE(check_castling_rights(board));
    remove_castling_rights(board, U'k');
    EXPECT_EQ(board.castling_rights, std::optional<std::string>("QkqQkqQkqQkqk"));
    board.turn = false;
    remove_castling_rights(board, U'q');
    remove_castling_rights(board, U'k');
    EXPECT_EQ(board.castling_rights, std::optional<std::string>("QQQQ"));
    EXPECT_FALSE(check_castling_rights(board));
}

// A long text is copied into every snapshot, and undo brings back each
// version letter for letter, however many moves deep.
TEST(History, LongRightsTextSurvivesManyMovesAndUndos) {
    const std::string rights = "QKkqqkKQ-KQkqKQkqKQkq";
    Board board = board_of("r3k2r/8/8/8/8/8/8/R3K2R w " + rights + " - 0 1");
    const char* shuffle[] = {"a1b1", "a8b8", "b1a1", "b8a8"};
    std::vector<BoardState> before;
    for (int ply = 0; ply < 200; ++ply) {
        before.push_back(snapshot(board));
        apply_move(board, mv(shuffle[ply % 4]));
    }
    // The a-rooks' first moves took every queen-side letter out; later ones find none.
    EXPECT_EQ(board.castling_rights, std::optional<std::string>("KkkK-KkKkKk"));
    EXPECT_EQ(board.state_stack.size(), 200u);
    while (!before.empty()) {
        undo(board);
        EXPECT_TRUE(SameState(snapshot(board), before.back()));
        before.pop_back();
    }
    EXPECT_EQ(board.castling_rights, std::optional<std::string>(rights));
}

}  // namespace
}  // namespace plindervox
