"""Move generation, making and unmaking moves, and game state."""
import pytest

from plindervox import Board, Move
from conftest import (CASTLE, EMPTY, EN_PASSANT, ENDGAME, MIDGAME, PROMOTION,
                      START, STALEMATE, panic, play, snapshot, square, uci)

SCHOLAR = ("e2e4", "f7f6", "d2d4", "g7g5", "d1h5")


def mated():
    return play(Board(), *SCHOLAR)


POSITIONS = {
    "start": lambda: Board(START),
    "castle": lambda: Board(CASTLE),
    "castle-black": lambda: Board(CASTLE.replace(" w ", " b ")),
    "en-passant": lambda: Board(EN_PASSANT),
    "promotion": lambda: Board(PROMOTION),
    "endgame": lambda: Board(ENDGAME),
    "midgame": lambda: Board(MIDGAME),
    "stalemate": lambda: Board(STALEMATE),
    "mated": mated,
    "empty": lambda: Board(EMPTY),
}


@pytest.mark.parametrize("side, ranks, knights", [
    ("w", "1234", ["g1h3", "g1f3", "b1c3", "b1a3"]),
    ("b", "8765", ["g8h6", "g8f6", "b8c6", "b8a6"]),
])
def test_start_legal_moves_in_generation_order(side, ranks, knights):
    board = Board(START.replace(" w ", f" {side} "))
    home, one, two = ranks[1], ranks[2], ranks[3]
    assert uci(board.legal_moves()) == (
        [f + home + f + one for f in "hgfedcba"]
        + [f + home + f + two for f in "hgfedcba"] + knights)


# _check_castling_rights: the side to move still holds some castling right.
@pytest.mark.parametrize("fen, first, rights", [
    (CASTLE, ["e1g1", "e1c1"], True),
    ("r3k2r/8/8/8/8/8/8/R3K2R w QK - 0 1", ["e1c1", "e1g1"], True),
    ("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", ["e8g8", "e8c8"], True),
    ("r3k2r/8/8/8/8/8/8/R3K2R b qk - 0 1", ["e8c8", "e8g8"], True),
    ("r3k2r/8/8/8/8/8/8/R3K2R w K - 0 1", ["e1g1"], True),
    ("r3k2r/8/8/8/8/8/8/R3K2R w Qk - 0 1", ["e1c1"], True),
    ("r3k2r/8/8/8/8/8/8/R3K2R w kq - 0 1", [], False),
    ("r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1", [], False),
    (START, [], True),
])
def test_castling_moves_come_first_in_rights_text_order(fen, first, rights):
    board = Board(fen)
    legal = uci(board.legal_moves())
    assert uci(board._castling_moves()) == legal[:len(first)] == first
    assert not {"e1g1", "e1c1", "e8g8", "e8c8"} & set(legal[len(first):])
    assert board._check_castling_rights() is rights


# Duplicates are kept, so a rights text gives one castling move per letter,
# however many there are: lists far longer than any position's other moves.
@pytest.mark.parametrize("side, letters, castle", [("w", "KQ", ["e1g1", "e1c1"]), ("b", "kq", ["e8g8", "e8c8"])])
@pytest.mark.parametrize("repeats", [7, 8, 9, 5000])
def test_every_letter_of_a_long_rights_text_castles(side, letters, castle, repeats):
    board = Board(f"r3k2r/8/8/8/8/8/8/R3K2R {side} {letters * repeats} - 0 1")
    expected = castle * repeats
    assert uci(board._castling_moves()) == expected
    legal = uci(board.legal_moves())
    assert legal[:len(expected)] == expected
    assert legal[len(expected):] == uci(Board(f"r3k2r/8/8/8/8/8/8/R3K2R {side} - - 0 1").legal_moves())
    assert not board.is_game_over()
    board.apply_move(board.legal_moves()[0])
    assert board.pop().uci() == castle[0]


ITALIAN = ("e2e4", "e7e5", "g1f3", "g8f6", "f1c4", "f8c5")


