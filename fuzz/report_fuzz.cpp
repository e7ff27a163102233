// r2_summary's report reader on arbitrary bytes, plain or gzip-compressed as
// the bytes themselves say, then the summary table, the pictures and the page.
//
// Properties: a report either ends in a fatal error or counts one marker per
// non-empty line after its header; the pictures and the page do not grow
// with the markers.
#include <cstdint>
#include <cstdio>
#include <string>

#include "Page.h"
#include "Picture.h"
#include "ReportFile.h"
#include "Summary.h"
#include "tests/support/Support.h"

namespace {

void Run(const uint8_t* data, size_t size) {
   std::string bytes(reinterpret_cast<const char*>(data), size);
   std::string path = testsupport::FuzzScratch().Write("report", bytes);
   Cuts edges, thresholds;
   LOCI_FUZZ_CHECK(ParseCuts("0.001,0.01", 0, 0.5, edges) &&
                   ParseCuts("0.3,0.8", -1, 1, thresholds));
   MafBins bins(edges);
   Summary summary(bins, thresholds);
   Density density(bins);
   density.StartReport();
   IFILE file = ifopen(path.c_str(), "rb");
   int64_t rows = -1;
   try {
      rows = ReadReport(file, "report", summary, density);
   } catch (const testsupport::Fatal&) {
   }
   ifclose(file);
   if (rows < 0) return;

   LOCI_FUZZ_CHECK(summary.Markers() == rows);
   bool gzip = size >= 2 && data[0] == 0x1f && data[1] == 0x8b;
   if (!gzip) {
      int64_t lines = 0;
      for (size_t start = bytes.find('\n') + 1, end; start > 0 && start < bytes.size();
           start = end + 1) {
         end = bytes.find('\n', start);
         if (end == std::string::npos) end = bytes.size();
         lines += end > start && bytes.substr(start, end - start) != "\r";
      }
      LOCI_FUZZ_CHECK(lines == rows);
   }
   Table table = summary.Header();
   summary.AppendRows("report", table);
   LOCI_FUZZ_CHECK(table.size() == 1u + bins.Count() + 1u);
   PageContents page;
   page.inputs = {"report"};
   page.rows = {rows};
   page.bins = &bins;
   page.thresholds = &thresholds;
   page.table = table;
   summary.AppendRows("all", page.table);
   page.density = density.Svg(thresholds, page.inputs);
   page.curves = density.CurvesSvg(thresholds, page.inputs);
   LOCI_FUZZ_CHECK(page.density.size() < 300000 && page.curves.size() < 100000);
   LOCI_FUZZ_CHECK(Page(page).size() < 500000);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
   testsupport::FuzzScratch();
   Run(data, size);
   return 0;
}
