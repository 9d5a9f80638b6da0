"""Copies and pickles of boards with their whole game, and of moves; states
that are damaged or hostile are refused whole and leave the board as it was."""
import builtins
import copy
import pickle
import random
import sys
from pathlib import Path

import pytest

from conftest import CASTLE, MIDGAME, START, uci
from plindervox import Board, Move

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "binding"))
import calls  # noqa: E402

COPIERS = [pytest.param(lambda b: b.copy(), id="copy()"), pytest.param(copy.copy, id="copy.copy"),
           pytest.param(copy.deepcopy, id="copy.deepcopy")] + [
    pytest.param(lambda obj, p=protocol: pickle.loads(pickle.dumps(obj, p)), id=f"pickle-{protocol}")
    for protocol in range(pickle.HIGHEST_PROTOCOL + 1)]


def game(plies, seed=0, fen=MIDGAME):
    rng = random.Random(seed)
    board = Board(fen)
    for _ in range(plies):
        moves = board.legal_moves()
        if not moves:
            break
        board.apply_move(rng.choice(moves))
    return board


def everything(board):
    """What a board holds, read through its members: the position text, the
    diagram, the fields fen() shows, and the moves pop() takes back."""
    scratch = Board()
    scratch.__setstate__(board.__getstate__())
    taken = []
    while True:
        try:
            taken.append((scratch.pop().uci(), scratch.fen()))
        except BaseException:  # PanicException: the history is empty
            break
    scratch.set_board()  # the position text it was built from, OR-ed on the first position
    return board.fen(), str(board), board.turn, uci(board.legal_moves()), taken, str(scratch)


@pytest.mark.parametrize("copier", COPIERS)
@pytest.mark.parametrize("plies", [0, 1, 100])
def test_a_copy_holds_the_whole_game(copier, plies):
    board = game(plies)
    again = copier(board)
    assert type(again) is Board and again is not board
    assert everything(again) == everything(board)
    assert again.__getstate__() == board.__getstate__()


@pytest.mark.parametrize("copier", COPIERS)
def test_nothing_done_to_a_copy_shows_in_the_original_or_back(copier):
    board = game(6)
    kept = everything(board)
    again = copier(board)
    again.apply_move(again.legal_moves()[0])
    again.set_pieces_or("Q", 1 << 35)
    again.turn = not again.turn
    again._remove_castling_rights("a")
    assert everything(board) == kept
    mirror = everything(again)
    board.pop()
    board.set_pieces_xor("p", board.get_pieces("p"))
    assert everything(again) == mirror


# Whatever a board reaches through its members copies and pickles: sets that
# overlap, moves with squares above 63 and odd letters on its history, a
# castling text emptied, removed or of any letters, clocks at their limits.
def odd_boards():
    overlapping = Board(START)
    overlapping.set_pieces_or("q", 0xFFFF)
    overlapping.set_pieces_xor("N", 1 << 40)
    refused = Board("4k3/8/8/8/8/8/8/4K3 w \u00e9Kq\U0001F600 - 18446744073709551615 18446744073709551615")
    for move in (Move(64, 2 ** 32 - 1, "\U0001F600"), Move(20, 28), Move(4, 12, "Q")):
        try:
            refused.apply_move(move)
        except BaseException:  # PanicException: refused and recorded all the same
            pass
    emptied = Board("4k3/8/8/8/8/8/8/R3K3 w Q- - 0 1")
    emptied.apply_move(Move(0, 8))
    empty_text = Board("4k3/8/8/8/8/8/8/4K3 b  e3 0 0")
    return [overlapping, refused, emptied, empty_text]


@pytest.mark.parametrize("copier", COPIERS)
def test_every_reachable_board_copies_and_pickles(copier):
    for board in odd_boards():
        again = copier(board)
        assert again.__getstate__() == board.__getstate__() and everything(again) == everything(board)


@pytest.mark.parametrize("copier", [copy.copy, copy.deepcopy] + [
    lambda m, p=protocol: pickle.loads(pickle.dumps(m, p)) for protocol in range(pickle.HIGHEST_PROTOCOL + 1)])
@pytest.mark.parametrize("move", [Move(12, 28), Move(52, 60, "q"), Move(2 ** 32 - 1, 64, "\U0001F600")], ids=str)
def test_a_copied_move_has_the_same_fields_and_is_another_move(copier, move):
    again = copier(move)
    assert type(again) is Move and again is not move and again != move
    assert (again.from_square, again.to_square, again.promotion) == (move.from_square, move.to_square, move.promotion)
    again.to_square = 0
    assert move.to_square != 0


def test_deepcopy_copies_a_board_once_however_often_it_is_reached():
    board = game(3)
    first, second = copy.deepcopy([board, board])
    assert first is second and first is not board


@pytest.mark.parametrize("state, error", calls.VALUES["board state data"], ids=lambda v: repr(v)[:40])
def test_a_board_takes_a_sound_state_whole_and_refuses_any_other_leaving_itself_alone(state, error):
    board = game(5, fen=CASTLE)
    kept = board.__getstate__()
    if error is None:
        board.__setstate__(state)
        assert board.__getstate__() == state
        return
    with pytest.raises(getattr(builtins, error)) as raised:
        board.__setstate__(state)
    assert type(raised.value).__name__ == error
    assert board.__getstate__() == kept


@pytest.mark.parametrize("state, error", calls.VALUES["move state data"], ids=lambda v: repr(v)[:40])
def test_a_move_takes_a_sound_state_and_refuses_any_other(state, error):
    move = Move(1, 2)
    if error is None:
        move.__setstate__(state)
        assert move.__getstate__() == state
        return
    with pytest.raises((TypeError, ValueError)) as raised:
        move.__setstate__(state)
    assert type(raised.value).__name__ == error
    assert move.__getstate__() == (1, 1, 2, None)


def test_every_shortened_or_lengthened_state_is_refused_with_value_error():
    version, data = game(4).__getstate__()
    board = Board()
    for size in range(len(data)):
        with pytest.raises(ValueError, match="^invalid Board state: (it ends inside|a history of 4 entries cannot fit)"):
            board.__setstate__((version, data[:size]))
    with pytest.raises(ValueError, match="^invalid Board state: 2 bytes follow the history"):
        board.__setstate__((version, data + b"\0\0"))
    assert board.fen() == START


@pytest.mark.parametrize("state, message", [
    ((2, b""), "invalid Board state: unknown format version 2 (this build reads version 1)"),
    ((10 ** 30, b""), "invalid Board state: unknown format version " + str(10 ** 30)),
    ((1, b"\x06\x00\x00\x00x w -"), "invalid Board state: it ends inside the position text (at byte 4)"),
    ((1, b"\x05\x00\x00\x00x w -"), "invalid Board state: its position text does not load: "
                                     "Invalid starting fen; got x w -, with 3 parts (at byte 9)"),
])
def test_refusals_name_what_is_wrong(state, message):
    with pytest.raises(ValueError) as raised:
        Board().__setstate__(state)
    assert str(raised.value) == message


def test_a_position_text_that_does_not_load_is_refused():
    version, data = Board().__getstate__()
    text = b"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
    damaged = data.replace(text, text.replace(b" ", b"_"), 1)
    with pytest.raises(ValueError, match=r"^invalid Board state: its position text does not load: "
                                         r"Invalid starting fen; got .*, with 1 parts"):
        Board().__setstate__((version, damaged))
