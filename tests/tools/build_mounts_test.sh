#!/usr/bin/env bash
# The image build's mounts, on scratch folders of our own in a mount
# namespace of this test's own, so that the host's mount table is never
# touched (nor its /dev, /proc or /sys):
# - tools/remove_tree.sh: a mount left below the folder must be taken off
#   before the deletion and what it showed must stay, also when the bound
#   folder's mounts are shared with the host; where a mount cannot be taken
#   off, nothing is deleted;
# - tools/mount_namespace.sh, which the build binds in: a build killed with
#   SIGKILL while its binds are up leaves none in its caller's mount table.
#
#   build_mounts_test.sh        (needs root, or user namespaces for -r)
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
is_mount_point() {
  awk '{ print $5 }' /proc/self/mountinfo | grep -qxF "${1// /\\040}"
}

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

# A work folder that is itself a mount point (a bind of the host folder).
work="$scratch/mounted.work"
mkdir -p "$work"
mount --bind "$scratch/host dev" "$work"
"$root/tools/remove_tree.sh" "$work"
rc=$?
check "a folder that is itself a mount point is deleted (exit code $rc)" \
  eval '[ "$rc" = 0 ] && [ ! -e "$work" ]'
check "the bound folder's files stay" host_intact

# A link is removed as a link, with or without a trailing slash; the folder
# it points to stays.
for form in "" /; do
  mkdir -p "$scratch/target"
  echo kept >"$scratch/target/file"
  ln -sfn "$scratch/target" "$scratch/link"
  "$root/tools/remove_tree.sh" "$scratch/link$form"
  rc=$?
  check "'link$form': only the link goes (exit code $rc)" \
    eval '[ "$rc" = 0 ] && [ ! -L "$scratch/link" ] &&
      [ "$(cat "$scratch/target/file")" = kept ]'
done

# A host whose mounts are shared, as every systemd host's are: a plain bind
# of its folder joins that folder's peer group, so a mount the host makes
# below the folder later shows below the bind too, and taking it off there
# would take it off the host.
host="$scratch/shared host"
work="$scratch/shared.work"
mkdir -p "$host/later" "$work/rootfs/dev"
mount --bind "$host" "$host"
mount --make-shared "$host"
mount --bind "$host" "$work/rootfs/dev"
mount -t tmpfs tmpfs "$host/later"
echo kept >"$host/later/file"
check "the host's later mount shows below the bind, as on a host" \
  is_mount_point "$work/rootfs/dev/later"
"$root/tools/remove_tree.sh" "$work"
rc=$?
check "the work folder is deleted (exit code $rc)" \
  eval '[ "$rc" = 0 ] && [ ! -e "$work" ]'
check "the host's later mount survives the clean-up" \
  eval 'is_mount_point "$host/later" &&
    [ "$(cat "$host/later/file")" = kept ]'
umount "$host/later" "$host" 2>/dev/null

# The build's mounting step, killed outright while its binds are up: a
# stand-in run through the same wrapper, which binds as the build does and
# waits.
work="$scratch/killed.work"
mkdir -p "$work/rootfs/dev" "$work/rootfs/proc"
cat >"$scratch/bind_and_wait.sh" <<'STAND_IN'
#!/bin/sh
mount --bind "$1" "$2/rootfs/dev" && mount --bind "$1" "$2/rootfs/proc" &&
  touch "$2/up" && exec sleep 60
STAND_IN
chmod +x "$scratch/bind_and_wait.sh"
"$root/tools/mount_namespace.sh" "$scratch/bind_and_wait.sh" \
  "$scratch/host dev" "$work" &
build=$!
for _ in $(seq 100); do
  [ -e "$work/up" ] && break
  sleep 0.1
done
binds=$(grep -cF "${work// /\\040}/rootfs/" "/proc/$build/mountinfo")
check "the stand-in's binds were up when it was killed ($binds)" \
  test "$binds" = 2
kill -KILL "$build"
wait "$build" 2>/dev/null
check "after SIGKILL no mount is left in the caller's table" \
  eval '! mounted_below "$work"'
check "the bound folder's files stay" host_intact
umount "$work/rootfs/dev" "$work/rootfs/proc" 2>/dev/null

[ "$failures" -eq 0 ]
