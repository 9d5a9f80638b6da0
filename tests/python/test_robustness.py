"""Bad input of every kind: each member of Board and Move called with wrong
types, counts, keywords and receivers, with values out of range, and with
objects that re-enter the board while it is held. Each raises the documented
exception and leaves the object as it was and usable."""
import pytest

from plindervox import Board, Move
from conftest import CASTLE, EMPTY, START, panic, snapshot, uci


def still_usable(board, before):
    assert snapshot(board) == before
    first = board.legal_moves()[0]
    board.apply_move(first)
    assert board.pop().uci() == first.uci()
    assert snapshot(board) == before


NO_ARGUMENTS = ["set_board", "pawn_moves", "knight_moves", "king_moves", "bishop_moves",
                "rook_moves", "queen_moves", "pseudo_legal_moves", "legal_moves",
                "_castling_moves", "is_check", "is_checkmate", "is_stalemate",
                "is_game_over", "_check_castling_rights", "pop"]


@pytest.mark.parametrize("name", NO_ARGUMENTS + ["__str__", "__repr__", "Move.uci", "Move.__str__"])
@pytest.mark.parametrize("args, kwargs", [((1,), {}), ((), {"x": 1}), ((None, None), {})],
                         ids=["positional", "keyword", "two"])
def test_members_without_parameters_refuse_arguments(name, args, kwargs):
    board, move = Board(CASTLE), Move(12, 28)
    before = snapshot(board)
    owner = move if name.startswith("Move.") else board
    with pytest.raises(TypeError):
        getattr(owner, name.replace("Move.", ""))(*args, **kwargs)
    assert move.uci() == "e2e4"
    still_usable(board, before)


m = Move(12, 28)
# Member, then calls that get the count or the keywords wrong.
WITH_ARGUMENTS = {
    "get_pieces": [(), ("P", "Q"), {"type": "P"}, {"piece_type": "P", "x": 1}],
    "set_pieces_or": [("Q",), ("Q", 1, 2), {"piece_type": "Q", "mask": 1},
                      {"bitboard": 1}],
    "set_pieces_xor": [(), ("Q", 1, 2), {"piece_type": "Q", "bit_board": 1},
                       {"piece_type": "Q"}],
    "_is_attacked": [(), (1, 2), {"sq": 1}, {"square": 1, "x": 2}],
    "_reset_half_move_clock": [(1,), (1, 2, 3), {"from_mask": 1, "to": 2},
                               {"to_mask": 2}],
    "_remove_castling_rights": [(), ("k", "q"), {"ID": "k"}, {"id": "k", "id2": "q"}],
    "apply_move": [(), (m, m), {"move": m}, {"mov": m, "x": 1}],
    "_restore": [(), (1, 2), {"state": 1}],
}
CALLS = [(name, call) for name, calls in WITH_ARGUMENTS.items() for call in calls]


def split(call):
    return ((), call) if isinstance(call, dict) else (call, {})


@pytest.mark.parametrize("name, call", CALLS, ids=[f"{n}-{i}" for i, (n, _) in enumerate(CALLS)])
def test_wrong_argument_counts_and_keywords_raise_type_error(name, call):
    board = Board(CASTLE)
    before = snapshot(board)
    args, kwargs = split(call)
    with pytest.raises(TypeError):
        getattr(board, name)(*args, **kwargs)
    still_usable(board, before)


@pytest.mark.parametrize("args, kwargs", [
    ((1,), {}), ((), {"to_square": 1}), ((1, 2, None, 4), {}), ((1, 2), {"from": 1}),
    ((1,), {"from_square": 1, "to_square": 2}), ((), {"promotion": "q"}),
])
def test_move_constructor_argument_mistakes_raise_type_error(args, kwargs):
    with pytest.raises(TypeError):
        Move(*args, **kwargs)


@pytest.mark.parametrize("value", [5, None, "e2e4", (12, 28), Board()],
                         ids=["int", "None", "str", "tuple", "Board"])
def test_apply_move_takes_only_moves(value):
    board = Board()
    before = snapshot(board)
    with pytest.raises(TypeError) as info:
        board.apply_move(value)
    assert str(info.value) == (f"argument 'mov': '{type(value).__name__}' object "
                               "cannot be converted to 'Move'")
    still_usable(board, before)


