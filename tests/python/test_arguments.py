"""How arguments are matched to parameters and converted to core types."""
import operator

import pytest

from plindervox import Board, Move
from conftest import CASTLE, EMPTY, START, snapshot, uci

b = Board()
m = Move(12, 28)

ARITY_ERRORS = [
    (lambda: Move(1),
     "Move.__new__() missing 1 required positional argument: 'to_square'"),
    (lambda: Move(),
     "Move.__new__() missing 2 required positional arguments: "
     "'from_square' and 'to_square'"),
    (lambda: Move(1, 2, "q", 4),
     "Move.__new__() takes from 2 to 3 positional arguments but 4 were given"),
    (lambda: Move(1, 2, from_square=1),
     "Move.__new__() got multiple values for argument 'from_square'"),
    (lambda: Move(x=1),
     "Move.__new__() got an unexpected keyword argument 'x'"),
    (lambda: Board("a", "b"),
     "Board.__new__() takes from 0 to 1 positional arguments but 2 were given"),
    (lambda: Board(None, starting_fen=None),
     "Board.__new__() got multiple values for argument 'starting_fen'"),
    (lambda: b.get_pieces("P", "Q"),
     "Board.get_pieces() takes 1 positional arguments but 2 were given"),
    (lambda: b.get_pieces(),
     "Board.get_pieces() missing 1 required positional argument: 'piece_type'"),
    (lambda: b.apply_move(m, mov=m),
     "Board.apply_move() got multiple values for argument 'mov'"),
    (lambda: b.apply_move(move=m),
     "Board.apply_move() got an unexpected keyword argument 'move'"),
    (lambda: b.set_pieces_or(),
     "Board.set_pieces_or() missing 2 required positional arguments: "
     "'piece_type' and 'bitboard'"),
    (lambda: b.set_pieces_xor("P"),
     "Board.set_pieces_xor() missing 1 required positional argument: 'bitboard'"),
    (lambda: b._reset_half_move_clock(1, 2, 3),
     "Board._reset_half_move_clock() takes 2 positional arguments but 3 were given"),
    (lambda: b._restore(),
     "Board._restore() missing 1 required positional argument: 'board_state'"),
    (lambda: b._restore(5),
     "argument 'board_state': 'int' object cannot be converted to 'BoardState'"),
]


