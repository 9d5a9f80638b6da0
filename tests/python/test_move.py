"""Move objects: fields, text form and identity."""
import pytest

from plindervox import Board, Move
from conftest import square

FILES = "abcdefgh"


@pytest.mark.parametrize("args, text", [
    ((12, 28), "e2e4"),
    ((52, 60, "q"), "e7e8q"),
    ((52, 60, "Q"), "e7e8Q"),
    ((52, 60, None), "e7e8"),
    ((52, 60, "\u00e9"), "e7e8\u00e9"),
    ((52, 60, "\U0001F600"), "e7e8\U0001F600"),
    ((0, 63), "a1h8"),
    ((7, 56), "h1a8"),
    ((64, 255), "a9h32"),
    ((256, 7), "a1h1"),
    ((1000, 4294967295), "a30h32"),
])
def test_move_text_is_uci_from_str_and_repr(args, text):
    move = Move(*args)
    assert move.uci() == str(move) == repr(move) == text


@pytest.mark.parametrize("sq", range(64))
def test_every_board_square_renders_as_file_and_rank(sq):
    name = FILES[sq % 8] + str(sq // 8 + 1)
    assert Move(sq, sq).uci() == name * 2
    assert square(name) == sq


@pytest.mark.parametrize("field, value, text", [
    ("from_square", 0, "a1e4r"), ("from_square", 4294967295, "h32e4r"),
    ("to_square", 63, "e2h8r"), ("to_square", 300, "e2e6r"),
    ("promotion", "n", "e2e4n"), ("promotion", "Q", "e2e4Q"), ("promotion", None, "e2e4"),
])
def test_move_fields_read_back_what_was_set(field, value, text):
    move = Move(12, 28, "r")
    setattr(move, field, value)
    fields = {"from_square": 12, "to_square": 28, "promotion": "r", field: value}
    assert {f: getattr(move, f) for f in fields} == fields
    assert move.uci() == text


@pytest.mark.parametrize("make, attr", [
    (lambda: Move(1, 2, "q"), "promotion"),
    (lambda: Move(1, 2), "from_square"),
    (lambda: Move(1, 2), "to_square"),
    (Board, "turn"),
])
def test_properties_cannot_be_deleted(make, attr):
    obj = make()
    before = getattr(obj, attr)
    with pytest.raises(AttributeError) as info:
        delattr(obj, attr)
    assert str(info.value) == "can't delete attribute"
    assert getattr(obj, attr) == before


@pytest.mark.parametrize("field, value, error", [
    ("from_square", -1, OverflowError),
    ("to_square", 2 ** 32, OverflowError),
    ("from_square", 1.5, TypeError),
    ("promotion", "", ValueError),
    ("promotion", 5, TypeError),
])
def test_rejected_field_values_leave_the_move_unchanged(field, value, error):
    move = Move(12, 28, "q")
    with pytest.raises(error):
        setattr(move, field, value)
    assert move.uci() == "e2e4q"


@pytest.mark.parametrize("args", [(12, 28), (52, 60, "q"), (0, 0)])
def test_moves_compare_and_hash_by_identity(args):
    a, b = Move(*args), Move(*args)
    assert a != b and not (a == b)
    assert a == a
    table = {a: "a", b: "b"}
    assert len(table) == 2 and table[a] == "a" and table[b] == "b"
