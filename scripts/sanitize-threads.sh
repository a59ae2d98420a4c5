#!/usr/bin/env bash
# Builds the engine's load tests with ThreadSanitizer into build-tsan and runs them: the DWG
# reader's objects parsed on several threads, the display list compiled in parts, the load
# spread over the cores with its budget and cancellation on every thread, and the references
# read under one budget. Any data race fails the run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VEXOR_TSAN_BUILD_DIR:-$root/build-tsan}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVEXOR_SANITIZE_THREAD=ON -DVEXOR_BUILD_BENCH=OFF
fi
# Each program with the tests that run threads; the hostile-drawing tests are left to the
# address sanitizer run, as their time and memory limits do not hold under this one's shadow
# memory.
runs=(
  "test_cad_dwg *"
  "test_cad_geometry *"
  "test_cad_io *"
  "test_cad_limits -HostileDrawing.*"
)
targets=()
for run in "${runs[@]}"; do targets+=("${run%% *}"); done
cmake --build "$build" --target "${targets[@]}" --parallel "$(nproc)"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
logs="$build/sanitized-logs"
rm -rf "$logs"
mkdir -p "$logs"
export build logs
printf '%s\n' "${runs[@]}" | xargs -P "$(nproc)" -I{} sh -c \
  'set -f; set -- {}; program=$1; filter=$2
   "$build/tests/$program" --gtest_brief=1 --gtest_filter="$filter" >"$logs/$program.log" 2>&1
   status=$?
   echo "== $program under ThreadSanitizer"; cat "$logs/$program.log"
   exit $((status != 0))' || { echo "engine tests under ThreadSanitizer failed" >&2; exit 1; }
