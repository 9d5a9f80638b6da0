// Reading SAN against positions, and PGN files: games told apart in real
// files' layouts, their tags, moves, results and faults, streamed in pieces
// of any size, and split by byte ranges.
#include <cstring>
#include <random>

#include "board/pgn_reader.hpp"
#include "board/san_read.hpp"
#include "core_test_support.hpp"

namespace plindervox {
namespace {
using namespace support;

constexpr char32_t LETTERS[] = {U'P', U'R', U'N', U'B', U'Q', U'K'};

char32_t kind_letter(const Board& board, unsigned square) {
    const Bitboard sets[] = {board.pawns, board.rooks, board.knights, board.bishops, board.queens, board.kings};
    for (int i = 0; i < 6; ++i) {
        if (contains(sets[i], square)) return LETTERS[i];
    }
    return 0;
}

std::string file_text(unsigned square) { return std::string(1, static_cast<char>('a' + square % 8)); }
std::string rank_text(unsigned square) { return std::string(1, static_cast<char>('1' + square / 8)); }

// A SAN-like text for a move of the given piece onto `to`, with the origin
// hints asked for and the promotion in the given style.
std::string text_for(char32_t piece, const std::string& hints, unsigned to, char32_t promotion, bool equals) {
    std::string text = piece == U'P' ? "" : std::string(1, static_cast<char>(piece));
    text += hints + square_text(to);
    if (promotion != NO_PROMOTION) text += (equals ? "=" : "") + std::string(1, static_cast<char>(promotion - 32));
    return text;
}

// The answer read from the legal list itself: the legal moves of that piece
// kind onto that square, with that promotion, from an origin the hints allow.
SanReading expected_reading(Board& board, char32_t piece, int file, int rank, unsigned to, char32_t promotion) {
    const std::vector<Move> castling = castling_moves(board);
    const std::vector<Move> legal = legal_moves(board);
    SanReading reading{SanFault::illegal, {}};
    for (std::size_t i = castling.size(); i < legal.size(); ++i) {
        const Move& m = legal[i];
        if (m.to_square != to || m.promotion != promotion || kind_letter(board, m.from_square) != piece) continue;
        if ((file >= 0 && static_cast<int>(m.from_square % 8) != file) || (rank >= 0 && static_cast<int>(m.from_square / 8) != rank)) continue;
        if (reading.fault == SanFault::illegal) reading = {SanFault::none, m};
        else reading.fault = SanFault::ambiguous;
    }
    return reading;
}

// Every legal move, and every other move of the same piece kinds onto the
// same squares, read from text with each amount of disambiguation, against
// the answer the legal list gives; positions of random play from several starts.
TEST(SanReading, AgreesWithTheLegalListWhateverTheDisambiguation) {
    const char* starts[] = {STANDARD_START_FEN, "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                            "r3k2r/1P4P1/8/8/8/8/1p4p1/R3K2R w KQkq - 0 1", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1",
                            "8/8/8/K2Pp2r/8/8/8/7k w - e6 0 1", "1n2k1n1/8/8/8/8/8/8/1N2K1N1 w - - 0 1",
                            "Q6Q/8/8/8/8/8/8/Q3K2k w - - 0 1"};
    std::mt19937 rng(20261210);
    int compared = 0;
    for (const char* start : starts) {
        Board board = make_board(start);
        for (int ply = 0; ply < 40; ++ply) {
            const std::vector<Move> legal = legal_moves(board);
            if (legal.empty()) break;
            for (const Move& m : legal) {
                const char32_t piece = kind_letter(board, m.from_square);
                if (piece == U'K' && distance(m.from_square, m.to_square) == 2) continue;  // castling, below
                const std::string hints[] = {"", file_text(m.from_square), rank_text(m.from_square),
                                             file_text(m.from_square) + rank_text(m.from_square)};
                const int files[] = {-1, static_cast<int>(m.from_square % 8), -1, static_cast<int>(m.from_square % 8)};
                const int ranks[] = {-1, -1, static_cast<int>(m.from_square / 8), static_cast<int>(m.from_square / 8)};
                for (int h = 0; h < 4; ++h) {
                    // A pawn capture always names its file.
                    if (piece == U'P' && m.from_square % 8 != m.to_square % 8 && files[h] < 0) continue;
                    const std::string text = text_for(piece, hints[h], m.to_square, m.promotion, h % 2 == 0);
                    const SanReading expected = expected_reading(board, piece, files[h], ranks[h], m.to_square, m.promotion);
                    const BoardState before = snapshot(board);
                    const SanReading got = read_san(board, text + (h == 3 ? "+!?" : ""));
                    ASSERT_TRUE(SameState(snapshot(board), before)) << text;
                    ASSERT_EQ(got.fault, expected.fault) << text << " in " << render(board);
                    if (expected.fault == SanFault::none) {
                        ASSERT_EQ(move_text(got.move), move_text(expected.move)) << text;
                    }
                    ++compared;
                }
            }
            const Move chosen = legal[rng() % legal.size()];
            apply_move(board, chosen);
        }
    }
    EXPECT_GT(compared, 10000);
}

TEST(SanReading, RefusesWhatIsNotSanOrNotLegalHere) {
    struct Case { const char* fen; const char* text; SanFault fault; const char* move; };
    const std::string start = STANDARD_START_FEN;
    const Case cases[] = {
        {STANDARD_START_FEN, "e4", SanFault::none, "e2e4"},      {STANDARD_START_FEN, "Nf3", SanFault::none, "g1f3"},
        {STANDARD_START_FEN, "e5", SanFault::illegal, ""},       {STANDARD_START_FEN, "Nd2", SanFault::illegal, ""},
        {STANDARD_START_FEN, "Ke2", SanFault::illegal, ""},      {STANDARD_START_FEN, "O-O", SanFault::illegal, ""},
        {STANDARD_START_FEN, "", SanFault::not_san, ""},         {STANDARD_START_FEN, "e9", SanFault::not_san, ""},
        {STANDARD_START_FEN, "Xe4", SanFault::not_san, ""},      {STANDARD_START_FEN, "nf3", SanFault::not_san, ""},
        {STANDARD_START_FEN, "Nf3=Q", SanFault::illegal, ""},    {STANDARD_START_FEN, "Nxxf3", SanFault::not_san, ""},
        {STANDARD_START_FEN, "--", SanFault::not_san, ""},       {STANDARD_START_FEN, "e2e4", SanFault::none, "e2e4"},
        {STANDARD_START_FEN, "Ng1-f3", SanFault::not_san, ""},  // long algebraic is not read  {STANDARD_START_FEN, "Nf3!!", SanFault::none, "g1f3"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "O-O", SanFault::none, "e1g1"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "0-0-0+", SanFault::none, "e1c1"},
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "0-0", SanFault::none, "e8g8"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "Rd1", SanFault::none, "a1d1"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "Rf1", SanFault::none, "h1f1"},
        {"4k3/8/8/8/8/8/8/R3K2R w - - 0 1", "Rb1", SanFault::none, "a1b1"},
        {"4k3/8/8/8/8/8/8/1N1K1N2 w - - 0 1", "Nd2", SanFault::ambiguous, ""},
        {"4k3/8/8/8/8/8/8/1N1K1N2 w - - 0 1", "Nbd2", SanFault::none, "b1d2"},
        {"4k3/8/8/8/8/8/8/1N1K1N2 w - - 0 1", "N1d2", SanFault::ambiguous, ""},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a8", SanFault::illegal, ""},  // a promotion must be named
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a8=N", SanFault::none, "a7a8n"},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a8q", SanFault::none, "a7a8q"},
        {"4k3/8/8/8/8/8/P7/4K3 w - - 0 1", "a3=Q", SanFault::illegal, ""},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "exd6", SanFault::none, "e5d6"},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "ed6", SanFault::none, "e5d6"},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1", "exd6", SanFault::illegal, ""},
        {"4k3/8/8/b7/8/8/3P4/4K3 w - - 0 1", "d3", SanFault::illegal, ""},  // pinned
        // The second knight is pinned, so one move is legal though two knights see the square.
        {"4k3/8/8/8/b7/8/2N5/3K1N2 w - - 0 1", "Ne3", SanFault::none, "f1e3"},
    };
    for (const Case& c : cases) {
        Board board = make_board(c.fen);
        const SanReading reading = read_san(board, c.text);
        EXPECT_EQ(reading.fault, c.fault) << c.fen << " " << c.text;
        if (c.fault == SanFault::none) {
            EXPECT_EQ(move_text(reading.move), c.move) << c.fen << " " << c.text;
        }
    }
}

