"""What differs between the interpreters unless the module sees to it, and
what an interpreter decides itself before the module's code runs.

Calls that may abort the interpreter run in a child process, so that an
abort is reported as a failure of that test and the run goes on.
"""
import inspect
import subprocess
import sys
from pathlib import Path

import pytest

from plindervox import Board, Move

from conftest import time_limit

ROOT = Path(__file__).resolve().parents[2]
PYPY = getattr(sys, "pypy_version_info", None)


CONSTRUCTORS = [
    (Board, "(starting_fen=None)"),
    (Move, "(from_square, to_square, promotion=None)"),
]
# PyPy 7.3.19 (Python 3.11): inspect.signature() of a class whose __new__ is
# native takes object.__init__ (a function with a __code__ there) for a
# user-defined __init__ and returns its (*args, **keywords); it never reads
# the class's text signature. PyPy 8.0.1 takes the class's __new__ built-in
# for the constructor and reads that one's text signature instead.
PYPY_SIGNATURE = pytest.mark.xfail(
    PYPY is not None and tuple(PYPY[:3]) == (7, 3, 19), strict=True,
    reason="this PyPy's inspect gives the class object.__init__'s signature")


@pytest.mark.parametrize("cls, signature", CONSTRUCTORS)
def test_class_text_signature_names_the_constructor_parameters(cls, signature):
    assert cls.__text_signature__ == signature


@PYPY_SIGNATURE
@pytest.mark.parametrize("cls, signature", CONSTRUCTORS)
def test_inspect_signature_of_a_class_names_the_constructor_parameters(cls, signature):
    assert str(inspect.signature(cls)) == signature


# CPython's __new__ is its slot wrapper; PyPy's is the module's own built-in,
# whose text signature takes the class first, as a call of it does. Both
# keep the interpreters' docstring.
@pytest.mark.parametrize("cls, signature", CONSTRUCTORS)
def test_new_of_a_class_has_the_interpreters_doc_and_a_signature_taking_the_class(cls, signature):
    expected = "(cls, /, " + signature[1:] if PYPY else "(*args, **kwargs)"
    assert str(inspect.signature(cls.__new__)) == expected
    assert cls.__new__.__doc__ == "Create and return a new object.  See help(type) for accurate signature."


# A class whose metaclass hides its __qualname__ (raises AttributeError) or
# gives something other than a str: the module names it
# '<failed to extract type name>'. PyPy 7.3.19 and 8.0.1 fail the first while
# converting the argument, before the module's code runs: the first call lets
# the AttributeError out, the next aborts the process ("Fatal RPython error:
# AssertionError" in cpyext's make_ref / create_ref).
UNREADABLE_NAME = """
import sys
import plindervox

class Meta(type):
    def __getattribute__(cls, name):
        if name == "__qualname__":
            if sys.argv[1] == "raises":
                raise AttributeError(name)
            return 5
        return super().__getattribute__(name)

class Odd(metaclass=Meta):
    pass

board = plindervox.Board()
for member in ["apply_move", "_restore", "apply_move", "_restore"]:
    try:
        getattr(board, member)(Odd())
    except BaseException as error:
        print(type(error).__name__, error, flush=True)
"""
PYPY_NAME_ABORT = pytest.mark.xfail(
    PYPY is not None and tuple(PYPY[:3]) in {(7, 3, 19), (8, 0, 1)}, strict=True,
    reason="this PyPy aborts while converting the argument, before the module runs")


@pytest.mark.parametrize("qualname", [pytest.param("raises", marks=PYPY_NAME_ABORT), "not a str"])
def test_argument_whose_type_name_cannot_be_read_is_named_as_such(qualname):
    out = subprocess.run([sys.executable, "-c", UNREADABLE_NAME, qualname.split()[0]],
                         capture_output=True, text=True, timeout=time_limit(120))
    assert out.returncode == 0, out.stdout + out.stderr[-2000:]
    unreadable = "'<failed to extract type name>' object cannot be converted to"
    assert out.stdout.splitlines() == [
        f"TypeError argument 'mov': {unreadable} 'Move'",
        f"TypeError argument 'board_state': {unreadable} 'BoardState'",
    ] * 2


HOSTILE = ROOT / "tests" / "binding" / "hostile_calls.py"


@pytest.mark.skipif(not (ROOT / "fuzz" / "fuzz_binding.py").exists(), reason="needs the repository's fuzz/")
def test_hostile_calls_end_as_documented_in_a_child_process():
    out = subprocess.run([sys.executable, str(HOSTILE), "--sequences", "200"],
                         capture_output=True, text=True, timeout=time_limit(600))
    assert out.returncode == 0, out.stdout[-4000:] + out.stderr[-4000:]
    assert "as expected" in out.stdout
