#!/usr/bin/env bash
# Compares the `vexor-render --info` summaries of every corpus drawing (and the stress drawings)
# between another build and this one, to show that a change to storage or reading left what
# the readers produce unchanged. Prints each drawing whose summary differs and a count; exits 1
# when any differs.
#
#   scripts/compare-info.sh OTHER_VEXOR_RENDER [DRAWING...]
set -uo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
other="${1:?usage: $0 OTHER_VEXOR_RENDER [DRAWING...]}"
shift
current="${VEXOR_RENDER:-$here/build/bin/vexor-render}"
corpus="${VEXOR_CORPUS:-$here/../shared/corpus}"

drawings=("$@")
if [ ${#drawings[@]} -eq 0 ]; then
    while IFS= read -r -d '' f; do drawings+=("$f"); done < <(
        find "$corpus" -path "$corpus/oracle" -prune -o -path "$corpus/renders" -prune -o \
            -type f \( -iname '*.dwg' -o -iname '*.dxf' -o -iname '*.dgn' \) -print0 | sort -z)
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
same=0
differ=0
for drawing in "${drawings[@]}"; do
    "$other" "$drawing" --info > "$work/other" 2>&1
    echo "exit $?" >> "$work/other"
    "$current" "$drawing" --info > "$work/current" 2>&1
    echo "exit $?" >> "$work/current"
    if cmp -s "$work/other" "$work/current"; then
        same=$((same + 1))
    else
        differ=$((differ + 1))
        echo "differs: $drawing"
        diff "$work/other" "$work/current" | head -n 10
    fi
done
echo "$same same, $differ different"
[ "$differ" -eq 0 ]
