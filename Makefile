# plindervox developer tasks. Everything runs under PyPy in ./.venv; the Python
# tests, wheels and sdist also under every CPython 3.9+ found (pyenv's, else
# python3), each in ./.venv-cp3X (mk/python-matrix.mk), and under PyPy 3.11
# and CPython 3.13/3.14/3.15 from Debian roots in build/roots (mk/debian-roots.mk),
# and for 64-bit ARM from arm64 roots under an emulator (mk/arm64.mk).
#
#   make test   C++ unit tests (g++, sanitizers, clang++; warnings are errors),
#               the Python tests under PyPy and each CPython, install checks
#               of the wheels and the sdist, the module under sanitizers
#               and a debug CPython (mk/sanitize.mk), and on arm64 the C++
#               tests and the Python tests under its newest PyPy and CPython
#   make test-arm64  the Python tests under every arm64 interpreter
#   make demo   build + install the module, run the programs in examples/
#   make dist   sdist + manylinux wheels for PyPy and each CPython in dist/,
#               x86_64 and aarch64 (`make wheel` is the same)
#   make docs   the documentation site (mkdocs.yml, docs/) into build/docs,
#               warnings being errors; `make test` also checks its links and
#               its API reference (tests/docs)
#   make bench  benchmarks: C++ core alone, perft through Python against the
#               do-nothing binding floor under PyPy and CPython, then every member, a per-position
#               workload and the kept results' cost under PyPy and CPython
#               (BENCH_QUICK=1 for a short run; BENCH_BASE=REV sets another
#               revision beside the working tree; bench-core, bench-python
#               and bench-interface run one part)
#   make fuzz   run the fuzz targets in fuzz/, libFuzzer and atheris (FUZZ_SECONDS
#               each, default 300)
#   make clean  remove build output (keeps .venv and the Debian roots in
#               build/roots); `make distclean` drops them too

SHELL := /bin/bash
.DEFAULT_GOAL := test
.DELETE_ON_ERROR:

PYPY   ?= pypy3
CMAKE  ?= cmake
CTEST  ?= ctest
JOBS   ?= 2
VENV   := .venv
PY     := $(VENV)/bin/python
PIP    := $(PY) -m pip
STAMP  := $(VENV)/.stamp
CORE_BUILD := build/core
BENCH_BUILD := build/bench

DEB_PACKAGES := pypy3 pypy3-dev pypy3-venv g++ cmake make libgtest-dev
# clang and its runtime libraries (libFuzzer) for the fuzz targets
DEB_PACKAGES += clang libclang-rt-14-dev

export PIP_DISABLE_PIP_VERSION_CHECK := 1

.PHONY: deps venv .venv install core-test test test-here demo docs test-docs bench bench-core bench-floor bench-python clean distclean

# Debian packages the build needs. Quiet and quick when all are present.
deps:
	@missing=""; \
	for p in $(DEB_PACKAGES); do \
	  dpkg -s "$$p" 2>/dev/null | grep -q '^Status: install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "deps: installing$$missing"; \
	    apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y $$missing; \
	  else \
	    echo "deps: missing Debian packages:$$missing" >&2; \
	    echo "deps: install them with: sudo apt-get install$$missing" >&2; \
	    exit 1; \
	  fi; \
	fi

# PyPy virtualenv with the dev tools; redone only when requirements change.
venv .venv: $(STAMP)

$(STAMP): requirements-dev.txt | deps
	@if ! $(PY) -c 'import sys; sys.exit(sys.implementation.name != "pypy")' 2>/dev/null; then \
	  echo "venv: creating $(VENV) with $(PYPY)"; \
	  rm -rf $(VENV) && $(PYPY) -m venv $(VENV); \
	fi
	$(PIP) install -q -r requirements-dev.txt
	@touch $@

# Build (incrementally, in build/<wheel tag>) and install the extension module.
install: deps $(STAMP)
	$(PIP) install $(PIP_BUILD) -q .

# C++ core + GoogleTest, no Python involved.
core-test: deps
	$(CMAKE) -S . -B $(CORE_BUILD) -DCMAKE_BUILD_TYPE=Release \
	  -DPLINDERVOX_TESTS=ON -DPLINDERVOX_MODULE=OFF -DPLINDERVOX_WERROR=ON --log-level=WARNING
	$(CMAKE) --build $(CORE_BUILD) -j $(JOBS)
	cd $(CORE_BUILD) && $(CTEST) --output-on-failure -j $(JOBS)

