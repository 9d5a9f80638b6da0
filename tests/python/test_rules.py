"""Position keys, repetitions, the move-count rules, insufficient material and
the result, through the module."""
import pytest

from plindervox import Board

from conftest import EMPTY, MIDGAME, START, STALEMATE, snapshot

# The keys the Polyglot book format's description gives.
KNOWN_KEYS = [
    ([], 0x463B96181691FC9C),
    (["e2e4"], 0x823C9B50FD114196),
    (["e2e4", "d7d5"], 0x0756B94461C50FB0),
    (["e2e4", "d7d5", "e4e5"], 0x662FAFB965DB29D4),
    (["e2e4", "d7d5", "e4e5", "f7f5"], 0x22A48B5A8E47FF78),
    (["e2e4", "d7d5", "e4e5", "f7f5", "e1e2"], 0x652A607CA3F242C1),
    (["e2e4", "d7d5", "e4e5", "f7f5", "e1e2", "e8f7"], 0x00FDD303C946BDD9),
]


@pytest.mark.parametrize("moves, key", KNOWN_KEYS, ids=[" ".join(m) or "start" for m, _ in KNOWN_KEYS])
def test_zobrist_hash_gives_the_book_formats_keys(moves, key):
    board = Board()
    for move in moves:
        board.apply_uci(move)
    assert board.zobrist_hash() == key
    assert Board(None).zobrist_hash() == KNOWN_KEYS[0][1]


def test_zobrist_hash_tells_positions_apart_and_ignores_history():
    # The same position by two move orders has one key; a changed side to move another.
    one, other = Board(), Board()
    for move in ["g1f3", "g8f6", "b1c3"]:
        one.apply_uci(move)
    for move in ["b1c3", "g8f6", "g1f3"]:
        other.apply_uci(move)
    assert one.zobrist_hash() == other.zobrist_hash()
    turned = Board(MIDGAME)
    key = turned.zobrist_hash()
    turned.turn = False
    assert turned.zobrist_hash() != key and 0 <= key < 2 ** 64


def shuffle(board, rounds):
    for _ in range(rounds):
        for text in ["Nf3", "Nf6", "Ng1", "Ng8"]:
            board.apply_san(text)
    return board


@pytest.mark.parametrize("rounds, threefold, fivefold", [(0, False, False), (1, False, False),
                                                         (2, True, False), (3, True, False), (4, True, True)])
def test_repetitions_count_the_games_positions(rounds, threefold, fivefold):
    board = shuffle(Board(), rounds)
    assert (board.is_repetition(), board.is_fivefold_repetition()) == (threefold, fivefold)
    assert board.is_repetition(rounds + 1) and not board.is_repetition(rounds + 2)
    assert board.is_repetition(count=1) and board.is_repetition(0) and board.is_repetition(None) == threefold
    assert board.result() == ("1/2-1/2" if fivefold else "*")
    assert board.result(claim_draw=True) == ("1/2-1/2" if threefold else "*")


def test_a_board_from_position_text_has_no_earlier_positions():
    board = Board(START)
    assert not board.is_repetition(2)
    shuffle(board, 1)
    board.pop()
    board.pop()
    board.pop()
    board.pop()  # back to the start, with nothing recorded
    assert not board.is_repetition(2)


@pytest.mark.parametrize("clock, fifty, seventy_five, result, claimed", [
    (99, False, False, "*", "*"), (100, True, False, "*", "1/2-1/2"), (149, True, False, "*", "1/2-1/2"),
    (150, True, True, "1/2-1/2", "1/2-1/2"), (10 ** 6, True, True, "1/2-1/2", "1/2-1/2"),
])
def test_move_count_rules_follow_the_clock(clock, fifty, seventy_five, result, claimed):
    board = Board(f"4k3/8/8/8/8/8/8/R3K3 w - - {clock} 90")
    assert (board.is_fifty_moves(), board.is_seventyfive_moves()) == (fifty, seventy_five)
    assert (board.result(), board.result(True)) == (result, claimed)
    assert not board.is_game_over()


