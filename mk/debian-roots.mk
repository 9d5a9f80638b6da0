# --- Today's interpreters from Debian roots (included by the Makefile) --------
#
# Debian 13 (trixie) and Debian unstable (sid) root filesystems, made once by
# tools/debian-root.sh under build/roots and kept while sound (`make
# distclean` removes them), give the matrix PyPy 7.3.19 and CPython 3.13
# (trixie), PyPy 8.0 and CPython 3.14 and 3.15 (sid). In each the module is built
# from the checkout with that root's own g++ into a venv of that interpreter
# (under /opt/plindervox there), and tests/python runs under it. Where a
# root cannot be made (not root, no archive) the summary says why and the
# run goes on without it. ROOT_SUITES= leaves the roots out.
#
#   make test-roots   the suite under every root interpreter

ROOTS_DIR := build/roots
ROOT_SUITES ?= trixie sid
# The interpreters of suite $(1): unstable has CPython 3.15 beside its default.
root_interpreters = pypy3 python3 $(if $(filter sid,$(1)),python3.15)
ROOT_OPT := /var/lib/plindervox
# suite-interpreter names, as the matrix summary gives them.
ROOT_NAMES := $(foreach s,$(ROOT_SUITES),$(foreach i,$(call root_interpreters,$(s)),$(s)-$(i)))
root_suite = $(firstword $(subst -, ,$(1)))
root_interpreter = $(lastword $(subst -, ,$(1)))
# The venv of suite-interpreter $(1), inside its root.
root_venv = $(ROOT_OPT)/venv-$(call root_interpreter,$(1))
# A command prefix that runs what follows inside the root of suite $(1).
root_run = tools/debian-root.sh run $(ROOTS_DIR)/$(1)
# The reason a root was not made, left by `make roots`.
root_skipped = build/matrix/root-$(1).skipped

.PHONY: roots test-roots check-root-mounts $(addprefix test-,$(ROOT_NAMES)) \
  $(addprefix venv-,$(ROOT_NAMES)) $(addprefix install-,$(ROOT_NAMES)) $(addprefix suite-,$(ROOT_NAMES))

# Makes the roots (side by side: debootstrap mostly waits for the archive),
# or checks the ones there; a root this machine cannot make leaves its
# reason instead.
roots:
	@if [ "$$(id -u)" = 0 ] && ! command -v debootstrap >/dev/null 2>&1; then \
	  $(MAKE) --no-print-directory deps DEB_PACKAGES=debootstrap; fi
	@mkdir -p build/matrix; pids=""; \
	for s in $(ROOT_SUITES); do \
	  ( rm -f build/matrix/root-$$s.skipped; \
	    reason=$$(tools/debian-root.sh ensure $(ROOTS_DIR)/$$s $$s) && exit 0; rc=$$?; \
	    [ $$rc -eq 3 ] || exit $$rc; \
	    echo "root $$s: not made: $$reason"; echo "$$reason" > build/matrix/root-$$s.skipped ) & pids="$$pids $$!"; \
	done; status=0; for p in $$pids; do wait $$p || status=1; done; exit $$status

