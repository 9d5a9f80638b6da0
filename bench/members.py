"""Cost of every public member, next to the least the interpreter charges.

For each constructor, method, property and text slot of Board and Move, a
loop of calls runs over plindervox and over the do-nothing module
plindervox_floor (built by `make bench-floor` into build/bench/<interpreter>),
whose Probe, Move and Position classes offer a member of the same shape: the
same calling convention, the same arguments, and a result of the same kind
(None, a value made once and kept, a new int, a new str, a new object, a list
of n new objects). ours/floor is what plindervox adds to the crossing itself.

Each figure is the best of --repeat timed loops after a warm-up, in ns per
call; loops of the two modules take turns. A timed loop starts on a collected
heap; the collections its garbage causes while it runs are timed with it
(PyPy's nursery size, printed, decides how often). Runs under PyPy and CPython:
    python bench/members.py [--repeat N] [--quick] [--cpu-time] [--json FILE]
PLINDERVOX_PATH=DIR puts another build of plindervox first on the path, to
compare two builds in one sitting.
"""

from __future__ import annotations

import argparse
import copy
import gc
import json
import os
import pickle
import platform
import random
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
IMPLEMENTATION = sys.implementation.name
sys.path.insert(0, os.path.join(HERE, os.pardir, "build", "bench", IMPLEMENTATION))
if os.environ.get("PLINDERVOX_PATH"):
    sys.path.insert(0, os.environ["PLINDERVOX_PATH"])

import plindervox  # noqa: E402

try:
    import plindervox_floor as floor  # noqa: E402
except ImportError as error:  # pragma: no cover - only when run by hand before a build
    sys.exit(f"plindervox_floor is not built for {IMPLEMENTATION} ({error}); run `make bench-floor` first")

START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
# An ordinary middlegame with castling available to both sides.
MIDDLEGAME = "r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/3P1N2/PPP2PPP/RNBQK2R w KQkq - 0 5"
CASTLING = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"
# A rook endgame whose half-move clock has passed the seventy-five-move mark.
ENDGAME_150 = "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 150 90"


def played(plies):
    """A board with `plies` random moves on its history."""
    rng = random.Random(plies)
    board = plindervox.Board()
    for _ in range(plies):
        board.apply_move(rng.choice(board.legal_moves()))
    return board


def round_trip(obj):
    return pickle.loads(pickle.dumps(obj, pickle.HIGHEST_PROTOCOL))


# The pickled board's state holds this many bytes; the floor's state as many.
STATE_BYTES = len(plindervox.Board().__getstate__()[1])

