#!/usr/bin/env bash
# Checks of the Snakemake workflow (workflow/Snakefile) against one pass of the
# programs over all samples (skipped, status 77, without snakemake):
#   demo        the bundled example in 2 regions x 2 batches: the cohort report,
#               the r2_summary table and picture byte for byte
#   generated   3 regions x 3 random batches of samples of generated data: a
#               BGEN file split in windows over its index (exact sums: byte
#               for byte), and a BCF of two chromosomes split by a list of
#               regions (32-bit floats: every n equal, the values equal except
#               within 1e-9 of a rounding boundary of the third decimal)
#   dosages     a file in r2_hat's layout in chunks of markers: r2_hat's report
#   bad_input   a file missing from the table, batches that disagree on a
#               marker's alleles, a region outside the contigs: the run fails
#               with the message, and no cohort report or summary is left
# Usage: checks.sh CHECK SOURCE-DIR BUILD-DIR MAKE_VCF MAKE_BGEN VCF_TO_BCF
set -euo pipefail
check=$1 src=$2 bin=$3 make_vcf=$4 make_bgen=$5 to_bcf=$6
command -v snakemake >/dev/null || { echo "snakemake not installed: skipped"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
vcf=$bin/r2_hat_vcf/r2_hat_vcf bgen=$bin/r2_hat_bgen/r2_hat_bgen summary=$bin/r2_summary/r2_summary

run() {  # run CONFIG: the workflow with its outputs in out/
   snakemake -s "$src/workflow/Snakefile" --cores 2 --configfile "$1" --config bin="$bin" out=out \
      --quiet >run.log 2>&1
}
# same_summary: r2_summary on one-pass chromosome reports in ref/ gives the
# workflow's table, pictures and page, under the same names.
same_summary() {
   (cd ref && "$summary" -o out/summary out/chromosomes/*.info >/dev/null)
   for output in summary.tsv svg curves.svg html; do
      cmp ref/out/summary.$output out/summary.$output || exit 1
   done
}
batches() {  # batches SAMPLES: S1..SAMPLES split at random into b0, b1, b2
   seq 1 "$1" | awk 'BEGIN { srand(7) } { print "S" $1 > ("b" int(rand() * 3)) }'
}

case $check in
demo)
   cp -r "$src/examples" .
   run examples/workflow/demo.yaml || { cat run.log; exit 1; }
   mkdir -p ref/out/chromosomes
   "$vcf" --prefix ref/out/chromosomes/1 examples/demo/dosages.vcf.gz >/dev/null
   cmp ref/out/chromosomes/1.info out/cohort.info
   cmp out/chromosomes/1.info out/cohort.info
   same_summary
   # Intermediates are removed: the sums and region reports.
   [ -z "$(find out -name '*.sums' -o -path 'out/regions/*' -type f)" ]
   ;;
generated)
   "$make_bgen" 300 3000 d --bits 8 --no-vcf --seed 5
   python3 -c 'import sqlite3, sys; sqlite3.connect("d.bgen.bgi").executescript(open("d.bgi.sql").read())'
   batches 300
   {
      echo "out: out"
      echo "files:"
      for b in b0 b1 b2; do echo "  - {file: d.bgen, batch: $b, samples: $b, window: 105000}"; done
   } >bgen.yaml
   run bgen.yaml || { cat run.log; exit 1; }
   [ "$(ls out/logs/merge/1 | wc -l)" = 3 ]
   mkdir -p ref/out/chromosomes
   "$bgen" -o ref/out/chromosomes/1 d.bgen >/dev/null
   cmp ref/out/chromosomes/1.info out/cohort.info
   same_summary
   rm -rf out ref

   # Markers from the 1801st on chromosome 2.
   "$make_vcf" 300 3000 data m
   awk -F'\t' -v OFS='\t' '/^##contig/ { print; print "##contig=<ID=2,length=1000000>"; next }
      !/^#/ && ++n > 1800 { $1 = 2 } { print }' data.vcf >two.vcf
   "$to_bcf" two.vcf two.bcf
   {
      echo "files:"
      for b in b0 b1 b2; do echo "  - {file: two.bcf, batch: $b, samples: $b, regions: ['1:1-40000', '1:40001', '2']}"; done
   } >bcf.yaml
   run bcf.yaml || { cat run.log; exit 1; }
   mkdir -p ref/out/chromosomes
   "$vcf" --sums --prefix all two.bcf >/dev/null
   [ "$(tail -n +2 all.info | wc -l)" -gt 3000 ]
   awk -F'\t' 'NR > 2 { print $1 }' all.sums | paste - <(tail -n +2 all.info) >rows
   for c in 1 2; do
      { head -1 all.info; awk -F'\t' -v OFS='\t' -v c=$c '$1 == c { $1 = ""; print substr($0, 2) }' rows; } \
         >ref/out/chromosomes/$c.info
   done
   # n, sum and sumsq of one pass, then its report and the workflow's.
   paste <(tail -n +3 all.sums) <(tail -n +2 all.info) <(tail -n +2 out/cohort.info) | awk -F'\t' '
      function edge(v,   f) { f = v * 1000 - int(v * 1000); return f - 0.5 < 1e-6 && 0.5 - f < 1e-6 }
      {
         if ($9 != $16 || $10 != $17 || $11 != $18 || $14 != $21) { print "row " NR " differs: " $0; bad++; next }
         n = $6; p = $7 / 2 / n; q = 1 - p
         r2 = (p > 0 && p < 1 && n > 1) ? (($8 - $7 * $7 / n) / (n - 1) / 2 / p / q) : 0
         split("12 13 15", c, " "); split(q " " (q > p ? p : q) " " r2, v, " ")
         for (k = 1; k <= 3; k++) if ($(c[k]) != $(c[k] + 7)) { if (edge(v[k] + 0)) ties++; else { print "differs: " $0; bad++ } }
         rows++
      }
      END { printf "%d rows, %d at a rounding boundary, %d faults\n", rows, ties, bad; exit (bad > 0 || rows < 3000) }'
   # Near a boundary a value may differ (checked above); none lies there in
   # this data, so the reports, table and picture are equal byte for byte.
   cmp all.info <(awk 'FNR > 1 || NR == 1' out/chromosomes/1.info out/chromosomes/2.info)
   same_summary
   cmp <(cut -f1 out/chromosomes/2.info | sed 1d) <(awk -F'\t' '$1 == 2 { print $2 }' rows)
   ;;
dosages)
   "$make_vcf" 200 2500 data
   "$bin/r2_hat" -s data.snps -g data.dose -i data.alleles -o whole >/dev/null
   printf 'chunk: 1000\nfiles:\n  - {name: data, dosages: data.dose, snps: data.snps, info: data.alleles}\n' >d.yaml
   run d.yaml || { cat run.log; exit 1; }
   [ "$(ls out/logs/dosages/data | wc -l)" = 3 ]
   cmp whole.info out/dosages/data.report
   [ ! -e out/cohort.info ]
   ;;
bad_input)
   cp -r "$src/examples" .
   demo=examples/demo/dosages.vcf.gz
   fails() {  # fails CONFIG MESSAGE: the run stops with MESSAGE and leaves no final output
      if run "$1"; then echo "$1: the run succeeded"; exit 1; fi
      grep -qF "$2" run.log || { cat run.log; echo "$1: no [$2]"; exit 1; }
      [ ! -e out/cohort.info ] && [ ! -e out/summary.summary.tsv ] && [ ! -e out/summary.svg ] &&
         [ ! -e out/summary.html ]
      rm -rf out
   }
   printf 'files:\n  - {file: %s, batch: a, regions: [1]}\n  - {file: lost.vcf.gz, batch: b, regions: [1]}\n' \
      $demo >missing.yaml
   fails missing.yaml "File [lost.vcf.gz] named in row 2 of the table does not exist"
   # A second batch whose rs2075925 has its alleles swapped.
   zcat $demo | awk -F'\t' -v OFS='\t' '$3 == "rs2075925" { $4 = "T"; $5 = "C" } { print }' >swapped.vcf
   "$to_bcf" swapped.vcf swapped.bcf
   printf 'files:\n  - {file: %s, batch: a, regions: ["1"]}\n  - {file: swapped.bcf, batch: b, regions: ["1"]}\n' \
      $demo >alleles.yaml
   fails alleles.yaml "Marker rs2075925 at 1:1000411 has the alleles C/T in"
   [ ! -e out/chromosomes/1.info ]
   printf 'files:\n  - {file: %s, batch: a, regions: ["1:1-1000700", "9:1-100"]}\n' $demo >outside.yaml
   fails outside.yaml "Region [9:1-100] names no sequence of the index of [$demo]"
   ;;
*)
   echo "unknown check $check" >&2
   exit 2
   ;;
esac
