"""examples/batch.py: perft of many positions in worker processes and on a
Dask cluster gives what the serial run gives, and a bad position is reported
by its text instead of breaking the pool."""
import os
import signal
import subprocess
import sys
from importlib.util import find_spec
from pathlib import Path

import pytest

EXAMPLES = Path(__file__).resolve().parents[2] / "examples"
sys.path.insert(0, str(EXAMPLES))
import batch  # noqa: E402
from conftest import time_limit

FENS = batch.read_positions(batch.POSITIONS)
# Enough to give each worker several chunks, few enough to stay quick under PyPy.
SAMPLE = FENS[::6]
BAD = "8/8/8/8 w - -"  # fewer than six fields


def test_the_positions_file_holds_distinct_positions_that_all_load():
    assert len(FENS) == 120 and len(set(FENS)) == len(FENS)
    assert all(count > 0 for count in batch.run_serial(FENS, 1))


@pytest.mark.parametrize("depth", [0, 1, 2])
def test_a_process_pool_gives_the_serial_results_in_order(depth):
    serial = batch.run_serial(SAMPLE, depth)
    assert batch.run_processes(SAMPLE, depth, workers=2, timeout=time_limit(120)) == serial
    assert len(set(serial)) > 1 or depth == 0  # the order is visible in the results


def test_boards_sent_to_the_pool_as_they_are_give_the_serial_results():
    played = [batch.Board(fen) for fen in SAMPLE]
    for board in played[::2]:
        board.apply_move(board.legal_moves()[0])  # a history travels with its board
    expected = [batch.leaves_of_board(board, 2) for board in played]
    assert batch.run_processes_with_boards(played, 2, workers=2, timeout=time_limit(120)) == expected
    assert expected[1::2] == batch.run_serial(SAMPLE[1::2], 2)


def test_the_program_sends_boards_when_asked():
    code, out, err = run_program("--depth", "1", "--workers", "2", "--boards", timeout=time_limit(120))
    assert code == 0, out + err
    assert "2 processes, boards sent: " in out and out.count("same results") == 2 and "DIFFER" not in out, out


def test_the_serial_results_are_the_known_perft_counts():
    start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
    assert batch.run_serial([start] * 3, 3) == [8902] * 3


@pytest.mark.parametrize("run", [batch.run_serial,
                                 lambda fens, depth: batch.run_processes(fens, depth, workers=2, timeout=time_limit(120))],
                         ids=["serial", "pool"])
def test_a_position_that_does_not_load_is_named_in_a_value_error(run):
    with pytest.raises(ValueError, match=r"cannot load .8/8/8/8 w - -.: Invalid starting fen; got 8/8/8/8 w - -, with 4 parts"):
        run([SAMPLE[0], BAD, SAMPLE[1]], 1)


def run_program(*args, timeout, program="batch.py"):
    """Runs a program of examples/ (batch.py) in a session of its own,
    killed with every process it started (the cluster's too) if it overruns."""
    child = subprocess.Popen([sys.executable, str(EXAMPLES / program), *args], stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True, start_new_session=True)
    try:
        out, err = child.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(child.pid, signal.SIGKILL)
        out, err = child.communicate()
        pytest.fail(f"{program} ran over {timeout} s:\n{out}\n{err}")
    finally:
        try:
            os.killpg(child.pid, signal.SIGKILL)  # anything left behind
        except ProcessLookupError:
            pass
    return child.returncode, out, err


def dask_missing():
    """Why this interpreter runs no Dask cluster, or None."""
    if sys.implementation.name == "pypy":
        # distributed's scheduler and workers register gc.callbacks at start,
        # which PyPy's gc module lacks, so neither starts; it is not installed.
        return "Dask's distributed does not run under PyPy: it needs gc.callbacks"
    if find_spec("distributed") is None:
        return f"Dask's distributed is not installed for Python {sys.version.split()[0]}"
    return None


@pytest.mark.skipif(dask_missing() is not None, reason=str(dask_missing()))
def test_a_local_dask_cluster_on_loopback_gives_the_serial_results():
    code, out, err = run_program("--depth", "2", "--workers", "2", "--dask", "--timeout", str(time_limit(60)), timeout=time_limit(180))
    assert code == 0, out + err
    addresses = out.split("Dask scheduler ", 1)[1].splitlines()[0].replace(",", "").replace("workers ", "").split()
    assert len(addresses) == 3 and all(a.startswith("tcp://127.0.0.1:") for a in addresses), addresses
    assert "120 positions, depth 2: " in out
    assert out.count("same results") == 2 and "DIFFER" not in out, out
