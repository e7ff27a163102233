#!/usr/bin/env bash
# Checks of r2_hat_vcf on generated imputed data (bench/make_vcf):
#   merge_halves    the sums of two halves of the samples, pooled with --merge,
#                   against one pass over all samples: every n equal, every sum
#                   within 1e-9 relative, the reports equal except where a value
#                   lies within 1e-9 of a rounding boundary of the third decimal
#   matches_r2_hat  the report equals r2_hat's on the same dosages written in
#                   its own layout, except where a value lies on a rounding
#                   tie of the third decimal (r2_hat adds doubles in line
#                   order, r2_hat_vcf the decimals exactly)
#   matches_plink2  on 500 samples x 40,000 markers, r2_hat equals plink2's
#                   MACH_R2 x n/(n-1) and Freq1 equals 1 - ALT_FREQS within
#                   0.001 (skipped, status 77, without plink2)
#   merge_exact     two-decimal dosages (many markers exactly on a rounding
#                   tie) split at random into 2, 3 and 5 batches of samples,
#                   pooled with --merge: the report and the sums equal one
#                   pass over all samples byte for byte
#   bgzip_blocks    the same data as bgzip VCF (BGZF blocks inflated on the
#                   parsing threads, or by htslib on one core) give the plain
#                   file's report; a corrupt block in the middle and a file cut
#                   at a block's edge are reported as unreadable
# Usage: checks.sh CHECK R2_HAT_VCF MAKE_VCF R2_HAT VCF_TO_BCF
set -euo pipefail
check=$1 vcf=$2 make_vcf=$3 r2hat=$4 to_bgzf=${5:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

case $check in
merge_halves)
   "$make_vcf" 300 3000 data m
   head -1000 data.vcf | awk -F'\t' '/^#CHROM/ { for (i = 10; i <= NF; i++) print $i > (i % 2 ? "a" : "b") }'
   "$vcf" --sums --prefix all data.vcf >/dev/null
   "$vcf" --sums --samples a --prefix a data.vcf >/dev/null
   "$vcf" --sums --samples b --prefix b data.vcf >/dev/null
   "$vcf" --merge --sums --prefix pooled a.sums b.sums >/dev/null
   # Columns 6-8 of the sums (n, sum, sumsq), then the report's 4, 5 and 7.
   paste <(tail -n +3 all.sums) <(tail -n +3 pooled.sums) <(tail -n +2 all.info) \
      <(tail -n +2 pooled.info) | awk -F'\t' '
      function off(x, y) { return x - y > 1e-9 * (x < 0 ? -x : x) || y - x > 1e-9 * (x < 0 ? -x : x) }
      # Whether v lies within 1e-9 of a point halfway between two printed values.
      function edge(v,   f) { f = v * 1000 - int(v * 1000); return f - 0.5 < 1e-6 && 0.5 - f < 1e-6 }
      {
         if ($1 != $9 || $2 != $10 || $4 != $12 || $5 != $13 || $6 != $14) { print "row " NR " differs: " $0; bad++; next }
         if (off($7, $15) || off($8, $16)) { print "sums differ: " $0; bad++ }
         n = $6; p = $7 / 2 / n; q = 1 - p
         r2 = (p > 0 && p < 1 && n > 1) ? (($8 - $7 * $7 / n) / (n - 1) / 2 / p / q) : 0
         split("4 5 7", c, " "); split(q " " (q > p ? p : q) " " r2, v, " ")
         for (k = 1; k <= 3; k++) if ($(16 + c[k]) != $(23 + c[k]) && !edge(v[k] + 0)) { print "report differs: " $0; bad++ }
         rows++
      }
      END { printf "%d markers pooled, %d faults\n", rows, bad; exit (bad > 0 || rows < 3000) }'
   ;;
merge_exact)
   "$make_vcf" 300 3000 three m
   sed -E '/^#/!s/([0-9]\.[0-9]{2})[0-9]/\1/g' three.vcf >data.vcf
   "$vcf" --sums --prefix all data.vcf >/dev/null
   for batches in 2 3 5; do
      head -1000 data.vcf | awk -F'\t' -v k=$batches -v seed=$batches '/^#CHROM/ {
         srand(seed); for (i = 10; i <= NF; i++) print $i > ("b" int(rand() * k)) }'
      sums=()
      for list in b*; do
         "$vcf" --sums --samples "$list" --prefix "$list" data.vcf >/dev/null
         sums+=("$list.sums")
      done
      "$vcf" --merge --sums --prefix pooled "${sums[@]}" >/dev/null
      cmp all.info pooled.info && cmp all.sums pooled.sums || exit 1
      rm -f b*
   done
   echo "3000 markers: one pass and pooled batches give the same report and sums"
   ;;
