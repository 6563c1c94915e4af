#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under /usr and checks what a
# desktop and a shell user would meet: the programs run, the desktop entry
# and the AppStream metadata validate, the icons are where the icon theme
# looks, and both manual pages render without a warning.
set -euo pipefail
build=$1
root=$2
rm -rf "$root"
DESTDIR="$root" cmake --install "$build" --prefix /usr > /dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
id=org.quorvel.Quorvel
for f in usr/bin/quorvel usr/bin/quorvel-inspect \
         usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/$id.svg \
         usr/share/man/man1/quorvel.1 usr/share/man/man1/quorvel-inspect.1 \
         usr/share/doc/quorvel/json.md usr/share/doc/quorvel/json.schema.json; do
  [ -e "$root/$f" ] || fail "not installed: $f"
done
for size in 16 24 32 48 64 128 256; do
  png=$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -e "$png" ] || fail "no ${size}px icon"
  # The PNG header's width and height, big-endian at bytes 16 and 20.
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "the ${size}px icon is $dims"
done

desktop-file-validate "$root/usr/share/applications/$id.desktop"
grep -qx 'MimeType=application/pdf;' "$root/usr/share/applications/$id.desktop" ||
  fail "the desktop entry does not offer to open PDF files"
grep -qx 'Exec=quorvel --modern %f' "$root/usr/share/applications/$id.desktop" ||
  fail "no Modern Mode action"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" > "$root/appstream.log" ||
  { cat "$root/appstream.log" >&2; fail "AppStream metadata"; }

for page in quorvel quorvel-inspect; do
  text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l \
           "$root/usr/share/man/man1/$page.1" 2> "$root/$page.warnings")
  [ ! -s "$root/$page.warnings" ] || { cat "$root/$page.warnings" >&2; fail "$page(1) warns"; }
  grep -q '^SYNOPSIS' <<< "$text" || fail "$page(1) has no SYNOPSIS"
  # Every option the program's own usage text names is in its manual page.
  if [ $page = quorvel ]; then
    usage=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/quorvel" --help)
  else
    usage=$("$root/usr/bin/quorvel-inspect" --help)
  fi
  for option in $(grep -o -- '--[a-z][a-z-]*' <<< "$usage" | sort -u); do
    grep -q -- "$option" <<< "$text" || fail "$page(1) does not mention $option"
  done
done

"$root/usr/bin/quorvel-inspect" --version | grep -q 'Quorvel 1' || fail "quorvel-inspect --version"
QT_QPA_PLATFORM=offscreen "$root/usr/bin/quorvel" --version | grep -q 'Quorvel 1' ||
  fail "quorvel --version"
rm -rf "$root"
echo "installed and validated"
