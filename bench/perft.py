"""Perft through the Python interface, against the binding floor.

For each position the same recursive walk

    for move in board.legal_moves():
        board.apply_move(move)
        leaves += perft(board, depth - 1)
        board.pop()

runs under PyPy or CPython over plindervox.Board and over plindervox_floor.Board, a
native module that does no chess but makes the same crossings (a fresh list
of fresh Move objects from legal_moves(), a type-checked vector-call
apply_move(), a fresh Move from pop()). The floor board replays the
legal-move counts recorded from plindervox, so every walk visits a tree of
the same shape and makes the same calls: the floor's time is what the
interpreter charges for the crossings alone, and ours/floor is what plindervox
adds on top. A binding can build its lists two ways, PyList_New(n) with
PyList_SET_ITEM or PyList_New(0) with PyList_Append, and on PyPy they cost
differently (the first is cheaper to make, the second cheaper to iterate), so
the floor runs both ways and the ratio is taken against the faster. The
module builds its lists the first way under CPython and the second under PyPy.

Every timing is the best of --repeat runs after --warmup untimed runs; the
walks take turns, so that all see the same machine. Each timed run starts on
a collected heap and includes collecting its own garbage. The walk does not
count leaves in bulk: every leaf move is applied and popped.

PyPy sizes its nursery from the cache size the machine reports; on a machine
reporting a huge cache a short walk never collects and a long one collects
rarely but slowly. PYPY_GC_NURSERY (e.g. 4MB) fixes it; the size in use is printed.

Run with a project venv's interpreter after `make bench-floor` has built
plindervox_floor into build/bench/<implementation> (`make bench-python` does
both, for PyPy and for CPython):
    .venv/bin/python bench/perft.py [--repeat N] [--warmup N] [--quick] [--only NAME]
                                    [--no-micro] [--cpu-time]
PLINDERVOX_PATH=DIR puts another build of plindervox first on the path, as
for members.py.
"""

from __future__ import annotations

import argparse
import array
import gc
import os
import platform
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, os.pardir, "build", "bench", sys.implementation.name))
if os.environ.get("PLINDERVOX_PATH"):
    sys.path.insert(0, os.environ["PLINDERVOX_PATH"])

import plindervox  # noqa: E402

try:
    import plindervox_floor  # noqa: E402
except ImportError as error:  # pragma: no cover - only when run by hand before a build
    sys.exit(f"plindervox_floor is not built ({error}); run `make bench` first")


START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
ROOK_ENDGAME = "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"
KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
# 1.e4 e5 2.d4 Nf6 3.d5 c5: White to move may take c5 en passant (d5xc6).
OPEN_EN_PASSANT = "rnbqkb1r/pp1p1ppp/5n2/2pPp3/4P3/8/PPP2PPP/RNBQKBNR w KQkq c6 0 4"

# (name, position, depth, known leaf count or None, quick depth). The counts
# are the published ones; the en passant position has none published, and is
# checked by core_bench, whose core and reference perfts must agree.
CASES = [
    ("start", START, 4, 197281, 4),
    ("start", START, 5, 4865609, None),
    ("rook-endgame", ROOK_ENDGAME, 5, 674624, 4),
    ("kiwipete", KIWIPETE, 4, 4085603, 3),
    ("open-en-passant", OPEN_EN_PASSANT, 4, None, 3),
]
QUICK_LEAVES = {
    ("start", 4): 197281,
    ("rook-endgame", 4): 43238,
    ("kiwipete", 3): 97862,
}

PERFT_SOURCE = '''
def perft(board, depth):
    if depth == 0:
        return 1
    leaves = 0
    for move in board.legal_moves():
        board.apply_move(move)
        leaves += perft(board, depth - 1)
        board.pop()
    return leaves
'''


def make_perft():
    """A perft function with a code object of its own, so that the JIT traces
    for one module's board never share loops with the other's."""
    namespace = {}
    exec(compile(PERFT_SOURCE, "<perft>", "exec"), namespace)
    return namespace["perft"]


