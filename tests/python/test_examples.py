"""The programs in examples/ run and print what they promise."""
import re
import subprocess
import sys
from pathlib import Path

import pytest

from plindervox import Board
from conftest import ENDGAME, STALEMATE, play, uci, time_limit

EXAMPLES = Path(__file__).resolve().parents[2] / "examples"


def run(name, *args):
    return subprocess.run([sys.executable, str(EXAMPLES / name), *args],
                          capture_output=True, text=True, timeout=time_limit(120))


RUNS = [  # program, arguments, exit status, text on stdout (stderr on failure)
    ("demo.py", [], 0, "perft(4) from the start: 197281 leaves"),
    ("perft.py", ["3"], 0, "\n8902 leaves in "),
    ("perft.py", ["2", *ENDGAME.split()], 0, "\n191 leaves in "),
    ("perft.py", ["1", STALEMATE], 0, "\n0 leaves in "),
    ("perft.py", ["0"], 0, "\n1 leaf in "),
    ("perft.py", ["2", "x"], 1, "perft.py: cannot load 'x': Invalid starting fen"),
    ("perft.py", ["-1"], 2, "depth must be 0 or more"),
    ("random_game.py", ["--seed", "397"], 0, "Result: 1-0, Black is checkmated"),
    ("random_game.py", ["--fen", STALEMATE, "--seed", "1"], 0, "Result: 1/2-1/2, stalemate"),
    ("random_game.py", ["--seed", "5", "--max-plies", "6"], 0, "Result: *, unfinished after 6 half-moves"),
    ("random_game.py", ["--fen", "x"], 1, "random_game.py: cannot load 'x': Invalid starting fen"),
]


@pytest.mark.parametrize("name, args, code, output", RUNS,
                         ids=[" ".join([r[0], *r[1]]) for r in RUNS])
def test_example_output(name, args, code, output):
    out = run(name, *args)
    assert out.returncode == code, out.stderr
    assert output in (out.stdout if code == 0 else out.stderr)


def test_perft_divide_counts_each_root_move_in_legal_move_order():
    out = run("perft.py", "3", ENDGAME, "--divide")
    counts = re.findall(r"^(\w+): (\d+)$", out.stdout, re.M)
    assert [m for m, _ in counts] == uci(Board(ENDGAME).legal_moves())
    assert sum(int(n) for _, n in counts) == 2812
    assert "\n2812 leaves in " in out.stdout


@pytest.mark.parametrize("after, lines", [("0", 20), ("1000", 0)])
def test_perft_reports_progress_on_stderr_once_a_run_is_long(after, lines):
    out = run("perft.py", "2", "--progress-after", after)
    progress = re.findall(r"^ +\[ ?\d+/20\] \w+: 20, \d+ so far", out.stderr, re.M)
    assert len(progress) == len(out.stderr.splitlines()) == lines
    assert "\n400 leaves in " in out.stdout


@pytest.mark.parametrize("fen, seed, first", [
    (None, "397", "1. "),
    ("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 5 12", "3", "12... "),
])
def test_random_game_is_reproducible_and_prints_the_position_it_reached(fen, seed, first):
    args = ["--seed", seed, "--max-plies", "40"] + (["--fen", fen] if fen else [])
    out = run("random_game.py", *args)
    assert out.stdout == run("random_game.py", *args).stdout
    lines = out.stdout.splitlines()
    assert lines[1].startswith(first)
    moves = [w for w in " ".join(lines[1:lines.index("")]).split() if not w.endswith(".")]
    board = play(Board(fen), *moves)
    assert "\n" + str(board) + "\n" in out.stdout
