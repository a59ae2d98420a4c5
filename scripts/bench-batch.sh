#!/usr/bin/env bash
# Times converting corpus drawings to PDF: one vexor-render process per file in a shell loop,
# against one batch run with --jobs (default 2). Usage: scripts/bench-batch.sh [COUNT] [JOBS]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
tool="${VEXOR_BUILD_DIR:-$root/build}/bin/vexor-render"
corpus="${VEXOR_CORPUS:-$root/../shared/corpus}"
count="${1:-50}"
jobs="${2:-2}"
mapfile -t files < <(find "$corpus/dwg" "$corpus/dxf" -type f \( -name '*.dwg' -o -name '*.dxf' \) \
  -size -2M | sort | head -n "$count")
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
mkdir -p "$out/loop"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
start=$(date +%s.%N)
for f in "${files[@]}"; do
  "$tool" "$f" -o "$out/loop/$(basename "${f%.*}").pdf" >/dev/null 2>&1 || true
done
mid=$(date +%s.%N)
"$tool" "${files[@]}" -o "$out/batch/" --jobs "$jobs" >/dev/null 2>&1 || true
end=$(date +%s.%N)
echo "files ${#files[@]} loop $(echo "$mid - $start" | bc) s batch(--jobs $jobs) $(echo "$end - $mid" | bc) s" \
  "speed-up $(echo "scale=2; ($mid - $start) / ($end - $mid)" | bc)"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
