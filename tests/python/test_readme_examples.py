"""The README's Python examples run, and show what they print."""
import doctest
import re
from pathlib import Path

import pytest

README = Path(__file__).resolve().parents[2] / "README.md"
PYTHON_FENCES = {"python", "py", "pycon", "python3"}
FENCE = re.compile(r"^```(\w*)[^\n]*\n(.*?)^```", re.M | re.S)


def python_blocks():
    """(first line number, text) of every fenced Python block in the README."""
    text = README.read_text(encoding="utf-8")
    return [(text.count("\n", 0, match.start()) + 2, match[2])
            for match in FENCE.finditer(text) if match[1] in PYTHON_FENCES]


BLOCKS = python_blocks()


def test_the_readme_has_python_examples():
    assert len(BLOCKS) >= 2


# A block is an interactive session: each statement after ">>>" and the output
# it shows, which doctest compares, so a changed result fails here.
@pytest.mark.parametrize("line, block", BLOCKS, ids=[f"README.md:{line}" for line, _ in BLOCKS])
def test_readme_example_shows_what_it_prints(line, block):
    assert block.lstrip().startswith(">>>"), "write README Python examples as >>> sessions"
    example = doctest.DocTestParser().get_doctest(block, {}, f"README.md:{line}", str(README), line - 1)
    report = []
    runner = doctest.DocTestRunner()
    result = runner.run(example, out=report.append, clear_globs=True)
    assert result.attempted > 0
    assert result.failed == 0, "".join(report)
