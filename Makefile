# plindervox developer tasks. Everything runs under PyPy in ./.venv.
#
#   make test   C++ unit tests, build + install the module, Python tests
#   make demo   build + install the module, run examples/demo.py
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

DEB_PACKAGES := pypy3 pypy3-dev pypy3-venv g++ cmake make libgtest-dev

export PIP_DISABLE_PIP_VERSION_CHECK := 1

.PHONY: deps venv .venv install core-test test demo clean distclean

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

test: deps core-test install
	$(PY) -m pytest -q tests/python

demo: deps install
	$(PY) examples/demo.py

clean:
	rm -rf build dist .pytest_cache
	find . -path ./$(VENV) -prune -o -name __pycache__ -type d -prune -exec rm -rf {} +

distclean: clean
	rm -rf $(VENV)
