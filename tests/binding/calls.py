"""Every way into the binding, found by looking at the classes themselves.

Board and Move are read member by member (constructor, methods with their text
signatures, properties, text slots), so that a member added later is picked up
without an edit here; a parameter or property whose name has no value pool
below stops the drivers with an error naming it. For each member the calls
reach the success path and every failure path: wrong argument types, counts
and keywords, values out of range, core failures (PanicException), foreign
receivers, and borrow conflicts raised from a re-entrant __index__.

Used by the reference-leak check (refleaks.py) and the atheris target
(fuzz/fuzz_binding.py).
"""
import ast
import inspect
import io
from dataclasses import dataclass, field
from pathlib import Path

from plindervox import Board, Move

START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
CASTLE = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"
EN_PASSANT = "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3"
PROMOTION = "8/P7/8/8/8/8/8/k6K w - - 0 1"
NO_KINGS = "8/8/8/8/8/8/8/8 w - - 0 1"
POSITIONS = [START, CASTLE, EN_PASSANT, PROMOTION, NO_KINGS]

OK = "ok"          # the call returns
PANIC = "PanicException"
GET, DELETE = object(), object()  # in place of a property's value: read it, delete it


class Index:
    """An integer-like object: __index__ runs `action` (if any), then gives `value`."""

    def __init__(self, value=0, action=None):
        self.value, self.action = value, action

    def __index__(self):
        if self.action is not None:
            self.action()
        return self.value


class IndexRaises:
    def __index__(self):
        raise ZeroDivisionError("from __index__")


class IndexNotInt:
    def __index__(self):
        return "1"


def numpy_like_bool(result=None, has_bool=True):
    """Passes for a NumPy bool (module and name match); __bool__ gives `result`."""
    namespace = {"__module__": "numpy"}
    if has_bool:
        namespace["__bool__"] = lambda self: result
    return type("bool_", (), namespace)()


class Reenter:
    """Stands for an Index whose __index__ calls `action(receiver)` on the
    object the call is made on, then gives `value`."""

    def __init__(self, action, value=0):
        self.action, self.value = action, value

    def resolve(self, receiver):
        return Index(self.value, lambda: self.action(receiver))


# Re-entry that holds a board exclusively and one that only reads it.
def _exclusive_use(obj):
    return obj.legal_moves() if isinstance(obj, Board) else setattr(obj, "to_square", 1)


def _shared_use(obj):
    return obj.get_pieces("P") if isinstance(obj, Board) else obj.uci()


