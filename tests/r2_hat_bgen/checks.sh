#!/usr/bin/env bash
# Checks of r2_hat_bgen on generated BGEN files (bench/make_bgen), whose
# stored dosages lie within delta = 1 / (2 (2^B - 1)) of the three-decimal
# dosages of the VCF written beside them:
#   matches_vcf          for 8, 16 and 3 bits, zlib, zstd and none, phased,
#                        and layout 1: every n equals r2_hat_vcf's on the
#                        VCF; Freq1 and MAF lie within delta / 2 + 0.001, and
#                        r2_hat = v / (2 p q) within what a shift of at most
#                        delta per dosage can make of it (sd within delta,
#                        2 p q within delta), plus the printed rounding
#   batches_and_threads  one pass, any thread count, and three random batches
#                        of samples pooled with --merge: the same report and
#                        sums byte for byte; half the samples from the VCF
#                        and half from the BGEN pool to every sample's n
#   range                --range through the file's .bgi index and by reading
#                        the whole file: the rows of the full report in range;
#                        a chromosome the file lacks and a foreign index refused
#   matches_plink2       r2_hat equals plink2's MACH_R2 x n/(n-1) and Freq1
#                        equals 1 - ALT_FREQS within 0.001 on every variant;
#                        BGEN 1.2 and 1.3 files that plink2 exports from a VCF
#                        agree with r2_hat_vcf on it as above (skipped,
#                        status 77, without plink2)
# Usage: checks.sh CHECK R2_HAT_BGEN MAKE_BGEN R2_HAT_VCF
set -euo pipefail
check=$1 bgen=$2 make_bgen=$3 vcf=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# within DELTA A.info B.info: B's rows within the bounds above of A's.
within() {
   paste <(tail -n +2 "$2") <(tail -n +2 "$3") | awk -F'\t' -v delta="$1" -v label="$3" '
      function abs(x) { return x < 0 ? -x : x }
      {
         if ($1 != $8 || $6 != $13) { print label ": row " NR " differs in SNP or n: " $0; bad++; next }
         if (abs($4 - $11) > delta / 2 + 0.0011 || abs($5 - $12) > delta / 2 + 0.0011) {
            print label ": frequency out of bounds: " $0; bad++
         }
         if ($7 == "-" || $14 == "-") next
         # r2 = v / a with a = 2 p q: a shift of at most delta per dosage moves
         # the standard deviation by delta and a by delta at most; the
         # printed values add their own rounding.
         a = 2 * $4 * (1 - $4)
         if (a < 0.02) next  # rarer than 1%: the printed Freq1 says too little of p q
         alo = a - delta - 0.002; ahi = a + delta + 0.002
         if (alo <= 0) next
         sdlo = sqrt(($7 - 0.0005 > 0 ? $7 - 0.0005 : 0) * alo) - delta
         sdhi = sqrt(($7 + 0.0005) * ahi) + delta
         lo = (sdlo > 0 ? sdlo * sdlo : 0) / ahi - 0.0005
         hi = sdhi * sdhi / alo + 0.0005
         if ($14 < lo || $14 > hi) { print label ": r2_hat outside [" lo ", " hi "]: " $0; bad++ }
      }
      END { exit bad > 0 }'
}