def record_counts(board, depth, counts):
    """The same walk as perft, keeping each interior node's legal-move count."""
    if depth == 0:
        return 1
    moves = board.legal_moves()
    counts.append(len(moves))
    leaves = 0
    for move in moves:
        board.apply_move(move)
        leaves += record_counts(board, depth - 1, counts)
        board.pop()
    return leaves


clock = time.perf_counter


def best_times(runs, warmup, repeat):
    """([best seconds], [last result]) of each run: all warm up untimed, then
    every repetition times each run once, in turn, so that each sees the same
    machine. Each timed run starts on a freshly collected heap and its time
    includes collecting the garbage it left (the moves it made), so that a walk
    short enough to fit in the nursery is not spared the collection cost."""
    results = [None] * len(runs)
    for _ in range(warmup):
        for i, run in enumerate(runs):
            results[i] = run()
    best = [float("inf")] * len(runs)
    for _ in range(repeat):
        for i, run in enumerate(runs):
            gc.collect()
            start = clock()
            results[i] = run()
            gc.collect()
            best[i] = min(best[i], clock() - start)
    return best, results


def nursery_text():
    """PyPy's young-generation size: it decides how many Move objects pile up
    between collections, which moves these timings a lot. CPython has no
    nursery of that kind (its gc.get_stats() describes generations)."""
    if sys.implementation.name != "pypy":
        return "none (CPython)"
    size = gc.get_stats().nursery_size
    source = f"PYPY_GC_NURSERY={os.environ['PYPY_GC_NURSERY']}" if "PYPY_GC_NURSERY" in os.environ else "PyPy's choice"
    return f"{size} ({source})"


def en_passant_check():
    moves = plindervox.Board(OPEN_EN_PASSANT).legal_moves()
    found = any(m.from_square == 35 and m.to_square == 42 for m in moves)
    return f"d5c6 en passant among the {len(moves)} legal moves: {'yes' if found else 'NO'}", found


FLOOR_KINDS = (("SET_ITEM", False), ("Append", True))


