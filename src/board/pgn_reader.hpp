// Reading games from a PGN file as it streams in: each game's tag pairs, its
// main line played out on a board (every move checked against the legal
// moves), its termination marker, and what was wrong with it. A bad game
// never stops the file: its moves hold those before the fault, its errors
// say what and where, and reading goes on with the next game.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "board/board.hpp"
#include "board/pgn_scanner.hpp"

namespace plindervox {

struct PgnGame {
    std::vector<std::pair<std::string, std::string>> headers;  // in file order, values unescaped
    std::optional<std::string> starting_fen;  // the FEN tag's, where there is one
    // At the end of the main line, with the moves as its history; none when
    // the FEN tag could not be loaded (or the game was too long to read).
    std::optional<Board> board;
    std::string result = "*";  // the termination marker, else the Result tag, else "*"
    std::vector<std::string> errors;  // "line N: what", in the order met
    std::uint64_t offset = 0;  // of the game's first byte in the file
};

// Fills up to `size` bytes and returns how many; 0 only at the end of the file.
using PgnSource = std::function<std::size_t(char* bytes, std::size_t size)>;

class PgnReader {
public:
    // A game of more bytes than this is skipped, with an error.
    static constexpr std::size_t MAX_GAME_BYTES = std::size_t{4} << 20;
    static constexpr std::size_t CHUNK_BYTES = std::size_t{64} << 10;

    // The games whose first byte lies in [start, stop) of the file.
    PgnReader(PgnSource source, std::uint64_t start = 0, std::uint64_t stop = UINT64_MAX);

    // The next game, or none after the last.
    std::optional<PgnGame> next();

private:
    PgnGame take_game(std::uint64_t end);
    void drop_unneeded_bytes();
    bool read_more();

    PgnSource source_;
    PgnScanner scanner_;
    std::string buffer_;
    std::uint64_t buffer_offset_ = 0;  // the file offset of buffer_[0]
    std::uint64_t scanned_ = 0;        // the file offset scanning has reached
    bool started_ = false;
    bool at_end_ = false;
    bool done_ = false;
    bool too_long_ = false;            // the game being read passed MAX_GAME_BYTES
};

// One game's tokens, read: tags, the board and its moves, result, errors.
PgnGame read_game(std::string_view bytes, const std::vector<PgnToken>& tokens, std::uint64_t first_line);

}  // namespace plindervox
