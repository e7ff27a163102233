#!/usr/bin/env bash
# Checks of r2_hat_vcf on generated imputed data (bench/make_vcf):
#   merge_halves    the sums of two halves of the samples, pooled with --merge,
#                   against one pass over all samples: every n equal, every sum
#                   within 1e-9 relative, the reports equal except where a value
#                   lies within 1e-9 of a rounding boundary of the third decimal
#   matches_r2_hat  the report equals, byte for byte, r2_hat's on the same
#                   dosages written in its own layout
#   matches_plink2  on 500 samples x 40,000 markers, r2_hat equals plink2's
#                   MACH_R2 x n/(n-1) and Freq1 equals 1 - ALT_FREQS within
#                   0.001 (skipped, status 77, without plink2)
# Usage: checks.sh CHECK R2_HAT_VCF MAKE_VCF R2_HAT
set -euo pipefail
check=$1 vcf=$2 make_vcf=$3 r2hat=$4
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
matches_r2_hat)
   "$make_vcf" 500 4000 data
   "$vcf" --prefix vcf data.vcf >/dev/null
   "$r2hat" -s data.snps -g data.dose -i data.alleles -o r2hat >/dev/null
   cmp vcf.info r2hat.info
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
*)
   echo "unknown check $check" >&2
   exit 2
   ;;
esac
