"""Nothing leaks: every member, failure paths included, run many thousands of
times in a child process whose memory must stop growing.

The child runs each workload for a warm-up batch and a settling batch (the
JIT, the allocator and the garbage collector find their sizes), then for
MEASURED more batches, and reports two sizes after each, both after
gc.collect(): the resident size (/proc/self/statm) and the bytes malloc has
handed out and not had back (glibc's mallinfo2). A leak grows every batch;
settling grows a batch now and then in a single step. So most measured batches
must stay flat. The resident size is coarse: freed memory is reused before new
pages are touched, so small leaks show late. The malloc count is exact for
native memory and, under PyPy, for the extension's objects too.
"""
import ctypes
import functools
import gc
import json
import os
import subprocess
import sys

import pytest

from plindervox import Board, Move
from conftest import time_limit

START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
MIDGAME = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"
EMPTY = "8/8/8/8/8/8/8/8 w - - 0 1"
PROMOTION = "8/P7/8/8/8/8/8/k6K w - - 0 1"
GENERATORS = ["pawn_moves", "knight_moves", "king_moves", "bishop_moves", "rook_moves",
              "queen_moves", "pseudo_legal_moves"]
LONG_FEN = START + " " + "x" * 1000  # extra fields are ignored; a leaked copy shows
WARM_UP, BATCH, MEASURED = 1500, 2500, 4
# Growth of a flat batch: 10 leaked bytes per iteration would add 24 KB.
RESIDENT_FLAT_KB, MALLOC_FLAT_KB = 256, 16


def fails(fn, *args, **kwargs):
    """Calls fn and swallows the exception it must raise (PanicException included)."""
    try:
        fn(*args, **kwargs)
    except (KeyboardInterrupt, SystemExit, AssertionError):
        raise
    except BaseException:  # PanicException derives from BaseException
        return
    raise AssertionError(f"{fn!r}{args} did not fail")


class Index:
    """An integer whose conversion runs `action` first."""

    def __init__(self, action):
        self.action = action

    def __index__(self):
        self.action()
        return 0


board = Board(MIDGAME)
move = Move(12, 28, "q")


def move_fields():
    m = Move(1, 2)
    m.from_square, m.to_square, m.promotion = 12, 28, "q"
    m.promotion = None
    (m.from_square, m.to_square, m.promotion)
    fails(setattr, m, "from_square", -1)
    fails(setattr, m, "to_square", "e4")
    fails(setattr, m, "promotion", "qq")
    fails(delattr, m, "promotion")
    fails(setattr, m, "colour", 1)
    fails(getattr, m, "colour")


def turn():
    b = Board()
    b.turn = not b.turn
    fails(setattr, b, "turn", 1)
    fails(delattr, b, "turn")
    return b.turn


def set_pieces():
    b = Board(EMPTY)
    b.set_pieces_or("Q", 1 << 27)
    b.set_pieces_xor("q", 1 << 27)
    fails(b.set_pieces_or, "A", 1)
    fails(b.set_pieces_xor, "x", 1)
    fails(b.set_pieces_or, "Q", 2 ** 64)
    fails(b.set_pieces_xor, "Q")
    fails(b.set_pieces_or, piece_type="Q", mask=1)


def apply_and_pop():
    b = Board(PROMOTION)
    for m in b.legal_moves():
        b.apply_move(m)
        b.pop()
    fails(b.apply_move, Move(48, 56, "x"))     # refused, but recorded
    b.pop()
    fails(b.apply_move, Move(64, 0))
    b.pop()
    fails(b.apply_move, Move(20, 28))
    b.pop()
    fails(b.apply_move, 5)
    fails(b.apply_move, move=Move(48, 56))
    fails(b.pop)


def kept_values():
    """Texts and numbers handed out from the kept tables, and the fresh ones beside them."""
    for m in (Move(12, 28), Move(52, 60, "q"), Move(52, 60, "Q"), Move(300, 5), Move(1, 2, "\u00e9")):
        (m.uci(), str(m), repr(m), m.from_square, m.to_square, m.promotion)
    for value in (0, 63, 255, 256, 2 ** 32 - 1):
        Move(value, 0).from_square
    return [m.uci() for m in board.legal_moves()]


def constructor_routes():
    """Every way into the constructors, each with a success and a failure."""
    for cls, good, bad in ((Move, (12, 28), (12,)), (Board, (START,), (1,))):
        cls.__new__(cls, *good)
        cls(*list(good), **{})
        functools.partial(cls)(*good)
        type.__call__(cls, *good)
        fails(cls.__new__, cls, *bad)
        fails(cls, *list(bad), **{})
        fails(functools.partial(cls), *bad)
        fails(cls.__new__)
        fails(cls.__new__, int)
    Move(to_square=28, from_square=12, promotion="q")
    fails(Move, 1, 2, to_square=3)


