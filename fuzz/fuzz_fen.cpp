// Position loading from any text. Input that is not valid UTF-8 is skipped:
// the texts reach the core from Python str objects, which are always valid.
// Every loaded position then goes through every read operation, every
// generated move is applied and taken back, reloading the same text on top
// must succeed, and the move generators and the reach test must agree with
// the plain implementation kept for the tests (tests/cpp/reference.cpp).
#include "fuzz_support.hpp"
#include "reference.hpp"

namespace plindervox::fuzz {
namespace {

void compare_with_reference(const Board& board) {
    using Generator = void (*)(const Board&, MoveBuffer&);
    using Reference = std::vector<Move> (*)(const Board&);
    const std::pair<Generator, Reference> pairs[] = {
        {add_pawn_moves, reference::pawn_moves},     {add_knight_moves, reference::knight_moves},
        {add_king_moves, reference::king_moves},     {add_bishop_moves, reference::bishop_moves},
        {add_rook_moves, reference::rook_moves},     {add_queen_moves, reference::queen_moves}};
    for (const auto& [generate, expected_of] : pairs) {
        MoveBuffer moves;
        generate(board, moves);
        const std::vector<Move> expected = expected_of(board);
        FUZZ_CHECK(moves.size == expected.size(), board);
        for (std::size_t i = 0; i < expected.size(); ++i) FUZZ_CHECK(same_move(moves[i], expected[i]), board);
    }
    for (unsigned square = 0; square < 64; ++square) {
        FUZZ_CHECK(is_attacked(board, square) == reference::is_attacked(board, square), board);
    }
    FUZZ_CHECK(is_check(board) == reference::is_check(board), board);
}

}  // namespace
}  // namespace plindervox::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plindervox;
    using namespace plindervox::fuzz;
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (!valid_utf8(text)) return -1;  // keeps such inputs out of the corpus

    Board board;
    if (!load_or_check_failure(text, board)) return 0;
    FUZZ_CHECK(board.starting_fen == text && board.move_stack.empty() && board.state_stack.empty(), board);
    read_everything(board, U'x', /*round_trips=*/true);
    compare_with_reference(board);

    // The same text loaded again on top of its own position cannot fail and
    // changes nothing: the placement ORs the same bits in again.
    const Board loaded = board;
    set_board(board);
    FUZZ_CHECK(same_board(board, loaded), loaded);
    read_everything(board, U'\u00e9', /*round_trips=*/false);
    return 0;
}