# The arm64 runs (mk/arm64.mk) take one core of their own under the
# emulator for most of the run, so they go on beside the rest; their output
# is kept in build/arm64/tested.log and shown when both are done. A failure
# of the rest stops them; theirs fails the run once the rest is done. What
# both sides use is made first.
test: deps arm64-deps arm64-helpers
	@mkdir -p $(ARM64_BUILD); rm -f $(ARM64_BUILD)/tested.status; \
	setsid sh -c '$(MAKE) --no-print-directory arm64-tested > $(ARM64_BUILD)/tested.log 2>&1; \
	  echo $$? > $(ARM64_BUILD)/tested.status' & arm64=$$!; \
	trap 'kill -- -$$arm64 2>/dev/null' EXIT; \
	$(MAKE) --no-print-directory test-here || exit 1; \
	echo "test: waiting for the arm64 runs (build/arm64/tested.log)"; wait $$arm64; \
	cat $(ARM64_BUILD)/tested.log; [ "$$(cat $(ARM64_BUILD)/tested.status 2>/dev/null)" = 0 ] || \
	  { echo "test: the arm64 runs failed (build/arm64/tested.log)" >&2; exit 1; }
	@$(MAKE) --no-print-directory test-wheels

# Everything `make test` runs on this machine's own architecture before the wheels.
test-here: deps core-test core-asan fuzz-smoke clang-build test-docs
	@$(MAKE) --no-print-directory test-python

demo: deps install
	$(PY) examples/demo.py
	$(PY) examples/random_game.py --seed 397
	$(PY) examples/perft.py 3 "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1" --divide

include mk/python-matrix.mk
include mk/debian-roots.mk
include mk/arm64.mk

# The documentation site, built by a CPython venv of its own (.venv-docs) from
# the type stubs and docs/; it needs no build of the module. The pages'
# examples run with the Python tests, under every interpreter.
DOCS_PYTHON ?= $(if $(CPYTHON),$(CPYTHON),python3)
DVENV := .venv-docs
DSTAMP := $(DVENV)/.stamp
DOCS_BUILD := build/docs

$(DSTAMP): requirements-docs.txt | deps-cpython
	@if ! $(DVENV)/bin/python -c pass 2>/dev/null; then \
	  echo "venv: creating $(DVENV) with $(DOCS_PYTHON)"; \
	  rm -rf $(DVENV) && $(DOCS_PYTHON) -m venv $(DVENV); \
	fi
	$(DVENV)/bin/python -m pip install -q -r requirements-docs.txt
	@touch $@

docs: $(DSTAMP)
	NO_MKDOCS_2_WARNING=1 $(DVENV)/bin/python -m mkdocs build --strict --site-dir $(DOCS_BUILD)

test-docs: docs
	$(DVENV)/bin/python -m pytest -q tests/docs

# Benchmarks, not part of `make test`. BENCH_QUICK=1 runs shallower perfts;
# BENCH_CPU_TIME=1 times with the process CPU clock (steadier on a busy
# machine); BENCH_NURSERY=4MB sets PyPy's nursery (PYPY_GC_NURSERY) for the
# Python perft; CORE_BENCH_ARGS and PERFT_ARGS reach bench/core_bench and bench/perft.py.
BENCH_QUICK ?=
BENCH_CPU_TIME ?=
BENCH_NURSERY ?=
BENCH_FLAGS := $(if $(BENCH_QUICK),--quick) $(if $(BENCH_CPU_TIME),--cpu-time)
BENCH_BASE ?=
CORE_BENCH_ARGS ?= $(BENCH_FLAGS)
PERFT_ARGS ?= $(BENCH_FLAGS)

bench: bench-core bench-python bench-interface bench-pgn

# The core and the plain implementation kept for the tests, no Python.
bench-core: deps
	$(CMAKE) -S . -B $(BENCH_BUILD)/core -DCMAKE_BUILD_TYPE=Release \
	  -DPLINDERVOX_BENCH=ON -DPLINDERVOX_TESTS=OFF -DPLINDERVOX_MODULE=OFF --log-level=WARNING
	$(CMAKE) --build $(BENCH_BUILD)/core -j $(JOBS) --target core_bench pgn_core
	$(BENCH_BUILD)/core/core_bench $(CORE_BENCH_ARGS)

# A file of random legal games (PGN_GAMES, default 100,000; 10,000 with
# BENCH_QUICK) read back under PyPy and CPython: plies and megabytes per
# second, and the peak memory beside that of a file a tenth the size; then
# the core's reader alone on the same file (bench/pgn_core).
PGN_GAMES ?= $(if $(BENCH_QUICK),10000,100000)
.PHONY: bench-pgn
bench-pgn: deps install bench-core
	@pythons="$(PY)"; if $(have_cpython); then $(MAKE) --no-print-directory install-cpython >/dev/null && pythons="$$pythons $(CPY)"; fi; \
	for py in $$pythons; do $$py bench/pgn_read.py --games $(PGN_GAMES) || exit 1; done
	$(BENCH_BUILD)/core/pgn_core $(BENCH_BUILD)/games-$(PGN_GAMES).pgn

