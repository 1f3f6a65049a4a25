#!/usr/bin/env bash
# Makes, once, the disk image of the virtual machine that runs the shipped
# 32-bit programs under real 32-bit Wine where the host kernel runs no 32-bit
# code (tools/vm_run.sh boots it). Everything comes from the Debian archive:
# a minimal bookworm made by debootstrap, the stock kernel, Wine with its
# 32-bit half, Xvfb, and Python with openssl for the capture proxy; then a
# ready win32 Wine prefix made by booting the image once.
#
#   vm_image.sh          makes the image unless it is already complete
#   vm_image.sh --path   prints the folder the image lives in
#
# Needs root (a user who may use sudo is taken there through sudo -n). The
# build, with any wait for another build, stops after TAVRIN_VM_BUILD_LIMIT
# seconds (default 3600) and exits 124. Its chroot's binds of /dev, /proc
# and /sys live in a mount namespace of its own (tools/mount_namespace.sh):
# a build killed outright leaves no mount behind.
#
# Result in ~/.cache/tavrin/vm/image-vN: rootfs.img, vmlinuz, initrd.img and
# the stamp "ready", written last: a build that was interrupted has no stamp
# and is redone from the start.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Raise when the image's contents change, so that caches are rebuilt.
image_version=1
cache=${TAVRIN_CACHE:-$HOME/.cache/tavrin}
image_dir=$cache/vm/image-v$image_version
mirror=http://deb.debian.org/debian
packages=(
  linux-image-amd64 wine wine32:i386 wine64 libgnutls30:i386 xvfb xauth
  python3 openssl iproute2 kmod procps
)

log() { echo "vm_image: $*" >&2; }

if [ "${1:-}" = --path ]; then
  echo "$image_dir"
  exit 0
fi

# debootstrap, mount and chroot need root: a user who may use sudo builds
# the image in their own cache (tools/test.sh asks for the password first;
# without one at hand, sudo -n fails at once instead of waiting).
if [ "$(id -u)" -ne 0 ]; then
  mkdir -p "$cache/vm"
  exec sudo -n env TAVRIN_CACHE="$cache" TAVRIN_VM_BUILD_LIMIT="${TAVRIN_VM_BUILD_LIMIT:-}" \
    "$0" "$@"
fi

if [ "${TAVRIN_VM_IMAGE_BUILDING:-}" != 1 ]; then
  mkdir -p "$cache/vm"
  # The limit covers the wait for another build as well: whoever runs this
  # with a limit (the round's test, which has only so much time left) must
  # get an answer within it.
  build_limit=${TAVRIN_VM_BUILD_LIMIT:-3600}
  deadline=$((SECONDS + build_limit))
  # One build at a time: tools/test.sh starts one in the background, and
  # the round waits for it through the same lock. The build's processes
  # inherit the lock, so that a new build cannot start in the work folder
  # while any of them still runs.
  exec 9>"$cache/vm/image.lock"
  if ! flock -w "$build_limit" 9; then
    log "another build of the image still ran after $build_limit s"
    exit 124
  fi
  if [ -f "$image_dir/ready" ]; then
    log "image ready in $image_dir"
    exit 0
  fi
  build_limit=$((deadline - SECONDS))
  if [ "$build_limit" -le 0 ]; then
    log "no time left to build the image"
    exit 124
  fi
  # A work folder that a build of an earlier version left may still hold
  # binds in this mount table; they are taken off here, where they are.
  "$root/tools/remove_tree.sh" "$image_dir.work"
  # The build runs under a limit of its own; timeout puts it into a process
  # group of its own and ends the whole group (apt and dpkg in the chroot,
  # debootstrap, the first boot's QEMU) at the limit or when this script is
  # stopped. Its binds of /dev, /proc and /sys live in a mount namespace of
  # its own, which goes with its last process, however the build ends.
  TAVRIN_VM_IMAGE_BUILDING=1 timeout -k 30 "$build_limit" \
    "$root/tools/mount_namespace.sh" "$0" "$@" &
  build=$!
  trap 'kill -TERM "$build" 2>/dev/null; wait "$build"; exit 143' TERM INT HUP
  rc=0
  wait "$build" || rc=$?
  if [ "$rc" -eq 124 ]; then
    log "the build did not finish within $build_limit s and was stopped"
  fi
  if [ "$rc" -eq 0 ] && [ -n "${SUDO_UID:-}" ]; then
    # Made through sudo: the image belongs to the user whose cache it is in.
    chown -R "$SUDO_UID:${SUDO_GID:-$SUDO_UID}" "$image_dir" \
      "$cache/vm/image.lock"
  fi
  exit "$rc"
fi
work=$image_dir.work
rootfs=$work/rootfs
mounted=()
unmount_all() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -l "${mounted[$i]}" 2>/dev/null || true
  done
  mounted=()
}
# timeout's TERM must end the build through its exit trap.
trap unmount_all EXIT
trap 'exit 143' TERM INT HUP

# Never rm -rf here: the chroot holds binds of /dev, /proc and /sys while
# packages install.
remove_tree() { "$root/tools/remove_tree.sh" "$1"; }

bind() {
  mkdir -p "$rootfs$1"
  mount --bind "$1" "$rootfs$1"
  mounted+=("$rootfs$1")
}

in_chroot() {
  chroot "$rootfs" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
    DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 "$@"
}

