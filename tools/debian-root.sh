#!/usr/bin/env bash
# Debian root filesystems that give the Makefile interpreters this machine
# does not have (Debian 13's PyPy 3.11 and CPython 3.13, unstable's PyPy 3.11
# and CPython 3.14 and 3.15, and all of these and Debian 12's for arm64), and
# a way to run commands in them.
#
#   tools/debian-root.sh ensure DIR SUITE [ARCH]
#       Makes DIR a root of Debian SUITE (debootstrap --variant=minbase plus
#       the packages root_packages names), or keeps the one there while it is
#       sound: made by this script from the same suite, architecture and
#       package list, and its interpreters (and compiler) run. Exit status 3,
#       with the reason on standard output, when a root cannot be made here at
#       all (not root, archive unreachable, no emulator for ARCH).
#       ARCH defaults to this machine's. A root of another architecture runs
#       under qemu-user (binfmt_misc), which this script sets up when it can;
#       it holds the interpreters and their headers but no compiler: the
#       Makefile cross-compiles for it.
#   tools/debian-root.sh venv DIR PYTHON VENV
#       Makes VENV, a path inside root DIR, a fresh venv of PYTHON there
#       whose pip installs into it. Instead of ensurepip, which unpacks and
#       compiles pip anew for each venv (minutes under the emulator), the
#       venv reaches (through a .pth file) one copy of Debian's pip wheel
#       unpacked in the root for PYTHON, whose bytecode the root's cache
#       keeps once it is first imported.
#   tools/debian-root.sh run DIR COMMAND [ARG...]
#       Runs COMMAND inside DIR from the current directory, which must lie in
#       the checkout. The checkout appears at its own path there, so paths
#       under it mean the same inside and out.
#
# `run` mounts /proc, /dev, /sys (read only) and the checkout in a private
# mount namespace of its own (unshare): the mounts are never visible outside
# the command, and they vanish with it however it ends, so a failed or
# killed test can leave nothing mounted under build/ for `make distclean` to
# trip over.
set -euo pipefail

MIRROR=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
STAMP=.plindervox-root
CHECKOUT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)
HOST_ARCH=$(dpkg --print-architecture)
# The CPU the emulator plays for arm64 (see emulated_settings).
ARM64_QEMU_CPU=cortex-a72

# The packages of a root of suite $1 for architecture $2: both interpreters
# with their headers and venv modules (unstable also has CPython 3.15 beside
# its default 3.14), cmake for packaging wheels, and a compiler where the
# root is native.
root_packages() {
    local suite=$1 arch=$2 packages="pypy3 pypy3-dev pypy3-venv python3 python3-dev python3-venv cmake"
    if [ "$suite" = sid ] || [ "$suite" = unstable ]; then
        packages="$packages python3.15 python3.15-dev python3.15-venv"
    fi
    if [ "$arch" = "$HOST_ARCH" ]; then packages="$packages g++"; fi
    echo "$packages"
}

# What the stamp of a root of suite $1 for architecture $2 holds.
stamp_text() {
    printf 'suite=%s\n' "$1"
    if [ "$2" != "$HOST_ARCH" ]; then printf 'arch=%s\n' "$2"; fi
    printf 'packages=%s\nmirror=%s\n' "$(root_packages "$1" "$2")" "$MIRROR"
}

# Fails when anything is mounted at or below $1.
nothing_mounted_under() {
    local dir
    dir=$(realpath -m "$1")
    ! findmnt -rn -o TARGET | grep -q -e "^$dir\$" -e "^$dir/"
}

sound() {
    local dir=$1 suite=$2 arch=$3 check='pypy3 -c pass && python3 -c pass && cmake --version'
    if [ "$arch" = "$HOST_ARCH" ]; then check="$check && g++ --version"; fi
    [ -f "$dir/$STAMP" ] && [ "$(cat "$dir/$STAMP")" = "$(stamp_text "$suite" "$arch")" ] &&
        [ -d "$dir/proc" ] && [ ! -L "$dir/proc" ] &&
        chroot "$dir" /bin/sh -c "$check" >/dev/null 2>&1
}

