"""Perft of every position of a file: serially, on every core, or on a Dask cluster.

    python examples/batch.py [FILE] [--depth N] [--workers N] [--boards] [--dask | --scheduler ADDRESS]

FILE holds one FEN per line (default: positions.fen beside this program).
Without --dask or --scheduler it runs the file serially and then in a pool
of worker processes on this machine; --dask also starts a Dask cluster of
worker processes on this machine, listening on 127.0.0.1 only, and
--scheduler ADDRESS uses a running Dask cluster instead (each of its
workers needs plindervox installed). --boards also sends the pool the
boards themselves instead of their text. Every run must give the serial
results, or the program fails.

A worker receives a position's text and the depth, builds its own Board and
sends back a plain int; with --boards it receives the Board, which pickles
with its whole game.
"""
import argparse
import importlib
import os
import sys
import time
from concurrent.futures import ProcessPoolExecutor
from contextlib import ExitStack
from pathlib import Path
from typing import Any, Callable, Dict, List, Optional, Tuple, TypeVar

from plindervox import Board

from perft import perft

POSITIONS = Path(__file__).resolve().with_name("positions.fen")


# --8<-- [start:worker]
def leaves(fen: str, depth: int) -> int:
    """The perft of one position, in whichever process runs it."""
    try:
        board = Board(fen)
    except (KeyboardInterrupt, SystemExit):
        raise
    except BaseException as error:
        # PanicException exists only in the processes that imported the
        # module and cannot be pickled: send back an error every process knows.
        raise ValueError(f"cannot load {fen!r}: {error}") from None
    return perft(board, depth)
# --8<-- [end:worker]


# --8<-- [start:board-worker]
def leaves_of_board(board: Board, depth: int) -> int:
    """The perft of a board sent as it is, pickled with its whole game."""
    return perft(board, depth)
# --8<-- [end:board-worker]


def read_positions(path: Path) -> List[str]:
    """The FEN lines of a file, without blank lines and # comments."""
    lines = (line.strip() for line in path.read_text(encoding="utf-8").splitlines())
    return [line for line in lines if line and not line.startswith("#")]


def run_serial(fens: List[str], depth: int) -> List[int]:
    return [leaves(fen, depth) for fen in fens]


# --8<-- [start:pool]
def run_processes(fens: List[str], depth: int, workers: int, timeout: Optional[float] = None) -> List[int]:
    """The same results from a pool of worker processes on this machine."""
    with ProcessPoolExecutor(workers) as pool:
        # A few chunks per worker: fewer messages, and still a fair share each.
        chunk = max(1, len(fens) // (4 * workers))
        return list(pool.map(leaves, fens, [depth] * len(fens), chunksize=chunk, timeout=timeout))


def run_processes_with_boards(boards: List[Board], depth: int, workers: int,
                              timeout: Optional[float] = None) -> List[int]:
    """The same, the pool sending each worker boards rather than their text."""
    with ProcessPoolExecutor(workers) as pool:
        chunk = max(1, len(boards) // (4 * workers))
        return list(pool.map(leaves_of_board, boards, [depth] * len(boards), chunksize=chunk, timeout=timeout))
# --8<-- [end:pool]


# --8<-- [start:dask]
def distributed() -> Any:
    """Dask's distributed, imported only by the runs that use it: it is optional."""
    return importlib.import_module("distributed")


def run_dask(fens: List[str], depth: int, client: Any, timeout: Optional[float] = None) -> List[int]:
    """The same results from the workers of a Dask cluster."""
    # The workers import this program and perft.py as modules, so that they
    # can run leaves(); on a cluster of machines too, where only plindervox
    # needs to be installed.
    for name in ("perft.py", "batch.py"):
        client.upload_file(str(Path(__file__).resolve().with_name(name)))
    futures = client.map(leaves, fens, depth=depth, pure=False)
    distributed().wait(futures, timeout=timeout)
    results: List[int] = client.gather(futures)
    return results


def local_cluster(workers: int) -> Any:
    """A Dask cluster of worker processes on this machine, on 127.0.0.1 only."""
    return distributed().LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                      host="127.0.0.1", dashboard_address=None)
# --8<-- [end:dask]


Results = TypeVar("Results")


def take_turns(rounds: int, ways: Dict[str, Callable[[], Results]]) -> Dict[str, Tuple[Results, float]]:
    """Each way's results and its shortest time, the ways taking turns round by
    round, so that a busy spell of the machine does not fall on one alone."""
    best: Dict[str, Tuple[Results, float]] = {}
    for _ in range(rounds):
        for name, run in ways.items():
            start = time.perf_counter()
            results = run()
            seconds = time.perf_counter() - start
            if name not in best or seconds < best[name][1]:
                best[name] = results, seconds
    return best


def main(argv: Optional[List[str]] = None) -> int:
    parser = argparse.ArgumentParser(description="Perft of every position of a file, on every core.")
    parser.add_argument("file", nargs="?", type=Path, default=POSITIONS, help="one FEN per line")
    parser.add_argument("--depth", type=int, default=3, help="perft depth (default 3)")
    parser.add_argument("--workers", type=int, default=os.cpu_count() or 1,
                        help="worker processes (default: one per core)")
    parser.add_argument("--boards", action="store_true", help="also send the pool boards instead of text")
    parser.add_argument("--dask", action="store_true", help="also run on a Dask cluster started here")
    parser.add_argument("--scheduler", metavar="ADDRESS", help="run on this Dask cluster instead of a pool")
    parser.add_argument("--rounds", type=int, default=1, help="time each way this many times, keep the best")
    parser.add_argument("--timeout", type=float, default=None, metavar="SECONDS",
                        help="fail a parallel run that takes longer")
    args = parser.parse_args(argv)
    fens = read_positions(args.file)

    ways: Dict[str, Callable[[], List[int]]] = {"serial": lambda: run_serial(fens, args.depth)}
    if args.scheduler is None:
        ways[f"{args.workers} processes"] = lambda: run_processes(fens, args.depth, args.workers, args.timeout)
        if args.boards:
            boards = [Board(fen) for fen in fens]
            ways[f"{args.workers} processes, boards sent"] = lambda: run_processes_with_boards(
                boards, args.depth, args.workers, args.timeout)
    with ExitStack() as stack:
        if args.dask or args.scheduler:
            cluster = args.scheduler or stack.enter_context(local_cluster(args.workers))
            client = stack.enter_context(distributed().Client(cluster, timeout=args.timeout or "30s"))
            workers = sorted(client.scheduler_info()["workers"])
            print(f"Dask scheduler {client.scheduler.address}, workers {' '.join(workers)}")
            ways["Dask"] = lambda: run_dask(fens, args.depth, client, args.timeout)
        results = take_turns(args.rounds, ways)

    serial, serial_time = results.pop("serial")
    print(f"{len(fens)} positions, depth {args.depth}: {sum(serial)} leaves")
    print(f"serial: {serial_time:.2f} s")
    same = True
    for name, (found, seconds) in results.items():
        same &= found == serial
        print(f"{name}: {seconds:.2f} s, {serial_time / seconds:.2f} times as fast, "
              + ("same results" if found == serial else "results DIFFER from the serial run"))
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