@pytest.mark.parametrize("call, message", ARITY_ERRORS)
def test_mismatched_arguments_raise_type_error_with_python_wording(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


def on(fen, name):
    def call(*args, **kwargs):
        board = Board(fen)
        return getattr(board, name)(*args, **kwargs), snapshot(board)
    return call


KEYWORDS = [
    ("Move", lambda *a, **k: Move(*a, **k).uci(),
     (12, 28, "q"), dict(from_square=12, to_square=28, promotion="q")),
    ("Board", lambda *a, **k: str(Board(*a, **k)), (EMPTY,), dict(starting_fen=EMPTY)),
    ("get_pieces", on(START, "get_pieces"), ("N",), dict(piece_type="N")),
    ("set_pieces_or", on(START, "set_pieces_or"), ("Q", 1 << 27),
     dict(piece_type="Q", bitboard=1 << 27)),
    ("set_pieces_xor", on(START, "set_pieces_xor"), ("P", 1 << 12),
     dict(piece_type="P", bitboard=1 << 12)),
    ("_is_attacked", on(START, "_is_attacked"), (42,), dict(square=42)),
    ("_reset_half_move_clock", on(START, "_reset_half_move_clock"),
     (1 << 12, 1 << 28), dict(from_mask=1 << 12, to_mask=1 << 28)),
    ("_remove_castling_rights", on(CASTLE, "_remove_castling_rights"), ("k",), dict(id="k")),
    ("apply_move", on(START, "apply_move"), (Move(12, 28),), dict(mov=Move(12, 28))),
]


@pytest.mark.parametrize("call, args, kwargs", [c[1:] for c in KEYWORDS],
                         ids=[c[0] for c in KEYWORDS])
def test_every_parameter_can_be_passed_by_keyword(call, args, kwargs):
    assert call(**kwargs) == call(*args)


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


def stored(op):
    def call(value):
        board = Board(EMPTY)
        getattr(board, op)("Q", value)
        return board.get_pieces("Q")
    return call


INTS = [  # parameter, call, width in bits, whether the call echoes the value
    ("from_square", lambda v: Move(v, 0).from_square, 32, True),
    ("to_square", lambda v: Move(0, v).to_square, 32, True),
    ("square", lambda v: Board(EMPTY)._is_attacked(v), 8, False),
    ("bitboard", stored("set_pieces_or"), 64, True),
    ("bitboard", stored("set_pieces_xor"), 64, True),
    ("from_mask", lambda v: Board()._reset_half_move_clock(v, 0), 64, False),
    ("to_mask", lambda v: Board()._reset_half_move_clock(0, v), 64, False),
]
INT_IDS = ["Move.from", "Move.to", "_is_attacked", "or", "xor", "from_mask", "to_mask"]
RANGE_TEXT = "out of range integral type conversion attempted"


@pytest.mark.parametrize("param, call, width, echoes", INTS, ids=INT_IDS)
@pytest.mark.parametrize("make", [lambda w: 0, lambda w: True, lambda w: Index(5),
                                  lambda w: 2 ** w - 1, lambda w: Index(2 ** w - 1)],
                         ids=["0", "True", "index", "max", "index-max"])
def test_integer_parameters_accept_their_unsigned_range(param, call, width, echoes, make):
    value = make(width)
    result = call(value)
    assert result == operator.index(value) if echoes else result in (True, False)


# Beyond the C long range the host's own overflow text is used instead.
@pytest.mark.parametrize("param, call, width, echoes", INTS, ids=INT_IDS)
@pytest.mark.parametrize("make", [lambda w: -1, lambda w: 2 ** w, lambda w: Index(-1),
                                  lambda w: 2 ** (w + 40), lambda w: -(2 ** 70)],
                         ids=["-1", "max+1", "index-1", "huge", "-huge"])
def test_integer_parameters_outside_range_raise_overflow(param, call, width, echoes, make):
    value = make(width)
    with pytest.raises(OverflowError) as info:
        call(value)
    if width < 64 and -(2 ** 63) <= operator.index(value) < 2 ** 63:
        assert str(info.value) == RANGE_TEXT


@pytest.mark.parametrize("param, call, width, echoes", INTS, ids=INT_IDS)
@pytest.mark.parametrize("value", [1.0, "1", None, [1]])
def test_non_integers_raise_type_error_naming_parameter(param, call, width, echoes, value):
    with pytest.raises(TypeError) as info:
        call(value)
    assert str(info.value).startswith(f"argument '{param}': ")


@pytest.mark.parametrize("flag, same_as", [(True, 1), (False, 0)])
def test_is_attacked_treats_bools_as_squares_0_and_1(flag, same_as):
    # A black knight on c3 covers b1 (square 1) but not a1 (square 0).
    board = Board("7k/8/8/8/8/2n5/8/7K w - - 0 1")
    assert board._is_attacked(0) is False and board._is_attacked(1) is True
    assert board._is_attacked(flag) is board._is_attacked(same_as)


CHAR_CALLS = [
    ("get_pieces", "piece_type", lambda v: Board().get_pieces(v)),
    ("set_pieces_or", "piece_type", lambda v: Board().set_pieces_or(v, 1)),
    ("set_pieces_xor", "piece_type", lambda v: Board().set_pieces_xor(v, 1)),
    ("_remove_castling_rights", "id", lambda v: Board()._remove_castling_rights(v)),
    ("Move", "promotion", lambda v: Move(0, 1, v)),
]


@pytest.mark.parametrize("name, call", [c[1:] for c in CHAR_CALLS],
                         ids=[c[0] for c in CHAR_CALLS])
@pytest.mark.parametrize("value, error, message", [
    (1, TypeError, "'int' object cannot be converted to 'PyString'"),
    (b"P", TypeError, "'bytes' object cannot be converted to 'PyString'"),
    ("", ValueError, "expected a string of length 1"),
    ("PQ", ValueError, "expected a string of length 1"),
    ("\u00e9\u00e9", ValueError, "expected a string of length 1"),
])
def test_character_arguments_need_a_one_character_str(name, call, value, error, message):
    with pytest.raises(error) as info:
        call(value)
    prefix = f"argument '{name}': " if error is TypeError else ""
    assert str(info.value) == prefix + message


def _set_turn(value):
    Board().turn = value


@pytest.mark.parametrize("call, param, target", [
    (_set_turn, "turn", "PyBool"),
    (Board, "starting_fen", "PyString"),
    (lambda v: Board(starting_fen=v), "starting_fen", "PyString"),
])
@pytest.mark.parametrize("value", [1, 0, 3.5, b"8/8", ["x"], Index(1)])
def test_wrong_type_for_bool_or_str_parameter_names_it(call, param, target, value):
    with pytest.raises(TypeError) as info:
        call(value)
    assert str(info.value) == (f"argument '{param}': '{type(value).__name__}' "
                               f"object cannot be converted to '{target}'")


@pytest.mark.parametrize("value", [True, False])
def test_turn_accepts_true_and_false(value):
    board = Board()
    board.turn = value
    assert board.turn is value
    assert uci(board.legal_moves())[0] == ("h2h3" if value else "h7h6")
