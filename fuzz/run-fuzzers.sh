#!/usr/bin/env bash
# Runs every fuzz target for a bounded time from fresh seeds plus the corpus kept
# from earlier runs, and fails when any target finds a crash, a leak, a timeout
# or an out-of-memory. Usage: fuzz/run-fuzzers.sh BUILD_DIR SECONDS [TARGET...]
set -uo pipefail

build=${1:?usage: run-fuzzers.sh BUILD_DIR SECONDS [TARGET...]}
seconds=${2:?usage: run-fuzzers.sh BUILD_DIR SECONDS [TARGET...]}
shift 2
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(lexer parse_object open_walk lzw ccitt jbig2 image_stream pixdec xref_stream object_stream repair
           security_handler content_operators filter_chain color_function analysis)
fi
here="$(cd "$(dirname "$0")" && pwd)"

# ASan's quarantine of freed blocks counts their requested sizes only: with
# 256 MiB of tiny token copies held back, the lexer's resident size alone
# passes the 2 GiB limit within a minute. 64 MiB keeps use-after-free checks
# meaningful and every target far below the limit.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=64}"

# Everything a run writes stays in the build folder: seeds are made afresh, new
# corpus entries accumulate in corpus/, findings land in artifacts/.
seeds="$build/seeds"
corpus="$build/corpus"
artifacts="$build/artifacts"
logs="$build/fuzz-logs"
rm -rf "$seeds"
mkdir -p "$corpus" "$artifacts" "$logs"
"$build/fuzz/make-fuzz-seeds" "$seeds" || exit 1

summary="$build/fuzz-summary.txt"
printf '%-14s %8s %12s %10s  %s\n' target seconds executions exec/s result > "$summary"
failed=0
for target in "${targets[@]}"; do
  mkdir -p "$corpus/$target"
  rm -f "$artifacts/$target"-*  # a finding from an earlier run shows again if it still fails
  # Some inputs declare work up to a named bound, done in full, which takes
  # about 2 s under the sanitizers on a busy machine: a JPEG picture of 2^31
  # bytes is drawn; JBIG2 symbols fill the decoder's 16 MiB base budget (128
  # megapixels); a repaired table runs to object number 8388607 and each
  # analysis walks it. Everything else has 2 s.
  timeout=2
  [[ $target == pixdec || $target == jbig2 || $target == analysis ]] && timeout=5
  args=(-max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$artifacts/$target-")
  if [ -f "$here/pdf.dict" ] && [[ $target == lexer || $target == parse_object || $target == open_walk ||
        $target == repair || $target == object_stream || $target == security_handler ||
        $target == content_operators || $target == color_function || $target == analysis ]]; then
    args+=(-dict="$here/pdf.dict")
  fi
  log="$logs/$target.log"
  echo "fuzzing $target for ${seconds}s ..."
  "$build/fuzz/${target}_fuzzer" "${args[@]}" "$corpus/$target" "$seeds/$target" > "$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  result=ok
  if [ $rc -ne 0 ]; then
    result="FAILED (exit $rc, see $log)"
    failed=1
    grep -E '^==[0-9]+==ERROR|^SUMMARY|ALARM|out-of-memory|runtime error|Test unit written' "$log" | head -20
  fi
  printf '%-14s %8s %12s %10s  %s\n' "$target" "$seconds" "${runs:-?}" "${rate:-?}" "$result" >> "$summary"
done
cat "$summary"
exit $failed
