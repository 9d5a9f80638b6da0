"""atheris target for the binding: random sequences of member calls on a few
boards and moves, with arguments drawn from the value pools of
tests/binding/calls.py and from the input itself (huge integers, odd
strings, objects of unrelated types, integer-likes whose __index__ re-enters
a board or move). Run it against the sanitized module (see mk/sanitize.mk).

Every call must return or raise one of the exceptions the binding documents;
anything else (SystemError from a result without an error set, a crash, a
sanitizer report) is a finding. After each call every object is still usable
(no borrow left behind), legal_moves is stable and leaves the board as it
was, a copy, a pickle and a reloaded state of each board hold the same game,
and each board's history holds exactly the moves applied to it, which is
checked at the end by taking them all back.

Board.__setstate__ is also given states of the world's boards damaged by the
input (cut short, bytes overwritten, inserted or dropped, another version):
each must load as a whole board or be refused with TypeError or ValueError.

Board.read_pgn is given bytes from the input, mixed with the PGN text of the
world's games, and a cut: read whole and as the two ranges either side of
the cut, the file must give the same games; every member of each game
answers, and each game's board writes a PGN that reads back as that game.
"""
import copy
import io
import os
import pickle
import sys

import atheris

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "binding"))
import calls  # noqa: E402
from plindervox import Board, Move  # noqa: E402

MEMBERS = calls.members()
DOCUMENTED = {"TypeError", "ValueError", "OverflowError", "RuntimeError", "AttributeError",
              "UnicodeEncodeError", "ZeroDivisionError", calls.PANIC,
              # Board.read_pgn given a text that names no readable file
              "FileNotFoundError", "IsADirectoryError", "NotADirectoryError", "PermissionError", "OSError"}
BOARDS = 3
STEPS = 24


class World:
    """The objects under test, and how many moves each board's history holds."""

    def __init__(self, fdp):
        self.boards = [Board(fdp.PickValueInList(calls.POSITIONS)) for _ in range(BOARDS)]
        self.history = [0] * BOARDS
        self.moves = [Move(12, 28), Move(4, 6), Move(52, 60, "q")]

    def objects_of(self, cls):
        return self.boards if cls is Board else self.moves


def wild_value(fdp, world, depth):
    """A value from the input rather than from a pool."""
    pick = fdp.ConsumeIntInRange(0, 7)
    if pick == 0:
        return fdp.ConsumeInt(fdp.ConsumeIntInRange(1, 40))  # any size, either sign
    if pick == 1:
        return fdp.ConsumeUnicode(fdp.ConsumeIntInRange(0, 4))
    if pick == 2:
        return fdp.ConsumeUnicodeNoSurrogates(fdp.ConsumeIntInRange(0, 90))
    if pick == 3:
        return fdp.PickValueInList([[], {}, (), object(), float("nan"), 1.0, b"", Board, Move, len])
    if pick == 4:
        return calls.Index(fdp.ConsumeInt(9))
    if pick == 5 and depth == 0:
        # __index__ that runs a random member on a random object of the world.
        inner = fdp.PickValueInList(MEMBERS)
        target = fdp.PickValueInList(world.objects_of(inner.cls))
        inner_args = [arguments_value(fdp, world, p, depth + 1) for p in inner.parameters if p.required]
        return calls.Index(fdp.ConsumeIntInRange(0, 70),
                           lambda: perform(world, inner, target, inner_args, reraise=True))
    return fdp.PickValueInList(world.moves + world.boards)


def damaged_state(fdp, world):
    """A world board's state, damaged as the input says."""
    version, data = fdp.PickValueInList(world.boards).__getstate__()
    data = bytearray(data)
    for _ in range(fdp.ConsumeIntInRange(1, 3)):
        at = fdp.ConsumeIntInRange(0, len(data))
        how = fdp.ConsumeIntInRange(0, 4)
        if how == 0:
            del data[at:]
        elif how == 1 and at < len(data):
            data[at] = fdp.ConsumeIntInRange(0, 255)
        elif how == 2:
            data[at:at] = bytes(fdp.ConsumeIntInRange(0, 255) for _ in range(fdp.ConsumeIntInRange(1, 8)))
        elif how == 3:
            del data[at:at + fdp.ConsumeIntInRange(1, 16)]
        else:
            version = fdp.ConsumeInt(fdp.ConsumeIntInRange(1, 9))
    return version, bytes(data)


