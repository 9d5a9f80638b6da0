"""Copying, pickling and the other generic object protocols.

Boards and moves hold native records that pickle cannot rebuild, so copy,
deepcopy and pickle refuse them with TypeError and make nothing, under every
interpreter. The battery of tests/binding/protocols.py runs in a child process
and its outcomes are compared case by case with those recorded under CPython
3.13; where an interpreter decides a case itself, before the module's code
runs, its own outcome is listed below with the versions that give it, so a
release that changes it shows up here.
"""
import copy
import gc
import json
import pickle
import subprocess
import sys
from fnmatch import fnmatchcase
from pathlib import Path

import pytest

from plindervox import Board, Move

ROOT = Path(__file__).resolve().parents[2]
BATTERY = ROOT / "tests" / "binding" / "protocols.py"
REFERENCE = json.loads((ROOT / "tests" / "binding" / "protocol_outcomes.json").read_text(encoding="utf-8"))
sys.path.insert(0, str(ROOT / "tests" / "binding"))
import calls  # noqa: E402
import protocols  # noqa: E402
from conftest import time_limit

PYPY = sys.implementation.name == "pypy"
CPYTHON = sys.implementation.name == "cpython"
VERSION = sys.version_info[:2]
PYPY_VERSION = tuple(sys.pypy_version_info[:2]) if PYPY else None

UNMADE = "'{Cls}' object was not made by {Cls}(): object.__new__() leaves it empty"
EMPTY_INSTANCE = ["returns", "{Cls} refusing its members: TypeError"]
PICKLE_RECIPE = ["returns",
                 "tuple [callable copyreg._reconstructor, tuple [class plindervox.{Cls}, class builtins.object, None]]"]
HACKCHECK = ["raises", "TypeError", "can't apply this __setattr__ to plindervox.{Cls} object"]

# (which interpreters, case pattern, their outcome). In a pattern {obj} is
# "board" or "move" and {Cls} the class; outcomes are filled in the same way.
INTERPRETER_OUTCOMES = [
    # PyPy makes an instance of any class on object.__new__ (copyreg's
    # reconstructor calls it), without the class's constructor: it holds no
    # record, and every member refuses it.
    (PYPY, "{Cls} object.__new__", EMPTY_INSTANCE),
    (PYPY, "{Cls} copyreg._reconstructor", EMPTY_INSTANCE),
    # copyreg recognises a native constructor by the type of the interpreter's
    # own built-in __new__, which under PyPy an extension's is not, so its
    # protocol 0-1 recipe rebuilds through object.__new__: an empty instance.
    (PYPY, "{obj} copyreg._reduce_ex *", PICKLE_RECIPE),
    (PYPY, "{obj} object.__reduce__", PICKLE_RECIPE),
    # PyPy's object.__reduce_ex__ hands over to a class's own __reduce__,
    # which is not told the protocol: it names the class as protocol 0 does.
    (PYPY, "{obj} object.__reduce_ex__ 2", ["raises", "TypeError", "cannot pickle '{Cls}' object"]),
    # PyPy's object.__setattr__ writes past the class's own attribute rules:
    # it stores a new attribute, and reassigns __class__ (the object's native
    # type stays what it was, so every member then refuses it).
    (PYPY, "{obj} object.__setattr__ new attribute", ["returns", "None"]),
    (PYPY, "{obj} object.__setattr__ __class__ = other class", ["returns", "class plindervox.{Other}"]),
    (PYPY and PYPY_VERSION < (8, 0), "{obj} object.__setattr__ __class__ = Python class",
     ["returns", "class __main__.Plain"]),
    (PYPY and PYPY_VERSION >= (8, 0), "{obj} object.__setattr__ __class__ = Python class",
     ["raises", "TypeError", "__class__ assignment: '{Cls}' object layout differs from 'Plain'"]),
    # PyPy gives weak references to any object.
    (PYPY, "{obj} weakref.ref", ["returns", "weakref"]),
    (PYPY, "{obj} weakref.proxy", ["returns", "{proxied}"]),
    # PyPy has no object sizes and names a class bare in its own messages.
    (PYPY, "{obj} sys.getsizeof > 0", ["raises", "TypeError", "*sys.getsizeof(object, default) will always return"
                                                              " default on PyPy*"]),
    (PYPY, "{obj} __sizeof__() > 0", ["raises", "AttributeError", "'{Cls}' object has no attribute '__sizeof__'"]),
    (PYPY, "{obj} < an equal one", ["raises", "TypeError",
                                    "'<' not supported between instances of '{Cls}' and '{Cls}'"]),
    (PYPY, "{obj} format '>10'", ["raises", "TypeError", "unsupported format string passed to {Cls}.__format__"]),
    # PyPy's collector lists the class among an object's referents.
    (PYPY, "{obj} gc.get_referents", ["returns", "list [class plindervox.{Cls}]"]),
    (PYPY, "{obj} gc.is_tracked", ["raises", "AttributeError", "module 'gc' has no attribute 'is_tracked'"]),
    # PyPy 3.11 refuses a class without the base-type flag as a base itself,
    # naming it bare, before the class's __init_subclass__ would.
    (PYPY and VERSION >= (3, 11), "{Cls} subclass*", ["raises", "TypeError", "type '{Cls}' is not an acceptable base type"]),
    # object.__getstate__ is new in Python 3.11.
    (VERSION < (3, 11), "{obj} __getstate__()",
     ["raises", "AttributeError", "'{qualified}' object has no attribute '__getstate__'"]),
    # CPython before 3.13 refuses object.__setattr__ on a class with its own
    # attribute setter outright.
    (CPYTHON and VERSION < (3, 13), "{obj} object.__setattr__ *", HACKCHECK),
]


