// Position loading from any text. Input that is not valid UTF-8 is skipped:
// the texts reach the core from Python str objects, which are always valid.
// Every loaded position then goes through every read operation, every
// generated move is applied and taken back, reloading the same text on top
// must succeed, and the move generators and the reach test must agree with
// the plain implementation kept for the tests (tests/cpp/reference.cpp).
#include "fuzz_support.hpp"

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