# Shell text: compiles the module against the headers of the interpreter
# that command $(1) runs in root $(2), configured by cmake command $(3) in
# build directory $(4), where module.name is left holding its file name.
define compile_against_root
sysconfig=$$$$($(1) -c 'import sysconfig; print(sysconfig.get_config_var("EXT_SUFFIX"), sysconfig.get_paths()["include"])'); \
suffix=$$$${sysconfig%% *}; include=$$$${sysconfig#* }; root=$(CURDIR)/$(strip $(2)); \
echo "compiling against $$$$root$$$$include"; \
$(3) -S . -B $(4) -DPLINDERVOX_WERROR=ON -DPLINDERVOX_EXT_SUFFIX=$$$$suffix -DPLINDERVOX_PYTHON_INCLUDE=$$$$root$$$$include \
  "-DCMAKE_CXX_FLAGS=-idirafter $$$$root/usr/include" --log-level=WARNING; \
$(CMAKE) --build $(4) -j $(JOBS) --target plindervox; \
echo plindervox$$$$suffix > $(4)/module.name
endef
# The module compile_against_root left in build directory $(1).
module_file = $(CURDIR)/$(1)/$$$$(cat $(1)/module.name)

# $(1): suite-interpreter. The venv in the root (made again when its
# interpreter no longer runs, its tools installed again when
# requirements-dev.txt changed) and the module built there from the checkout,
# incrementally in the root's own build directory.
define root_rules
venv-$(1): roots
	@if [ -f $(call root_skipped,$(call root_suite,$(1))) ]; then exit 0; fi; \
	venv=$(call root_venv,$(1)); \
	$(call root_run,$(call root_suite,$(1))) sh -ec ' \
	  if ! '$$$$venv'/bin/python -c pass 2>/dev/null; then \
	    echo "venv: creating '$$$$venv' in $(ROOTS_DIR)/$(call root_suite,$(1))"; \
	    rm -rf '$$$$venv' && $(call root_interpreter,$(1)) -m venv '$$$$venv'; fi; \
	  if ! cmp -s requirements-dev.txt '$$$$venv'/requirements-dev.txt; then \
	    '$$$$venv'/bin/python -m pip install -q -r requirements-dev.txt || exit 1; \
	    cp requirements-dev.txt '$$$$venv'/; fi'

install-$(1): venv-$(1)
	@if [ -f $(call root_skipped,$(call root_suite,$(1))) ]; then exit 0; fi; \
	echo "$(call root_run,$(call root_suite,$(1))) $(call root_venv,$(1))/bin/python -m pip install $(PIP_BUILD) -Cbuild-dir=$(ROOT_OPT)/build/{wheel_tag} -q ."; \
	$(call root_run,$(call root_suite,$(1))) $(call root_venv,$(1))/bin/python -m pip install $(PIP_BUILD) \
	  -Cbuild-dir=$(ROOT_OPT)/build/{wheel_tag} -q .

suite-$(1):
	$$(call run_suite,$(1),$(call root_run,$(call root_suite,$(1))) $(call root_venv,$(1))/bin/python)

# The wheel: the module compiled here, by this machine's (older) toolchain
# against the root interpreter's headers, so that it needs no newer glibc or
# C++ runtime than the host wheels; then packaged by that interpreter's own
# scikit-build-core, which gives the wheel its tags and metadata.
wheel-$(1): venv-$(1)
	@if [ -f $(call root_skipped,$(call root_suite,$(1))) ]; then \
	  echo "dist: no wheel for $(1): $$$$(cat $(call root_skipped,$(call root_suite,$(1))))"; exit 0; fi; \
	set -e; $(call compile_against_root,$(call root_run,$(call root_suite,$(1))) $(call root_venv,$(1))/bin/python,\
	  $(ROOTS_DIR)/$(call root_suite,$(1)),$(CMAKE) -DCMAKE_BUILD_TYPE=Release,build/wheel-$(1)); \
	$(call root_run,$(call root_suite,$(1))) $(call root_venv,$(1))/bin/python -m pip wheel --no-build-isolation \
	  --no-deps -q -w $(WHEELHOUSE) -Cbuild-dir=$(ROOT_OPT)/build/package-{wheel_tag} \
	  -Ccmake.define.PLINDERVOX_MODULE_FILE=$(call module_file,build/wheel-$(1)) .

test-$(1): install-$(1)
	@if [ ! -f $(call root_skipped,$(call root_suite,$(1))) ]; then $$(MAKE) --no-print-directory suite-$(1); fi
endef
$(foreach n,$(ROOT_NAMES),$(eval $(call root_rules,$(n))))

test-roots: $(addprefix test-,$(ROOT_NAMES)) check-root-mounts

# A command in a root sees its mounts and its failure reaches the caller, and
# no mount is left under the roots afterwards.
check-root-mounts: roots
	@for s in $(ROOT_SUITES); do \
	  if [ -f $(call root_skipped,$$s) ]; then continue; fi; \
	  $(call root_run,$$s) sh -c 'test -r /proc/self/status && test -c /dev/null && test -f Makefile && exit 7'; \
	  rc=$$?; if [ $$rc -ne 7 ]; then echo "check-root-mounts: $$s: exit status $$rc, expected 7" >&2; exit 1; fi; \
	done; \
	if findmnt -rn -o TARGET | grep "^$(CURDIR)/$(ROOTS_DIR)/"; then \
	  echo "check-root-mounts: the mounts above are left under $(ROOTS_DIR)" >&2; exit 1; fi

# The root interpreters make dist writes wheels for (CPython 3.13 has its
# wheel from the host's interpreter), and the interpreters tests/wheels
# installs them with: root:interpreter, as tests/wheels takes them.
ROOT_WHEELS := $(filter-out %-python3,$(ROOT_NAMES)) $(filter sid-python3,$(ROOT_NAMES))
ROOT_WHEEL_PYTHONS = $(foreach n,$(ROOT_WHEELS),$(if $(wildcard $(call root_skipped,$(call root_suite,$(n)))),,\
  $(ROOTS_DIR)/$(call root_suite,$(n)):/usr/bin/$(call root_interpreter,$(n))))
# The sdist is built under PyPy 3.11 and CPython 3.14 and 3.15 from the roots too.
ROOT_SDIST_PYTHONS = $(filter $(ROOTS_DIR)/trixie:/usr/bin/pypy3 $(ROOTS_DIR)/sid:/usr/bin/python3 \
  $(ROOTS_DIR)/sid:/usr/bin/python3.15,$(ROOT_WHEEL_PYTHONS))
.PHONY: root-wheels $(addprefix wheel-,$(ROOT_WHEELS))
root-wheels: $(addprefix wheel-,$(ROOT_WHEELS))

# One summary line per root interpreter (used by test-python).
define root_summary
for n in $(ROOT_NAMES); do \
  s=$${n%%-*}; \
  if [ -f build/matrix/root-$$s.skipped ]; then echo "  skipped $$n: $$(cat build/matrix/root-$$s.skipped)"; \
  else echo "  ran $$(cat build/matrix/$$n.txt)"; fi; \
done;
endef