# (label, setup, statement, floor setup, floor statement, shape). Setup code
# runs once; the statement is the one call timed. `b`, `m` and `p` are a
# board, a move and a probe.
CASES = [
    ("Board()", "", "Board()", "", "Position()", "constructor, no arguments"),
    ("Board(fen)", "", "Board(MIDDLEGAME)", "", "Position(MIDDLEGAME)", "constructor, one str"),
    ("Board(starting_fen=fen)", "", "Board(starting_fen=MIDDLEGAME)", "", "Position(text=MIDDLEGAME)",
     "constructor, one str by keyword"),
    ("str(board)", "b = Board()", "str(b)", "p = Probe()", "str(p)", "text slot, new str"),
    ("repr(board)", "b = Board()", "repr(b)", "p = Probe()", "str(p)", "text slot, new str"),
    ("board.turn", "b = Board()", "b.turn", "p = Probe()", "p.kept", "property get, kept value"),
    ("board.turn = True", "b = Board()", "b.turn = True", "p = Probe()", "p.kept = True", "property set"),
    ("set_board()", "b = Board()", "b.set_board()", "p = Probe()", "p.none()", "no arguments, None"),
    ("get_pieces('P')", "b = Board()", "b.get_pieces('P')", "p = Probe()", "p.one_argument_new_int('P')",
     "one argument, new int"),
    ("set_pieces_or('P', 0)", "b = Board()", "b.set_pieces_or('P', 0)", "p = Probe()",
     "p.two_arguments('P', 0)", "two arguments, None"),
    ("set_pieces_xor('P', 0)", "b = Board()", "b.set_pieces_xor('P', 0)", "p = Probe()",
     "p.two_arguments('P', 0)", "two arguments, None"),
    ("pawn_moves()", "b = Board(MIDDLEGAME)", "b.pawn_moves()", "p = Probe(len(Board(MIDDLEGAME).pawn_moves()))",
     "p.new_list()", "no arguments, list of new objects"),
    ("knight_moves()", "b = Board(MIDDLEGAME)", "b.knight_moves()",
     "p = Probe(len(Board(MIDDLEGAME).knight_moves()))", "p.new_list()", "no arguments, list of new objects"),
    ("king_moves()", "b = Board(MIDDLEGAME)", "b.king_moves()", "p = Probe(len(Board(MIDDLEGAME).king_moves()))",
     "p.new_list()", "no arguments, list of new objects"),
    ("bishop_moves()", "b = Board(MIDDLEGAME)", "b.bishop_moves()",
     "p = Probe(len(Board(MIDDLEGAME).bishop_moves()))", "p.new_list()", "no arguments, list of new objects"),
    ("rook_moves()", "b = Board(CASTLING)", "b.rook_moves()", "p = Probe(len(Board(CASTLING).rook_moves()))",
     "p.new_list()", "no arguments, list of new objects"),
    ("queen_moves()", "b = Board(MIDDLEGAME)", "b.queen_moves()", "p = Probe(len(Board(MIDDLEGAME).queen_moves()))",
     "p.new_list()", "no arguments, list of new objects"),
    ("pseudo_legal_moves()", "b = Board(MIDDLEGAME)", "b.pseudo_legal_moves()",
     "p = Probe(len(Board(MIDDLEGAME).pseudo_legal_moves()))", "p.new_list()", "no arguments, list of new objects"),
    ("_castling_moves()", "b = Board(CASTLING)", "b._castling_moves()",
     "p = Probe(len(Board(CASTLING)._castling_moves()))", "p.new_list()", "no arguments, list of new objects"),
    ("legal_moves()", "b = Board(MIDDLEGAME)", "b.legal_moves()", "p = Probe(len(Board(MIDDLEGAME).legal_moves()))",
     "p.new_list()", "no arguments, list of new objects"),
    ("legal_moves(), start", "b = Board()", "b.legal_moves()", "p = Probe(20)", "p.new_list()",
     "no arguments, list of new objects"),
    ("_is_attacked(42)", "b = Board()", "b._is_attacked(42)", "p = Probe()", "p.one_int_kept(42)",
     "one int read, kept value"),
    ("is_check()", "b = Board(MIDDLEGAME)", "b.is_check()", "p = Probe()", "p.kept_int()",
     "no arguments, kept value"),
    ("is_checkmate()", "b = Board(MIDDLEGAME)", "b.is_checkmate()", "p = Probe()", "p.kept_int()",
     "no arguments, kept value"),
    ("is_stalemate()", "b = Board(MIDDLEGAME)", "b.is_stalemate()", "p = Probe()", "p.kept_int()",
     "no arguments, kept value"),
    ("is_game_over()", "b = Board(MIDDLEGAME)", "b.is_game_over()", "p = Probe()", "p.kept_int()",
     "no arguments, kept value"),
    ("_reset_half_move_clock(a, b)", "b = Board()", "b._reset_half_move_clock(256, 1 << 28)", "p = Probe()",
     "p.two_ints_kept(256, 1 << 28)", "two ints read, kept value"),
    ("_check_castling_rights()", "b = Board()", "b._check_castling_rights()", "p = Probe()", "p.kept_int()",
     "no arguments, kept value"),
    ("_remove_castling_rights('k')", "b = Board()", "b._remove_castling_rights('k')", "p = Probe()",
     "p.one_argument('k')", "one argument, None"),
    ("apply_move(m) + pop()", "b = Board(); m = Move(12, 28)", "b.apply_move(m); b.pop()",
     "p = Probe(); m = FloorMove(12, 28)", "p.take_move(m); p.new_object()", "Move argument + new object"),
    ("fen()", "b = Board()", "b.fen()", "p = Probe()", "p.new_fen_text()", "no arguments, new str"),
    ("fen(), middlegame", "b = Board(MIDDLEGAME)", "b.fen()", "p = Probe()", "p.new_fen_text()",
     "no arguments, new str"),
    ("piece_at(28)", "b = Board(MIDDLEGAME)", "b.piece_at(28)", "p = Probe()", "p.one_int_kept(28)",
     "one int read, kept value"),
    ("piece_at(27), empty", "b = Board(MIDDLEGAME)", "b.piece_at(27)", "p = Probe()", "p.one_int_kept(27)",
     "one int read, kept value"),
    ("is_legal(m), pawn", "b = Board(MIDDLEGAME); m = Move(19, 27)", "b.is_legal(m)", "p = Probe(); m = FloorMove(19, 27)",
     "p.take_move_kept(m)", "Move argument, kept value"),
    ("is_legal(m), knight", "b = Board(MIDDLEGAME); m = Move(21, 38)", "b.is_legal(m)",
     "p = Probe(); m = FloorMove(21, 38)", "p.take_move_kept(m)", "Move argument, kept value"),
    ("is_legal(m), not legal", "b = Board(MIDDLEGAME); m = Move(12, 28)", "b.is_legal(m)",
     "p = Probe(); m = FloorMove(12, 28)", "p.take_move_kept(m)", "Move argument, kept value"),
    ("is_pseudo_legal(m)", "b = Board(MIDDLEGAME); m = Move(21, 38)", "b.is_pseudo_legal(m)",
     "p = Probe(); m = FloorMove(21, 38)", "p.take_move_kept(m)", "Move argument, kept value"),
    ("copy()", "b = Board()", "b.copy()", "p = Probe()", "p.__copy__()", "no arguments, new object"),
    ("copy(), 100-ply history", "b = played(100)", "b.copy()", "p = Probe()", "p.__copy__()",
     "no arguments, new object"),
    ("copy.copy(board)", "b = Board()", "copy_copy(b)", "p = Probe()", "copy_copy(p)", "copy.copy, new object"),
    ("copy.deepcopy(board)", "b = Board()", "deepcopy(b)", "p = Probe()", "deepcopy(p)",
     "copy.deepcopy, new object"),
    ("pickle round trip", "b = Board()", "round_trip(b)", "p = Probe(STATE_BYTES)", "round_trip(p)",
     "pickle.dumps + loads, (class, (), (1, bytes))"),
    ("pickle round trip, 100-ply history", "b = played(100)", "round_trip(b)",
     "p = Probe(len(played(100).__getstate__()[1]))", "round_trip(p)",
     "pickle.dumps + loads, (class, (), (1, bytes))"),
    ("Move.from_uci('e2e4')", "", "Move.from_uci('e2e4')", "", "FloorMove.from_text('e2e4')",
     "class method, one str, new object"),
    ("san(m)", "b = Board(MIDDLEGAME); m = Move(1, 11)", "b.san(m)", "p = Probe(); m = FloorMove(1, 11)",
     "p.take_move_new_str(m)", "Move argument, new str"),
    ("san(m), check", "b = Board(MIDDLEGAME); m = Move(26, 53)", "b.san(m)", "p = Probe(); m = FloorMove(26, 53)",
     "p.take_move_new_str(m)", "Move argument, new str"),
    ("san() of every legal move", "b = Board(MIDDLEGAME); ms = b.legal_moves()", "[b.san(m) for m in ms]",
     "p = Probe(); ms = [FloorMove(12, 28) for _ in Board(MIDDLEGAME).legal_moves()]",
     "[p.take_move_new_str(m) for m in ms]", "Move argument, new str, per legal move"),
    ("parse_san('Nbd2')", "b = Board(MIDDLEGAME)", "b.parse_san('Nbd2')", "p = Probe()",
     "p.one_str_new_object('Nbd2')", "one str read, new object"),
    ("parse_san() of every legal move", "b = Board(MIDDLEGAME); ts = [b.san(m) for m in b.legal_moves()]",
     "[b.parse_san(t) for t in ts]", "p = Probe(); ts = [str(m) for m in Board(MIDDLEGAME).legal_moves()]",
     "[p.one_str_new_object(t) for t in ts]", "one str read, new object, per legal move"),
    ("apply_san('Nbd2') + pop()", "b = Board(MIDDLEGAME)", "b.apply_san('Nbd2'); b.pop()", "p = Probe()",
     "p.one_str_new_object('Nbd2'); p.new_object()", "str argument + new object, twice"),
    ("parse_uci('b1d2')", "b = Board(MIDDLEGAME)", "b.parse_uci('b1d2')", "p = Probe()",
     "p.one_str_new_object('b1d2')", "one str read, new object"),
    ("apply_uci('b1d2') + pop()", "b = Board(MIDDLEGAME)", "b.apply_uci('b1d2'); b.pop()", "p = Probe()",
     "p.one_str_new_object('b1d2'); p.new_object()", "str argument + new object, twice"),
    ("zobrist_hash()", "b = Board(MIDDLEGAME)", "b.zobrist_hash()", "p = Probe()", "p.new_big_int()",
     "no arguments, new 64-bit int"),
    ("is_repetition(), 200 plies", "b = Board(); play_game(b, 200)", "b.is_repetition()", "p = Probe()",
     "p.optional_argument_kept()", "optional argument, kept value"),
    ("is_repetition(3), 200 plies", "b = Board(); play_game(b, 200)", "b.is_repetition(3)", "p = Probe()",
     "p.one_int_kept(3)", "one int read, kept value"),
    ("is_fivefold_repetition()", "b = Board(); play_game(b, 200)", "b.is_fivefold_repetition()", "p = Probe()",
     "p.kept_int()", "no arguments, kept value"),
    ("is_fifty_moves()", "b = Board(MIDDLEGAME)", "b.is_fifty_moves()", "p = Probe()", "p.kept_int()",
     "no arguments, kept value"),
    ("is_seventyfive_moves()", "b = Board(ENDGAME_150)", "b.is_seventyfive_moves()", "p = Probe()",
     "p.kept_int()", "no arguments, kept value"),
    ("is_insufficient_material()", "b = Board(MIDDLEGAME)", "b.is_insufficient_material()", "p = Probe()",
     "p.kept_int()", "no arguments, kept value"),
    ("result()", "b = Board(MIDDLEGAME)", "b.result()", "p = Probe()", "p.optional_argument_new_str()",
     "optional argument, new str"),
    ("result(claim_draw=True), 200 plies", "b = Board(); play_game(b, 200)", "b.result(claim_draw=True)",
     "p = Probe()", "p.optional_argument_new_str(claim_draw=True)", "optional argument by keyword, new str"),
    ("Move(12, 28)", "", "Move(12, 28)", "", "FloorMove(12, 28)", "constructor, two ints"),
    ("Move(52, 60, 'q')", "", "Move(52, 60, 'q')", "", "FloorMove(52, 60, 'q')", "constructor, two ints and a str"),
    ("Move(to_square=28, from_square=12)", "", "Move(to_square=28, from_square=12)", "",
     "FloorMove(to_square=28, from_square=12)", "constructor, keywords"),
    ("move.uci()", "m = Move(12, 28)", "m.uci()", "p = Probe()", "p.kept_str()", "no arguments, kept value"),
    ("move.uci(), promotion", "m = Move(52, 60, 'q')", "m.uci()", "p = Probe()", "p.kept_str()",
     "no arguments, kept value"),
    ("str(move)", "m = Move(12, 28)", "str(m)", "p = Probe()", "repr(p)", "text slot, kept value"),
    ("repr(move)", "m = Move(12, 28)", "repr(m)", "p = Probe()", "repr(p)", "text slot, kept value"),
    ("move.from_square", "m = Move(12, 28)", "m.from_square", "p = Probe()", "p.kept", "property get, kept value"),
    ("move.to_square", "m = Move(12, 28)", "m.to_square", "p = Probe()", "p.kept", "property get, kept value"),
    ("move.promotion", "m = Move(52, 60, 'q')", "m.promotion", "p = Probe()", "p.kept", "property get, kept value"),
    ("move.promotion (None)", "m = Move(12, 28)", "m.promotion", "p = Probe()", "p.kept", "property get, kept value"),
    ("move.from_square = 12", "m = Move(12, 28)", "m.from_square = 12", "p = Probe()", "p.kept = 12",
     "property set"),
    ("move.promotion = 'q'", "m = Move(12, 28)", "m.promotion = 'q'", "p = Probe()", "p.kept = 'q'",
     "property set"),
]

