#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "pedigree/GenotypeLists.h"
#include "pedigree/Pedigree.h"
#include "pedigree/PedigreeAlleleFreq.h"
#include "tests/support/TestSupport.h"

namespace {

const std::string kCases = std::string(LOCI_SOURCE_DIR) + "/tests/data/pedigree/checks";

void PrintFrequencies() {
   for (int m = 0; m < PedigreeGlobals::markerCount; m++) {
      MarkerInfo* info = PedigreeGlobals::GetMarkerInfo(m);
      printf("%s:", (const char*)info->name);
      for (int a = 1; a < info->alleleLabels.Length(); a++)
         printf(" %s", (const char*)info->alleleLabels[a]);
      printf(" |");
      for (int a = 0; a < info->freq.Length(); a++) printf(" %.6g", info->freq[a]);
      printf("\n");
   }
}

// Steps: "x" (X-linked), "check" (report only), "abort" (fatal when
// inconsistent), "twins", "merge", "estimate:E", "estimatequiet:E",
// "lump:T", "lumplabels:T", "dichotomize:MEAN" ("-" for the average),
// "prepdich", "freqs", "ped" (write the pedigree back).
void RunSteps(const std::string& steps) {
   Pedigree ped;
   std::istringstream words(steps);
   for (std::string step; words >> step;) {
      std::string kind = step.substr(0, step.find(':'));
      std::string arg = step.size() > kind.size() ? step.substr(kind.size() + 1) : "";
      if (kind == "x") PedigreeGlobals::chromosomeX = true;
      if (kind == "prepare") ped.Prepare(arg.c_str());
      if (kind == "prepdich") Pedigree::PrepareDichotomization();
      if (kind == "freqfile") PedigreeGlobals::LoadAlleleFrequencies(arg.c_str(), true);
      if (kind == "load") ped.Load(arg.c_str());
      if (kind == "check") printf("%% consistent %d\n", ped.InheritanceCheck(false));
      if (kind == "abort") ped.InheritanceCheck(true);
      if (kind == "twins") printf("%% twin problem %d\n", ped.TwinCheck());
      if (kind == "merge") ped.MergeTwins();
      if (kind == "estimate") ped.EstimateFrequencies(atoi(arg.c_str()));
      if (kind == "lump") ped.LumpAlleles(atof(arg.c_str()));
      if (kind == "lumplabels") ped.LumpAlleles(atof(arg.c_str()), false);
      if (kind == "dichotomize")
         printf("%% affection %d\n",
                ped.Dichotomize(0, arg == "-" ? MISSING_VALUE : atof(arg.c_str())));
      if (kind == "freqs") PrintFrequencies();
      if (kind == "ped") ped.WritePedigreeFile(stdout);
   }
   fflush(stdout);
   exit(0);
}

// Case files: the steps line, sections "%% NAME" with input files, then
// "%% output" or "%% fatal" and the exact expected standard output. Each
// case runs in its own process with a fresh registry.
TEST(PedigreeChecks, CasesPrintExactReports) {
   EXPECT_GT(testsupport::RunCaseFiles(kCases, "output", RunSteps), 10);
}

}  // namespace
