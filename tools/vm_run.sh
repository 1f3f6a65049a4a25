#!/usr/bin/env bash
# Boots the virtual machine of tools/vm_image.sh once and runs a shell script
# in it as root, under real 32-bit Wine; prints the script's output as it
# comes and exits with the script's exit code.
#
#   vm_run.sh --script FILE [--programs DIR] [--dir DIR] [-- ARGS...]
#
#   --script FILE   run by bash in the guest, with ARGS, in the folder that
#                   holds the copy of DIR
#   --programs DIR  copied to the guest's own disk first, as
#                   $TAVRIN_PROGRAMS (a PE file run straight from the 9p
#                   share crashed in a TLS callback; from the disk it runs)
#   --dir DIR       where the share, the console log and QEMU's snapshot
#                   file go (default: a new folder in ~/.cache/tavrin/vm/runs)
#
# In the guest, $TAVRIN_OUT is a folder of the share for files to bring back
# (DIR/share/out on the host); the ready win32 prefix is /root/prefix.
#
# Time limits (seconds; a hung guest is killed and reported, exit code 124):
#   TAVRIN_VM_BOOT_LIMIT  until the script starts (default 300)
#   TAVRIN_VM_LIMIT       the whole machine, boot to power-off (default 600)
# The script itself limits each of its Wine calls (see tests/ship_round.sh).
# TAVRIN_VM_CPUS (default 4: CTest runs beside it), TAVRIN_VM_MEMORY (MB).
# TAVRIN_VM_WRITABLE=1 writes into the image (only vm_image.sh does that).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${TAVRIN_CACHE:-$HOME/.cache/tavrin}
boot_limit=${TAVRIN_VM_BOOT_LIMIT:-300}
limit=${TAVRIN_VM_LIMIT:-600}
cpus=${TAVRIN_VM_CPUS:-4}
memory=${TAVRIN_VM_MEMORY:-4096}

script="" programs="" run_dir=""
while [ $# -gt 0 ]; do
  case "$1" in
    --script) script=$2; shift 2 ;;
    --programs) programs=$2; shift 2 ;;
    --dir) run_dir=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "usage: $0 --script FILE [--programs DIR] [--dir DIR] [-- ARGS]" >&2
       exit 2 ;;
  esac
done
[ -n "$script" ] || { echo "vm_run: no --script" >&2; exit 2; }

log() { echo "vm_run: $*" >&2; }

image_dir=${TAVRIN_VM_IMAGE_DIR:-$("$root/tools/vm_image.sh" --path)}
for f in rootfs.img vmlinuz initrd.img; do
  if [ ! -f "$image_dir/$f" ]; then
    log "no virtual machine image in $image_dir (tools/vm_image.sh makes it)"
    exit 3
  fi
done

own_run_dir=0
if [ -z "$run_dir" ]; then
  mkdir -p "$cache/vm/runs"
  run_dir=$(mktemp -d "$cache/vm/runs/run.XXXXXX")
  own_run_dir=1
fi
mkdir -p "$run_dir"
run_dir=$(cd "$run_dir" && pwd)
share=$run_dir/share

# The share: the script, the programs, and a wrapper that the guest's init
# runs (/sbin/tavrin-vm-init calls /share/guest.sh).
prepare_share() {
  rm -rf "$share"
  mkdir -p "$share/out" "$run_dir/tmp"
  cp "$script" "$share/script.sh"
  if [ -n "$programs" ]; then
    cp -r "$programs" "$share/programs"
  fi
  local args="" a
  for a in "$@"; do args+=" $(printf '%q' "$a")"; done
  cat >"$share/guest.sh" <<GUEST
: >/share/booted
export TAVRIN_OUT=/share/out TAVRIN_PROGRAMS=/root/programs
[ -f /root/prefix/system.reg ] && export WINEPREFIX=/root/prefix
mkdir -p /root/programs
[ -d /share/programs ] && cp -r /share/programs/. /root/programs/
cd /root/programs
bash /share/script.sh$args
GUEST
}

qemu_pid=""
tail_pid=""
stop_all() {
  if [ -n "$qemu_pid" ]; then kill "$qemu_pid" 2>/dev/null || true; fi
}
trap 'stop_all; [ -n "$tail_pid" ] && kill "$tail_pid" 2>/dev/null; true' EXIT

start_qemu() {
  local snapshot=(-snapshot)
  [ "${TAVRIN_VM_WRITABLE:-}" = 1 ] && snapshot=()
  # SMAP under TCG breaks Wine's 32-bit return path in the guest kernel
  # (every Wine process is killed), hence -smap.
  TMPDIR=$run_dir/tmp qemu-system-x86_64 \
    -accel tcg,thread=multi -cpu max,-smap -smp "$cpus" -m "$memory" \
    -nic none -display none -monitor none -no-reboot \
    -serial "file:$run_dir/console.log" \
    -kernel "$image_dir/vmlinuz" -initrd "$image_dir/initrd.img" \
    -append "root=/dev/vda rw init=/sbin/tavrin-vm-init console=ttyS0 quiet panic=-1" \
    -drive "file=$image_dir/rootfs.img,format=raw,if=virtio" "${snapshot[@]}" \
    -virtfs "local,path=$share,mount_tag=share,security_model=none,id=share" \
    </dev/null >"$run_dir/qemu.log" 2>&1 &
  qemu_pid=$!
}

# Waits for the power-off; kills the machine at a limit. Returns 0 when it
# powered off by itself.
watch_qemu() {
  local started=$SECONDS
  while kill -0 "$qemu_pid" 2>/dev/null; do
    local elapsed=$((SECONDS - started))
    if [ ! -e "$share/booted" ] && [ "$elapsed" -ge "$boot_limit" ]; then
      log "the guest did not start the script within $boot_limit s; killed"
      return 1
    fi
    if [ "$elapsed" -ge "$limit" ]; then
      log "the virtual machine did not finish within $limit s; killed"
      return 1
    fi
    sleep 1
  done
  wait "$qemu_pid" || true
  qemu_pid=""
}

report_console() {
  log "last lines of the guest's console ($run_dir/console.log):"
  tail -n 20 "$run_dir/console.log" 2>/dev/null | sed 's/^/  /' >&2 || true
  tail -n 5 "$run_dir/qemu.log" 2>/dev/null | sed 's/^/  qemu: /' >&2 || true
}

main() {
  prepare_share "$@"
  : >"$share/guest.log"
  local start=$SECONDS
  start_qemu
  tail -n +1 -F --pid="$qemu_pid" "$share/guest.log" 2>/dev/null &
  tail_pid=$!
  local watched=0
  watch_qemu || watched=1
  # A machine that powered off lets tail print the last lines and end.
  stop_all
  qemu_pid=""
  if [ "$watched" -eq 0 ]; then wait "$tail_pid" 2>/dev/null || true; fi
  kill "$tail_pid" 2>/dev/null || true
  tail_pid=""
  rm -rf "$run_dir/tmp"
  if [ "$watched" -ne 0 ]; then
    report_console
    exit 124
  fi
  if [ ! -f "$share/guest.rc" ]; then
    log "the guest powered off without an exit code"
    report_console
    exit 125
  fi
  local rc
  rc=$(cat "$share/guest.rc")
  log "virtual machine done in $((SECONDS - start)) s, script exit code $rc"
  # A folder made for this run goes once the output has been shown; after a
  # failure it stays for its console log.
  if [ "$own_run_dir" = 1 ] && [ "$rc" = 0 ]; then rm -rf "$run_dir"; fi
  exit "$rc"
}
main "$@"