matches_r2_hat)
   # r2_hat adds doubles in line order, r2_hat_vcf adds the decimals exactly:
   # a printed value may differ only where it lies on a rounding tie.
   "$make_vcf" 500 4000 data
   "$vcf" --sums --prefix vcf data.vcf >/dev/null
   "$r2hat" -s data.snps -g data.dose -i data.alleles -o r2hat >/dev/null
   paste <(tail -n +3 vcf.sums) <(tail -n +2 vcf.info) <(tail -n +2 r2hat.info) | awk -F'\t' '
      function edge(v,   f) { f = v * 1000 - int(v * 1000); return f - 0.5 < 1e-6 && 0.5 - f < 1e-6 }
      {
         rows++
         if ($9 != $16 || $10 != $17 || $11 != $18 || $14 != $21) { print "row " NR " differs: " $0; bad++; next }
         n = $6; p = $7 / 2 / n; q = 1 - p
         if ($12 != $19 && !edge(q)) { print "Freq1 differs off a tie: " $0; bad++ }
         if ($13 != $20 && !edge(q > p ? p : q)) { print "MAF differs off a tie: " $0; bad++ }
         if ($15 != $22) {
            r2 = (($8 - $7 * $7 / n) / (n - 1) / 2 / p / q)
            if (!edge(r2)) { print "r2_hat differs off a tie: " $0; bad++ }
            ties++
         }
         if ($12 != $19 || $13 != $20) ties++
      }
      END { printf "%d markers, %d at a tie, %d faults\n", rows, ties, bad; exit (bad > 0 || rows < 4000) }'
   ;;
matches_plink2)
   command -v plink2 >/dev/null || { echo "plink2 not installed: skipped"; exit 77; }
   "$make_vcf" 500 40000 data
   "$vcf" --prefix vcf data.vcf >/dev/null
   plink2 --vcf data.vcf dosage=DS --freq cols=+machr2 --threads 2 --out plink >/dev/null
   # Rows in the same order; columns ALT_FREQS 5 and MACH_R2 6 of plink2.
   paste <(tail -n +2 vcf.info) <(tail -n +2 plink.afreq) | awk -F'\t' '
      function away(x, y) { return x - y > 0.001 || y - x > 0.001 }
      $1 != $9 { print "markers differ: " $0; bad++; next }
      away($4, 1 - $12) { print "Freq1 differs: " $0; bad++ }
      $7 != "-" && away($7, $13 * $6 / ($6 - 1)) { print "r2_hat differs: " $0; bad++ }
      $7 != "-" { compared++ }
      { rows++ }
      END { printf "%d markers, r2_hat compared on %d, %d faults\n", rows, compared, bad
            exit (bad > 0 || rows != 40000) }'
   ;;
bgzip_blocks)
   "$make_vcf" 300 4000 data m
   "$to_bgzf" data.vcf data.vcf.gz
   "$vcf" --prefix plain data.vcf >/dev/null
   "$vcf" --prefix blocks data.vcf.gz >/dev/null
   taskset -c 0 "$vcf" --prefix one data.vcf.gz >/dev/null
   cmp plain.info blocks.info
   cmp plain.info one.info
   size=$(stat -c %s data.vcf.gz)
   # A byte of compressed data flipped halfway, and the file cut inside a block.
   { head -c $((size / 2)) data.vcf.gz; printf '\377'; tail -c +$((size / 2 + 2)) data.vcf.gz; } >bad.vcf.gz
   head -c $((size / 2)) data.vcf.gz >cut.vcf.gz
   refused() {  # INPUT COMMAND...
      local input=$1 status=0
      shift
      "$@" >out.txt || status=$?
      grep -q "^File \[$input\] \(could not be read to its end (after line [0-9]*)\|is truncated\)" out.txt ||
         { echo "$input: unexpected message"; cat out.txt; exit 1; }
      [ $status = 1 ] && [ ! -e out.info ] || { echo "$input: status $status or a report left"; exit 1; }
   }
   refused bad.vcf.gz "$vcf" --prefix out bad.vcf.gz
   refused cut.vcf.gz "$vcf" --prefix out cut.vcf.gz
   refused bad.vcf.gz taskset -c 0 "$vcf" --prefix out bad.vcf.gz
   echo "$(tail -n +2 plain.info | wc -l) markers alike, corrupt and cut files refused"
   ;;
*)
   echo "unknown check $check" >&2
   exit 2
   ;;
esac
