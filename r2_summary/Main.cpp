// r2_summary: the quality picture of an imputation run. Reads reports of
// r2_hat (either layout, plain or gzip) and summarises r2_hat per MAF bin,
// on standard output and in PREFIX.summary.tsv, draws r2_hat against MAF in
// PREFIX.svg and PREFIX.curves.svg, and puts it all on the page PREFIX.html.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Page.h"
#include "Picture.h"
#include "ReportFile.h"
#include "Summary.h"
#include "base/StringBasics.h"
#include "io/Error.h"
#include "io/OutputFile.h"
#include "params/Parameters.h"
#include "program/CommandLine.h"
#include "program/Version.h"
#include "program/WorkerThreads.h"

namespace {

const char* const kUsage =
    "Usage: r2_summary [options] REPORT...\n"
    "\n"
    "Summarises reports of r2_hat (either layout, plain or gzip) by minor allele\n"
    "frequency: per MAF bin the number of markers, how many reach each r2_hat\n"
    "threshold, and the mean and median r2_hat, for each report and for all\n"
    "together. Writes the table to standard output and PREFIX.summary.tsv, r2_hat\n"
    "against MAF to PREFIX.svg (all reports) and PREFIX.curves.svg (by report),\n"
    "and a page with all of them to PREFIX.html. The reports follow the options.\n"
    "\n"
    "Options:\n"
    "  -o, --prefix PREFIX      output prefix (default r2_summary.out)\n"
    "  -b, --bins LIST          upper MAF bin edges, increasing, comma-separated,\n"
    "                           up to 0.5 (default 0.001,0.005,0.01,0.05)\n"
    "  -t, --thresholds LIST    r2_hat thresholds, increasing (default 0.3,0.8)\n"
    "      --threads N          accepted as by every loci program; no effect here\n"
    "  -h, --help               show this text\n"
    "      --version            show the version\n"
    "\n"
    "Details: man r2_summary\n";

}  // namespace

int main(int argc, char** argv) {
   ExitOnHelpOrVersion(argc, argv, "r2_summary", kUsage);

   String prefix("r2_summary.out");
   String binText("0.001,0.005,0.01,0.05");
   String thresholdText("0.3,0.8");
   String threads;

   printf(
       "Summarise r2_hat reports by minor allele frequency, Version %s\n"
       "            loci toolkit - quality control of genotype imputation\n\n",
       LociVersion());

   StrictParameterList parameters(36);
   LongParameterList longParameters[] = {
       {nullptr, nullptr, false, 0, false},     {"Summary", nullptr, false, 0, false},
       {"bins[-b]", &binText, false, 4, false}, {"thresholds[-t]", &thresholdText, false, 4, false},
       {"Output", nullptr, false, 0, false},    {"prefix[-o]", &prefix, false, 4, false},
       {"Run", nullptr, false, 0, false},       {"threads", &threads, false, 4, false},
       {nullptr, nullptr, false, 0, false},
   };
   parameters.Add(new LongParameters("Available Options", longParameters));
   parameters.Add(new HiddenString('b', "MAF bins", binText));
   parameters.Add(new HiddenString('t', "Thresholds", thresholdText));
   parameters.Add(new HiddenString('o', "Output prefix", prefix));
   int last = parameters.ReadWithTrailer(argc, argv, 1);
   parameters.Status();
   // Checked as every program checks it, though nothing here is divided among threads.
   WorkerThreads(threads);
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
   std::string curvesName = std::string(prefix) + ".curves.svg";
   std::string pageName = std::string(prefix) + ".html";
   OutputSet outputs;
   for (const std::string& input : inputs) outputs.Input(input);
   FILE* tableStream = outputs.Open(tableName);
   FILE* pictureStream = outputs.Open(pictureName);
   FILE* curvesStream = outputs.Open(curvesName);
   FILE* pageStream = outputs.Open(pageName);

   MafBins bins(edges);
   Summary all(bins, thresholds);
   Density density(bins);
   PageContents page;
   page.table = all.Header();
   for (const std::string& input : inputs) {
      Summary one(bins, thresholds);
      density.StartReport();
      long long rows = ReadReport(input.c_str(), one, density);
      printf("Read %lld markers from report [%s]\n", rows, input.c_str());
      one.AppendRows(input, page.table);
      all.Merge(one);
      page.rows.push_back(rows);
   }
   all.AppendRows("all", page.table);
   printf("\n%s\n", Aligned(page.table).c_str());

   page.inputs = inputs;
   page.bins = &bins;
   page.thresholds = &thresholds;
   page.density = density.Svg(thresholds, inputs);
   page.curves = density.CurvesSvg(thresholds, inputs);
   page.outputs = {tableName, pictureName, curvesName, pageName};
   const char* declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
   fputs(TabSeparated(page.table).c_str(), tableStream);
   fputs((declaration + page.density).c_str(), pictureStream);
   fputs((declaration + page.curves).c_str(), curvesStream);
   fputs(Page(page).c_str(), pageStream);
   outputs.CommitAll();
   printf("Wrote the summary to [%s], the pictures to [%s] and [%s], and the page to [%s]\n\n",
          tableName.c_str(), pictureName.c_str(), curvesName.c_str(), pageName.c_str());
   return 0;
}