def fill(template, obj):
    cls = {"board": Board, "move": Move}[obj]
    return template.format(
        obj=obj, Cls=cls.__name__, Other=(Move if cls is Board else Board).__name__,
        qualified=cls.__name__ if PYPY else f"plindervox.{cls.__name__}",
        proxied=protocols.describe(protocols.new_instances()[obj]))


def documented_outcome(case):
    """This interpreter's own outcome of a case, when it has one."""
    for applies, pattern, outcome in INTERPRETER_OUTCOMES:
        if not applies:
            continue
        for obj in ("board", "move"):
            if fnmatchcase(case, fill(pattern, obj)):
                return [fill(part, obj) for part in outcome]
    return None


@pytest.fixture(scope="module")
def outcomes():
    out = subprocess.run([sys.executable, str(BATTERY)], capture_output=True, text=True, timeout=time_limit(300))
    assert out.returncode == 0, out.stdout[-2000:] + out.stderr[-4000:]
    return json.loads(out.stdout)


def test_the_battery_runs_the_recorded_cases(outcomes):
    assert sorted(outcomes) == sorted(REFERENCE)


@pytest.mark.parametrize("case", sorted(REFERENCE))
def test_outcome_is_cpython_313s_or_the_interpreters_own(outcomes, case):
    expected = documented_outcome(case) or REFERENCE[case]
    got = outcomes[case]
    assert len(got) == len(expected)
    assert all(fnmatchcase(g, e) if "*" in e else g == e for g, e in zip(got, expected)), (got, expected)


def played_board():
    board = Board()
    board.apply_move(Move(12, 28))
    return board


COPIERS = [pytest.param(copy.copy, id="copy"), pytest.param(copy.deepcopy, id="deepcopy")] + [
    pytest.param(lambda obj, p=protocol: pickle.dumps(obj, p), id=f"pickle-{protocol}")
    for protocol in range(pickle.HIGHEST_PROTOCOL + 1)]


@pytest.mark.parametrize("copier", COPIERS)
@pytest.mark.parametrize("make, qualified", [
    (played_board, "Board"), (lambda: Move(12, 28), "Move")], ids=["board", "move"])
def test_copying_and_pickling_are_refused_and_change_nothing(copier, make, qualified):
    obj = make()
    before = str(obj)
    with pytest.raises(TypeError, match=rf"^cannot pickle '(plindervox\.)?{qualified}' object$"):
        copier(obj)
    assert str(obj) == before
    if isinstance(obj, Board):
        assert obj.pop().uci() == "e2e4"


def test_a_board_rebuilt_from_its_text_and_moves_is_the_same_game():
    board = Board()
    played = [Move(12, 28), Move(52, 36), Move(6, 21)]
    for move in played:
        board.apply_move(move)
    sent = (None, [m.uci() for m in played])  # what another process can be given
    rebuilt = Board(sent[0])
    for text in sent[1]:
        rebuilt.apply_move(next(m for m in rebuilt.legal_moves() if m.uci() == text))
    assert str(rebuilt) == str(board) and rebuilt.turn == board.turn


# Every member, called with good arguments, on an instance that object.__new__
# made: PyPy hands one out, CPython refuses to.
def members_on_an_instance():
    found = []
    for member in calls.members():
        if member.kind in ("constructor", "subclass", "static"):
            continue
        if member.kind == "property":
            found.append(pytest.param(member, [calls.GET], id=f"{member.label} get"))
            value = calls._good(member.parameters[0].conversion)[0][0]
            found.append(pytest.param(member, [value], id=f"{member.label} set"))
        else:
            args = [calls._good(p.conversion)[0][0] if calls._good(p.conversion) else Move(1, 2)
                    for p in member.parameters]
            found.append(pytest.param(member, args, id=member.label))
    return found


@pytest.mark.skipif(not PYPY, reason="CPython refuses object.__new__ for these classes")
@pytest.mark.parametrize("member, args", members_on_an_instance())
def test_every_member_refuses_an_instance_its_constructor_did_not_make(member, args):
    empty = object.__new__(member.cls)
    with pytest.raises(TypeError) as raised:
        calls.call(member, empty, args)
    assert str(raised.value) == UNMADE.format(Cls=member.cls.__name__)


@pytest.mark.skipif(not PYPY, reason="CPython refuses object.__new__ for these classes")
def test_an_empty_move_is_refused_as_an_argument_and_empty_instances_die_quietly():
    board = played_board()
    with pytest.raises(TypeError, match=r"^argument 'mov': 'Move' object was not made by Move\(\)"):
        board.apply_move(object.__new__(Move))
    assert board.pop().uci() == "e2e4" and str(board) == str(Board())
    for _ in range(200):
        object.__new__(Board)
        object.__new__(Move)
    gc.collect()


@pytest.mark.skipif(not PYPY, reason="CPython refuses __class__ assignment between these classes")
@pytest.mark.parametrize("make, other", [(played_board, Move), (lambda: Move(12, 28), Board)],
                         ids=["board as Move", "move as Board"])
def test_an_object_whose_class_was_reassigned_is_refused_by_the_other_classs_members(make, other):
    obj = make()
    object.__setattr__(obj, "__class__", other)
    for member in calls.members([other]):
        if member.kind == "property":
            with pytest.raises(TypeError, match="cannot be converted to"):
                getattr(obj, member.name)
    with pytest.raises(TypeError, match="cannot be converted to"):
        str(obj)