# Values by conversion. Each entry is (value, outcome): the exception the
# conversion raises, or None when it converts (the member may still fail in
# the core, which the drivers allow for such values).
_INTEGER_MISTAKES = [
    (1.5, "TypeError"), ("1", "TypeError"), (None, "TypeError"), (b"\x01", "TypeError"),
    (IndexRaises(), "ZeroDivisionError"), (IndexNotInt(), "TypeError"),
    (-1, "OverflowError"), (2 ** 64, "OverflowError"), (-(2 ** 70), "OverflowError"), (10 ** 40, "OverflowError"),
]
_CHARACTER_MISTAKES = [
    (1, "TypeError"), (None, "TypeError"), (b"P", "TypeError"), ("", "ValueError"), ("PQ", "ValueError"),
    ("\ud800", "UnicodeEncodeError"),
]
VALUES = {
    "u8": [(0, None), (28, None), (63, None), (64, None), (255, None), (True, None), (Index(12), None)]
          + [(256, "OverflowError")] + _INTEGER_MISTAKES,
    "u32": [(0, None), (12, None), (28, None), (63, None), (64, None), (2 ** 32 - 1, None), (Index(4), None)]
           + [(2 ** 32, "OverflowError")] + _INTEGER_MISTAKES,
    "u64": [(0, None), (1 << 27, None), (0xFF00, None), (2 ** 64 - 1, None), (Index(1 << 12), None)]
           + _INTEGER_MISTAKES,
    "character": [(c, None) for c in "PpRrNnBbQqKkAaWwx\u00e9\U0001F600"] + _CHARACTER_MISTAKES,
    "promotion": [(None, None), ("q", None), ("n", None), ("Q", None), ("\u00e9", None)] + _CHARACTER_MISTAKES[:1]
                 + _CHARACTER_MISTAKES[2:],
    "text": [(None, None), (START, None), (CASTLE, None), (NO_KINGS, None), ("8/8 w", None),
             ("", None), ("x" * 300, None), ("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e9 0 1", None),
             (5, "TypeError"), (b"8/8", "TypeError"), ("\ud800", "UnicodeEncodeError")],
    "truth": [(True, None), (False, None), (numpy_like_bool(True), None), (numpy_like_bool(False), None),
              (1, "TypeError"), (None, "TypeError"), ("w", "TypeError"), (numpy_like_bool(1), "TypeError"),
              (numpy_like_bool(has_bool=False), "TypeError")],
    "move": [(Move(12, 28), None), (Move(4, 6), None), (Move(52, 60, "q"), None), (Move(0, 70), None),
             (Move(12, 20, "Q"), None), (Move(40, 41), None),
             (5, "TypeError"), (None, "TypeError"), ("e2e4", "TypeError"), (Board(), "TypeError")],
    "board_state": [(5, "TypeError"), (None, "TypeError"), (Board(), "TypeError"), (Move(1, 2), "TypeError")],
    "board square": [(0, None), (28, None), (63, None), (True, None), (Index(12), None),
                     (64, "OverflowError"), (255, "OverflowError"), (256, "OverflowError")] + _INTEGER_MISTAKES,
    "uci": [("e2e4", None), ("e7e8q", None), ("h7g8n", None), ("a1a1", None),
            ("e2e9", "ValueError"), ("e7e8Q", "ValueError"), ("a9h32", "ValueError"), ("", "ValueError"),
            ("e2e4 ", "ValueError"), ("\ud800", "ValueError"), (5, "TypeError"), (None, "TypeError"),
            (b"e2e4", "TypeError")],
    "anything": [(None, None), ({}, None), (2, None), (Board(), None)],
    # Move text read by the board (SAN, UCI): any str converts; the board
    # may still reject it (ValueError, see REJECTING).
    "move_text": [("e4", None), ("Nf3+", None), ("O-O", None), ("e2e4", None), ("e7e8q", None), ("", None),
                  ("x" * 300, None), ("\u00e9", None), (5, "TypeError"), (None, "TypeError"), (b"e4", "TypeError"),
                  ("\ud800", "UnicodeEncodeError")],
    "count": [(3, None), (0, None), (2 ** 32 - 1, None), (None, None), (Index(2), None)]
             + [(2 ** 32, "OverflowError")] + [v for v in _INTEGER_MISTAKES if v[0] is not None],
    "flag": [(False, None), (True, None), (None, None), (numpy_like_bool(True), None),
             (1, "TypeError"), ("yes", "TypeError")],
    # Binary file objects only: the reader takes no bytes until it is iterated,
    # and a path would leave a file open until the reader is collected.
    "pgn_source": [(io.BytesIO(b"1. e4 e5 *"), None), (io.BytesIO(b""), None),
                   ("/nonexistent/games.pgn", "FileNotFoundError"), (5, "TypeError"), (None, "TypeError"),
                   (io.StringIO("1. e4 *"), "TypeError"), ("\ud800", "UnicodeEncodeError")],
}
VALUES["pgn_headers"] = [(None, None), ({}, None), ({"Event": "x", "ECO": "C42"}, None),
                         ({"Bad Name": "x"}, "ValueError"), ({"Event": 1}, "TypeError"), ([], "TypeError"),
                         (5, "TypeError"), ({"Event": "\ud800"}, "UnicodeEncodeError")]
VALUES["optional_u64"] = [(None, None)] + [(v, o) for v, o in VALUES["u64"] if v is not None]


def _board_states():
    """Boards' states as __setstate__ takes them, and damaged ones."""
    played = Board(CASTLE)
    for move in (Move(0, 1), Move(63, 62), Move(4, 6)):
        played.apply_move(move)
    odd = Board("8/8/8/8/8/8/8/8 w \u00e9K\u00e9 - 18446744073709551615 0")
    odd.set_pieces_or("P", 0xFF00FF)
    odd.set_pieces_xor("k", 1 << 40)
    try:
        odd.apply_move(Move(70, 2, "\U0001F600"))
    except BaseException:  # PanicException: refused, and recorded all the same
        pass
    version, data = played.__getstate__()
    castling = b"\x04\x00\x00\x00KQkq"  # a snapshot's castling text, after its byte count
    return [((version, data), None), (Board().__getstate__(), None), (odd.__getstate__(), None),
            ((2, data), "ValueError"), ((-1, data), "ValueError"), ((version, data[:-1]), "ValueError"),
            ((version, data + b"\0"), "ValueError"), ((version, b""), "ValueError"),
            ((version, data[:3] + b"\xff" + data[4:]), "ValueError"),
            ((version, data.replace(castling, castling[:6] + b" q", 1)), "ValueError"),
            ((version, data.replace(castling, castling[:6] + b"\xffq", 1)), "ValueError"),
            (data, "TypeError"), ((version,), "TypeError"), ((version, data, 0), "TypeError"),
            ((str(version), data), "TypeError"), ((version, bytearray(data)), "TypeError"),
            ((True, data), "TypeError"), (None, "TypeError"), (Move(1, 2).__getstate__(), "TypeError")]