# The host's certificate authorities and pip configuration, so that pip in
# the root reaches the package index the way it does here. Copied after the
# packages are installed: installing ca-certificates there rewrites the bundle.
copy_host_settings() {
    local dir=$1 suite=$2 file
    for file in /etc/ssl/certs/ca-certificates.crt /etc/pip.conf /etc/xdg/pip "$HOME/.config/pip"; do
        if [ -e "$file" ]; then
            mkdir -p "$dir$(dirname "$file")"
            rm -rf "${dir:?}$file"
            cp -rL "$file" "$dir$file"
        fi
    done
    cp -L /etc/resolv.conf "$dir/etc/resolv.conf" 2>/dev/null || true
    # Unstable's Release file may be past its Valid-Until date.
    if [ "$suite" = sid ] || [ "$suite" = unstable ]; then
        echo 'Acquire::Check-Valid-Until "false";' > "$dir/etc/apt/apt.conf.d/99no-check-valid-until"
    fi
}

# The qemu-user binfmt_misc entry that runs programs of architecture $1.
binfmt_entry() {
    case $1 in
        arm64) echo qemu-aarch64 ;;
        armhf | armel) echo qemu-arm ;;
        *) echo "qemu-$1" ;;
    esac
}

# Sets up the emulator for architecture $1 where it is missing: Debian's
# qemu-user-static and binfmt-support, binfmt_misc mounted, the format
# enabled (with the fix-binary flag, so that it works inside a chroot). Says
# why when that cannot be done.
emulator_missing() {
    local arch=$1 entry
    entry=$(binfmt_entry "$arch")
    # Roots are made side by side; one of them sets up at a time.
    mkdir -p "$CHECKOUT/build"
    exec 8>"$CHECKOUT/build/.emulator.lock"
    flock 8
    if grep -qx enabled "/proc/sys/fs/binfmt_misc/$entry" 2>/dev/null; then return; fi
    if ! dpkg -s qemu-user-static binfmt-support 2>/dev/null | grep -c '^Status: install ok installed' | grep -qx 2; then
        if ! { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
                qemu-user-static binfmt-support; } >/dev/null 2>&1; then
            echo "qemu-user-static and binfmt-support could not be installed"; return
        fi
    fi
    if [ ! -e /proc/sys/fs/binfmt_misc/status ] &&
            ! mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null; then
        echo "binfmt_misc cannot be mounted here (needed to run $arch programs under qemu)"; return
    fi
    update-binfmts --enable "$entry" >/dev/null 2>&1 || true
    if ! grep -qx enabled "/proc/sys/fs/binfmt_misc/$entry" 2>/dev/null; then
        echo "the binfmt_misc format $entry cannot be enabled"
    fi
}

# Why a root cannot be made on this machine, or nothing when it can.
cannot_make() {
    local suite=$1 arch=$2 probe reason
    if [ "$(id -u)" != 0 ]; then echo "not running as root (debootstrap and chroot need it)"; return; fi
    if ! command -v debootstrap >/dev/null 2>&1; then
        echo "debootstrap is not installed (Debian: apt-get install debootstrap)"; return
    fi
    if [ "$arch" != "$HOST_ARCH" ]; then
        reason=$(emulator_missing "$arch")
        if [ -n "$reason" ]; then echo "$reason"; return; fi
    fi
    probe=$(mktemp)
    if ! timeout 60 /usr/lib/apt/apt-helper download-file "$MIRROR/dists/$suite/Release" "$probe" >/dev/null 2>&1; then
        echo "the Debian archive ($MIRROR, suite $suite) is not reachable"
    fi
    rm -f "$probe"
}

