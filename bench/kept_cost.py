"""What the kept results cost: import time, and the memory they hold once
every one of them has been made.

Import time is the median of --runs fresh interpreters, each timing its own
`import plindervox`. Memory is the resident size a fresh interpreter gains by
asking every move text, letter and small square number the module keeps (all
4096 squares pairs with each kept promotion, every ASCII letter, 0-255),
less what the same number of calls that make fresh results costs. Runs
under PyPy and CPython:
    python bench/kept_cost.py [--runs N]
PLINDERVOX_PATH=DIR puts another build of plindervox first on the path.
"""

from __future__ import annotations

import argparse
import os
import statistics
import subprocess
import sys

IMPORT = """
import os, sys, time
if os.environ.get("PLINDERVOX_PATH"):
    sys.path.insert(0, os.environ["PLINDERVOX_PATH"])
start = time.perf_counter()
import plindervox
print(time.perf_counter() - start)
"""

MEMORY = """
import gc, os, sys
if os.environ.get("PLINDERVOX_PATH"):
    sys.path.insert(0, os.environ["PLINDERVOX_PATH"])
from plindervox import Move

def resident_kb():
    gc.collect()
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") // 1024

def ask_all(offset):
    # offset 0: every kept result; offset 64: as many calls whose results are made fresh
    for promotion in (None, "q", "r", "n", "b"):
        for square in range(4096):
            move = Move(square // 64 + offset, square % 64, promotion)
            move.uci(); str(move); move.from_square; move.to_square; move.promotion
    for letter in range(128):
        Move(offset, 0, chr(letter)).promotion
    for value in range(256):
        Move(value + offset * 4, 0).from_square

ask_all(64)  # the interpreter's own growth from this much work, before measuring
before = resident_kb()
ask_all(int(sys.argv[1]))
print(resident_kb() - before)
"""


def run(code, *args):
    out = subprocess.run([sys.executable, "-c", code, *args], stdout=subprocess.PIPE, check=True, text=True)
    return float(out.stdout.strip())


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=11)
    args = parser.parse_args()
    imports = [run(IMPORT) * 1e3 for _ in range(args.runs)]
    kept = statistics.median(run(MEMORY, "0") for _ in range(3))
    fresh = statistics.median(run(MEMORY, "64") for _ in range(3))
    print(f"{sys.implementation.name}: import plindervox {statistics.median(imports):.2f} ms (median of {args.runs});"
          f" every kept result made: +{kept:.0f} KB resident, against +{fresh:.0f} KB for as many fresh ones")
    return 0


if __name__ == "__main__":
    sys.exit(main())
