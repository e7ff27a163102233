#!/usr/bin/env bash
# ped_qc --bfile gives the .mendel of the same data read as text pedigrees: the
# autosomal, unplaced and XY markers checked in one run and the X marker in a
# --chromosomeX run (the fileset's Y and MT markers are passed over). The
# text files list the parents the fileset lacks. Every block size, so that
# marker slots are reused and the last block is short or full. Then random
# families with two-allele genotypes, consistent or not (written by
# make_random_fileset.pl), where the fileset is checked through the fast
# biallelic check: its .mendel and the reports it prints are those of the text
# pedigrees, which the library checks family by family, and so are the allele
# frequencies of --writeFreq (to the last of five decimals, which goes to the
# first allele on a tie, and the text reader numbers alleles as it meets them).
# Usage: fileset_matches_text_pedigree.sh PED_QC
set -uo pipefail
ped_qc=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
data=$(cd "$(dirname "$0")/../data/plink" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

"$ped_qc" -d "$data/family_autosomes.dat" -p "$data/family_autosomes.ped" -o autosomes >out &&
   "$ped_qc" -d "$data/family_x.dat" -p "$data/family_x.ped" --chromosomeX -o x >out ||
   { cat out; exit 1; }
{ cat autosomes.mendel; tail -n +2 x.mendel; } >text.mendel
failures=0
for block in 1 2 3 7 0; do
   "$ped_qc" --bfile "$data/family" --markerBlock $block -o fileset >out &&
      cmp text.mendel fileset.mendel ||
      { echo "FAIL --markerBlock $block"; diff text.mendel fileset.mendel; failures=$((failures + 1)); }
done
[ "$(wc -l <text.mendel)" -eq 8 ] || { echo "FAIL: text.mendel has other rows"; failures=$((failures + 1)); }

reports() { grep -h -E ' - Fam(ily)? ' "$@"; }
frequencies() { awk '/^M/ { marker = $2; next } { print marker, $0 }' "$@" | sort; }
same_frequencies() {
   paste -d ' ' <(frequencies autosomes.freq x.freq) <(frequencies fileset.freq) | awk '
      { d = $4 - $8; if ($1 != $5 || $3 != $7 || d > 1.1e-5 || d < -1.1e-5) bad++ }
      END { exit !(NR > 0 && bad == 0) }'
}
for seed in 1 2 3; do
   perl "$(dirname "$0")/make_random_fileset.pl" random 150 90 30 $seed &&
      "$ped_qc" -d random_autosomes.dat -p random_autosomes.ped -o autosomes --writeFreq >autosomes.out &&
      "$ped_qc" -d random_x.dat -p random_x.ped --chromosomeX -o x --writeFreq >x.out &&
      "$ped_qc" --bfile random -o fileset --writeFreq >fileset.out || { echo "FAIL: seed $seed did not run"; exit 1; }
   { cat autosomes.mendel; tail -n +2 x.mendel; } >text.mendel
   [ "$(wc -l <text.mendel)" -gt 500 ] || { echo "FAIL: seed $seed: few rows"; failures=$((failures + 1)); }
   cmp text.mendel fileset.mendel && cmp <(reports autosomes.out x.out) <(reports fileset.out) &&
      [ "$(wc -l <fileset.freq)" -eq "$(cat autosomes.freq x.freq | wc -l)" ] && same_frequencies ||
      { echo "FAIL: random families, seed $seed"; failures=$((failures + 1)); }
done
exit $((failures > 0))