# bookworm and bookworm-updates only: the security suite can be ahead for
# amd64 and behind for i386 (or miss its i386 index), and wine32:i386 needs
# i386 libraries of exactly the amd64 versions.
make_rootfs() {
  log "debootstrap (bookworm, minbase)"
  debootstrap --variant=minbase bookworm "$rootfs" "$mirror" \
    >"$work/debootstrap.log" 2>&1 || {
    tail -n 20 "$work/debootstrap.log" >&2
    return 1
  }
  printf 'deb %s bookworm main\ndeb %s bookworm-updates main\n' \
    "$mirror" "$mirror" >"$rootfs/etc/apt/sources.list"
  # Nothing may start services inside the chroot; dpkg need not fsync a
  # file system that is turned into an image afterwards anyway.
  printf '#!/bin/sh\nexit 101\n' >"$rootfs/usr/sbin/policy-rc.d"
  chmod +x "$rootfs/usr/sbin/policy-rc.d"
  echo force-unsafe-io >"$rootfs/etc/dpkg/dpkg.cfg.d/unsafe-io"
  # The machine has one kind of disk: an initramfs with just its driver and
  # ext4 is made in seconds; the default, with most modules, took minutes
  # here, twice (the kernel's install, then a trigger). Files of our own,
  # not the package's conffiles.
  mkdir -p "$rootfs/etc/initramfs-tools/conf.d" \
    "$rootfs/usr/share/initramfs-tools/modules.d"
  echo MODULES=list >"$rootfs/etc/initramfs-tools/conf.d/tavrin-vm"
  printf 'virtio_pci\nvirtio_blk\next4\n' \
    >"$rootfs/usr/share/initramfs-tools/modules.d/tavrin-vm"
  bind /proc
  bind /sys
  bind /dev
  in_chroot dpkg --add-architecture i386
  in_chroot apt-get update -q >"$work/apt.log" 2>&1
  log "installing ${packages[*]}"
  # The postinst helpers of the i386 glib and gdk-pixbuf are 32-bit programs
  # and fail here (this kernel cannot run them): the packages they belong to
  # stay unconfigured, and the first boot configures them.
  if ! in_chroot apt-get install -y -q --no-install-recommends \
    "${packages[@]}" >>"$work/apt.log" 2>&1; then
    in_chroot dpkg --configure -a >>"$work/apt.log" 2>&1 || true
  fi
  if ! in_chroot dpkg-query -W -f='${Status}\n' wine32:i386 wine64 \
    linux-image-amd64 xvfb python3 | grep -q 'install ok'; then
    tail -n 30 "$work/apt.log" >&2
    return 1
  fi
  in_chroot apt-get clean
  unmount_all
  rm -f "$rootfs/usr/sbin/policy-rc.d"
}

# The guest's PID 1: mounts what Wine needs, runs the first boot's set-up
# (in the image) or the run script that tools/vm_run.sh puts into the share,
# and powers off. The share carries the script in and its output out.
write_init() {
  cat >"$rootfs/sbin/tavrin-vm-init" <<'INIT'
#!/bin/sh
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8
# The initramfs has mounted these already; a kernel booted without one has not.
mount -t proc proc /proc 2>/dev/null
mount -t sysfs sys /sys 2>/dev/null
mount -t devtmpfs dev /dev 2>/dev/null
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
ip link set lo up
modprobe -a virtio_pci 9pnet_virtio 9p 2>/dev/null
mkdir -p /share
if mount -t 9p -o trans=virtio,version=9p2000.L,msize=524288 share /share; then
  /bin/sh /share/guest.sh >/share/guest.log 2>&1
  echo $? >/share/guest.rc
  sync
  umount /share
else
  echo "tavrin-vm-init: no 9p share" >/dev/console
fi
sync
echo o >/proc/sysrq-trigger
sleep 60
INIT
  chmod +x "$rootfs/sbin/tavrin-vm-init"
}

make_disk() {
  log "mke2fs"
  cp "$rootfs"/boot/vmlinuz-* "$work/vmlinuz"
  cp "$rootfs"/boot/initrd.img-* "$work/initrd.img"
  rm -f "$work/rootfs.img"
  mke2fs -q -t ext4 -L tavrin-vm -d "$rootfs" "$work/rootfs.img" 8G
}

# The first boot, writing into the image: configures what the chroot could
# not, and makes the win32 prefix (about a minute under emulation, so it is
# made once here rather than in every run).
first_boot() {
  log "first boot: configuring the i386 packages and making the Wine prefix"
  local setup=$work/first_boot.sh
  cat >"$setup" <<'SETUP'
set -eu
dpkg --configure -a
# What the i386 glib postinst could not run in the chroot.
/usr/lib/i386-linux-gnu/glib-2.0/glib-compile-schemas /usr/share/glib-2.0/schemas
/usr/lib/i386-linux-gnu/glib-2.0/gio-querymodules /usr/lib/i386-linux-gnu/gio/modules
Xvfb :9 -screen 0 1280x1024x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
sleep 2
export DISPLAY=:9 WINEPREFIX=/root/prefix WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml=;winedbg.exe=d"
# Generous limits: on a busy host a Wine call under emulation took a
# minute.
timeout 900 wineboot -i
timeout 300 wineserver -w
timeout 300 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog \
  /t REG_DWORD /d 0 /f
timeout 300 wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f
timeout 300 wineserver -w
test -f /root/prefix/system.reg
echo first boot done
SETUP
  TAVRIN_VM_IMAGE_DIR=$work TAVRIN_VM_WRITABLE=1 TAVRIN_VM_LIMIT=2400 \
    "$root/tools/vm_run.sh" --script "$setup" --dir "$work/first_boot"
}

# The work folder of an earlier build is gone already: it is removed before
# this namespace is made, in the mount table where its binds could be.
main() {
  mkdir -p "$work"
  local start=$SECONDS
  make_rootfs
  write_init
  make_disk
  remove_tree "$rootfs"
  first_boot
  remove_tree "$image_dir"
  mv "$work" "$image_dir"
  touch "$image_dir/ready"
  log "image ready in $image_dir after $((SECONDS - start)) s"
}
main