def _move_states():
    return [((1, 12, 28, None), None), ((1, 52, 60, "q"), None), ((1, 2 ** 32 - 1, 64, "\u00e9"), None),
            ((2, 12, 28, None), "ValueError"), ((1, -1, 28, None), "ValueError"), ((1, 12, 2 ** 32, None), "ValueError"),
            ((1, 12, 28, "qq"), "ValueError"), ((1, 12, 28, "\ud800"), "UnicodeEncodeError"),
            ((1, 12.0, 28, None), "TypeError"), ((1, 12, 28, 5), "TypeError"), ((1, 12, 28), "TypeError"),
            ([1, 12, 28, None], "TypeError"), (None, "TypeError"), (Board().__getstate__(), "TypeError")]


VALUES["board state data"] = _board_states()
VALUES["move state data"] = _move_states()
# Members that may reject a value that converts (text naming no legal move,
# a move that is not legal): ValueError.
REJECTING = {"san", "parse_san", "apply_san", "parse_uci", "apply_uci"}

# The conversion of each parameter and property, by name.
CONVERSIONS = {
    "starting_fen": "text", "piece_type": "character", "id": "character", "bitboard": "u64",
    "from_mask": "u64", "to_mask": "u64", "square": "u8", "mov": "move", "board_state": "board_state",
    "from_square": "u32", "to_square": "u32", "promotion": "promotion", "turn": "truth",
    "headers": "pgn_headers", "source": "pgn_source", "strict": "truth", "start": "u64", "stop": "optional_u64",
    "move": "move", "text": "move_text", "count": "count", "claim_draw": "flag",
    "memo": "anything", "protocol": "anything",
}
# Where one member converts a parameter unlike the others of that name.
MEMBER_CONVERSIONS = {
    "Board.piece_at": {"square": "board square"},
    "Board.__setstate__": {"state": "board state data"},
    "Move.__setstate__": {"state": "move state data"},
    "Move.from_uci": {"text": "uci"},
}
INTEGER_CONVERSIONS = {"u8", "u32", "u64", "count"}

# Members the drivers know to leave alone: the interpreter's own, and the
# subclass guard (reached by class creation, see `Member.kind == "subclass"`).
# copyreg leaves __slotnames__ on a class it was asked to pickle.
NOT_CALLED = {"__doc__", "__module__", "__new__", "__setattr__", "__delattr__", "__dict__", "__weakref__",
              "__slotnames__"}


@dataclass
class Parameter:
    name: str
    conversion: str
    required: bool
    keyword_only: bool = False


@dataclass
class Member:
    cls: type
    name: str
    kind: str           # constructor, method, static, property, text, subclass
    parameters: list = field(default_factory=list)

    @property
    def label(self):
        return f"{self.cls.__name__}.{self.name}"


def conversion_of(name, where):
    try:
        return MEMBER_CONVERSIONS.get(where, {}).get(name) or CONVERSIONS[name]
    except KeyError:
        raise LookupError(f"{where}: no value pool for '{name}'; add it to CONVERSIONS in {__file__}") from None


STUB = Path(__file__).resolve().parents[2] / "src" / "plindervox-stubs" / "__init__.pyi"


def stub_parameters(where):
    """(name, required, keyword-only) of each parameter of `where`
    ("Board.get_pieces", "Board.__new__") as the type stub declares it."""
    class_name, member = where.split(".")
    for node in ast.parse(STUB.read_text()).body:
        if isinstance(node, ast.ClassDef) and node.name == class_name:
            for item in node.body:
                if isinstance(item, ast.FunctionDef) and item.name == member:
                    static = any(getattr(d, "id", None) == "staticmethod" for d in item.decorator_list)
                    arguments = item.args.args[0 if static else 1:]  # past self / cls
                    first_default = len(arguments) - len(item.args.defaults)
                    return [(a.arg, i < first_default, False) for i, a in enumerate(arguments)] + [
                        (a.arg, d is None, True) for a, d in zip(item.args.kwonlyargs, item.args.kw_defaults)]
    raise LookupError(f"{where}: not in {STUB}")