# Castling by the rules of chess: a side loses its rights by moving its king
# or the rook of that corner, or by losing that rook on its corner, and
# never castles out of, through or into an attacked square.
@pytest.mark.parametrize("fen, moves, castling", [
    (START, ITALIAN + ("e1g1",), ["e8g8"]),            # White's castling leaves Black's rights
    (START, ITALIAN + ("e1g1", "e8g8", "d2d3"), []),
    (START, ITALIAN + ("e1f1",), ["e8g8"]),            # so does any other king move
    (START, ITALIAN + ("h1g1", "e8g8"), []),           # the h-rook's move costs only K
    ("4k2r/8/6N1/8/8/8/8/4K3 w k - 0 1", ("g6h8",), []),   # the rook taken on its corner
    ("r3k3/8/8/8/8/8/1B6/4K3 w q - 0 1", ("b2g7", "a8b8", "g7a1", "b8a8"), []),  # it came back: too late
    ("4k3/8/8/8/8/8/7p/4K2R w K - 0 1", (), []),      # h2 pawn guards g1
    ("4k3/8/8/8/8/8/1p6/R3K3 w Q - 0 1", (), []),     # b2 pawn guards c1
    ("4k3/8/8/8/8/8/2p5/R3K3 w Q - 0 1", (), []),     # c2 pawn guards d1
    ("r3k3/3P4/8/8/8/8/8/4K3 b q - 0 1", (), []),     # d7 pawn guards c8
    ("4k2r/5P2/8/8/8/8/8/4K3 b k - 0 1", (), []),     # f7 pawn guards e8 and g8: check
    ("r3k3/P7/8/8/8/8/8/4K3 b q - 0 1", (), ["e8c8"]),  # a7 guards only b8, which need only be empty
    ("4k3/8/8/8/8/8/8/4K3 w KQ - 0 1", (), []),       # no rook to castle with
])
def test_castling_follows_the_rules_of_chess(fen, moves, castling):
    board = play(Board(fen), *moves)
    assert uci(board._castling_moves()) == castling
    assert [m for m in uci(board.legal_moves()) if m in ("e1g1", "e1c1", "e8g8", "e8c8")
            and board.get_pieces("k") & (1 << square(m[:2]))] == castling


def test_a_rook_taken_on_its_corner_leaves_no_lone_king_step():
    board = Board("4k2r/8/6N1/8/8/8/8/4K3 w k - 0 1")
    board.apply_move(Move(46, 63))  # Nxh8
    assert "e8g8" not in uci(board.legal_moves())
    assert board._check_castling_rights() is False
    assert set(uci(board.king_moves())) == {"e8f8", "e8f7", "e8e7", "e8d7", "e8d8"}


@pytest.mark.parametrize("side", ["w", "b"])
@pytest.mark.parametrize("id, left", [("k", ["c"]), ("q", ["g"]), ("a", [])])
def test_remove_castling_rights_for_side_to_move(side, id, left):
    board = Board(CASTLE.replace(" w ", f" {side} "))
    rank = "1" if side == "w" else "8"
    assert board._remove_castling_rights(id) is None
    assert uci(board._castling_moves()) == [f"e{rank}{f}{rank}" for f in left]
    assert board._check_castling_rights() is bool(left)


@pytest.mark.parametrize("id", ["x", "K", "Q", "A", "-"])
def test_remove_castling_rights_rejects_other_ids(id):
    board = Board(CASTLE)
    before = snapshot(board)
    assert str(panic(board._remove_castling_rights, id)) == "Invalid castling rights"
    assert snapshot(board) == before


@pytest.mark.parametrize("from_mask, to_mask, expected", [
    (1 << 12, 1 << 28, True),   # pawn e2-e4
    (1 << 8, 1 << 16, True),    # pawn a2-a3
    (1 << 6, 1 << 21, False),   # knight g1-f3
    (1 << 1, 1 << 18, False),   # knight b1-c3
])
def test_reset_half_move_clock_reports_pawn_moves(from_mask, to_mask, expected):
    board = Board()
    assert board._reset_half_move_clock(from_mask, to_mask) is expected
    assert snapshot(board) == snapshot(Board())


@pytest.mark.parametrize("name", [n for n in POSITIONS
                                  if n not in ("mated", "stalemate", "empty")])
def test_apply_then_pop_restores_every_observable(name):
    board = POSITIONS[name]()
    before = snapshot(board)
    assert board.legal_moves()
    for move in board.legal_moves():
        text = move.uci()
        board.apply_move(move)
        assert board.turn is not before[1]
        assert str(board) != before[2]
        popped = board.pop()
        assert popped.uci() == text
        assert snapshot(board) == before, text


