"""Writes a PGN file of random legal games, for the reading benchmark and the
game-database example.

    python bench/pgn_games.py FILE [--games N] [--seed S]

Each game is played from the standard start by picking a legal move at
random until the game ends (checkmate, stalemate, insufficient material,
the seventy-five-move rule, fivefold repetition) or it reaches its length,
drawn between 20 and 160 plies (about 90 on average, as in the games of
real databases). Its tags are the seven-tag roster, an ECO code drawn from a
few dozen (so that the example has openings to count) and PlyCount; the
file is the same for the same seed.
"""
import argparse
import random
import sys
from pathlib import Path
from typing import Dict, List, Optional

from plindervox import Board

ECO_CODES = [f"{letter}{number:02d}" for letter in "ABCDE" for number in range(0, 100, 11)]


def random_game(rng: random.Random, number: int) -> str:
    board = Board()
    plies = 0
    for _ in range(rng.randint(20, 160)):
        moves = board.legal_moves()
        if not moves or board.result() != "*":
            break
        board.apply_move(rng.choice(moves))
        plies += 1
    headers: Dict[str, str] = {
        "Event": "Random games", "Site": "plindervox bench", "Date": "2026.12.10", "Round": str(number),
        "White": f"Player {rng.randint(1, 500)}", "Black": f"Player {rng.randint(1, 500)}",
        "ECO": rng.choice(ECO_CODES), "PlyCount": str(plies),
    }
    return board.pgn(headers)


def write_games(path: Path, games: int, seed: int) -> None:
    rng = random.Random(seed)
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        for number in range(1, games + 1):
            out.write(random_game(rng, number))
            out.write("\n")


def main(argv: Optional[List[str]] = None) -> int:
    parser = argparse.ArgumentParser(description="A PGN file of random legal games.")
    parser.add_argument("file", type=Path)
    parser.add_argument("--games", type=int, default=100_000)
    parser.add_argument("--seed", type=int, default=20261210)
    args = parser.parse_args(argv)
    write_games(args.file, args.games, args.seed)
    return 0


if __name__ == "__main__":
    sys.exit(main())