def signature_parameters(callable_, where):
    """(name, required, keyword-only) of each parameter. PyPy gives methods
    of a native class no signature, and PyPy 3.11 gives the classes that of
    object.__init__ (*args, **keywords); for them the type stub says."""
    try:
        parameters = inspect.signature(callable_).parameters.values()
    except ValueError:
        return stub_parameters(where)
    if any(p.kind in (p.VAR_POSITIONAL, p.VAR_KEYWORD) for p in parameters):
        return stub_parameters(where)
    # The receiver (self, or the class of a class method) comes first, positional-only.
    return [(p.name, p.default is inspect.Parameter.empty, p.kind == p.KEYWORD_ONLY)
            for p in parameters if p.kind != p.POSITIONAL_ONLY]


def parameters_of(callable_, where):
    return [Parameter(name, conversion_of(name, where), required, keyword_only)
            for name, required, keyword_only in signature_parameters(callable_, where)]


def members(classes=(Board, Move)):
    """Every member of the classes, in definition order."""
    found = []
    for cls in classes:
        found.append(Member(cls, "__new__", "constructor", parameters_of(cls, f"{cls.__name__}.__new__")))
        for name, attribute in vars(cls).items():
            where = f"{cls.__name__}.{name}"
            if name in NOT_CALLED:
                continue
            if name in ("__str__", "__repr__"):
                found.append(Member(cls, name, "text"))
            elif name == "__init_subclass__":
                found.append(Member(cls, name, "subclass"))
            elif isinstance(attribute, staticmethod):
                found.append(Member(cls, name, "static", parameters_of(getattr(cls, name), where)))
            elif type(attribute).__name__ == "getset_descriptor":
                found.append(Member(cls, name, "property", [Parameter(name, conversion_of(name, where), True)]))
            elif callable(attribute):
                found.append(Member(cls, name, "method", parameters_of(attribute, where)))
            else:
                raise LookupError(f"{where}: a {type(attribute).__name__} the drivers do not know how to call")
    return found


def new_receiver(cls, pick=0):
    """A fresh object to call a member on; boards with pick >= len(POSITIONS)
    have a move on their history, so that pop has something to take back."""
    if cls is Move:
        return Move(12, 28, "q" if pick % 2 else None)
    board = Board(POSITIONS[pick % len(POSITIONS)])
    if pick >= len(POSITIONS):
        moves = board.legal_moves()
        if moves:
            board.apply_move(moves[0])
    return board


def foreign_receiver(cls):
    return Board() if cls is Move else Move(1, 2)


def resolve(value, receiver):
    """A Reenter acts on the receiver; a constructor has none, so on a new board."""
    if not isinstance(value, Reenter):
        return value
    return value.resolve(receiver if receiver is not None else Board())


def call(member, receiver, args=(), kwargs=None):
    """Calls the member as Python code would; returns the result."""
    kwargs = kwargs or {}
    args = [resolve(a, receiver) for a in args]
    kwargs = {k: resolve(v, receiver) for k, v in kwargs.items()}
    if member.kind == "constructor":
        return member.cls(*args, **kwargs)
    if member.kind == "text":
        return str(receiver) if member.name == "__str__" else repr(receiver)
    if member.kind == "subclass":
        return type("Derived", (member.cls,), {})
    if member.kind == "property":
        if args[0] is GET:
            return getattr(receiver, member.name)
        if args[0] is DELETE:
            return delattr(receiver, member.name)
        return setattr(receiver, member.name, *args)
    if member.kind == "static":
        # Arguments come in parameter order; keyword-only ones go by keyword,
        # and any beyond the parameters stay positional.
        params = member.parameters
        positional = [a for p, a in zip(params, args) if not p.keyword_only] + list(args[len(params):])
        keywords = {p.name: a for p, a in zip(params, args) if p.keyword_only}
        return getattr(member.cls, member.name)(*positional, **keywords, **kwargs)
    return getattr(receiver, member.name)(*args, **kwargs)


def outcome(thunk):
    """What a call gave: OK or the name of the exception type it raised."""
    try:
        result = thunk()
        if isinstance(result, list):  # read the moves back, as a caller would
            for move in result:
                move.uci()
        return OK
    except BaseException as error:  # PanicException derives from BaseException
        return type(error).__name__


@dataclass
class Case:
    member: Member
    what: str
    thunk: object
    expected: frozenset  # outcomes that count as right


def _good(conversion):
    return [(v, o) for v, o in VALUES[conversion] if o is None]


def cases(member_list=None):
    """The Case list of every member (of `member_list`, default all)."""
    found = []
    for member in member_list if member_list is not None else members():
        found.extend(_cases_of(member))
    return found


