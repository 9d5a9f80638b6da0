// SAN written and read, UCI read against the legal list.
#include <gtest/gtest.h>

#include "board/notation.hpp"
#include "board/rejection.hpp"
#include "core_test_support.hpp"

namespace plindervox {
namespace {

using support::board_of;
using support::mv;

constexpr const char* CASTLING = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
constexpr const char* PROMOTION = "8/P7/8/8/8/8/8/k6K w - - 0 1";
constexpr const char* TWO_KNIGHTS = "rnbqkbnr/pppppppp/8/8/8/5N2/PPP1PPPP/RNBQKB1R w KQkq - 0 1";
constexpr const char* TWO_ROOKS = "4k3/8/8/R7/8/8/8/R3K3 w - - 0 1";
constexpr const char* THREE_QUEENS = "4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1";
constexpr const char* PINNED_KNIGHT = "4r2k/8/8/8/8/8/2N1N3/4K3 w - - 0 1";
constexpr const char* EN_PASSANT = "rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 3";
constexpr const char* OPEN_CENTRE = "rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 2";

// The message of the rejection, or none.
template <class Action>
std::optional<std::string> rejection_of(Action&& action) {
    try {
        action();
    } catch (const RejectedInput& rejected) {
        return rejected.message;
    }
    return std::nullopt;
}

struct SanCase {
    const char* fen;
    const char* moves;  // played first, as UCI text
    const char* uci;
    const char* san;
};

class WrittenSan : public ::testing::TestWithParam<SanCase> {};

TEST_P(WrittenSan, IsTheStandardsTextAndReadsBack) {
    const SanCase& c = GetParam();
    Board board = board_of(c.fen, c.moves);
    const BoardState before(board);
    EXPECT_EQ(san(board, mv(c.uci)), c.san);
    EXPECT_TRUE(support::SameState(BoardState(board), before));
    const Move read = parse_san(board, c.san);
    EXPECT_EQ(move_text(read), c.uci);
}

INSTANTIATE_TEST_SUITE_P(Cases, WrittenSan, ::testing::Values(
    SanCase{STANDARD_START_FEN, "", "e2e4", "e4"},
    SanCase{STANDARD_START_FEN, "", "g1f3", "Nf3"},
    SanCase{TWO_KNIGHTS, "", "b1d2", "Nbd2"},
    SanCase{TWO_KNIGHTS, "", "f3d2", "Nfd2"},
    SanCase{TWO_ROOKS, "", "a1a3", "R1a3"},
    SanCase{TWO_ROOKS, "", "a5a3", "R5a3"},
    SanCase{THREE_QUEENS, "", "a1b2", "Qa1b2"},
    SanCase{THREE_QUEENS, "", "a3b2", "Q3b2"},
    SanCase{THREE_QUEENS, "", "c1b2", "Qcb2"},
    SanCase{PINNED_KNIGHT, "", "c2d4", "Nd4"},
    SanCase{OPEN_CENTRE, "", "e4d5", "exd5"},
    SanCase{EN_PASSANT, "", "e5d6", "exd6"},
    SanCase{PROMOTION, "", "a7a8q", "a8=Q+"},
    SanCase{PROMOTION, "", "a7a8n", "a8=N"},
    SanCase{"1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1", "", "a7b8r", "axb8=R+"},
    SanCase{CASTLING, "", "e1g1", "O-O"},
    SanCase{CASTLING, "", "e1c1", "O-O-O"},
    SanCase{CASTLING, "e1g1", "e8c8", "O-O-O"},
    SanCase{CASTLING, "", "a1a8", "Rxa8+"},
    SanCase{STANDARD_START_FEN, "e2e4 e7e5 f1c4 b8c6 d1h5 g8f6", "h5f7", "Qxf7#"},
    SanCase{STANDARD_START_FEN, "f2f3 e7e5 g2g4", "d8h4", "Qh4#"},
    SanCase{"k7/8/1Q6/8/8/8/8/2K5 w - - 0 1", "", "b6b7", "Qb7+"},
    SanCase{"k7/8/1Q6/8/8/8/8/2K5 w - - 0 1", "", "c1d2", "Kd2"}));

struct ReadCase {
    const char* fen;
    const char* text;
    const char* uci;
};

class LenientSan : public ::testing::TestWithParam<ReadCase> {};

TEST_P(LenientSan, NamesTheMove) {
    const ReadCase& c = GetParam();
    Board board = board_of(c.fen);
    EXPECT_EQ(move_text(parse_san(board, c.text)), c.uci) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Cases, LenientSan, ::testing::Values(
    ReadCase{CASTLING, "0-0", "e1g1"}, ReadCase{CASTLING, "0-0-0", "e1c1"}, ReadCase{CASTLING, "O-O+", "e1g1"},
    ReadCase{STANDARD_START_FEN, "Nf3+", "g1f3"}, ReadCase{STANDARD_START_FEN, "Nf3#", "g1f3"},
    ReadCase{STANDARD_START_FEN, "Nf3++", "g1f3"}, ReadCase{STANDARD_START_FEN, "e4!!", "e2e4"},
    ReadCase{STANDARD_START_FEN, "e4??", "e2e4"}, ReadCase{STANDARD_START_FEN, "Nf3!?", "g1f3"},
    ReadCase{STANDARD_START_FEN, "Nf3?!", "g1f3"}, ReadCase{STANDARD_START_FEN, "e4!", "e2e4"},
    ReadCase{STANDARD_START_FEN, "e4+?", "e2e4"}, ReadCase{STANDARD_START_FEN, "Ng1f3", "g1f3"},
    ReadCase{STANDARD_START_FEN, "Ngf3", "g1f3"}, ReadCase{STANDARD_START_FEN, "N1f3", "g1f3"},
    ReadCase{STANDARD_START_FEN, "Nxf3", "g1f3"}, ReadCase{STANDARD_START_FEN, "e2e4", "e2e4"},
    ReadCase{PROMOTION, "a8Q", "a7a8q"}, ReadCase{PROMOTION, "a8=q", "a7a8q"}, ReadCase{PROMOTION, "a8n", "a7a8n"},
    ReadCase{PROMOTION, "a8=R#", "a7a8r"}, ReadCase{OPEN_CENTRE, "ed5", "e4d5"},
    ReadCase{OPEN_CENTRE, "e4xd5", "e4d5"}, ReadCase{EN_PASSANT, "ed6", "e5d6"},
    ReadCase{TWO_KNIGHTS, "Nbxd2", "b1d2"}, ReadCase{THREE_QUEENS, "Qc1b2", "c1b2"}));

struct RefusedCase {
    const char* fen;
    const char* text;
    const char* message;  // up to " in " and the position
};

class RefusedSan : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedSan, SaysWhy) {
    const RefusedCase& c = GetParam();
    Board board = board_of(c.fen);
    const BoardState before(board);
    const std::optional<std::string> message = rejection_of([&] { parse_san(board, c.text); });
    ASSERT_TRUE(message) << c.text;
    const std::string expected = c.message;
    EXPECT_EQ(message->substr(0, expected.size()), expected);
    if (expected.rfind("Invalid", 0) != 0) {
        EXPECT_EQ(message->substr(expected.size()), std::string(" in ") + c.fen);
    }
    EXPECT_TRUE(support::SameState(BoardState(board), before));
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedSan, ::testing::Values(
    RefusedCase{STANDARD_START_FEN, "", "Invalid SAN: "},
    RefusedCase{STANDARD_START_FEN, "Nf9", "Invalid SAN: Nf9"},
    RefusedCase{STANDARD_START_FEN, "Zf3", "Invalid SAN: Zf3"},
    RefusedCase{STANDARD_START_FEN, "nf3", "Invalid SAN: nf3"},
    RefusedCase{STANDARD_START_FEN, "e4e5e6", "Invalid SAN: e4e5e6"},
    RefusedCase{STANDARD_START_FEN, "O-O-O-O", "Invalid SAN: O-O-O-O"},
    RefusedCase{STANDARD_START_FEN, "Nf3 ", "Invalid SAN: Nf3 "},
    RefusedCase{STANDARD_START_FEN, "=Q", "Invalid SAN: =Q"},
    RefusedCase{STANDARD_START_FEN, "e8=", "Invalid SAN: e8="},
    RefusedCase{STANDARD_START_FEN, "xe4", "Invalid SAN: xe4"},
    RefusedCase{STANDARD_START_FEN, "e5", "Illegal SAN: e5"},
    RefusedCase{STANDARD_START_FEN, "O-O", "Illegal SAN: O-O"},
    RefusedCase{STANDARD_START_FEN, "Ke2", "Illegal SAN: Ke2"},
    RefusedCase{STANDARD_START_FEN, "Nd4", "Illegal SAN: Nd4"},
    RefusedCase{PROMOTION, "a8", "Illegal SAN: a8"},
    RefusedCase{PROMOTION, "a8=K", "Invalid SAN: a8=K"},
    RefusedCase{OPEN_CENTRE, "d5", "Illegal SAN: d5"},
    RefusedCase{PINNED_KNIGHT, "Ned4", "Illegal SAN: Ned4"},
    RefusedCase{TWO_KNIGHTS, "Nd2", "Ambiguous SAN: Nd2"},
    RefusedCase{TWO_ROOKS, "Ra3", "Ambiguous SAN: Ra3"},
    RefusedCase{THREE_QUEENS, "Qab2", "Ambiguous SAN: Qab2"}));

TEST(WrittenSan, RefusesAMoveTheLegalListLacks) {
    for (const char* uci : {"e2e5", "e1e2", "a1a9", "h7h6", "e7e8q"}) {
        Board board = make_board(STANDARD_START_FEN);
        const auto message = rejection_of([&] { san(board, mv(uci)); });
        EXPECT_EQ(message, std::string("Illegal move: ") + move_text(mv(uci)) + " in " + STANDARD_START_FEN);
    }
    Board board = make_board(PINNED_KNIGHT);
    EXPECT_TRUE(rejection_of([&] { san(board, mv("e2d4")); }));
    EXPECT_TRUE(rejection_of([&] { san(board, Move{200, 12, NO_PROMOTION}); }));
}

TEST(AppliedSan, RecordsTheMove) {
    Board board = make_board(STANDARD_START_FEN);
    EXPECT_EQ(move_text(apply_san(board, "e4")), "e2e4");
    EXPECT_EQ(move_text(apply_san(board, "e5")), "e7e5");
    ASSERT_EQ(board.move_stack.size(), 2u);
    EXPECT_TRUE(rejection_of([&] { apply_san(board, "e4"); }));
    EXPECT_EQ(board.move_stack.size(), 2u);  // nothing recorded for a rejected text
}

TEST(ReadUci, OnlyListedMoves) {
    Board board = make_board(CASTLING);
    EXPECT_EQ(move_text(parse_uci(board, "e1g1")), "e1g1");
    EXPECT_EQ(move_text(parse_uci(board, "a1a8")), "a1a8");
    EXPECT_EQ(rejection_of([&] { parse_uci(board, "e1e3"); }), std::string("Illegal UCI: e1e3 in ") + CASTLING);
    for (const char* text : {"", "e1", "e1g", "e1g9", "i1g1", "e1g1qq", "E1G1", "0000"}) {
        EXPECT_EQ(rejection_of([&] { parse_uci(board, text); }), std::string("Invalid UCI: ") + text) << text;
    }
    Board promotion = make_board(PROMOTION);
    EXPECT_EQ(move_text(apply_uci(promotion, "a7a8r")), "a7a8r");
    EXPECT_EQ(promotion.move_stack.size(), 1u);
    Board again = make_board(PROMOTION);
    for (const char* text : {"a7a8", "a7a8Q", "a7a8k"}) EXPECT_TRUE(rejection_of([&] { parse_uci(again, text); })) << text;
}

// A small seeded generator, so that every run plays the same games.
struct Rng {
    std::uint64_t state;
    std::uint64_t next() {
        state += 0x9E3779B97F4A7C15ULL;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    unsigned below(std::size_t n) { return static_cast<unsigned>(next() % n); }
};

// Every legal move's SAN reads back as that move, carries "#" exactly when
// it mates and "+" exactly when it checks otherwise, and leaves the board as
// it was; UCI text reads back too.
void expect_round_trips(Board& board, const std::string& where) {
    const BoardState before(board);
    for (const Move& move : legal_moves(board)) {
        const std::string text = san(board, move);
        const Move read = parse_san(board, text);
        ASSERT_EQ(move_text(read), move_text(move)) << text << " in " << where;
        ASSERT_EQ(move_text(parse_uci(board, move_text(move))), move_text(move)) << where;
        apply_move(board, move);
        const bool check = is_check(board), mate = is_checkmate(board);
        undo(board);
        const char last = text.back();
        EXPECT_EQ(last == '#', mate) << text << " in " << where;
        EXPECT_EQ(last == '+', check && !mate) << text << " in " << where;
    }
    EXPECT_TRUE(support::SameState(BoardState(board), before)) << where;
}

const std::vector<std::string> GAME_STARTS = {
    STANDARD_START_FEN,
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    "r3k2r/1P4P1/8/8/8/8/1p4p1/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
};

TEST(SanRoundTrip, HoldsThroughRandomGames) {
    Rng rng{33};
    for (int game = 0; game < 60; ++game) {
        const std::string& fen = GAME_STARTS[game % GAME_STARTS.size()];
        Board board = make_board(fen);
        for (int ply = 0; ply < 80; ++ply) {
            const std::string where = fen + " after " + std::to_string(ply) + " plies";
            const auto rejected = rejection_of([&] { expect_round_trips(board, where); });
            ASSERT_FALSE(rejected) << *rejected << " on " << where;
            const std::vector<Move> legal = legal_moves(board);
            if (legal.empty()) break;
            apply_move(board, legal[rng.below(legal.size())]);
        }
    }
}

TEST(SanRoundTrip, HoldsOnEditedAndInconsistentBoards) {
    Rng rng{3301};
    const std::string letters = "PRNBQKprnbqk";
    const std::vector<std::string> rights = {"KQkq", "", "KkKk", "Qx-q", "qQkK"};
    for (int round = 0; round < 400; ++round) {
        Board board = make_board(GAME_STARTS[round % GAME_STARTS.size()]);
        for (int edit = 0, edits = 1 + static_cast<int>(rng.below(4)); edit < edits; ++edit) {
            const Bitboard squares = rng.next() & rng.next() & rng.next();
            const char32_t letter = static_cast<char32_t>(letters[rng.below(letters.size())]);
            if (rng.below(2) == 0) {
                set_pieces_or(board, letter, squares);
            } else {
                set_pieces_xor(board, letter, squares);
            }
        }
        board.castling_rights = rights[rng.below(rights.size())];
        if (rng.below(3) == 0) board.en_passant_square = static_cast<Square>(rng.below(64));
        board.turn = rng.below(2) == 0;
        const std::string where = "edited board " + std::to_string(round) + ": " + position_text(board);
        const auto rejected = rejection_of([&] { expect_round_trips(board, where); });
        EXPECT_FALSE(rejected) << *rejected << " on " << where;
    }
}

// The writer's own way on consistent boards and the one through the legal
// list agree on every move from a square of the side to move, promotion
// letters included: the same text, or both refuse it.
TEST(WrittenSan, QuickWayAgreesWithTheLegalList) {
    Rng rng{77};
    const char32_t promotions[] = {NO_PROMOTION, U'q', U'r', U'n', U'b', U'Q', U'k'};
    int compared = 0;
    for (int game = 0; game < 7; ++game) {
        Board board = make_board(GAME_STARTS[game % GAME_STARTS.size()]);
        for (int ply = 0; ply < 60; ++ply) {
            if (ply % 8 == 0) {
                for (Bitboard origins = own_pieces(board) | square_mask(rng.below(64)); origins != 0;) {
                    const Square from = pop_highest(origins);
                    for (unsigned to = 0; to < 64; ++to) {
                        for (const char32_t promotion : promotions) {
                            const Move move{from, to, promotion};
                            std::string quick, listed;
                            const auto quick_refusal = rejection_of([&] { quick = san(board, move); });
                            const auto listed_refusal = rejection_of([&] { listed = san_from_legal_list(board, move); });
                            ASSERT_EQ(quick_refusal, listed_refusal) << move_text(move) << " in " << position_text(board);
                            ASSERT_EQ(quick, listed) << move_text(move) << " in " << position_text(board);
                            compared += !quick.empty();
                        }
                    }
                }
            }
            const std::vector<Move> legal = legal_moves(board);
            if (legal.empty()) break;
            apply_move(board, legal[rng.below(legal.size())]);
        }
    }
    EXPECT_GT(compared, 1000);
}

// The reader's own way on consistent boards and the one through the legal
// list agree on every piece letter, destination and promotion, with and
// without an origin hint: the same move, or the same rejection.
TEST(LenientSan, QuickWayAgreesWithTheLegalList) {
    Rng rng{78};
    std::vector<std::string> texts;
    for (const char* piece : {"", "N", "B", "R", "Q", "K"}) {
        for (const char* hint : {"", "a", "c", "e", "g", "2", "4", "7", "e2", "x", "bx"}) {
            for (char file = 'a'; file <= 'h'; ++file) {
                for (char rank = '1'; rank <= '8'; ++rank) {
                    for (const char* promotion : {"", "=Q", "n"}) {
                        if ((rank == '1' || rank == '8' || *piece) || *promotion == '\0') {
                            texts.push_back(std::string(piece) + hint + file + rank + promotion);
                        }
                    }
                }
            }
        }
    }
    int read = 0;
    for (int game = 0; game < 4; ++game) {
        Board board = make_board(GAME_STARTS[game % GAME_STARTS.size()]);
        for (int ply = 0; ply < 60; ++ply) {
            if (ply % 20 == 0) {
                for (const std::string& text : texts) {
                    Move quick{}, listed{};
                    const auto quick_refusal = rejection_of([&] { quick = parse_san(board, text); });
                    const auto listed_refusal = rejection_of([&] { listed = parse_san_from_legal_list(board, text); });
                    ASSERT_EQ(quick_refusal, listed_refusal) << text << " in " << position_text(board);
                    if (!quick_refusal) {
                        ASSERT_EQ(move_text(quick), move_text(listed)) << text;
                    }
                    read += !quick_refusal;
                }
            }
            const std::vector<Move> legal = legal_moves(board);
            if (legal.empty()) break;
            apply_move(board, legal[rng.below(legal.size())]);
        }
    }
    EXPECT_GT(read, 300);
}

TEST(PositionText, ShowsWhatTheDiagramShows) {
    EXPECT_EQ(position_text(make_board(STANDARD_START_FEN)), STANDARD_START_FEN);
    EXPECT_EQ(position_text(make_board(EN_PASSANT)), EN_PASSANT);
    Board board = make_board("8/8/8/8/8/8/8/8 b Kx - 7 9");
    set_pieces_or(board, U'P', support::squares("a1"));
    set_pieces_or(board, U'n', support::squares("a1 h8"));  // a1 now holds both colours
    EXPECT_EQ(position_text(board), "7n/8/8/8/8/8/8/n7 b Kx - 7 9");
}

}  // namespace
}  // namespace plindervox
