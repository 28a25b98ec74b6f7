#!/usr/bin/env bash
# bramblet-cli check against an independent S-record implementation: files written by srec_cat
# (S1 and S2 addresses, several line lengths, regions with gaps, pages crossed, CRLF lines) are
# checked by bramblet-cli and by srec_info, and the data byte count and the lowest and highest
# address must agree, and the image's CRC-32 with zlib's over srec_cat's bytes of the pages that
# srec_info's ranges touch.
#   srecord-differential.sh BRAMBLET_CLI
set -euo pipefail
cli=$1
for tool in srec_cat srec_info; do
  command -v "$tool" >/dev/null || {
    echo "$tool is missing: run bash scripts/setup.sh tools" >&2
    exit 1
  }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
cases=0

# srec_info lists the data as merged ranges, lowest first: "Data:   0100 - 017F" and further
# lines of two addresses. Prints "count lowest highest CRC size" in decimal, the CRC in hex.
srecord_summary() {
  local line count=0 first='' last ranges=()
  while read -r line; do
    if [[ $line =~ ^(Data:)?\ *([0-9A-F]+)\ -\ ([0-9A-F]+)$ ]]; then
      local lo=$((16#${BASH_REMATCH[2]})) hi=$((16#${BASH_REMATCH[3]}))
      first=${first:-$lo}
      last=$hi
      count=$((count + hi - lo + 1))
      ranges+=("$lo" "$hi")
    fi
  done < <(srec_info "$1" 2>/dev/null)
  [[ -n $first ]] || { echo 0; return; }
  srec_cat "$1" -fill 0xFF 0 $((last + 1)) -o "$work/image.bin" -binary 2>/dev/null
  echo "$count $first $last $(python3 - "$work/image.bin" "${ranges[@]}" <<'PY'
import sys, zlib
image, bounds = open(sys.argv[1], "rb").read(), [int(a) for a in sys.argv[2:]]
pages = sorted({p for lo, hi in zip(bounds[::2], bounds[1::2]) for p in range(lo >> 8, (hi >> 8) + 1)})
data = b"".join(image[p << 8:(p + 1) << 8].ljust(256, b"\xff") for p in pages)
print("%08X %d" % (zlib.crc32(data), len(data)))
PY
)"
}

# The Label4 line of bramblet-cli, "書込エリア(LLLLLL-HHHHHH)  書込サイズ(Nバイト)", and the
# CRC-32 line after it, "CRC-32: XXXXXXXX (N bytes)".
bramblet_summary() {
  local out
  out=$("$cli" check "$1" | tail -n 2 | paste -sd ' ') || true
  if [[ $out =~ \(([0-9A-F]+)-([0-9A-F]+)\)\ \ .*\(([0-9]+).*CRC-32:\ ([0-9A-F]{8})\ \(([0-9]+) ]]; then
    printf '%d %d %d %s %d\n' "${BASH_REMATCH[3]}" "0x${BASH_REMATCH[1]}" "0x${BASH_REMATCH[2]}" \
      "${BASH_REMATCH[4]}" "${BASH_REMATCH[5]}"
  else
    echo 0
  fi
}

compare() {  # name file
  local ours theirs
  ours=$(bramblet_summary "$2")
  theirs=$(srecord_summary "$2")
  cases=$((cases + 1))
  if [[ $ours != "$theirs" ]]; then
    echo "FAIL $1: bramblet-cli says '$ours', srec_info says '$theirs' (count lowest highest CRC-32 size)"
    failures=$((failures + 1))
  else
    echo "ok   $1: $ours"
  fi
}

generate() {  # name address-length line-length srec_cat-inputs...
  local name=$1 alen=$2 llen=$3
  shift 3
  srec_cat "$@" -address-length="$alen" -line-length="$llen" -o "$work/$name.mot" 2>/dev/null
  compare "$name" "$work/$name.mot"
}

# One region on page boundaries, S1, at the shortest and longest lines srec_cat writes.
for llen in 16 46 78 255; do
  generate "s1-line$llen" 2 "$llen" -generate 0xE000 0x10000 -random
done
# Regions with gaps, some starting and ending inside pages, some crossing them; the CRC takes
# each touched page whole.
generate s1-gaps 2 64 -generate 0x0001 0x0003 -constant 0x5A -generate 0x00FF 0x0101 -random \
  -generate 0x1234 0x2345 -repeat-data 1 2 3 -generate 0xFFF0 0x10000 -random
for llen in 20 78 140; do
  generate "s2-gaps-line$llen" 3 "$llen" -generate 0x000000 0x000100 -random \
    -generate 0x00FFF9 0x010007 -repeat-data 0xAA 0x55 -generate 0x0A0000 0x0A4000 -random \
    -generate 0x0FFFFE 0x100002 -constant 0 -generate 0xFFFF00 0x1000000 -random
done
# S2 with addresses that would also fit S1, and single bytes.
generate s2-low 3 78 -generate 0x0000 0x0001 -constant 1 -generate 0x8000 0x9000 -random
# Many small regions from a fixed seed, over the whole S2 space.
args=()
address=0
RANDOM=7
for _ in $(seq 60); do
  address=$((address + RANDOM * 8 + 1))
  length=$((RANDOM % 700 + 1))
  ((address + length <= 0x1000000)) || break
  args+=(-generate "$address" "$((address + length))" -random)
  address=$((address + length))
done
generate s2-scattered 3 100 "${args[@]}"

# The same files with CRLF line ends read the same.
sed 's/$/\r/' "$work/s2-gaps-line78.mot" >"$work/crlf.mot"
compare s2-crlf "$work/crlf.mot"

# S3 data is not this writer's: srec_info sees bytes, bramblet-cli refuses the file.
srec_cat -generate 0x1000 0x1100 -random -address-length=4 -o "$work/s3.mot" 2>/dev/null
cases=$((cases + 1))
if [[ $(bramblet_summary "$work/s3.mot") != 0 || $(srecord_summary "$work/s3.mot") != "256 4096 4351 "* ]]; then
  echo "FAIL s3: expected bramblet-cli to find no data in S3 records"
  failures=$((failures + 1))
else
  echo "ok   s3: no S1 or S2 data"
fi

echo "$cases files, $failures disagreements"
((failures == 0))
