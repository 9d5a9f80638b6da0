"""The hostile calls of calls.py and random call sequences of the atheris
target (fuzz/fuzz_binding.py), without atheris, under whatever interpreter
runs this: every case must end the way its table says, and every sequence
must keep the target's checks. Exit status 0 when all did; an interpreter
that aborts shows as a signal in the parent (tests/python runs this in a
child process under each interpreter of the matrix).

    python tests/binding/hostile_calls.py [--sequences N] [--seed S]
"""
import argparse
import os
import random
import sys
import types

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "fuzz"))
import calls  # noqa: E402

try:
    import atheris  # noqa: F401
except ImportError:  # the call generator needs only the data provider, given below
    sys.modules["atheris"] = types.ModuleType("atheris")
import fuzz_binding  # noqa: E402


class RandomData:
    """The part of atheris.FuzzedDataProvider that fuzz_binding.py uses, from a seeded generator."""

    def __init__(self, rng):
        self.rng = rng

    def ConsumeIntInRange(self, low, high):
        return self.rng.randint(low, high)

    def ConsumeInt(self, size):
        half = 1 << (8 * size - 1)
        return self.rng.randint(-half, half - 1)

    def ConsumeBool(self):
        return self.rng.random() < 0.5

    def PickValueInList(self, values):
        return self.rng.choice(values)

    def _character(self, surrogates):
        while True:
            code = self.rng.choice([self.rng.randint(0, 0x7F), self.rng.randint(0, 0x10FFFF)])
            if surrogates or not 0xD800 <= code <= 0xDFFF:
                return chr(code)

    def ConsumeUnicode(self, count):
        return "".join(self._character(True) for _ in range(count))

    def ConsumeUnicodeNoSurrogates(self, count):
        return "".join(self._character(False) for _ in range(count))

    def ConsumeBytes(self, count):
        return bytes(self.rng.randrange(256) for _ in range(count))


def wrong_outcomes():
    wrong = []
    for case in calls.cases():
        got = calls.outcome(case.thunk)
        if got not in case.expected:
            wrong.append(f"{case.member.label} [{case.what}]: got {got}, expected one of {sorted(case.expected)}")
    return wrong


def run_sequence(seed):
    data = RandomData(random.Random(seed))
    world = fuzz_binding.World(data)
    for _ in range(data.ConsumeIntInRange(1, fuzz_binding.STEPS)):
        fuzz_binding.one_call(world, data)
        fuzz_binding.check(world)
    fuzz_binding.unwind(world)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--sequences", type=int, default=300)
    parser.add_argument("--seed", type=int, default=1)
    options = parser.parse_args(argv)
    wrong = wrong_outcomes()
    if wrong:
        print("hostile calls that did not end as expected:", *wrong, sep="\n  ")
        return 1
    for number in range(options.sequences):
        seed = options.seed * 1_000_003 + number
        try:
            run_sequence(seed)
        except AssertionError as error:
            print(f"call sequence {seed}: {error}")
            return 1
    print(f"hostile calls: {len(calls.cases())} cases and {options.sequences} call sequences as expected")
    return 0


if __name__ == "__main__":
    sys.exit(main())
