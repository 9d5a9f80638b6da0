# --- The binding under sanitizers, a debug CPython and atheris ---------------
# Included by the Makefile; adds to `make test` and `make fuzz`.
#
# test-sanitized: the module built with clang, AddressSanitizer and
#   UndefinedBehaviorSanitizer and run through tests/python except the
#   memory-growth tests, with the sanitizer runtime preloaded: under CPython
#   (build/sanitize, installed into .venv-sanitize, with Python's own
#   allocator replaced by malloc so that freed objects are checked too), then
#   under PyPy (build/sanitize-pypy, found through PYTHONPATH ahead of the
#   module installed in .venv; PyPy's own objects live in its GC's memory,
#   which the sanitizer does not see, the module's allocations it does).
#   Reports are written to build/sanitize/reports; any report fails the run,
#   one from a child process included.
# refleaks: the module built against Debian's debug CPython (build/refleaks)
#   and tests/binding/refleaks.py run under it.
# fuzz-binding-smoke: fuzz/fuzz_binding.py (atheris) for
#   FUZZ_BINDING_SMOKE_SECONDS against the sanitized module; `make fuzz` runs
#   it FUZZ_SECONDS. Findings are saved as build/fuzz/findings/binding-*.

SAN_BUILD := build/sanitize
SAN_PYPY_BUILD := build/sanitize-pypy
SVENV := .venv-sanitize
SPY := $(SVENV)/bin/python
SSTAMP := $(SVENV)/.stamp
SAN_CXX ?= clang++
# Also the coverage instrumentation atheris steers by; clang 14 needs the
# stand-in for std::source_location.
SAN_CXXFLAGS := -O1 -g -D_GLIBCXX_ASSERTIONS $(SANITIZE) -fsanitize=fuzzer-no-link \
  -include $(CURDIR)/fuzz/source_location_compat.hpp
SAN_REPORTS := $(SAN_BUILD)/reports
SAN_RUN = env LD_PRELOAD=$(1) PYTHONMALLOC=malloc \
  ASAN_OPTIONS=detect_leaks=0:detect_stack_use_after_return=1:strict_string_checks=1:log_path=$(CURDIR)/$(SAN_REPORTS)/asan \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:log_path=$(CURDIR)/$(SAN_REPORTS)/ubsan
# ASan with UBSan inside, and the same together with libFuzzer for atheris
# (atheris's own copy lacks UBSan), made from clang's runtime archives.
SAN_RUNTIME = $(shell $(SAN_CXX) -print-file-name=libclang_rt.asan-x86_64.so)
FUZZ_RUNTIME := $(SAN_BUILD)/asan_with_fuzzer.so
FUZZ_BINDING_SMOKE_SECONDS ?= 20

DBG_PYTHON ?= python3.11-dbg
REFLEAK_BUILD := build/refleaks

.PHONY: sanitized-module test-sanitized test-sanitized-cpython test-sanitized-pypy refleaks \
  fuzz-binding-smoke fuzz-binding

test: test-sanitized refleaks fuzz-binding-smoke
fuzz: fuzz-binding

$(SSTAMP): requirements-dev.txt | deps-cpython
	@if ! $(SPY) -c 'import sys; sys.exit(sys.implementation.name != "cpython")' 2>/dev/null; then \
	  echo "venv: creating $(SVENV) with $(CPYTHON)"; \
	  rm -rf $(SVENV) && $(CPYTHON) -m venv $(SVENV); \
	fi
	$(SPY) -m pip install -q -r requirements-dev.txt atheris
	@touch $@

# $(1): build directory, $(2): interpreter. Built with CMake directly: pip
# would not pass the sanitizer flags through.
define build_sanitized
	$(CMAKE) -S . -B $(1) -DCMAKE_CXX_COMPILER=$(SAN_CXX) -DCMAKE_BUILD_TYPE=Sanitize \
	  "-DCMAKE_CXX_FLAGS=$(SAN_CXXFLAGS)" "-DCMAKE_MODULE_LINKER_FLAGS=$(SANITIZE)" \
	  -DPython_EXECUTABLE=$(CURDIR)/$(2) --log-level=WARNING
	$(CMAKE) --build $(1) -j $(JOBS) --target plindervox
endef

# Copied into the venv's site-packages as an install would place it.
sanitized-module: deps $(SSTAMP)
	$(call build_sanitized,$(SAN_BUILD),$(SPY))
	@site="$$($(SPY) -c 'import sysconfig; print(sysconfig.get_paths()["platlib"])')" && \
	  cp $(SAN_BUILD)/plindervox.*.so "$$site/" && rm -rf "$$site/plindervox-stubs" && \
	  cp -r src/plindervox-stubs "$$site/"

