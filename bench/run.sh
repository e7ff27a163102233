#!/usr/bin/env bash
# End-to-end speed and memory of r2_hat on synthetic imputation output:
# 500 individuals x 40,000 markers of three-decimal dosages (about 120 MB of
# text) and its gzip -6 copy, against `gzip -dc` and `cat` on the same files.
# Each command is timed best of three, also pinned to one core, and against
# `igzip -dc` (best of five, the two by turns) and an r2_hat built without
# ISA-L (ZLIB-BUILD-DIR) against a bare zlib read loop, when given.
# Then r2_hat_vcf on the same shape as a bgzipped VCF and as BCF, against
# `bgzip -dc` and plink2; r2_summary reads 20 million report rows; a pedigree
# of 20,000 persons by 10,000 markers is loaded once, the inheritance check is
# timed on generated families, and ped_qc runs whole on one of them.
# Last, ped_qc --bfile on a SNP-array fileset against plink1.9 --mendel.
# Usage: bench/run.sh BUILD-DIR [ZLIB-BUILD-DIR]
# LOCI_BENCH_ONLY=ped_qc_fileset (or r2_hat_bgen) runs that section alone.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
zlib_r2hat=
if [ -n "${2:-}" ] && [ -x "$2/r2_hat" ]; then zlib_r2hat=$(cd "$2" && pwd)/r2_hat; fi
data=$build/bench-data
mkdir -p "$data"
# The generators shared with the tests are built where the tests are.
helper() {  # helper NAME: the path of a bench or test helper program
   if [ -x "$build/bench/$1" ]; then echo "$build/bench/$1"; else echo "$build/tests/$1"; fi
}

