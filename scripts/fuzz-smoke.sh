#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fuzz and runs each on its seeds and its corpus,
# sharing SECONDS (default 60) between them. Prints one line per target with its executions and
# final coverage, and exits non-zero when any target reports a crash, leak, timeout, memory
# exhaustion or sanitizer error (the log and the input are kept under build-fuzz/).
# Usage: scripts/fuzz-smoke.sh [SECONDS]   (KVX_FUZZ_JOBS=N limits the build to N jobs)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build-fuzz
targets=(kvx_reader_fuzz theme_json_fuzz render_object_fuzz merge_holder_fuzz subtitle_file_fuzz
  text_schedule_fuzz segment_join_fuzz svg_import_fuzz)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DKVX_FUZZ=ON -DKVX_BENCH=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}" kvx_fuzz_seed_files ${KVX_FUZZ_JOBS:+-j "$KVX_FUZZ_JOBS"}

share=$((seconds / ${#targets[@]}))
if [ "$share" -lt 1 ]; then share=1; fi
logs="$build/fuzz-logs"
findings="$build/fuzz-findings"
mkdir -p "$logs" "$findings"
# The theme target writes its pictures and packed themes here; a crashed run leaves its folder.
export TMPDIR="$PWD/$build/fuzz-tmp"
rm -rf "$TMPDIR"
mkdir -p "$TMPDIR"
# Allocations of fontconfig and of the threads Pango starts live as long as the process or the
# thread (fuzz/lsan.supp). glib's slice allocator keeps a cache per thread, held only through the
# thread's private data, which LeakSanitizer reported as lost in long runs; plain malloc has none.
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export G_SLICE=always-malloc

# The sample themes of a regular build, when there is one, seed the reader, and its sample clip
# the join.
mkdir -p "$build/fuzz-corpus/kvx_reader_fuzz" "$build/fuzz-corpus/segment_join_fuzz"
for theme in build/themes/*.kvx; do
  if [ -f "$theme" ]; then cp "$theme" "$build/fuzz-corpus/kvx_reader_fuzz/"; fi
done
if [ -f build/themes/kvx-sample-clip.mp4 ]; then
  cp build/themes/kvx-sample-clip.mp4 "$build/fuzz-corpus/segment_join_fuzz/"
fi

failed=0
summary=()
for target in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$target"
  log="$logs/$target.log"
  mkdir -p "$corpus"
  status=0
  # The first folder collects new inputs; the seeds stay as the build wrote them.
  "$build/fuzz/$target" -max_total_time="$share" -timeout=30 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/$target-" \
    "$corpus" "$build/fuzz/seeds/$target" </dev/null >"$log" 2>&1 || status=$?
  # A run stopped early may have printed neither.
  units=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1) || true
  coverage=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1 |
    sed -E 's/.*(cov: [0-9]+ ft: [0-9]+).*/\1/') || true
  verdict=clean
  if [ "$status" -ne 0 ] ||
    grep -qE 'ERROR: [A-Za-z]+Sanitizer|runtime error:|ERROR: libFuzzer' "$log"; then
    verdict="FAILED (exit $status, see $log)"
    failed=1
  fi
  summary+=("$(printf '%-20s units: %-9s %-24s %s' "$target" "${units:-?}" "${coverage:-cov: ?}" \
    "$verdict")")
done

printf '%s\n' "${summary[@]}"
exit "$failed"