// The text of a whole file, read back in pieces of `piece` bytes.
std::vector<PgnGame> read_all(const std::string& file, std::size_t piece = 1 << 16, std::uint64_t start = 0,
                              std::uint64_t stop = UINT64_MAX) {
    std::size_t at = 0;
    PgnReader reader(
        [&](char* bytes, std::size_t size) {
            const std::size_t n = std::min({size, piece, file.size() - at});
            std::memcpy(bytes, file.data() + at, n);
            at += n;
            return n;
        },
        start, stop);
    std::vector<PgnGame> games;
    while (auto game = reader.next()) games.push_back(std::move(*game));
    return games;
}

std::string moves_of(const PgnGame& game) { return game.board ? uci_list(game.board->move_stack) : "no board"; }

std::string describe(const PgnGame& game) {
    std::string text = "@" + std::to_string(game.offset) + " [";
    for (const auto& [name, value] : game.headers) text += name + "=" + value + ";";
    text += "] " + moves_of(game) + " | " + game.result;
    for (const std::string& error : game.errors) text += " | " + error;
    return text;
}

const std::string REAL_FILE =
    "\xEF\xBB\xBF[Event \"Club \\\"open\\\" \\\\ 2026\"]\r\n[Site \"?\"]\r\n[Result \"1-0\"]\r\n\r\n"
    "1. e4 {a comment\r\nover lines} e5 2.Nf3 ; to the end of the line\r\n"
    "Nc6 (2... d6 (2... f5?! 3. exf5) 3. d4) 3. Bb5 $1 a6!? 4. Ba4 Nf6 5. O-O Be7 6. Re1 b5 7. Bb3 d6\r\n"
    "\r\n"
    "8. c3 0-0 9. h3 1-0\r\n"
    "\r\n"
    "%an escape line\n"
    "[Event \"second\"]\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1\"]\n[SetUp \"1\"]\n\n"
    "1.e4 Kd7 2.e5 Ke6 *\n"
    "[Event \"third, no blank line before it\"]\n1. d4 d5 1/2-1/2\n"
    "1. c4 e5 0-1\n"
    "1. Nf3 12... Nf6\n";

