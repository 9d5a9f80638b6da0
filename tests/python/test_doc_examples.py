"""The Python examples of the README and of the documentation pages run, and show what they print."""
import doctest
import re
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
DOCUMENTS = [ROOT / "README.md", *sorted((ROOT / "docs").rglob("*.md"))]
PYTHON_FENCES = {"python", "py", "pycon", "python3"}
FENCE = re.compile(r"^```(\w*)[^\n]*\n(.*?)^```", re.M | re.S)


# A block that only shows a program of examples/ on the page (--8<-- "file")
# is no session: the program has tests of its own.
INCLUDED_FILE = re.compile(r'(?:--8<-- "[^"]+"\n)+')


def python_blocks(path):
    """(first line number, text) of every fenced Python session of a Markdown file."""
    text = path.read_text(encoding="utf-8")
    return [(text.count("\n", 0, match.start()) + 2, match[2])
            for match in FENCE.finditer(text)
            if match[1] in PYTHON_FENCES and not INCLUDED_FILE.fullmatch(match[2])]


BLOCKS = [(path.relative_to(ROOT).as_posix(), line, block)
          for path in DOCUMENTS for line, block in python_blocks(path)]


@pytest.mark.parametrize("name", ["README.md", "docs/getting-started.md", "docs/reference.md", "docs/batch.md"])
def test_the_front_pages_have_python_examples(name):
    assert any(document == name for document, _, _ in BLOCKS)


@pytest.fixture
def examples_on_path(monkeypatch):
    # The pages import the programs of examples/ as a reader in that
    # directory would.
    monkeypatch.syspath_prepend(str(ROOT / "examples"))
    monkeypatch.chdir(ROOT)


# A block is an interactive session: each statement after ">>>" and the output
# it shows, which doctest compares, so a changed result fails here.
@pytest.mark.parametrize("document, line, block", BLOCKS, ids=[f"{d}:{line}" for d, line, _ in BLOCKS])
def test_example_shows_what_it_prints(examples_on_path, document, line, block):
    assert block.lstrip().startswith(">>>"), f"write the Python examples of {document} as >>> sessions"
    name = f"{document}:{line}"
    example = doctest.DocTestParser().get_doctest(block, {}, name, str(ROOT / document), line - 1)
    report = []
    runner = doctest.DocTestRunner()
    result = runner.run(example, out=report.append, clear_globs=True)
    assert result.attempted > 0
    assert result.failed == 0, "".join(report)
