#!/usr/bin/env bash
# Shows that deckgen's memory is bounded: its peak resident memory (/usr/bin/time %M)
# for a 1000-page plain TeX document is within 10 percent of that for a 10-page one,
# and crafted files that declare far more than they hold cost memory only for the
# bytes really there:
#   - a special declaring a 4 GiB length in a file of about 100 bytes,
#   - a postamble stack depth of 65535, with a page pushing once and one pushing
#     65535 times (the saved registers are the only memory that may grow, 24 bytes a
#     push, for one byte of file each),
#   - a TFM file of 100 bytes whose header counts are all 65535.
# Each is compared with a one-page document without fonts. And deckgen-pptx stays under
# 512 MiB, and within the time it gives the document's PostScript, on hostile PostScript:
# three specials painting a million squares each, one path of a million segments, and
# specials that never end. Exits non-zero when a bound is exceeded.
#   fuzz/memory-check.sh [DECKGEN [DECKGEN_PPTX]]
#   (default: builds build-mem and uses its programs)
#   fuzz/memory-check.sh --pptx DECKGEN_PPTX   (deckgen-pptx's checks only; the test
#   command runs these)
# The peak memory /usr/bin/time reports is the largest of the program and the programs
# it ran: kpsewhich's (about 5 MiB) where a file has fonts.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
pptx_only=false
if [ "${1:-}" = "--pptx" ] && [ $# -eq 2 ]; then
  pptx_only=true
  deckgen_pptx=$(realpath "$2")
elif [ $# -ge 1 ]; then
  deckgen=$(realpath "$1")
  deckgen_pptx=$(realpath "${2:-$(dirname "$1")/deckgen-pptx}")
else
  cmake -S "$root" -B "$root/build-mem" -DCMAKE_BUILD_TYPE=Release -DDECKGEN_TESTS=OFF >/dev/null
  make -C "$root/build-mem" -j2 deckgen deckgen-pptx >/dev/null
  deckgen=$root/build-mem/deckgen
  deckgen_pptx=$root/build-mem/deckgen-pptx
fi
if [ ! -x /usr/bin/time ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -q >/dev/null
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends time >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Peak resident memory in KiB of one conversion, the least of three runs (the runs
# differ only by noise, which only adds). The package goes to /dev/null; the status
# of deckgen is reported, not checked: crafted files are meant to be refused.
peak() {
  local best="" kib
  for _ in 1 2 3; do
    /usr/bin/time -f %M -o rss.txt "$deckgen" "$1" /dev/null 2>/dev/null || true
    kib=$(tail -n 1 rss.txt)
    if [ -z "$best" ] || [ "$kib" -lt "$best" ]; then best=$kib; fi
  done
  echo "$best"
}

status=0
report() {  # name kib limit_kib
  local verdict=ok
  if [ "$2" -gt "$3" ]; then verdict=EXCEEDED; status=1; fi
  printf '%-44s %8s KiB  (limit %s KiB) %s\n' "$1" "$2" "$3" "$verdict"
}

if ! $pptx_only; then
# Plain TeX documents of N pages: text in two fonts, math, rules and colour specials.
document() {
  sed "s/PAGES/$1/" >"doc$1.tex" <<'TEX'
\newcount\n \n=0
\loop \advance\n by 1
  {\bf Page \the\n.} The quick brown fox jumps over the lazy dog, $x^2+y_i=\alpha$.
  \special{color push rgb 1 0 0}Red words\special{color pop} and black ones again.
  \hrule \vskip 2pt \hbox{\vrule width 20pt height 4pt \it italic text}
  \vfill\eject
\ifnum\n<PAGES \repeat
\bye
TEX
  tex -interaction=batchmode "doc$1.tex" >/dev/null
}
document 10
document 1000

# The crafted files, assembled byte by byte.
python3 - "$work" <<'PY'
import struct, sys, os
work = sys.argv[1]

def pre():
    return bytes([247, 2]) + struct.pack(">III", 25400000, 473628672, 1000) + bytes([0])

def bop():
    return bytes([139]) + struct.pack(">10i", *([0] * 10)) + struct.pack(">i", -1)

def finish(body, last_bop, stack_depth, pages=1):
    post = len(body)
    body += bytes([248]) + struct.pack(">iIIIii", last_bop, 25400000, 473628672, 1000, 0, 0)
    body += struct.pack(">HH", stack_depth, pages)
    body += bytes([249]) + struct.pack(">i", post) + bytes([2, 223, 223, 223, 223])
    return body

def write(name, data):
    with open(os.path.join(work, name), "wb") as f:
        f.write(data)
    return len(data)

# A page without fonts: the reference.
p = pre(); b = len(p)
write("baseline.dvi", finish(p + bop() + bytes([140]), b, 100))

# xxx4 declaring 0xFFFFFFFF bytes, followed only by the postamble.
p = pre(); b = len(p)
size = write("special.dvi", finish(p + bop() + bytes([242]) + struct.pack(">I", 0xFFFFFFFF), b, 100))
print(f"special.dvi: {size} bytes, special length 4294967295")

# Stack depth 65535: one push, then 65535 pushes and as many pops.
for name, pushes in (("stack1.dvi", 1), ("stack65535.dvi", 65535)):
    p = pre(); b = len(p)
    size = write(name, finish(p + bop() + bytes([141]) * pushes + bytes([142]) * pushes + bytes([140]), b, 65535))
    print(f"{name}: {size} bytes, stack depth 65535, {pushes} pushes")

# A TFM file of 100 bytes whose twelve header counts are all 65535 (bc 0, ec 65535),
# defined by its absolute path as the font's area.
tfm = struct.pack(">12H", *([65535, 65535, 0] + [65535] * 9))
tfm += bytes(100 - len(tfm))
write("hugecounts.tfm", tfm)
area = (work + "/").encode()
name = b"hugecounts"
fontdef = bytes([243, 0]) + struct.pack(">iii", 0, 10 << 16, 10 << 16) + bytes([len(area), len(name)]) + area + name
p = pre(); b = len(p)
write("tfm.dvi", finish(p + bop() + fontdef + bytes([140]), b, 100))
print("hugecounts.tfm: 100 bytes, every header count 65535")
PY


base=$(peak baseline.dvi)
printf '%-44s %8s KiB\n' "one empty page (reference)" "$base"

# The documents must convert, or their figures would say nothing.
for pages in 10 1000; do
  if ! "$deckgen" "doc$pages.dvi" /dev/null; then
    echo "memory-check: deckgen failed on the $pages-page document" >&2
    exit 1
  fi
done
small=$(peak doc10.dvi)
large=$(peak doc1000.dvi)
printf '%-44s %8s KiB  (%s bytes of DVI)\n' "10-page document" "$small" "$(stat -c %s doc10.dvi)"
printf '%-44s %8s KiB  (%s bytes of DVI)\n' "1000-page document" "$large" "$(stat -c %s doc1000.dvi)"
diff=$(( large > small ? large - small : small - large ))
percent=$(awk -v d="$diff" -v s="$small" 'BEGIN { printf "%.2f", 100 * d / s }')
if awk -v p="$percent" 'BEGIN { exit !(p < 10) }'; then
  echo "10 vs 1000 pages: peak memory differs by $percent% (< 10%) ok"
else
  echo "10 vs 1000 pages: peak memory differs by $percent% (>= 10%) EXCEEDED"
  status=1
fi

# One MiB of slack for the crafted files; the 65535 pushes may add their registers
# (24 bytes each, 1.5 MiB) and a vector's growth on top.
report "special of 4 GiB declared in a 104-byte file" "$(peak special.dvi)" $((base + 1024))
report "stack depth 65535, one push" "$(peak stack1.dvi)" $((base + 1024))
report "stack depth 65535, 65535 pushes" "$(peak stack65535.dvi)" $((base + 4096))
report "TFM of 100 bytes with counts 65535" "$(peak tfm.dvi)" $((base + 1024))
for f in special stack1 stack65535 tfm; do
  printf '  %s.dvi: ' "$f"; "$deckgen" "$f.dvi" /dev/null 2>&1 && echo "(converted)" || echo
done

fi

# deckgen-pptx on hostile PostScript: its own peak memory, and its time against the
# budget it was given (5 s) with three seconds of slack for the rest of the conversion.
cat >squares.tex <<'TEX'
\def\squares{\special{ps: 0 1 1000000 {pop 0 0 moveto 1 0 rlineto 0 1 rlineto closepath fill} for}}
\squares x\squares\squares
\special{ps: 0 0 moveto 0 1 1000000 {dup 1000 mod exch 1000 idiv lineto} for fill}
\bye
TEX
cat >loops.tex <<'TEX'
\def\loops{\special{ps: {} loop}\special{" {} loop}}
\loops x\vfill\eject \loops y\vfill\eject \loops z
\bye
TEX
for doc in squares loops; do
  tex -interaction=batchmode "$doc.tex" >/dev/null
  /usr/bin/time -f '%M %e' -o rss.txt "$deckgen_pptx" --postscript-seconds 5 "$doc.dvi" \
    "$doc.pptx" 2>"$doc.warnings"
  read -r kib seconds <rss.txt
  report "deckgen-pptx, $doc.tex" "$kib" $((512 * 1024))
  sed 's/^/  /' "$doc.warnings"
  if awk -v s="$seconds" 'BEGIN { exit !(s > 8) }'; then
    echo "deckgen-pptx, $doc.tex: $seconds s, past its 5 s of PostScript EXCEEDED"
    status=1
  fi
done
exit $status
