#!/usr/bin/env bash
# Times `vexor-render FILE -o x.png` (read, display-list compile, one frame) and its peak
# resident memory on the corpus drawings with the most dimensions, this build against another
# one, alternating in one run (see bench-load.sh for the figures and ratios printed).
#
#   scripts/bench-dimensions.sh BASELINE_VEXOR_RENDER [RUNS]
#
# The drawings are those of bench/dimension_compile.cpp, which measures the compile alone.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
baseline="${1:?usage: $0 BASELINE_VEXOR_RENDER [RUNS]}"
runs="${2:-3}"
corpus="${VEXOR_CORPUS:-$here/../shared/corpus}"

drawings=()
while read -r path; do
    drawings+=("$corpus/$path")
done < <(sed -n 's/^ *"\([a-z]*\/[^"]*\.dwg\|[a-z]*\/[^"]*\.dxf\)",.*/\1/p' "$here/bench/dimension_compile.cpp")

png="$(mktemp --suffix=.png)"
trap 'rm -f "$png"' EXIT
VEXOR_BENCH_ARGS="-o $png" "$here/scripts/bench-load.sh" "$baseline" "$runs" "${drawings[@]}"