# Debootstrap of a root of another architecture. Its second stage would run
# dpkg and every maintainer script under the emulator, which takes most of
# an hour; instead the first stage only downloads and unpacks the base, and
# the host's dpkg-deb unpacks every package. What the skipped scripts would
# have done and the interpreters need is done here: the users and groups,
# and the dynamic linker's cache.
foreign_debootstrap() {
    local suite=$1 arch=$2 work=$3 deb table
    debootstrap --foreign --arch="$arch" --variant=minbase \
        --include="$(root_packages "$suite" "$arch" | tr ' ' ,)" "$suite" "$work" "$MIRROR" || return 1
    for deb in "$work"/var/cache/apt/archives/*.deb; do
        dpkg-deb --fsys-tarfile "$deb" | tar -x --keep-directory-symlink -C "$work" || return 1
    done
    for table in passwd group; do
        [ -s "$work/etc/$table" ] || cp "$work/usr/share/base-passwd/$table.master" "$work/etc/$table"
    done
    # The first stage leaves /proc a symbolic link to /proc, for its second
    # stage in a container; `run` mounts the host's /proc on a directory.
    if [ -L "$work/proc" ]; then rm "$work/proc" && mkdir "$work/proc"; fi
    chroot "$work" /sbin/ldconfig
}

debootstrap_root() {
    local suite=$1 arch=$2 work=$3
    if [ "$arch" = "$HOST_ARCH" ]; then
        debootstrap --variant=minbase --include="$(root_packages "$suite" "$arch" | tr ' ' ,)" \
            "$suite" "$work" "$MIRROR"
    else
        foreign_debootstrap "$suite" "$arch" "$work"
    fi
}

ensure() {
    local dir=$1 suite=$2 arch=${3:-$HOST_ARCH} reason work
    mkdir -p "$(dirname "$dir")"
    exec 9>"$dir.lock"
    flock 9
    if sound "$dir" "$suite" "$arch"; then return 0; fi
    reason=$(cannot_make "$suite" "$arch")
    if [ -n "$reason" ]; then echo "$reason"; return 3; fi
    work="$dir.new"
    for old in "$dir" "$work"; do
        nothing_mounted_under "$old" || { echo "debian-root: something is mounted under $old; not removing it" >&2; return 1; }
        rm -rf "$old"
    done
    echo "debian-root: making $dir (Debian $suite, $arch: $(root_packages "$suite" "$arch"))" >&2
    if ! debootstrap_root "$suite" "$arch" "$work" > "$dir.log" 2>&1; then
        tail -n 20 "$dir.log" >&2
        nothing_mounted_under "$work" && rm -rf "$work"
        echo "debian-root: debootstrap of $suite failed (log: $dir.log)" >&2
        return 1
    fi
    copy_host_settings "$work" "$suite"
    stamp_text "$suite" "$arch" > "$work/$STAMP"
    mv "$work" "$dir"
    sound "$dir" "$suite" "$arch" || { echo "debian-root: the new $suite root does not run its interpreters" >&2; return 1; }
}

# The local package directories (find-links, file:// indexes) that the host's
# pip configuration and PIP_* variables name and that exist here: pip in the
# root reads them at the same paths. An index's pages (.../simple) link to
# files beside them, so the directory holding the index is taken.
pip_local_paths() {
    { cat /etc/pip.conf /etc/xdg/pip/pip.conf "$HOME/.config/pip/pip.conf" 2>/dev/null
      env | grep '^PIP_' || true; } |
        grep -o -e 'file://[^ ="]*' -e '[= ]/[^ ="]*' | sed 's|^file://||; s|^[= ]||; s|/$||; s|/simple$||' |
        while read -r path; do [ -d "$path" ] && echo "$path"; done | sort -u
}

# Settings for a root of another architecture, where every interpreter runs
# under the emulator, ten times slower. Its packages were unpacked without
# their installation scripts, which would have byte-compiled the standard
# libraries, so Python writes the bytecode of what it imports as it goes,
# into a cache in the root (nothing lands in the checkout), and keeps it for
# later runs; pip compiles nothing up front. For arm64 the emulator plays a
# Cortex-A72 (ARMv8.0, a Raspberry Pi 4's): its default CPU has pointer
# authentication, whose emulation makes Debian's binaries, built to use it,
# run several times slower (PyPy's `import pytest`: 17 s against 2.3 s).
emulated_settings() {
    local arch
    arch=$(sed -n 's/^arch=//p' "$1/$STAMP")
    if [ -n "$arch" ]; then
        echo "-u PYTHONDONTWRITEBYTECODE PYTHONPYCACHEPREFIX=/var/cache/plindervox/bytecode PIP_NO_COMPILE=1"
        [ "$arch" != arm64 ] || echo "QEMU_CPU=$ARM64_QEMU_CPU"
    fi
}

# In the private mount namespace: mount, run, unmount (also on failure).
unmount_all() {
    local path
    for path in $(pip_local_paths); do umount "$INSIDE_DIR$path" 2>/dev/null || true; done
    umount -R "$INSIDE_DIR$CHECKOUT" 2>/dev/null || true
    umount -R "$INSIDE_DIR/dev" 2>/dev/null || true
    umount -R "$INSIDE_DIR/proc" 2>/dev/null || true
    umount -R "$INSIDE_DIR/sys" 2>/dev/null || true
}

inside() {
    INSIDE_DIR=$1
    local cwd=$2
    shift 2
    trap unmount_all EXIT
    mount --rbind /proc "$INSIDE_DIR/proc"
    mount --rbind /dev "$INSIDE_DIR/dev"
    # Read only: PyPy's garbage collector on ARM sizes its nursery by the
    # CPU caches it reads there (and warns on standard error without them).
    mkdir -p "$INSIDE_DIR/sys"
    mount --rbind -o ro /sys "$INSIDE_DIR/sys"
    mkdir -p "$INSIDE_DIR$CHECKOUT"
    mount --bind "$CHECKOUT" "$INSIDE_DIR$CHECKOUT"
    local path
    for path in $(pip_local_paths); do
        mkdir -p "$INSIDE_DIR$path"
        mount --bind -o ro "$path" "$INSIDE_DIR$path"
    done
    chroot "$INSIDE_DIR" /usr/bin/env -u PYTHONPATH -u PYTHONHOME -u VIRTUAL_ENV -u LD_PRELOAD \
        $(emulated_settings "$INSIDE_DIR") HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        /bin/sh -c 'cd "$1" && shift && exec "$@"' sh "$cwd" "$@"
}

run() {
    local dir cwd
    dir=$(realpath "$1")
    shift
    cwd=$(pwd -P)
    case "$cwd/" in "$CHECKOUT"/*) ;; *) echo "debian-root: run from inside $CHECKOUT" >&2; exit 2;; esac
    [ -f "$dir/$STAMP" ] || { echo "debian-root: $dir is not a root made by this script" >&2; exit 2; }
    exec unshare --mount --propagation private -- "$0" _inside "$dir" "$cwd" "$@"
}

# Runs inside the root (through `run`): $1 the interpreter, $2 the venv.
VENV_SCRIPT='
python=$1 venv=$2
wheel=$(ls /usr/share/python-wheels/pip-*.whl | sort -V | tail -n 1)
tool=/var/lib/plindervox/pip-$(basename "$python")
mkdir -p /var/lib/plindervox
exec 9>"$tool.lock"
flock 9
if [ ! -f "$tool/.made" ]; then
    rm -rf "$tool"
    "$python" -m zipfile -e "$wheel" "$tool"
    touch "$tool/.made"
fi
exec 9>&-
rm -rf "$venv"
"$python" -m venv --without-pip "$venv"
purelib=$("$venv/bin/python" -c "import sysconfig; print(sysconfig.get_paths()[\"purelib\"])")
echo "$tool" > "$purelib/plindervox-root-pip.pth"
'

make_venv() {
    [ $# -eq 3 ] || { echo "usage: $0 venv DIR PYTHON VENV" >&2; exit 2; }
    run "$1" sh -ec "$VENV_SCRIPT" sh "$2" "$3"
}

command=${1:-}
shift || true
case "$command" in
    ensure) ensure "$@" ;;
    run) run "$@" ;;
    venv) make_venv "$@" ;;
    _inside) inside "$@" ;;
    *) echo "usage: $0 ensure DIR SUITE [ARCH] | venv DIR PYTHON VENV | run DIR COMMAND [ARG...]" >&2; exit 2 ;;
esac
