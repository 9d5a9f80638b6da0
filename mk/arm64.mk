# --- Linux on 64-bit ARM, under emulation (included by the Makefile) ----------
#
# arm64 root filesystems of Debian 12, 13 and unstable, made once by
# tools/debian-root.sh under build/roots/arm64 and kept while sound (`make
# distclean` removes them), run under qemu-user through binfmt_misc, which
# the run sets up where it can. They give PyPy 7.3.11, 7.3.19 and 8.0 and
# CPython 3.11, 3.13, 3.14 and 3.15 for aarch64. Nothing is compiled in them:
# Debian 12's cross toolchain (g++-aarch64-linux-gnu) builds the core's
# tests, which run under qemu-user, and the module against each root
# interpreter's headers, which that interpreter then installs or packages.
# Where this cannot be done here (not root, no archive, no emulator) the
# summary says why and the run goes on without it.
#
#   make test-arm64       the core's tests, then tests/python and the hostile
#                         calls under every arm64 interpreter
#   make arm64-core-test  the core's tests alone
#
# `make test` runs the core's tests and the suites of ARM64_TESTED, the
# newest PyPy and CPython, beside its other work (the emulator is slow and
# single-threaded), and `make dist` writes a wheel for each arm64
# interpreter. ARM64_SUITES= leaves arm64 out.

