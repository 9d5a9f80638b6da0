"""Reading a large PGN file back: plies and megabytes per second, and the
peak memory of the whole read, beside the same for a file a tenth the size
(the reader streams, so the two peaks should match).

    python bench/pgn_read.py [--games N] [--rounds R] [--dir DIR]

The files are written once by bench/pgn_games.py (random legal games, about
90 plies each) into DIR (default build/bench) and kept. Each read makes
every game's Move objects (game.moves), as a caller mining the file would.
Each figure is the best of R rounds; the peaks are measured in child
processes of their own, so that one file's read cannot raise the other's.
"""
import argparse
import subprocess
import sys
import time
from pathlib import Path

from plindervox import Board

import pgn_games

HERE = Path(__file__).resolve().parent

PEAK = """
import resource, sys
from plindervox import Board
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
plies = sum(len(game.moves) for game in Board.read_pgn(sys.argv[1]))
after = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
print(before, after, plies)
"""


def games_file(directory: Path, games: int) -> Path:
    path = directory / f"games-{games}.pgn"
    if not path.exists():
        print(f"writing {games} random games to {path}", file=sys.stderr)
        pgn_games.write_games(path, games, seed=20261210)
    return path


def read_once(path: Path) -> int:
    return sum(len(game.moves) for game in Board.read_pgn(path))


def peak_kib(path: Path):
    """The peak resident size of a child reading the file, before and after."""
    out = subprocess.run([sys.executable, "-c", PEAK, str(path)], capture_output=True, text=True, check=True)
    before, after, plies = map(int, out.stdout.split())
    return before, after, plies


def main() -> int:
    parser = argparse.ArgumentParser(description="Reading a large PGN file back.")
    parser.add_argument("--games", type=int, default=100_000)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--dir", type=Path, default=HERE.parent / "build" / "bench")
    args = parser.parse_args()
    args.dir.mkdir(parents=True, exist_ok=True)
    big, small = games_file(args.dir, args.games), games_file(args.dir, max(1, args.games // 10))
    size = big.stat().st_size
    best = None
    for _ in range(args.rounds):
        start = time.perf_counter()
        plies = read_once(big)
        seconds = time.perf_counter() - start
        best = seconds if best is None or seconds < best else best
    print(f"{sys.implementation.name} {sys.version.split()[0]}: {args.games} games, {plies} plies, "
          f"{size / 1e6:.1f} MB in {best:.2f} s: {plies / best / 1e6:.2f} M plies/s, {size / best / 1e6:.1f} MB/s")
    for path in (small, big):
        before, after, _ = peak_kib(path)
        print(f"  peak memory reading {path.name} ({path.stat().st_size / 1e6:.1f} MB): {after / 1024:.1f} MiB "
              f"({before / 1024:.1f} MiB after import)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