def arguments_value(fdp, world, parameter, depth):
    if parameter.conversion == "board state data" and fdp.ConsumeBool():
        return damaged_state(fdp, world)
    pool = calls.VALUES[parameter.conversion]
    if fdp.ConsumeIntInRange(0, 3):
        return fdp.PickValueInList(pool)[0]
    return wild_value(fdp, world, depth)


def perform(world, member, receiver, args, kwargs=None, reraise=False, unbound=False):
    """One call, with the history count of a board receiver kept up to date.
    With `reraise` (a call made from __index__) its exception goes on up;
    `unbound` calls the method through the class, as Board.pop(receiver)."""
    error = None
    try:
        if unbound:
            result = getattr(member.cls, member.name)(receiver, *args, **(kwargs or {}))
        else:
            result = calls.call(member, receiver, args, kwargs)
        record(world, member, result)
        outcome = calls.OK
    except BaseException as raised:
        result = None  # PanicException derives from BaseException
        error, outcome = raised, type(raised).__name__
    if outcome not in DOCUMENTED and outcome != calls.OK:
        raise AssertionError(f"{member.label}{tuple(args)!r} {kwargs or ''}: raised {outcome}") from error
    if isinstance(receiver, Board) and receiver in world.boards and member.kind == "method":
        i = world.boards.index(receiver)
        if member.name == "__setstate__" and outcome == calls.OK:
            world.history[i] = history_length(receiver)
        if member.name in ("copy", "__copy__", "__deepcopy__") and outcome == calls.OK:
            j = (i + 1) % BOARDS  # the copy takes the next board's place, with its own history
            world.boards[j], world.history[j] = result, world.history[i]
        if member.name == "apply_move" and outcome in (calls.OK, calls.PANIC):
            world.history[i] += 1  # the core records the move before it checks it
        if member.name in ("apply_san", "apply_uci") and outcome == calls.OK:
            world.history[i] += 1  # these record the move only once it is read as legal
        if member.name == "pop" and outcome in (calls.OK, calls.PANIC):
            assert (outcome == calls.PANIC) == (world.history[i] == 0), (outcome, world.history[i])
            if outcome == calls.OK:
                world.history[i] -= 1
    if reraise and error is not None:
        raise error
    return outcome


def history_length(board):
    """How many moves pop() takes back, counted on a copy."""
    scratch, count = board.copy(), 0
    while calls.outcome(scratch.pop) == calls.OK:
        count += 1
    return count


def record(world, member, result):
    """A constructed object joins the world in place of an older one; the
    moves of a list result are read back, as a caller would."""
    if isinstance(result, list):
        for move in result:
            move.uci()
    if member.kind == "constructor" and isinstance(result, Board):
        world.boards[0], world.history[0] = result, 0
    elif member.kind == "constructor" and isinstance(result, Move):
        world.moves[0] = result
    return result


def games_summary(games):
    return [(g.headers, [m.uci() for m in g.moves], g.starting_fen, g.result, g.errors) for g in games]


