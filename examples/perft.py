"""Counts the leaves of the legal move tree to a given depth (perft).

    python examples/perft.py DEPTH [FEN] [--divide]

The FEN may be given quoted or as separate words. --divide prints the count
under each root move. A run that takes longer than --progress-after seconds
reports each finished root move on standard error.
"""
import argparse
import sys
import time
from typing import List, Optional

from plindervox import Board

START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"


def perft(board: Board, depth: int) -> int:
    if depth == 0:
        return 1
    moves = board.legal_moves()
    if depth == 1:
        return len(moves)
    leaves = 0
    for move in moves:
        board.apply_move(move)
        leaves += perft(board, depth - 1)
        board.pop()
    return leaves


def load(fen: str) -> Board:
    try:
        return Board(fen)
    except BaseException as exc:  # PanicException derives from BaseException
        if type(exc).__name__ != "PanicException":
            raise
        sys.exit(f"perft.py: cannot load {fen!r}: {exc}")


def main(argv: Optional[List[str]] = None) -> None:
    parser = argparse.ArgumentParser(description="Count the leaves of the legal move tree.")
    parser.add_argument("depth", type=int, help="number of half-moves to look ahead (0 or more)")
    parser.add_argument("fen", nargs="*", help="starting position (default: the standard start)")
    parser.add_argument("--divide", action="store_true", help="print the count under each root move")
    parser.add_argument("--progress-after", type=float, default=1.0, metavar="SECONDS",
                        help="report root moves on stderr once a run takes this long (default 1)")
    args = parser.parse_intermixed_args(argv)
    if args.depth < 0:
        parser.error("depth must be 0 or more")
    fen = " ".join(args.fen) if args.fen else START

    board = load(fen)
    print(f"perft {args.depth} from {fen}")
    start = time.perf_counter()
    if args.depth == 0:
        leaves = 1
    else:
        leaves = 0
        roots = board.legal_moves()
        for i, move in enumerate(roots, 1):
            board.apply_move(move)
            count = perft(board, args.depth - 1)
            board.pop()
            leaves += count
            elapsed = time.perf_counter() - start
            if args.divide:
                print(f"{move.uci()}: {count}")
            elif elapsed >= args.progress_after:
                print(f"  [{i:>{len(str(len(roots)))}}/{len(roots)}] {move.uci()}: {count}, "
                      f"{leaves} so far, {elapsed:.1f} s", file=sys.stderr, flush=True)
    seconds = time.perf_counter() - start
    rate = f", {leaves / seconds:,.0f} leaves/s" if seconds > 0 else ""
    print(f"{leaves} {'leaf' if leaves == 1 else 'leaves'} in {seconds:.3f} s{rate}")


if __name__ == "__main__":
    main()
