// r2_hat: allele frequencies and the empirical imputation quality r2_hat of
// every marker of an imputation run, from its SNP list and dosage file, with
// the allele labels of an imputation info file when one is given.
#include <cstdio>

#include "base/StringBasics.h"
#include "io/OutputFile.h"
#include "params/Parameters.h"
#include "program/CommandLine.h"
#include "program/Version.h"
#include "tool/DosageLoader.h"
#include "tool/MarkerLoader.h"

int main(int argc, char** argv) {
   String snpFile;
   String doseFile;
   String infoFile;
   String outfile("r2_hat.out");

   char banner[160];
   snprintf(banner, sizeof banner,
            "Calculate empirical Rsq (r2_hat) from dosage file, Version %s \n"
            "            loci toolkit - quality control of genotype imputation\n",
            LociVersion());
   puts(banner);

   ParameterList* pl = new ParameterList(36);

   LongParameterList longParameters[] = {
       {nullptr, nullptr, false, 0, false},          {"Input Files", nullptr, false, 0, false},
       {"snps[-s]", &snpFile, false, 4, false},      {"dosagefile[-g]", &doseFile, false, 4, false},
       {"infofile[-i]", &infoFile, false, 4, false}, {"Output", nullptr, false, 0, false},
       {"prefix[-o]", &outfile, false, 4, false},    {nullptr, nullptr, false, 0, false},
   };

   pl->Add(new LongParameters("Available Options", longParameters));
   pl->Add(new HiddenString('s', "SNP File", snpFile));
   pl->Add(new HiddenString('g', "Dosage File", doseFile));
   pl->Add(new HiddenString('i', "Info File", infoFile));
   pl->Add(new HiddenString('o', "Output prefix", outfile));

   pl->Read(argc, argv, 1);
   pl->Status();

   RefuseToReplaceInputs(DosageLoader::ReportName(outfile, infoFile != ""),
                         {static_cast<const char*>(snpFile), static_cast<const char*>(doseFile),
                          static_cast<const char*>(infoFile)});

   MarkerLoader* markers = new MarkerLoader;
   DosageLoader* dosages = new DosageLoader;

   markers->LoadMarkers(snpFile);
   if (infoFile != "") {
      markers->hasInfoFile = true;
      markers->LoadAlleles(infoFile);
   }
   dosages->DosageAnalysis(doseFile, outfile, *markers);

   delete dosages;
   delete markers;
   delete pl;
   return 0;
}