# The do-nothing module, built against each venv interpreter's headers with
# the same optimisation as the real module, into build/bench/<implementation>.
# $(1): the interpreter.
define build_floor
	include="$$($(1) -c 'import sysconfig; print(sysconfig.get_paths()["include"])')" && \
	suffix="$$($(1) -c 'import sysconfig; print(sysconfig.get_config_var("EXT_SUFFIX"))')" && \
	impl="$$($(1) -c 'import sys; print(sys.implementation.name)')" && mkdir -p "$(BENCH_BUILD)/$$impl" && \
	$(CXX) -std=c++20 -O2 -DNDEBUG -fPIC -shared -fvisibility=hidden -Wall -Wextra \
	  -Wno-missing-field-initializers -isystem "$$include" \
	  bench/floor/floor.cpp -o "$(BENCH_BUILD)/$$impl/plindervox_floor$$suffix"
endef

bench-floor: deps $(STAMP)
	$(call build_floor,$(PY))
	@if $(have_cpython); then $(MAKE) --no-print-directory $(CSTAMP); fi
	if $(have_cpython); then $(call build_floor,$(CPY)); fi

# Perft through Python under PyPy, then under the benchmarks' CPython, each
# against the floor built for that interpreter; with BENCH_BASE=REV that
# revision's build runs first, each time.
bench-python: deps install bench-floor
	@pythons="$(PY)"; if $(have_cpython); then $(MAKE) --no-print-directory install-cpython >/dev/null && pythons="$$pythons $(CPY)"; fi; \
	for py in $$pythons; do \
	  out=$(BENCH_BUILD)/$$($$py -c 'import sys; print(sys.implementation.name)'); \
	  if [ -n "$(BENCH_BASE)" ]; then \
	    bench/build_revision.sh "$(BENCH_BASE)" "$$py" "$$out/base" || exit 1; \
	    echo "== $(BENCH_BASE)"; \
	    PLINDERVOX_PATH="$$out/base" $(if $(BENCH_NURSERY),PYPY_GC_NURSERY=$(BENCH_NURSERY)) $$py bench/perft.py $(PERFT_ARGS) || exit 1; \
	    echo "== working tree"; \
	  fi; \
	  $(if $(BENCH_NURSERY),PYPY_GC_NURSERY=$(BENCH_NURSERY)) $$py bench/perft.py $(PERFT_ARGS) || exit 1; echo; \
	done

# Every member against the floor, the per-position workload and the cost of
# the kept results, under PyPy and CPython. BENCH_BASE=REV also builds that
# revision and runs the same benchmarks on it, turn about with the working
# tree's build, and prints the two member tables side by side.
MEMBERS_ARGS ?= $(if $(BENCH_QUICK),--quick) $(if $(BENCH_CPU_TIME),--cpu-time)
WORKLOAD_ARGS ?= $(if $(BENCH_CPU_TIME),--cpu-time)
.PHONY: bench-interface
bench-interface: deps install bench-floor
	@pythons="$(PY)"; if $(have_cpython); then $(MAKE) --no-print-directory install-cpython >/dev/null && pythons="$$pythons $(CPY)"; fi; \
	for py in $$pythons; do \
	  impl=$$($$py -c 'import sys; print(sys.implementation.name)'); out=$(BENCH_BUILD)/$$impl; \
	  if [ -n "$(BENCH_BASE)" ]; then \
	    bench/build_revision.sh "$(BENCH_BASE)" "$$py" "$$out/base" || exit 1; \
	    PLINDERVOX_PATH="$$out/base" $$py bench/members.py $(MEMBERS_ARGS) --json "$$out/members-base.json" || exit 1; \
	  fi; \
	  $$py bench/members.py $(MEMBERS_ARGS) --json "$$out/members.json" || exit 1; \
	  if [ -n "$(BENCH_BASE)" ]; then \
	    echo "$$impl, $(BENCH_BASE) against the working tree:"; \
	    $$py bench/compare.py "$$out/members-base.json" "$$out/members.json"; \
	    for round in 1 2; do PLINDERVOX_PATH="$$out/base" $$py bench/workload.py $(WORKLOAD_ARGS) | tail -n 1 | sed 's/^/$(BENCH_BASE): /'; \
	      $$py bench/workload.py $(WORKLOAD_ARGS) | tail -n 1 | sed 's/^/working tree: /'; done; \
	  else $$py bench/workload.py $(WORKLOAD_ARGS) || exit 1; fi; \
	  $$py bench/kept_cost.py || exit 1; \
	done

