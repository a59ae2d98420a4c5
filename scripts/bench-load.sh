#!/usr/bin/env bash
# Times whole loads (read, display list, extents) of the stress drawings with `vexor-render
# --info`, this build against another one, alternating in one run so that both see the same
# machine load, and prints each run's wall and CPU seconds, peak resident memory (also per byte
# of file) and the median ratios. The busy two-core machines make single figures noisy: compare
# the ratios of one run.
#
#   scripts/bench-load.sh BASELINE_VEXOR_RENDER [RUNS] [DRAWING...]
#
# VEXOR_BENCH_ARGS replaces `--info` (for example `-o /tmp/x.png` to time a whole render).
#
# Without drawings: the stress DWG files of the corpus and, when they exist, the DXF files
# tools/make-stress-drawings.py wrote into $VEXOR_STRESS_DIR (default /tmp/vexor-stress).
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
baseline="${1:?usage: $0 BASELINE_VEXOR_RENDER [RUNS] [DRAWING...]}"
runs="${2:-3}"
shift $(( $# >= 2 ? 2 : 1 ))
current="${VEXOR_RENDER:-$here/build/bin/vexor-render}"
corpus="${VEXOR_CORPUS:-$here/../shared/corpus}"
stress="${VEXOR_STRESS_DIR:-/tmp/vexor-stress}"
read -r -a args <<< "${VEXOR_BENCH_ARGS:---info}"

drawings=("$@")
if [ ${#drawings[@]} -eq 0 ]; then
    drawings=("$corpus"/stress/*.dwg)
    for f in "$stress"/*.dxf; do [ -e "$f" ] && drawings+=("$f"); done
fi

echo "machine load: $(uptime)"
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
for drawing in "${drawings[@]}"; do
    size=$(stat -c %s "$drawing")
    : > /tmp/bench-load.$$.base
    : > /tmp/bench-load.$$.cur
    refused=0
    for ((i = 1; i <= runs; i++)); do
        for which in base cur; do
            binary=$([ $which = base ] && echo "$baseline" || echo "$current")
            status=0
            /usr/bin/time -q -f "%e %U %S %M" -o /tmp/bench-load.$$.one \
                "$binary" "$drawing" "${args[@]}" > /dev/null 2>&1 || status=$?
            if [ $status -ne 0 ]; then
                echo "$(basename "$drawing") $which: refused (exit status $status)"
                refused=1
                continue
            fi
            read -r wall user sys kb < /tmp/bench-load.$$.one
            echo "$wall $user $sys $kb" >> /tmp/bench-load.$$.$which
            printf '%-40s %-4s %6.2f s wall %6.2f s cpu %5d MB peak (%.2f x file)\n' \
                "$(basename "$drawing")" $which "$wall" "$(echo "$user + $sys" | bc)" \
                $((kb / 1024)) "$(echo "$kb * 1024 / $size" | bc -l)"
        done
    done
    if [ $refused = 1 ]; then
        echo "$(basename "$drawing"): no ratio, one build refused it"
        continue
    fi
    for col in 1 4; do
        b=$(cut -d' ' -f$col /tmp/bench-load.$$.base | median)
        c=$(cut -d' ' -f$col /tmp/bench-load.$$.cur | median)
        name=$([ $col = 1 ] && echo "wall time" || echo "peak memory")
        printf '%-40s median %s ratio (this / baseline): %.2f\n' "$(basename "$drawing")" \
            "$name" "$(echo "$c / $b" | bc -l)"
    done
    b=$(awk '{ print $2 + $3 }' /tmp/bench-load.$$.base | median)
    c=$(awk '{ print $2 + $3 }' /tmp/bench-load.$$.cur | median)
    printf '%-40s median cpu time ratio (this / baseline): %.2f\n' "$(basename "$drawing")" \
        "$(echo "$c / $b" | bc -l)"
done
rm -f /tmp/bench-load.$$.*
