// r2_hat: allele frequencies and the empirical imputation quality r2_hat of
// every marker of an imputation run, from its SNP list and dosage file.
#include <cstdio>

#include "base/StringBasics.h"
#include "tool/DosageLoader.h"
#include "tool/MarkerLoader.h"

int main(int argc, char** argv) {
   if (argc < 4) {
      fprintf(stderr, "usage: r2_hat SNPLIST DOSAGEFILE PREFIX [INFOFILE]\n");
      return 1;
   }
   String snps(argv[1]), dosages(argv[2]), prefix(argv[3]), info(argc > 4 ? argv[4] : "");
   MarkerLoader markers;
   DosageLoader loader;
   markers.LoadMarkers(snps);
   if (info != "") {
      markers.hasInfoFile = true;
      markers.LoadAlleles(info);
   }
   loader.DosageAnalysis(dosages, prefix, markers);
   return 0;
}
