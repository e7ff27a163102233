#include "tool/DosageLoader.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "io/Error.h"
#include "io/OutputFile.h"
#include "program/Progress.h"
#include "program/WorkerThreads.h"
#include "quality/ReportRows.h"
#include "tool/DosageInput.h"
#include "tool/DosageParallel.h"
#include "tool/DosageParser.h"

int DOSE_START_INDEX = 2;

namespace {

const char* const kUnnamed = "(open stream)";

// Four blocks of 1 MiB: enough for the decompressing thread to stay ahead,
// small next to the accumulators of a large marker list.
const size_t kBlockSize = 1 << 20;
const int kBlockCount = 4;

struct Accumulators {
   std::unique_ptr<double[]> sum;
   std::unique_ptr<double[]> sumsq;
   std::unique_ptr<int64_t[]> count;
};

Accumulators Allocate(int markerCount) {
   size_t n = markerCount > 0 ? static_cast<size_t>(markerCount) : 0;
   Accumulators acc;
   acc.sum.reset(new (std::nothrow) double[n]());
   acc.sumsq.reset(new (std::nothrow) double[n]());
   acc.count.reset(new (std::nothrow) int64_t[n]());
   if (!acc.sum || !acc.sumsq || !acc.count) error("Memory not allocated for sum and sumsq\n");
   return acc;
}

// Appends one marker's row, its name first, in the standard or the info
// layout.
void FormatRow(std::string& out, const MarkerLoader& markers, int i, double sum, double sumsq,
               int64_t count) {
   out += static_cast<const char*>(markers.markerNames[i]);
   if (markers.hasInfoFile) {
      out += '\t';
      out += static_cast<const char*>(markers.allele1[i]);
      out += '\t';
      out += static_cast<const char*>(markers.allele2[i]);
   }
   AppendQualityColumns(out, markers.hasInfoFile ? ReportLayout::kInfo : ReportLayout::kStandard,
                        count, sum, sumsq);
}

// The rows of markers [begin, end), formatted into `parts` (one per thread,
// each a contiguous share) and written in order.
bool WriteRows(FILE* report, const MarkerLoader& markers, int begin, int end, const double* sum,
               const double* sumsq, const int64_t* count, std::vector<std::string>& parts) {
   int threads = static_cast<int>(parts.size());
   auto format = [&](int part) {
      long long span = end - begin;
      int from = begin + static_cast<int>(span * part / threads);
      int to = begin + static_cast<int>(span * (part + 1) / threads);
      // Appended to a string of this thread's own: the strings side by side
      // in `parts` share a cache line, which two writers would pass back
      // and forth at every row.
      std::string text = std::move(parts[part]);
      text.clear();
      for (int i = from; i < to; i++) FormatRow(text, markers, i, sum[i], sumsq[i], count[i]);
      parts[part] = std::move(text);
   };
   std::vector<std::thread> helpers;
   for (int part = 1; part < threads; part++) helpers.emplace_back(format, part);
   format(0);
   for (std::thread& helper : helpers) helper.join();
   for (const std::string& part : parts)
      if (fwrite(part.data(), 1, part.size(), report) != part.size()) return false;
   return true;
}

}  // namespace

String DosageLoader::ReportName(const String& prefix, bool hasInfoFile) {
   return prefix + (hasInfoFile ? ".info" : ".r2_hat");
}

void DosageLoader::DosageAnalysis(const char* filename, String& prefix, MarkerLoader& markers) {
   IFILE file = ifopen(filename, "rt");
   if (file == nullptr) error("File [%s] with dosages could not be opened\n\n", filename);
   std::unique_ptr<BlockSource> fast = OpenFastGzipSource(filename);
   Analyse(file, fast.get(), filename, prefix, markers);
   fast.reset();
   ifclose(file);
}

void DosageLoader::DosageAnalysis(IFILE file, String& prefix, MarkerLoader& markers) {
   Analyse(file, nullptr, kUnnamed, prefix, markers);
}