def read_hostile_pgn(world, fdp):
    """A file of input bytes and world games, read whole and in two ranges."""
    parts = []
    for _ in range(fdp.ConsumeIntInRange(1, 4)):
        if fdp.ConsumeBool():
            board = fdp.PickValueInList(world.boards)
            try:
                parts.append(board.pgn().encode())
            except ValueError:  # a history that is no game
                pass
        else:
            parts.append(fdp.ConsumeBytes(fdp.ConsumeIntInRange(0, 200)))
    data = b"".join(parts)
    cut = fdp.ConsumeIntInRange(0, len(data))
    whole = list(Board.read_pgn(io.BytesIO(data), strict=False))
    halves = list(Board.read_pgn(io.BytesIO(data), stop=cut)) + list(Board.read_pgn(io.BytesIO(data), start=cut))
    assert games_summary(whole) == games_summary(halves), (data, cut)
    for game in whole:
        try:
            board = game.board()
        except ValueError:
            assert game.errors, "a game without a position has an error"
            continue
        [again] = Board.read_pgn(io.BytesIO(board.pgn().encode()))
        assert [m.uci() for m in again.moves] == [m.uci() for m in game.moves] and not again.errors, (data, again.errors)
        assert again.board().fen() == board.fen()
    strict_refused = False
    try:
        list(Board.read_pgn(io.BytesIO(data), strict=True))
    except ValueError:
        strict_refused = True
    assert strict_refused == any(game.errors for game in whole), data


def one_call(world, fdp):
    if fdp.ConsumeIntInRange(0, 15) == 0:
        return read_hostile_pgn(world, fdp)
    member = fdp.PickValueInList(MEMBERS)
    objects = world.objects_of(member.cls)
    receiver = fdp.PickValueInList(objects) if member.kind != "constructor" else None
    if member.kind == "property":
        mode = fdp.ConsumeIntInRange(0, 3)
        args = [calls.GET] if mode == 0 else [calls.DELETE] if mode == 1 else \
            [arguments_value(fdp, world, member.parameters[0], 0)]
        return perform(world, member, receiver, args)
    args = [arguments_value(fdp, world, p, 0) for p in member.parameters
            if p.required or fdp.ConsumeBool()]
    kwargs = {}
    shape = fdp.ConsumeIntInRange(0, 7)
    if shape == 0 and args:  # the last argument by keyword
        kwargs[member.parameters[len(args) - 1].name] = args.pop()
    elif shape == 1:
        args.append(wild_value(fdp, world, 1))
    elif shape == 2:
        kwargs[fdp.PickValueInList([p.name for p in member.parameters] + ["x", "self", "\u00e9"])] = 0
    elif shape == 3 and args:
        args.pop()
    if shape == 4 and member.kind == "method":  # unbound, with any receiver
        receiver = fdp.PickValueInList(world.moves + world.boards)
        return perform(world, member, receiver, args, kwargs, unbound=True)
    return perform(world, member, receiver, args, kwargs)


def check(world):
    """Every object still usable; legal_moves stable and leaving the board as
    it was; copies, pickles and reloaded states the same game; the position
    text loading back to a board with the same diagram and position text,
    whatever the sets (fen() writes what the diagram shows)."""
    for board in world.boards:
        text, turn = str(board), board.turn
        first = [m.uci() for m in board.legal_moves()]
        second = [m.uci() for m in board.legal_moves()]
        assert first == second and str(board) == text and board.turn is turn, (text, first, second)
        state = board.__getstate__()
        again = Board()
        again.__setstate__(state)
        for other in (again, board.copy(), copy.deepcopy(board), pickle.loads(pickle.dumps(board, 2))):
            assert other.__getstate__() == state and other.fen() == board.fen(), (board.fen(), other.fen())
        loaded = Board(board.fen())
        assert loaded.fen() == board.fen() and str(loaded) == text, (board.fen(), loaded.fen())
    for move in world.moves:
        move.from_square = move.from_square  # the exclusive borrow is free
        assert move.uci() == str(move)


def unwind(world):
    """Each board's history holds exactly the moves applied to it."""
    for board, count in zip(world.boards, world.history):
        for _ in range(count):
            board.pop()
        assert calls.outcome(board.pop) == calls.PANIC, f"more than {count} moves on the history"


def TestOneInput(data):
    fdp = atheris.FuzzedDataProvider(data)
    world = World(fdp)
    for _ in range(fdp.ConsumeIntInRange(1, STEPS)):
        one_call(world, fdp)
        check(world)
    unwind(world)


def main():
    atheris.Setup(sys.argv, TestOneInput)
    atheris.Fuzz()


if __name__ == "__main__":
    main()
