"""What a typical analysis script asks of the library, per position.

Positions come from ordinary games: seeded random play with the library
itself from the starting position (a few thousand positions, the same ones on
every run with the same seed and build). For each position the timed loop does

    board = Board(fen)
    moves = board.legal_moves()
    texts = [move.uci() for move in moves]
    board.is_check()
    board.is_game_over()

and the figure is microseconds per position: the best of --repeat passes over
all positions after a warm-up pass. The same loop runs over the do-nothing
module plindervox_floor (built by `make bench-floor`) too, whose boards hand
out lists of as many new moves as ours found and whose other calls return
kept values: what the interpreter charges for the calls alone. Runs under
PyPy and CPython:
    python bench/workload.py [--games N] [--repeat N] [--seed N] [--cpu-time]
PLINDERVOX_PATH=DIR puts another build of plindervox first on the path, to
compare two builds.
"""

from __future__ import annotations

import argparse
import array
import gc
import os
import platform
import random
import sys
import time

if os.environ.get("PLINDERVOX_PATH"):
    sys.path.insert(0, os.environ["PLINDERVOX_PATH"])

import plindervox  # noqa: E402
from plindervox import Board  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "build", "bench",
                                sys.implementation.name))
try:
    import plindervox_floor as floor  # noqa: E402
except ImportError:  # pragma: no cover - only when run by hand before a build
    floor = None

START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
PIECE_LETTERS = "PRNBQK"
# The castling letter lost when a piece leaves or lands on each corner or king square.
RIGHTS_LOST = {0: "Q", 4: "KQ", 7: "K", 56: "q", 60: "kq", 63: "k"}


def placement(board):
    """The piece placement field, from the board's piece sets."""
    white = board.get_pieces("W")
    sets = [(letter, board.get_pieces(letter)) for letter in PIECE_LETTERS]
    ranks = []
    for rank in range(7, -1, -1):
        text, empty = "", 0
        for file in range(8):
            bit = 1 << (rank * 8 + file)
            letter = next((letter for letter, pieces in sets if pieces & bit), None)
            if letter is None:
                empty += 1
                continue
            if empty:
                text, empty = text + str(empty), 0
            text += letter if white & bit else letter.lower()
        ranks.append(text + (str(empty) if empty else ""))
    return "/".join(ranks)


def game_positions(rng, max_plies):
    """The positions of one random game, as position texts."""
    board = Board()
    rights, en_passant, fens = "KQkq", "-", [START]
    pawns_before = board.get_pieces("P")
    for ply in range(max_plies):
        moves = board.legal_moves()
        if not moves:
            break
        move = rng.choice(moves)
        pawn = pawns_before >> move.from_square & 1
        board.apply_move(move)
        for square in (move.from_square, move.to_square):
            rights = "".join(letter for letter in rights if letter not in RIGHTS_LOST.get(square, ""))
        en_passant = "-"
        if pawn and abs(move.to_square - move.from_square) == 16:
            passed = (move.from_square + move.to_square) // 2
            en_passant = "abcdefgh"[passed % 8] + str(passed // 8 + 1)
        pawns_before = board.get_pieces("P")
        side = "w" if board.turn else "b"
        fens.append(f"{placement(board)} {side} {rights or '-'} {en_passant} 0 {ply // 2 + 1}")
    return fens


def make_positions(games, seed, max_plies):
    rng = random.Random(seed)
    positions = []
    for _ in range(games):
        positions += game_positions(rng, max_plies)
    return positions


def workload(positions):
    """The timed work; returns the number of moves seen, so none is optimised away."""
    seen = 0
    for fen in positions:
        board = Board(fen)
        moves = board.legal_moves()
        texts = [move.uci() for move in moves]
        board.is_check()
        board.is_game_over()
        seen += len(texts)
    return seen


def floor_workload(positions, replay):
    """The same calls on the floor: `replay` hands out the recorded lists."""
    replay.rewind()
    seen = 0
    probe = floor.Probe()
    for fen in positions:
        floor.Position(fen)
        moves = replay.legal_moves()
        texts = [move.uci() for move in moves]
        probe.kept_int()
        probe.kept_int()
        seen += len(texts)
    return seen


def best_time(work, repeat, clock):
    expected = work()  # warm-up, and the JIT's traces
    best = float("inf")
    for _ in range(repeat):
        gc.collect()
        start = clock()
        if work() != expected:
            sys.exit("error: the workload saw a different number of moves on a second pass")
        best = min(best, clock() - start)
    return best, expected


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--games", type=int, default=40, help="random games to take positions from (default 40)")
    parser.add_argument("--max-plies", type=int, default=120, help="plies per game at most (default 120)")
    parser.add_argument("--seed", type=int, default=2026)
    parser.add_argument("--repeat", type=int, default=7, help="timed passes; the best counts (default 7)")
    parser.add_argument("--cpu-time", action="store_true", help="time with the process CPU clock")
    args = parser.parse_args()
    clock = time.process_time if args.cpu_time else time.perf_counter

    positions = make_positions(args.games, args.seed, args.max_plies)
    best, seen = best_time(lambda: workload(positions), args.repeat, clock)
    print(f"{platform.python_implementation()} {sys.version.split()[0]}, plindervox from "
          f"{os.path.dirname(plindervox.__file__)}")
    per_position = best / len(positions) * 1e6
    text = f"{per_position:.2f} us per position"
    if floor is not None:
        counts = array.array("I", (len(Board(fen).legal_moves()) for fen in positions))
        replay = floor.Board(counts.tobytes(), append=True)
        floor_best, _ = best_time(lambda: floor_workload(positions, replay), args.repeat, clock)
        floor_per_position = floor_best / len(positions) * 1e6
        text += f" (floor {floor_per_position:.2f}, ratio {per_position / floor_per_position:.2f})"
    print(f"{len(positions)} positions from {args.games} games (seed {args.seed}), {seen / len(positions):.1f} "
          f"legal moves each; best of {args.repeat}: {text}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