# Unbound calls with the wrong object: the interpreter's own check, or ours
# where PyPy's wrapper makes none (__new__, __str__, __repr__).
WRONG_RECEIVERS = {
    "Board.__new__(Move)": lambda: Board.__new__(Move),
    "Board.__new__(int)": lambda: Board.__new__(int),
    "Board.__new__(5)": lambda: Board.__new__(5),
    "Move.__new__(Board)": lambda: Move.__new__(Board, 1, 2),
    "Move.__new__(str)": lambda: Move.__new__(str, 1, 2),
    "Board.__str__(5)": lambda: Board.__str__(5),
    "Board.__repr__(Move)": lambda: Board.__repr__(Move(1, 2)),
    "Move.__str__(Board)": lambda: Move.__str__(Board()),
    "Move.__repr__(None)": lambda: Move.__repr__(None),
    "Board.legal_moves(Move)": lambda: Board.legal_moves(Move(1, 2)),
    "Board.get_pieces(Move)": lambda: Board.get_pieces(Move(1, 2), "P"),
    "Move.uci(Board)": lambda: Move.uci(Board()),
    "Board.turn get": lambda: Board.turn.__get__(Move(1, 2)),
    "Move.from_square set": lambda: Move.from_square.__set__(Board(), 3),
}


@pytest.mark.parametrize("call", WRONG_RECEIVERS.values(), ids=WRONG_RECEIVERS)
def test_members_called_on_the_wrong_object_raise_type_error(call):
    with pytest.raises(TypeError):
        call()
    assert str(Board()) == str(Board(START)) and Move(12, 28).uci() == "e2e4"


@pytest.mark.parametrize("call", [
    lambda: Board.__new__(Board, EMPTY), lambda: Board.__new__(Board),
    lambda: Move.__new__(Move, 12, 28, "q"),
], ids=["Board", "Board-default", "Move"])
def test_new_called_with_its_own_class_still_constructs(call):
    made = call()
    assert str(made) in (str(Board(EMPTY)), str(Board()), "e2e4q")


# Strings the core never sees: a lone surrogate has no UTF-8 form.
SURROGATE_CALLS = {
    "starting_fen": lambda b, s: Board(s),
    "get_pieces": lambda b, s: b.get_pieces(s),
    "set_pieces_or": lambda b, s: b.set_pieces_or(s, 1),
    "set_pieces_xor": lambda b, s: b.set_pieces_xor(s, 1),
    "_remove_castling_rights": lambda b, s: b._remove_castling_rights(s),
    "Move promotion": lambda b, s: Move(0, 1, s),
    "promotion setter": lambda b, s: setattr(m, "promotion", s),
}


@pytest.mark.parametrize("call", SURROGATE_CALLS.values(), ids=SURROGATE_CALLS)
def test_strings_with_lone_surrogates_raise_unicode_encode_error(call):
    board = Board(CASTLE)
    before, text = snapshot(board), m.uci()
    with pytest.raises(UnicodeEncodeError):
        call(board, "\ud800")
    assert m.uci() == text
    still_usable(board, before)


class Hook:
    """An integer-like object whose conversion runs `action`."""

    def __init__(self, action, value=0):
        self.action, self.value = action, value

    def __index__(self):
        self.action()
        return self.value


def _fail():
    raise ZeroDivisionError("from __index__")


INTEGER_CALLS = {
    "Move from_square": lambda b, v: Move(v, 0),
    "Move to_square": lambda b, v: Move(0, v),
    "from_square setter": lambda b, v: setattr(m, "from_square", v),
    "to_square setter": lambda b, v: setattr(m, "to_square", v),
    "set_pieces_or": lambda b, v: b.set_pieces_or("Q", v),
    "set_pieces_xor": lambda b, v: b.set_pieces_xor("Q", v),
    "_is_attacked": lambda b, v: b._is_attacked(v),
    "from_mask": lambda b, v: b._reset_half_move_clock(v, 0),
    "to_mask": lambda b, v: b._reset_half_move_clock(0, v),
}


@pytest.mark.parametrize("call", INTEGER_CALLS.values(), ids=INTEGER_CALLS)
@pytest.mark.parametrize("value, error", [
    (Hook(_fail), ZeroDivisionError), (type("Str", (), {"__index__": lambda s: "1"})(), TypeError),
    (2 ** 64, OverflowError), (-(2 ** 64), OverflowError), (1.0, TypeError), ("1", TypeError),
], ids=["raises", "non-int", "2**64", "-2**64", "float", "str"])
def test_integer_parameters_pass_conversion_errors_through(call, value, error):
    board = Board(CASTLE)
    before, text = snapshot(board), m.uci()
    with pytest.raises(error):
        call(board, value)
    assert m.uci() == text
    still_usable(board, before)


