"""Shared helpers for the plindervox Python tests."""
import os

import pytest

START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
EMPTY = "8/8/8/8/8/8/8/8 w - - 0 1"
CASTLE = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"
EN_PASSANT = "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3"
PROMOTION = "8/P7/8/8/8/8/8/k6K w - - 0 1"
ENDGAME = "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"
STALEMATE = "k7/8/1Q6/8/8/8/8/2K5 b - - 0 1"
MIDGAME = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"

START_DIAGRAM = "\n".join([
    "r n b q k b n r",
    "p p p p p p p p",
    ". . . . . . . .",
    ". . . . . . . .",
    ". . . . . . . .",
    ". . . . . . . .",
    "P P P P P P P P",
    "R N B Q K B N R",
])
EMPTY_DIAGRAM = "\n".join([". . . . . . . ."] * 8)

# Under an emulator (the arm64 runs go through qemu-user, set by the Makefile)
# every program takes about ten times as long as here, and so may the child
# processes some tests start; their time limits grow with it.
TIME_SCALE = 10 if os.environ.get("PLINDERVOX_EMULATED") else 1


def time_limit(seconds):
    """`seconds` on this machine, as long as a child process may take here."""
    return seconds * TIME_SCALE


# Every letter get_pieces() understands, in both cases.
LETTERS = "wWaApPnNbBrRqQkK"


def uci(moves):
    return [m.uci() for m in moves]


def find_move(board, text):
    """The legal move of `board` whose UCI text is `text`."""
    matches = [m for m in board.legal_moves() if m.uci() == text]
    assert len(matches) == 1, f"{text} not legal in\n{board}"
    return matches[0]


def play(board, *texts):
    for text in texts:
        board.apply_move(find_move(board, text))
    return board


def square(text):
    """'e4' -> 28."""
    return (ord(text[1]) - ord("1")) * 8 + ord(text[0]) - ord("a")


def cell(board, text):
    """The rendered character of one square, e.g. cell(b, 'e2')."""
    rows = str(board).split("\n")
    return rows[8 - int(text[1])][2 * (ord(text[0]) - ord("a"))]


def snapshot(board):
    """Everything a caller can read back from a board without changing it."""
    return (
        tuple(board.get_pieces(c) for c in LETTERS),
        board.turn,
        str(board),
        uci(board.legal_moves()),
        uci(board._castling_moves()),
        board._check_castling_rights(),
        board.is_check(),
    )


def panic(fn, *args, **kwargs):
    """Call fn, require a PanicException, and return it."""
    with pytest.raises(BaseException) as info:
        fn(*args, **kwargs)
    assert type(info.value).__name__ == "PanicException", repr(info.value)
    return info.value
