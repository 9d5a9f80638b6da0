"""The stubs' docstrings: what an editor shows on hover, kept level with the README.

The runtime docstrings are bare signature blocks, so the stubs are where an
editor finds what each member does. The README's API reference says the same
things at more length; these tests tie the two together by the errors and
exact messages each member names.
"""
import ast
import re
import sys
from pathlib import Path

import jedi
import pytest

ROOT = Path(__file__).resolve().parents[2]
STUB_DIR = ROOT / "src"
STUB = STUB_DIR / "plindervox-stubs" / "__init__.pyi"
DOCS_DIR = ROOT / "docs"

EXCEPTION = re.compile(r"\b[A-Z]\w*(?:Error|Exception)\b")
# An exact message as both documents write it: PanicException("Invalid piece type").
MESSAGE = re.compile(r'\b[A-Z]\w*(?:Error|Exception)\("[^"]*"\)')


def stub_definitions():
    """Every definition of the stub by name: "" is the module, "Board", "Board.turn",
    "Board.turn.setter", "hello_world"; each with its node."""
    tree = ast.parse(STUB.read_text(encoding="utf-8"))
    found = {"": tree}
    for node in tree.body:
        if isinstance(node, (ast.ClassDef, ast.FunctionDef)):
            found[node.name] = node
        for member in getattr(node, "body", []) if isinstance(node, ast.ClassDef) else []:
            if isinstance(member, ast.FunctionDef):
                setter = any(isinstance(d, ast.Attribute) and d.attr == "setter" for d in member.decorator_list)
                found[f"{node.name}.{member.name}" + (".setter" if setter else "")] = member
    return found


DEFINITIONS = stub_definitions()
DOCS = {name: ast.get_docstring(node) or "" for name, node in DEFINITIONS.items()}
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


def readme_section(page):
    body = (DOCS_DIR / page).read_text(encoding="utf-8")
    return re.sub(r"^```.*?^```", "", body, flags=re.M | re.S)  # examples are tested elsewhere


def readme_member_names(cell):
    """`uci()`, `str(m)`, `from_square` -> uci, __str__, from_square."""
    names = []
    for code in re.findall(r"`([^`]+)`", cell):
        special = re.fullmatch(r"(str|repr)\(\w+\)", code)
        names.append(f"__{special[1]}__" if special else re.match(r"\w+", code)[0])
    return names


def api_reference():
    """What the README's API reference documents, as (stub names, README text):
    its introduction for the module, each class's prose for the class, each
    table row for the members named in its first cell."""
    parts = re.split(r"^## `(\w+)\(.*\n", readme_section("reference.md"), flags=re.M)
    entries = [([""], parts[0])]
    for cls, body in zip(parts[1::2], parts[2::2]):
        lines = body.splitlines()
        entries.append(([cls], "\n".join(l for l in lines if not l.startswith("|"))))
        for row in (l for l in lines if l.startswith("| `")):
            entries.append(([f"{cls}.{m}" for m in readme_member_names(row.split("|")[1])], row))
    return entries


API_REFERENCE = api_reference()
ROWS = [(name, text) for names, text in API_REFERENCE for name in names]


def docs_of(name):
    return class_docs(name) if name in ("Board", "Move") else DOCS[name]


def test_readme_documents_every_stub_member_and_no_other():
    documented = {name for name, _ in ROWS if "." in name}
    in_stubs = {name for name in DOCS if name.count(".") == 1 and name.split(".")[0] in ("Board", "Move")}
    assert documented == in_stubs - {"Board.__new__", "Move.__new__"}


@pytest.mark.parametrize("name, text", ROWS, ids=[name or "module" for name, _ in ROWS])
def test_stub_docstring_names_the_errors_and_messages_the_readme_gives(name, text):
    docs = docs_of(name)
    assert set(EXCEPTION.findall(text)) <= set(EXCEPTION.findall(docs)), (name, text)
    assert set(MESSAGE.findall(text)) <= set(MESSAGE.findall(docs)), (name, text)


README_MESSAGES = sorted(set(MESSAGE.findall(readme_section("reference.md") + readme_section("errors.md"))))
STUB_MESSAGES = sorted(set(MESSAGE.findall("\n".join(DOCS.values()))))


def test_the_readme_and_the_stubs_quote_the_same_messages():
    assert len(README_MESSAGES) >= 20
    assert STUB_MESSAGES == README_MESSAGES
