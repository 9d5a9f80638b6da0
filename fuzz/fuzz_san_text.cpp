// SAN and UCI readers on hostile text. Input that is not valid UTF-8 is
// skipped (the texts come from Python str objects). The first byte picks a
// position and the next one how many of its legal moves to play first; the
// rest is the text. Every reader either names a move that legal_moves()
// lists, leaving the board as it was (apply_san and apply_uci: recording
// just that move), or rejects the text with a message that is valid UTF-8,
// starts with its reader's words and names the text; a move read from SAN
// writes back to SAN that reads as the same move.
#include <array>

#include "board/notation.hpp"
#include "board/rejection.hpp"
#include "fuzz_support.hpp"

namespace plindervox::fuzz {
namespace {

const std::array<const char*, 8> POSITIONS = {
    STANDARD_START_FEN,
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    "r3k2r/1P4P1/8/8/8/8/1p4p1/R3K2R b KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
    "8/8/8/8/8/8/8/8 w KQkq e3 0 1",
};

bool starts_with(const std::string& text, std::string_view start) { return text.rfind(start, 0) == 0; }

bool is_listed(Board& board, const Move& move) {
    const std::vector<Move> legal = legal_moves(board);
    return std::any_of(legal.begin(), legal.end(), [&](const Move& m) { return same_move(m, move); });
}

// One reader on the text: `reads` returns the move or throws RejectedInput.
template <class Read>
void check_reader(Board& board, const std::string& text, Read reads, std::initializer_list<std::string_view> refusals,
                  bool records) {
    const Board before = board;
    try {
        const Move move = reads(board, text);
        Board expected = before;
        if (records) apply_move(expected, move);
        FUZZ_CHECK(same_board(board, expected), before);
        if (records) undo(board);
        FUZZ_CHECK(is_listed(board, move), board);
    } catch (const RejectedInput& rejected) {
        FUZZ_CHECK(same_board(board, before), before);
        FUZZ_CHECK(valid_utf8(rejected.message), board);
        const bool known = std::any_of(refusals.begin(), refusals.end(),
                                       [&](std::string_view start) { return starts_with(rejected.message, start); });
        FUZZ_CHECK(known && rejected.message.find(text) != std::string::npos, board);
    }
}

}  // namespace
}  // namespace plindervox::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plindervox;
    using namespace plindervox::fuzz;
    if (size < 2) return -1;
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    if (!valid_utf8(text)) return -1;
    Board board = make_board(POSITIONS[data[0] % POSITIONS.size()]);
    for (int ply = 0; ply < data[1] % 8; ++ply) {
        const std::vector<Move> legal = legal_moves(board);
        if (legal.empty()) break;
        apply_move(board, legal[(data[1] / 8 + ply) % legal.size()]);
    }
    const auto san_reader = {std::string_view("Invalid SAN: "), std::string_view("Illegal SAN: "),
                             std::string_view("Ambiguous SAN: ")};
    const auto uci_reader = {std::string_view("Invalid UCI: "), std::string_view("Illegal UCI: ")};
    check_reader(board, text, [](Board& b, const std::string& t) { return parse_san(b, t); }, san_reader, false);
    check_reader(board, text, [](Board& b, const std::string& t) { return apply_san(b, t); }, san_reader, true);
    check_reader(board, text, [](Board& b, const std::string& t) { return parse_uci(b, t); }, uci_reader, false);
    check_reader(board, text, [](Board& b, const std::string& t) { return apply_uci(b, t); }, uci_reader, true);
    // A move the text names writes back to SAN that names it again.
    try {
        const Move move = parse_san(board, text);
        FUZZ_CHECK(same_move(parse_san(board, san(board, move)), move), board);
    } catch (const RejectedInput&) {
    }
    return 0;
}
