"""Re-entering a board from Python code that runs while a member holds it."""
import pytest

from plindervox import Board, Move
from conftest import snapshot


class CallsBack:
    """An integer whose conversion runs `action` first and records the result."""

    def __init__(self, action, value=0):
        self.action, self.value = action, value
        self.result = self.error = None

    def __index__(self):
        try:
            self.result = self.action()
        except RuntimeError as exc:
            self.error = exc
            raise
        return self.value


def _set_turn(board):
    board.turn = True


SHARED = [
    ("get_pieces", lambda b: b.get_pieces("P")),
    ("str", str),
    ("repr", repr),
    ("turn", lambda b: b.turn),
]
EXCLUSIVE = [
    ("legal_moves", lambda b: b.legal_moves()),
    ("apply_move+pop", lambda b: (b.apply_move(Move(12, 28)), b.pop().uci())),
    ("set_board", lambda b: b.set_board()),
    ("set_pieces_or", lambda b: b.set_pieces_or("Q", 1 << 27)),
    ("turn setter", _set_turn),
]
INNER = ([(n, f, "Already mutably borrowed") for n, f in SHARED]
         + [(n, f, "Already borrowed") for n, f in EXCLUSIVE])


@pytest.mark.parametrize("inner, message", [c[1:] for c in INNER],
                         ids=[c[0] for c in INNER])
def test_reentry_during_exclusive_call_raises_runtime_error(inner, message):
    board = Board()
    before = snapshot(board)
    hook = CallsBack(lambda: inner(board))
    with pytest.raises(RuntimeError) as info:
        board._is_attacked(hook)
    assert str(info.value) == message
    assert str(hook.error) == message
    assert snapshot(board) == before
    board.apply_move(Move(12, 28))
    assert board.pop().uci() == "e2e4"


@pytest.mark.parametrize("inner", [c[1] for c in SHARED], ids=[c[0] for c in SHARED])
def test_shared_member_runs_inside_shared_call(inner):
    board = Board()
    hook = CallsBack(lambda: inner(board), value=1 << 12)
    assert board._reset_half_move_clock(hook, 1 << 28) is True
    assert hook.error is None
    assert hook.result == inner(Board())


@pytest.mark.parametrize("inner", [c[1] for c in EXCLUSIVE], ids=[c[0] for c in EXCLUSIVE])
def test_exclusive_member_fails_inside_shared_call(inner):
    board = Board()
    before = snapshot(board)
    hook = CallsBack(lambda: inner(board))
    with pytest.raises(RuntimeError) as info:
        board._reset_half_move_clock(hook, 0)
    assert str(info.value) == "Already borrowed"
    assert snapshot(board) == before


@pytest.mark.parametrize("field, reads", [
    ("to_square", "from_square"),
    ("from_square", "to_square"),
    ("to_square", "to_square"),
])
def test_move_setter_converts_value_before_touching_the_move(field, reads):
    move = Move(12, 28)
    hook = CallsBack(lambda: getattr(move, reads))
    hook.value = 5
    setattr(move, field, hook)
    assert hook.error is None
    assert hook.result == {"from_square": 12, "to_square": 28}[reads]
    assert getattr(move, field) == 5


def test_move_is_read_written_and_played_inside_its_own_setters_conversion():
    move, board = Move(12, 28), Board()

    def inner():
        move.to_square = 36
        texts = (move.uci(), str(move), repr(move))
        board.apply_move(move)
        return texts + (board.pop().uci(),)

    hook = CallsBack(inner, value=20)
    move.from_square = hook
    assert hook.error is None
    assert hook.result == ("e2e5", "e2e5", "e2e5", "e2e5")
    assert (move.from_square, move.to_square, move.uci()) == (20, 36, "e3e5")
