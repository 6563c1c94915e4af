#!/usr/bin/env bash
# Runs every benchmark and prints one Markdown table: per workload our figure,
# the peers' figures from the same run on the same data, the ratio of our speed
# to the peer's (above 1: we are faster), the target and whether it is met.
# The large files are generated into the build directory, never committed.
#
# Usage: bench/run_bench.sh [BUILD_DIR]   (default build-bench)
set -euo pipefail

build=${1:-build-bench}
bin=$build/bench
inspect=$build/cli/quorvel-inspect
large=$build/bench-large.pdf
tiny=$build/bench-tiny.pdf
modern=$build/bench-modern.pdf
tiny_modern=$build/bench-tiny-modern.pdf
repair=$build/bench-repair.pdf
clear_qpdf=$build/bench-modern-qpdf.pdf
encrypted=$build/bench-modern-aes256.pdf
streams=$build/bench-streams.pdf
objects=1000000

# (Re)generate when missing or older than the generator.
generate() {
  if [ ! -s "$1" ] || [ "$bin/make_large_pdf" -nt "$1" ]; then
    "$bin/make_large_pdf" "$@" >&2
  fi
}
generate "$large" "$objects"
generate "$tiny" 12
generate "$modern" "$objects" --modern
generate "$tiny_modern" 12 --modern
# 20,000 pages of about 4 KB of text each, for the search in decoded streams.
generate "$streams" 40006 --contents 4000

# The repair input: the large file with its whole cross-reference table, from
# "xref" up to "trailer", overwritten by spaces; trailer and startxref stay.
if [ ! -s "$repair" ] || [ "$large" -nt "$repair" ]; then
  xref=$(tail -c 64 "$large" | grep -a -A1 '^startxref' | tail -n 1)
  trailer=$(grep -abo '^trailer' "$large" | tail -n 1 | cut -d: -f1)
  cp "$large" "$repair.tmp"
  head -c $((trailer - xref)) /dev/zero | tr '\0' ' ' |
    dd of="$repair.tmp" bs=1M seek="$xref" oflag=seek_bytes conv=notrunc status=none
  mv "$repair.tmp" "$repair"
fi

# The modern file rewritten by qpdf twice, in clear and encrypted with AES-256
# (revision 6) under the empty user password, as producers leave files: one
# writer for both, so that they differ in their encryption alone. About 40 s
# each here. qpdf exits with 3 after warnings, which still wrote the file.
qpdf_write() {
  local out=$1
  shift
  if [ ! -s "$out" ] || [ "$modern" -nt "$out" ]; then
    echo "qpdf writes $out ..." >&2
    qpdf "$@" "$out.tmp" || [ $? -eq 3 ]
    mv "$out.tmp" "$out"
  fi
}
qpdf_write "$clear_qpdf" "$modern"
qpdf_write "$encrypted" --encrypt "" owner 256 -- "$modern"

rows=$(mktemp)
trap 'rm -f "$rows"' EXIT
failed=0
run() {
  local out
  echo "running $1 ..." >&2
  if out=$("$bin/$1" "${@:2}"); then
    grep '^ROW' <<<"$out" | cut -f2- >>"$rows" || true
  else
    echo "$1 failed" >&2
    failed=1
  fi
}
run inspect_process_bench "$inspect" "$large" "$tiny" $((objects + 1))
run open_bench "$large"
run tree_expand_bench "$large"
run modern_process_bench "$inspect" "$modern" "$tiny_modern" "$repair" "$objects"
run modern_tree_expand_bench "$modern"
run encrypted_open_bench "$clear_qpdf" "$encrypted"
run describe_flate_bench "$large"
run lzw_bench
run fax_bench
run image_bench
run modern_image_bench
run find_bench "$modern" "$large" "$streams" "(Page 20000)"
run analysis_bench "$modern"
if [ -x "$bin/objects_view_bench" ]; then
  QT_QPA_PLATFORM=offscreen run objects_view_bench "$modern"
fi
if [ -x "$bin/detail_pane_bench" ]; then
  QT_QPA_PLATFORM=offscreen run detail_pane_bench "$large"
fi

# Columns padded to their widest cell, so the table also reads as plain text.
awk -F'\t' '
  BEGIN { n = split("Workload|Ours|Peers (same run, same data)|Ratio|Target|Met|Memory", head, "|") }
  { rows[NR] = $0; for (i = 1; i <= n; i++) if (length($i) > w[i]) w[i] = length($i) }
  END {
    for (i = 1; i <= n; i++) if (length(head[i]) > w[i]) w[i] = length(head[i])
    line = "|"; rule = "|"
    for (i = 1; i <= n; i++) {
      line = line sprintf(" %-*s |", w[i], head[i])
      dashes = ""; for (j = 0; j < w[i]; j++) dashes = dashes "-"
      rule = rule " " dashes " |"
    }
    print line; print rule
    for (r = 1; r <= NR; r++) {
      split(rows[r], c, "\t"); line = "|"
      for (i = 1; i <= n; i++) line = line sprintf(" %-*s |", w[i], c[i])
      print line
    }
  }' "$rows"
cpu=$(grep -m1 'model name' /proc/cpuinfo 2>/dev/null | cut -d: -f2 | sed 's/^ *//' || true)
echo
echo "Medians of several runs, ours and the peers' interleaved; $(nproc) cores${cpu:+, $cpu}."
exit $failed
