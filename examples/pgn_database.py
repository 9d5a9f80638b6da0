"""Results per opening code, and the number of positions, of a PGN file:
serially, on every core, or on a Dask cluster.

    python examples/pgn_database.py FILE [--parts N] [--workers N] [--dask | --scheduler ADDRESS]

Each game's ECO tag names its opening ("?" where it has none); the program
counts the results of the games of each code, and the positions of every
game (its start and the position after each move). The serial run reads the
whole file; the parallel runs cut it into byte ranges, and each task reads
its own range of the same file with Board.read_pgn(path, start=, stop=),
which gives every game to exactly one range however the file is cut. So the
workers must see the file at the same path (on one machine, or a shared
disk). Every run must give the serial results, or the program fails.

Without --dask or --scheduler it runs the file serially and on a pool of
worker processes on this machine; --dask also starts a Dask cluster of
worker processes here, listening on 127.0.0.1 only, and --scheduler
ADDRESS uses a running cluster instead. bench/pgn_games.py writes a file of
random legal games with ECO tags to try it on.
"""
import argparse
import os
import sys
from concurrent.futures import ProcessPoolExecutor
from contextlib import ExitStack
from pathlib import Path
from typing import Any, Callable, Dict, List, Optional, Tuple

from plindervox import Board

# The cluster and the turn-taking timer are the perft program's.
from batch import distributed, local_cluster, take_turns

Summary = Dict[str, Any]


# --8<-- [start:worker]
def summarise(path: str, start: int = 0, stop: Optional[int] = None) -> Summary:
    """The games whose first byte lies in [start, stop) of the file: their
    number, their positions, and their results by ECO code."""
    results: Dict[str, Dict[str, int]] = {}
    games = positions = 0
    for game in Board.read_pgn(path, start=start, stop=stop):
        games += 1
        positions += len(game.moves) + 1
        by_result = results.setdefault(game.headers.get("ECO", "?"), {})
        by_result[game.result] = by_result.get(game.result, 0) + 1
    return {"games": games, "positions": positions, "results": results}


def merged(parts: List[Summary]) -> Summary:
    """One summary of the parts' games."""
    total: Summary = {"games": 0, "positions": 0, "results": {}}
    for part in parts:
        total["games"] += part["games"]
        total["positions"] += part["positions"]
        for eco, by_result in part["results"].items():
            into = total["results"].setdefault(eco, {})
            for result, count in by_result.items():
                into[result] = into.get(result, 0) + count
    return total


def byte_ranges(path: str, parts: int) -> List[Tuple[int, Optional[int]]]:
    """The file cut into `parts` consecutive byte ranges, the last one open."""
    size = os.path.getsize(path)
    cuts = [size * i // parts for i in range(parts)]
    return [(start, stop) for start, stop in zip(cuts, cuts[1:] + [None])]
# --8<-- [end:worker]


def run_serial(path: str) -> Summary:
    return summarise(path)


# --8<-- [start:pool]
def run_processes(path: str, parts: int, workers: int, timeout: Optional[float] = None) -> Summary:
    """The same summary from a pool of worker processes, one byte range a task."""
    ranges = byte_ranges(path, parts)
    with ProcessPoolExecutor(workers) as pool:
        futures = [pool.submit(summarise, path, start, stop) for start, stop in ranges]
        return merged([future.result(timeout=timeout) for future in futures])
# --8<-- [end:pool]


# --8<-- [start:dask]
def run_dask(path: str, parts: int, client: Any, timeout: Optional[float] = None) -> Summary:
    """The same summary from the workers of a Dask cluster, one byte range a task."""
    # The workers import this program, and batch.py and perft.py, which it imports.
    for name in ("perft.py", "batch.py", "pgn_database.py"):
        client.upload_file(str(Path(__file__).resolve().with_name(name)))
    ranges = byte_ranges(path, parts)
    futures = [client.submit(summarise, path, start, stop, pure=False) for start, stop in ranges]
    distributed().wait(futures, timeout=timeout)
    return merged(client.gather(futures))
# --8<-- [end:dask]


def report(summary: Summary, top: int) -> List[str]:
    """The most frequent opening codes, with their results."""
    lines = [f"{summary['games']} games, {summary['positions']} positions"]
    by_count = sorted(summary["results"].items(), key=lambda item: (-sum(item[1].values()), item[0]))
    for eco, by_result in by_count[:top]:
        counts = "  ".join(f"{result} {count}" for result, count in sorted(by_result.items()))
        lines.append(f"  {eco}: {sum(by_result.values())} games: {counts}")
    return lines


def main(argv: Optional[List[str]] = None) -> int:
    parser = argparse.ArgumentParser(description="Results per opening code of a PGN file, on every core.")
    parser.add_argument("file", type=Path, help="a PGN file")
    parser.add_argument("--workers", type=int, default=os.cpu_count() or 1,
                        help="worker processes (default: one per core)")
    parser.add_argument("--parts", type=int, default=None, help="byte ranges (default: one per worker)")
    parser.add_argument("--dask", action="store_true", help="also run on a Dask cluster started here")
    parser.add_argument("--scheduler", metavar="ADDRESS", help="run on this Dask cluster instead of a pool")
    parser.add_argument("--rounds", type=int, default=1, help="time each way this many times, keep the best")
    parser.add_argument("--top", type=int, default=5, help="opening codes to show (default 5)")
    parser.add_argument("--timeout", type=float, default=None, metavar="SECONDS",
                        help="fail a parallel run that takes longer")
    args = parser.parse_args(argv)
    path = str(args.file.resolve())
    # A reader scans the bytes before its range to know where the games
    # begin, so each range costs a little more the later it starts: one
    # range per worker keeps that cost at its least.
    parts = args.parts or args.workers

    ways: Dict[str, Callable[[], Summary]] = {"serial": lambda: run_serial(path)}
    if args.scheduler is None:
        ways[f"{args.workers} processes"] = lambda: run_processes(path, parts, args.workers, args.timeout)
    with ExitStack() as stack:
        if args.dask or args.scheduler:
            cluster = args.scheduler or stack.enter_context(local_cluster(args.workers))
            client = stack.enter_context(distributed().Client(cluster, timeout=args.timeout or "30s"))
            workers = sorted(client.scheduler_info()["workers"])
            print(f"Dask scheduler {client.scheduler.address}, workers {' '.join(workers)}")
            ways["Dask"] = lambda: run_dask(path, parts, client, args.timeout)
        results = take_turns(args.rounds, ways)

    serial, serial_time = results.pop("serial")
    print("\n".join(report(serial, args.top)))
    print(f"serial: {serial_time:.2f} s")
    same = True
    for name, (found, seconds) in results.items():
        same &= found == serial
        print(f"{name}, {parts} byte ranges: {seconds:.2f} s, {serial_time / seconds:.2f} times as fast, "
              + ("same results" if found == serial else "results DIFFER from the serial run"))
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
