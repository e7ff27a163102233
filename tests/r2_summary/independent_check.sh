#!/usr/bin/env bash
# r2_summary against an independent computation: awk reads the reports and
# sort orders the values for the medians. Cases: the demo run's report (whose
# picture must also be the one the README shows) and a generated run of
# 1,000,000 markers in both layouts, one of them gzip-compressed. The pictures
# must parse as XML (those of the golden cases too) and stay small; memory
# must not grow with the markers.
# Usage: independent_check.sh R2_SUMMARY R2_HAT
set -euo pipefail
summary=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
r2hat=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# expected REPORT...: the summary table with the default bins and thresholds.
# Each marker counts in four groups: its report and all reports, its MAF bin
# and all bins. The medians are read off the values in sorted order.
expected() {
   local block=0
   for report in "$@"; do
      block=$((block + 1))
      gzip -dcf "$report" | awk -F'\t' -v block=$block '
         BEGIN { split("0.001 0.005 0.01 0.05 0.5", edge, " ") }
         NR == 1 { m = $1 == "SNP" ? 5 : 4; r = $1 == "SNP" ? 7 : 5; next }
         {
            bin = 7
            if ($m == "-" || $m ~ /nan/) bin = 7
            else if ($m + 0 == 0 && $r == "-") bin = 0
            else if ($m + 0 >= 0 && $m + 0 < 0.0005) bin = 1
            else if ($m > 0) for (i = 1; i <= 5; i++) if ($m + 0 <= edge[i] + 0) { bin = i + 1; break }
            kind = $r == "-" ? "M" : $r ~ /nan/ ? "X" : "N"
            print block, bin, kind, kind == "N" ? int($r * 1000 + ($r < 0 ? -0.5 : 0.5)) : 0
         }'
   done >records
   sort -S 256M -k4,4n records | awk -v names="$*" -v all=$(($# + 1)) '
      function places(x) { return sprintf("%s%d.%04d", x < 0 ? "-" : "", int((x < 0 ? -x : x) / 10000), (x < 0 ? -x : x) % 10000) }
      {
         split($1 " " all, b, " "); split($2 " 8", i, " ")
         for (x = 1; x <= 2; x++) for (y = 1; y <= 2; y++) {
            g = b[x] SUBSEP i[y]
            if (NR == FNR) {
               markers[g]++
               if ($3 == "M") missing[g]++; else if ($3 == "X") nan[g]++
               else { n[g]++; sum[g] += $4; p3[g] += $4 >= 300; p8[g] += $4 >= 800 }
            } else if ($3 == "N") {
               r = rank[g]++
               if (r == int((n[g] - 1) / 2)) low[g] = $4
               if (r == int(n[g] / 2)) high[g] = $4
            }
         }
      }
      END {
         split(names " all", name, " ")
         split("monomorphic|< 0.0005|[0.0005,0.0015)|[0.0015,0.0055)|[0.0055,0.0105)|[0.0105,0.0505)|[0.0505,0.5]|other|all", label, "|")
         print "input\tMAF\tmarkers\tr2_missing\tr2_nan\tr2>=0.3\tr2>=0.8\tmean_r2\tmedian_r2"
         for (x = 1; x in name; x++) for (y = 0; y < 9; y++) {
            g = x SUBSEP y; mean = median = "-"; s = sum[g]; c = n[g]
            if (c > 0) {
               mean = places(s >= 0 ? int((20 * s + c) / (2 * c)) : -int((-20 * s + c) / (2 * c)))
               median = places((low[g] + high[g]) * 5)
            }
            print name[x] "\t" label[y + 1] "\t" markers[g] + 0 "\t" missing[g] + 0 "\t" nan[g] + 0 "\t" p3[g] + 0 "\t" p8[g] + 0 "\t" mean "\t" median
         }
      }' records -
}

check() {  # check PREFIX REPORT...: run, compare with the independent table, parse the picture
   local prefix=$1
   shift
   /usr/bin/time -f %M -o rss "$summary" -o "$prefix" "$@" >/dev/null
   expected "$@" >expected.tsv
   cmp expected.tsv "$prefix.summary.tsv" || { diff expected.tsv "$prefix.summary.tsv" | head; exit 1; }
   xmllint --noout "$prefix.svg" "$prefix.curves.svg" "$prefix.html"
   echo "$prefix: $(tail -1 rss) kB peak memory, pictures $(stat -c %s "$prefix.svg") and" \
      "$(stat -c %s "$prefix.curves.svg") bytes, page $(stat -c %s "$prefix.html") bytes"
}

# The golden cases' pictures are the program's output byte for byte.
xmllint --noout "$source_dir"/tests/r2_summary/*/expected/*.svg \
   "$source_dir"/tests/r2_summary/*/expected/out.html

mkdir -p build/demo
"$r2hat" -s "$source_dir/examples/demo/snps.txt" -g "$source_dir/examples/demo/dosages.gz" \
   -i "$source_dir/examples/demo/info.txt" -o build/demo/example >/dev/null
check build/demo/example build/demo/example.info
cmp build/demo/example.svg "$source_dir/doc/r2_summary_demo.svg"

# Rare variants, monomorphic markers, markers of one individual, nan, r2_hat
# above 1 and -0.000.
awk -v rows=1000000 'BEGIN {
   srand(20)
   print "Marker\tnIndiv\tFreq1\tMAF\tR2_hat" >"gen.r2_hat"
   print "SNP\tAl1\tAl2\tFreq1\tMAF\tnIndiv\tr2_hat" >"gen.info"
   for (i = 0; i < rows; i++) {
      u = rand()
      if (u < 0.02) { maf = r2 = "-" } else if (u < 0.07) { maf = "0.000"; r2 = "-" }
      else if (u < 0.075) { maf = "nan"; r2 = u < 0.0725 ? "nan" : "-nan" }
      else {
         maf = sprintf("%.3f", 0.5 * exp(-8 * rand()))
         r2 = u < 0.08 ? "-0.000" : sprintf("%.3f", 1.2 * rand() ^ (maf < 0.01 ? 2 : 0.5))
      }
      if (i % 5 < 3) print "rs" i "\t" 200 "\t" (maf ~ /^[0-9]/ ? 1 - maf : maf) "\t" maf "\t" r2 >"gen.r2_hat"
      else print "rs" i "\tA\tG\t" (maf ~ /^[0-9]/ ? 1 - maf : maf) "\t" maf "\t200\t" r2 >"gen.info"
   }
}'
gzip gen.info
check gen gen.r2_hat gen.info.gz
[ "$(stat -c %s gen.svg)" -lt 400000 ] && [ "$(stat -c %s gen.html)" -lt 500000 ] ||
   { echo "picture of $(stat -c %s gen.svg) bytes, page of $(stat -c %s gen.html)"; exit 1; }
# Twice the markers, not more memory (beyond the read-ahead's timing); not
# measured under sanitizers, whose allocators keep freed memory.
[ "${LOCI_SANITIZE_RUN:-0}" = 1 ] && exit 0
/usr/bin/time -f %M -o rss2 "$summary" -o twice gen.r2_hat gen.info.gz gen.r2_hat gen.info.gz >/dev/null
[ "$(tail -1 rss2)" -lt $(($(tail -1 rss) + 3000)) ] || { echo "memory grows with the markers"; exit 1; }