# $(1): what ran. Fails when the sanitizers wrote any report, and shows them.
define check_reports
	@if ls $(SAN_REPORTS)/* >/dev/null 2>&1; then \
	  echo "$(1): sanitizer reports:" >&2; head -n 60 $(SAN_REPORTS)/*; exit 1; fi
endef

test-sanitized: test-sanitized-cpython test-sanitized-pypy

test-sanitized-cpython: sanitized-module
	@rm -rf $(SAN_REPORTS) && mkdir -p $(SAN_REPORTS)
	$(call SAN_RUN,$(SAN_RUNTIME)) $(SPY) -m pytest -q tests/python --ignore=tests/python/test_leaks.py || \
	  { head -n 60 $(SAN_REPORTS)/* 2>/dev/null; exit 1; }
	$(call check_reports,test-sanitized-cpython)

# The installed copy in .venv stays for the typing tests; the stubs beside
# the sanitized module are those the installed-stubs test compares.
test-sanitized-pypy: install
	$(call build_sanitized,$(SAN_PYPY_BUILD),$(PY))
	@ln -sfn ../../src/plindervox-stubs $(SAN_PYPY_BUILD)/plindervox-stubs
	@rm -rf $(SAN_REPORTS) && mkdir -p $(SAN_REPORTS)
	$(call SAN_RUN,$(SAN_RUNTIME)) PYTHONPATH=$(SAN_PYPY_BUILD) $(PY) -m pytest -q tests/python \
	  --ignore=tests/python/test_leaks.py || { head -n 60 $(SAN_REPORTS)/* 2>/dev/null; exit 1; }
	$(call check_reports,test-sanitized-pypy)

# clang, not g++: Debian's debug headers are symlinks into the release ones,
# and g++ then finds the release pyconfig.h beside them for an -isystem
# directory, building a module without the debug reference counting.
refleaks: deps
	@command -v $(DBG_PYTHON) >/dev/null 2>&1 || \
	  $(MAKE) --no-print-directory deps DEB_PACKAGES="$(DBG_PYTHON)"
	$(CMAKE) -S . -B $(REFLEAK_BUILD) -DCMAKE_CXX_COMPILER=$(SAN_CXX) -DCMAKE_BUILD_TYPE=Debug \
	  "-DCMAKE_CXX_FLAGS=-include $(CURDIR)/fuzz/source_location_compat.hpp" \
	  -DPython_EXECUTABLE=$$(command -v $(DBG_PYTHON)) --log-level=WARNING
	$(CMAKE) --build $(REFLEAK_BUILD) -j $(JOBS) --target plindervox
	@echo "PYTHONPATH=$(REFLEAK_BUILD) $(DBG_PYTHON) tests/binding/refleaks.py"
	@PYTHONPATH=$(REFLEAK_BUILD) $(DBG_PYTHON) tests/binding/refleaks.py 2> $(REFLEAK_BUILD)/stderr.log || \
	  { echo "refleaks: the end of its standard error ($(REFLEAK_BUILD)/stderr.log):"; \
	    tail -n 30 $(REFLEAK_BUILD)/stderr.log; exit 1; }

# libclang_rt.asan's archive minus its .preinit_array part, which a shared
# object cannot carry; the C++ part holds UBSan's handlers.
$(FUZZ_RUNTIME): | deps
	@mkdir -p $(SAN_BUILD)/runtime
	cd $(SAN_BUILD)/runtime && rm -f *.o && ar x "$$($(SAN_CXX) -print-file-name=libclang_rt.asan-x86_64.a)" && \
	  rm -f asan_preinit.cpp.o && rm -f ../asan_no_preinit.a && ar rcs ../asan_no_preinit.a *.o
	$(SAN_CXX) -shared -o $@ -Wl,--whole-archive $(SAN_BUILD)/asan_no_preinit.a \
	  "$$($(SAN_CXX) -print-file-name=libclang_rt.asan_cxx-x86_64.a)" \
	  "$$($(SAN_CXX) -print-file-name=libclang_rt.fuzzer_no_main-x86_64.a)" \
	  -Wl,--no-whole-archive -lpthread -ldl -lrt -lm

# $(1): seconds. Grows a copy of fuzz/corpus/binding; the log is build/fuzz/binding.log.
# Inputs may be long from the start (no length control): each call takes a
# few bytes, and a short run would otherwise never see a long sequence.
define run_atheris
	@mkdir -p $(FUZZ_BUILD)/findings && rm -rf $(SAN_REPORTS) && mkdir -p $(SAN_REPORTS)
	@work=$$(mktemp -d) || exit 1; \
	$(call SAN_RUN,$(CURDIR)/$(FUZZ_RUNTIME)) $(SPY) fuzz/fuzz_binding.py -max_total_time=$(1) \
	  -max_len=1024 -len_control=0 -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/findings/binding- $$work fuzz/corpus/binding \
	  > $(FUZZ_BUILD)/binding.log 2>&1; \
	rc=$$?; rm -rf $$work; \
	echo "fuzz_binding: $$(grep -a -o 'Done [0-9]* runs in [0-9]* second(s)' $(FUZZ_BUILD)/binding.log || echo 'did not finish')"; \
	if [ $$rc -ne 0 ]; then grep -a -v "^thread '\|^#[0-9]" $(FUZZ_BUILD)/binding.log | tail -n 60; exit $$rc; fi
	$(call check_reports,fuzz_binding)
endef

fuzz-binding-smoke: sanitized-module $(FUZZ_RUNTIME)
	$(call run_atheris,$(FUZZ_BINDING_SMOKE_SECONDS))

fuzz-binding: sanitized-module $(FUZZ_RUNTIME)
	$(call run_atheris,$(FUZZ_SECONDS))

distclean: distclean-sanitize
.PHONY: distclean-sanitize
distclean-sanitize:
	rm -rf $(SVENV)
