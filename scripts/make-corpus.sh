#!/usr/bin/env bash
# Builds a corpus of real PDF files for scripts/sweep.sh, outside git, from
# what real producers write on this machine:
#   - the PDF files Debian installed (also gzipped ones in /usr/share/doc), and
#     with --debian-docs those of a few documentation packages, downloaded and
#     unpacked without installing them (TeX Live's and Ghostscript's manuals,
#     gnuplot's): files from pdfTeX, LuaTeX, Ghostscript and others;
#   - Ghostscript's pdfwrite of every PostScript and EPS file on the machine;
#   - qpdf's transformations of each real file (object and cross-reference
#     streams, linearized, QDF, AES-256 and RC4 encrypted with an empty user
#     password), Ghostscript's rewrite and cairo's (pdftocairo);
#   - ImageMagick's pictures as libtiff's tiff2pdf and img2pdf wrap them, in
#     each compression they write.
# Usage: scripts/make-corpus.sh DIR [--debian-docs]
set -uo pipefail

out=${1:?usage: make-corpus.sh DIR [--debian-docs]}
docs=${2:-}
mkdir -p "$out"/{installed,debian-docs,ghostscript,derived,images}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
count() { find "$out/$1" -type f -name '*.pdf' | wc -l; }

# Real files on the machine.
find / -xdev \( -path /proc -o -path /sys -o -path /tmp -o -path /work -o -path "$out" \) -prune -o \
  -type f \( -iname '*.pdf' -o -iname '*.pdf.gz' \) -print 2>/dev/null |
  while read -r f; do
    name=$(echo "$f" | tr '/ ' '__' | sed 's/\.gz$//')
    case "$f" in
      *.gz) gzip -dc "$f" > "$out/installed/$name" 2>/dev/null ;;
      *) cp "$f" "$out/installed/$name" ;;
    esac
  done
echo "installed: $(count installed)"

if [ "$docs" = --debian-docs ]; then
  (cd "$work" && apt-get download -qq texlive-fonts-recommended-doc texlive-latex-recommended-doc \
     texlive-latex-base-doc ghostscript-doc gnuplot-doc > /dev/null 2>&1)
  for deb in "$work"/*.deb; do
    [ -f "$deb" ] || continue
    dpkg-deb -x "$deb" "$work/x"
  done
  find "$work/x" -type f \( -iname '*.pdf' -o -iname '*.pdf.gz' \) 2>/dev/null | while read -r f; do
    name=$(basename "$f" .gz)
    case "$f" in
      *.gz) gzip -dc "$f" > "$out/debian-docs/$name" 2>/dev/null ;;
      *) cp "$f" "$out/debian-docs/$name" ;;
    esac
  done
  rm -rf "$work/x" "$work"/*.deb
  echo "debian-docs: $(count debian-docs)"
fi

# Ghostscript's pdfwrite of PostScript and EPS on the machine.
find / -xdev \( -path /proc -o -path /sys -o -path /tmp -o -path /work -o -path "$out" \) -prune -o \
  -type f \( -iname '*.ps' -o -iname '*.eps' \) -print 2>/dev/null | head -300 |
  while read -r f; do
    name=$(echo "$f" | tr '/ ' '__')
    timeout 60 gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -dEPSCrop \
      -sOutputFile="$out/ghostscript/$name.pdf" "$f" > /dev/null 2>&1 ||
      rm -f "$out/ghostscript/$name.pdf"
  done
echo "ghostscript: $(count ghostscript)"

# Each real file as other producers rewrite it.
find "$out/installed" "$out/debian-docs" -type f -name '*.pdf' | head -60 | while read -r f; do
  base=$(basename "$f" .pdf)
  d="$out/derived/$base"
  timeout 60 qpdf --object-streams=generate "$f" "$d.objstm.pdf" > /dev/null 2>&1
  timeout 60 qpdf --linearize "$f" "$d.linearized.pdf" > /dev/null 2>&1
  timeout 60 qpdf --qdf "$f" "$d.qdf.pdf" > /dev/null 2>&1
  timeout 60 qpdf --encrypt "" owner 256 -- "$f" "$d.aes256.pdf" > /dev/null 2>&1
  timeout 60 qpdf --allow-weak-crypto --encrypt "" owner 128 --use-aes=n -- "$f" "$d.rc4.pdf" \
    > /dev/null 2>&1
  timeout 120 gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile="$d.gs.pdf" "$f" \
    > /dev/null 2>&1
  timeout 120 pdftocairo -pdf "$f" "$d.cairo.pdf" > /dev/null 2>&1
done
find "$out/derived" -type f -size 0 -delete
echo "derived: $(count derived)"

# Pictures from ImageMagick, wrapped by tiff2pdf and img2pdf.
convert -size 300x200 gradient:navy-gold "$work/gradient.png" 2> /dev/null
convert -size 300x200 plasma:fractal -seed 7 "$work/plasma.jpg" 2> /dev/null
convert -size 600x400 xc:white -draw "circle 300,200 300,20" -monochrome "$work/mono.png" \
  2> /dev/null
# Debian's ImageMagick policy forbids writing PDF: its TIFF files in each
# compression go through libtiff's tiff2pdf instead.
for picture in gradient.png plasma.jpg mono.png; do
  for compress in None Zip LZW JPEG Group4; do
    tiff="$work/${picture%.*}-$compress.tif"
    convert "$work/$picture" -compress "$compress" "$tiff" 2> /dev/null || continue
    tiff2pdf -o "$out/images/${picture%.*}-$compress.pdf" "$tiff" 2> /dev/null
    tiff2pdf -z -o "$out/images/${picture%.*}-$compress-zip.pdf" "$tiff" 2> /dev/null
  done
done
convert "$work/plasma.jpg" -colorspace CMYK "$work/cmyk.tif" 2> /dev/null &&
  tiff2pdf -j -o "$out/images/plasma-cmyk-jpeg.pdf" "$work/cmyk.tif" 2> /dev/null
convert "$work/gradient.png" -alpha set -channel A -evaluate set 50% "$work/alpha.png" 2> /dev/null
img2pdf "$work/alpha.png" -o "$out/images/img2pdf-alpha.pdf" 2> /dev/null
img2pdf "$work/plasma.jpg" -o "$out/images/img2pdf-jpeg.pdf" 2> /dev/null
img2pdf "$work/gradient.png" -o "$out/images/img2pdf-png.pdf" 2> /dev/null
img2pdf "$work/mono.png" -o "$out/images/img2pdf-mono.pdf" 2> /dev/null
find "$out/images" -type f -size 0 -delete
echo "images: $(count images)"
echo "total: $(find "$out" -type f -name '*.pdf' | wc -l) files in $out"
