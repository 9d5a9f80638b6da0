"""examples/pgn_database.py: results per opening code over byte ranges, in
worker processes and on a Dask cluster, give what the serial run gives."""
import runpy
import sys
import types
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "examples"))
import pgn_database  # noqa: E402
from conftest import time_limit  # noqa: E402
from test_batch import dask_missing, run_program  # noqa: E402


def bench_module(name):
    """A program of bench/, run from its file: bench/ stays off sys.path,
    where its perft.py would stand in for examples/perft.py in the worker
    processes that import examples/batch.py."""
    return types.SimpleNamespace(**runpy.run_path(str(ROOT / "bench" / f"{name}.py"), run_name=name))


pgn_games = bench_module("pgn_games")


@pytest.fixture(scope="module")
def games_file(tmp_path_factory):
    path = tmp_path_factory.mktemp("games") / "games.pgn"
    pgn_games.write_games(path, games=300, seed=11)
    return path


def test_the_random_games_read_back_without_errors(games_file):
    summary = pgn_database.summarise(str(games_file))
    assert summary["games"] == 300
    assert sum(sum(r.values()) for r in summary["results"].values()) == 300
    assert summary["positions"] > 300 * 20
    assert set(summary["results"]) <= set(pgn_games.ECO_CODES)


@pytest.mark.parametrize("parts", [1, 2, 7, 64])
def test_byte_ranges_give_the_serial_summary(games_file, parts):
    serial = pgn_database.run_serial(str(games_file))
    ranges = pgn_database.byte_ranges(str(games_file), parts)
    assert len(ranges) == parts and ranges[0][0] == 0 and ranges[-1][1] is None
    assert pgn_database.merged([pgn_database.summarise(str(games_file), a, b) for a, b in ranges]) == serial


def test_a_process_pool_gives_the_serial_summary(games_file):
    serial = pgn_database.run_serial(str(games_file))
    assert pgn_database.run_processes(str(games_file), 8, workers=2, timeout=time_limit(120)) == serial


@pytest.mark.skipif(dask_missing() is not None, reason=str(dask_missing()))
def test_a_local_dask_cluster_on_loopback_reads_its_ranges_of_the_same_file(games_file):
    code, out, err = run_program("--workers", "2", "--dask", "--timeout", str(time_limit(60)), str(games_file),
                                 program="pgn_database.py", timeout=time_limit(180))
    assert code == 0, out + err
    addresses = out.split("Dask scheduler ", 1)[1].splitlines()[0].replace(",", "").replace("workers ", "").split()
    assert len(addresses) == 3 and all(a.startswith("tcp://127.0.0.1:") for a in addresses), addresses
    assert out.startswith("Dask scheduler") and "300 games, " in out
    assert out.count("same results") == 2 and "DIFFER" not in out, out
