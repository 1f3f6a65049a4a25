#!/usr/bin/env bash
# Prints the processor that the tests can run Windows programs for here:
# "i686" when 32-bit Wine runs on this host (tools/wine32_here.sh), else
# "x86_64": 64-bit Wine then runs an x86_64 build of the same code.
# TAVRIN_TEST_ARCH overrides the answer.
set -euo pipefail
if [ -n "${TAVRIN_TEST_ARCH:-}" ]; then
  echo "$TAVRIN_TEST_ARCH"
elif "$(dirname "$0")/wine32_here.sh" >/dev/null; then
  echo i686
else
  echo x86_64
fi