@pytest.mark.parametrize("args", [(12, 28), (6, 21), (52, 36, None)])
def test_pop_returns_a_new_move_with_equal_fields(args):
    board = Board()
    if args[0] >= 48:
        board.turn = False
    move = Move(*args)
    fields = (move.from_square, move.to_square, move.promotion)
    board.apply_move(move)
    move.from_square, move.to_square, move.promotion = 0, 63, "q"
    popped = board.pop()
    assert popped is not move
    assert (popped.from_square, popped.to_square, popped.promotion) == fields


@pytest.mark.parametrize("name, checkmate, stalemate, check, over", [
    ("mated", True, False, True, True),
    ("stalemate", False, True, False, True),
    ("start", False, False, False, False),
    ("endgame", False, False, False, False),
])
def test_game_state_queries(name, checkmate, stalemate, check, over):
    board = POSITIONS[name]()
    assert (board.is_checkmate(), board.is_stalemate(), board.is_check(),
            board.is_game_over()) == (checkmate, stalemate, check, over)
    assert (board.legal_moves() == []) is over


@pytest.mark.parametrize("name", [n for n in POSITIONS if n != "mated"])
def test_pop_on_a_fresh_board_panics_and_changes_nothing(name):
    board = POSITIONS[name]()
    before = snapshot(board)
    panic(board.pop)
    assert snapshot(board) == before


NOT_FOUND = "Could not find the piece to move for "
DISCO = "Panic in the disco!!! (promotion issue) for a7a8"
RANGE = "Move squares must lie within 0-63 for "


# Every refused move was recorded first, so pop() takes it off again.
@pytest.mark.parametrize("fen, args, message", [
    (START, (20, 28), NOT_FOUND + "e3e4"),
    (START, (35, 43), NOT_FOUND + "d5d6"),
    (START, (23, 31), NOT_FOUND + "h3h4"),
    *[(PROMOTION, (48, 56, c), DISCO + c) for c in ["Q", "N", "x", "k", "p", "\u00e9"]],
    (START, (64, 0), RANGE + "a9a1"), (START, (8, 64), RANGE + "a2a9"),
    (START, (255, 300), RANGE + "h32e6"), (START, (4294967295, 0, "q"), RANGE + "h32a1q"),
])
def test_failed_apply_move_panics_leaving_the_position(fen, args, message):
    board = Board(fen)
    before = snapshot(board)
    exc = panic(board.apply_move, Move(*args))
    assert snapshot(board) == before
    assert str(exc) == message
    assert board.pop().uci() == Move(*args).uci()
    assert snapshot(board) == before
    panic(board.pop)


def perft(board, depth):
    if depth == 0:
        return 1
    total = 0
    for move in board.legal_moves():
        board.apply_move(move)
        total += perft(board, depth - 1)
        board.pop()
    return total


PROMOTIONS = "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1"
DEVELOPED = "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8"


@pytest.mark.parametrize("fen, depth, nodes", [
    (START, 1, 20), (START, 2, 400), (START, 3, 8902),
    (ENDGAME, 1, 14), (ENDGAME, 2, 191), (ENDGAME, 3, 2812),
    (MIDGAME, 1, 48), (MIDGAME, 2, 2039), (MIDGAME, 3, 97862),
    (PROMOTIONS, 2, 264), (PROMOTIONS, 3, 9467),
    (DEVELOPED, 2, 1486), (DEVELOPED, 3, 62379),
])
def test_perft_node_counts(fen, depth, nodes):
    board = Board(fen)
    before = snapshot(board)
    assert perft(board, depth) == nodes
    assert snapshot(board) == before


READ_ONLY = ["legal_moves", "pseudo_legal_moves", "pawn_moves", "knight_moves",
             "bishop_moves", "rook_moves", "queen_moves", "king_moves",
             "_castling_moves", "_check_castling_rights", "is_check",
             "is_checkmate", "is_stalemate", "is_game_over", "_is_attacked"]


@pytest.mark.parametrize("member", READ_ONLY)
@pytest.mark.parametrize("name", POSITIONS)
def test_queries_leave_the_board_unchanged(name, member):
    board = POSITIONS[name]()
    before = snapshot(board)
    if member == "_is_attacked":
        results = [board._is_attacked(s) for s in range(64)]
        again = [board._is_attacked(s) for s in range(64)]
    else:
        results = getattr(board, member)()
        again = getattr(board, member)()
        if isinstance(results, list):
            results, again = uci(results), uci(again)
    assert results == again
    assert snapshot(board) == before

