#!/usr/bin/env bash
# Draws the text-heavy corpus drawings to PNG with this build's vexor-render and with another
# build's, one after the other for each drawing so that both meet the same machine load, and
# prints wall and CPU seconds, peak resident memory and this build's ratios to the other's.
#
#   scripts/bench-text.sh BASELINE_VEXOR_RENDER [DRAWING...]
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
baseline="${1:?usage: $0 BASELINE_VEXOR_RENDER [DRAWING...]}"
shift
current="${VEXOR_RENDER:-$here/build/bin/vexor-render}"
corpus="${VEXOR_CORPUS:-$here/../shared/corpus}"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

drawings=("$@")
if [ ${#drawings[@]} -eq 0 ]; then
    for name in dxf/ascii/AC1027/ezdxf__mtext_complex_inline_codes.dxf \
        dxf/ascii/AC1027/ezdxf__text_fonts.dxf dxf/ascii/AC1027/dxfparser__api-cw750-details.dxf \
        dxf/ascii/AC1015/acadsharp__sample_AC1015_ascii.dxf dxf/ascii/AC1015/qcad__DIN7200.dxf \
        dxf/ascii/AC1015/qcad__Symbole.dxf dxf/ascii/AC1015/qcad__TGL31006.dxf \
        dwg/AC1032/librecad__dynblock_r2018.dwg dwg/AC1021/qcad__oda_conversion.dwg; do
        drawings+=("$corpus/$name")
    done
fi

echo "machine load: $(uptime)"
printf '%-44s %17s %17s %15s %s\n' drawing "wall s base/cur" "cpu s base/cur" "RSS MB b/c" \
    "ratios wall cpu rss"
for drawing in "${drawings[@]}"; do
    declare -A wall cpu rss
    for which in base cur; do
        binary=$([ $which = base ] && echo "$baseline" || echo "$current")
        /usr/bin/time -f "%e %U %S %M" -o "$out/time" \
            "$binary" "$drawing" -o "$out/$which.png" > /dev/null 2>&1 || true
        read -r w u s kb < "$out/time"
        wall[$which]=$w
        cpu[$which]=$(echo "$u + $s" | bc -l)
        rss[$which]=$(echo "$kb / 1024" | bc -l)
    done
    printf '%-44s %8.2f/%-8.2f %8.2f/%-8.2f %7.0f/%-7.0f %.2f %.2f %.2f\n' \
        "$(basename "$drawing")" "${wall[base]}" "${wall[cur]}" "${cpu[base]}" "${cpu[cur]}" \
        "${rss[base]}" "${rss[cur]}" \
        "$(echo "${wall[cur]} / ${wall[base]}" | bc -l)" \
        "$(echo "${cpu[cur]} / ${cpu[base]}" | bc -l)" \
        "$(echo "${rss[cur]} / ${rss[base]}" | bc -l)"
done
