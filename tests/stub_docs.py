"""The type stubs' definitions and docstrings, for the tests that compare them
with what the documentation shows (tests/python/test_stub_docs.py, tests/docs)."""
import ast
import re
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
STUB_DIR = ROOT / "src"
STUB = STUB_DIR / "plindervox-stubs" / "__init__.pyi"

EXCEPTION = re.compile(r"\b[A-Z]\w*(?:Error|Exception)\b")
# An exact message as the stubs and the pages write it: PanicException("Invalid piece type").
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
MESSAGES = sorted(set(MESSAGE.findall("\n".join(DOCS.values()))))