def _cases_of(member):
    cls = member.cls
    # Success-or-core-failure outcomes: a converted value may still be refused by the core.
    converted = frozenset({OK, PANIC} | ({"ValueError"} if member.name in REJECTING else set()))
    result = []

    def add(what, thunk, expected):
        result.append(Case(member, what, thunk, frozenset(expected)))

    if member.kind == "subclass":
        add("subclass", lambda: call(member, None), {"TypeError"})
        return result
    if member.kind == "text":
        for pick in range(2 * len(POSITIONS)):
            add(f"receiver {pick}", lambda pick=pick: call(member, new_receiver(cls, pick)), {OK})
        add("foreign receiver", lambda: getattr(cls, member.name)(foreign_receiver(cls)), {"TypeError"})
        return result
    if member.kind == "property":
        [p] = member.parameters
        for pick in range(2):
            add(f"get {pick}", lambda pick=pick: call(member, new_receiver(cls, pick), [GET]), {OK})
        add("delete", lambda: call(member, new_receiver(cls), [DELETE]), {"AttributeError"})
        for value, error in VALUES[p.conversion]:
            add(f"set {value!r}", lambda v=value: call(member, new_receiver(cls), [v]), {error or OK})
        # The value is converted before the receiver is held, so re-entry succeeds.
        if p.conversion in INTEGER_CONVERSIONS:
            for use in (_exclusive_use, _shared_use):
                add(f"set re-entering ({use.__name__})",
                    lambda use=use: call(member, new_receiver(cls), [Reenter(use, 3)]), {OK})
        descriptor = vars(cls)[member.name]
        add("foreign get", lambda: descriptor.__get__(foreign_receiver(cls)), {"TypeError"})
        add("foreign set", lambda: descriptor.__set__(foreign_receiver(cls), _good(p.conversion)[0][0]),
            {"TypeError"})
        return result

    params = member.parameters
    on_instance = member.kind == "method"

    def receiver(pick=0):
        return new_receiver(cls, pick) if on_instance else None

    # Success paths (and core failures) for every good value of each parameter in
    # turn. A parameter no Python value converts to (a BoardState) fails the call
    # whatever the others are.
    base = [(_good(p.conversion) or VALUES[p.conversion])[0][0] for p in params]
    refused = [VALUES[p.conversion][0][1] for p in params if not _good(p.conversion)]
    base_outcomes = {refused[0]} if refused else converted
    for pick in range(2 * len(POSITIONS) if on_instance else 1):
        add(f"defaults on receiver {pick}", lambda pick=pick: call(member, receiver(pick), base), base_outcomes)
    for i, p in enumerate(params):
        for value, error in VALUES[p.conversion]:
            args = list(base)
            args[i] = value
            expected = {error} if error else base_outcomes
            add(f"{p.name}={value!r}", lambda a=args: call(member, receiver(1), a), expected)
            add(f"{p.name}={value!r} by keyword",
                lambda a=args: call(member, receiver(1), [], dict(zip((q.name for q in params), a))), expected)
        if p.conversion in INTEGER_CONVERSIONS:
            # While a method holds its receiver, re-entry that needs the board fails
            # ("Already borrowed" / "Already mutably borrowed"); a constructor holds nothing.
            for use in (_exclusive_use, _shared_use):
                args = list(base)
                args[i] = Reenter(use, _good(p.conversion)[1][0])
                expected = ({"RuntimeError"} if use is _exclusive_use else {"RuntimeError"} | base_outcomes) \
                    if on_instance else base_outcomes
                add(f"{p.name} re-entering ({use.__name__})", lambda a=args: call(member, receiver(2), a), expected)

    # Argument counts and keywords.
    names = [p.name for p in params]
    add("one positional too many", lambda: call(member, receiver(), base + [0]), {"TypeError"})
    add("unknown keyword", lambda: call(member, receiver(), base, {"no_such_parameter": 1}), {"TypeError"})
    if params:
        add("keyword repeats a positional",
            lambda: call(member, receiver(), base, {names[0]: base[0]}), {"TypeError"})
        if any(p.required for p in params):
            add("required missing", lambda: call(member, receiver(), []), {"TypeError"})
        add("keyword without a UTF-8 form", lambda: call(member, receiver(), base[:-1], {"\ud800": 1}),
            {"TypeError", "UnicodeEncodeError"})
    if on_instance:
        add("foreign receiver", lambda: getattr(cls, member.name)(foreign_receiver(cls), *base),
            {"TypeError"})
    elif member.kind == "constructor":
        add("__new__ with a foreign class", lambda: cls.__new__(foreign_receiver(cls).__class__, *base),
            {"TypeError"})
        add("__new__ with a non-type", lambda: cls.__new__(5, *base), {"TypeError"})
    return result