WORKLOADS = {
    "kept values": kept_values,
    "constructor routes": constructor_routes,
    "Board()": lambda: (Board(), Board(LONG_FEN), Board(starting_fen=None),
                        fails(Board, "x" * 1000), fails(Board, "8/8/8/8/8/8/8/8/p w - - 0 1"),
                        fails(Board, "8/8/8/8/8/8/8/8 w - e9 0 1"), fails(Board, 5),
                        fails(Board, "a", "b"), fails(Board, fen=START), fails(Board, "\ud800")),
    "Move()": lambda: (Move(12, 28), Move(52, 60, "q"), Move(0, 2 ** 32 - 1, None),
                       fails(Move, -1, 2), fails(Move, 2 ** 40, 0), fails(Move, 1.5, 0),
                       fails(Move, 1, 2, "qq"), fails(Move, 1), fails(Move, 1, 2, x=3)),
    "Move fields": move_fields,
    "text": lambda: (str(board), repr(board), move.uci(), str(move), repr(move),
                     fails(Board.__str__, 5), fails(Move.__repr__, board)),
    "wrong class for __new__": lambda: (fails(Board.__new__, Move), fails(Move.__new__, Board, 1, 2),
                                        fails(Board.__new__, 5)),
    "turn": turn,
    "set_board": lambda: Board(LONG_FEN).set_board(),
    "get_pieces": lambda: (board.get_pieces("P"), board.get_pieces("a"), fails(board.get_pieces, "x"),
                           fails(board.get_pieces, 5), fails(board.get_pieces, "PQ"),
                           fails(board.get_pieces)),
    "set_pieces_or/xor": set_pieces,
    "generators": lambda: [getattr(board, name)() for name in GENERATORS],
    "legal_moves": lambda: (board.legal_moves(), board._castling_moves()),
    "_is_attacked": lambda: ([board._is_attacked(s) for s in (0, 27, 63, 200)],
                             fails(board._is_attacked, 256), fails(board._is_attacked, "1")),
    "game state": lambda: (board.is_check(), board.is_checkmate(), board.is_stalemate(),
                           board.is_game_over(), board._check_castling_rights()),
    "apply_move/pop": apply_and_pop,
    "_reset_half_move_clock": lambda: (board._reset_half_move_clock(1 << 12, 1 << 28),
                                       fails(board._reset_half_move_clock, -1, 0),
                                       fails(board._reset_half_move_clock, 1)),
    "_remove_castling_rights": lambda: (Board(START)._remove_castling_rights("k"),
                                        fails(Board(EMPTY)._remove_castling_rights, "q"),
                                        fails(board._remove_castling_rights, "x")),
    "_restore": lambda: (fails(board._restore, 5), fails(board._restore)),
    "no-argument members given one": lambda: [fails(getattr(board, name), 1) for name in GENERATORS],
    "re-entry": lambda: (fails(board._is_attacked, Index(board.legal_moves)),
                         fails(board._reset_half_move_clock, Index(board.set_board), 0),
                         fails(board.set_pieces_or, "Q", Index(lambda: str(board)))),
}


def malloc_in_use_kb():
    try:
        libc = ctypes.CDLL(None)
        info = libc.mallinfo2
    except (OSError, AttributeError):
        return None

    class MallInfo2(ctypes.Structure):
        _fields_ = [(name, ctypes.c_size_t) for name in (
            "arena", "ordblks", "smblks", "hblks", "hblkhd", "usmblks", "fsmblks",
            "uordblks", "fordblks", "keepcost")]

    info.restype = MallInfo2
    used = info()
    return (used.uordblks + used.hblkhd) // 1024


def sizes_kb():
    gc.collect()
    gc.collect()
    with open("/proc/self/statm") as statm:
        resident = int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") // 1024
    return resident, malloc_in_use_kb()


def measure(name):
    """(resident, malloc in use) in KB after the settling batch and each measured one."""
    work = WORKLOADS[name]
    for _ in range(WARM_UP):
        work()
    sizes = []
    for _ in range(1 + MEASURED):
        for _ in range(BATCH):
            work()
        sizes.append(sizes_kb())
    return sizes


@pytest.fixture(scope="module")
def sizes():
    # stderr takes the core's diagnostic line for every PanicException.
    out = subprocess.run([sys.executable, __file__], stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, timeout=time_limit(300), check=True)
    return json.loads(out.stdout)


def flat_batches(sizes, which, flat_kb):
    series = [pair[which] for pair in sizes]
    if None in series:
        pytest.skip("no mallinfo2 in this C library")
    flat = sum(after - before <= flat_kb for before, after in zip(series, series[1:]))
    return flat, series


needs_proc = pytest.mark.skipif(not os.path.exists("/proc/self/statm"), reason="needs /proc")


@needs_proc
@pytest.mark.parametrize("name", WORKLOADS)
def test_resident_memory_stops_growing(sizes, name):
    flat, series = flat_batches(sizes[name], 0, RESIDENT_FLAT_KB)
    assert flat * 2 >= MEASURED, f"resident KB after each batch: {series}"


@needs_proc
@pytest.mark.parametrize("name", WORKLOADS)
def test_malloc_in_use_stops_growing(sizes, name):
    flat, series = flat_batches(sizes[name], 1, MALLOC_FLAT_KB)
    assert flat * 2 >= MEASURED, f"KB in use after each batch: {series}"


if __name__ == "__main__":
    print(json.dumps({name: measure(name) for name in WORKLOADS}))
