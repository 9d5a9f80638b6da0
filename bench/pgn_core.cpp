// The core's PGN reader alone, no Python: reads a file as Board.read_pgn
// does (pieces of 64 KiB, every move read as SAN, checked and played) and
// prints the games, plies and errors, and the plies per second. Under
// callgrind its instruction count over a file, less that of an empty file,
// divided by the plies is the core's cost of a ply.
//
//   pgn_core FILE
#include <chrono>
#include <cstdio>

#include "board/pgn_reader.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "rb");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    plindervox::PgnReader reader([file](char* bytes, std::size_t size) { return std::fread(bytes, 1, size, file); });
    std::size_t games = 0, plies = 0, errors = 0;
    while (auto game = reader.next()) {
        ++games;
        if (game->board) plies += game->board->move_stack.size();
        errors += game->errors.size();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fclose(file);
    std::printf("%zu games, %zu plies, %zu errors, %.3f s, %.2f M plies/s\n", games, plies, errors, seconds,
                plies / seconds / 1e6);
    return 0;
}
