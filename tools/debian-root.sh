#!/usr/bin/env bash
# Debian root filesystems that give the Makefile interpreters this machine
# does not have (Debian 13's PyPy 3.11 and CPython 3.13, unstable's PyPy 3.11
# and CPython 3.14), and a way to run commands in them.
#
#   tools/debian-root.sh ensure DIR SUITE
#       Makes DIR a root of Debian SUITE (debootstrap --variant=minbase plus
#       ROOT_PACKAGES), or keeps the one there while it is sound: made by this
#       script from the same suite and package list, and its interpreters and
#       compiler run. Exit status 3, with the reason on standard output, when
#       a root cannot be made here at all (not root, archive unreachable).
#   tools/debian-root.sh run DIR COMMAND [ARG...]
#       Runs COMMAND inside DIR from the current directory, which must lie in
#       the checkout. The checkout appears at its own path there, so paths
#       under it mean the same inside and out.
#
# `run` mounts /proc, /dev and the checkout in a private mount namespace of
# its own (unshare): the mounts are never visible outside the command, and
# they vanish with it however it ends, so a failed or killed test can leave
# nothing mounted under build/ for `make distclean` to trip over.
set -euo pipefail

ROOT_PACKAGES="pypy3 pypy3-dev pypy3-venv python3 python3-dev python3-venv g++ cmake"
MIRROR=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
STAMP=.plindervox-root
CHECKOUT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)

# What the stamp of a root made from SUITE holds.
stamp_text() { printf 'suite=%s\npackages=%s\nmirror=%s\n' "$1" "$ROOT_PACKAGES" "$MIRROR"; }

# Fails when anything is mounted at or below $1.
nothing_mounted_under() {
    local dir
    dir=$(realpath -m "$1")
    ! findmnt -rn -o TARGET | grep -q -e "^$dir\$" -e "^$dir/"
}

sound() {
    local dir=$1 suite=$2
    [ -f "$dir/$STAMP" ] && [ "$(cat "$dir/$STAMP")" = "$(stamp_text "$suite")" ] &&
        chroot "$dir" /bin/sh -c 'pypy3 -c pass && python3 -c pass && g++ --version && cmake --version' \
            >/dev/null 2>&1
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

# Why a root cannot be made on this machine, or nothing when it can.
cannot_make() {
    local suite=$1 probe
    if [ "$(id -u)" != 0 ]; then echo "not running as root (debootstrap and chroot need it)"; return; fi
    if ! command -v debootstrap >/dev/null 2>&1; then
        echo "debootstrap is not installed (Debian: apt-get install debootstrap)"; return
    fi
    probe=$(mktemp)
    if ! timeout 60 /usr/lib/apt/apt-helper download-file "$MIRROR/dists/$suite/Release" "$probe" >/dev/null 2>&1; then
        echo "the Debian archive ($MIRROR, suite $suite) is not reachable"
    fi
    rm -f "$probe"
}

ensure() {
    local dir=$1 suite=$2 reason work
    mkdir -p "$(dirname "$dir")"
    exec 9>"$dir.lock"
    flock 9
    if sound "$dir" "$suite"; then return 0; fi
    reason=$(cannot_make "$suite")
    if [ -n "$reason" ]; then echo "$reason"; return 3; fi
    work="$dir.new"
    for old in "$dir" "$work"; do
        nothing_mounted_under "$old" || { echo "debian-root: something is mounted under $old; not removing it" >&2; return 1; }
        rm -rf "$old"
    done
    echo "debian-root: making $dir (Debian $suite: $ROOT_PACKAGES)" >&2
    if ! debootstrap --variant=minbase --include="${ROOT_PACKAGES// /,}" "$suite" "$work" "$MIRROR" \
            > "$dir.log" 2>&1; then
        tail -n 20 "$dir.log" >&2
        nothing_mounted_under "$work" && rm -rf "$work"
        echo "debian-root: debootstrap of $suite failed (log: $dir.log)" >&2
        return 1
    fi
    copy_host_settings "$work" "$suite"
    stamp_text "$suite" > "$work/$STAMP"
    mv "$work" "$dir"
    sound "$dir" "$suite" || { echo "debian-root: the new $suite root does not run its interpreters" >&2; return 1; }
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

# In the private mount namespace: mount, run, unmount (also on failure).
unmount_all() {
    local path
    for path in $(pip_local_paths); do umount "$INSIDE_DIR$path" 2>/dev/null || true; done
    umount -R "$INSIDE_DIR$CHECKOUT" 2>/dev/null || true
    umount -R "$INSIDE_DIR/dev" 2>/dev/null || true
    umount -R "$INSIDE_DIR/proc" 2>/dev/null || true
}

inside() {
    INSIDE_DIR=$1
    local cwd=$2
    shift 2
    trap unmount_all EXIT
    mount --rbind /proc "$INSIDE_DIR/proc"
    mount --rbind /dev "$INSIDE_DIR/dev"
    mkdir -p "$INSIDE_DIR$CHECKOUT"
    mount --bind "$CHECKOUT" "$INSIDE_DIR$CHECKOUT"
    local path
    for path in $(pip_local_paths); do
        mkdir -p "$INSIDE_DIR$path"
        mount --bind -o ro "$path" "$INSIDE_DIR$path"
    done
    chroot "$INSIDE_DIR" /usr/bin/env -u PYTHONPATH -u PYTHONHOME -u VIRTUAL_ENV -u LD_PRELOAD HOME=/root \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
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

command=${1:-}
shift || true
case "$command" in
    ensure) ensure "$@" ;;
    run) run "$@" ;;
    _inside) inside "$@" ;;
    *) echo "usage: $0 ensure DIR SUITE | run DIR COMMAND [ARG...]" >&2; exit 2 ;;
esac
