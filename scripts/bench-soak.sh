#!/usr/bin/env bash
# The long soak: OPENS (default 2,000) corpus drawings opened one after another in one viewer
# process through File > Open, then the test's checks (memory back within 10% of its value
# after the warm-up, no thread or open file left, the history as opened). Prints the resident
# memory every 50 opens.
# usage: scripts/bench-soak.sh [OPENS]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh" >&2
build="${VEXOR_BUILD_DIR:-$root/build}"
curve="$(mktemp)"
trap 'rm -f "$curve"' EXIT
status=0
QT_QPA_PLATFORM=offscreen VEXOR_SOAK_OPENS="${1:-2000}" VEXOR_SOAK_CURVE="$curve" \
  "$build/tests/test_soak" --gtest_brief=1 || status=$?
echo "opens  resident kB"
awk 'NR == 1 || NR % 50 == 0 { printf "%5d  %d\n", $1, $2 }' "$curve"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
exit "$status"
