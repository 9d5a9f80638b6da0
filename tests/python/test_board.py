"""Loading positions, reading and writing piece sets, and rendering."""
import gc

import pytest

from plindervox import Board, Move
from conftest import (EMPTY, EMPTY_DIAGRAM, START, START_DIAGRAM, cell, panic,
                      snapshot, square)


def bits(*names):
    return sum(1 << square(n) for n in names)


START_SETS = {
    "w": 65535,
    "a": 18446462598732906495,
    "p": 71776119061282560,
    "n": bits("b1", "g1", "b8", "g8"),
    "b": bits("c1", "f1", "c8", "f8"),
    "r": bits("a1", "h1", "a8", "h8"),
    "q": bits("d1", "d8"),
    "k": bits("e1", "e8"),
}


@pytest.mark.parametrize("letter", "wapnbrqkWAPNBRQK")
@pytest.mark.parametrize("make", [Board, lambda: Board(None), lambda: Board(START),
                                  lambda: Board(starting_fen=None)],
                         ids=["Board()", "None", "fen", "keyword None"])
def test_default_board_is_the_standard_start(make, letter):
    board = make()
    assert board.get_pieces(letter) == START_SETS[letter.lower()]
    assert board.turn is True
    assert str(board) == START_DIAGRAM


@pytest.mark.parametrize("fen, parts", [
    ("", 1), ("x", 1), ("8/8/8/8/8/8/8/8", 1),
    ("8/8/8/8/8/8/8/8 w - - 0", 5), ("8/8/8/8/8/8/8/8 w", 2),
])
def test_fen_with_too_few_fields_panics_with_field_count(fen, parts):
    exc = panic(Board, fen)
    assert str(exc) == f"Invalid starting fen; got {fen}, with {parts} parts"


@pytest.mark.parametrize("placement", ["x7/8/8/8/8/8/8/8", "8/8/8/3Z4/8/8/8/8",
                                       "8/8/8/8/8/8/8/7?"])
def test_unknown_piece_letter_in_fen_panics(placement):
    assert str(panic(Board, placement + " w - - 0 1")) == "Invalid piece type"


# The placement cursor starts at 55; a digit adds its value, '/' subtracts 16,
# and a piece first adds 1 and must then be on 0..63.
@pytest.mark.parametrize("placement, pawns", [
    ("p7/8/8/8/8/8/8/8", ["a8"]),
    ("7p/8/8/8/8/8/8/8", ["h8"]),
    ("p/p", ["a8", "b6"]),
    ("/p", ["a6"]),
    ("8/8/8/8/8/8/8/7p", ["h1"]),
    ("8/8/8/8/8/8/8/8p", ["a2"]),
    ("8/8/8/8/8/8/8/9p", ["b2"]),
    ("8/8/8/8/8/8/8/8/8p", ["a1"]),
    ("9/8/8/8/8/8/8/8", []),
    ("8p/8/8/8/8/8/8/8", None),
    ("ppppppppp/8/8/8/8/8/8/8", None),
    ("8/8/8/8/8/8/8/8/p", None),
    ("8/8/8/8/8/8/8/8/7p", None),
])
def test_fen_placement_follows_the_cursor_rule(placement, pawns):
    fen = placement + " w - - 0 1"
    if pawns is None:
        assert placement in str(panic(Board, fen))
    else:
        board = Board(fen)
        assert board.get_pieces("p") == board.get_pieces("a") == bits(*pawns)


@pytest.mark.parametrize("field, ok", [
    ("-", True), ("e3", True), ("d6", True),
    ("e", False), ("e9", False), ("e0", False),
])
def test_en_passant_field_must_be_a_square(field, ok):
    fen = f"4k3/8/8/8/8/8/8/4K3 w - {field} 0 1"
    if ok:
        assert Board(fen).get_pieces("k") == bits("e1", "e8")
    else:
        assert str(panic(Board, fen)).endswith(field)


@pytest.mark.parametrize("side, turn", [("w", True), ("b", False)])
def test_fen_side_to_move_sets_turn(side, turn):
    assert Board(f"4k3/8/8/8/8/8/8/4K3 {side} - - 0 1").turn is turn


@pytest.mark.parametrize("fen", ["x", "8/8/8/8/8/8/8/8/p w - - 0 1",
                                 "8/8/8/8/8/8/8/8 w - e9 0 1"])
