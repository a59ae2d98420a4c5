#!/usr/bin/env bash
# Sets up and builds VEXOR if needed, then runs every test: the engine's tests under the
# sanitizers, a bounded fuzzing run of every reader, and the whole test suite.
# VEXOR_QUICK=1 skips the sanitizer and fuzzing runs.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
if [ "${VEXOR_QUICK:-0}" != 1 ]; then
  "$root/scripts/sanitize.sh"
  "$root/scripts/fuzz.sh" "${VEXOR_FUZZ_SECONDS:-30}"
fi
build="${VEXOR_BUILD_DIR:-$root/build}"
cd "$build"
ctest --output-on-failure --parallel "$(nproc)"
