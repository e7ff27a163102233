#!/usr/bin/env bash
# ped_qc --writeFreq, given back to -f with the same pedigree, writes the same
# file again, each marker's frequencies summing to exactly 100000 units of 1e-5;
# among them eighteenths, 254 equal ones and one of 0.000005 (not written as 0).
# Usage: freq_round_trip.sh PED_QC
set -uo pipefail
ped_qc=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
data=$(cd "$(dirname "$0")/../data" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
echo "M many" >many.dat
awk 'BEGIN { for (i = 1; i <= 127; i++) print "f" i, 1, 0, 0, 1, 2 * i - 1, 2 * i }' >many.ped
awk 'BEGIN { for (i = 0; i <= 100000; i++) print "f" i, 1, 0, 0, 1, 1, i ? 1 : 2 }' >rare.ped

failures=0
# round_trip DATA PED FREQ_FILE_OR_EMPTY ESTIMATORS [OPTIONS...]
round_trip() {
   local dat=$1 ped=$2 freq=$3 estimators=$4 estimator
   shift 4
   for estimator in $estimators; do
      "$ped_qc" -d "$dat" -p "$ped" ${freq:+-f "$freq"} -o one --writeFreq $estimator "$@" >out &&
         "$ped_qc" -d "$dat" -p "$ped" -f one.freq -o two --writeFreq $estimator "$@" >out &&
         cmp one.freq two.freq &&
         awk '$1 == "M" { bad += NR > 1 && u != 100000; u = 0 }
              $1 == "A" { sub(/\./, "", $3); u += $3 } END { exit bad || NR == 0 || u != 100000 }' one.freq ||
         { echo "FAIL $ped $estimator $*"; tail -4 out; diff one.freq two.freq; failures=$((failures + 1)); }
   done
}
all="--allGenotypes --founders --equalFreqs"
round_trip "$data/pedigree/round_trip/one_marker.dat" "$data/pedigree/round_trip/nine_founders.ped" "" "$all"
round_trip "$data/kelvin/exercise_6.dat" "$data/kelvin/exercise_6.ped" "" "$all"
round_trip "$data/kelvin/exercise_6.dat" "$data/kelvin/exercise_6.ped" "$data/kelvin/exercise_6.freq" \
   --allGenotypes -m "$data/kelvin/exercise_6.map" --chromosomeX
round_trip "$data/kelvin/case_1.locus" "$data/kelvin/case_1.ped" "$data/kelvin/case_1.freq" \
   --allGenotypes -m "$data/kelvin/case_1.map"
round_trip "$data/kelvin/makeped.locus" "$data/kelvin/makeped.ped" "" --allGenotypes
round_trip many.dat many.ped "" "$all"
round_trip many.dat rare.ped "" --allGenotypes
exit $((failures > 0))
