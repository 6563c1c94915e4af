#!/usr/bin/env bash
# Runs quorvel-inspect --modern --walk (open, a tree walk, every object
# described, every image drawn) over every PDF in a corpus folder, each in its
# own process with a time and a memory limit, and reports crashes, hangs,
# refusals and images not drawn, with their messages. Exit status 1 when any
# file crashed or hung.
# Usage: scripts/sweep.sh CORPUS_DIR [BUILD_DIR] [REPORT_DIR]
set -uo pipefail

corpus=${1:?usage: sweep.sh CORPUS_DIR [BUILD_DIR] [REPORT_DIR]}
build=${2:-build}
report=${3:-$build/sweep}
inspect="$build/cli/quorvel-inspect"
# Per file: wall time, and address space (a hang or a runaway allocation
# shows as a failure of its own, not as the machine swapping).
seconds=${SWEEP_SECONDS:-60}
memory_kb=${SWEEP_MEMORY_KB:-4194304}
[ -x "$inspect" ] || { echo "sweep: no $inspect; build first" >&2; exit 2; }
mkdir -p "$report"
results="$report/results.tsv"
printf 'file\tstatus\tseconds\tpeak_kb\tsummary\tfirst_message\n' > "$results"

while IFS= read -r -d '' file; do
  log="$report/last.log"
  ( ulimit -v "$memory_kb"
    exec /usr/bin/time -f '%e %M' -o "$report/time.txt" \
      timeout -s KILL "$seconds" "$inspect" --modern --walk "$file" ) > "$log" 2> "$report/err.log"
  rc=$?
  read -r elapsed peak < <(tail -1 "$report/time.txt" 2> /dev/null | grep -E '^[0-9.]+ [0-9]+$' ||
    echo "$seconds 0")
  summary=$(grep -m1 '^walk:' "$log" | sed 's/^walk: //')
  message=$(grep -v '^walk:\|^image ' "$log" "$report/err.log" -h | grep -v 'Command terminated\|exit status' |
    head -1 | tr '\t' ' ' | cut -c1-160)
  if grep -q 'Command terminated by signal 9' "$report/err.log" || [ $rc -eq 137 ]; then
    status=hang
  elif grep -q 'Command terminated by signal' "$report/err.log" || [ $rc -gt 128 ]; then
    status=crash
  elif [ $rc -eq 0 ] && [ -n "$summary" ]; then
    status=ok
  elif [ $rc -eq 1 ]; then
    status=refused
  else
    status="exit-$rc"
  fi
  printf '%s\t%s\t%.2f\t%s\t%s\t%s\n' "$file" "$status" "$elapsed" "$peak" "$summary" "$message" \
    >> "$results"
  if [ "$status" != ok ]; then
    echo "$status: $file: $message"
  fi
  grep '^image ' "$log" | sed "s|^|$file: |" >> "$report/images-not-drawn.txt"
done < <(find "$corpus" -type f -iname '*.pdf' -print0 | sort -z)

awk -F'\t' 'NR > 1 {
    files++; status[$2]++
    split($5, w, ", ")
    for (i in w) {
      if (w[i] ~ /images drawn/) { sub(/ images drawn/, "", w[i]); drawn += w[i] }
      if (w[i] ~ /not drawn/) { sub(/ not drawn/, "", w[i]); failed += w[i] }
    }
    if ($3 > slowest) { slowest = $3; slow_file = $1 }
    if ($4 > peak) { peak = $4; peak_file = $1 }
  }
  END {
    printf "files %d: ok %d, refused %d, crashes %d, hangs %d, other %d\n", files, status["ok"],
      status["refused"], status["crash"], status["hang"],
      files - status["ok"] - status["refused"] - status["crash"] - status["hang"]
    printf "images: %d drawn, %d not drawn\n", drawn, failed
    printf "slowest: %.2f s (%s)\npeak memory: %.0f MB (%s)\n", slowest, slow_file, peak / 1024, peak_file
  }' "$results" | tee "$report/summary.txt"
awk -F'\t' 'NR > 1 && ($2 == "crash" || $2 == "hang") { bad = 1 } END { exit bad }' "$results"
