#!/usr/bin/env bash
# End-to-end cases of a program, one folder each (r2_hat's here, ped_qc's in
# tests/ped_qc, r2_hat_vcf's in tests/r2_hat_vcf, r2_summary's in
# tests/r2_summary):
#   args             the command-line arguments, one per line (an empty line is
#                    an empty argument)
#   stdin            optional: fed to the program's standard input (otherwise
#                    /dev/null)
#   stdin_pipe       optional: as stdin, but through a pipe, which cannot seek
#   stdin_file       optional: names an input file of the scratch folder to be
#                    fed to standard input (so that an output may meet it)
#   setup            optional shell script run first in the scratch folder
#                    (for inputs too large or too odd to keep in the tree)
#   expected_stdout  standard output, byte for byte but for the version number
#                    where the first line prints one (see below)
#   expected_status  the exit status
#   expected/        files the run must leave, byte for byte (reports)
#   absent, present  optional: names the run must not leave behind, and names
#                    that must still be there (a symbolic link counts as there);
#                    a name may be a shell pattern (out.r2_hat.tmp.*)
#   ulimit           optional: arguments to the shell's ulimit for the run
#                    (-f 4: a file-size limit of 4 KiB)
#   large            optional: marks a case with inputs of gigabytes, run only
#                    when asked for (ctest -L large)
#   max_rss_kb       optional: the peak resident memory in kB the run may reach,
#                    measured with /usr/bin/time; not checked when
#                    LOCI_SANITIZE_RUN=1 (sanitizer builds use several times more)
#   everything else  input files, copied into a scratch folder where the program runs
#                    (symbolic links, such as those to tests/data, as their targets)
#
# Usage: run_cases.sh PROGRAM CASE_DIR...   (or every case under tests/cli)
# A failing case keeps its actual output beside it as *.actual. With
# LOCI_REWRITE=1 the expectations are rewritten from the actual run, for review
# before committing; CI never does that.
#
# The version number is compared as X.Y.Z, so that a release rewrites no
# expected output: in a banner's first line ("..., Version 1.0.7") and in the
# line of --version ("r2_summary (loci) 1.0.7", "ped_qc 1.0.7").
set -u

