# plindervox developer tasks. Everything runs under PyPy in ./.venv; the Python
# tests and wheels also under CPython (python3) in ./.venv-cpython when present.
#
#   make test   C++ unit tests, build + install the module, Python tests under
#               PyPy and CPython, then install-and-import checks of the wheels;
#               also the module under sanitizers and a debug CPython (mk/sanitize.mk)
#   make demo   build + install the module, run the programs in examples/
#   make wheel  installable wheels for PyPy and CPython in dist/
#   make bench  benchmarks: C++ core alone, then perft through Python against
#               the do-nothing binding floor (BENCH_QUICK=1 for a short run;
#               bench-core and bench-python run one half)
#   make fuzz   run the fuzz targets in fuzz/, libFuzzer and atheris (FUZZ_SECONDS
#               each, default 300)
#   make clean  remove build output (keeps .venv); `make distclean` drops it too

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

.PHONY: deps venv .venv install core-test test demo bench bench-core bench-floor bench-python clean distclean

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
	$(PIP) install --no-build-isolation -q .

# C++ core + GoogleTest, no Python involved.
core-test: deps
	$(CMAKE) -S . -B $(CORE_BUILD) -DCMAKE_BUILD_TYPE=Release \
	  -DPLINDERVOX_TESTS=ON -DPLINDERVOX_MODULE=OFF --log-level=WARNING
	$(CMAKE) --build $(CORE_BUILD) -j $(JOBS)
	cd $(CORE_BUILD) && $(CTEST) --output-on-failure -j $(JOBS)

test: deps core-test core-asan fuzz-smoke install
	$(PY) -m pytest -q tests/python
	@if $(have_cpython); then $(MAKE) --no-print-directory test-cpython; \
	else echo "test: no CPython interpreter '$(CPYTHON)'; CPython tests skipped"; fi
	@$(MAKE) --no-print-directory test-wheels

demo: deps install
	$(PY) examples/demo.py
	$(PY) examples/random_game.py --seed 397
	$(PY) examples/perft.py 3 "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1" --divide

# --- CPython: the same sources in a second venv, and the wheels --------------
# CPYTHON= (empty) leaves CPython out. Debian's own python3 needs python3-dev
# and python3-venv, which deps-cpython installs like `deps` does.
CPYTHON ?= python3
CVENV   := .venv-cpython
CPY     := $(CVENV)/bin/python
CSTAMP  := $(CVENV)/.stamp

.PHONY: deps-cpython install-cpython test-cpython wheel test-wheels

# A shell condition: true when $(CPYTHON) is a CPython interpreter.
have_cpython = [ -n "$(CPYTHON)" ] && command -v $(CPYTHON) >/dev/null 2>&1 && \
  $(CPYTHON) -c 'import sys; sys.exit(sys.implementation.name != "cpython")' 2>/dev/null

deps-cpython:
	@if ! $(CPYTHON) -c 'import ensurepip, os, sysconfig; \
	  assert os.path.exists(os.path.join(sysconfig.get_paths()["include"], "Python.h"))' 2>/dev/null; then \
	  if [ "$$($(CPYTHON) -c 'import sys; print(sys.base_prefix)')" = /usr ]; then \
	    $(MAKE) --no-print-directory deps DEB_PACKAGES="python3-dev python3-venv"; \
	  else \
	    echo "deps-cpython: $(CPYTHON) lacks Python.h or the venv module" >&2; exit 1; \
	  fi; \
	fi

$(CSTAMP): requirements-dev.txt | deps-cpython
	@if ! $(CPY) -c 'import sys; sys.exit(sys.implementation.name != "cpython")' 2>/dev/null; then \
	  echo "venv: creating $(CVENV) with $(CPYTHON)"; \
	  rm -rf $(CVENV) && $(CPYTHON) -m venv $(CVENV); \
	fi
	$(CPY) -m pip install -q -r requirements-dev.txt
	@touch $@