def test_failing_constructor_leaves_no_board_behind(fen):
    def count():
        gc.collect()
        return sum(type(o) is Board for o in gc.get_objects())
    before = count()
    for _ in range(3):
        panic(Board, fen)
    assert count() == before


@pytest.mark.parametrize("fen, diagram", [(START, START_DIAGRAM), (EMPTY, EMPTY_DIAGRAM)])
def test_rendering_is_an_eight_line_diagram(fen, diagram):
    board = Board(fen)
    assert str(board) == repr(board) == diagram
    assert len(str(board)) == 127


@pytest.mark.parametrize("op, letter, mask, where, shown, sets", [
    ("set_pieces_or", "Q", 1 << 27, "d4", "Q",
     {"q": START_SETS["q"] | 1 << 27, "w": START_SETS["w"] | 1 << 27}),
    ("set_pieces_or", "N", bits("e4", "e5"), "e5", "N",
     {"n": START_SETS["n"] | bits("e4", "e5")}),
    # xor clears the pawn bit but leaves the colour bit: e2 shows empty.
    ("set_pieces_xor", "P", 1 << 12, "e2", ".",
     {"p": START_SETS["p"] ^ 1 << 12, "w": START_SETS["w"]}),
    ("set_pieces_xor", "r", 1 << 0, "a1", ".", {"r": START_SETS["r"] ^ 1}),
    # a square in pawns and in both colours renders as a black pawn
    ("set_pieces_or", "P", 1 << 48, "a7", "p",
     {"p": START_SETS["p"], "w": START_SETS["w"] | 1 << 48}),
    ("set_pieces_or", "Q", 0, "d4", ".", START_SETS),
    ("set_pieces_xor", "K", 0, "e1", "K", START_SETS),
])
def test_set_pieces_changes_sets_and_rendering(op, letter, mask, where, shown, sets):
    board = Board()
    assert getattr(board, op)(letter, mask) is None
    assert cell(board, where) == shown
    for key, value in sets.items():
        assert board.get_pieces(key) == value


@pytest.mark.parametrize("call, letter, message", [
    *[(op, c, "Invalid piece type") for op in ("set_pieces_or", "set_pieces_xor")
      for c in ("A", "W", "w", "a", "x", "1", "\u00e9")],
    *[("get_pieces", c, f"Invalid piece type: {c}") for c in ("x", "c", " ", "\u00e9", "\U0001F600")],
])
def test_unknown_piece_letters_panic_leaving_the_board(call, letter, message):
    board = Board()
    before = snapshot(board)
    args = (letter,) if call == "get_pieces" else (letter, 1)
    assert str(panic(getattr(board, call), *args)) == message
    assert snapshot(board) == before


@pytest.mark.parametrize("fen", [START, EMPTY, "4k3/8/8/8/8/8/8/4K3 b - - 0 1"])
def test_set_board_on_an_unchanged_board_changes_nothing(fen):
    board = Board(fen)
    before = snapshot(board)
    assert board.set_board() is None
    assert snapshot(board) == before


@pytest.mark.parametrize("moves, added, shown", [
    ([(12, 28)], {"p": bits("e4")}, {"e2": "P", "e4": "P"}),
    ([(12, 28), (57, 42)], {"p": bits("e4"), "n": bits("c6")},
     {"e2": "P", "e4": "P", "b8": "n", "c6": "n"}),
    ([(6, 21), (52, 36)], {"n": bits("f3"), "p": bits("e5")},
     {"g1": "N", "f3": "N", "e7": "p", "e5": "p"}),
])
def test_set_board_after_moves_ors_start_placement_onto_current(moves, added, shown):
    board = Board()
    for move in moves:
        board.apply_move(Move(*move))
    board.set_board()
    for letter in "pnbrqk":
        assert board.get_pieces(letter) == START_SETS[letter] | added.get(letter, 0)
    assert {sq: cell(board, sq) for sq in shown} == shown
    assert board.legal_moves()


@pytest.mark.parametrize("failure", [
    lambda b: b.set_pieces_or("A", 1),
    lambda b: b.get_pieces("x"),
    lambda b: b._remove_castling_rights("x"),
    lambda b: b.pop(),
])
def test_set_board_after_a_failure_keeps_what_was_written(failure):
    board = Board()
    board.set_pieces_or("Q", 1 << 27)
    panic(failure, board)
    board.set_board()
    assert cell(board, "d4") == "Q"
    assert board.get_pieces("Q") == START_SETS["q"] | 1 << 27
    assert len(board.legal_moves()) > 20
