"""SAN, its reading back and position keys per position of ordinary games,
and the repetition test at the end of a long game, next to the floor.

Positions come from seeded random games, as in workload.py. For each
position the timed loops do, over the legal moves listed beforehand,

    texts = [board.san(move) for move in moves]      # SAN of every legal move
    [board.parse_san(text) for text in texts]        # and reading it back
    board.zobrist_hash()

and the figure is microseconds per position, the best of --repeat passes
after a warm-up pass. The same loops run over the do-nothing module
plindervox_floor (built by `make bench-floor`), whose calls of the same
shapes (a Move argument and a new str, a str argument and a new object, a
new 64-bit int) do nothing: ours/floor is what the library adds to the
crossings. is_repetition() is timed on a board that has played a 200-ply
game, in ns per call. The maintainers' figures for the fastest other
library, quoted for comparison (CPython 3.13.0, quiet machine): SAN of every
legal move 7.3 us per position, its position hash 0.23 us; reading SAN back
384 us (the pure-Python one; the C-extension's was not given).
    python bench/notation.py [--games N] [--repeat N] [--seed N] [--cpu-time]
PLINDERVOX_PATH=DIR puts another build of plindervox first on the path.
"""

from __future__ import annotations

import argparse
import gc
import os
import platform
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import workload  # noqa: E402  (puts PLINDERVOX_PATH and the floor's directory on the path)
from members import play_game  # noqa: E402
import plindervox  # noqa: E402
from plindervox import Board  # noqa: E402

floor = workload.floor

# The other library's figures (us, CPython 3.13.0) and the share of them the issue asks for.
PEER = {"san": 7.3, "parse_san": 384.0, "zobrist_hash": 0.23}
ASKED = 1.5


def best_time(work, repeat, clock):
    work()
    best = float("inf")
    for _ in range(repeat):
        gc.collect()
        start = clock()
        work()
        best = min(best, clock() - start)
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--games", type=int, default=20, help="random games to take positions from (default 20)")
    parser.add_argument("--max-plies", type=int, default=120)
    parser.add_argument("--seed", type=int, default=2026)
    parser.add_argument("--repeat", type=int, default=7, help="timed passes; the best counts (default 7)")
    parser.add_argument("--cpu-time", action="store_true", help="time with the process CPU clock")
    args = parser.parse_args()
    clock = time.process_time if args.cpu_time else time.perf_counter
    if floor is None:
        sys.exit(f"plindervox_floor is not built for {sys.implementation.name}; run `make bench-floor` first")

    boards = [Board(fen) for fen in workload.make_positions(args.games, args.seed, args.max_plies)]
    lists = [(board, board.legal_moves()) for board in boards]
    texts = [(board, [board.san(move) for move in moves]) for board, moves in lists]
    probe = floor.Probe()
    floor_lists = [[floor.Move(12, 28) for _ in moves] for _, moves in lists]
    floor_texts = [[move.uci() for move in moves] for _, moves in lists]

    work = {
        "san": (lambda: [[board.san(move) for move in moves] for board, moves in lists],
                lambda: [[probe.take_move_new_str(move) for move in moves] for moves in floor_lists]),
        "parse_san": (lambda: [[board.parse_san(text) for text in ts] for board, ts in texts],
                      lambda: [[probe.one_str_new_object(text) for text in ts] for ts in floor_texts]),
        "zobrist_hash": (lambda: [board.zobrist_hash() for board in boards],
                         lambda: [probe.new_big_int() for _ in boards]),
    }
    print(f"{platform.python_implementation()} {sys.version.split()[0]}, plindervox from "
          f"{os.path.dirname(plindervox.__file__)}")
    print(f"{len(boards)} positions from {args.games} games (seed {args.seed}), "
          f"{sum(len(m) for _, m in lists) / len(lists):.1f} legal moves each; best of {args.repeat}, us per position")
    print(f"{'':<14} {'ours':>8} {'floor':>8} {'ratio':>6}   other library / {ASKED}")
    for name, (ours, theirs) in work.items():
        ours_us = best_time(ours, args.repeat, clock) / len(boards) * 1e6
        floor_us = best_time(theirs, args.repeat, clock) / len(boards) * 1e6
        print(f"{name:<14} {ours_us:>8.2f} {floor_us:>8.2f} {ours_us / floor_us:>6.2f}   {PEER[name] / ASKED:.2f}")

    game = Board()
    play_game(game, 200)
    calls = 20000
    ours_ns = best_time(lambda: [game.is_repetition() for _ in range(calls)], args.repeat, clock) / calls * 1e9
    floor_ns = best_time(lambda: [probe.optional_argument_kept() for _ in range(calls)], args.repeat, clock) / calls * 1e9
    print(f"is_repetition() after 200 plies: {ours_ns:.0f} ns per call (floor {floor_ns:.0f}, ratio "
          f"{ours_ns / floor_ns:.2f}; asked: under 1000)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
