"""What comes back out of a board: fen(), piece_at(), Move.from_uci() and
is_legal() / is_pseudo_legal(), checked against the lists and the diagram on
random games with moves applied and taken back and piece sets changed."""
import random

import pytest

from conftest import CASTLE, EMPTY, EN_PASSANT, ENDGAME, MIDGAME, PROMOTION, START, uci
from plindervox import Board, Move

KIND_LETTERS = "PRNBQK"


def sets_of(board):
    return [board.get_pieces(letter) for letter in KIND_LETTERS + "WA"]


def is_consistent(board):
    kinds = [board.get_pieces(letter) for letter in KIND_LETTERS]
    union = 0
    for kind in kinds:
        if union & kind:
            return False
        union |= kind
    # The colour sets cover exactly the pieces. Black's set cannot be read
    # alone, but a square in both colours shows a Black letter on a White square.
    white = board.get_pieces("W")
    return union == board.get_pieces("A") and all(
        cell.isupper() == bool(white >> square & 1) for square, cell in enumerate(cells(board)) if union >> square & 1)


def cells(board):
    """The diagram's letter of each square 0-63."""
    lines = str(board).split("\n")
    return [lines[7 - square // 8].split(" ")[square % 8] for square in range(64)]


def random_games(seed, games=12, plies=40, edits=True):
    """Boards along random games: moves applied, some taken back, piece sets
    changed now and then (the third of the games)."""
    rng = random.Random(seed)
    for game in range(games):
        board = Board(rng.choice([START, CASTLE, EN_PASSANT, PROMOTION, ENDGAME, MIDGAME]))
        for _ in range(plies):
            yield board, rng
            if edits and game % 3 == 2 and rng.random() < 0.2:
                letter = rng.choice("PRNBQKprnbqk")
                change = board.set_pieces_or if rng.random() < 0.5 else board.set_pieces_xor
                change(letter, 1 << rng.randrange(64))
            moves = board.legal_moves()
            if not moves:
                break
            board.apply_move(rng.choice(moves))
            if rng.random() < 0.15:
                board.pop()


def test_fen_loads_back_to_the_same_position_on_random_games():
    checked = 0
    for board, _ in random_games(1):
        text = board.fen()
        loaded = Board(text)
        assert loaded.fen() == text and str(loaded) == str(board)
        if is_consistent(board):
            checked += 1
            assert sets_of(loaded) == sets_of(board) and loaded.turn == board.turn
            assert uci(loaded.legal_moves()) == uci(board.legal_moves())
            assert uci(loaded.pseudo_legal_moves()) == uci(board.pseudo_legal_moves())
    assert checked > 200


def test_fen_follows_the_game():
    board = Board()
    board.apply_move(Move(12, 28))
    assert board.fen() == "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"
    board.pop()
    assert board.fen() == START


def test_a_castling_text_emptied_letter_by_letter_reads_back_as_absent():
    board = Board("4k3/8/8/8/8/8/8/4K3 w K- - 0 1")
    board._remove_castling_rights("k")  # the text is now "-"
    assert board.fen() == "4k3/8/8/8/8/8/8/4K3 w - - 0 1"
    assert Board(board.fen())._castling_moves() == [] and not Board(board.fen())._check_castling_rights()


def test_piece_at_shows_the_diagrams_letter_even_on_overlapping_sets():
    rng = random.Random(5)
    for _ in range(100):
        board = Board(EMPTY)
        for letter in "PRNBQKprnbqk":
            change = board.set_pieces_or if rng.random() < 0.6 else board.set_pieces_xor
            change(letter, rng.getrandbits(64) & rng.getrandbits(64))
        shown = cells(board)
        assert [board.piece_at(square) or "." for square in range(64)] == shown
        assert str(Board(board.fen())) == str(board)


@pytest.mark.parametrize("square, error", [
    (64, OverflowError), (255, OverflowError), (256, OverflowError), (-1, OverflowError),
    (1.0, TypeError), ("e4", TypeError), (None, TypeError)])
def test_piece_at_refuses_squares_off_the_board(square, error):
    with pytest.raises(error):
        Board().piece_at(square)


def test_from_uci_rebuilds_every_generated_move():
    for board, _ in random_games(2, games=9, edits=False):
        for move in board.pseudo_legal_moves() + board.legal_moves():
            again = Move.from_uci(move.uci())
            assert (again.from_square, again.to_square, again.promotion) == \
                (move.from_square, move.to_square, move.promotion)


@pytest.mark.parametrize("text, fields", [
    ("e2e4", (12, 28, None)), ("e7e8q", (52, 60, "q")), ("a2a1n", (8, 0, "n")), ("h7g8b", (55, 62, "b")),
    ("a1h8", (0, 63, None)), ("c7c8r", (50, 58, "r"))])
def test_from_uci_reads_squares_and_promotion(text, fields):
    move = Move.from_uci(text=text)
    assert (move.from_square, move.to_square, move.promotion) == fields and move.uci() == text


# Texts uci() prints for moves no generator makes: a square above 63 or an
# unusual promotion letter. Move() accepts them and uci() prints them, but
# from_uci() reads only what the generators produce.
@pytest.mark.parametrize("move, text", [
    (Move(64, 255), "a9h32"), (Move(12, 70), "e2g9"), (Move(256, 7), "a1h1"), (Move(52, 60, "Q"), "e7e8Q"),
    (Move(52, 60, "k"), "e7e8k"), (Move(52, 60, "\u00e9"), "e7e8\u00e9")], ids=str)
def test_from_uci_refuses_what_only_uci_prints(move, text):
    assert move.uci() == text
    if move.from_square > 255:  # the square text wraps at 256: the text names another move
        again = Move.from_uci(text)
        assert (again.from_square, again.to_square) == (0, 7)
        return
    with pytest.raises(ValueError, match=f"^invalid UCI move text: {text!r}$"):
        Move.from_uci(text)


@pytest.mark.parametrize("text", ["", "e2", "e2e", "e2e9", "i2e4", "E2E4", "e2e4 ", " e2e4", "e2e4qq", "0000",
                                  "e7e8x", "e2-e4", "\ud800"])
def test_from_uci_refuses_other_texts_naming_them(text):
    with pytest.raises(ValueError) as raised:
        Move.from_uci(text)
    assert str(raised.value) == f"invalid UCI move text: {text!r}"


@pytest.mark.parametrize("text", [5, None, b"e2e4"])
def test_from_uci_refuses_non_text(text):
    with pytest.raises(TypeError, match="^argument 'text': '.*' object cannot be converted to 'PyString'$"):
        Move.from_uci(text)


def moves_around(rng, board):
    """Listed moves, copies of them with one field changed, and random ones."""
    listed = board.pseudo_legal_moves() + board.legal_moves()
    asked = [Move(m.from_square, m.to_square, m.promotion) for m in listed]
    for m in listed[:8]:
        asked.append(Move(m.from_square, m.to_square ^ 1, m.promotion))
        asked.append(Move(m.from_square, m.to_square, None if m.promotion else "q"))
    for _ in range(8):
        asked.append(Move(rng.randrange(70), rng.randrange(70), rng.choice([None, None, "q", "Q", "n", "k"])))
    return asked


def test_is_legal_and_is_pseudo_legal_agree_with_the_lists_and_leave_the_board_alone():
    for board, rng in random_games(3):
        legal = {(m.from_square, m.to_square, m.promotion) for m in board.legal_moves()}
        pseudo = {(m.from_square, m.to_square, m.promotion) for m in board.pseudo_legal_moves()}
        before = board.__getstate__()
        for move in moves_around(rng, board):
            fields = (move.from_square, move.to_square, move.promotion)
            assert board.is_legal(move) is (fields in legal), (board.fen(), move)
            assert board.is_pseudo_legal(move=move) is (fields in pseudo), (board.fen(), move)
        assert board.__getstate__() == before


def test_equal_moves_are_not_equal_but_are_legal_alike():
    board = Board()
    move = Move.from_uci("e2e4")
    assert move not in board.legal_moves()  # identity comparison, by contract
    assert board.is_legal(move) and board.is_pseudo_legal(move)
    assert not board.is_legal(Move.from_uci("e2e5")) and not board.is_legal(Move.from_uci("e7e5"))


@pytest.mark.parametrize("fen, move, legal, pseudo", [
    (CASTLE, "e1g1", True, False),    # castling is in the legal list only
    (CASTLE, "e1c1", True, False),
    ("r3k2r/8/8/8/8/8/8/R3K2R w Qkq - 0 1", "e1g1", False, False),
    ("4k3/8/8/8/8/8/4r3/4K3 w - - 0 1", "e1d1", True, True),
    ("4k3/8/8/8/8/8/3r4/4K3 w - - 0 1", "e1d1", False, True),   # into check
    ("4k3/8/8/8/1b6/8/3P4/4K3 w - - 0 1", "d2d3", False, True),  # pinned
    (EN_PASSANT, "e5f6", True, True),
    (PROMOTION, "a7a8q", True, True),
    (PROMOTION, "a7a8", False, False),
])
def test_is_legal_in_positions_that_decide_it(fen, move, legal, pseudo):
    board = Board(fen)
    assert board.is_legal(Move.from_uci(move)) is legal
    assert board.is_pseudo_legal(Move.from_uci(move)) is pseudo


@pytest.mark.parametrize("member", ["is_legal", "is_pseudo_legal"])
@pytest.mark.parametrize("value", [5, None, "e2e4", Board()], ids=repr)
def test_is_legal_takes_only_moves(member, value):
    with pytest.raises(TypeError, match="^argument 'move': '.*' object cannot be converted to 'Move'$"):
        getattr(Board(), member)(value)