@pytest.mark.parametrize("fen", [STALEMATE.replace(" 0 1", " 150 1"), "R5k1/5ppp/8/8/8/8/8/4K3 b - - 150 90"])
def test_move_count_rules_need_a_legal_move(fen):
    board = Board(fen)
    assert not board.is_fifty_moves() and not board.is_seventyfive_moves()


@pytest.mark.parametrize("placement, insufficient", [
    ("4k3/8/8/8/8/8/8/4K3", True), ("4k3/8/8/8/8/8/8/4KN2", True), ("4k3/8/8/8/8/8/8/3NKN2", False),
    ("4kn2/8/8/8/8/8/8/4KN2", False), ("4k3/8/8/8/8/8/8/B1B1K3", True), ("4kb2/8/8/8/8/8/8/2B1K3", True),
    ("4k1b1/8/8/8/8/8/8/2B1K3", False), ("4k3/8/8/8/8/8/8/2B1KN2", False), ("4k3/8/8/8/8/8/4P3/4K3", False),
    ("4k3/8/8/8/8/8/8/R3K3", False), ("4k3/8/8/8/8/8/8/Q3K3", False), ("8/8/8/8/8/8/8/8", True),
])
def test_insufficient_material(placement, insufficient):
    board = Board(f"{placement} w - - 0 1")
    assert board.is_insufficient_material() is insufficient
    assert (board.result() == "1/2-1/2") is (insufficient or not board.legal_moves())


@pytest.mark.parametrize("fen, played, result", [
    (START, [], "*"),
    (START, ["f3", "e5", "g4", "Qh4#"], "0-1"),
    ("R5k1/5ppp/8/8/8/8/8/4K3 b - - 0 1", [], "1-0"),
    (STALEMATE, [], "1/2-1/2"),
    (EMPTY, [], "1/2-1/2"),
])
def test_result_on_checkmate_and_stalemate(fen, played, result):
    board = Board(fen)
    for text in played:
        board.apply_san(text)
    before = snapshot(board)
    assert board.result() == board.result(claim_draw=True) == board.result(None) == result
    assert board.is_game_over() is (result != "*")
    assert snapshot(board) == before


@pytest.mark.parametrize("value", [1, 0, "yes", 1.0], ids=repr)
def test_claim_draw_takes_a_bool(value):
    with pytest.raises(TypeError) as info:
        Board().result(value)
    assert str(info.value) == f"argument 'claim_draw': '{type(value).__name__}' object cannot be converted to 'PyBool'"


@pytest.mark.parametrize("value, error", [(-1, OverflowError), (2 ** 32, OverflowError), (1.5, TypeError),
                                          ("3", TypeError)], ids=repr)
def test_repetition_count_takes_an_unsigned_int(value, error):
    with pytest.raises(error):
        Board().is_repetition(value)


def test_rules_answer_on_overlapping_boards():
    board = Board(MIDGAME)
    board.set_pieces_or("q", 0xFFFF)       # black queens over White's first two ranks
    board.set_pieces_xor("K", 1 << 60)     # and a second king set where Black's stands
    answers = (board.zobrist_hash(), board.is_repetition(), board.is_fivefold_repetition(),
               board.is_fifty_moves(), board.is_seventyfive_moves(), board.is_insufficient_material(),
               board.result(), board.result(True))
    assert isinstance(answers[0], int) and answers[1:6] == (False, False, False, False, False)
    assert answers[6] in ("*", "1-0", "0-1", "1/2-1/2")
    # A square in two sets counts once in the key, as the letter the diagram shows.
    overlapped = Board()
    overlapped.set_pieces_or("q", 1 << 12)  # e2 holds White's pawn and now a black queen
    assert overlapped.zobrist_hash() == Board("rnbqkbnr/pppppppp/8/8/8/8/PPPPqPPP/RNBQKBNR w KQkq - 0 1").zobrist_hash()
