#!/usr/bin/env bash
# Builds the drawing engine's tests with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan and runs them, so that the readers' damaged-file and corpus tests prove that no
# input reads or writes out of bounds. test_cad_regressions replays every input under
# tests/cad/regressions/inputs (what the fuzzers once found) through the whole load, and
# test_cad_limits the crafted hostile drawings.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VEXOR_ASAN_BUILD_DIR:-$root/build-asan}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXOR_SANITIZE=ON \
    -DVEXOR_BUILD_BENCH=OFF
fi
mapfile -t targets < <(cmake --build "$build" --target help | sed -n 's/^\(test_cad_[a-z0-9_]*\):.*/\1/p')
cmake --build "$build" --target "${targets[@]}" --parallel "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# As many programs at once as there are cores; each one's output is shown whole when it ends.
logs="$build/sanitized-logs"
rm -rf "$logs"
mkdir -p "$logs"
export build logs
printf '%s\n' "${targets[@]}" | xargs -P "$(nproc)" -I{} sh -c \
  '"$build/tests/{}" --gtest_brief=1 >"$logs/{}.log" 2>&1; status=$?
   echo "== {} under AddressSanitizer and UndefinedBehaviorSanitizer"; cat "$logs/{}.log"
   exit $((status != 0))' || { echo "sanitized engine tests failed" >&2; exit 1; }