install-cpython: deps $(CSTAMP)
	$(CPY) -m pip install --no-build-isolation -q .

test-cpython: install-cpython
	$(CPY) -m pytest -q tests/python

# Built from the same incremental build directories as the installs.
wheel: deps $(STAMP)
	rm -f dist/plindervox-*.whl
	$(PIP) wheel --no-build-isolation --no-deps -q -w dist .
	@if $(have_cpython); then $(MAKE) --no-print-directory $(CSTAMP) && \
	  echo "$(CPY) -m pip wheel --no-build-isolation --no-deps -q -w dist ." && \
	  $(CPY) -m pip wheel --no-build-isolation --no-deps -q -w dist .; fi

# Installs each wheel into a fresh venv of its interpreter and imports it.
test-wheels: wheel
	@pythons="$(PYPY)"; if $(have_cpython); then pythons="$$pythons $(CPYTHON)"; fi; \
	echo "PLINDERVOX_WHEEL_PYTHONS=\"$$pythons\" $(PY) -m pytest -q tests/wheels"; \
	PLINDERVOX_WHEEL_PYTHONS="$$pythons" $(PY) -m pytest -q tests/wheels

# Benchmarks, not part of `make test`. BENCH_QUICK=1 runs shallower perfts;
# BENCH_CPU_TIME=1 times with the process CPU clock (steadier on a busy
# machine); BENCH_NURSERY=4MB sets PyPy's nursery (PYPY_GC_NURSERY) for the
# Python perft; CORE_BENCH_ARGS and PERFT_ARGS reach bench/core_bench and bench/perft.py.
BENCH_QUICK ?=
BENCH_CPU_TIME ?=
BENCH_NURSERY ?=
BENCH_FLAGS := $(if $(BENCH_QUICK),--quick) $(if $(BENCH_CPU_TIME),--cpu-time)
CORE_BENCH_ARGS ?= $(BENCH_FLAGS)
PERFT_ARGS ?= $(BENCH_FLAGS)

bench: bench-core bench-python

# The core and the plain implementation kept for the tests, no Python.
bench-core: deps
	$(CMAKE) -S . -B $(BENCH_BUILD)/core -DCMAKE_BUILD_TYPE=Release \
	  -DPLINDERVOX_BENCH=ON -DPLINDERVOX_TESTS=OFF -DPLINDERVOX_MODULE=OFF --log-level=WARNING
	$(CMAKE) --build $(BENCH_BUILD)/core -j $(JOBS) --target core_bench
	$(BENCH_BUILD)/core/core_bench $(CORE_BENCH_ARGS)

# The do-nothing module, built against the venv interpreter's headers with
# the same optimisation as the real module.
bench-floor: deps $(STAMP)
	@mkdir -p $(BENCH_BUILD)
	include="$$($(PY) -c 'import sysconfig; print(sysconfig.get_paths()["include"])')" && \
	suffix="$$($(PY) -c 'import sysconfig; print(sysconfig.get_config_var("EXT_SUFFIX"))')" && \
	$(CXX) -std=c++20 -O2 -DNDEBUG -fPIC -shared -fvisibility=hidden -Wall -Wextra \
	  -Wno-missing-field-initializers -isystem "$$include" \
	  bench/floor/floor.cpp -o "$(BENCH_BUILD)/plindervox_floor$$suffix"

bench-python: deps install bench-floor
	$(if $(BENCH_NURSERY),PYPY_GC_NURSERY=$(BENCH_NURSERY) )$(PY) bench/perft.py $(PERFT_ARGS)

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
FUZZ_TARGETS := fen ops
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

clean:
	rm -rf build dist .pytest_cache
	find . -path ./$(VENV) -prune -o -path ./$(CVENV) -prune -o -name __pycache__ -type d -prune -exec rm -rf {} +

distclean: clean
	rm -rf $(VENV) $(CVENV)

include mk/sanitize.mk
