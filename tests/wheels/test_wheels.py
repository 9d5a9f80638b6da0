"""What `make dist` leaves in dist/ installs the way a user installs it.

Each wheel goes into a fresh virtual environment of its own interpreter and
works there, type stubs and metadata included; the sdist builds and installs
with build isolation (its build requirements from the package index) into a
fresh venv of each interpreter PLINDERVOX_SDIST_PYTHONS names (default: the
first and the last of PLINDERVOX_WHEEL_PYTHONS); a wheel is refused by an
interpreter it was not built for. `make test` runs this after `make dist`,
naming the interpreters (PyPy first):

    PLINDERVOX_WHEEL_PYTHONS="pypy3 python3.12" .venv/bin/python -m pytest tests/wheels

An interpreter written ROOT:PYTHON runs inside the Debian root ROOT (a
directory, relative to the checkout or absolute; tools/debian-root.sh), where the checkout has its own path; the temporary
venvs must then lie in the checkout (`--basetemp=build/wheel-tests`).

The sdist install times are written to build/wheels-sdist-times.txt.
"""
import json
import os
import re
import subprocess
import sys
import time
import zipfile
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
DIST = ROOT / "dist"
STUB = ROOT / "src" / "plindervox-stubs" / "__init__.pyi"
TIMES = ROOT / "build" / "wheels-sdist-times.txt"
PYTHONS = os.environ.get("PLINDERVOX_WHEEL_PYTHONS", "").split()
VERSION = re.search(r'(?m)^version = "([^"]+)"', (ROOT / "pyproject.toml").read_text()).group(1)

pytestmark = pytest.mark.skipif(not PYTHONS, reason="PLINDERVOX_WHEEL_PYTHONS names no interpreter")

# A few real calls through the installed module; the test compares the result.
SMOKE = """
import importlib.metadata, json
import plindervox
from plindervox import Board, Move

board = Board()
moves = board.legal_moves()
start = str(board)
board.apply_move(Move(12, 28))
after = str(board)
popped = board.pop()
try:
    board.pop()
    panic = None
except BaseException as error:  # PanicException derives from BaseException
    panic = [type(error).__name__, str(error)]
try:
    Board("8/8/8 w")
    bad_fen = None
except BaseException as error:
    bad_fen = [type(error).__name__, str(error)]
print(json.dumps({
    "module": plindervox.__file__,
    "version": importlib.metadata.version("plindervox"),
    "count": len(moves),
    "first": [m.uci() for m in moves][:3],
    "rank4": after.splitlines()[4],
    "popped": popped.uci(),
    "restored": str(board) == start,
    "promotion": Move(52, 60, "q").uci(),
    "panic": panic,
    "bad_fen": bad_fen,
    "files": sorted(str(f) for f in importlib.metadata.files("plindervox")),
    "license": importlib.metadata.metadata("plindervox")["License-Expression"],
}))
"""


def command_line(python, args):
    """The command that runs `python` with `args`, inside its root if it has one."""
    root, sep, inside = str(python).rpartition(":")
    if not sep:
        return [python, *args]
    return [ROOT / "tools" / "debian-root.sh", "run", ROOT / root, inside, *args]


def run(python, *args, cwd, check=True):
    env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    out = subprocess.run([str(c) for c in command_line(python, args)], cwd=cwd, capture_output=True,
                         text=True, timeout=900, env=env)
    if check:
        assert out.returncode == 0, out.stdout + out.stderr
    return out


def venv_python(python, venv):
    """The python of `venv`, written as `python` is (ROOT:PYTHON in a root)."""
    root, sep, _ = str(python).rpartition(":")
    return f"{root}:{venv}/bin/python" if sep else venv / "bin" / "python"


def fresh_venv(python, path):
    root, sep, inside = str(python).rpartition(":")
    if sep:
        # Made by the root's own venv command: cheap under an emulator.
        run(ROOT / "tools" / "debian-root.sh", "venv", ROOT / root, inside, path, cwd=path.parent)
    else:
        run(python, "-m", "venv", path, cwd=path.parent)
    return venv_python(python, path)


# The interpreter and ABI tags of a wheel built for the running interpreter,
# and its machine.
TAG = """
import platform, sys, sysconfig
major, minor = sys.version_info[:2]
if sys.implementation.name == "pypy":
    tag = f"pp{major}{minor}-" + sysconfig.get_config_var("SOABI").replace("-", "_")
else:
    tag = f"cp{major}{minor}-cp{major}{minor}"
print(tag, platform.machine())
"""

TAGS = {}


def interpreter_tag(python):
    """("cp312-cp312", "x86_64"), ("pp39-pypy39_pp73", "aarch64"): the tags
    of `python`'s own wheel and its machine."""
    if python not in TAGS:
        TAGS[python] = tuple(run(python, "-c", TAG, cwd=ROOT).stdout.split())
    return TAGS[python]


def wheels():
    return sorted(DIST.glob("plindervox-*.whl"))


def wheel_for(python):
    tag, machine = interpreter_tag(python)
    matches = [w for w in wheels() if f"-{tag}-" in w.name and w.name.endswith(f"_{machine}.whl")]
    assert len(matches) == 1, f"{python} ({tag}, {machine}): {[w.name for w in wheels()]}"
    return matches[0]


