"""The standard library's generic object protocols applied to boards, moves
and their classes: copy, deepcopy, pickle 0-5, copyreg, __reduce__ and
__reduce_ex__, object.__new__, __new__ with odd first arguments, weak
references, vars, dir, __class__ assignment, __init__ called again,
getsizeof, equality and hashing, __sizeof__, __format__, subclassing and the
garbage collector's view. Each case's outcome is what it returned (described
so that it reads the same in every process and under every interpreter) or
the exception it raised, with its type and message.

    python tests/binding/protocols.py            # prints {case: outcome} as JSON
    python tests/binding/protocols.py --record F # writes it to F

tests/python/test_protocols.py runs this in a child process under each
interpreter and compares the outcomes with those recorded under CPython 3.13
(protocol_outcomes.json beside this file).
"""
import argparse
import copy
import copyreg
import gc
import json
import pickle
import sys
import weakref

from plindervox import Board, Move

# After 1. e4: a copy that came back as the starting position would show.
AFTER_E4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"


class Plain:
    """A class of Python's own, for __class__ assignment and __new__."""


def played_board():
    board = Board()
    board.apply_move(Move(12, 28))
    return board


def new_instances():
    return {"board": played_board(), "move": Move(12, 28)}


def describe(value):
    """The same text for the same value in any process and interpreter."""
    if isinstance(value, type):
        return f"class {value.__module__}.{value.__qualname__}"
    if isinstance(value, Board):
        try:
            return f"Board, {'White' if value.turn else 'Black'} to move\n{value}"
        except BaseException as error:  # an instance the constructor did not make
            return f"Board refusing its members: {type(error).__name__}"
    if isinstance(value, Move):
        try:
            return f"Move {value.uci()}"
        except BaseException as error:
            return f"Move refusing its members: {type(error).__name__}"
    if isinstance(value, weakref.ref):  # its class is named differently under PyPy 3.11
        return "weakref"
    if value is None or isinstance(value, (bool, int, str, bytes)):
        return repr(value)
    if isinstance(value, (list, tuple)):
        return f"{type(value).__name__} [{', '.join(describe(item) for item in value)}]"
    if callable(value) and hasattr(value, "__qualname__"):
        return f"callable {getattr(value, '__module__', None)}.{value.__qualname__}"
    return type(value).__name__


def outcome(thunk):
    try:
        result = thunk()
    except BaseException as error:
        return ["raises", type(error).__name__, str(error)]
    return ["returns", describe(result)]


def own_names(obj):
    """What dir() lists beyond what every object has."""
    # copyreg caches a class's slot names on it as __slotnames__ when asked.
    return sorted(set(dir(obj)) - set(dir(object)) - {"__slotnames__"})


def pickled_and_back(obj, protocol):
    return pickle.loads(pickle.dumps(obj, protocol))


def copy_with_reducer(obj, reducer):
    """copy.copy with a reducer registered through copyreg, the way a user
    opts a class into copying; the registration is undone afterwards."""
    cls = type(obj)
    copyreg.pickle(cls, reducer)
    try:
        return copy.copy(obj)
    finally:
        del copyreg.dispatch_table[cls]


def reduce_by_text(obj):
    if isinstance(obj, Move):
        return Move, (obj.from_square, obj.to_square, obj.promotion)
    return Board, (AFTER_E4,)


def assign_class(obj, cls, through_object):
    setter = object.__setattr__ if through_object else setattr
    setter(obj, "__class__", cls)
    return type(obj)


def init_again(obj, *args):
    obj.__init__(*args)
    return obj


def subclass(base, **keywords):
    return type("Derived", (base,), {}, **keywords)


