#!/usr/bin/env bash
# Sets up and builds VEXOR if needed, then runs every test: the engine's tests under the
# sanitizers, a bounded fuzzing run of every reader, and the whole test suite. Each step prints
# its time when it ends, so a slow step shows in the log. The engine's load tests also run
# under ThreadSanitizer.
# VEXOR_QUICK=1 skips the sanitizer and fuzzing runs.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

step() {
  local name="$1" start=$SECONDS status=0
  shift
  echo "== step: $name"
  "$@" || status=$?
  echo "== step: $name took $((SECONDS - start)) s$([ "$status" = 0 ] || echo ", failed ($status)")"
  return "$status"
}

total=$SECONDS
step "set-up and build" "$root/scripts/setup.sh"
if [ "${VEXOR_QUICK:-0}" != 1 ]; then
  step "sanitized engine tests" "$root/scripts/sanitize.sh"
  step "engine load tests under ThreadSanitizer" "$root/scripts/sanitize-threads.sh"
  step "fuzzing" "$root/scripts/fuzz.sh" "${VEXOR_FUZZ_SECONDS:-30}"
fi
build="${VEXOR_BUILD_DIR:-$root/build}"
cd "$build"
# The soak test's short version; scripts/bench-soak.sh runs the long one.
export VEXOR_SOAK_OPENS="${VEXOR_SOAK_OPENS:-150}"
step "test suite" ctest --output-on-failure --parallel "$(nproc)"
echo "== all steps took $((SECONDS - total)) s"