def check_smoke(py, venv, cwd):
    info = json.loads(run(py, "-c", SMOKE, cwd=cwd).stdout)
    module = Path(info["module"]).resolve()
    assert module.parents[3] == venv.resolve()  # venv/lib/<python>/site-packages/
    assert info["version"] == VERSION
    assert info["count"] == 20
    assert info["first"] == ["h2h3", "g2g3", "f2f3"]
    assert info["rank4"] == ". . . . P . . ."
    assert info["popped"] == "e2e4" and info["restored"]
    assert info["promotion"] == "e7e8q"
    assert info["panic"] == ["PanicException", "Cannot pop a move: the move history is empty"]
    assert info["bad_fen"] == ["PanicException", "Invalid starting fen; got 8/8/8 w, with 2 parts"]
    assert info["license"] == "MIT"
    assert "plindervox-stubs/__init__.pyi" in info["files"]
    assert (module.parent / "plindervox-stubs" / "__init__.pyi").read_text() == STUB.read_text()


def test_dist_holds_an_sdist_and_one_manylinux_wheel_per_interpreter():
    assert [p.name for p in DIST.glob("*.tar.gz")] == [f"plindervox-{VERSION}.tar.gz"]
    assert sorted(wheel_for(p) for p in PYTHONS) == wheels()
    for wheel in wheels():
        platform = wheel.name[:-len(".whl")].split("-")[-1]
        assert re.fullmatch(r"manylinux_2_\d+_(x86_64|aarch64)(\.manylinux\w+_\1)*", platform), wheel.name


@pytest.mark.parametrize("wheel", wheels(), ids=lambda w: "-".join(w.name.split("-")[2:4]))
def test_auditwheel_show_accepts_the_wheel_tag(wheel):
    auditwheel = os.environ.get("PLINDERVOX_AUDITWHEEL") or Path(sys.executable).parent / "auditwheel"
    shown = run(auditwheel, "show", wheel, cwd=ROOT).stdout
    declared = wheel.name[:-len(".whl")].split("-")[-1].split(".")[0]
    assert f'consistent with the following platform tag: "{declared}"' in " ".join(shown.split()), shown
    # Everything the module links against is a library the tag promises, so
    # repairing it grafted none into the wheel.
    with zipfile.ZipFile(wheel) as archive:
        assert not [n for n in archive.namelist() if ".libs/" in n]


@pytest.fixture(scope="session")
def installed(tmp_path_factory):
    """venv of each interpreter with its own wheel installed, made on first use."""
    venvs = {}

    def venv_of(python):
        if python not in venvs:
            venv = tmp_path_factory.mktemp("wheel") / "venv"
            py = fresh_venv(python, venv)
            run(py, "-m", "pip", "install", "-q", "--no-index", wheel_for(py), cwd=venv.parent)
            venvs[python] = venv
        return venvs[python]
    return venv_of


@pytest.mark.parametrize("python", PYTHONS)
def test_wheel_installs_and_works_in_a_fresh_venv(python, installed):
    venv = installed(python)
    check_smoke(venv_python(python, venv), venv, venv.parent)


# Into the venv of the next interpreter named, which holds that one's own wheel.
@pytest.mark.parametrize("python", PYTHONS)
def test_wheel_is_refused_by_another_interpreter(python, installed):
    other = PYTHONS[(PYTHONS.index(python) + 1) % len(PYTHONS)]
    if other == python:
        pytest.skip("one interpreter only")
    venv = installed(other)
    py = venv_python(other, venv)
    out = run(py, "-m", "pip", "install", "--no-index", wheel_for(python), cwd=venv.parent, check=False)
    assert out.returncode != 0
    assert "is not a supported wheel on this platform" in out.stderr, out.stderr
    assert run(py, "-m", "pip", "show", "-f", "plindervox", cwd=venv.parent).stdout.count(".so") == 1
    check_smoke(py, venv, venv.parent)  # its own wheel still works


# The sdist builds from scratch in each; by default PyPy and the newest CPython named.
SDIST_PYTHONS = os.environ.get("PLINDERVOX_SDIST_PYTHONS", "").split() or \
    ([PYTHONS[0]] + PYTHONS[-1:] if len(PYTHONS) > 1 else PYTHONS)


@pytest.mark.parametrize("python", SDIST_PYTHONS)
def test_sdist_builds_and_installs_with_build_isolation(python, tmp_path):
    [sdist] = DIST.glob("*.tar.gz")
    venv = tmp_path / "venv"
    py = fresh_venv(python, venv)
    started = time.monotonic()
    run(py, "-m", "pip", "install", "-q", sdist, cwd=tmp_path)
    seconds = time.monotonic() - started
    check_smoke(py, venv, tmp_path)
    TIMES.parent.mkdir(exist_ok=True)
    with TIMES.open("a") as out:
        out.write(f"sdist install into a fresh {' '.join(interpreter_tag(py))} venv: {seconds:.0f} s\n")


@pytest.fixture(scope="session", autouse=True)
def fresh_times_file():
    TIMES.unlink(missing_ok=True)
    yield


def test_sdist_holds_the_sources_and_metadata_not_the_tooling():
    [sdist] = DIST.glob("*.tar.gz")
    names = set(subprocess.run(["tar", "tzf", sdist], capture_output=True, text=True, check=True).stdout.split())
    prefix = f"plindervox-{VERSION}/"
    for needed in ["pyproject.toml", "CMakeLists.txt", "LICENSE", "README.md", "CHANGELOG.md",
                   "src/board/board.cpp", "src/module/module.cpp", "src/plindervox-stubs/__init__.pyi", "PKG-INFO"]:
        assert prefix + needed in names
    assert not [n for n in names if n.startswith((prefix + "fuzz/", prefix + ".ci/", prefix + ".venv", prefix + "build/"))]
