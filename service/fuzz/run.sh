#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time, starting from the
# committed seeds; then runs each target's grown corpus once with source coverage.
#
#   service/fuzz/run.sh [SECONDS_PER_TARGET] [BUILD_DIR]   (60, build-fuzz)
#
# Inputs that crash a target land in BUILD_DIR/findings and make the run fail; the
# grown corpora stay in BUILD_DIR/corpus (copy new seeds into fuzz/corpus by hand).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
seconds=${1:-60}
build=$(mkdir -p "${2:-build-fuzz}" && cd "${2:-build-fuzz}" && pwd)
targets=(query unescape fields utf8 version log smtp_reply)

cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=None >/dev/null
cmake --build "$build" -j2 >/dev/null

mkdir -p "$build/findings" "$build/profiles"
failed=0
printf '%-9s %12s %8s %8s %10s\n' target executions edges features corpus
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  log="$build/$target.log"
  # New inputs go to the first folder; the seeds are only read.
  if ! "$build/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=1024 \
      -artifact_prefix="$build/findings/$target-" "$corpus" "$here/corpus/$target" >"$log" 2>&1; then
    failed=1
    echo "$target: a finding, see $log and $build/findings" >&2
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  last=$(grep -E '^#[0-9]+' "$log" | tail -1)
  edges=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  features=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  units=$(sed -n 's/.* corp: \([0-9]*\)\/.*/\1/p' <<<"$last")
  printf '%-9s %12s %8s %8s %10s\n' "$target" "${runs:-?}" "${edges:-?}" "${features:-?}" "${units:-?}"
  LLVM_PROFILE_FILE="$build/profiles/$target.profraw" "$build/cover_$target" -runs=0 \
    "$corpus" "$here/corpus/$target" >/dev/null 2>&1 || true
done

llvm-profdata merge -o "$build/all.profdata" "$build"/profiles/*.profraw
objects=("$build/cover_${targets[0]}")
for target in "${targets[@]:1}"; do objects+=(-object "$build/cover_$target"); done
src=$(cd "$here/../src" && pwd)
echo
echo "coverage of the parsers by the corpora (lines, missed, cover; branches cover):"
# The targets each define the fuzzer's entry point, which llvm-cov notes as mismatched.
llvm-cov report -instr-profile="$build/all.profdata" "${objects[@]}" \
  "$src/query.cpp" "$src/unescape.cpp" "$src/fields.cpp" "$src/utf8.cpp" "$src/version.cpp" "$src/log.cpp" \
  "$src/control_chars.cpp" "$src/smtp_reply.cpp" 2>/dev/null |
  awk '/\.cpp|^TOTAL/ { printf "%-18s %6s %6s %8s %8s\n", $1, $8, $9, $10, $13 }'
exit $failed
