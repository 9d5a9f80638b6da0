"""SAN both ways, UCI text read against the legal list, and their refusals,
through the module as a caller sees them."""
import random
import re
from pathlib import Path

import pytest

from plindervox import Board, Move

from conftest import CASTLE, EMPTY, EN_PASSANT, ENDGAME, MIDGAME, PROMOTION, START, STALEMATE, snapshot, uci

ROOT = Path(__file__).resolve().parents[2]
FEN = re.compile(r'"([rnbqkpRNBQKP1-8]{1,8}(?:/[rnbqkpRNBQKP1-8]{1,8}){7} [wb] [\w-]+ [\w-]+ \d+ \d+)"')


def loads(fen):
    try:
        Board(fen)
    except BaseException:  # the suites also spell out texts the loader refuses
        return False
    return True


def suite_positions():
    """Every position text the Python tests and the binding drivers spell out that loads."""
    found = set()
    for path in sorted((ROOT / "tests").glob("*/*.py")):
        found.update(FEN.findall(path.read_text(encoding="utf-8")))
    return sorted(fen for fen in found if loads(fen))


SUITE_POSITIONS = suite_positions()


def test_the_suite_gives_positions_to_check():
    assert len(SUITE_POSITIONS) >= 20 and START in SUITE_POSITIONS and MIDGAME in SUITE_POSITIONS


def expect_round_trip(board):
    """Every legal move's SAN reads back as that move; the board stays as it was."""
    before = snapshot(board)
    for move in board.legal_moves():
        text = board.san(move)
        read = board.parse_san(text)
        assert (read.from_square, read.to_square, read.promotion) == \
            (move.from_square, move.to_square, move.promotion), (text, str(board))
        assert board.parse_uci(move.uci()).uci() == move.uci()
    assert snapshot(board) == before


@pytest.mark.parametrize("fen", SUITE_POSITIONS)
def test_san_round_trip_on_the_suites_positions(fen):
    expect_round_trip(Board(fen))


@pytest.mark.parametrize("seed", range(12))
def test_san_round_trip_through_random_games(seed):
    rng = random.Random(seed)
    board = Board(rng.choice([START, MIDGAME, CASTLE, ENDGAME, EN_PASSANT]))
    for _ in range(60):
        expect_round_trip(board)
        moves = board.legal_moves()
        if not moves:
            break
        board.apply_san(board.san(rng.choice(moves)))


@pytest.mark.parametrize("seed", range(30))
def test_san_round_trip_on_edited_boards(seed):
    rng = random.Random(1000 + seed)
    board = Board(rng.choice(SUITE_POSITIONS))
    for _ in range(rng.randint(1, 3)):
        squares = rng.getrandbits(64) & rng.getrandbits(64) & rng.getrandbits(64)
        getattr(board, rng.choice(["set_pieces_or", "set_pieces_xor"]))(rng.choice("PRNBQKprnbqk"), squares)
    board.turn = rng.random() < 0.5
    expect_round_trip(board)


@pytest.mark.parametrize("fen, played, move, text", [
    (START, [], "g1f3", "Nf3"),
    ("rnbqkbnr/pppppppp/8/8/8/5N2/PPP1PPPP/RNBQKB1R w KQkq - 0 1", [], "b1d2", "Nbd2"),
    ("4k3/8/8/R7/8/8/8/R3K3 w - - 0 1", [], "a5a3", "R5a3"),
    ("4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1", [], "a1b2", "Qa1b2"),
    (EN_PASSANT, [], "e5f6", "exf6"),
    (PROMOTION, [], "a7a8q", "a8=Q+"),
    (CASTLE, [], "e1c1", "O-O-O"),
    (START, ["f2f3", "e7e5", "g2g4"], "d8h4", "Qh4#"),
], ids=lambda v: v if isinstance(v, str) and len(v) < 8 else None)
def test_san_writes_the_standards_text(fen, played, move, text):
    board = Board(fen)
    for step in played:
        board.apply_uci(step)
    [legal] = [m for m in board.legal_moves() if m.uci() == move]
    assert board.san(legal) == text
    assert board.san(Move(legal.from_square, legal.to_square, legal.promotion)) == text  # any equal Move


@pytest.mark.parametrize("text, expected", [
    ("0-0", "e1g1"), ("0-0-0", "e1c1"), ("O-O#", "e1g1"), ("Ra1b1", "a1b1"), ("Rab1", "a1b1"),
    ("R1b1", "a1b1"), ("Rxa8+", "a1a8"), ("Ra8!!", "a1a8"), ("Ra8??", "a1a8"), ("Kd2?!", "e1d2"),
])
def test_parse_san_reads_what_game_files_hold(text, expected):
    assert Board(CASTLE).parse_san(text).uci() == expected