program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -eq 0 ]; then set -- "$here"/*/; fi
rewrite=${LOCI_REWRITE:-0}
if [ "$rewrite" = 1 ] && [ "${CI:-}" = true ]; then
   echo "LOCI_REWRITE is for local review, not for CI" >&2
   exit 2
fi

fail() {
   ok=0
   echo "--- $name: $*"
}

without_version() {
   sed -E -e '1s/^(.*, Version )[0-9]+(\.[0-9]+)*( ?)$/\1X.Y.Z\3/' \
      -e '1s/^([A-Za-z0-9_]+ (\(loci\) )?)[0-9]+(\.[0-9]+)*$/\1X.Y.Z/' "$1"
}

failures=0
for case_dir in "$@"; do
   case_dir=$(cd "${case_dir%/}" && pwd)
   name=$(basename "$case_dir")
   scratch=$(mktemp -d)
   (cd "$case_dir" && find . -mindepth 1 -maxdepth 1 ! -name expected ! -name 'expected_*' \
      ! -name args ! -name setup ! -name absent ! -name present ! -name max_rss_kb \
      ! -name ulimit ! -name large ! -name stdin ! -name stdin_pipe ! -name stdin_file \
      ! -name '*.actual' -exec cp -aL {} "$scratch"/ \;)

   args=()
   if [ -f "$case_dir/args" ]; then
      while IFS= read -r line || [ -n "$line" ]; do args+=("$line"); done <"$case_dir/args"
   fi
   if [ -f "$case_dir/setup" ]; then
      (cd "$scratch" && bash "$case_dir/setup") || { echo "FAIL $name: setup failed"; failures=$((failures + 1)); rm -rf "$scratch"; continue; }
   fi

   measure=()
   rss_limit=
   if [ -f "$case_dir/max_rss_kb" ] && [ "${LOCI_SANITIZE_RUN:-0}" != 1 ]; then
      rss_limit=$(cat "$case_dir/max_rss_kb")
      measure=(/usr/bin/time -f %M -o "$scratch/.rss")
   fi
   seconds=120
   if [ -f "$case_dir/large" ]; then seconds=600; fi
   limits=()
   if [ -f "$case_dir/ulimit" ]; then read -r -a limits <"$case_dir/ulimit"; fi
   input=/dev/null
   if [ -f "$case_dir/stdin" ]; then input=$case_dir/stdin; fi
   if [ -f "$case_dir/stdin_file" ]; then input=$scratch/$(cat "$case_dir/stdin_file"); fi
   run() {
      cd "$scratch" && { [ ${#limits[@]} -eq 0 ] || ulimit "${limits[@]}"; } &&
         timeout $seconds ${measure[@]+"${measure[@]}"} "$program" "${args[@]}" \
            >"$scratch/.stdout" 2>"$scratch/.stderr"
   }
   if [ -f "$case_dir/stdin_pipe" ]; then
      cat "$case_dir/stdin_pipe" | (run)
   else
      (run) <"$input"
   fi
   status=$?

   ok=1
   rm -f "$case_dir"/*.actual
   if [ "$rewrite" = 1 ]; then
      cp "$scratch/.stdout" "$case_dir/expected_stdout"
      echo "$status" >"$case_dir/expected_status"
      while IFS= read -r rel; do
         [ -e "$scratch/$rel" ] && cp "$scratch/$rel" "$case_dir/expected/$rel"
      done < <([ -d "$case_dir/expected" ] && cd "$case_dir/expected" && find . -type f)
      echo "rewrote $name"
      rm -rf "$scratch"
      continue
   fi

   if ! cmp -s <(without_version "$case_dir/expected_stdout") \
      <(without_version "$scratch/.stdout"); then
      fail "standard output differs"
      cp "$scratch/.stdout" "$case_dir/stdout.actual"
      diff <(without_version "$case_dir/expected_stdout") <(without_version "$scratch/.stdout") |
         head -20
   fi
   expected_status=$(cat "$case_dir/expected_status" 2>/dev/null || echo 0)
   if [ "$status" != "$expected_status" ]; then
      fail "exit status $status, expected $expected_status"
      head -5 "$scratch/.stderr"
   fi
   while IFS= read -r rel; do
      cmp -s "$case_dir/expected/$rel" "$scratch/$rel" && continue
      fail "$rel differs or is missing"
      [ -e "$scratch/$rel" ] && cp "$scratch/$rel" "$case_dir/$(basename "$rel").actual"
   done < <([ -d "$case_dir/expected" ] && cd "$case_dir/expected" && find . -type f)
   if [ -n "$rss_limit" ]; then
      # time puts a line about a failing status first; the figure comes last.
      rss=$(tail -n 1 "$scratch/.rss" 2>/dev/null)
      case "$rss" in
      '' | *[!0-9]*) fail "no memory figure (is /usr/bin/time installed?)" ;;
      *) [ "$rss" -le "$rss_limit" ] || fail "peak memory $rss kB, more than $rss_limit kB" ;;
      esac
   fi
   for list in absent present; do
      [ -f "$case_dir/$list" ] || continue
      while IFS= read -r file; do
         [ -n "$file" ] || continue
         there=absent
         for match in "$scratch"/$file; do
            if [ -e "$match" ] || [ -L "$match" ]; then there=present; fi
         done
         [ $there = $list ] || fail "$file should be $list"
      done <"$case_dir/$list"
   done
   if [ $ok = 1 ]; then echo "ok   $name"; else echo "FAIL $name"; failures=$((failures + 1)); fi
   rm -rf "$scratch"
done
exit $((failures > 0))
