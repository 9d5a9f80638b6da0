"""The stubs' docstrings: what an editor shows on hover, and what the API
reference of the documentation site is made from.

The runtime docstrings are bare signature blocks, so the stubs are where an
editor finds what each member does. The error page of the site says the same
things at more length; these tests tie the two together by the errors and
exact messages each member names.
"""
import re
import sys
from pathlib import Path

import jedi
import pytest

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from stub_docs import DOCS, EXCEPTION, MESSAGE, MESSAGES, ROOT, STUB_DIR  # noqa: E402

SETTERS = [name for name in DOCS if name.endswith(".setter")]


def class_docs(cls):
    """What a caller reads about a class: its docstring and its constructor's."""
    return DOCS[cls] + "\n" + DOCS[cls + ".__new__"]


@pytest.mark.parametrize("name", DOCS, ids=[name or "module" for name in DOCS])
def test_every_stub_definition_has_a_summary_line_and_a_body(name):
    lines = DOCS[name].splitlines()
    assert lines, f"{name or 'the module'} has no docstring"
    assert lines[0].endswith("."), f"summary line of {name}: {lines[0]!r}"
    assert len(lines) == 1 or lines[1] == "", f"{name}: one summary line, then a blank line"


# Jedi shows the docstring of a property's last definition, the setter; other
# editors the getter's. Both must say the same.
@pytest.mark.parametrize("setter", SETTERS)
def test_property_setters_repeat_the_getter_docstring(setter):
    assert DOCS[setter] == DOCS[setter[:-len(".setter")]]


def hover_cases():
    """(stub name, source line, column) for an editor's hover over each public name."""
    instances = {"Board": "plindervox.Board()", "Move": "plindervox.Move(0, 0)"}
    cases = [("", "import plindervox", len("import plindervox"))]
    for name in DOCS:
        if not name or name.endswith(".setter") or name.startswith("_"):
            continue
        cls, _, member = name.partition(".")
        line = f"{instances[cls]}.{member}" if member else f"plindervox.{name}"
        cases.append((name, line, len(line)))
    return cases


HOVERS = hover_cases()


@pytest.fixture(scope="module")
def stub_only_project():
    # Only the stubs are on the path, and Jedi inspects compiled modules in a
    # process of its own, which cannot import the module: where Jedi can import
    # it, it shows the module's own docstrings (the bare signature blocks) for
    # the module, its classes, functions and properties instead of the stubs'.
    environment = jedi.create_environment(sys.executable, safe=False)
    return jedi.Project(STUB_DIR, sys_path=[str(STUB_DIR)], smart_sys_path=False), environment


@pytest.mark.parametrize("name, line, column", HOVERS, ids=[h[1] for h in HOVERS])
def test_editor_hover_shows_the_stub_docstring(stub_only_project, name, line, column):
    project, environment = stub_only_project
    source = line if name == "" else "import plindervox\n" + line
    script = jedi.Script(source, project=project, environment=environment)
    shown = [n.docstring(raw=True) for n in script.help(source.count("\n") + 1, column)]
    assert shown == [DOCS[name]]


def page_text(page):
    body = (ROOT / "docs" / page).read_text(encoding="utf-8")
    return re.sub(r"^```.*?^```", "", body, flags=re.M | re.S)  # examples are tested elsewhere


def member_names(cell):
    """The stub definitions a table cell names: `pop()` -> Board.pop,
    `Board.__str__(5)` -> Board.__str__, `Move` -> Move; other code is skipped."""
    names = []
    for code in re.findall(r"`([^`]+)`", cell):
        name = re.match(r"[A-Za-z_]\w*(?:\.\w+)*", code)
        if name is None:
            continue
        name = name[0]
        candidates = [name] if name in DOCS else [f"{cls}.{name}" for cls in ("Board", "Move")]
        names += [c for c in candidates if c in DOCS]
    return names


def error_rows():
    """(stub names, row) for every row of the error page's table, below its header."""
    rows = [line for line in page_text("errors.md").splitlines() if line.startswith("| ")][1:]
    return [(member_names(row.split("|")[1]), row) for row in rows]


ERROR_ROWS = error_rows()


def test_the_error_page_has_its_table():
    assert len(ERROR_ROWS) >= 20
    assert all(not set(row) <= set("|-: ") for _, row in ERROR_ROWS)


# What a caller reads about the members a row names: their docstrings, their
# classes' and the module's, which gives the errors every member shares.
def docs_read_for(names):
    classes = {name.split(".")[0] for name in names}
    return "\n".join([DOCS[""], *(DOCS[n] for n in names),
                      *(class_docs(c) for c in classes if c in ("Board", "Move"))])


@pytest.mark.parametrize("names, row", ERROR_ROWS, ids=[row.split("|")[1].strip()[:60] for _, row in ERROR_ROWS])
def test_stub_docstrings_name_the_errors_and_messages_of_the_error_page(names, row):
    docs = docs_read_for(names) if names else "\n".join(DOCS.values())
    assert set(EXCEPTION.findall(row)) <= set(EXCEPTION.findall(docs)), (names, row)
    assert set(MESSAGE.findall(row)) <= set(MESSAGE.findall(docs)), (names, row)


PAGE_MESSAGES = sorted(set(MESSAGE.findall(page_text("errors.md") + page_text("reference.md"))))


def test_the_error_page_and_the_stubs_quote_the_same_messages():
    assert len(PAGE_MESSAGES) >= 20
    assert MESSAGES == PAGE_MESSAGES
