#!/usr/bin/env bash
# Makes the Debian package of the build and checks it: its files, that its
# dependencies name the libraries and the Qt plugins the viewer needs, and
# that the programs it unpacks run.
set -euo pipefail
build=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -G DEB -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip > cpack.log 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$work"/quorvel_*.deb)
[ -n "$deb" ] || fail "no package"

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6printsupport6 libqt6svg6 qt6-qpa-plugins libjpeg62-turbo \
              libpng16-16 zlib1g libjbig2dec0 libopenjp2-7 liblcms2-2 libssl3; do
  grep -q "$needed" <<< "$depends" || fail "Depends lacks $needed: $depends"
done
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/quorvel ./usr/bin/quorvel-inspect ./usr/share/applications/org.quorvel.Quorvel.desktop \
         ./usr/share/man/man1/quorvel.1 ./usr/share/icons/hicolor/scalable/apps/org.quorvel.Quorvel.svg; do
  grep -q " $f\$" <<< "$contents" || fail "the package lacks $f"
done

dpkg-deb -x "$deb" "$work/root"
"$work/root/usr/bin/quorvel-inspect" --version | grep -q 'Quorvel 1' || fail "quorvel-inspect runs"
QT_QPA_PLATFORM=offscreen "$work/root/usr/bin/quorvel" --version | grep -q 'Quorvel 1' ||
  fail "quorvel runs"
rm -rf "$work"
echo "package $(basename "$deb") checked"
