"""The wheels in dist/ install into a fresh virtual environment of each
interpreter and work there, type stubs included.

`make test` runs this after `make wheel`, naming the interpreters:

    PLINDERVOX_WHEEL_PYTHONS="pypy3 python3" .venv/bin/python -m pytest tests/wheels
"""
import json
import os
import subprocess
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
DIST = ROOT / "dist"
STUB = ROOT / "src" / "plindervox-stubs" / "__init__.pyi"
PYTHONS = os.environ.get("PLINDERVOX_WHEEL_PYTHONS", "").split()

pytestmark = pytest.mark.skipif(not PYTHONS, reason="PLINDERVOX_WHEEL_PYTHONS names no interpreter")

CHECK = """
import importlib.metadata, json
import plindervox
print(json.dumps({
    "module": plindervox.__file__,
    "moves": [m.uci() for m in plindervox.Board().legal_moves()][:3],
    "files": sorted(str(f) for f in importlib.metadata.files("plindervox")),
}))
"""


def run(*command, cwd):
    out = subprocess.run([str(c) for c in command], cwd=cwd, capture_output=True, text=True,
                         timeout=300, env={k: v for k, v in os.environ.items() if k != "PYTHONPATH"})
    assert out.returncode == 0, out.stdout + out.stderr
    return out.stdout


def test_dist_holds_one_wheel_per_interpreter():
    assert len(list(DIST.glob("plindervox-*.whl"))) == len(PYTHONS)


@pytest.mark.parametrize("python", PYTHONS)
def test_wheel_installs_and_imports_in_a_fresh_venv(python, tmp_path):
    venv = tmp_path / "venv"
    run(python, "-m", "venv", venv, cwd=tmp_path)
    py = venv / "bin" / "python"
    run(py, "-m", "pip", "install", "-q", "--no-index", "--only-binary", ":all:",
        "--find-links", DIST, "plindervox", cwd=tmp_path)
    info = json.loads(run(py, "-c", CHECK, cwd=tmp_path))
    module = Path(info["module"]).resolve()
    assert module.parents[3] == venv.resolve()  # venv/lib/<python>/site-packages/
    assert info["moves"] == ["h2h3", "g2g3", "f2f3"]
    assert "plindervox-stubs/__init__.pyi" in info["files"]
    assert (module.parent / "plindervox-stubs" / "__init__.pyi").read_text() == STUB.read_text()
