"""Results handed out again and the fast ways into the constructors.

Move texts, promotion letters and small square numbers come from tables made
once per process, and the classes can be called through several routes (the
class's vector call, __new__, the new-object slot with an argument tuple).
Whatever the route or the table, every value and every message must be what
the plain conversion gives."""
import functools
import gc
import itertools

import pytest

from plindervox import Board, Move

FILES = "abcdefgh"


def square_text(square):
    low = square % 256
    return f"{FILES[low % 8]}{low // 8 + 1}"


def expected_uci(from_square, to_square, promotion):
    return square_text(from_square) + square_text(to_square) + (promotion or "")


# Kept promotions, letters the generators never make, and non-ASCII ones.
PROMOTIONS = [None, "q", "r", "n", "b", "Q", "k", "x", "é", "♛", "\U0001F600"]


@pytest.mark.parametrize("promotion", PROMOTIONS)
def test_uci_text_of_every_on_board_move(promotion):
    for from_square, to_square in itertools.product(range(64), repeat=2):
        move = Move(from_square, to_square, promotion)
        text = expected_uci(from_square, to_square, promotion)
        # twice: the first call may make the kept text, the second hands it out
        assert (move.uci(), move.uci(), str(move), repr(move)) == (text,) * 4


@pytest.mark.parametrize("from_square, to_square", [
    (64, 0), (0, 64), (255, 63), (256, 7), (63, 256), (4294967295, 4294967295),
])
@pytest.mark.parametrize("promotion", [None, "q", "é"])
def test_uci_text_of_moves_off_the_board(from_square, to_square, promotion):
    move = Move(from_square, to_square, promotion)
    assert move.uci() == str(move) == expected_uci(from_square, to_square, promotion)


def test_text_follows_every_change_of_the_fields():
    move = Move(12, 28)
    texts = []
    for field, value in [("promotion", "q"), ("to_square", 60), ("promotion", None), ("from_square", 300),
                         ("from_square", 52), ("promotion", "n"), ("promotion", "\u00e9")]:
        setattr(move, field, value)
        texts.append(move.uci())
    assert texts == ["e2e4q", "e2e8q", "e2e8", "e6e8", "e7e8", "e7e8n", "e7e8\u00e9"]


@pytest.mark.parametrize("value", [0, 1, 63, 64, 255, 256, 257, 65535, 2**31 - 1, 2**31, 2**32 - 1])
def test_square_properties_read_back_any_32_bit_value(value):
    move = Move(value, value)
    assert (move.from_square, move.to_square) == (value, value)
    assert type(move.from_square) is int


@pytest.mark.parametrize("letter", ["q", "Q", "a", "0", " ", "\x7f", "\x80", "é", "♛", "\U0001F600"])
def test_promotion_property_reads_back_the_letter(letter):
    first = Move(52, 60, letter)
    second = Move(52, 60)
    second.promotion = letter
    assert first.promotion == second.promotion == letter
    assert type(first.promotion) is str


def test_texts_outlive_their_moves_and_boards():
    board = Board()
    moves = board.legal_moves()
    texts = [m.uci() for m in moves] + [str(m) for m in moves]
    del board, moves
    gc.collect()
    for _ in range(3):  # new moves of the same squares hand the same texts out again
        assert [m.uci() for m in Board().legal_moves()] * 2 == texts
    assert texts[:3] == ["h2h3", "g2g3", "f2f3"]


def routes(cls):
    """Every route into the class's constructor."""
    return {
        "call": lambda *a, **k: cls(*a, **k),
        "star-args": lambda *a, **k: cls(*list(a), **dict(k)),
        "__new__": lambda *a, **k: cls.__new__(cls, *a, **k),
        "type.__call__": lambda *a, **k: type.__call__(cls, *a, **k),
        "partial": lambda *a, **k: functools.partial(cls)(*a, **k),
    }


MOVE_ROUTES = routes(Move)
BOARD_ROUTES = routes(Board)

MOVE_CALLS = [
    ((12, 28), {}, "e2e4"),
    ((52, 60, "q"), {}, "e7e8q"),
    ((52, 60, None), {}, "e7e8"),
    ((), {"to_square": 28, "from_square": 12}, "e2e4"),
    ((12,), {"to_square": 28, "promotion": "r"}, "e2e4r"),
    ((True, 2), {}, "b1c1"),
]

