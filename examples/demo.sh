#!/bin/sh
# Runs r2_hat on the bundled example (8 markers, 40 individuals, gzip dosages
# and an imputation info file) and shows the report, summarises the report by
# MAF with r2_summary (the pictures go to BUILD-DIR/demo/example.svg and
# example.curves.svg, the page that shows them with the table to
# example.html), then runs r2_hat_vcf on the same dosages as a VCF.
# Usage: demo.sh BUILD-DIR   (run from the top of the source tree)
set -e
build=${1:-build}
mkdir -p "$build/demo"
echo "\$ $build/r2_hat -s examples/demo/snps.txt -g examples/demo/dosages.gz -i examples/demo/info.txt -o $build/demo/example"
"$build/r2_hat" -s examples/demo/snps.txt -g examples/demo/dosages.gz -i examples/demo/info.txt \
   -o "$build/demo/example"
echo "\$ cat $build/demo/example.info"
cat "$build/demo/example.info"
echo "\$ $build/r2_summary/r2_summary -o $build/demo/example $build/demo/example.info"
"$build/r2_summary/r2_summary" -o "$build/demo/example" "$build/demo/example.info"
echo "The page of the run, to open in a browser: $build/demo/example.html"

# The same dosages as a bgzip-compressed VCF (REF = Al1, ALT = Al2, DS counts
# ALT): r2_hat_vcf writes the same report, when it was built (with htslib).
vcf=$build/r2_hat_vcf/r2_hat_vcf
if [ -x "$vcf" ]; then
   echo "\$ $vcf --prefix $build/demo/vcf examples/demo/dosages.vcf.gz"
   "$vcf" --prefix "$build/demo/vcf" examples/demo/dosages.vcf.gz
   echo "\$ cat $build/demo/vcf.info"
   cat "$build/demo/vcf.info"
fi

# A small BGEN file (40 samples by 8 variants of 8-bit probabilities, zlib,
# written by bench/make_bgen) and its .bgi index: r2_hat_bgen reports a range.
bgen=$build/r2_hat_bgen/r2_hat_bgen
if [ -x "$bgen" ]; then
   echo "\$ $bgen -o $build/demo/bgen --range 1:10100-10300 examples/demo/dosages.bgen"
   "$bgen" -o "$build/demo/bgen" --range 1:10100-10300 examples/demo/dosages.bgen
   echo "\$ cat $build/demo/bgen.info"
   cat "$build/demo/bgen.info"
fi
