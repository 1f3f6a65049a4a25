#!/usr/bin/env bash
# Runs a Windows program under Wine in the test run's environment (see
# wine_env.sh); the program's exit code is passed through.
set -u
if [ -n "${TAVRIN_WINE_ENV:-}" ] && [ -f "$TAVRIN_WINE_ENV" ]; then
  # shellcheck disable=SC1090
  source "$TAVRIN_WINE_ENV"
fi
exec wine "$@"
