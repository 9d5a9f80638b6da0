"""Reference and memory-block leak check of the binding, for a debug CPython.

Every case of calls.py (each member of Board and Move in its success path and
each failure path) runs in rounds, as CPython's own `-R` option does: a few
warm-up rounds fill whatever the interpreter and the module cache, then in
each checked round the change of sys.gettotalrefcount() and of
sys.getallocatedblocks() is measured per member. A member leaks when every
checked round grows either count. Each case repeats REPEAT times per round, so
one reference lost per call shows as at least REPEAT per round.

    python3.11-dbg tests/binding/refleaks.py [--warmups N] [--rounds N] [--repeat N]

The module is whatever `import plindervox` finds (the Makefile points
PYTHONPATH at a build made against the debug interpreter's headers).
"""
import argparse
import gc
import sys
from collections import defaultdict

import calls


def check_outcomes(case_list):
    """Each case must end the way the table says; a wrong expectation would
    mean the case does not reach the path it is meant for."""
    wrong = []
    for case in case_list:
        got = calls.outcome(case.thunk)
        if got not in case.expected:
            wrong.append(f"{case.member.label} [{case.what}]: got {got}, expected one of {sorted(case.expected)}")
    return wrong


def counts():
    gc.collect()
    sys._clear_type_cache()
    return sys.gettotalrefcount(), sys.getallocatedblocks()


def run(group, repeat):
    for _ in range(repeat):
        for case in group:
            calls.outcome(case.thunk)


def measure(group, repeat):
    """(reference delta, block delta) of running the cases `repeat` times. The
    ints that hold the first reading are themselves counted in the second, the
    same on every call; run_round takes that off with an empty group."""
    refs, blocks = counts()
    run(group, repeat)
    after_refs, after_blocks = counts()
    return after_refs - refs, after_blocks - blocks


def run_round(groups, repeat):
    """Per member: the deltas of its cases, net of measuring itself."""
    deltas = {}
    for label, group in groups.items():
        null_refs, null_blocks = measure([], repeat)
        refs, blocks = measure(group, repeat)
        deltas[label] = (refs - null_refs, blocks - null_blocks)
    return deltas


def leaking(history):
    """CPython's rule: a leak grows the count in every checked round."""
    return all(delta >= 1 for delta in history)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--warmups", type=int, default=3)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--repeat", type=int, default=4)
    options = parser.parse_args(argv)
    if not hasattr(sys, "gettotalrefcount"):
        sys.exit("refleaks: needs a debug build of CPython (sys.gettotalrefcount), e.g. python3.11-dbg")

    case_list = calls.cases()
    wrong = check_outcomes(case_list)
    if wrong:
        print("refleaks: cases that do not reach their path:", *wrong, sep="\n  ")
        return 1
    groups = defaultdict(list)
    for case in case_list:
        groups[case.member.label].append(case)
    print(f"refleaks: {len(groups)} members, {len(case_list)} cases, "
          f"{options.warmups} warm-up + {options.rounds} checked rounds of {options.repeat} runs each")

    history = defaultdict(lambda: ([], []))
    for number in range(options.warmups + options.rounds):
        deltas = run_round(groups, options.repeat)
        checked = number >= options.warmups
        total_refs = sum(d[0] for d in deltas.values())
        total_blocks = sum(d[1] for d in deltas.values())
        print(f"round {number + 1} ({'checked' if checked else 'warm-up'}): "
              f"references {total_refs:+d}, blocks {total_blocks:+d}")
        if checked:
            for label, (refs, blocks) in deltas.items():
                history[label][0].append(refs)
                history[label][1].append(blocks)

    leaks = [f"{label}: references {refs}, blocks {blocks}" for label, (refs, blocks) in history.items()
             if leaking(refs) or leaking(blocks)]
    if leaks:
        print("refleaks: leaking members (deltas per checked round):", *leaks, sep="\n  ")
        return 1
    print("refleaks: no leaks")
    return 0


if __name__ == "__main__":
    sys.exit(main())