MOVE_FAILURES = [
    ((1,), {}, TypeError, "Move.__new__() missing 1 required positional argument: 'to_square'"),
    ((), {}, TypeError, "Move.__new__() missing 2 required positional arguments: 'from_square' and 'to_square'"),
    ((1, 2, "q", 4), {}, TypeError, "Move.__new__() takes from 2 to 3 positional arguments but 4 were given"),
    ((1, 2), {"from_square": 1}, TypeError, "Move.__new__() got multiple values for argument 'from_square'"),
    ((1, 2), {"x": 1}, TypeError, "Move.__new__() got an unexpected keyword argument 'x'"),
    ((-1, 2), {}, OverflowError, "out of range integral type conversion attempted"),
    ((1, 2**32), {}, OverflowError, "out of range integral type conversion attempted"),
    ((1, 2, "qq"), {}, ValueError, "expected a string of length 1"),
    ((1, 2, 5), {}, TypeError, "argument 'promotion': 'int' object cannot be converted to 'PyString'"),
    (("a", 2), {}, TypeError, None),  # the interpreter's own text after the argument prefix
]

BOARD_FAILURES = [
    (("a", "b"), {}, TypeError, "Board.__new__() takes from 0 to 1 positional arguments but 2 were given"),
    ((None,), {"starting_fen": None}, TypeError, "Board.__new__() got multiple values for argument 'starting_fen'"),
    ((), {"fen": "x"}, TypeError, "Board.__new__() got an unexpected keyword argument 'fen'"),
    ((3,), {}, TypeError, "argument 'starting_fen': 'int' object cannot be converted to 'PyString'"),
]


@pytest.mark.parametrize("route", MOVE_ROUTES)
@pytest.mark.parametrize("args, kwargs, text", MOVE_CALLS)
def test_every_route_into_move_builds_the_same_move(route, args, kwargs, text):
    move = MOVE_ROUTES[route](*args, **kwargs)
    assert type(move) is Move
    assert move.uci() == text


@pytest.mark.parametrize("route", MOVE_ROUTES)
@pytest.mark.parametrize("args, kwargs, error, message", MOVE_FAILURES)
def test_every_route_into_move_fails_alike(route, args, kwargs, error, message):
    with pytest.raises(error) as info:
        MOVE_ROUTES[route](*args, **kwargs)
    assert type(info.value) is error
    if message is None:
        assert str(info.value).startswith("argument 'from_square': ")
    else:
        assert str(info.value) == message


@pytest.mark.parametrize("route", BOARD_ROUTES)
@pytest.mark.parametrize("args, kwargs", [((), {}), ((None,), {}), (("8/8/8/8/8/8/8/K6k b - - 0 1",), {}),
                                          ((), {"starting_fen": "8/8/8/8/8/8/8/K6k b - - 0 1"})])
def test_every_route_into_board_builds_the_same_board(route, args, kwargs):
    board = BOARD_ROUTES[route](*args, **kwargs)
    expected = Board(*args, **kwargs)
    assert type(board) is Board
    assert (str(board), board.turn, len(board.legal_moves())) == (str(expected), expected.turn,
                                                                    len(expected.legal_moves()))


@pytest.mark.parametrize("route", BOARD_ROUTES)
@pytest.mark.parametrize("args, kwargs, error, message", BOARD_FAILURES)
def test_every_route_into_board_fails_alike(route, args, kwargs, error, message):
    with pytest.raises(error) as info:
        BOARD_ROUTES[route](*args, **kwargs)
    assert str(info.value) == message


@pytest.mark.parametrize("cls, args", [(Move, (1, 2)), (Board, ())])
@pytest.mark.parametrize("receiver", [int, "x", None, Board, Move])
def test_new_refuses_a_foreign_class(cls, args, receiver):
    if receiver is cls:
        assert type(cls.__new__(receiver, *args)) is cls
        return
    with pytest.raises(TypeError):
        cls.__new__(receiver, *args)


@pytest.mark.parametrize("cls", [Move, Board])
def test_new_without_a_class_is_a_type_error(cls):
    with pytest.raises(TypeError):
        cls.__new__()


@pytest.mark.parametrize("make, field, value", [
    (lambda: Move(12, 28), "from_square", 52),
    (lambda: Move(12, 28), "to_square", 60),
    (lambda: Move(12, 28), "promotion", "q"),
    (lambda: Board(), "turn", False),
])
def test_property_set_by_a_name_built_at_run_time(make, field, value):
    # A name made at run time is a str of its own, not the interned one.
    built = "".join(list(field))
    by_literal, by_built = make(), make()
    setattr(by_literal, field, value)
    setattr(by_built, built, value)
    assert getattr(by_built, field) == getattr(by_literal, field) == value
    with pytest.raises(AttributeError) as info:
        setattr(by_built, "".join(list(field + "x")), value)
    assert str(info.value) == f"'{type(by_built).__name__}' object has no attribute '{field}x'"
