#!/bin/sh
# Runs r2_hat on the bundled example (8 markers, 40 individuals, gzip dosages
# and an imputation info file) and shows the report.
# Usage: demo.sh BUILD-DIR   (run from the top of the source tree)
set -e
build=${1:-build}
mkdir -p "$build/demo"
echo "\$ $build/r2_hat -s examples/demo/snps.txt -g examples/demo/dosages.gz -i examples/demo/info.txt -o $build/demo/example"
"$build/r2_hat" -s examples/demo/snps.txt -g examples/demo/dosages.gz -i examples/demo/info.txt \
   -o "$build/demo/example"
echo "\$ cat $build/demo/example.info"
cat "$build/demo/example.info"
