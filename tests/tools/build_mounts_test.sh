#!/usr/bin/env bash
# tools/remove_tree.sh against scratch bind mounts of folders of our own, in
# a mount namespace of this test's own, so that the host's mount table is
# never touched: a mount left below the folder must be taken off before the
# deletion and what it showed must stay; where a mount cannot be taken off,
# nothing is deleted.
#
#   remove_tree_test.sh        (needs root, or user namespaces for -r)
#
# Exit code 77 (CTest's skip) where no mount namespace can be had here.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)

if [ "${TAVRIN_IN_MOUNT_NAMESPACE:-}" != 1 ]; then
  flags=(--mount --propagation private)
  [ "$(id -u)" -eq 0 ] || flags+=(--map-root-user)
  if ! unshare "${flags[@]}" true 2>/dev/null; then
    echo "SKIPPED: no mount namespace can be made here (unshare ${flags[*]})"
    exit 77
  fi
  TAVRIN_IN_MOUNT_NAMESPACE=1 exec unshare "${flags[@]}" "$0" "$@"
fi

failures=0
check() {
  local what=$1
  shift
  if "$@"; then echo "PASS: $what"; else
    echo "FAIL: $what"
    failures=$((failures + 1))
  fi
}
# The mount table writes a blank as \040.
mounted_below() { grep -qF " ${1// /\\040}" /proc/self/mountinfo; }

scratch=$(mktemp -d)
trap 'umount -R "$scratch" 2>/dev/null; rm -rf --one-file-system "$scratch"' EXIT

# What a killed chroot build leaves: bind mounts of a host folder, one
# stacked on another, one below another, in a path with a blank.
lay_out() {
  local work=$1
  mkdir -p "$scratch/host dev/pts" "$work/rootfs/dev" "$work/rootfs/proc"
  echo node >"$scratch/host dev/null"
  echo pts >"$scratch/host dev/pts/0"
  mount --bind "$scratch/host dev" "$work/rootfs/dev"
  mount --bind "$scratch/host dev/pts" "$work/rootfs/dev/pts"
  mount --bind "$scratch/host dev" "$work/rootfs/proc"
  mount --bind "$scratch/host dev" "$work/rootfs/proc"
  echo built >"$work/rootfs/file"
}
host_intact() {
  [ "$(cat "$scratch/host dev/null" 2>/dev/null)" = node ] &&
    [ "$(cat "$scratch/host dev/pts/0" 2>/dev/null)" = pts ]
}

work="$scratch/image v1.work"
lay_out "$work"
"$root/tools/remove_tree.sh" "$work"
rc=$?
check "a folder holding four bind mounts is deleted (exit code $rc)" \
  eval '[ "$rc" = 0 ] && [ ! -e "$work" ]'
check "no mount is left below it" eval '! mounted_below "$work"'
check "the bound folder's files stay" host_intact

# An umount that takes nothing off: the deletion must not happen.
work="$scratch/stuck.work"
lay_out "$work"
mkdir -p "$scratch/bin"
printf '#!/bin/sh\nexit 0\n' >"$scratch/bin/umount"
chmod +x "$scratch/bin/umount"
PATH="$scratch/bin:$PATH" "$root/tools/remove_tree.sh" "$work" 2>"$scratch/err"
rc=$?
check "with a mount that stays, it refuses (exit code $rc: $(cat "$scratch/err"))" \
  test "$rc" = 1
check "and deletes nothing" test -f "$work/rootfs/file"
check "the bound folder's files stay" host_intact
umount -R "$work/rootfs/dev" "$work/rootfs/proc" 2>/dev/null
umount "$work/rootfs/proc" 2>/dev/null

check "a folder that is not there is no error" \
  "$root/tools/remove_tree.sh" "$scratch/not there"

[ "$failures" -eq 0 ]