# The fresh-value shapes, for reference: what a member would cost if it made
# its result anew on every call.
REFERENCE_CASES = [
    ("floor: none()", "p.none()"),
    ("floor: kept value", "p.kept_int()"),
    ("floor: kept value, text slot", "repr(p)"),
    ("floor: two arguments not read, kept value", "p.two_arguments_kept(256, 1 << 28)"),
    ("floor: new int", "p.new_int()"),
    ("floor: new str", "p.new_str()"),
    ("floor: new object", "p.new_object()"),
    ("floor: property, new int", "p.new_int_property"),
]

LOOP = '''
def run(calls):
    {setup}
    for _ in range(calls):
        {statement}
'''

def play_game(board, plies):
    """Plies of a fixed game: each time the legal move at a varying index,
    where a move that ends the game is avoided, so that the game lasts."""
    for ply in range(plies):
        moves = board.legal_moves()
        for shift in range(len(moves)):
            move = moves[(7 * ply + shift) % len(moves)]
            board.apply_move(move)
            if board.legal_moves() and not board.is_repetition(3):
                break
            board.pop()
        else:
            raise RuntimeError(f"play_game: no move keeps the game going after {ply} plies")


NAMESPACE = {
    "Board": plindervox.Board,
    "Move": plindervox.Move,
    "Probe": floor.Probe,
    "Position": floor.Position,
    "FloorMove": floor.Move,
    "MIDDLEGAME": MIDDLEGAME,
    "CASTLING": CASTLING,
    "played": played,
    "round_trip": round_trip,
    "copy_copy": copy.copy,
    "deepcopy": copy.deepcopy,
    "STATE_BYTES": STATE_BYTES,
    "ENDGAME_150": ENDGAME_150,
    "play_game": play_game,
}


