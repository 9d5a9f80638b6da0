"""The installed type stubs: they describe the module, and mypy checks code with them."""
import ast
import re
import subprocess
import sys
from pathlib import Path

import pytest

import plindervox
from plindervox import Board, Move

from conftest import time_limit

ROOT = Path(__file__).resolve().parents[2]
SOURCE_STUB = ROOT / "src" / "plindervox-stubs" / "__init__.pyi"
INSTALLED_STUB = Path(plindervox.__file__).parent / "plindervox-stubs" / "__init__.pyi"
EXAMPLES = sorted((ROOT / "examples").glob("*.py"))
PYPY = sys.implementation.name == "pypy"

# Runtime members the stubs leave out on purpose: the subclass, attribute and
# pickling guards (declaring __setattr__ would let mypy accept any attribute;
# every object has __reduce_ex__ and __reduce__), and what the interpreter
# adds to every class (copyreg caches __slotnames__ on a class it pickles).
GUARDS = {"__init_subclass__", "__setattr__", "__delattr__", "__reduce_ex__", "__reduce__",
          "__doc__", "__module__", "__dict__", "__weakref__", "__slotnames__"}


def test_installed_stubs_are_the_source_stubs():
    assert INSTALLED_STUB.read_text() == SOURCE_STUB.read_text(), "stale install: run make install"


def stub_members(body):
    names = set()
    for node in body:
        if isinstance(node, (ast.FunctionDef, ast.ClassDef)):
            names.add(node.name)
        elif isinstance(node, ast.Assign):
            names.update(t.id for t in node.targets if isinstance(t, ast.Name))
    return names


STUB_TREE = ast.parse(SOURCE_STUB.read_text())
STUB_CLASSES = {n.name: n for n in STUB_TREE.body if isinstance(n, ast.ClassDef)}


@pytest.mark.parametrize("name, runtime, body", [
    ("module", plindervox, STUB_TREE.body),
    ("Board", Board, STUB_CLASSES["Board"].body),
    ("Move", Move, STUB_CLASSES["Move"].body),
], ids=["module", "Board", "Move"])
def test_stubs_declare_exactly_the_runtime_members(name, runtime, body):
    if name == "module":
        [names] = [ast.literal_eval(n.value) for n in body if isinstance(n, ast.Assign)]
        assert names == plindervox.__all__
        assert stub_members(body) == set(names) | {"__all__", "_BoardState", "_Game", "_GameReader"}
        for private in ("_BoardState", "_Game", "_GameReader", "Game", "GameReader"):
            assert not hasattr(plindervox, private)
    else:
        assert stub_members(body) == set(vars(runtime)) - GUARDS


# stubtest compares every signature with the one the interpreter reports.
@pytest.mark.skipif(PYPY, reason="stubtest needs the symtable module, which PyPy lacks, "
                                 "and PyPy reports no method signatures")
def test_stubtest_finds_the_stubs_consistent(tmp_path):
    out = subprocess.run([sys.executable, "-m", "mypy.stubtest", "plindervox"],
                         cwd=tmp_path, capture_output=True, text=True, timeout=time_limit(120))
    assert out.returncode == 0, out.stdout + out.stderr


GOOD = """\
from typing import List, Optional
import plindervox
from plindervox import Board, Move

def best(board: Board) -> Optional[Move]:
    moves: List[Move] = board.legal_moves() + board.pseudo_legal_moves()
    return moves[0] if moves else None

board = Board(starting_fen=None)
move = best(board)
if move is not None:
    board.apply_move(mov=move)
    square: int = board.pop().to_square + move.from_square
    promotion: Optional[str] = move.promotion
    move.promotion = "q"
board.turn = not board.turn
sets: int = board.get_pieces("P") | board.get_pieces(piece_type="w")
board.set_pieces_or("Q", 1 << 27)
board.set_pieces_xor(piece_type="Q", bitboard=1 << 27)
flags: List[bool] = [board.is_check(), board.is_checkmate(), board.is_stalemate(),
                     board.is_game_over(), board._is_attacked(28),
                     board._check_castling_rights(), board._reset_half_move_clock(1, 2)]
board._remove_castling_rights("k")
board.set_board()
text: str = str(board) + repr(board) + Move(12, 28, "q").uci() + board._castling_moves()[0].uci()
plindervox.hello_world()
"""

# Each line is wrong; the text is part of what mypy must say about it.
BAD = [
    ('Board().get_pieces(1)',
     'Argument 1 to "get_pieces" of "Board" has incompatible type "int"; expected "str"'),
    ('Move("a", 2)', 'Argument 1 to "Move" has incompatible type "str"; expected "int"'),
    ('Board(starting_fen=3)', 'Argument "starting_fen" to "Board" has incompatible type "int"'),
    ('Board().set_pieces_or("Q")', 'Missing positional argument "bitboard" in call to "set_pieces_or"'),
    ('Board().apply_move(move=Move(1, 2))', 'Unexpected keyword argument "move" for "apply_move"'),
    ('Board().apply_move("e2e4")', 'Argument 1 to "apply_move" of "Board" has incompatible type "str"'),
    ('Board()._restore(Board())', 'Argument 1 to "_restore" of "Board" has incompatible type "Board"'),
    ('flag: str = Board().is_check()', 'Incompatible types in assignment (expression has type "bool"'),
    ('Board().turn = 1', 'Incompatible types in assignment (expression has type "int", variable has type "bool")'),
    ('Move(1, 2).promotion.upper()', 'Item "None" of'),
    ('Move(1, 2).colour = "w"', '"Move" has no attribute "colour"'),
    ('plindervox.hello_world(1)', 'Too many arguments for "hello_world"'),
    ('plindervox.BoardState', 'Module has no attribute "BoardState"'),
    ('class Derived(Board): pass', 'Cannot inherit from final class "Board"'),
]


@pytest.fixture(scope="module")
def mypy_errors(tmp_path_factory):
    """Runs mypy once over the examples and the two programs; errors by file and line."""
    where = tmp_path_factory.mktemp("typing")
    (where / "good.py").write_text(GOOD)
    (where / "bad.py").write_text("import plindervox\nfrom plindervox import Board, Move\n"
                                  + "".join(code + "\n" for code, _ in BAD))
    cache = ROOT / "build" / "mypy-cache" / sys.implementation.cache_tag
    out = subprocess.run(
        [sys.executable, "-m", "mypy", "--strict", "--no-error-summary", "--cache-dir", str(cache),
         "good.py", "bad.py", *map(str, EXAMPLES)],
        cwd=where, capture_output=True, text=True, timeout=time_limit(300))
    assert out.returncode in (0, 1), out.stdout + out.stderr
    errors = {}
    for line in out.stdout.splitlines():
        match = re.match(r"(.+?):(\d+): error: (.*)", line)
        assert match or ": note: " in line, line
        if match:
            errors.setdefault((Path(match[1]).name, int(match[2])), []).append(match[3])
    return errors


@pytest.mark.parametrize("program", ["good.py"] + [p.name for p in EXAMPLES])
def test_mypy_accepts_correct_programs(mypy_errors, program):
    assert {k: v for k, v in mypy_errors.items() if k[0] == program} == {}


@pytest.mark.parametrize("line, code, message",
                         [(i + 3, code, message) for i, (code, message) in enumerate(BAD)],
                         ids=[code for code, _ in BAD])
def test_mypy_reports_wrong_use(mypy_errors, line, code, message):
    found = mypy_errors.get(("bad.py", line), [])
    assert any(message in text for text in found), (code, found)
