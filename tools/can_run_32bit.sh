#!/usr/bin/env bash
# Answers "can this kernel run 32-bit x86 code?" without Wine: writes a tiny
# static 32-bit ELF that exits through int 0x80 with code 42 and runs it.
# Exit code 0 (and "yes") when it ran, 1 (and "no") otherwise. Some kernels
# have IA-32 emulation switched off: there a 32-bit program, 32-bit Wine
# included, fails with "Exec format error".
set -uo pipefail
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
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
if [ $? -eq 42 ]; then
  echo yes
  exit 0
fi
echo no
exit 1