def make_loop(setup, statement):
    """A loop function with a code object of its own, so that JIT traces never
    mix two members."""
    namespace = dict(NAMESPACE)
    source = LOOP.format(setup=setup or "pass", statement=statement)
    exec(compile(source, f"<{statement}>", "exec"), namespace)
    return namespace["run"]


clock = time.perf_counter


def timed(run, calls):
    gc.collect()
    start = clock()
    run(calls)
    return clock() - start


def calibrate(run, budget):
    """A call count whose loop takes about `budget` seconds."""
    calls = 64
    while True:
        elapsed = timed(run, calls)
        if elapsed >= budget / 4 or calls >= 1 << 24:
            return max(64, int(calls * budget / max(elapsed, 1e-9)))
        calls *= 4


def best_per_call(runs, calls, repeat, warmup):
    """Best ns per call of each run; the runs take turns."""
    for _ in range(warmup):
        for run in runs:
            run(calls)
    best = [float("inf")] * len(runs)
    for _ in range(repeat):
        for i, run in enumerate(runs):
            best[i] = min(best[i], timed(run, calls))
    return [b / calls * 1e9 for b in best]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--repeat", type=int, default=5, help="timed loops per member; the best counts (default 5)")
    parser.add_argument("--quick", action="store_true", help="shorter loops, for a fast look")
    parser.add_argument("--cpu-time", action="store_true", help="time with the process CPU clock")
    parser.add_argument("--only", help="run only the members whose label contains this text")
    parser.add_argument("--json", help="also write the figures to this file")
    args = parser.parse_args()
    global clock
    if args.cpu_time:
        clock = time.process_time
    budget = 0.02 if args.quick else 0.1

    print(f"interpreter: {platform.python_implementation()} {sys.version.split()[0]}; plindervox from "
          f"{os.path.dirname(plindervox.__file__)}")
    nursery = f"; GC nursery {gc.get_stats().nursery_size}" if IMPLEMENTATION == "pypy" else ""
    print(f"ns per call, best of {args.repeat}; {'process CPU' if args.cpu_time else 'wall'} clock{nursery}")
    header = f"{'member':<36} {'ours':>8} {'floor':>8} {'ratio':>6}  floor shape"
    print(header)
    print("-" * len(header))
    figures = {}
    for label, setup, statement, floor_setup, floor_statement, shape in CASES:
        if args.only and args.only not in label:
            continue
        ours = make_loop(setup, statement)
        theirs = make_loop(floor_setup, floor_statement)
        calls = calibrate(ours, budget)
        ours_ns, floor_ns = best_per_call([ours, theirs], calls, args.repeat, warmup=2)
        figures[label] = {"ours": ours_ns, "floor": floor_ns, "shape": shape}
        print(f"{label:<36} {ours_ns:>8.0f} {floor_ns:>8.0f} {ours_ns / floor_ns:>6.2f}  {shape}", flush=True)
    if not args.only:
        print()
        for label, statement in REFERENCE_CASES:
            run = make_loop("p = Probe()", statement)
            (ns,) = best_per_call([run], calibrate(run, budget), args.repeat, warmup=2)
            figures[label] = {"floor": ns}
            print(f"{label:<36} {'':>8} {ns:>8.0f}", flush=True)
    if args.json:
        with open(args.json, "w") as out:
            json.dump({"interpreter": platform.python_implementation(), "figures": figures}, out, indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