case $check in
matches_vcf)
   for shape in "8 --zlib" "16 --zstd" "3 --none" "8 --zlib --phased" "16 --zlib --layout 1"; do
      set -- $shape
      bits=$1
      shift
      name=b$bits${1#--}${2:-}
      name=${name//-/}
      "$make_bgen" 300 1500 "$name" --bits "$bits" "$@" --seed "$bits"
      "$vcf" -o vcf "$name.vcf" >/dev/null
      "$bgen" -o "$name" "$name.bgen" >/dev/null
      # Layout 1 rounds all three probabilities over 2^15: 1.5 units at most.
      if [[ " $* " == *" --layout 1"* ]]; then
         delta=$(awk 'BEGIN{print 1.5 / 32768}')
      else
         delta=$(awk "BEGIN{print 1 / (2 * ((2 ^ $bits) - 1))}")
      fi
      within "$delta" vcf.info "$name.info"
   done
   ;;
batches_and_threads)
   "$make_bgen" 300 2000 d --bits 8 --seed 5
   "$bgen" --sums -o one d.bgen >/dev/null
   "$bgen" --sums --threads 1 -o serial d.bgen >/dev/null
   cmp one.info serial.info && cmp one.sums serial.sums
   seq 1 300 | awk 'BEGIN { srand(11) } { print "S" $1 > ("batch" int(rand() * 3)) }'
   for b in 0 1 2; do "$bgen" --sums --samples batch$b -o part$b d.bgen >/dev/null; done
   "$bgen" --merge --sums -o pooled part0.sums part1.sums part2.sums >/dev/null
   cmp one.info pooled.info && cmp one.sums pooled.sums
   # VCF and BGEN batches pool through the one merge.
   seq 1 2 300 | sed 's/^/S/' >odd
   seq 2 2 300 | sed 's/^/S/' >even
   "$vcf" --sums --samples odd -o fromvcf d.vcf >/dev/null
   "$bgen" --sums --samples even -o frombgen d.bgen >/dev/null
   "$bgen" --merge -o mixed fromvcf.sums frombgen.sums >/dev/null
   "$vcf" -o all d.vcf >/dev/null
   within "$(awk 'BEGIN{print 1 / 510}')" all.info mixed.info
   ;;
range)
   command -v sqlite3 >/dev/null || { echo "sqlite3 not installed"; exit 77; }
   "$make_bgen" 100 400 d --bits 8 --no-vcf
   "$bgen" -o full d.bgen >/dev/null
   "$bgen" --range 1:20000-30050 -o scanned d.bgen >/dev/null
   sqlite3 d.bgen.bgi <d.bgi.sql
   "$bgen" --range 1:20000-30050 -o indexed d.bgen >/dev/null
   # Positions are 10000 + 100 v: variants 100 .. 200.
   { head -1 full.info; sed -n '102,202p' full.info; } >expected.info
   cmp expected.info scanned.info && cmp expected.info indexed.info
   # A chromosome the file lacks is an error through the index too.
   if "$bgen" --range 9:1-100 -o none d.bgen >out.txt; then exit 1; fi
   grep -q "names no chromosome of \[d.bgen\]" out.txt && [ ! -e none.info ]
   # An index of another file is refused, and nothing is written.
   "$make_bgen" 100 10 other --bits 8 --no-vcf
   cp d.bgen.bgi other.bgen.bgi
   if "$bgen" --range 1:1-99999 -o refused other.bgen >out.txt; then exit 1; fi
   grep -q "it was made for another file" out.txt && [ ! -e refused.info ]
   ;;
matches_plink2)
   command -v plink2 >/dev/null || { echo "plink2 not installed"; exit 77; }
   "$make_bgen" 500 3000 d --bits 8 --no-vcf --seed 3
   "$bgen" --sums -o ours d.bgen >/dev/null
   plink2 --bgen d.bgen ref-first --freq cols=+machr2 --out peer >/dev/null
   # Our values at full precision, from the exact sums: n, sum, sum of squares.
   paste <(tail -n +2 peer.afreq) <(tail -n +3 ours.sums) | awk -F'\t' '
      function abs(x) { return x < 0 ? -x : x }
      {
         n = $13; p = $14 / 2 / n; q = 1 - p
         if (abs(1 - $5 - q) > 0.001) { print "Freq1 " q ": " $0; bad++ }
         if (p == 0 || p == 1) next
         r2 = ($15 - $14 * $14 / n) / (n - 1) / 2 / p / q
         if (abs($6 * n / (n - 1) - r2) > 0.001) { print "r2_hat " r2 ": " $0; bad++ }
      }
      END { exit bad > 0 }'
   # BGEN files written by the peer from a VCF (zlib and zstd) against
   # r2_hat_vcf on that VCF, within a stored probability's rounding.
   "$make_bgen" 300 1000 small --bits 8 --seed 7
   "$vcf" -o fromvcf small.vcf >/dev/null
   for version in bgen-1.2 bgen-1.3; do
      plink2 --vcf small.vcf dosage=DS --export "$version" bits=8 ref-first --out "$version" >/dev/null
      "$bgen" -o "$version" "$version.bgen" >/dev/null
      within "$(awk 'BEGIN{print 1 / 255}')" fromvcf.info "$version.info"
   done
   ;;
*)
   echo "unknown check $check" >&2
   exit 2
   ;;
esac
