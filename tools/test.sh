#!/usr/bin/env bash
# The test command: prepares the machine, builds everything and runs every
# test under Wine, ending with CTest's summary. Exit code 0 only when all pass.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRIN_TEST_BUILD:-$root/out/test}
"$root/tools/setup.sh"
"$root/tools/build.sh" "$build"
ctest --test-dir "$build" --output-on-failure -j8 --timeout 600