TEST(PgnReader, ReadsWhatRealFilesContain) {
    const std::vector<PgnGame> games = read_all(REAL_FILE);
    ASSERT_EQ(games.size(), 5u);
    EXPECT_EQ(describe(games[0]), std::string("@3 [Event=Club \"open\" \\ 2026;Site=?;Result=1-0;] ") +
                                      "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1 f8e7 f1e1 b7b5 a4b3 d7d6 c2c3 e8g8 h2h3 | 1-0");
    EXPECT_EQ(games[1].starting_fen, std::optional<std::string>("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"));
    EXPECT_EQ(moves_of(games[1]) + " " + games[1].result, "e2e4 e8d7 e4e5 d7e6 *");
    EXPECT_EQ(describe(games[2]), "@" + std::to_string(REAL_FILE.find("[Event \"third")) +
                                      " [Event=third, no blank line before it;] d2d4 d7d5 | 1/2-1/2");
    EXPECT_EQ(describe(games[3]), "@" + std::to_string(REAL_FILE.find("1. c4")) + " [] c2c4 e7e5 | 0-1");
    // No termination marker, and the file ends: the game ends with it.
    EXPECT_EQ(moves_of(games[4]) + " " + games[4].result, "g1f3 g8f6 *");
    for (const PgnGame& game : games) EXPECT_TRUE(game.errors.empty()) << describe(game);
}