def instance_cases(label, make, other_class):
    """Cases for a fresh instance made by `make` each time."""
    cases = {
        "copy.copy": lambda: copy.copy(make()),
        "copy.deepcopy": lambda: copy.deepcopy(make()),
        "copy.deepcopy in a list": lambda: copy.deepcopy([make()]),
        "__reduce__()": lambda: make().__reduce__(),
        "object.__reduce__": lambda: object.__reduce__(make()),
        "__getstate__()": lambda: make().__getstate__(),
        "copyreg reducer then copy.copy": lambda: copy_with_reducer(make(), reduce_by_text),
        "weakref.ref": lambda: weakref.ref(make()),
        "weakref.proxy": lambda: weakref.proxy(make()),
        "vars": lambda: vars(make()),
        "dir beyond object": lambda: own_names(make()),
        "__class__ = own class": lambda: assign_class(make(), type(make()), False),
        "object.__setattr__ __class__ = other class": lambda: assign_class(make(), other_class, True),
        "object.__setattr__ __class__ = Python class": lambda: assign_class(make(), Plain, True),
        "object.__setattr__ new attribute": lambda: object.__setattr__(make(), "extra", 1),
        "__init__()": lambda: init_again(make()),
        "__init__(1, 2)": lambda: init_again(make(), 1, 2),
        "sys.getsizeof > 0": lambda: sys.getsizeof(make()) > 0,
        "__sizeof__() > 0": lambda: make().__sizeof__() > 0,
        "== itself": lambda: (lambda o: o == o)(make()),
        "== an equal one": lambda: make() == make(),
        "!= an equal one": lambda: make() != make(),
        "< an equal one": lambda: make() < make(),
        "hash stable": lambda: (lambda o: hash(o) == hash(o))(make()),
        "format ''": lambda: format(make(), ""),
        "format '>10'": lambda: format(make(), ">10"),
        "gc.get_referents": lambda: gc.get_referents(make()),
        "gc.is_tracked": lambda: gc.is_tracked(make()),
    }
    for protocol in range(pickle.HIGHEST_PROTOCOL + 1):
        cases[f"pickle protocol {protocol}"] = lambda p=protocol: pickled_and_back(make(), p)
    for protocol in (0, 1, 2, 4):
        cases[f"__reduce_ex__({protocol})"] = lambda p=protocol: make().__reduce_ex__(p)
    for protocol in (0, 2):
        cases[f"object.__reduce_ex__ {protocol}"] = lambda p=protocol: object.__reduce_ex__(make(), p)
    for protocol in (0, 1):
        cases[f"copyreg._reduce_ex {protocol}"] = lambda p=protocol: copyreg._reduce_ex(make(), p)
    return {f"{label} {name}": thunk for name, thunk in cases.items()}


def class_cases(cls, other_class, arguments):
    name = cls.__name__
    cases = {
        "copy.copy": lambda: copy.copy(cls),
        "copy.deepcopy": lambda: copy.deepcopy(cls),
        "pickled and back": lambda: pickled_and_back(cls, pickle.HIGHEST_PROTOCOL),
        "weakref.ref": lambda: weakref.ref(cls)() is cls,
        "dir beyond object": lambda: own_names(cls),
        "object.__new__": lambda: object.__new__(cls),
        "copyreg._reconstructor": lambda: copyreg._reconstructor(cls, object, None),
        "copyreg.__newobj__": lambda: copyreg.__newobj__(cls, *arguments),
        "copyreg.__newobj_ex__": lambda: copyreg.__newobj_ex__(cls, tuple(arguments), {}),
        "__new__(cls)": lambda: cls.__new__(cls, *arguments),
        "__new__()": lambda: cls.__new__(),
        "__new__(5)": lambda: cls.__new__(5),
        "__new__(None)": lambda: cls.__new__(None),
        "__new__(object)": lambda: cls.__new__(object),
        "__new__(int)": lambda: cls.__new__(int),
        "__new__(other class)": lambda: cls.__new__(other_class),
        "__new__(Python class)": lambda: cls.__new__(Plain),
        "subclass": lambda: subclass(cls),
        "subclass with keywords": lambda: subclass(cls, flavour=1),
    }
    return {f"{name} {label}": thunk for label, thunk in cases.items()}


def cases():
    found = {}
    found.update(instance_cases("board", played_board, Move))
    found.update(instance_cases("move", lambda: Move(12, 28), Board))
    found.update(class_cases(Board, Move, ()))
    found.update(class_cases(Move, Board, (12, 28)))
    return found


def outcomes():
    return {name: outcome(thunk) for name, thunk in cases().items()}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--record", help="write the outcomes to this file instead of printing them")
    args = parser.parse_args()
    found = outcomes()
    gc.collect()  # instances made behind the constructor's back die here too
    text = json.dumps(found, indent=1, ensure_ascii=False, sort_keys=True) + "\n"
    if args.record:
        with open(args.record, "w", encoding="utf-8") as out:
            out.write(text)
    else:
        sys.stdout.write(text)


if __name__ == "__main__":
    main()
