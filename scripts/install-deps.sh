#!/usr/bin/env bash
# Installs the Debian 12 packages that Quorvel needs and that are missing.
# Usage: scripts/install-deps.sh [build|gui|bench|fuzz]...   (default: build)
set -euo pipefail

build_pkgs=(build-essential cmake pkg-config qt6-base-dev qt6-svg-dev zlib1g-dev libjpeg62-turbo-dev
  libturbojpeg0-dev libpng-dev libmd-dev libgtest-dev libgmock-dev libtiff-dev
  libbenchmark-dev nlohmann-json3-dev
  # modern mode's decoders and colour management
  libjbig2dec0-dev libopenjp2-7-dev liblcms2-dev
  # the standard security handler's ciphers and digests
  libssl-dev
  # producers and oracles of the modern-mode tests, run at test time
  qpdf ghostscript texlive-binaries
  # the hex view's oracle (hexdump -C)
  bsdextrautils
  # the check of quorvel-inspect --json documents against docs/json.schema.json
  python3-jsonschema
  # image producers and pixel oracles of the modern image tests
  jbig2dec libopenjp2-tools liblcms2-utils imagemagick img2pdf libtiff-tools poppler-utils
  mupdf-tools
  # the application icon's bitmap sizes, and the checks of the installed
  # desktop entry, AppStream metadata and manual pages
  librsvg2-bin desktop-file-utils appstream man-db
  # the signature tests' certificate (openssl) and its database (certutil,
  # pk12util) for pdfsig
  openssl libnss3-tools)
gui_pkgs=(xvfb xauth)
bench_pkgs=(qpdf mupdf-tools poppler-utils)
fuzz_pkgs=(clang libclang-rt-14-dev)

wanted=()
for group in "${@:-build}"; do
  case "$group" in
    build) wanted+=("${build_pkgs[@]}") ;;
    gui) wanted+=("${gui_pkgs[@]}") ;;
    bench) wanted+=("${bench_pkgs[@]}") ;;
    fuzz) wanted+=("${fuzz_pkgs[@]}") ;;
    *) echo "unknown package group: $group" >&2; exit 2 ;;
  esac
done

missing=()
for pkg in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$pkg")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