# Re-entry during the integer members the borrowing tests do not already cover.
OUTER = {  # member, whether it holds the board exclusively
    "set_pieces_or": (lambda b, h: b.set_pieces_or("Q", h), True),
    "set_pieces_xor": (lambda b, h: b.set_pieces_xor("Q", h), True),
    "to_mask": (lambda b, h: b._reset_half_move_clock(0, h), False),
}
INNER = {  # member run from inside, whether it needs the board exclusively
    "get_pieces": (lambda b: b.get_pieces("Q"), False),
    "str": (str, False),
    "turn": (lambda b: b.turn, False),
    "legal_moves": (lambda b: b.legal_moves(), True),
    "pop": (lambda b: b.pop(), True),
    "set_pieces_xor": (lambda b: b.set_pieces_xor("Q", 1), True),
    "turn setter": (lambda b: setattr(b, "turn", False), True),
}


@pytest.mark.parametrize("outer", OUTER, ids=OUTER)
@pytest.mark.parametrize("inner", INNER, ids=INNER)
def test_reentry_through_every_integer_parameter(outer, inner):
    call, outer_exclusive = OUTER[outer]
    action, inner_exclusive = INNER[inner]
    board = Board(CASTLE)
    board.apply_move(Move(4, 5))  # something for pop to take back
    before = snapshot(board)
    seen = []
    hook = Hook(lambda: seen.append(action(board)))
    if outer_exclusive or inner_exclusive:
        with pytest.raises(RuntimeError) as info:
            call(board, hook)
        expected = "Already borrowed" if inner_exclusive else "Already mutably borrowed"
        assert str(info.value) == expected and seen == []
    else:
        assert call(board, hook) is False and len(seen) == 1
    still_usable(board, before)


def numpy_like_bool(bool_method):
    """An object that passes for a NumPy bool: the module and name match."""
    namespace = {"__module__": "numpy"}
    if bool_method is not None:
        namespace["__bool__"] = bool_method
    return type("bool_", (), namespace)()


@pytest.mark.parametrize("bool_method, error", [
    (lambda s: 1, TypeError), (None, TypeError), (lambda s: _fail(), ZeroDivisionError),
], ids=["returns-int", "no-__bool__", "raises"])
def test_turn_setter_refuses_bad_boolean_like_values(bool_method, error):
    board = Board()
    before = snapshot(board)
    with pytest.raises(error):
        board.turn = numpy_like_bool(bool_method)
    still_usable(board, before)


def test_turn_setter_converts_before_holding_the_board():
    board = Board()
    seen = []
    board.turn = numpy_like_bool(lambda s: seen.append(len(board.legal_moves())) or False)
    assert seen == [20] and board.turn is False


@pytest.mark.parametrize("make", [Board, lambda: Move(12, 28)], ids=["Board", "Move"])
@pytest.mark.parametrize("mistake", [
    lambda o: o.colour, lambda o: setattr(o, "colour", 1), lambda o: delattr(o, "colour"),
    lambda o: setattr(o, "__dict__", {}),
], ids=["get", "set", "del", "set-__dict__"])
def test_attribute_mistakes_raise_attribute_error(make, mistake):
    obj = make()
    text = str(obj)
    with pytest.raises(AttributeError):
        mistake(obj)
    assert str(obj) == text


# Behaviour chosen for input the rules leave open.
@pytest.mark.parametrize("field", ["", "e", "\u00e9", "e9", "e0", "ex"])
def test_en_passant_field_without_rank_digit_panics_naming_it(field):
    fen = f"4k3/8/8/8/8/8/8/4K3 w - {field} 0 1"
    assert str(panic(Board, fen)) == f"Invalid en passant square: {field}"


@pytest.mark.parametrize("side", ["w", "b"])
@pytest.mark.parametrize("id", ["k", "q"])
def test_removing_a_right_from_absent_castling_text_panics(side, id):
    board = Board(f"r3k2r/8/8/8/8/8/8/R3K2R {side} - - 0 1")
    before = snapshot(board)
    assert str(panic(board._remove_castling_rights, id)) == (
        "Invalid castling rights: there are no castling rights to remove")
    assert snapshot(board) == before


@pytest.mark.parametrize("fen", [EMPTY, "8/8/8/8/8/8/8/q6k w - - 0 1", "7K/8/8/8/8/8/8/7Q b - - 0 1"])
def test_side_without_king_has_no_king_moves_and_is_never_in_check(fen):
    board = Board(fen)
    assert board.king_moves() == [] and board.is_check() is False
    assert uci(board.legal_moves()) == uci(board.pseudo_legal_moves())
