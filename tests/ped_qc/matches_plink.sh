#!/usr/bin/env bash
# ped_qc against plink1.9 on a generated pedigree (bench/make_fileset) of
# three-generation families and trios, autosomal and X markers, with planted
# errors. plink1.9 turns the text pedigree into the fileset (allele 1 as the
# generator's, so that genotypes print alike; its .bed is then the
# generator's, byte for byte), and:
#   (a) ped_qc --bfile gives the .mendel of the text pedigree (the X markers
#       checked in a --chromosomeX run of their own);
#   (b) every family and marker of plink's --mendel is in ped_qc's .mendel,
#       and on the trios the two name the same ones;
#   (c) ped_qc finds more in three-generation families only, among them
#       every planted inconsistency that no trio shows.
# The generator keeps males hemizygous on X: plink reads a heterozygous male
# there as missing, where ped_qc reports him.
# Skipped (status 77) without plink1.9.
# Usage: matches_plink.sh PED_QC MAKE_FILESET
set -uo pipefail
plink=$(command -v plink1.9) || { echo "plink1.9 not installed: comparison skipped"; exit 77; }
ped_qc=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
make_fileset=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
failures=0

"$make_fileset" 40 300 gen --trios 40 --x 30 --errors 0.002 --multigen 0.005 --text --bed &&
   "$plink" --file gen --a1-allele gen.bim 5 2 --make-bed --out peer >plink.out &&
   "$plink" --bfile peer --mendel --out peer >>plink.out || { cat plink.out; exit 1; }
cmp gen.bed peer.bed && cmp gen.bim peer.bim || fail "plink's fileset is not the generator's"

"$ped_qc" --bfile peer -o bed >out &&
   "$ped_qc" -d gen.dat -p gen.ped -o autosomes >out &&
   "$ped_qc" -d gen.x.dat -p gen.ped --chromosomeX -o x >out || { cat out; exit 1; }
{ cat autosomes.mendel; tail -n +2 x.mendel; } >text.mendel
cmp text.mendel bed.mendel || { fail "(a) the .bed and the text differ"; diff text.mendel bed.mendel | head; }

tail -n +2 bed.mendel | cut -f1,2 | sort >ped_qc.pairs
awk 'NR > 1 { print $1 "\t" $4 }' peer.mendel | sort -u >plink.pairs
awk '$4 == "multigen" { print $1 "\t" $2 }' gen.planted | sort >multigen.pairs
[ -z "$(comm -23 plink.pairs ped_qc.pairs)" ] || fail "(b) plink finds what ped_qc does not: $(comm -23 plink.pairs ped_qc.pairs | head -3)"
[ "$(grep -c ^T plink.pairs)" -gt 5 ] && cmp <(grep ^T plink.pairs) <(grep ^T ped_qc.pairs) ||
   fail "(b) the trios differ"
more=$(comm -13 plink.pairs ped_qc.pairs)
[ -n "$more" ] && ! grep -q ^T <<<"$more" || fail "(c) ped_qc finds more in: $(cut -f1 <<<"$more" | sort -u | xargs)"
[ -s multigen.pairs ] && [ -z "$(comm -23 multigen.pairs <(echo "$more"))" ] ||
   fail "(c) planted inconsistencies missed or seen by plink: $(comm -23 multigen.pairs <(echo "$more") | head -3)"
grep -q "Fam T.*has parents \[.*/Y\]" bed.mendel || fail "no X-linked trio error was checked"
exit $((failures > 0))