void DosageLoader::Analyse(IFILE& file, BlockSource* preferred, const char* filename,
                           String& prefix, MarkerLoader& markers) {
   int markerCount = markers.markerCount;

   if (markers.hasInfoFile &&
       (markers.allele1.Length() < markerCount || markers.allele2.Length() < markerCount))
      error("Imputation info file gave allele labels for %d of %d markers\n\n",
            markers.allele1.Length() < markers.allele2.Length() ? markers.allele1.Length()
                                                                : markers.allele2.Length(),
            markerCount);
   // Fields before the dosages cannot be fewer than none.
   if (DOSE_START_INDEX < 0) error("DOSE_START_INDEX is %d, below 0\n\n", DOSE_START_INDEX);

   Accumulators acc = Allocate(markerCount);
   double* sum = acc.sum.get();
   double* sumsq = acc.sumsq.get();
   int64_t* count = acc.count.get();

   std::unique_ptr<BlockSource> ifileSource = OpenIfileSource(file, filename);
   BlockSource& source = preferred != nullptr ? *preferred : *ifileSource;
   {
      ProgressLine progress("r2_hat");
      auto report = [&](uint64_t bytes) {
         progress.Read("dosages", bytes, source.Consumed(), source.FileSize());
      };
      int cores = AvailableCores();
      if (cores > 1) {
         // The workers convert while this thread reads (or inflates), adds,
         // and converts too when it would otherwise wait.
         ParallelDosageParser parser(markerCount, DOSE_START_INDEX, sum, sumsq, count, cores - 1);
         parser.Read(source, report);
      } else {
         // One core: reading runs a few blocks ahead on its own thread, which
         // overlaps waiting for the disk with parsing.
         DosageParser parser(markerCount, DOSE_START_INDEX, sum, sumsq, count);
         BlockPipeline pipeline(source, kBlockSize, kBlockCount);
         const char* data;
         size_t size;
         uint64_t bytes = 0;
         while (pipeline.Next(data, size)) {
            parser.Feed(data, size);
            bytes += size;
            report(bytes);
         }
         parser.Finish(source.Failed());
      }
   }

   if (source.Failed())
      error("File [%s] with dosages could not be read to its end: %s\n\n", filename,
            source.Reason().c_str());

   String name = ReportName(prefix, markers.hasInfoFile);
   OutputFile output;
   if (!output.Open(name))
      error("Error opening output file [%s]: %s\n", static_cast<const char*>(name),
            output.Reason().c_str());
   FILE* report = output.Stream();

   fputs(markers.hasInfoFile ? kInfoReportHeader : kStandardReportHeader, report);

   // Formatting the numbers is most of the writing: it runs on every core,
   // a block of markers at a time into the same buffers, so that the text
   // held stays small and the threads do not meet in faults on fresh pages.
   const int kRowBlock = 1 << 13;
   std::vector<std::string> parts(static_cast<size_t>(std::min(AvailableCores(), 16)));
   for (int begin = 0; begin < markerCount && !ferror(report); begin += kRowBlock) {
      int end = markerCount - begin > kRowBlock ? begin + kRowBlock : markerCount;
      if (!WriteRows(report, markers, begin, end, sum, sumsq, count, parts)) break;
   }

   // Errors surface at the latest when the buffer is flushed on closing.
   if (ferror(report)) {
      int savedErrno = errno;
      output.Abandon();
      error("Could not write the report file [%s]: %s\n", static_cast<const char*>(name),
            strerror(savedErrno));
   }
   if (!output.Commit())
      error("Could not write the report file [%s]: %s\n", static_cast<const char*>(name),
            output.Reason().c_str());

   printf("Wrote out quality measure r2_hat to file [%s%s] ...\n\n",
          static_cast<const char*>(prefix), markers.hasInfoFile ? ".info" : ".r2_hat");
}
