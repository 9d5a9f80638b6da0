"""A short tour of plindervox: positions, moves, a game played move by move,
and a perft count from the starting position."""
import time
from typing import List

import plindervox
from plindervox import Board, Move


def status(board: Board) -> str:
    if board.is_checkmate():
        return "checkmate"
    if board.is_stalemate():
        return "stalemate"
    return "check" if board.is_check() else "in play"


def play(board: Board, moves: List[str]) -> None:
    for text in moves:
        move = next(m for m in board.legal_moves() if m.uci() == text)
        board.apply_move(move)
        print(f"after {text}: {len(board.legal_moves())} legal moves, {status(board)}")
    print(board)


def perft(board: Board, depth: int) -> int:
    if depth == 0:
        return 1
    leaves = 0
    for move in board.legal_moves():
        board.apply_move(move)
        leaves += perft(board, depth - 1)
        board.pop()
    return leaves


def main() -> None:
    plindervox.hello_world()
    move = Move(52, 60, "q")
    print(f"Move(52, 60, 'q') is {move.uci()}: from {move.from_square} to {move.to_square}, promotes to {move.promotion}")

    fen = "r3k2r/pppq1ppp/2np1n2/2b1p1B1/2B1P1b1/2NP1N2/PPPQ1PPP/R3K2R w KQkq - 4 8"
    board = Board(fen)
    print(f"\nPosition {fen}\n{board}")
    print("castling moves:", [m.uci() for m in board._castling_moves()])

    print("\nA short game from the start:")
    play(Board(), ["f2f3", "e7e5", "g2g4", "d8h4"])

    board = Board()
    for depth in range(1, 5):
        start = time.perf_counter()
        leaves = perft(board, depth)
        seconds = time.perf_counter() - start
        print(f"perft({depth}) from the start: {leaves} leaves in {seconds:.3f} s")


if __name__ == "__main__":
    main()
