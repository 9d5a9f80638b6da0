"""Plays a random legal game and prints its moves, the final position and the result.

    python examples/random_game.py [--fen FEN] [--seed N] [--max-plies N]

Legal moves come in a fixed order, so the same position and seed always give
the same game. The library ends a game only by checkmate or stalemate; a game
still going after --max-plies half-moves stops without a result.
"""
import argparse
import random
import sys
from typing import List, Optional

from plindervox import Board, Move

START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"


def load(fen: str) -> Board:
    try:
        return Board(fen)
    except BaseException as exc:  # PanicException derives from BaseException
        if type(exc).__name__ != "PanicException":
            raise
        sys.exit(f"random_game.py: cannot load {fen!r}: {exc}")


def play(board: Board, rng: random.Random, max_plies: int) -> List[Move]:
    played: List[Move] = []
    while len(played) < max_plies:
        moves = board.legal_moves()
        if not moves:
            break
        move = rng.choice(moves)
        board.apply_move(move)
        played.append(move)
    return played


def move_list(moves: List[Move], white_first: bool, number: int, width: int = 78) -> List[str]:
    """Numbered lines: '1. e2e4 e7e5 2. g1f3 ...', or '1... e7e5 2. ...' when Black starts."""
    words: List[str] = []
    white = white_first
    for i, move in enumerate(moves):
        if white:
            words.append(f"{number}. {move.uci()}")
        elif i == 0:
            words.append(f"{number}... {move.uci()}")
        else:
            words.append(move.uci())
        if not white:
            number += 1
        white = not white
    lines = [""]
    for word in words:
        if lines[-1] and len(lines[-1]) + 1 + len(word) > width:
            lines.append("")
        lines[-1] = f"{lines[-1]} {word}" if lines[-1] else word
    return lines if words else []


def result(board: Board, plies: int) -> str:
    if board.is_checkmate():
        return "0-1, White is checkmated" if board.turn else "1-0, Black is checkmated"
    if board.is_stalemate():
        return "1/2-1/2, stalemate"
    return f"*, unfinished after {plies} half-moves"


def full_move_number(fen: str) -> int:
    fields = fen.split(" ")
    return int(fields[5]) if len(fields) > 5 and fields[5].isdigit() else 1


def main(argv: Optional[List[str]] = None) -> None:
    parser = argparse.ArgumentParser(description="Play a random legal game.")
    parser.add_argument("--fen", default=START, help="starting position (default: the standard start)")
    parser.add_argument("--seed", type=int, help="random seed (default: a fresh one, printed)")
    parser.add_argument("--max-plies", type=int, default=300, help="stop after this many half-moves (default 300)")
    args = parser.parse_args(argv)
    seed = args.seed if args.seed is not None else random.randrange(2**32)

    board = load(args.fen)
    white_first = board.turn
    print(f"Random game from {args.fen}, seed {seed}")
    moves = play(board, random.Random(seed), args.max_plies)
    for line in move_list(moves, white_first, full_move_number(args.fen)):
        print(line)
    print()
    print(board)
    print()
    print(f"Result: {result(board, len(moves))}")


if __name__ == "__main__":
    main()
