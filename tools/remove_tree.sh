#!/usr/bin/env bash
# Deletes a folder that may hold mounts, without ever deleting through one:
# rm -rf descends into bind mounts, so a chroot folder that still holds a
# bind mount of /dev (its build was killed before it could unmount) would
# take the host's device nodes with it.
#
#   remove_tree.sh DIR
#
# Unmounts everything mounted at or below DIR, deepest first, as the mount
# table shows it (whatever an earlier run left there), refuses to delete
# while any mount remains (exit code 1), and deletes with --one-file-system.
# Each mount is made private before it is taken off: a bind of a host folder
# whose mounts are shared (every systemd host's are) is a peer of that
# folder, and taking a mount off below a peer takes it off the host folder
# too. DIR that is a symbolic link is removed as a link, as rm would; what
# it points to stays.
set -euo pipefail
[ $# -eq 1 ] && [ -n "$1" ] || {
  echo "usage: $0 DIR" >&2
  exit 2
}
path=$1
# A trailing slash would make a link stand for the folder it points to.
while [ ${#path} -gt 1 ] && [ "${path%/}" != "$path" ]; do
  path=${path%/}
done
if [ -L "$path" ]; then
  rm -f -- "$path"
  exit 0
fi
[ -e "$path" ] || exit 0
top=$(realpath -m -- "$path")
if [ "$top" = / ]; then
  echo "remove_tree: refusing to delete /" >&2
  exit 1
fi

# Mount points at or below $top, deepest first, NUL-separated (the mount
# table escapes blanks, tabs, newlines and backslashes in octal).
# The system's Python (tools/setup.sh installs it): a version manager's
# shim in front of it takes most of a second to start.
mounts_below() {
  /usr/bin/python3 - "$top" <<'PY'
import os, re, sys
top = os.fsencode(sys.argv[1])
points = set()
with open("/proc/self/mountinfo", "rb") as table:
    for line in table:
        point = re.sub(rb"\\([0-7]{3})",
                       lambda m: bytes([int(m.group(1), 8)]), line.split()[4])
        if point == top or point.startswith(top + b"/"):
            points.add(point)
for point in sorted(points, key=len, reverse=True):
    sys.stdout.buffer.write(point + b"\0")
PY
}

# A table that cannot be read counts as full of mounts.
list=$(mktemp)
trap 'rm -f "$list"' EXIT
read_mounts() {
  if ! mounts_below >"$list"; then
    echo "remove_tree: not deleting $top: the mount table could not be read" >&2
    exit 1
  fi
  mapfile -d '' -t points <"$list"
}

# A mount point can hold several mounts stacked on one another: each pass
# takes off the top ones. All are made private before any goes, since a
# mount's removal travels to the peers of the mount it sits on.
for _ in 1 2 3 4 5 6 7 8; do
  read_mounts
  [ ${#points[@]} -gt 0 ] || break
  for point in "${points[@]}"; do
    mount --make-rprivate -- "$point" 2>/dev/null || true
  done
  for point in "${points[@]}"; do
    umount -- "$point" 2>/dev/null || umount -l -- "$point" 2>/dev/null || true
  done
done
read_mounts
if [ ${#points[@]} -gt 0 ]; then
  echo "remove_tree: not deleting $top: still mounted there:" \
    "${points[*]}" >&2
  exit 1
fi
rm -rf --one-file-system -- "$top"
