#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/*.cpp, each one picked up by its file name) with clang into
# build-fuzz, instrumented for coverage, AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs every one of them for a bounded time. Seeds are small: corpus files of the kind a target
# reads (fuzz_dwg_* .dwg, fuzz_dxf_* .dxf, fuzz_dgn_* .dgn, any other target every kind),
# larger ones cut to their first bytes, plus the regression inputs under tests/. A target with
# its own seeds (fuzz/seeds/<name>, e.g. pictures) takes those instead of drawings. A seed that
# reached new code once stays in build-fuzz/fuzz-corpus/<target>, so later runs start further.
# Crash inputs land in build-fuzz/fuzz-artifacts/<target>/; turn each into a regression file
# under tests/cad/regressions/inputs/ once it is fixed (test_cad_regressions replays them).
#
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target ...]
# The targets run as many at once as there are cores.
#   VEXOR_FUZZ_RUNS=N  stop each target after N executions instead (a campaign: -runs=N)
# Environment: VEXOR_CORPUS (the shared corpus), VEXOR_FUZZ_BUILD_DIR (default build-fuzz).
set -euo pipefail
seconds="${1:-60}"
shift || true
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VEXOR_FUZZ_BUILD_DIR:-$root/build-fuzz}"
corpus="${VEXOR_CORPUS:-$root/../shared/corpus}"
regressions="$root/tests/cad/regressions/inputs"
# Seeds are cut to this many bytes: the fuzzer mutates small inputs many times faster, and the
# start of a file (headers, tables, maps) is where the readers' decisions are.
seed_bytes=$((64 * 1024))
max_seeds=60
sanitizers="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer"

if [ ! -f "$build/build.ninja" ] || ! grep -q "fuzzer-no-link,address" "$build/CMakeCache.txt"; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVEXOR_FUZZ=ON -DVEXOR_BUILD_TESTS=OFF -DVEXOR_BUILD_BENCH=OFF \
        -DCMAKE_C_FLAGS="$sanitizers" -DCMAKE_CXX_FLAGS="$sanitizers"
fi

targets=()
if [ "$#" -gt 0 ]; then
    targets=("$@")
else
    for source in "$root"/fuzz/*.cpp; do
        targets+=("fuzz_$(basename "$source" .cpp)")
    done
fi
cmake --build "$build" --target "${targets[@]}" -j2

# Copies up to max_seeds of the smallest corpus files of one kind (all kinds for "any") into a
# target's work folder, each cut to seed_bytes; binary DXF seeds lose their sentinel when the
# target adds it itself. Every pipeline here reads its input to the end: under pipefail a writer
# killed by SIGPIPE (a reader that stopped early) would fail the whole run.
seed() {
    local kind="$1" work="$2" strip="$3" pattern
    local - # the patterns below go to find unexpanded
    set -f
    case "$kind" in
        dwg | dxf | dgn) pattern="-iname *.$kind" ;;
        *) pattern="( -iname *.dwg -o -iname *.dxf -o -iname *.dgn )" ;;
    esac
    [ -d "$corpus" ] || return 0
    # shellcheck disable=SC2086
    find "$corpus" -path "$corpus/oracle" -prune -o -path "$corpus/stress" -prune -o \
        -type f $pattern -printf '%s %p\n' | sort -n | awk -v n="$max_seeds" 'NR <= n' | cut -d' ' -f2- |
        while IFS= read -r file; do
            local out
            out="$work/seed-$(basename "$file")"
            [ -e "$out" ] && continue
            if [ "$strip" = 1 ]; then
                [ "$(head -c 18 "$file")" = "AutoCAD Binary DXF" ] || continue
                head -c $((seed_bytes + 22)) "$file" | tail -c +23 >"$out"
            else
                head -c "$seed_bytes" "$file" >"$out"
            fi
        done
}

# Seeds first, one target after another; then the targets run as many at once as there are
# cores (each fuzzer is one process on one core), each for its whole time.
for target in "${targets[@]}"; do
    kind="${target#fuzz_}"
    kind="${kind%%_*}"
    work="$build/fuzz-corpus/$target"
    mkdir -p "$work" "$build/fuzz-artifacts/$target"
    own_seeds="$root/fuzz/seeds/${target#fuzz_}"
    if [ -d "$own_seeds" ]; then
        cp -n -t "$work" "$own_seeds"/*
    else
        seed "$kind" "$work" "$([ "$target" = fuzz_dxf_binary ] && echo 1 || echo 0)"
    fi
    if [ -d "$regressions" ]; then
        find "$regressions" -type f ! -name README.md -print0 | xargs -0 -r cp -n -t "$work"
    fi
done

# Runs one target; its log's last lines are shown when it fails, its counts when it passes.
run_target() {
    local target="$1" work="$build/fuzz-corpus/$1" artifacts="$build/fuzz-artifacts/$1" binary
    local limit=(-max_total_time="$seconds")
    [ -n "${VEXOR_FUZZ_RUNS:-}" ] && limit=(-runs="$VEXOR_FUZZ_RUNS")
    binary="$(find "$build" -type f -name "$target" -perm -u+x -print -quit)"
    if ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$binary" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -max_len=$((2 * seed_bytes)) \
        -artifact_prefix="$artifacts/" -print_final_stats=1 "$work" 2>"$build/$target.log"; then
        echo "== $target: ${limit[*]} ($(find "$work" -type f | wc -l) inputs)"
        grep -E "stat::number_of_executed_units|cov: " "$build/$target.log" | tail -n 2 || true
    else
        echo "== $target: ${limit[*]}: FOUND A CRASH"
        tail -n 40 "$build/$target.log"
        echo "$target" >>"$build/fuzz-failed"
    fi
}
export -f run_target
export build seconds seed_bytes
rm -f "$build/fuzz-failed"
printf '%s\n' "${targets[@]}" | xargs -P "$(nproc)" -I{} bash -c 'run_target "$1"' _ {}

if [ -s "$build/fuzz-failed" ]; then
    echo "fuzz targets that found a crash: $(tr '\n' ' ' <"$build/fuzz-failed")" >&2
    exit 1
fi
echo "all fuzz targets ran without a finding"
