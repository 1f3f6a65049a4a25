#!/usr/bin/env bash
# The one answer to "does 32-bit Wine run on this host?", which the set-up,
# the test command and the round of the shipped programs all follow.
#
#   wine32_here.sh           "yes" (exit code 0) when 32-bit Wine runs here;
#                            else "no: REASON" (exit code 1): the shipped
#                            32-bit programs then run in the virtual machine
#   wine32_here.sh --kernel  "yes" (0) or "no" (1): whether this kernel runs
#                            32-bit x86 code at all, asked without Wine
#
# Some kernels have IA-32 emulation switched off: there a 32-bit program,
# 32-bit Wine included, fails with "Exec format error". Where the kernel
# runs 32-bit code, 32-bit Wine may still be missing (its i386 packages
# could not be installed) or fail to start.
#
# TAVRIN_KERNEL_RUNS_32BIT=yes|no replaces the kernel's answer, so that the
# other kind of machine's path can be tried here.
set -uo pipefail

kernel_runs_32bit() {
  case "${TAVRIN_KERNEL_RUNS_32BIT:-}" in
    yes) return 0 ;;
    no) return 1 ;;
  esac
  local dir
  dir=$(mktemp -d) || return 1
  # ELF header (52 bytes), one program header (32 bytes) loading the whole
  # 96-byte file at 0x08048000, and the code at 0x08048054:
  #   mov eax, 1 ; mov ebx, 42 ; int 0x80      (exit(42))
  printf '%b' \
    '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
    '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
    '\x00\x00\x00\x00' \
    '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
    '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
    '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$dir/probe"
  chmod +x "$dir/probe"
  "$dir/probe" 2>/dev/null
  local rc=$?
  rm -rf "$dir"
  [ "$rc" -eq 42 ]
}

if [ "${1:-}" = --kernel ]; then
  if kernel_runs_32bit; then
    echo yes
    exit 0
  fi
  echo no
  exit 1
fi

if ! kernel_runs_32bit; then
  echo "no: this kernel runs no 32-bit code"
  exit 1
fi
# /usr/lib/wine/wine is the 32-bit loader; wine64 alone does not have it.
if ! timeout 60 /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "no: this kernel runs 32-bit code, but 32-bit Wine (wine32:i386) is" \
    "not installed or does not start"
  exit 1
fi
echo yes
