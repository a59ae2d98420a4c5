#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/*.cpp) with clang into build-fuzz and runs every one of
# them for a bounded time, seeded from the corpus files of the kind each target reads
# (fuzz_dwg_* from .dwg files, fuzz_dxf_* from .dxf, fuzz_dgn_* from .dgn) and from the
# regression inputs kept under tests/. Crash inputs land in build-fuzz/fuzz-artifacts/<target>/.
#
# Usage: scripts/fuzz.sh [seconds per target, default 60]
# Environment: VEXOR_CORPUS (the shared corpus), VEXOR_FUZZ_BUILD_DIR (default build-fuzz).
set -euo pipefail
seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VEXOR_FUZZ_BUILD_DIR:-$root/build-fuzz}"
corpus="${VEXOR_CORPUS:-$root/../shared/corpus}"
# Seeds larger than this slow every run down more than they help. The libraries are built with
# coverage instrumentation (fuzzer-no-link) so that the fuzzer sees inside the readers.
max_seed_bytes=$((2 * 1024 * 1024))

if [ ! -f "$build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVEXOR_FUZZ=ON -DVEXOR_BUILD_TESTS=OFF -DVEXOR_BUILD_BENCH=OFF \
        -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
fi

targets=()
for source in "$root"/fuzz/*.cpp; do
    targets+=("fuzz_$(basename "$source" .cpp)")
done
cmake --build "$build" --target "${targets[@]}" -j2

failed=()
for target in "${targets[@]}"; do
    kind="${target#fuzz_}"
    kind="${kind%%_*}"
    work="$build/fuzz-corpus/$target"
    artifacts="$build/fuzz-artifacts/$target"
    mkdir -p "$work" "$artifacts"
    if [ -d "$corpus" ]; then
        find "$corpus" -path "$corpus/oracle" -prune -o -type f -iname "*.$kind" \
            -size -"${max_seed_bytes}"c -print0 | xargs -0 -r cp -n -t "$work"
    fi
    if [ -d "$root/tests/cad/$kind/regressions" ]; then
        find "$root/tests/cad/$kind/regressions" -type f -print0 | xargs -0 -r cp -n -t "$work"
    fi
    echo "== $target for ${seconds}s ($(find "$work" -type f | wc -l) inputs)"
    binary="$(find "$build" -type f -name "$target" -perm -u+x | head -n 1)"
    if ! "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=262144 \
        -artifact_prefix="$artifacts/" -print_final_stats=1 "$work" 2>"$build/$target.log"; then
        tail -n 40 "$build/$target.log"
        failed+=("$target")
    else
        grep -E "stat::number_of_executed_units|Done" "$build/$target.log" | tail -n 2 || true
    fi
done

if [ "${#failed[@]}" -gt 0 ]; then
    echo "fuzz targets that found a crash: ${failed[*]}" >&2
    exit 1
fi
echo "all fuzz targets ran ${seconds}s without a crash"