ARM64_ROOTS := $(ROOTS_DIR)/arm64
ARM64_SUITES ?= bookworm trixie sid
ARM64_NAMES := $(foreach s,$(ARM64_SUITES),$(foreach i,$(call root_interpreters,$(s)),$(s)-$(i)))
ARM64_TESTED ?= $(filter sid-pypy3 sid-python3.15,$(ARM64_NAMES))
ARM64_BUILD := build/arm64
ARM64_TOOLCHAIN := $(CURDIR)/tools/aarch64-linux-gnu.cmake
ARM64_CMAKE := $(CMAKE) -DCMAKE_TOOLCHAIN_FILE=$(ARM64_TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release --log-level=WARNING
ARM64_GTEST := $(ARM64_BUILD)/googletest-install
# The reason arm64 (or the root of suite $(1)) is left out, left by arm64-roots.
ARM64_SKIPPED := build/matrix/arm64.skipped
arm64_skipped = build/matrix/arm64-root-$(1).skipped
# A shell condition: true when the arm64 suite-interpreter $(1) cannot run here.
arm64_off = [ -f $(ARM64_SKIPPED) ] || [ -f $(call arm64_skipped,$(call root_suite,$(1))) ]
arm64_root = $(ARM64_ROOTS)/$(call root_suite,$(1))
arm64_run = tools/debian-root.sh run $(call arm64_root,$(1))
# The test venv of $(1) (tools: requirements-dev.txt) and the packaging venv
# (scikit-build-core and ninja alone), both inside its root.
arm64_venv = $(ROOT_OPT)/venv-$(call root_interpreter,$(1))
arm64_pack_venv = $(ROOT_OPT)/pack-$(call root_interpreter,$(1))
ARM64_DEB_PACKAGES := g++-aarch64-linux-gnu qemu-user-static binfmt-support debootstrap

.PHONY: arm64-deps arm64-roots arm64-helpers arm64-core-test test-arm64 arm64-tested arm64-wheels \
  $(foreach n,$(ARM64_NAMES),arm64-module-$(n) arm64-venv-$(n) arm64-pack-venv-$(n) arm64-install-$(n) \
    arm64-suite-$(n) arm64-test-$(n) arm64-wheel-$(n))

# The cross toolchain and the emulator's packages, installed as root before
# anything runs beside anything else (apt takes one caller at a time).
arm64-deps:
	@mkdir -p build/matrix; rm -f $(ARM64_SKIPPED); \
	if [ -z "$(strip $(ARM64_SUITES))" ]; then echo "ARM64_SUITES is empty" > $(ARM64_SKIPPED); exit 0; fi; \
	missing=""; for p in $(ARM64_DEB_PACKAGES); do \
	  dpkg -s "$$p" 2>/dev/null | grep -q '^Status: install ok installed' || missing="$$missing $$p"; done; \
	if [ -z "$$missing" ]; then exit 0; fi; \
	if [ "$$(id -u)" != 0 ]; then \
	  echo "not running as root, and$$missing not installed" > $(ARM64_SKIPPED); \
	  echo "arm64: skipped: $$(cat $(ARM64_SKIPPED))"; exit 0; fi; \
	$(MAKE) --no-print-directory deps DEB_PACKAGES="$$missing"

# The roots side by side; a root this machine cannot make leaves its reason.
arm64-roots: arm64-deps
	@if [ -f $(ARM64_SKIPPED) ]; then exit 0; fi; pids=""; \
	for s in $(ARM64_SUITES); do \
	  ( rm -f $(call arm64_skipped,$$s); \
	    reason=$$(tools/debian-root.sh ensure $(ARM64_ROOTS)/$$s $$s arm64) && exit 0; rc=$$?; \
	    [ $$rc -eq 3 ] || exit $$rc; \
	    echo "arm64 root $$s: not made: $$reason"; echo "$$reason" > $(call arm64_skipped,$$s) ) & pids="$$pids $$!"; \
	done; status=0; for p in $$pids; do wait $$p || status=1; done; exit $$status

# GoogleTest from Debian's sources (libgtest-dev), built for aarch64 once.
$(ARM64_GTEST)/.made: | deps
	$(ARM64_CMAKE) -S /usr/src/googletest -B $(ARM64_BUILD)/googletest -DBUILD_GMOCK=OFF \
	  -DCMAKE_INSTALL_PREFIX=$(CURDIR)/$(ARM64_GTEST) -Wno-dev > /dev/null
	$(CMAKE) --build $(ARM64_BUILD)/googletest -j $(JOBS) > /dev/null
	$(CMAKE) --install $(ARM64_BUILD)/googletest > /dev/null
	@touch $@

# The core's tests, cross-compiled and run under qemu-user.
arm64-core-test: arm64-deps
	@if [ -f $(ARM64_SKIPPED) ]; then exit 0; fi; \
	$(MAKE) --no-print-directory $(ARM64_GTEST)/.made && \
	$(ARM64_CMAKE) -S . -B $(ARM64_BUILD)/core -DPLINDERVOX_TESTS=ON -DPLINDERVOX_MODULE=OFF -DPLINDERVOX_WERROR=ON \
	  -DGTest_DIR=$(CURDIR)/$(ARM64_GTEST)/lib/cmake/GTest && \
	$(CMAKE) --build $(ARM64_BUILD)/core -j $(JOBS) && \
	cd $(ARM64_BUILD)/core && $(CTEST) --output-on-failure -j $(JOBS)

# $(1): suite-interpreter.
define arm64_rules
# The module, cross-compiled against the root interpreter's headers.
arm64-module-$(1): arm64-roots
	@if $(call arm64_off,$(1)); then exit 0; fi; set -e; \
	$(call compile_against_root,$(call arm64_run,$(1)) $(call root_interpreter,$(1)),$(call arm64_root,$(1)),\
	  $(ARM64_CMAKE),$(ARM64_BUILD)/module-$(1))

# The test venv (made again when its interpreter no longer runs, its tools
# installed again when requirements-dev.txt changed).
arm64-venv-$(1): arm64-roots $(call arm64_helper_target,$(1))
	@if $(call arm64_off,$(1)); then exit 0; fi; \
	$(call arm64_venv_with,$(1),$(call arm64_venv,$(1)),requirements-dev.txt)

arm64-pack-venv-$(1): arm64-roots $(call arm64_helper_target,$(1))
	@if $(call arm64_off,$(1)); then exit 0; fi; \
	mkdir -p $(ARM64_BUILD); grep -E '^(scikit-build-core|ninja)\b' requirements-dev.txt > $(ARM64_BUILD)/requirements-pack-$(1).txt; \
	$(call arm64_venv_with,$(1),$(call arm64_pack_venv,$(1)),$(ARM64_BUILD)/requirements-pack-$(1).txt)

# The module built above, installed by the root interpreter's pip and
# scikit-build-core as the x86_64 root wheels are packaged.
arm64-install-$(1): arm64-venv-$(1) arm64-module-$(1)
	@if $(call arm64_off,$(1)); then exit 0; fi; \
	$(call arm64_run,$(1)) $(call arm64_venv,$(1))/bin/python -m pip install --no-build-isolation --no-deps -q \
	  --config-settings=build-dir=$(ROOT_OPT)/build/install-{wheel_tag} \
	  --config-settings=cmake.define.PLINDERVOX_MODULE_FILE=$(call module_file,$(ARM64_BUILD)/module-$(1)) .

arm64-suite-$(1):
	$$(call run_suite,arm64-$(1),PLINDERVOX_EMULATED=1 $(call arm64_run,$(1)) $(call arm64_venv,$(1))/bin/python)

arm64-test-$(1): arm64-install-$(1)
	@if ! $(call arm64_off,$(1)); then $$(MAKE) --no-print-directory arm64-suite-$(1); fi

# The wheel, into the wheelhouse make dist repairs.
arm64-wheel-$(1): arm64-pack-venv-$(1) arm64-module-$(1)
	@if $(call arm64_off,$(1)); then echo "dist: no wheel for arm64 $(1): $$$$(cat $(ARM64_SKIPPED) \
	  $(call arm64_skipped,$(call root_suite,$(1))) 2>/dev/null)"; exit 0; fi; \
	$(call arm64_run,$(1)) $(call arm64_pack_venv,$(1))/bin/python -m pip wheel --no-build-isolation --no-deps -q \
	  -w $(WHEELHOUSE) --config-settings=build-dir=$(ROOT_OPT)/build/package-{wheel_tag} \
	  --config-settings=cmake.define.PLINDERVOX_MODULE_FILE=$(call module_file,$(ARM64_BUILD)/module-$(1)) .
endef

# The native interpreter (its venv's python) that installs the tools of
# arm64 suite-interpreter $(1): the x86_64 root's of the same suite, or for
# Debian 12 this machine's PyPy 7.3.11 and CPython 3.11, which evaluate the
# requirements' markers as the arm64 interpreter would.
arm64_helper = $(if $(filter bookworm,$(call root_suite,$(1))),$(if $(filter pypy3,$(call root_interpreter,$(1))),$(PY),\
  .venv-cp311/bin/python),$(call root_run,$(call root_suite,$(1))) $(call root_venv,$(1))/bin/python)
arm64_helper_target = $(if $(filter bookworm,$(call root_suite,$(1))),$(if $(filter pypy3,$(call root_interpreter,$(1))),\
  $(STAMP),$(if $(filter cp311,$(CPYTHON_TAGS)),.venv-cp311/.stamp)),$(if $(filter $(1),$(ROOT_NAMES)),venv-$(1)))

# The helpers of the interpreters `make test` runs the suite under, made
# before the arm64 runs go on beside the rest, which uses them too.
arm64-helpers: $(foreach n,$(ARM64_TESTED),$(call arm64_helper_target,$(n)))

# $(1): suite-interpreter, $(2): venv path in its root, $(3): requirements file.
# The helper installs binary wheels straight into the venv (tools/pip-target.py),
# their programs (ninja among them) moved from there to the venv's bin;
# without a helper the venv's own pip does it under the emulator, which takes
# minutes.
define arm64_venv_with
venv=$(2); \
if ! $(call arm64_run,$(1)) $$$$venv/bin/python -c pass 2>/dev/null; then \
  echo "venv: creating $$$$venv in $(call arm64_root,$(1))"; \
  tools/debian-root.sh venv $(call arm64_root,$(1)) $(call root_interpreter,$(1)) $$$$venv || exit 1; fi; \
if ! cmp -s $(3) $(call arm64_root,$(1))$$$$venv/requirements.txt; then \
  if $(call arm64_helper,$(1)) -m pip --version > /dev/null 2>&1; then \
    target=$$$$($(call arm64_run,$(1)) $$$$venv/bin/python tools/pip-target.py) || exit 1; set -- $$$$target; \
    purelib=$$$$1; shift; \
    $(call arm64_helper,$(1)) -m pip install -q --root-user-action=ignore --no-compile --upgrade --only-binary=:all: \
      "$$$$@" --target $(CURDIR)/$(call arm64_root,$(1))$$$$purelib -r $(3) || exit 1; \
    bin=$(call arm64_root,$(1))$$$$purelib/bin; \
    if [ -d $$$$bin ]; then cp -a $$$$bin/. $(call arm64_root,$(1))$$$$venv/bin/ && rm -rf $$$$bin; fi; \
  else \
    $(call arm64_run,$(1)) $$$$venv/bin/python -m pip install -q --root-user-action=ignore -r $(3) || exit 1; fi; \
  cp $(3) $(call arm64_root,$(1))$$$$venv/requirements.txt; fi
endef
$(foreach n,$(ARM64_NAMES),$(eval $(call arm64_rules,$(n))))

# One line per arm64 suite-interpreter named in $(1): its pass counts, or why it did not run.
define arm64_summary
echo "arm64 (aarch64 under qemu-user):"; \
if [ -f $(ARM64_SKIPPED) ]; then echo "  skipped: $$(cat $(ARM64_SKIPPED))"; else \
for n in $(1); do \
  s=$${n%%-*}; \
  if [ -f $(call arm64_skipped,$$s) ]; then echo "  skipped $$n: $$(cat $(call arm64_skipped,$$s))"; \
  else echo "  ran $$(cat build/matrix/arm64-$$n.txt)"; fi; \
done; fi
endef

# What `make test` runs for arm64; it keeps its output in build/arm64/tested.log.
arm64-tested: arm64-core-test $(addprefix arm64-test-,$(ARM64_TESTED))
	@$(call arm64_summary,$(ARM64_TESTED))

test-arm64: arm64-core-test $(addprefix arm64-test-,$(ARM64_NAMES))
	@$(call arm64_summary,$(ARM64_NAMES))

arm64-wheels: $(addprefix arm64-wheel-,$(ARM64_NAMES))

# The arm64 interpreters tests/wheels installs the wheels with, as ROOT:PYTHON.
ARM64_WHEEL_PYTHONS = $(if $(wildcard $(ARM64_SKIPPED)),,$(foreach n,$(ARM64_NAMES),\
  $(if $(wildcard $(call arm64_skipped,$(call root_suite,$(n)))),,$(call arm64_root,$(n)):/usr/bin/$(call root_interpreter,$(n)))))
