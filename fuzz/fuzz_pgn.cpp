// The PGN reader on any bytes: the first byte sets the size of the pieces
// the file arrives in and where a byte range is cut; the rest is the file.
// Read whole, read in those pieces, and read as the two ranges either side of
// the cut, it must give the same games (each game's tags, moves, result and
// errors), and every game's moves must each be legal where they were played.
#include <cstring>
#include <string>
#include <vector>

#include "board/apply.hpp"
#include "board/movegen.hpp"
#include "board/pgn_reader.hpp"

namespace plindervox::fuzz {
namespace {

std::vector<PgnGame> read_all(std::string_view file, std::size_t piece, std::uint64_t start, std::uint64_t stop) {
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

std::string summary(const PgnGame& game) {
    std::string text = std::to_string(game.offset) + "|" + game.result + "|";
    for (const auto& [name, value] : game.headers) text += name + "=" + value + ";";
    if (game.board) {
        for (const Move& move : game.board->move_stack) text += move_text(move) + " ";
    }
    for (const std::string& error : game.errors) text += "|" + error;
    return text;
}

std::vector<std::string> summaries(const std::vector<PgnGame>& games) {
    std::vector<std::string> out;
    for (const PgnGame& game : games) out.push_back(summary(game));
    return out;
}

[[noreturn]] void violated(const char* what) {
    std::fprintf(stderr, "\ninvariant broken: %s\n", what);
    std::abort();
}

// Replaying the game's moves from its start, each is among the legal moves.
void check_moves_are_legal(const PgnGame& game) {
    if (!game.board) return;
    Board board = make_board(game.starting_fen);
    for (const Move& move : game.board->move_stack) {
        bool listed = false;
        for (const Move& legal : legal_moves(board)) {
            listed = listed || (legal.from_square == move.from_square && legal.to_square == move.to_square &&
                                legal.promotion == move.promotion);
        }
        if (!listed) violated("a move of a game is not legal where it was played");
        apply_move(board, move);
    }
}

}  // namespace
}  // namespace plindervox::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plindervox::fuzz;
    if (size == 0) return 0;
    const std::string_view file(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t piece = 1 + data[0] % 16;
    const std::uint64_t cut = file.empty() ? 0 : (data[0] * 131u) % (file.size() + 1);
    const std::vector<plindervox::PgnGame> whole = read_all(file, 1 << 16, 0, UINT64_MAX);
    // Replaying against the legal lists is the costly check: one input in four
    // (by its first byte, which libFuzzer mutates like any other) gets it.
    if (data[0] % 4 == 0) {
        for (const plindervox::PgnGame& game : whole) check_moves_are_legal(game);
    }
    if (summaries(read_all(file, piece, 0, UINT64_MAX)) != summaries(whole)) violated("pieces differ from the whole");
    std::vector<std::string> split = summaries(read_all(file, piece, 0, cut));
    for (const std::string& game : summaries(read_all(file, piece, cut, UINT64_MAX))) split.push_back(game);
    if (split != summaries(whole)) violated("two ranges differ from the whole");
    return 0;
}
