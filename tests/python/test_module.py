"""Module surface: exports, hello_world, class shape and PanicException."""
import gc
import importlib
import subprocess
import sys

import pytest

import plindervox
from plindervox import Board, Move
from conftest import panic, time_limit


def test_module_exports_exactly_board_move_hello_world():
    assert plindervox.__all__ == ["Board", "Move", "hello_world"]
    assert importlib.import_module("plindervox") is plindervox
    assert not hasattr(plindervox, "BoardState")


HELLO_CHILD = r"""
import io, os, sys
import plindervox
replaced = io.StringIO()
real, sys.stdout = sys.stdout, replaced
result = plindervox.hello_world()
sys.stdout = real
os.write(2, repr((result, replaced.getvalue())).encode())
"""


def test_hello_world_writes_to_fd1_through_c_stdio_not_sys_stdout():
    out = subprocess.run([sys.executable, "-c", HELLO_CHILD],
                         capture_output=True, timeout=time_limit(60))
    assert out.returncode == 0, out.stderr
    assert out.stdout == b"Hello World!\n"
    assert out.stderr.decode().endswith("(None, '')")


@pytest.mark.parametrize("args, kwargs", [((1,), {}), ((), {"x": 1})])
def test_hello_world_takes_no_arguments(args, kwargs):
    with pytest.raises(TypeError):
        plindervox.hello_world(*args, **kwargs)


@pytest.mark.parametrize("cls", [Board, Move], ids=["Board", "Move"])
def test_classes_cannot_be_subclassed(cls):
    with pytest.raises(TypeError):
        type("Derived", (cls,), {})


@pytest.mark.parametrize("make", [Board, lambda: Move(12, 28)],
                         ids=["Board", "Move"])
def test_instances_reject_unknown_attributes(make):
    obj = make()
    with pytest.raises(AttributeError):
        obj.colour = "white"
    with pytest.raises(AttributeError):
        obj.colour


@pytest.mark.parametrize("make", [Board, lambda: Move(12, 28)],
                         ids=["Board", "Move"])
def test_instances_have_no_attribute_dictionary(make):
    obj = make()
    assert not hasattr(obj, "__dict__")
    assert not hasattr(obj, "__weakref__")
    with pytest.raises(TypeError):
        vars(obj)
    with pytest.raises(AttributeError) as info:
        obj.colour = "white"
    assert str(info.value) == f"'{type(obj).__name__}' object has no attribute 'colour'"
    assert "__dict__" not in type(obj).__dict__


def _churn():
    board = Board()
    board.apply_move(board.legal_moves()[0])
    return board.pop(), Move(1, 2), str(board)


# Each instance holds a reference to its class (CPython heap types); freeing
# the instance must give it back, once.
@pytest.mark.skipif(not hasattr(sys, "getrefcount"), reason="no reference counts")
def test_freed_instances_release_their_class():
    def counts():
        gc.collect()
        return sys.getrefcount(Board), sys.getrefcount(Move)
    _churn()
    before = counts()
    for _ in range(100):
        _churn()
    assert counts() == before


# The memory of dropped Move objects may be reused for the next ones. Many
# made at once (by the constructor, by a list and by pop), dropped (more than
# any reuse keeps), and made again with other fields must each hold their own
# fields, and leave the class's reference count as it was.
@pytest.mark.parametrize("count", [1, 300, 3000])
def test_moves_made_after_many_were_dropped_hold_their_own_fields(count):
    def fields(i, shift):
        return i % 64, (i + shift) % 64, "qrbn"[i % 4] if i % 3 else None

    def made_by_the_board():
        board, moves = Board(), []
        while len(moves) < count:
            moves += board.knight_moves()
            board.apply_move(moves[-1])
            moves.append(board.pop())
        return moves

    knights = [m.uci() for m in Board().knight_moves()]
    expected_by_the_board = (knights + knights[-1:]) * -(-count // (len(knights) + 1))
    refcount = getattr(sys, "getrefcount", lambda _: None)
    gc.collect()
    before = refcount(Move)
    for shift in (0, 5, 11):
        made = [Move(*fields(i, shift)) for i in range(count)]
        by_the_board = made_by_the_board()
        assert [(m.from_square, m.to_square, m.promotion) for m in made] == [fields(i, shift) for i in range(count)]
        assert [m.uci() for m in by_the_board] == expected_by_the_board
        del made, by_the_board
        gc.collect()
    assert refcount(Move) == before


PANICS = [
    ("get_pieces", lambda: Board().get_pieces("x"), "Invalid piece type: x"),
    ("set_pieces_or", lambda: Board().set_pieces_or("A", 1), "Invalid piece type"),
    ("pop", lambda: Board().pop(), None),
    ("fen", lambda: Board("8/8/8/8/8/8/8/8 w - - 0"),
     "Invalid starting fen; got 8/8/8/8/8/8/8/8 w - - 0, with 5 parts"),
    ("castling id", lambda: Board()._remove_castling_rights("x"),
     "Invalid castling rights"),
]


@pytest.mark.parametrize("trigger, message", [p[1:] for p in PANICS],
                         ids=[p[0] for p in PANICS])
def test_core_failures_raise_pyo3_panic_exception(trigger, message):
    exc = panic(trigger)
    assert type(exc).__module__ == "pyo3_runtime"
    assert type(exc).__bases__ == (BaseException,)
    assert not isinstance(exc, Exception)
    assert exc.args == (str(exc),)
    if message is not None:
        assert str(exc) == message

