// r2_summary: the quality picture of an imputation run. Reads reports of
// r2_hat (either layout, plain or gzip) and summarises r2_hat per MAF bin,
// on standard output and in PREFIX.summary.tsv, and draws r2_hat against MAF
// in PREFIX.svg.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Picture.h"
#include "ReportFile.h"
#include "Summary.h"
#include "base/StringBasics.h"
#include "io/Error.h"
#include "io/OutputFile.h"
#include "params/Parameters.h"

namespace {

const char* const kUsage =
    "Usage: r2_summary [options] REPORT...\n"
    "\n"
    "Summarises reports of r2_hat (either layout, plain or gzip) by minor allele\n"
    "frequency: per MAF bin the number of markers, how many reach each r2_hat\n"
    "threshold, and the mean and median r2_hat, for each report and for all\n"
    "together. Writes the table to standard output and PREFIX.summary.tsv, and\n"
    "r2_hat against MAF to PREFIX.svg. The reports follow the options.\n"
    "\n"
    "Options:\n"
    "  -o, --prefix PREFIX      output prefix (default r2_summary.out)\n"
    "  -b, --bins LIST          upper MAF bin edges, increasing, comma-separated,\n"
    "                           up to 0.5 (default 0.001,0.005,0.01,0.05)\n"
    "  -t, --thresholds LIST    r2_hat thresholds, increasing (default 0.3,0.8)\n"
    "  -h, --help               show this text\n"
    "      --version            show the version\n"
    "\n"
    "Details: man r2_summary\n";

// Problems met on the command line are fatal once shown: a mistyped option
// would otherwise summarise with settings nobody asked for.
class StrictParameters : public ParameterList {
public:
   using ParameterList::ParameterList;
   bool HasProblems() const { return !problems.IsEmpty(); }
};

// A string option whose summary line is left to the long-option group, which
// already shows the value. A following argument that begins with "-" is never
// taken as its value.
class HiddenString : public StringParameter {
public:
   HiddenString(char ch, const char* description, String& value)
       : StringParameter(ch, description, value, true) {}

   void Status() override {}
};

}  // namespace

int main(int argc, char** argv) {
   for (int i = 1; i < argc; i++) {
      if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
         fputs(kUsage, stdout);
         return 0;
      }
      if (strcmp(argv[i], "--version") == 0) {
         printf("r2_summary (loci) %s\n", LOCI_VERSION_TEXT);
         return 0;
      }
   }
   if (argc < 2) {
      fputs(kUsage, stdout);
      return 1;
   }

   String prefix("r2_summary.out");
   String binText("0.001,0.005,0.01,0.05");
   String thresholdText("0.3,0.8");

   printf(
       "Summarise r2_hat reports by minor allele frequency, Version %s\n"
       "            loci toolkit - quality control of genotype imputation\n\n",
       LOCI_VERSION_TEXT);

   StrictParameters parameters(36);
   LongParameterList longParameters[] = {
       {nullptr, nullptr, false, 0, false},     {"Summary", nullptr, false, 0, false},
       {"bins[-b]", &binText, false, 4, false}, {"thresholds[-t]", &thresholdText, false, 4, false},
       {"Output", nullptr, false, 0, false},    {"prefix[-o]", &prefix, false, 4, false},
       {nullptr, nullptr, false, 0, false},
   };
   parameters.Add(new LongParameters("Available Options", longParameters));
   parameters.Add(new HiddenString('b', "MAF bins", binText));
   parameters.Add(new HiddenString('t', "Thresholds", thresholdText));
   parameters.Add(new HiddenString('o', "Output prefix", prefix));
   int last = parameters.ReadWithTrailer(argc, argv, 1);
   bool badCommandLine = parameters.HasProblems();
   parameters.Status();
   if (badCommandLine) error("The command line has problems (see above): nothing was read\n");
   if (prefix.IsEmpty()) error("The output prefix is empty: name the outputs with -o PREFIX\n");

   Cuts edges, thresholds;
   if (!ParseCuts(static_cast<const char*>(binText), std::nextafter(0.0, 1.0), 0.5, edges))
      error("MAF bins [%s] are not increasing numbers above 0 and up to 0.5, separated by commas\n",
            static_cast<const char*>(binText));
   if (!ParseCuts(static_cast<const char*>(thresholdText), -kLargestValue, kLargestValue,
                  thresholds))
      error("Thresholds [%s] are not increasing numbers, separated by commas\n",
            static_cast<const char*>(thresholdText));
   std::vector<std::string> inputs(argv + last + 1, argv + argc);
   if (inputs.empty()) error("No report to summarise: name the reports after the options\n");

   std::string tableName = std::string(prefix) + ".summary.tsv";
   std::string pictureName = std::string(prefix) + ".svg";
   OutputSet outputs;
   for (const std::string& input : inputs) outputs.Input(input);
   FILE* tableStream = outputs.Open(tableName);
   FILE* pictureStream = outputs.Open(pictureName);

   MafBins bins(edges);
   Summary all(bins, thresholds);
   Density density(bins);
   Table table = all.Header();
   for (const std::string& input : inputs) {
      Summary one(bins, thresholds);
      long long rows = ReadReport(input.c_str(), one, density);
      printf("Read %lld markers from report [%s]\n", rows, input.c_str());
      one.AppendRows(input, table);
      all.Merge(one);
   }
   all.AppendRows("all", table);
   printf("\n%s\n", Aligned(table).c_str());

   fputs(TabSeparated(table).c_str(), tableStream);
   density.WriteSvg(pictureStream, thresholds, inputs);
   outputs.CommitAll();
   printf("Wrote the summary to [%s] and the picture to [%s]\n\n", tableName.c_str(),
          pictureName.c_str());
   return 0;
}