TEST(PgnReader, BadGamesGetTheirErrorAndTheFileGoesOn) {
    struct Case { std::string text; std::string moves; std::string error; };
    const std::string next = "\n\n[Event \"next\"]\n1. d4 *\n";
    const Case cases[] = {
        {"[Event \"a\"]\n\n1. e4 e5 2. Ke3 Nc6 *", "e2e4 e7e5", "line 3: illegal move 2. Ke3"},
        {"[Event \"a\"]\n\n1. e4 xyz *", "e2e4", "line 3: unreadable move 1... xyz"},
        {"[Event \"a\"]\n[Site \"b]\n\n1. e4 *", "", "line 2: broken tag pair"},
        {"[Event a]\n\n1. e4 *", "", "line 1: broken tag pair"},
        {"[Event \"a\"]\n\n1. e4 { never closed\n2. d4", "e2e4", "line 3: comment not closed"},
        {"[Event \"a\"]\n\n1. e4 (1. d4 d5\n2. c4", "e2e4", "line 3: variation not closed"},
        {"[Event \"a\"]\n\n1. e4 ) e5 *", "e2e4", "line 3: ')' outside any variation"},
        {"[Event \"a\"]\n\n1. e4 <e5> *", "e2e4", "line 3: unexpected '<'"},
        {std::string("[Event \"a\"]\n\n1. e4 \xC3\xA9 *"), "e2e4", "line 3: unexpected byte 0xc3"},
        {"[Event \"a\"]\n[FEN \"not a position\"]\n\n1. e4 *", "no board", "line 4: FEN tag refused: Invalid starting fen"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::vector<PgnGame> games = read_all(c.text + next);
        ASSERT_EQ(games.size(), 2u);
        EXPECT_EQ(moves_of(games[0]), c.moves);
        ASSERT_FALSE(games[0].errors.empty());
        EXPECT_EQ(games[0].errors[0].substr(0, c.error.size()), c.error);
        EXPECT_EQ(describe(games[1]), describe(read_all(next)[0]).replace(1, 1, std::to_string(games[1].offset)));
    }
}

TEST(PgnReader, AnAmbiguousMoveIsAnErrorToo) {
    const std::vector<PgnGame> games = read_all("[FEN \"4k3/8/8/8/8/8/8/1N1K1N2 w - - 0 1\"]\n\n1. Nd2 *");
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(games[0].errors, std::vector<std::string>{"line 3: ambiguous move 1. Nd2"});
}

TEST(PgnReader, ACommentLeftOpenEndsAtTheNextTagLine) {
    const std::string text = "[Event \"a\"]\n\n1. e4 {open\n\n[Event \"b\"]\n[Site \"c\"]\n\n1. d4 *\n";
    const std::vector<PgnGame> games = read_all(text);
    ASSERT_EQ(games.size(), 2u);
    EXPECT_EQ(games[0].errors, std::vector<std::string>{"line 3: comment not closed"});
    EXPECT_EQ(describe(games[1]), "@" + std::to_string(text.find("[Event \"b")) + " [Event=b;Site=c;] d2d4 | *");
    // The file ends in that tag's value: a game of its own all the same, its tag broken.
    const std::vector<PgnGame> cut = read_all("1. e4 {open\n[Event \"");
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_EQ(cut[1].offset, 12u);
    EXPECT_EQ(cut[1].errors, std::vector<std::string>{"line 2: broken tag pair"});
}

// Cut anywhere, a file gives each game to exactly one of the ranges, and
// each game as a whole read gives it; pieces of any size give the same.
TEST(PgnReader, RangesOfAnyCutGiveEveryGameOnce) {
    std::string file;
    for (int copy = 0; copy < 6; ++copy) file += REAL_FILE.substr(copy == 0 ? 0 : 3) + "\n{between}\n";
    const std::vector<PgnGame> whole = read_all(file);
    ASSERT_EQ(whole.size(), 30u);
    std::vector<std::string> expected;
    for (const PgnGame& game : whole) expected.push_back(describe(game));
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{100}}) {
        std::vector<std::string> got;
        for (const PgnGame& game : read_all(file, piece)) got.push_back(describe(game));
        EXPECT_EQ(got, expected) << "pieces of " << piece;
    }
    std::mt19937 rng(7);
    for (int round = 0; round < 60; ++round) {
        std::vector<std::uint64_t> cuts = {0, file.size()};
        const int count = round < 10 ? static_cast<int>(file.size()) / 40 : 1 + static_cast<int>(rng() % 12);
        for (int i = 0; i < count; ++i) cuts.push_back(rng() % file.size());
        std::sort(cuts.begin(), cuts.end());
        std::vector<std::string> got;
        for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
            for (const PgnGame& game : read_all(file, 1 << 16, cuts[i], cuts[i + 1])) got.push_back(describe(game));
        }
        ASSERT_EQ(got, expected) << "round " << round;
    }
    // One-byte ranges: a game only from the range holding its first byte.
    std::vector<std::string> got;
    for (std::uint64_t at = 0; at < file.size(); ++at) {
        for (const PgnGame& game : read_all(file, 1 << 16, at, at + 1)) got.push_back(describe(game));
    }
    EXPECT_EQ(got, expected);
}

TEST(PgnReader, AGameTooLongIsSkippedWithAnError) {
    std::string huge = "[Event \"huge\"]\n\n1. e4 {";
    huge += std::string(PgnReader::MAX_GAME_BYTES + 10, 'x') + "} e5 *\n[Event \"after\"]\n1. d4 *\n";
    const std::vector<PgnGame> games = read_all(huge);
    ASSERT_EQ(games.size(), 2u);
    EXPECT_FALSE(games[0].board);
    EXPECT_EQ(games[0].errors, std::vector<std::string>{"line 1: game longer than 4194304 bytes, skipped"});
    EXPECT_EQ(moves_of(games[1]), "d2d4");
}

TEST(PgnReader, AnyBytesReadWithoutFailing) {
    std::mt19937 rng(99);
    const std::string pieces[] = {"[", "]", "\"", "\\", "{", "}", "(", ")", ";", "%", "\n", "\r\n", " ", "1.", "e4",
                                  "Nf3", "O-O", "1-0", "*", "$1", "!?", "[Event \"x\"]", "\0", "\xff", "e8=Q", "x"};
    for (int round = 0; round < 300; ++round) {
        std::string file;
        for (int i = 0; i < 60; ++i) file += pieces[rng() % std::size(pieces)];
        const std::vector<PgnGame> games = read_all(file, 1 + rng() % 9);
        std::vector<std::string> whole;
        for (const PgnGame& game : read_all(file)) whole.push_back(describe(game));
        std::vector<std::string> pieced;
        for (const PgnGame& game : games) pieced.push_back(describe(game));
        ASSERT_EQ(pieced, whole) << file;
    }
}

}  // namespace
}  // namespace plindervox