# --- Sanitizers and fuzzing (part of `make test`) ----------------------------
# core-asan: the core's C++ tests again, built with AddressSanitizer,
# UndefinedBehaviorSanitizer and libstdc++'s bounds assertions, in build/asan.
# The differential test compares fewer positions there (ASAN_DIFF_SCALE); the
# Release run covers them all.
# fuzz-smoke runs each libFuzzer target in fuzz/ for FUZZ_SMOKE_SECONDS;
# `make fuzz FUZZ_SECONDS=600` runs them as long as asked. Both grow a copy of
# fuzz/corpus in a temporary directory, never the committed corpus; an input
# that breaks something is saved as build/fuzz/findings/<target>-crash-*.
ASAN_BUILD := build/asan
FUZZ_BUILD := build/fuzz
FUZZ_CXX ?= clang++
SANITIZE := -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
SANITIZER_ENV := UBSAN_OPTIONS=print_stacktrace=1 ASAN_OPTIONS=detect_stack_use_after_return=1:strict_string_checks=1
ASAN_DIFF_SCALE ?= 0.5
FUZZ_TARGETS := fen ops pgn san_text san_boards
FUZZ_SECONDS ?= 300
FUZZ_SMOKE_SECONDS ?= 30

.PHONY: core-asan fuzz-build fuzz-smoke fuzz

core-asan: deps
	$(CMAKE) -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Sanitize \
	  "-DCMAKE_CXX_FLAGS=-O1 -g -D_GLIBCXX_ASSERTIONS $(SANITIZE)" "-DCMAKE_EXE_LINKER_FLAGS=$(SANITIZE)" \
	  -DPLINDERVOX_TESTS=ON -DPLINDERVOX_MODULE=OFF --log-level=WARNING
	$(CMAKE) --build $(ASAN_BUILD) -j $(JOBS) --target core_tests
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) PLINDERVOX_DIFF_SCALE=$(ASAN_DIFF_SCALE) \
	  $(CTEST) --output-on-failure -j $(JOBS)

fuzz-build: deps
	$(CMAKE) -S fuzz -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) --log-level=WARNING
	$(CMAKE) --build $(FUZZ_BUILD) -j $(JOBS)

# $(1): seconds per target. Prints the executions of each run; the full
# libFuzzer output is kept in build/fuzz/<target>.log.
define run_fuzzers
	@mkdir -p $(FUZZ_BUILD)/findings
	@for t in $(FUZZ_TARGETS); do \
	  work=$$(mktemp -d) || exit 1; \
	  dict=fuzz/$$t.dict; [ -f $$dict ] && dict=-dict=$$dict || dict=; \
	  $(SANITIZER_ENV) $(FUZZ_BUILD)/fuzz_$$t -max_total_time=$(1) -print_final_stats=1 $$dict \
	    -artifact_prefix=$(FUZZ_BUILD)/findings/$$t- $$work fuzz/corpus/$$t > $(FUZZ_BUILD)/$$t.log 2>&1; \
	  rc=$$?; rm -rf $$work; \
	  echo "fuzz_$$t: $$(grep -o 'Done [0-9]* runs in [0-9]* second(s)' $(FUZZ_BUILD)/$$t.log || echo 'did not finish')"; \
	  if [ $$rc -ne 0 ]; then tail -n 60 $(FUZZ_BUILD)/$$t.log; exit $$rc; fi; \
	done
endef

fuzz-smoke: fuzz-build
	$(call run_fuzzers,$(FUZZ_SMOKE_SECONDS))

fuzz: fuzz-build
	$(call run_fuzzers,$(FUZZ_SECONDS))

# The Debian roots under build/roots are kept, like the venvs; distclean
# removes them too (tools/debian-root.sh mounts nothing outside its own runs).
clean:
	find build -mindepth 1 -maxdepth 1 ! -name roots -exec rm -rf {} + 2>/dev/null || true
	rm -rf dist .pytest_cache
	find . -path './.venv*' -prune -o -path ./build -prune -o -name __pycache__ -type d -prune -exec rm -rf {} +

distclean: clean
	@if findmnt -rn -o TARGET | grep -q "^$(CURDIR)/$(ROOTS_DIR)"; then \
	  echo "distclean: something is mounted under $(ROOTS_DIR); not removing it" >&2; exit 1; fi
	rm -rf $(VENV) .venv-* build

include mk/sanitize.mk