make_set() {  # make_set NAME INDIVIDUALS MARKERS
   if [ ! -s "$data/$1.dose.gz" ]; then
      "$build/bench/make_dosages" "$2" "$3" "$data/$1"
      gzip -6 -c "$data/$1.dose" >"$data/$1.dose.gz"
   fi
}
# best_of3 COMMAND...: prints "seconds peak-KiB" of the fastest of three runs.
best_of3() {
   local best="" mem=""
   for _ in 1 2 3; do
      local out
      /usr/bin/time -f "%e %M" -o "$data/.time" "$@" >/dev/null 2>&1 || true
      out=$(tail -1 "$data/.time")
      local t=${out% *} m=${out#* }
      if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; mem=$m; fi
   done
   echo "$best $mem"
}

row() {  # row LABEL SIZE-BYTES COMMAND...
   local label=$1 size=$2
   shift 2
   read -r t m < <(best_of3 "$@")
   local rate
   rate=$(awk "BEGIN{ if ($t > 0) printf \"%.0f\", $size / 1e6 / $t; else print \"inf\" }")
   printf "%-40s %8.2f s %8s MB/s %9.1f MiB\n" "$label" "$t" "$rate" "$(awk "BEGIN{print $m/1024}")"
   last_time=$t
   last_mem=$m
}

# interleaved RUNS A-COMMAND -- B-COMMAND: runs A and B by turns and sets
# best_a and best_b to the fastest wall time of each, to the microsecond, so
# that a change of load between them touches both alike.
interleaved() {
   local runs=$1 a=() b=()
   shift
   while [ "$1" != "--" ]; do a+=("$1"); shift; done
   shift
   b=("$@")
   best_a="" best_b=""
   for _ in $(seq "$runs"); do
      local start=$EPOCHREALTIME
      "${a[@]}" >/dev/null 2>&1 || true
      local middle=$EPOCHREALTIME
      "${b[@]}" >/dev/null 2>&1 || true
      local end=$EPOCHREALTIME
      local ta tb
      ta=$(awk "BEGIN{print $middle - $start}")
      tb=$(awk "BEGIN{print $end - $middle}")
      if [ -z "$best_a" ] || awk "BEGIN{exit !($ta < $best_a)}"; then best_a=$ta; fi
      if [ -z "$best_b" ] || awk "BEGIN{exit !($tb < $best_b)}"; then best_b=$tb; fi
   done
}

ratio() {  # ratio LABEL A B TARGET: prints A / B against its target
   awk "BEGIN{printf \"%-52s %.2f (%s)\\n\", \"$1\", $2 / ($3 > 0 ? $3 : 0.001), \"$4\"}"
}

# ped_qc --bfile on 10,000 three-generation families of 11 (110,000 persons)
# by 20,000 biallelic markers, a twentieth on X, written as a fileset by
# bench/make_fileset (550 MB .bed; the same bytes as plink1.9 --make-bed
# writes from its text, tests/ped_qc/matches_plink.sh) with planted errors,
# against plink1.9 --bfile --mendel on the same files, best of
# LOCI_BENCH_RUNS (3) by turns. plink checks trios only, ped_qc each family
# whole and searches the culprits. Skipped without plink1.9.
ped_qc_fileset() {
   local plink make_fileset runs=${LOCI_BENCH_RUNS:-3}
   plink=$(command -v plink1.9 || true)
   make_fileset=$(helper make_fileset)
   echo
   if [ -z "$plink" ]; then
      echo "plink1.9 not installed: ped_qc --bfile against plink1.9 --mendel skipped"
      return
   fi
   if [ ! -s "$data/fileset.bed" ]; then
      "$make_fileset" 10000 20000 "$data/fileset"
      rm -f "$data/fileset.planted"
   fi
   echo "ped_qc --bfile: 10,000 families of 11 x 20,000 markers ($(($(stat -c %s "$data/fileset.bed") / 1000000)) MB .bed)"
   interleaved "$runs" /usr/bin/time -f %M -o "$data/.ped_qc-memory" "$build/ped_qc" \
      --bfile "$data/fileset" -o "$data/fileset-qc" -- \
      /usr/bin/time -f %M -o "$data/.plink-memory" "$plink" --bfile "$data/fileset" --mendel \
      --out "$data/fileset-plink"
   printf "ped_qc --bfile %.2f s, plink1.9 --bfile --mendel %.2f s (best of %d, by turns; load %s)\n" \
      "$best_a" "$best_b" "$runs" "$(cut -d' ' -f1-3 /proc/loadavg)"
   ratio "ped_qc --bfile / plink1.9 --mendel" "$best_a" "$best_b" "target <= 2"
   awk -v t="$best_a" -v u="$best_b" 'BEGIN{printf "per family-marker: ped_qc %.3f us, plink1.9 %.3f us\n", t / 2e8 * 1e6, u / 2e8 * 1e6}'
   awk -v a="$(tail -1 "$data/.ped_qc-memory")" -v b="$(tail -1 "$data/.plink-memory")" \
      'BEGIN{printf "peak memory: ped_qc %.1f MiB, plink1.9 %.1f MiB\n", a / 1024, b / 1024}'
   "$build/bench/biallelic_check" "$data/fileset"
   grep -h "^--me/--mendel: " "$data/fileset-plink.log" || true
   awk -F'\t' 'NR > 1 { n++; if ($5 == "none") none++; else if ($5 !~ /,/) one++ }
      END { printf "ped_qc: %d families and markers inconsistent, %d with a single culprit, %d with none\n", n, one, none }' \
      "$data/fileset-qc.mendel"
   rm -f "$data"/fileset-qc.* "$data"/fileset-plink.*
}
# r2_hat_bgen on 10,000 samples x 20,000 variants of 8-bit probabilities,
# zlib and zstd: against the floor of one thread that only decompresses
# every genotype block with the same library (bgen_floor), best of three by
# turns, and against plink2 computing the same quality when installed.
r2_hat_bgen_section() {
   bgen=$build/r2_hat_bgen/r2_hat_bgen
   make_bgen=$(helper make_bgen)
   if [ -x "$bgen" ] && [ -x "$make_bgen" ] && [ -x "$build/bench/bgen_floor" ]; then
      echo
      for compression in zlib zstd; do
         file=$data/bgen-$compression.bgen
         if [ ! -s "$file" ]; then
            "$make_bgen" 10000 20000 "$data/bgen-$compression" --bits 8 --$compression --no-vcf ||
               continue
            rm -f "$data/bgen-$compression.bgi.sql"
         fi
         echo "r2_hat_bgen: 10,000 samples x 20,000 variants, 8 bits, $compression, $(($(stat -c %s "$file") / 1000000)) MB"
         interleaved 5 "$bgen" -o out "$file" -- "$build/bench/bgen_floor" "$file"
         printf "r2_hat_bgen %.3f s, one thread decompressing only %.3f s (best of 5, by turns; load %s)\n" \
            "$best_a" "$best_b" "$(cut -d' ' -f1-3 /proc/loadavg)"
         bgen_time=$best_a
         ratio "r2_hat_bgen / decompression floor, $compression" "$best_a" "$best_b" "target <= 0.6"
         /usr/bin/time -f "%M" -o "$data/.time" "$bgen" -o out "$file" >/dev/null
         awk -v kb="$(tail -1 "$data/.time")" 'BEGIN{printf "r2_hat_bgen peak memory: %.1f MiB (target %.1f: 64 MiB + 64 bytes per sample)\n", kb / 1024, 64 + 64 * 10000 / 1048576}'
         if command -v plink2 >/dev/null; then
            interleaved 1 plink2 --bgen "$file" ref-first --freq cols=+machr2 --threads "$(nproc)" \
               --out "$data/plink" -- true
            printf "plink2 --bgen --freq cols=+machr2: %.3f s\n" "$best_a"
            ratio "r2_hat_bgen / plink2, $compression" "$bgen_time" "$best_a" "target <= 0.2"
            rm -f "$data"/plink.*
         fi
      done
      rm -f "$data/out.info"
   fi
}

if [ "${LOCI_BENCH_ONLY:-}" = r2_hat_bgen ]; then
   cd "$data"
   r2_hat_bgen_section
   exit 0
fi
if [ "${LOCI_BENCH_ONLY:-}" = ped_qc_fileset ]; then
   ped_qc_fileset
   exit 0
fi

make_set main 500 40000
make_set half 250 40000
make_set narrow 500 20000
make_set wide 50 400000

cd "$data"
size=$(stat -c %s main.dose)
cores=$(nproc)
echo "Machine: $cores cores; dosage text $((size / 1000000)) MB (500 x 40,000), gzip copy $(($(stat -c %s main.dose.gz) / 1000000)) MB"
printf "%-40s %10s %13s %13s\n" "command" "wall" "dosage text" "peak memory"
r2hat=("$build/r2_hat" -s main.snps -o out)
row "r2_hat, plain file" "$size" "${r2hat[@]}" -g main.dose
plain=$last_time
plain_mem=$last_mem
row "r2_hat, gzip file" "$size" "${r2hat[@]}" -g main.dose.gz
gz=$last_time
row "r2_hat, plain file, one core" "$size" taskset -c 0 "${r2hat[@]}" -g main.dose
plain1=$last_time
row "r2_hat, gzip file, one core" "$size" taskset -c 0 "${r2hat[@]}" -g main.dose.gz
gz1=$last_time
if [ -n "$zlib_r2hat" ]; then
   row "r2_hat without ISA-L, gzip file" "$size" "$zlib_r2hat" -s main.snps -o out -g main.dose.gz
   gz_zlib=$last_time
fi
row "gzip -dc FILE > /dev/null" "$size" gzip -dc main.dose.gz
gzipdc=$last_time
igzip=$(command -v igzip || true)
if [ -n "$igzip" ]; then
   row "igzip -dc FILE > /dev/null" "$size" "$igzip" -dc main.dose.gz
   igzipdc=$last_time
fi
row "cat FILE > /dev/null" "$size" cat main.dose
half_size=$(stat -c %s half.dose)
row "r2_hat, plain, half the lines" "$half_size" "$build/r2_hat" -s half.snps -g half.dose -o out
half=$last_time
narrow_size=$(stat -c %s narrow.dose)
row "r2_hat, plain, half the markers" "$narrow_size" "$build/r2_hat" -s narrow.snps -g narrow.dose -o out
narrow=$last_time
wide_size=$(stat -c %s wide.dose)
row "r2_hat, plain, 50 x 400,000" "$wide_size" "$build/r2_hat" -s wide.snps -g wide.dose -o out
wide_mem=$last_mem
echo
awk "BEGIN{printf \"r2_hat plain: %.0f MB/s on %d cores (target >= 800 on 2); one core %.0f MB/s\n\", $size / 1e6 / $plain, $cores, $size / 1e6 / $plain1}"
if [ -n "$igzip" ]; then
   interleaved 5 "${r2hat[@]}" -g main.dose.gz -- "$igzip" -dc main.dose.gz
   printf "r2_hat on gzip %.3f s, igzip -dc %.3f s (best of 5, by turns; load %s)\n" \
      "$best_a" "$best_b" "$(cut -d' ' -f1-3 /proc/loadavg)"
   ratio "r2_hat on gzip / igzip -dc" "$best_a" "$best_b" "target <= 1.25 with ISA-L"
fi
if [ -n "$zlib_r2hat" ]; then
   interleaved 5 "$zlib_r2hat" -s main.snps -o out -g main.dose.gz -- "$build/bench/zlib_read" main.dose.gz
   printf "r2_hat without ISA-L %.3f s, a bare zlib read loop %.3f s (best of 5, by turns)\n" "$best_a" "$best_b"
   ratio "r2_hat without ISA-L on gzip / zlib read loop" "$best_a" "$best_b" "the floor: 1"
fi
ratio "r2_hat on gzip / gzip -dc" "$gz" "$gzipdc" "ISA-L build"
ratio "one core / all cores, plain" "$plain1" "$plain" "scaling"
ratio "one core / all cores, gzip" "$gz1" "$gz" "scaling"
ratio "time for all lines / half the lines" "$plain" "$half" "linear: 2"
ratio "time for all markers / half the markers" "$plain" "$narrow" "linear: 2"
awk "BEGIN{printf \"peak memory: %.1f MiB for 40,000 markers (target %.1f), %.1f MiB for 400,000 (target %.1f)\n\", $plain_mem / 1024, 32 + 120 * 40000 / 1048576, $wide_mem / 1024, 32 + 120 * 400000 / 1048576}"
rm -f out.r2_hat

# r2_hat_vcf on the same shape as a bgzipped VCF (500 samples x 40,000
# markers of three-decimal DS) and its BCF copy, against `bgzip -dc` and
# plink2 computing the same quality (--freq cols=+machr2), when installed.
vcf=$build/r2_hat_vcf/r2_hat_vcf
make_vcf=$(helper make_vcf)
vcf_to_bcf=$(helper vcf_to_bcf)
if [ -x "$vcf" ] && [ -x "$vcf_to_bcf" ] && [ -x "$make_vcf" ] && command -v bgzip >/dev/null; then
   echo
   if [ ! -s "$data/vcf.vcf.gz" ]; then
      "$make_vcf" 500 40000 "$data/vcf"
      bgzip -@ "$cores" -c "$data/vcf.vcf" >"$data/vcf.vcf.gz"
      "$vcf_to_bcf" "$data/vcf.vcf" "$data/vcf.bcf"
      "$make_vcf" 500 4000 "$data/vcf-small"
      rm -f "$data"/vcf*.dose "$data"/vcf*.snps "$data"/vcf*.alleles
   fi
   vcf_size=$(stat -c %s "$data/vcf.vcf")
   echo "r2_hat_vcf: VCF text $((vcf_size / 1000000)) MB, bgzip $(($(stat -c %s "$data/vcf.vcf.gz") / 1000000)) MB, BCF $(($(stat -c %s "$data/vcf.bcf") / 1000000)) MB"
   row "r2_hat_vcf, bgzip VCF" "$vcf_size" "$vcf" --prefix out "$data/vcf.vcf.gz"
   vcf_gz=$last_time
   vcf_mem=$last_mem
   row "r2_hat_vcf, bgzip VCF, one core" "$vcf_size" taskset -c 0 "$vcf" --prefix out "$data/vcf.vcf.gz"
   row "r2_hat_vcf, BCF" "$vcf_size" "$vcf" --prefix out "$data/vcf.bcf"
   row "r2_hat_vcf, plain VCF" "$vcf_size" "$vcf" --prefix out "$data/vcf.vcf"
   row "r2_hat_vcf, plain VCF, 4,000 markers" "$(stat -c %s "$data/vcf-small.vcf")" "$vcf" \
      --prefix out "$data/vcf-small.vcf"
   small_mem=$last_mem
   row "bgzip -dc FILE > /dev/null" "$vcf_size" bgzip -dc "$data/vcf.vcf.gz"
   bgzipdc=$last_time
   ratio "r2_hat_vcf on bgzip VCF / bgzip -dc" "$vcf_gz" "$bgzipdc" "target <= 1.5"
   if command -v plink2 >/dev/null; then
      row "plink2 --freq cols=+machr2, bgzip VCF" "$vcf_size" plink2 --vcf "$data/vcf.vcf.gz" \
         dosage=DS --freq cols=+machr2 --threads "$cores" --out "$data/plink"
      ratio "r2_hat_vcf / plink2, bgzip VCF" "$vcf_gz" "$last_time" "target <= 0.3"
      rm -f "$data"/plink.*
   else
      echo "plink2 not installed: comparison with plink2 skipped"
   fi
   awk "BEGIN{printf \"r2_hat_vcf peak memory: %.1f MiB for 40,000 markers, %.1f MiB for 4,000\n\", $vcf_mem / 1024, $small_mem / 1024}"
   rm -f out.info
fi

r2_hat_bgen_section

# r2_summary: 20 million report rows in the info layout (about 720 MB) and
# their gzip copy, against `gzip -dc` on the same file.
echo
if [ ! -s "$data/report.info.gz" ]; then
   "$build/bench/make_report" 20000000 "$data/report.info"
   gzip -6 -c "$data/report.info" >"$data/report.info.gz"
fi
report_size=$(stat -c %s report.info)
summary=("$build/r2_summary/r2_summary" -o summary)
row "r2_summary, 20M rows, plain file" "$report_size" "${summary[@]}" report.info
summary_plain=$last_time
row "r2_summary, 20M rows, gzip file" "$report_size" "${summary[@]}" report.info.gz
summary_gz=$last_time
row "gzip -dc FILE > /dev/null" "$report_size" gzip -dc report.info.gz
awk "BEGIN{printf \"r2_summary: %.1f million rows/s plain, %.1f gzip (target: 20 million in a few seconds)\n\", 20 / $summary_plain, 20 / $summary_gz}"
rm -f summary.summary.tsv summary.svg

if [ -x "$build/bench/loci_bench" ]; then
   echo
   "$build/bench/loci_bench" --benchmark_min_time=0.2
fi

# Pedigree loading: 20,000 persons by 10,000 markers (about 800 MB of text),
# genotypes kept in two bytes per marker and person.
echo
if [ ! -s "$data/pedigree.ped" ]; then
   "$build/bench/make_pedigree" 20000 10000 "$data/pedigree"
fi
/usr/bin/time -f "wall %e s, peak memory %M KiB" "$build/bench/load_pedigree" \
   "$data/pedigree.dat" "$data/pedigree.ped"
echo "memory target: well under 1 GB (genotypes alone: 20,000 x 10,000 x 2 bytes = 381 MiB)"

# Mendelian inheritance check: 10,000 three-generation families by 1,000
# markers, biallelic and with 6 alleles, then how the time per family-marker
# grows with the number of grandchildren and of alleles. When plink1.9 is
# installed (optional), it checks the same biallelic pedigree, written as
# .ped/.map text, for comparison: it looks at trios only, so it does less.
echo
plink=$(command -v plink1.9 || true)
for alleles in 2 6; do
   write=()
   if [ "$alleles" = 2 ] && [ -n "$plink" ]; then write=(--write "$data/trios"); fi
   /usr/bin/time -f "   wall %e s, peak memory %M KiB" "$build/bench/check_pedigree" \
      10000 1000 "$alleles" 3 ${write[@]+"${write[@]}"} >/dev/null 2>"$data/.check"
   cat "$data/.check"
   if [ "$alleles" = 2 ]; then
      check_time=$(sed -n 's/.*, \([0-9.]*\) s, .* per family-marker.*/\1/p' "$data/.check")
   fi
done
if [ -z "$plink" ]; then
   echo "plink1.9 not installed: comparison with plink1.9 --mendel skipped"
else
   read -r t m < <(best_of3 "$plink" --file "$data/trios" --mendel --allow-no-sex --out "$data/trios")
   if grep -q "^--me/--mendel: " "$data/trios.log"; then
      printf "plink1.9 --file --mendel, same pedigree: %.2f s, peak memory %.1f MiB (%s)\n" \
         "$t" "$(awk "BEGIN{print $m/1024}")" \
         "$(sed -n 's/^--me\/--mendel: \(.*\)\.$/\1/p' "$data/trios.log")"
      awk "BEGIN{printf \"inheritance check / plink1.9 --mendel: %.1f (target <= 5)\n\", $check_time / ($t > 0 ? $t : 0.01)}"
      # Its check alone, without parsing the text.
      if "$plink" --file "$data/trios" --make-bed --allow-no-sex --out "$data/trios-bin" \
         >/dev/null; then
         read -r t m < <(best_of3 "$plink" --bfile "$data/trios-bin" --mendel --allow-no-sex \
            --out "$data/trios-bin")
         printf "plink1.9 --bfile --mendel, its binary copy: %.2f s (ratio %.0f)\n" "$t" \
            "$(awk "BEGIN{print ($t > 0 ? $check_time / $t : 0)}")"
      fi
      rm -f "$data"/trios.* "$data"/trios-bin.*
   else
      echo "plink1.9 --mendel failed: see $data/trios.log"
   fi
fi
for grandchildren in 1 3 7 15; do
   for alleles in 2 4 6; do
      "$build/bench/check_pedigree" 2000 100 "$alleles" "$grandchildren" >/dev/null
   done
done
"$build/bench/check_pedigree" 2000 100 2 3 x >/dev/null
"$build/bench/check_pedigree" 2000 100 6 3 x >/dev/null

# ped_qc's whole run (loading, summary, twin and inheritance checks, culprit
# search, PREFIX.mendel) on the biallelic pedigree of the inheritance check
# above, written as text: 110,000 persons by 1,000 markers.
echo
if [ ! -s "$data/qc.ped" ]; then
   "$build/bench/check_pedigree" 10000 1000 2 3 --write "$data/qc" >/dev/null 2>&1
   { echo "A phenotype"; awk '{ print "M", $2 }' "$data/qc.map"; } >"$data/qc.dat"
fi
/usr/bin/time -f "ped_qc, 10,000 families of 11 by 1,000 markers: wall %e s, peak memory %M KiB" \
   "$build/ped_qc" -d "$data/qc.dat" -p "$data/qc.ped" -o "$data/qc" >"$data/qc.out"
grep -E "^   (Reports of Mendelian|Families and markers inconsistent|A single|Several|No single)" \
   "$data/qc.out"

ped_qc_fileset
