#!/bin/sh
# Makes sure the Debian packages a make target needs are present.
# Usage: prerequisites.sh build|test|bench|fuzz ...
# As root, missing packages are installed with apt-get; otherwise the script
# names them and fails.
set -u

missing=""
optional=""
want() {  # want PACKAGE TEST-COMMAND...: installed as root, otherwise only named
   pkg=$1
   shift
   "$@" >/dev/null 2>&1 || optional="$optional $pkg"
}
need() {  # need PACKAGE TEST-COMMAND...
   pkg=$1
   shift
   if ! "$@" >/dev/null 2>&1; then
      case " $missing " in *" $pkg "*) ;; *) missing="$missing $pkg" ;; esac
   fi
}
have_header() { [ -f "/usr/include/$1" ] || [ -f "/usr/local/include/$1" ]; }

for what in "$@"; do
   case "$what" in
   build)
      need cmake command -v cmake
      need g++ command -v g++
      need make command -v make
      need zlib1g-dev have_header zlib.h
      want libisal-dev have_header isa-l/igzip_lib.h
      want libhts-dev have_header htslib/vcf.h
      want libzstd-dev have_header zstd.h
      want libsqlite3-dev have_header sqlite3.h
      ;;
   test)
      need libgtest-dev have_header gtest/gtest.h
      need gzip command -v gzip
      need time test -x /usr/bin/time
      need pkg-config command -v pkg-config
      want plink2 command -v plink2
      want plink1.9 command -v plink1.9
      need libxml2-utils command -v xmllint
      need python3 command -v python3
      want chromium command -v chromium
      want snakemake command -v snakemake
      ;;
   workflow)
      need snakemake command -v snakemake
      ;;
   bench)
      need libbenchmark-dev have_header benchmark/benchmark.h
      need gzip command -v gzip
      want isal command -v igzip
      want tabix command -v bgzip
      want plink2 command -v plink2
      want plink1.9 command -v plink1.9
      ;;
   fuzz)
      need clang command -v clang++
      need libclang-rt-dev sh -c 'ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a'
      ;;
   esac
done

if [ -n "$optional" ]; then
   if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
      missing="$missing$optional"
   else
      echo "Optional Debian packages not installed:$optional (libisal-dev: r2_hat then reads gzip input through zlib, which is slower; libzstd-dev, libsqlite3-dev: r2_hat_bgen then refuses zstd files and reads no .bgi index; libhts-dev: r2_hat_vcf is not built; plink2: r2_hat_vcf's and r2_hat_bgen's comparisons with it are skipped; plink1.9: ped_qc's comparison with its --mendel is skipped; snakemake: the workflow's checks are skipped; chromium: r2_summary's page is not shown in a browser; isal, tabix: the benchmark's igzip and bgzip comparisons are skipped)" >&2
   fi
fi
[ -z "$missing" ] && exit 0

if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
   echo "Installing missing packages:$missing"
   apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null &&
      exit 0
   echo "apt-get could not install:$missing" >&2
   exit 1
fi
echo "Missing Debian packages:$missing" >&2
echo "Install them with:  sudo apt-get install$missing" >&2
exit 1
