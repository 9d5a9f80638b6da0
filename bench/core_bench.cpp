// The chess core on its own, no Python: list generation, apply + undo and
// perft, each as operations per second (best of several timed runs), and the
// same perft walked with the plain implementation kept for the tests
// (tests/cpp/reference.*) for a core/reference ratio. The reference is slow,
// so that comparison runs one ply shallower by default (both sides at the
// same depth); --reference-depth-cut 0 runs it at the full depth.
//
//   core_bench [--repeat N] [--quick] [--reference-depth-cut N] [--cpu-time]
//
// Perft here counts leaves in bulk at depth 1 (the length of the last legal
// list), as plindervox::perft does. "walk" rows apply and undo every leaf
// move too, the same work the Python perft asks for.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "board/apply.hpp"
#include "board/board.hpp"
#include "board/move_buffer.hpp"
#include "board/movegen.hpp"
#include "reference.hpp"

namespace {

using namespace plindervox;
using Clock = std::chrono::steady_clock;

constexpr const char* START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
constexpr const char* ROOK_ENDGAME = "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1";
constexpr const char* KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
// 1.e4 e5 2.d4 Nf6 3.d5 c5: White to move may take c5 en passant (d5xc6).
constexpr const char* OPEN_EN_PASSANT = "rnbqkb1r/pp1p1ppp/5n2/2pPp3/4P3/8/PPP2PPP/RNBQKBNR w KQkq c6 0 4";

struct Case {
    const char* name;
    const char* fen;
    int depth;
    int quick_depth;
};

constexpr Case CASES[] = {
    {"start", START, 5, 4},
    {"rook-endgame", ROOK_ENDGAME, 5, 4},
    {"kiwipete", KIWIPETE, 4, 3},
    {"open-en-passant", OPEN_EN_PASSANT, 4, 3},
};

// Keeps results alive so the optimiser cannot drop the work.
volatile std::uint64_t sink = 0;

struct Options {
    int repeat = 5;
    bool quick = false;
    int reference_depth_cut = 1;  // the core/reference perft runs this many plies shallower than the others
};

bool use_cpu_clock = false;

// Seconds on the steady wall clock, or on this process's CPU clock (--cpu-time).
double now() {
    if (use_cpu_clock) {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
    }
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

// Best seconds of `repeat` timed calls, after one untimed call.
double best_of(int repeat, const std::function<void()>& run) {
    run();
    double best = 1e300;
    for (int i = 0; i < repeat; ++i) {
        const double start = now();
        run();
        best = std::min(best, now() - start);
    }
    return best;
}

// How many passes over a sample make one timed run last about `target` seconds.
int passes_for(double target, const std::function<void()>& pass) {
    const double start = now();
    pass();
    const double once = now() - start;
    return std::max(1, static_cast<int>(target / std::max(once, 1e-9)));
}

Board position_only(const Board& board) {
    Board copy = board;
    copy.move_stack.clear();
    copy.state_stack.clear();
    copy.move_stack.reserve(64);
    copy.state_stack.reserve(64);
    return copy;
}

// Every position of the tree down to `plies`, root included.
void collect(Board& board, int plies, std::vector<Board>& out) {
    out.push_back(position_only(board));
    if (plies == 0) return;
    for (const Move& move : legal_moves(board)) {
        apply_move(board, move);
        collect(board, plies - 1, out);
        undo(board);
    }
}

// plindervox::perft's walk, with every leaf applied and undone as well.
std::uint64_t core_walk(Board& board, int depth) {
    if (depth == 0) return 1;
    std::uint64_t leaves = 0;
    MoveBuffer moves;
    add_legal_moves(board, moves);
    for (const Move& move : moves) {
        apply_move(board, move);
        leaves += core_walk(board, depth - 1);
        undo(board);
    }
    return leaves;
}

// The reference has no perft of its own: the same bulk-counting loop as plindervox::perft.
std::uint64_t reference_perft(Board& board, int depth) {
    if (depth <= 0) return 1;
    const std::vector<Move> moves = reference::legal_moves(board);
    if (depth == 1) return moves.size();
    std::uint64_t leaves = 0;
    for (const Move& move : moves) {
        reference::apply_move(board, move);
        leaves += reference_perft(board, depth - 1);
        reference::undo(board);
    }
    return leaves;
}

void rule(int width) {
    std::string line(static_cast<std::size_t>(width), '-');
    std::printf("%s\n", line.c_str());
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quick") {
            options.quick = true;
        } else if (arg == "--cpu-time") {
            use_cpu_clock = true;
        } else if (arg == "--repeat" && i + 1 < argc) {
            options.repeat = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--reference-depth-cut" && i + 1 < argc) {
            options.reference_depth_cut = std::max(0, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: %s [--repeat N] [--quick] [--reference-depth-cut N] [--cpu-time]\n", argv[0]);
            std::exit(2);
        }
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    std::printf("core bench: best of %d timed runs after one untimed run; %s clock\n\n", options.repeat,
                use_cpu_clock ? "process CPU" : "wall");
    int failures = 0;

    // --- lists and apply/undo over a sample of real positions ----------------
    std::vector<Board> sample;
    for (const Case& c : CASES) {
        Board root = make_board(std::string(c.fen));
        collect(root, 2, sample);
    }
    std::vector<std::vector<Move>> legal_lists;
    std::size_t pseudo_total = 0, legal_total = 0;
    for (Board& board : sample) {
        MoveBuffer buffer;
        add_pseudo_legal_moves(board, buffer);
        pseudo_total += buffer.size;
        legal_lists.push_back(legal_moves(board));
        legal_total += legal_lists.back().size();
    }
    std::printf("sample: %zu positions (every node to 2 plies of the perft positions), "
                "%.1f pseudo-legal and %.1f legal moves each on average\n\n",
                sample.size(), double(pseudo_total) / sample.size(), double(legal_total) / sample.size());

    struct ListRow {
        const char* what;
        const char* unit;
        std::size_t ops_per_pass;
        std::function<void()> core;
        std::function<void()> reference;
    };
    const std::vector<ListRow> list_rows = {
        {"pseudo-legal list", "lists", sample.size(),
         [&] {
             std::uint64_t n = 0;
             for (const Board& board : sample) {
                 MoveBuffer buffer;
                 add_pseudo_legal_moves(board, buffer);
                 n += buffer.size;
             }
             sink = sink + n;
         },
         [&] {
             std::uint64_t n = 0;
             for (const Board& board : sample) n += reference::pseudo_legal_moves(board).size();
             sink = sink + n;
         }},
        {"legal list", "lists", sample.size(),
         [&] {
             std::uint64_t n = 0;
             for (Board& board : sample) {
                 MoveBuffer buffer;  // the caller's buffer, as the module passes it
                 add_legal_moves(board, buffer);
                 n += buffer.size;
             }
             sink = sink + n;
         },
         [&] {
             std::uint64_t n = 0;
             for (const Board& board : sample) n += reference::legal_moves(board).size();
             sink = sink + n;
         }},
        {"apply + undo", "pairs", legal_total,
         [&] {
             for (std::size_t i = 0; i < sample.size(); ++i) {
                 for (const Move& move : legal_lists[i]) {
                     apply_move(sample[i], move);
                     undo(sample[i]);
                 }
             }
             sink = sink + sample[0].pawns;
         },
         [&] {
             for (std::size_t i = 0; i < sample.size(); ++i) {
                 for (const Move& move : legal_lists[i]) {
                     reference::apply_move(sample[i], move);
                     reference::undo(sample[i]);
                 }
             }
             sink = sink + sample[0].pawns;
         }},
    };

    std::printf("%-20s %16s %16s %12s %12s\n", "operation", "core ops/s", "reference ops/s", "core ns/op",
                "core/ref");
    rule(80);
    const double target = options.quick ? 0.05 : 0.2;
    for (const ListRow& row : list_rows) {
        const int core_passes = passes_for(target, row.core);
        const double core_time = best_of(options.repeat, [&] {
            for (int p = 0; p < core_passes; ++p) row.core();
        });
        const int reference_passes = passes_for(target, row.reference);
        const double reference_time = best_of(std::min(options.repeat, 3), [&] {
            for (int p = 0; p < reference_passes; ++p) row.reference();
        });
        const double core_rate = double(row.ops_per_pass) * core_passes / core_time;
        const double reference_rate = double(row.ops_per_pass) * reference_passes / reference_time;
        std::printf("%-14s %-5s %16.0f %16.0f %12.1f %11.1fx\n", row.what, row.unit, core_rate, reference_rate,
                    1e9 / core_rate, core_rate / reference_rate);
    }

    // --- perft -------------------------------------------------------------------
    std::printf("\n%-16s %2s %10s %9s %14s %14s\n", "perft (bulk)", "d", "leaves", "seconds", "leaves/s",
                "lists/s");
    rule(70);
    for (const Case& c : CASES) {
        const int depth = options.quick ? c.quick_depth : c.depth;
        Board board = make_board(std::string(c.fen));
        std::uint64_t leaves = 0;
        const double seconds = best_of(options.repeat, [&] { leaves = perft(board, depth); });
        // Legal lists made: one per position above the leaves.
        std::uint64_t lists = 0;
        for (int d = 0; d < depth; ++d) lists += perft(board, d);
        std::printf("%-16s %2d %10llu %9.3f %14.0f %14.0f\n", c.name, depth,
                    static_cast<unsigned long long>(leaves), seconds, leaves / seconds, lists / seconds);
    }

    std::printf("\n%-16s %2s %10s %9s %14s\n", "walk (no bulk)", "d", "leaves", "seconds", "leaves/s");
    rule(56);
    for (const Case& c : CASES) {
        const int depth = options.quick ? c.quick_depth : c.depth;
        Board board = make_board(std::string(c.fen));
        std::uint64_t leaves = 0;
        const double seconds = best_of(options.repeat, [&] { leaves = core_walk(board, depth); });
        std::printf("%-16s %2d %10llu %9.3f %14.0f\n", c.name, depth, static_cast<unsigned long long>(leaves),
                    seconds, leaves / seconds);
    }

    // --- core against the reference, same perft ------------------------------------
    std::printf("\n%-16s %2s %10s %12s %12s %14s %9s\n", "core vs reference", "d", "leaves", "core s",
                "reference s", "ref leaves/s", "core/ref");
    rule(84);
    for (const Case& c : CASES) {
        const int full = options.quick ? c.quick_depth : c.depth;
        const int depth = std::max(1, full - options.reference_depth_cut);
        Board board = make_board(std::string(c.fen));
        std::uint64_t core_leaves = 0, reference_leaves = 0;
        const double core_time = best_of(options.repeat, [&] { core_leaves = perft(board, depth); });
        const double reference_time =
            best_of(std::min(options.repeat, 2), [&] { reference_leaves = reference_perft(board, depth); });
        const bool agree = core_leaves == reference_leaves;
        if (!agree) ++failures;
        std::printf("%-16s %2d %10llu %12.4f %12.3f %14.0f %8.1fx%s\n", c.name, depth,
                    static_cast<unsigned long long>(core_leaves), core_time, reference_time,
                    reference_leaves / reference_time, reference_time / core_time,
                    agree ? "" : "  LEAF COUNTS DIFFER");
        if (!agree) {
            std::fprintf(stderr, "error: %s depth %d: core %llu leaves, reference %llu\n", c.name, depth,
                         static_cast<unsigned long long>(core_leaves),
                         static_cast<unsigned long long>(reference_leaves));
        }
    }
    return failures == 0 ? 0 : 1;
}
