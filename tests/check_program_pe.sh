#!/usr/bin/env bash
# Checks on the build host, without Wine, that a built program is what it
# must be: a 32-bit (PE32, i386) Windows GUI-subsystem executable that
# imports system DLLs only (no MinGW run-time DLLs) and carries the shared
# resources: the manifest (RT_MANIFEST 1), icon group 1 and the product
# description ("TXT" 133, language 1033).
#
#   check_program_pe.sh PROGRAM.exe [--version-resource] [--shipped BYTES]
#
# --version-resource also requires a version resource (RT_VERSION 1).
# --shipped: a program that users install: no debug sections, no symbol
# table, and at most BYTES long.
set -euo pipefail

objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
program=${1:?usage: $0 PROGRAM.exe [--version-resource] [--shipped BYTES]}
shift
want_version=0
max_bytes=""
while [ $# -gt 0 ]; do
  case "$1" in
    --version-resource) want_version=1 ;;
    --shipped)
      max_bytes=${2:?--shipped needs a size in bytes}
      shift
      ;;
    *)
      echo "unknown option $1" >&2
      exit 2
      ;;
  esac
  shift
done

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

headers=$("$objdump" -p "$program")

grep -q 'file format pei-i386$' <<<"$headers" ||
  fail "not a PE32 i386 file"
grep -Eq '^Magic[[:space:]]+010b' <<<"$headers" ||
  fail "optional header is not PE32 (magic 010b)"
grep -Eq '^Subsystem[[:space:]]+00000002' <<<"$headers" ||
  fail "subsystem is not Windows GUI (2)"

# DLLs that every Windows installation has. Anything else (libstdc++-6.dll,
# libgcc_s_dw2-1.dll, libwinpthread-1.dll, ...) would have to be shipped.
system_dlls=" advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll crypt32.dll
  gdi32.dll iphlpapi.dll kernel32.dll msvcrt.dll mpr.dll msimg32.dll
  netapi32.dll normaliz.dll ntdll.dll ole32.dll oleaut32.dll rpcrt4.dll
  secur32.dll setupapi.dll shell32.dll shlwapi.dll taskschd.dll mstask.dll
  user32.dll userenv.dll uxtheme.dll version.dll wininet.dll winmm.dll
  wintrust.dll ws2_32.dll wtsapi32.dll "
# One blank between names, so every name can be matched with blanks around it.
system_dlls=" $(tr -s ' \n' ' ' <<<"$system_dlls" | xargs) "
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" |
  tr '[:upper:]' '[:lower:]' | sort -u)
[ -n "$imports" ] || fail "no imports found"
for dll in $imports; do
  case "$system_dlls" in
    *" $dll "*) ;;
    *) fail "imports $dll, which is not a system DLL" ;;
  esac
done

# The resource tree as "type name language" lines, from objdump's listing of
# the .rsrc section: entries at three depths of indentation.
resources=$(awk '
  /^[0-9a-f]+   Entry: / { type = entry_key($0); next }
  /^[0-9a-f]+     Entry: / { name = entry_key($0); next }
  /^[0-9a-f]+       Entry: / { print type, name, entry_key($0) }
  function entry_key(line,    key) {
    # Ids print in hex, zero without its "0x".
    if (match(line, /Entry: ID: (0x)?[0-9a-f]+/)) {
      key = substr(line, RSTART + 11, RLENGTH - 11)
      sub(/^0x/, "", key)
      return hex_to_decimal(key)
    }
    if (match(line, /\]: [^,]+,/)) {
      return substr(line, RSTART + 3, RLENGTH - 4)
    }
    return "?"
  }
  function hex_to_decimal(hex,    i, value) {
    value = 0
    for (i = 1; i <= length(hex); i++) {
      value = value * 16 + index("0123456789abcdef", substr(hex, i, 1)) - 1
    }
    return value
  }' <<<"$headers")

has_resource() {
  grep -Eq "^$1 $2 $3\$" <<<"$resources"
}
has_resource TXT 133 1033 || fail "no resource TXT 133 in language 1033"
has_resource 24 1 '[0-9]+' || fail "no manifest (RT_MANIFEST 1)"
has_resource 14 1 '[0-9]+' || fail "no icon group 1 (RT_GROUP_ICON 1)"
has_resource 3 '[0-9]+' '[0-9]+' || fail "no icon images (RT_ICON)"
if [ $want_version -eq 1 ]; then
  has_resource 16 1 '[0-9]+' || fail "no version resource (RT_VERSION 1)"
fi

# The manifest asks for the caller's rights and names the supported systems.
manifest_checks=(
  'requestedExecutionLevel level="asInvoker"'
  'e2011457-1546-43c5-a5fe-008deee3d3f0'
  '35138b9a-5d96-4fbd-8e2d-a2440225f93a'
  '4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38'
  '1f676c76-80e1-4239-95bb-83d0f6d0da78'
  '8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a'
)
text=$(strings -a "$program")
for needle in "${manifest_checks[@]}"; do
  grep -qF "$needle" <<<"$text" || fail "manifest lacks $needle"
done

size=$(stat -c %s "$program")
if [ -n "$max_bytes" ]; then
  [ "$size" -le "$max_bytes" ] ||
    fail "$size bytes, more than the $max_bytes a shipped program may have"
  debug_sections=$("$objdump" -h "$program" |
    awk '$2 ~ /^\.(debug|zdebug|stab)/ { print $2 }' | xargs)
  [ -z "$debug_sections" ] || fail "debug sections: $debug_sections"
  # The file header's flags: HAS_SYMS means a COFF symbol table.
  if "$objdump" -f "$program" | grep -q 'HAS_SYMS'; then
    fail "carries a symbol table"
  fi
fi

if [ $failures -ne 0 ]; then
  echo "Resources found (type name language):"
  echo "$resources"
  exit 1
fi
echo "OK: $program ($size bytes) is a PE32 i386 GUI program importing system DLLs only:"
echo "$imports" | tr '\n' ' '
echo
echo "Resources (type name language):"
echo "$resources"
