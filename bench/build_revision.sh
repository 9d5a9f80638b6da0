#!/usr/bin/env bash
# Builds the extension module of another git revision for one interpreter,
# so that benchmarks can set it beside the working tree's build:
#   bench/build_revision.sh REV PYTHON OUTDIR
# leaves OUTDIR/plindervox<suffix>; run a benchmark with PLINDERVOX_PATH=OUTDIR.
set -euo pipefail
rev=$1 python=$2 out=$3
root=$(git rev-parse --show-toplevel)
commit=$(git -C "$root" rev-parse --verify "$rev^{commit}")
src="$root/build/bench/revisions/$commit/src"
git -C "$root" worktree prune
if [ ! -d "$src" ]; then
    mkdir -p "$(dirname "$src")"
    git -C "$root" worktree add --detach "$src" "$commit" >/dev/null
fi
impl=$("$python" -c 'import sys; print(sys.implementation.name)')
build="$root/build/bench/revisions/$commit/build-$impl"
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPython_EXECUTABLE="$python" \
      -DPLINDERVOX_MODULE=ON -DPLINDERVOX_TESTS=OFF --log-level=WARNING >/dev/null
cmake --build "$build" -j 2 --target plindervox >/dev/null
mkdir -p "$out"
cp "$build"/plindervox*.so "$out"/
