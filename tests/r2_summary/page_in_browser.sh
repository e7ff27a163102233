#!/usr/bin/env bash
# The page and the pictures of a run of two reports: they parse as XML, the
# page's tables hold the summary's numbers, and chromium, when installed,
# shows the picture and the tables below it on a phone's width and on a wide
# screen (checked on its screenshots, not pixel by pixel).
# Usage: page_in_browser.sh R2_SUMMARY   (exit status 77: chromium is absent)
set -euo pipefail
summary=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
check="python3 $(cd "$(dirname "$0")" && pwd)/page_check.py"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

for panel in 1 2; do
   awk -v seed=$panel 'BEGIN {
      srand(seed)
      print "Marker\tnIndiv\tFreq1\tMAF\tR2_hat"
      for (i = 0; i < 5000; i++) {
         maf = 0.5 * exp(-7.6 * rand())
         r2 = (1 - 0.5 * seed * 0.3) * (1 + 0.15 * log(maf) / log(10)) + 0.2 * (rand() - 0.5)
         printf "rs%d\t300\t%.3f\t%.3f\t%.3f\n", i, 1 - maf, maf, r2 < 0 ? 0 : r2
      }
   }' >panel$panel.r2_hat
done
"$summary" -o run panel1.r2_hat panel2.r2_hat >/dev/null
xmllint --noout run.svg run.curves.svg run.html
$check tables run.summary.tsv run.html

if ! command -v chromium >/dev/null; then
   echo "chromium is not installed: the page was not shown in a browser"
   exit 77
fi
# Its profile and caches stay in the scratch folder, which goes at the end.
for size in 412,3400 1400,3000; do
   HOME=$work XDG_CACHE_HOME=$work/cache XDG_CONFIG_HOME=$work/config timeout 120 chromium --headless --no-sandbox --disable-gpu --user-data-dir="$work/profile" \
      --screenshot="$work/shot.png" --window-size=$size "file://$work/run.html" >/dev/null 2>&1
   $check shot shot.png || { echo "window $size"; exit 1; }
done