def micro(args):
    """Per-call cost of each crossing on a root position: ours, and the floor
    with each way of building lists. Rows: (label, ours, [floor times])."""
    calls = 20000
    rows = []
    for name, fen in (("start", START), ("kiwipete", KIWIPETE)):
        board = plindervox.Board(fen)
        count = len(board.legal_moves())
        floors = [plindervox_floor.Board(array.array("I", [count] * calls).tobytes(), append=append)
                  for _, append in FLOOR_KINDS]
        move = board.legal_moves()[0]
        floor_move = plindervox_floor.Board(array.array("I", [1]).tobytes()).legal_moves()[0]

        def lists(method, iterate):
            def run():
                for _ in range(calls):
                    moves = method()
                    if iterate:
                        for _move in moves:
                            pass
            return run

        def rewound(floor, run):
            def wrapper():
                floor.rewind()
                run()
            return wrapper

        def apply_pop(board, move):
            def run():
                for _ in range(calls):
                    board.apply_move(move)
                    board.pop()
            return run

        for what, iterate in ((f"legal_moves() [{count} moves]", False),
                              (f"legal_moves(), list iterated", True)):
            runs = [lists(board.legal_moves, iterate)]
            runs += [rewound(floor, lists(floor.legal_moves, iterate)) for floor in floors]
            times, _ = best_times(runs, args.warmup + 1, args.repeat)
            rows.append((f"{name}: {what}", times[0] / calls, [t / calls for t in times[1:]]))
        runs = [lists(board.pseudo_legal_moves, True)]
        runs += [rewound(floor, lists(floor.legal_moves, True)) for floor in floors]
        times, _ = best_times(runs, args.warmup + 1, args.repeat)
        pseudo = len(board.pseudo_legal_moves())
        rows.append((f"{name}: pseudo_legal_moves() [{pseudo}], iterated", times[0] / calls,
                     [t / calls for t in times[1:]]))
        runs = [apply_pop(board, move)] + [apply_pop(floor, floor_move) for floor in floors]
        times, _ = best_times(runs, args.warmup + 1, args.repeat)
        rows.append((f"{name}: apply_move() + pop()", times[0] / calls, [t / calls for t in times[1:]]))
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--repeat", type=int, default=3, help="timed runs per walk; the best counts (default 3)")
    parser.add_argument("--warmup", type=int, default=1, help="untimed runs before timing (default 1)")
    parser.add_argument("--quick", action="store_true", help="shallower depths, for a fast check")
    parser.add_argument("--only", help="run only the positions whose name contains this text")
    parser.add_argument("--no-micro", action="store_true", help="skip the per-call breakdown")
    parser.add_argument("--cpu-time", action="store_true",
                        help="time with the process CPU clock rather than the wall clock (steadier on a busy machine)")
    args = parser.parse_args()
    global clock
    if args.cpu_time:
        clock = time.process_time

    print(f"interpreter: {platform.python_implementation()} {sys.version.split()[0]}"
          f" ({' '.join(sys.version.split()[1:])[:60]})")
    print(f"GC nursery: {nursery_text()}")
    print(f"repetitions: best of {args.repeat} after {args.warmup} warm-up run(s), walks in turn;"
          f" {'process CPU' if args.cpu_time else 'wall'} clock")
    text, ok = en_passant_check()
    print(f"open-en-passant: {text}")
    if not ok:
        print("error: the en passant position lost its point", file=sys.stderr)
        return 1
    print()

    cases = []
    for name, fen, depth, expected, quick_depth in CASES:
        if args.only and args.only not in name:
            continue
        if args.quick:
            if quick_depth is None:
                continue
            expected = QUICK_LEAVES.get((name, quick_depth))
            depth = quick_depth
        cases.append((name, fen, depth, expected))

    print("seconds and leaves per second of the walk; floor S = lists by PyList_SET_ITEM, "
          "floor A = by PyList_Append")
    header = (f"{'position':<16} {'d':>1} {'leaves':>9} {'lists':>7} {'ours s':>7} {'ours l/s':>10}"
              f" {'floor S s':>9} {'floor A s':>9} {'floor l/s':>10} {'ours/floor':>10}")
    print(header)
    print("-" * len(header))
    failures = 0
    for name, fen, depth, expected in cases:
        counts = array.array("I")
        leaves = record_counts(plindervox.Board(fen), depth, counts)
        if expected is not None and leaves != expected:
            sys.stdout.flush()
            print(f"error: {name} depth {depth}: {leaves} leaves, expected {expected}", file=sys.stderr)
            failures += 1

        ours_perft = make_perft()
        ours_board = plindervox.Board(fen)

        def ours_run():
            return ours_perft(ours_board, depth)

        def floor_run(append):
            floor_perft = make_perft()
            floor_board = plindervox_floor.Board(counts.tobytes(), append=append)

            def run():
                floor_board.rewind()
                result = floor_perft(floor_board, depth)
                if floor_board.remaining() != 0:
                    raise RuntimeError("the floor walk left recorded nodes unvisited")
                return result
            return run

        runs = [ours_run] + [floor_run(append) for _, append in FLOOR_KINDS]
        times, results = best_times(runs, args.warmup, args.repeat)
        if any(result != leaves for result in results):
            sys.stdout.flush()
            print(f"error: {name} depth {depth}: walks disagree ({results}, recorded {leaves})", file=sys.stderr)
            failures += 1
        ours_time, floor_times = times[0], times[1:]
        floor_time = min(floor_times)
        print(f"{name:<16} {depth:>1} {leaves:>9} {len(counts):>7} {ours_time:>7.3f} {leaves / ours_time:>10,.0f}"
              f" {floor_times[0]:>9.3f} {floor_times[1]:>9.3f} {leaves / floor_time:>10,.0f}"
              f" {ours_time / floor_time:>10.2f}", flush=True)

    if not args.no_micro:
        print()
        print("per call on the root position, microseconds (best of the repetitions, 20000 calls each):")
        print(f"  {'call':<48} {'ours':>7} {'floor S':>8} {'floor A':>8}")
        for what, ours, floors in micro(args):
            print(f"  {what:<48} {ours * 1e6:>7.3f} {floors[0] * 1e6:>8.3f} {floors[1] * 1e6:>8.3f}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
