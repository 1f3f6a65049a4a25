#!/usr/bin/env bash
# Prints the processor that the tests can run Windows programs for here:
# "i686" when 32-bit Wine runs, else "x86_64". Some virtual machines' kernels
# cannot run 32-bit code at all (no IA-32 emulation), and there only 64-bit
# Wine works. TAVRIN_TEST_ARCH overrides the answer.
set -euo pipefail
if [ -n "${TAVRIN_TEST_ARCH:-}" ]; then
  echo "$TAVRIN_TEST_ARCH"
elif "$(dirname "$0")/can_run_32bit.sh" >/dev/null &&
  /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo i686
else
  echo x86_64
fi