@pytest.mark.parametrize("text", ["a8Q", "a8=q", "a8q", "a8=Q+"])
def test_parse_san_reads_promotions_in_any_form(text):
    assert Board(PROMOTION).parse_san(text).uci() == "a7a8q"


@pytest.mark.parametrize("fen, text, message", [
    (START, "Nf9", "Invalid SAN: Nf9"),
    (START, "", "Invalid SAN: "),
    (START, "xe4", "Invalid SAN: xe4"),
    (START, "e4 ", "Invalid SAN: e4 "),
    (START, "Ke2", "Illegal SAN: Ke2 in " + START),
    (START, "O-O", "Illegal SAN: O-O in " + START),
    (STALEMATE, "Ka7", "Illegal SAN: Ka7 in " + STALEMATE),
    ("rnbqkbnr/pppppppp/8/8/8/5N2/PPP1PPPP/RNBQKB1R w KQkq - 0 1", "Nd2",
     "Ambiguous SAN: Nd2 in rnbqkbnr/pppppppp/8/8/8/5N2/PPP1PPPP/RNBQKB1R w KQkq - 0 1"),
])
def test_parse_and_apply_san_refuse_with_three_messages(fen, text, message):
    board = Board(fen)
    before = snapshot(board)
    for member in (board.parse_san, board.apply_san):
        with pytest.raises(ValueError) as info:
            member(text)
        assert str(info.value) == message
    assert snapshot(board) == before
    with pytest.raises(BaseException) as popped:  # apply_san recorded nothing
        board.pop()
    assert type(popped.value).__name__ == "PanicException"


@pytest.mark.parametrize("move", [Move(12, 36), Move(4, 6), Move(52, 44), Move(12, 28, "q"), Move(64, 0),
                                  Move(2 ** 32 - 1, 12)], ids=str)
def test_san_refuses_a_move_the_legal_list_lacks(move):
    with pytest.raises(ValueError) as info:
        Board().san(move)
    assert str(info.value) == f"Illegal move: {move.uci()} in {START}"


def test_apply_san_and_apply_uci_play_and_record_the_move():
    board = Board()
    played = [board.apply_san("e4"), board.apply_uci("e7e5"), board.apply_san("Nf3")]
    assert uci(played) == ["e2e4", "e7e5", "g1f3"]
    assert [board.pop().uci() for _ in range(3)] == ["g1f3", "e7e5", "e2e4"]
    assert str(board) == str(Board())


@pytest.mark.parametrize("text, message", [
    ("e2e5", f"Illegal UCI: e2e5 in {START}"), ("e1g1", f"Illegal UCI: e1g1 in {START}"),
    ("e2e4q", f"Illegal UCI: e2e4q in {START}"), ("e2e9", "Invalid UCI: e2e9"), ("e2", "Invalid UCI: e2"),
    ("", "Invalid UCI: "), ("e2e4qq", "Invalid UCI: e2e4qq"), ("E2E4", "Invalid UCI: E2E4"),
    ("0000", "Invalid UCI: 0000"),
])
def test_parse_and_apply_uci_refuse_what_the_legal_list_lacks(text, message):
    board = Board()
    for member in (board.parse_uci, board.apply_uci):
        with pytest.raises(ValueError) as info:
            member(text)
        assert str(info.value) == message
    assert str(board) == str(Board()) and board.turn


def test_parse_uci_takes_castling_as_the_kings_move():
    assert Board(CASTLE).parse_uci("e1c1").uci() == "e1c1"
    assert Board(PROMOTION).parse_uci("a7a8n").promotion == "n"


@pytest.mark.parametrize("member", ["parse_san", "apply_san", "parse_uci", "apply_uci"])
@pytest.mark.parametrize("value", [None, 5, b"e4"], ids=repr)
def test_text_members_take_a_str(member, value):
    with pytest.raises(TypeError) as info:
        getattr(Board(), member)(value)
    assert str(info.value).startswith("argument 'text': ")
    assert getattr(Board(), member)(text="e4" if "san" in member else "e2e4").uci() == "e2e4"


def test_san_takes_a_move_by_keyword_and_refuses_anything_else():
    assert Board().san(move=Move(12, 28)) == "e4"
    with pytest.raises(TypeError, match="^argument 'move': 'str' object cannot be converted to 'Move'$"):
        Board().san("e4")


def test_members_answer_on_a_board_without_pieces_or_kings():
    board = Board(EMPTY)
    assert board.legal_moves() == []
    with pytest.raises(ValueError, match="^Illegal SAN: e4 in 8/8/8/8/8/8/8/8 w - - 0 1$"):
        board.parse_san("e4")
    with pytest.raises(ValueError, match="^Illegal move: e2e4 in "):
        board.san(Move(12, 28))
